#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "board/attacks.h"
#include "board/movegen.h"
#include "board_test_support.h"

using namespace board_test;

namespace {

std::vector<std::string> texts(const Position& p, const Move* moves, int n) {
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) {
    char t[8];
    move_to_text(moves[i], t);
    out.push_back(t);
  }
  (void)p;
  return out;
}

std::vector<std::string> all_texts(const Position& p) {
  Move moves[MAX_MOVES];
  int n = generate_all(p, moves);
  return texts(p, moves, n);
}

}  // namespace

TEST(BoardMovegen, GenerationOrder) {
  // Plain promotions, castling, pawn captures (toward the a-file side
  // first), single pushes, knights, ..., king, double steps.
  Position p = setup("1n2k3/P7/8/8/8/2p1p3/3P4/R3K3 w Q - 0 1");
  // The capture a7xb8 comes in the second pass, after d2xe3 (lower target).
  std::vector<std::string> want = {"a7a8q", "a7a8n", "a7a8r", "a7a8b", "e1c1", "d2c3", "d2e3", "a7b8q", "a7b8n",
                                   "a7b8r", "a7b8b", "d2d3",  "a1b1",  "a1c1", "a1d1", "a1a2", "a1a3",  "a1a4",
                                   "a1a5",  "a1a6",  "e1d1",  "e1f1",  "e1e2", "e1f2", "d2d4"};
  EXPECT_EQ(all_texts(p), want);
}

TEST(BoardMovegen, PromotionsInGenerateAllAndPicker) {
  Position p = setup("1n2k3/P7/8/8/8/8/8/4K3 w - - 0 1");
  Move moves[MAX_MOVES];
  int n = generate_captures(p, moves);
  EXPECT_EQ(texts(p, moves, n), (std::vector<std::string>{"a7b8q", "a7b8n", "a7a8q", "a7a8n"}));
  int promotions = 0;
  n = generate_all(p, moves);
  for (int i = 0; i < n; ++i) promotions += is_promotion(moves[i]);
  EXPECT_EQ(promotions, 8);
}

TEST(BoardMovegen, CastlingRules) {
  // f1 attacked: no short castling; d1 attacked: no long castling.
  EXPECT_EQ(all_texts(setup("4k3/8/8/8/8/8/5r2/R3K2R w KQ - 0 1"))[0], "e1c1");
  Position p = setup("4k3/8/8/8/8/8/3r4/R3K2R w KQ - 0 1");
  Move castles[2];
  ASSERT_EQ(generate_castling(p, castles), 1);
  EXPECT_EQ(castles[0], move_code(4, 6, KIND_CASTLING));
  // An attacked b1 does not prevent long castling; an occupied one does.
  Position b1 = setup("4k3/8/8/8/8/8/1r6/R3K2R w KQ - 0 1");
  ASSERT_EQ(generate_castling(b1, castles), 2);
  EXPECT_EQ(castles[1], move_code(4, 2, KIND_CASTLING));
  EXPECT_EQ(generate_castling(setup("4k3/8/8/8/8/8/8/RN2K2R w KQ - 0 1"), castles), 1);
  // In check: none.
  EXPECT_EQ(generate_castling(setup("4k3/8/8/8/8/8/4r3/R3K2R w KQ - 0 1"), castles), 0);
  // Black, both sides, queen side second.
  Position black = setup("r3k2r/8/8/8/8/8/8/4K3 b kq - 0 1");
  ASSERT_EQ(generate_castling(black, castles), 2);
  EXPECT_EQ(castles[0], move_code(60, 62, KIND_CASTLING));
  EXPECT_EQ(castles[1], move_code(60, 58, KIND_CASTLING));
}

TEST(BoardMovegen, Chess960Castling) {
  auto castlings = [](const char* fen) {
    Position p = setup(fen, true);
    Move castles[2];
    return texts(p, castles, generate_castling(p, castles));
  };
  using Texts = std::vector<std::string>;
  // The king takes its own rook, king side first.  The king may stay where
  // it is (g1h1: only the rook moves, h1 to f1).
  EXPECT_EQ(castlings("1r4kr/8/8/8/8/8/8/1R4KR w HB - 0 1"), (Texts{"g1h1", "g1b1"}));
  // The rook lands on the king's start square (f1), the king on the rook's (g1).
  EXPECT_EQ(castlings("4k3/8/8/8/8/8/8/R4KR1 w GA - 0 1"), (Texts{"f1g1", "f1a1"}));
  // Long castling b1 to c1 is blocked only by the other castling rook.
  EXPECT_EQ(castlings("1k6/8/8/8/8/8/8/RKR5 w CA - 0 1"), (Texts{"b1c1"}));
  // A queen behind the castling rook would attack c1 once the rook has gone.
  EXPECT_EQ(castlings("3k4/8/8/8/8/8/8/qRK4R w BH - 0 1"), (Texts{"c1h1"}));
  // The bishop on c4 covers f1, which the king passes on its way to g1.
  EXPECT_EQ(castlings("1r1k2r1/p1pppppp/8/8/2b5/8/P1PP1PPP/1R1K2R1 w GB - 0 1"), (Texts{"d1b1"}));
  // Black, and the kind of move.
  Position black = setup("rk4r1/8/8/8/8/8/6P1/RK4R1 b ga - 0 1", true);
  Move castles[2];
  ASSERT_EQ(generate_castling(black, castles), 2);
  EXPECT_EQ(castles[0], move_code(square_of("b8"), square_of("g8"), KIND_CASTLING));
  EXPECT_EQ(is_pseudo_legal(black, castles[1]), 1);
  EXPECT_EQ(is_pseudo_legal(black, move_code(square_of("b8"), square_of("c8"), KIND_CASTLING)), 0);
}

TEST(BoardMovegen, EvasionHelpers) {
  // Captures on a square: pawns (queen and knight on the last rank), knights,
  // diagonal sliders, then line sliders, each with a clear path.
  Position p = setup("2r4k/1P1P4/8/1N6/8/8/2Q5/2R1K3 w - - 0 1");
  Move moves[MAX_MOVES];
  int n = generate_captures_to(p, moves, square_of("c8"));
  EXPECT_EQ(texts(p, moves, n), (std::vector<std::string>{"b7c8q", "b7c8n", "d7c8q", "d7c8n", "c2c8"}));
  // Blocks: pushes (queen promotion only), double steps, knights, bishops and
  // queens diagonally, rooks and queens along lines.
  Position b = setup("4k3/8/8/8/8/8/r3P2K/1N1R4 w - - 0 1");
  n = generate_blocks(
      b, moves, between[square_of("a2")][square_of("h2")] | square_bit(square_of("e4")) | square_bit(square_of("e3")));
  EXPECT_EQ(texts(b, moves, n), (std::vector<std::string>{"e2e3", "e2e4", "b1d2", "d1d2"}));
  Position ep = setup("4k3/8/8/2PpP3/8/8/8/4K3 w - d6 0 1");
  n = generate_en_passant(ep, moves);
  EXPECT_EQ(texts(ep, moves, n), (std::vector<std::string>{"e5d6", "c5d6"}));
}

TEST(BoardMovegen, ManyQueensStayWithinMaxMoves) {
  // The position with the most legal moves known: 218, nearly all quiet,
  // so the quiet stage alone would overflow a list of 200.
  Position p = setup("R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - - 0 1");
  Move moves[MAX_MOVES];
  EXPECT_EQ(legal_moves(p).size(), 218u);
  EXPECT_LE(generate_all(p, moves), MAX_MOVES);
  EXPECT_GT(generate_quiet(p, moves), 200);
  // Fifteen queens and a king (Black's king shut in behind its own men).
  Position q = setup("6bk/6pp/Q1Q1Q1Q1/8/1Q1Q1Q1Q/8/Q1Q1Q1Q1/1Q1Q1Q1K w - - 0 1");
  EXPECT_LE(generate_all(q, moves), MAX_MOVES);
  EXPECT_LE(generate_quiet_checks(q, moves), MAX_MOVES);
}

TEST(BoardMovegen, PseudoLegalityOfGivenMoves) {
  Position p = setup("r3k2r/1P6/8/3pP3/8/8/6p1/R3K2R w KQkq d6 0 1");
  // The pawn on g2 attacks f1: only long castling.
  EXPECT_EQ(is_pseudo_legal(p, move_code(square_of("e1"), square_of("g1"), KIND_CASTLING)), 0);
  EXPECT_EQ(is_pseudo_legal(p, find_move(p, "e1c1")), 1);
  EXPECT_EQ(is_pseudo_legal(p, find_move(p, "b7b8r")), 1);
  EXPECT_EQ(is_pseudo_legal(p, find_move(p, "b7a8n")), 1);
  // En passant is never accepted, even when playable.
  EXPECT_NE(find_move(p, "e5d6"), 0u);
  EXPECT_EQ(is_pseudo_legal(p, find_move(p, "e5d6")), 0);
  EXPECT_EQ(is_pseudo_legal(p, 0), 0);
  // A promotion push without a promotion kind, a push with a promotion kind.
  EXPECT_EQ(is_pseudo_legal(p, move_code(square_of("b7"), square_of("b8"), KIND_NORMAL)), 0);
  EXPECT_EQ(is_pseudo_legal(p, move_code(square_of("e5"), square_of("e6"), KIND_PROMOTE_QUEEN)), 0);
  EXPECT_EQ(is_pseudo_legal(p, move_code(square_of("e5"), square_of("e6"), KIND_DOUBLE_STEP)), 0);
  // Black's move on White's turn, a move onto an own piece, castling written with kind 0.
  EXPECT_EQ(is_pseudo_legal(p, move_code(square_of("g2"), square_of("g1"), KIND_PROMOTE_QUEEN)), 0);
  EXPECT_EQ(is_pseudo_legal(p, move_code(square_of("a1"), square_of("e1"), KIND_NORMAL)), 0);
  EXPECT_EQ(is_pseudo_legal(p, move_code(square_of("e1"), square_of("g1"), KIND_NORMAL)), 0);
  // Bits above the move never make a move.
  EXPECT_EQ(is_pseudo_legal(p, find_move(p, "a1a2") | 0x10000), 0);
}

// is_pseudo_legal says 1 exactly for the generated moves (en passant
// excepted), on random codes and on variants of the generated moves.
TEST(BoardMovegen, PseudoLegalityAgreesWithGeneration) {
  Random r(77);
  int accepted = 0;
  random_playouts(2, 120, 21, [&](const Position&, Move, const Position& c) {
    Move moves[MAX_MOVES];
    int n = generate_all(c, moves);
    std::set<Move> generated(moves, moves + n);
    ASSERT_EQ(generated.size(), static_cast<size_t>(n)) << "duplicate moves";
    std::vector<Move> probes;
    for (int i = 0; i < 200; ++i) probes.push_back(static_cast<Move>(r.next() & 0x7fff));
    for (int i = 0; i < n; ++i)
      for (int kind = 0; kind < 8; ++kind) probes.push_back((moves[i] & 0xfff) | static_cast<Move>(kind << 12));
    // Random moves of the side's own pieces.
    for (Bitboard b = c.pieces[side_to_move(c)][ALL_PIECES]; b;) {
      int from = pop_lowest_bit(&b);
      for (int i = 0; i < 4; ++i) probes.push_back(move_code(from, r.below(64), r.below(8)));
    }
    for (Move m : probes) {
      int expected = generated.count(m) && move_kind(m) != KIND_EN_PASSANT ? 1 : 0;
      ASSERT_EQ(is_pseudo_legal(c, m), expected) << m;
      accepted += expected;
    }
  });
  EXPECT_GT(accepted, 10000);
}
