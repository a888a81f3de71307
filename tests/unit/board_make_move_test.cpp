#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "board/attacks.h"
#include "board/keys.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board_test_support.h"
#include "core/log.h"

using namespace board_test;

namespace {

Position after(const Position& p, const char* text, Position* child) {
  Move m = find_move(p, text);
  EXPECT_NE(m, 0u) << text;
  make_move(p, child, m);
  return *child;
}

void expect_scratch_fields(const Position& p) {
  EXPECT_EQ(p.key, compute_key(p));
  EXPECT_EQ(p.pawn_key, compute_pawn_key(p));
  EXPECT_EQ(p.material_key, compute_material_key(p));
  EXPECT_EQ(p.psq, scratch_psq(p));
  EXPECT_EQ(p.phase, scratch_phase(p));
}

}  // namespace

TEST(BoardMakeMove, DoubleStepWithoutNeighbourLeavesNoEnPassant) {
  Position start = setup(START_FEN), child;
  after(start, "e2e4", &child);
  EXPECT_EQ(child.ep_board, 0u);
  EXPECT_EQ(child.key, compute_key(child));
  EXPECT_EQ(child.fifty, 0);
  EXPECT_EQ(child.moved_type, PAWN);
  EXPECT_EQ(child.previous, &start);
  EXPECT_EQ(child.eval_cache, EVAL_NOT_COMPUTED);
  // With a Black pawn beside the target the square is kept, with its key.
  Position p = setup("4k3/8/8/8/3p4/8/4P3/4K3 w - - 0 1"), c;
  after(p, "e2e4", &c);
  EXPECT_EQ(c.ep_board, square_bit(square_of("e3")));
  EXPECT_EQ(c.key, compute_key(c));
  EXPECT_NE(c.key ^ zobrist[1][0][square_of("e3")], compute_key(c));
}

TEST(BoardMakeMove, NullMoveClearsEnPassant) {
  Position p = setup("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1"), c;
  ASSERT_EQ(p.ep_board, square_bit(square_of("d6")));
  p.in_check = 0;
  p.fifty = 7;
  make_move(p, &c, 0);
  EXPECT_EQ(c.ep_board, 0u);
  EXPECT_EQ(c.key, compute_key(c));
  EXPECT_EQ(c.ply, 1);
  EXPECT_EQ(c.fifty, 8);
  EXPECT_EQ(c.moved_type, 0);
  EXPECT_EQ(c.last_move, 0u);
}

TEST(BoardMakeMove, CastlingMovesTheRook) {
  ArbitraryPsqTable table(11);
  Position p = setup("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"), c;
  p.psq = scratch_psq(p);
  p.phase = static_cast<int16_t>(scratch_phase(p));
  p.fifty = 12;
  after(p, "e1g1", &c);
  EXPECT_EQ(c.pieces[WHITE][ROOK], square_bit(square_of("a1")) | square_bit(square_of("f1")));
  EXPECT_EQ(c.pieces[WHITE][KING], square_bit(square_of("g1")));
  for (const char* s : {"e1", "f1", "g1", "h1"}) EXPECT_TRUE(c.castle_lost & square_bit(square_of(s))) << s;
  EXPECT_FALSE(c.castle_lost & square_bit(square_of("a1")));
  EXPECT_EQ(c.fifty, 0);
  EXPECT_EQ(c.moved_type, KING);
  expect_scratch_fields(c);
  Position black = c, d;
  after(black, "e8c8", &d);
  EXPECT_EQ(d.pieces[BLACK][ROOK], square_bit(square_of("d8")) | square_bit(square_of("h8")));
  expect_scratch_fields(d);
}

TEST(BoardMakeMove, Chess960CastlingSwapsKingAndRook) {
  ArbitraryPsqTable table(13);
  // King f1 and rook g1: the king lands where the rook stood and the rook
  // where the king stood.
  Position p = setup("r3k2r/8/8/8/8/8/8/R4KR1 w GAha - 0 1", true), c;
  p.psq = scratch_psq(p);
  p.phase = static_cast<int16_t>(scratch_phase(p));
  after(p, "f1g1", &c);
  EXPECT_EQ(c.pieces[WHITE][KING], square_bit(square_of("g1")));
  EXPECT_EQ(c.pieces[WHITE][ROOK], square_bit(square_of("a1")) | square_bit(square_of("f1")));
  EXPECT_EQ(c.pieces[WHITE][ALL_PIECES], c.pieces[WHITE][ROOK] | c.pieces[WHITE][KING]);
  EXPECT_NE(c.castle_lost & CASTLE_WHITE_SHORT, 0u);
  EXPECT_NE(c.castle_lost & CASTLE_WHITE_LONG, 0u);
  EXPECT_EQ(c.castle_lost & (CASTLE_BLACK_SHORT | CASTLE_BLACK_LONG), 0u);
  EXPECT_EQ(c.moved_type, KING);
  EXPECT_EQ(c.fifty, 0);
  expect_scratch_fields(c);
  // Black castles long, e8 to c8 and a8 to d8; a rook move that follows
  // ends only the right of that rook.
  Position d, e;
  after(c, "e8a8", &d);
  EXPECT_EQ(d.pieces[BLACK][KING], square_bit(square_of("c8")));
  EXPECT_EQ(d.pieces[BLACK][ROOK], square_bit(square_of("d8")) | square_bit(square_of("h8")));
  expect_scratch_fields(d);
  Position q = setup("r3k2r/8/8/8/8/8/8/R4KR1 b GAha - 0 1", true);
  after(q, "h8h7", &e);
  EXPECT_NE(e.castle_lost & CASTLE_BLACK_SHORT, 0u);
  EXPECT_EQ(e.castle_lost & CASTLE_BLACK_LONG, 0u);
  EXPECT_EQ(e.key, compute_key(e));
}

TEST(BoardMakeMove, PromotionWithCapture) {
  ArbitraryPsqTable table(12);
  Position p = setup("r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1"), c;
  p.psq = scratch_psq(p);
  p.phase = static_cast<int16_t>(scratch_phase(p));
  after(p, "b7a8q", &c);
  EXPECT_EQ(c.pieces[WHITE][PAWN], 0u);
  EXPECT_EQ(c.pieces[WHITE][QUEEN], square_bit(square_of("a8")));
  EXPECT_EQ(c.pieces[BLACK][ROOK], 0u);
  EXPECT_EQ(c.captured_type, ROOK);
  EXPECT_EQ(c.moved_type, PAWN);
  EXPECT_EQ(c.phase, 22);
  expect_scratch_fields(c);
  // Every promotion piece.
  for (const char* text : {"b7b8q", "b7b8n", "b7b8r", "b7b8b", "b7a8n", "b7a8r", "b7a8b"}) {
    Position d;
    after(p, text, &d);
    expect_scratch_fields(d);
    EXPECT_EQ(popcount(d.pieces[WHITE][ALL_PIECES]), 2) << text;
  }
}

TEST(BoardMakeMove, EnPassantCapture) {
  ArbitraryPsqTable table(13);
  Position p = setup("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1"), c;
  p.psq = scratch_psq(p);
  p.fifty = 9;
  after(p, "e5d6", &c);
  EXPECT_EQ(move_kind(c.last_move), KIND_EN_PASSANT);
  EXPECT_EQ(c.pieces[BLACK][PAWN], 0u);
  EXPECT_EQ(c.captured_type, 0);
  EXPECT_EQ(c.fifty, 0);
  expect_scratch_fields(c);
}

TEST(BoardMakeMove, FiftyMoveCounter) {
  Position p = setup("4k3/8/8/8/8/8/4P3/R3K1N1 w - - 0 1"), c;
  p.fifty = 20;
  after(p, "g1f3", &c);
  EXPECT_EQ(c.fifty, 21);
  after(p, "a1a8", &c);
  EXPECT_EQ(c.fifty, 21);
  after(p, "e2e3", &c);
  EXPECT_EQ(c.fifty, 0);
}

TEST(BoardMakeMove, MissingPieceIsLoggedAndLeavesASoundPosition) {
  std::FILE* saved = log_file;
  log_file = std::tmpfile();
  ASSERT_NE(log_file, nullptr);
  Position p = setup(START_FEN), c;
  make_move(p, &c, move_code(square_of("e4"), square_of("e5"), KIND_NORMAL));
  std::rewind(log_file);
  char buffer[4096] = {};
  size_t n = std::fread(buffer, 1, sizeof buffer - 1, log_file);
  std::fclose(log_file);
  log_file = saved;
  std::string text(buffer, n);
  EXPECT_NE(text.find("\n ILLEGAL MOVE IN SEARCH\n  move in question: e4e5"), std::string::npos) << text;
  EXPECT_NE(text.find("CTM = 0"), std::string::npos) << text;
  // The board is unchanged and every key still matches it.
  for (int colour = 0; colour < 2; ++colour)
    for (int t = 0; t <= KING; ++t) EXPECT_EQ(c.pieces[colour][t], p.pieces[colour][t]);
  EXPECT_EQ(c.ply, 1);
  EXPECT_EQ(c.key, compute_key(c));
}

TEST(BoardMakeMove, CheckTestsAgree) {
  Position p = setup("4k3/8/8/8/8/8/3n4/4K3 w - - 0 1");
  EXPECT_EQ(king_attacked(p, WHITE), 0);
  Position q = setup("4k3/8/8/8/8/5n2/8/4K3 w - - 0 1");
  EXPECT_EQ(q.in_check, 1);
  EXPECT_EQ(king_attacked(q, WHITE), 1);
  EXPECT_EQ(in_check(q, WHITE), 1);
  EXPECT_TRUE(attack_map(q, BLACK) & square_bit(square_of("e1")));
  EXPECT_EQ(attack_map(setup(START_FEN), WHITE), 0x0000000000ffff7eULL);
}

TEST(BoardMakeMove, GivesCheckLimits) {
  // A promotion is judged as a pawn move: the new queen's check is not seen.
  Position p = setup("2k5/4P3/8/8/8/8/8/4K3 w - - 0 1");
  EXPECT_EQ(gives_check(p, find_move(p, "e7e8q")), 0);
  // Castling is judged by the king alone: the rook's check is not seen.
  Position c = setup("5k2/8/8/8/8/8/8/4K2R w K - 0 1");
  EXPECT_EQ(gives_check(c, find_move(c, "e1g1")), 0);
  // Direct and discovered checks.
  Position d = setup("4k3/8/8/8/8/8/4N3/4R1K1 w - - 0 1");
  EXPECT_EQ(gives_check(d, find_move(d, "e2c3")), 1);
  EXPECT_EQ(gives_check(d, find_move(d, "e2d4")), 1);
  EXPECT_EQ(gives_check(d, find_move(d, "e1f1")), 0);
  Position n = setup("4k3/8/8/8/8/8/8/4K1N1 w - - 0 1");
  EXPECT_EQ(gives_check(n, find_move(n, "g1f3")), 0);
  EXPECT_EQ(gives_check(n, find_move(n, "g1e2")), 0);
  Position n2 = setup("8/8/4k3/8/8/8/8/4K1N1 w - - 0 1");
  EXPECT_EQ(gives_check(n2, find_move(n2, "g1f3")), 0);
  Position n3 = setup("8/8/8/4k3/8/8/8/4K1N1 w - - 0 1");
  EXPECT_EQ(gives_check(n3, find_move(n3, "g1f3")), 1);
}

// Along random playouts every incremental field equals its from-scratch
// value, and the counters and flags follow their rules.
TEST(BoardMakeMove, RandomPlayoutsKeepEveryField) {
  ArbitraryPsqTable table(2024);
  int moves = 0, nulls = 0, castles = 0, castles960 = 0, en_passants = 0, promotions = 0, ep_squares = 0;
  random_playouts(6, 160, 99, [&](const Position& parent, Move m, const Position& c) {
    ++moves;
    int us = side_to_move(parent), them = 1 - us;
    ASSERT_EQ(c.key, compute_key(c));
    ASSERT_EQ(c.pawn_key, compute_pawn_key(c));
    ASSERT_EQ(c.material_key, compute_material_key(c));
    ASSERT_EQ(c.psq, scratch_psq(c));
    ASSERT_EQ(c.phase, scratch_phase(c));
    ASSERT_EQ(c.ply, parent.ply + 1);
    ASSERT_EQ(c.previous, &parent);
    ASSERT_EQ(c.last_move, m);
    ASSERT_EQ(c.eval_cache, EVAL_NOT_COMPUTED);
    for (int colour = 0; colour < 2; ++colour) {
      Bitboard all = 0;
      for (int t = PAWN; t <= KING; ++t) {
        ASSERT_EQ(all & c.pieces[colour][t], 0u);
        all |= c.pieces[colour][t];
      }
      ASSERT_EQ(all, c.pieces[colour][ALL_PIECES]);
      ASSERT_EQ(popcount(c.pieces[colour][KING]), 1);
    }
    ASSERT_EQ(c.pieces[WHITE][ALL_PIECES] & c.pieces[BLACK][ALL_PIECES], 0u);
    // Castling-lost squares are only ever added.
    ASSERT_EQ(c.castle_lost & parent.castle_lost, parent.castle_lost);
    // Every right that is left has its king and rook on their start squares,
    // on the right sides of each other.  In Chess960 only the six squares
    // that stand for the rights change.
    ASSERT_EQ(c.chess960, parent.chess960);
    for (int right = 0; right < 4; ++right) {
      if (c.castle_lost & CASTLE_RIGHTS[right]) continue;
      int colour = right / 2, rook = c.castle_rook[right], king = king_square(c, colour);
      ASSERT_TRUE(c.pieces[colour][ROOK] & square_bit(rook)) << right;
      ASSERT_EQ(rank_of(king), colour == WHITE ? 0 : 7);
      ASSERT_EQ(rook > king, right % 2 == 0);
      if (!c.chess960) {
        ASSERT_EQ(king, colour == WHITE ? 4 : 60);
      }
    }
    if (c.chess960) {
      ASSERT_EQ((c.castle_lost ^ parent.castle_lost) & ~CASTLE_SQUARES, 0u);
    }
    // The check tests agree with each other.
    ASSERT_EQ(in_check(c, side_to_move(c)), king_attacked(c, side_to_move(c)));
    ASSERT_EQ(in_check(c, us), king_attacked(c, us));
    if (m == 0) {
      ++nulls;
      ASSERT_EQ(c.moved_type, 0);
      ASSERT_EQ(c.captured_type, 0);
      ASSERT_EQ(c.ep_board, 0u);
      ASSERT_EQ(c.fifty, parent.fifty + 1);
      return;
    }
    int from = move_from(m), to = move_to(m), kind = move_kind(m);
    if (!c.chess960) {
      ASSERT_TRUE(c.castle_lost & square_bit(from) && c.castle_lost & square_bit(to));
    }
    int moved = piece_type_on(parent, us, from);
    int victim = piece_type_on(parent, them, to);
    ASSERT_EQ(c.moved_type, moved);
    ASSERT_EQ(c.captured_type, kind == KIND_EN_PASSANT ? 0 : victim);
    bool resets = victim || moved == PAWN || kind == KIND_CASTLING;
    ASSERT_EQ(c.fifty, resets ? 0 : parent.fifty + 1);
    // An en-passant square only right after a double step beside an enemy pawn.
    if (kind == KIND_DOUBLE_STEP) {
      Bitboard beside = ((square_bit(to) << 1) & NOT_FILE_A) | ((square_bit(to) >> 1) & NOT_FILE_H);
      ASSERT_EQ(c.ep_board, (c.pieces[them][PAWN] & beside) ? square_bit((from + to) / 2) : 0u);
      ep_squares += c.ep_board != 0;
    } else {
      ASSERT_EQ(c.ep_board, 0u);
    }
    castles += kind == KIND_CASTLING;
    castles960 += kind == KIND_CASTLING && c.chess960;
    en_passants += kind == KIND_EN_PASSANT;
    promotions += kind >= KIND_PROMOTE_QUEEN;
  });
  // The playouts really went through every kind of move.
  EXPECT_GT(moves, 30000);
  EXPECT_GT(nulls, 2000);
  EXPECT_GT(castles, 40);
  EXPECT_GT(castles960, 20);
  EXPECT_GT(en_passants, 10);
  EXPECT_GT(promotions, 150);
  EXPECT_GT(ep_squares, 40);
}

// gives_check agrees with making the move and testing, except where its
// stated limits apply (promotions, castling, en passant), and there it
// never claims a check that is not there.
TEST(BoardMakeMove, GivesCheckAgreesWithMakingTheMove) {
  int checks = 0;
  random_playouts(2, 120, 5, [&](const Position& parent, Move, const Position&) {
    Move moves[MAX_MOVES];
    int n = generate_all(parent, moves);
    for (int i = 0; i < n; ++i) {
      Position c;
      make_move(parent, &c, moves[i]);
      int real = king_attacked(c, side_to_move(c));
      int claimed = gives_check(parent, moves[i]);
      checks += real;
      // Chess960 castling is judged exactly, rook included.
      if (move_kind(moves[i]) <= KIND_DOUBLE_STEP || (parent.chess960 && move_kind(moves[i]) == KIND_CASTLING)) {
        ASSERT_EQ(claimed, real) << parent.key << " " << moves[i];
      } else if (claimed) {
        ASSERT_EQ(real, 1);
      }
    }
  });
  EXPECT_GT(checks, 1000);
}
