#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "eval/kpk_bitbase.h"

namespace {

int sq(const char* name) { return (name[1] - '1') * 8 + (name[0] - 'a'); }

int chebyshev(int a, int b) {
  int df = std::abs((a & 7) - (b & 7)), dr = std::abs((a >> 3) - (b >> 3));
  return df > dr ? df : dr;
}

// White has the pawn and moves up the board; the bitbase wants the pawn
// moving down, so everything is mirrored top to bottom.
bool white_wins(const char* white_king, const char* pawn, const char* black_king, bool black_to_move) {
  return kpk_probe(sq(white_king) ^ 56, sq(pawn) ^ 56, sq(black_king) ^ 56, black_to_move);
}

class KpkBitbase : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { build_kpk_bitbase(); }
};

TEST_F(KpkBitbase, KeySquaresAndOpposition) {
  // King on the sixth in front of its pawn on the fifth: won whoever moves.
  EXPECT_TRUE(white_wins("e6", "e5", "e8", false));
  EXPECT_TRUE(white_wins("e6", "e5", "e8", true));
  // Direct opposition in front of the pawn: the side to move gives way.
  EXPECT_FALSE(white_wins("e5", "e4", "e7", false));
  EXPECT_TRUE(white_wins("e5", "e4", "e7", true));
  // King behind its pawn with the defender in front: a draw.
  EXPECT_FALSE(white_wins("e3", "e4", "e5", false));
  EXPECT_FALSE(white_wins("e3", "e4", "e6", true));
  // A king on a key square two ranks ahead of the pawn wins.
  EXPECT_TRUE(white_wins("d6", "e4", "e8", true));
  EXPECT_TRUE(white_wins("f6", "e4", "h8", false));
  // The same on the other wing (the probe mirrors files e-h itself).
  EXPECT_EQ(white_wins("e5", "e4", "e7", false), white_wins("d5", "d4", "d7", false));
  EXPECT_EQ(white_wins("g6", "g5", "g8", true), white_wins("b6", "b5", "b8", true));
}

TEST_F(KpkBitbase, RookPawnAndRaces) {
  // A defender that reaches the corner holds a rook pawn.
  EXPECT_FALSE(white_wins("c5", "a5", "a8", false));
  EXPECT_FALSE(white_wins("c5", "a5", "a8", true));
  EXPECT_FALSE(white_wins("b6", "h5", "h8", false));
  // Shut out of the corner, it loses.
  EXPECT_TRUE(white_wins("b7", "a5", "d7", true));
  // The square of the pawn decides a race when the kings are far apart.
  EXPECT_TRUE(white_wins("h1", "a4", "f4", false));
  EXPECT_FALSE(white_wins("h1", "a4", "f4", true));
  // The double step counts: a2-a4 leaves the king on g5 outside the
  // square, where a2-a3 would let it in by Kf6.
  EXPECT_TRUE(white_wins("h1", "a2", "g5", false));
  EXPECT_FALSE(white_wins("h1", "a2", "f5", false));
}

TEST_F(KpkBitbase, StalemateAndCapture) {
  // Ke6, Pe7 against Ke8: with Black to move it is stalemate, with White
  // to move Kf6 - Kd7, Kf7 wins.
  EXPECT_FALSE(white_wins("e6", "e7", "e8", true));
  EXPECT_TRUE(white_wins("e6", "e7", "e8", false));
  // An undefended pawn next to the defending king is taken.
  EXPECT_FALSE(white_wins("a1", "e5", "d5", true));
  // Kc5 against Ka7: c8=Q stalemates, c8=R leaves the king b7 and a6.
  EXPECT_TRUE(kpk_promotion_wins(sq("c5") ^ 56, sq("a7") ^ 56, sq("c8") ^ 56));
  // Promoting next to an undefended enemy king loses the new piece.
  EXPECT_FALSE(kpk_promotion_wins(sq("a1") ^ 56, sq("d7") ^ 56, sq("d8") ^ 56));
  // ... unless the own king guards it.
  EXPECT_TRUE(kpk_promotion_wins(sq("c7") ^ 56, sq("e7") ^ 56, sq("d8") ^ 56));
}

TEST_F(KpkBitbase, BuildIsFastAndIdempotent) {
  // The first build happened in SetUpTestSuite; a second call is free and
  // leaves the contents unchanged.
  uint8_t copy[KPK_BYTES];
  for (int i = 0; i < KPK_BYTES; ++i) copy[i] = kpk_bitbase[i];
  auto start = std::chrono::steady_clock::now();
  build_kpk_bitbase();
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 5);
  for (int i = 0; i < KPK_BYTES; ++i) ASSERT_EQ(copy[i], kpk_bitbase[i]);
}

// Every legal placement agrees with its successors: with the strong side to
// move it is won exactly when some move reaches a won position, with the
// weak side to move exactly when every reply does (mate counts as won,
// stalemate and taking the pawn as drawn).  Written independently of the
// generator, in the stored orientation (pawn moving towards rank 1).
TEST_F(KpkBitbase, WholeBaseConsistency) {
  auto pawn_attacks = [](int pawn, int s) {
    return (s >> 3) == (pawn >> 3) - 1 && std::abs((s & 7) - (pawn & 7)) == 1;
  };
  auto neighbours = [](int s, int* out) {
    int n = 0;
    for (int t = 0; t < 64; ++t)
      if (chebyshev(s, t) == 1) out[n++] = t;
    return n;
  };
  int won = 0, checked = 0;
  for (int rank = 1; rank <= 6; ++rank)
    for (int file = 0; file < 4; ++file) {
      int pawn = rank * 8 + file, index = 4 * (rank - 1) + file;
      for (int sk = 0; sk < 64; ++sk)
        for (int wk = 0; wk < 64; ++wk) {
          if (sk == wk || sk == pawn || wk == pawn || chebyshev(sk, wk) <= 1) continue;
          int steps[8];
          // Weak side to move.
          {
            bool has_move = false, all_win = true;
            int n = neighbours(wk, steps);
            for (int i = 0; i < n; ++i) {
              int t = steps[i];
              if (chebyshev(t, sk) <= 1 || pawn_attacks(pawn, t)) continue;
              has_move = true;
              if (t == pawn || !kpk_bit(index, sk, t, true)) all_win = false;
            }
            bool expected = has_move ? all_win : pawn_attacks(pawn, wk);
            ASSERT_EQ(kpk_bit(index, sk, wk, false), expected) << "pawn " << pawn << " sk " << sk << " wk " << wk;
            won += expected;
            ++checked;
          }
          // Strong side to move (illegal when the weak king is in check).
          if (!pawn_attacks(pawn, wk)) {
            bool any_win = false;
            int n = neighbours(sk, steps);
            for (int i = 0; i < n; ++i) {
              int t = steps[i];
              if (t != pawn && chebyshev(t, wk) > 1 && kpk_bit(index, t, wk, false)) any_win = true;
            }
            int push = pawn - 8;
            if (push != sk && push != wk) {
              if (rank == 1) {
                any_win |= kpk_promotion_wins(sk, wk, push);
              } else {
                any_win |= kpk_bit(index - 4, sk, wk, false);
                if (rank == 6 && push - 8 != sk && push - 8 != wk) any_win |= kpk_bit(index - 8, sk, wk, false);
              }
            }
            ASSERT_EQ(kpk_bit(index, sk, wk, true), any_win) << "pawn " << pawn << " sk " << sk << " wk " << wk;
            won += any_win;
            ++checked;
          }
        }
    }
  // Most placements are wins for the pawn side, but far from all.
  EXPECT_GT(won, checked / 2);
  EXPECT_LT(won, checked);
}

}  // namespace
