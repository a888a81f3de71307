#include <gtest/gtest.h>

#include "board/attacks.h"
#include "board/bits.h"
#include "board_test_support.h"

using board_test::Random;
using board_test::square_of;

namespace {

// Slider attacks by walking the board square by square.
Bitboard walk(int square, Bitboard occupancy, bool rook) {
  static const int line[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  static const int diagonal[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
  const int(*dirs)[2] = rook ? line : diagonal;
  Bitboard result = 0;
  for (int d = 0; d < 4; ++d) {
    int f = file_of(square), r = rank_of(square);
    for (;;) {
      f += dirs[d][0];
      r += dirs[d][1];
      if (f < 0 || f > 7 || r < 0 || r > 7) break;
      result |= square_bit(r * 8 + f);
      if (occupancy & square_bit(r * 8 + f)) break;
    }
  }
  return result;
}

Bitboard squares(std::initializer_list<const char*> names) {
  Bitboard b = 0;
  for (const char* n : names) b |= square_bit(square_of(n));
  return b;
}

}  // namespace

TEST(BoardAttacks, SlidersMatchBoardWalkForRandomOccupancies) {
  Random r(7);
  for (int s = 0; s < 64; ++s) {
    for (int i = 0; i < 600; ++i) {
      // Sparse and dense occupancies alike.
      Bitboard occ = r.next();
      if (i % 3 == 1) occ &= r.next();
      if (i % 3 == 2) occ &= r.next() & r.next();
      ASSERT_EQ(rook_attacks(s, occ), walk(s, occ, true)) << "rook on " << s;
      ASSERT_EQ(bishop_attacks(s, occ), walk(s, occ, false)) << "bishop on " << s;
      ASSERT_EQ(queen_attacks(s, occ), walk(s, occ, true) | walk(s, occ, false));
    }
  }
}

TEST(BoardAttacks, EveryRelevantSubsetOfEverySquare) {
  // Exhaustive over the relevant masks: every reachable table entry is right.
  for (int s = 0; s < 64; ++s) {
    for (int rook = 0; rook < 2; ++rook) {
      Bitboard mask = rook ? rook_magic[s].mask : bishop_magic[s].mask;
      Bitboard subset = 0;
      do {
        Bitboard got = rook ? rook_attacks(s, subset) : bishop_attacks(s, subset);
        ASSERT_EQ(got, walk(s, subset, rook)) << s;
        subset = (subset - mask) & mask;
      } while (subset);
    }
  }
}

TEST(BoardAttacks, MagicRecordsAndTableBounds) {
  EXPECT_EQ(rook_magic[0].mask, 0x000101010101017eULL);
  EXPECT_EQ(bishop_magic[square_of("d4")].mask, 0x0040221400142200ULL);
  for (int s = 0; s < 64; ++s) {
    for (int rook = 0; rook < 2; ++rook) {
      // Every index any occupancy can give stays inside the shared table.
      const MagicRecord& m = rook ? rook_magic[s] : bishop_magic[s];
      int shift = rook ? ROOK_SHIFT : BISHOP_SHIFT;
      Bitboard subset = 0;
      do {
        int at = m.offset + static_cast<int>((subset * m.multiplier) >> shift);
        ASSERT_GE(at, 0);
        ASSERT_LT(at, SLIDER_TABLE_SIZE);
        subset = (subset - m.mask) & m.mask;
      } while (subset);
    }
  }
}

TEST(BoardAttacks, SliderEdgeCases) {
  int a1 = square_of("a1"), d4 = square_of("d4");
  EXPECT_EQ(rook_attacks(a1, 0), 0x01010101010101feULL);
  EXPECT_EQ(popcount(rook_attacks(a1, 0)), 14);
  EXPECT_EQ(rook_attacks(a1, squares({"a4"})), squares({"a2", "a3", "a4"}) | 0xfeULL);
  EXPECT_EQ(popcount(bishop_attacks(d4, 0)), 13);
  // Bits outside the relevant mask (edges, the piece's own square) change nothing.
  Bitboard noise = squares({"a8", "h8", "a1", "h1", "d4", "d8", "d1", "a4", "h4"});
  EXPECT_EQ(rook_attacks(d4, noise), rook_attacks(d4, 0));
  EXPECT_EQ(bishop_attacks(d4, noise), bishop_attacks(d4, 0));
  for (int s = 0; s < 64; ++s) {
    EXPECT_FALSE(queen_attacks(s, 0) & square_bit(s));
    EXPECT_TRUE(rook_ray[s] & bishop_ray[s] & queen_ray[s] & square_bit(s));
    EXPECT_EQ(popcount(rook_ray[s]), 15);
  }
}

TEST(BoardAttacks, LeapersAndRays) {
  EXPECT_EQ(knight_attacks[square_of("a1")], squares({"b3", "c2"}));
  EXPECT_EQ(popcount(knight_attacks[square_of("d4")]), 8);
  EXPECT_EQ(king_attacks[square_of("h8")], squares({"g8", "g7", "h7"}));
  EXPECT_EQ(popcount(king_attacks[square_of("e4")]), 8);
  EXPECT_EQ(queen_ray[square_of("d4")], rook_ray[square_of("d4")] | bishop_ray[square_of("d4")]);
  EXPECT_EQ(bishop_ray[square_of("a1")], 0x8040201008040201ULL);
}

TEST(BoardAttacks, Between) {
  int e1 = square_of("e1"), e8 = square_of("e8"), a1 = square_of("a1"), h8 = square_of("h8");
  EXPECT_EQ(between[a1][h8], squares({"b2", "c3", "d4", "e5", "f6", "g7"}));
  EXPECT_EQ(between[a1][square_of("c2")], 0u);
  EXPECT_EQ(between[e1][e8], squares({"e2", "e3", "e4", "e5", "e6", "e7"}));
  EXPECT_EQ(between[e1][square_of("f3")], 0u);
  EXPECT_EQ(between[e1][square_of("f2")], 0u);  // neighbours
  for (int a = 0; a < 64; ++a) {
    EXPECT_EQ(between[a][a], 0u);
    for (int b = 0; b < 64; ++b) {
      ASSERT_EQ(between[a][b], between[b][a]);
      // Between squares are exactly those on both pieces' lines that the
      // slider from a reaches before b on an empty board.
      if (queen_ray[a] & square_bit(b) && a != b) {
        Bitboard reach = (rook_ray[a] & square_bit(b))
                             ? rook_attacks(a, square_bit(b)) & rook_attacks(b, square_bit(a))
                             : bishop_attacks(a, square_bit(b)) & bishop_attacks(b, square_bit(a));
        ASSERT_EQ(between[a][b], reach);
      }
    }
  }
}

TEST(BoardAttacks, PawnCheckSourcesAndRanks) {
  // Black king on e5: White pawns check from d4 or f4, reached by a single
  // push from d3/f3 or a double step from d2/f2.
  EXPECT_EQ(pawn_check_sources[BLACK][square_of("e5")], squares({"d3", "f3", "d2", "f2"}));
  // White king on e4: Black pawns check from d5/f5, pushed from d6/f6 or from d7/f7.
  EXPECT_EQ(pawn_check_sources[WHITE][square_of("e4")], squares({"d6", "f6", "d7", "f7"}));
  // Only single pushes when the landing square is not on the double-step rank.
  EXPECT_EQ(pawn_check_sources[BLACK][square_of("a7")], squares({"b5"}));
  EXPECT_EQ(relative_rank[0][WHITE], 0x00ff000000000000ULL);
  EXPECT_EQ(relative_rank[0][BLACK], 0x000000000000ff00ULL);
  EXPECT_EQ(relative_rank[3][WHITE], 0x00000000ff000000ULL);
  EXPECT_EQ(relative_rank[3][BLACK], 0x000000ff00000000ULL);
  EXPECT_EQ(double_step_rank[WHITE], 0xff000000ULL);
  EXPECT_EQ(double_step_rank[BLACK], 0xff00000000ULL);
  EXPECT_EQ(start_rank[WHITE], 0xff00ULL);
  EXPECT_EQ(start_rank[BLACK], 0xff000000000000ULL);
}
