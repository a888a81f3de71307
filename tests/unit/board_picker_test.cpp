#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "board/make_move.h"
#include "board/picker.h"
#include "board/see.h"
#include "board_test_support.h"

using namespace board_test;

namespace {

// The history the picker orders moves by in these tests.
struct TestHistory {
  int16_t butterfly[64 * 64];
  int16_t captures[PIECE_SQUARES][8];
  MoveOrdering ordering;
};
TestHistory test_history;

struct Drawn {
  Move move;
  PickerStage stage;
};

std::vector<Drawn> draw_all(const Position& p, PickerMode mode, Move hash = 0, Move k1 = 0, Move k2 = 0) {
  MoveList list;
  picker_init(p, &list, mode, hash, k1, k2, &test_history.ordering);
  std::vector<Drawn> out;
  for (Move m; (m = picker_next(&list));) {
    out.push_back({m, list.stage});
    if (out.size() > 2 * MAX_MOVES) break;  // a picker that never ends
  }
  return out;
}

std::vector<std::string> draw_texts(const Position& p, PickerMode mode, Move hash = 0, Move k1 = 0, Move k2 = 0) {
  std::vector<std::string> out;
  for (const Drawn& d : draw_all(p, mode, hash, k1, k2)) {
    char t[8];
    move_to_text(d.move, t);
    out.push_back(t);
  }
  return out;
}

bool is_legal(const Position& p, Move m) {
  Position c;
  make_move(p, &c, m);
  return !king_attacked(c, side_to_move(p));
}

bool is_under_promotion(Move m) { return move_kind(m) == KIND_PROMOTE_ROOK || move_kind(m) == KIND_PROMOTE_BISHOP; }

// Clears the history for the test.
struct HistoryScope {
  HistoryScope() {
    test_history = TestHistory{};
    test_history.ordering = {test_history.butterfly, {nullptr, nullptr}, test_history.captures, 0};
  }
};

// Moves to offer as hash move and killers: legal and illegal ones, a
// capture, an en-passant capture, under-promotions, nonsense codes.
std::vector<Move> offers(const Position& p, Random& r) {
  Move moves[MAX_MOVES];
  int n = generate_all(p, moves);
  std::vector<Move> out = {0, static_cast<Move>(r.next() & 0x7fff)};
  for (int i = 0; i < 4 && n; ++i) out.push_back(moves[r.below(n)]);
  for (int i = 0; i < n; ++i)
    if (move_kind(moves[i]) == KIND_EN_PASSANT || is_under_promotion(moves[i]) || !is_legal(p, moves[i])) {
      out.push_back(moves[i]);
      break;
    }
  return out;
}

}  // namespace

// Mode 0 yields every legal move except rook and bishop promotions exactly
// once, whatever hash move and killers it is given.
TEST(BoardPicker, AllMovesModeYieldsEveryLegalMoveOnce) {
  HistoryScope history;
  Random r(3);
  int positions = 0;
  random_playouts(2, 100, 31, [&](const Position&, Move, const Position& c) {
    if (c.in_check) return;
    ++positions;
    // Arbitrary history values change the order, never the set.
    for (auto& value : test_history.butterfly)
      value = static_cast<int16_t>(static_cast<int>(r.below(2 * HISTORY_LIMIT + 1)) - HISTORY_LIMIT);
    for (auto& row : test_history.captures)
      for (auto& value : row) value = static_cast<int16_t>(static_cast<int>(r.below(2 * HISTORY_LIMIT + 1)) - HISTORY_LIMIT);
    std::vector<Move> legal = legal_moves(c);
    std::vector<Move> offered = offers(c, r);
    for (int trial = 0; trial < 4; ++trial) {
      Move hash = offered[r.below(static_cast<int>(offered.size()))];
      Move k1 = offered[r.below(static_cast<int>(offered.size()))];
      Move k2 = offered[r.below(static_cast<int>(offered.size()))];
      test_history.ordering.counter = offered[r.below(static_cast<int>(offered.size()))];
      std::vector<Move> expected;
      for (Move m : legal)
        if (!is_under_promotion(m)) expected.push_back(m);
      // An under-promotion comes out only when it is offered.
      for (Move m : {hash, k1, k2, test_history.ordering.counter})
        if (m && is_under_promotion(m) && std::count(legal.begin(), legal.end(), m) &&
            !std::count(expected.begin(), expected.end(), m))
          expected.push_back(m);
      std::vector<Move> got;
      for (const Drawn& d : draw_all(c, PICKER_ALL, hash, k1, k2)) {
        ASSERT_TRUE(is_pseudo_legal(c, d.move) || move_kind(d.move) == KIND_EN_PASSANT) << d.move;
        if (is_legal(c, d.move)) got.push_back(d.move);
      }
      std::vector<Move> sorted_got = got;
      std::sort(sorted_got.begin(), sorted_got.end());
      ASSERT_TRUE(std::adjacent_find(sorted_got.begin(), sorted_got.end()) == sorted_got.end())
          << "a move came twice; hash " << hash << " killers " << k1 << " " << k2;
      std::sort(expected.begin(), expected.end());
      ASSERT_EQ(sorted_got, expected) << "hash " << hash << " killers " << k1 << " " << k2;
    }
  });
  EXPECT_GT(positions, 3000);
}

// Mode 4 in check yields every legal evasion once; the evasion stage offers
// queen and knight promotions only when they capture and queen promotions
// only when they block.
TEST(BoardPicker, EvasionModeYieldsEveryLegalEvasion) {
  HistoryScope history;
  Random r(4);
  int positions = 0;
  random_playouts(4, 150, 41, [&](const Position&, Move, const Position& c) {
    if (!c.in_check) return;
    ++positions;
    std::vector<Move> expected;
    for (Move m : legal_moves(c)) {
      bool capture = piece_type_on(c, 1 - side_to_move(c), move_to(m)) != 0;
      if (is_under_promotion(m) || (move_kind(m) == KIND_PROMOTE_KNIGHT && !capture)) continue;
      expected.push_back(m);
    }
    std::vector<Move> offered = offers(c, r);
    Move hash = offered[r.below(static_cast<int>(offered.size()))];
    if (is_under_promotion(hash)) hash = 0;
    if (move_kind(hash) == KIND_PROMOTE_KNIGHT && is_legal(c, hash)) hash = 0;
    std::vector<Move> got;
    for (const Drawn& d : draw_all(c, PICKER_EVASIONS, hash)) {
      ASSERT_TRUE(d.stage == STAGE_HASH_MOVE || d.stage == STAGE_EVASIONS || d.stage == STAGE_LOSING);
      if (is_legal(c, d.move)) got.push_back(d.move);
    }
    std::sort(got.begin(), got.end());
    ASSERT_TRUE(std::adjacent_find(got.begin(), got.end()) == got.end());
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(got, expected) << "hash " << hash;
  });
  EXPECT_GT(positions, 200);
}

// Mode 3 yields only captures and promotions (besides the hash move), mode 2
// adds quiet moves that give check, and neither keeps a losing capture.
TEST(BoardPicker, CaptureAndCheckModes) {
  HistoryScope history;
  int quiet_checks = 0;
  random_playouts(2, 120, 51, [&](const Position&, Move, const Position& c) {
    if (c.in_check) return;
    int them = 1 - side_to_move(c);
    for (const Drawn& d : draw_all(c, PICKER_CAPTURES)) {
      bool capture = piece_type_on(c, them, move_to(d.move)) || move_kind(d.move) == KIND_EN_PASSANT;
      ASSERT_TRUE(capture || is_promotion(d.move)) << d.move;
      ASSERT_EQ(d.stage, STAGE_CAPTURES);
      if (move_kind(d.move) <= KIND_DOUBLE_STEP) {
        ASSERT_GE(see_quick(c, d.move, 0), 0);
      }
    }
    for (const Drawn& d : draw_all(c, PICKER_CAPTURES_CHECKS)) {
      ASSERT_NE(d.stage, STAGE_LOSING);
      if (d.stage != STAGE_QUIET_CHECKS) continue;
      ++quiet_checks;
      ASSERT_EQ(piece_type_on(c, them, move_to(d.move)), 0);
      ASSERT_FALSE(is_promotion(d.move));
      Position child;
      make_move(c, &child, d.move);
      ASSERT_TRUE(king_attacked(child, them)) << d.move;
    }
  });
  EXPECT_GT(quiet_checks, 500);
}

TEST(BoardPicker, CaptureOrder) {
  HistoryScope history;
  // Queen promotions first, the capturing one ahead; then the most valuable
  // victim, and among equal victims the capture that fared best before
  // (here the king's capture on f2); a knight promotion ranks with its
  // victim, a plain one last.  The queen's capture on d5 loses the queen and
  // is dropped.
  Position p = setup("r2q3k/1Pn5/2r5/1N1pP3/8/8/5p2/3Q1K2 w - d6 0 1");
  test_history.captures[piece_square(WHITE, KING, square_of("f2"))][PAWN] = 800;
  EXPECT_EQ(draw_texts(p, PICKER_CAPTURES),
            (std::vector<std::string>{"b7a8q", "b7b8q", "b5c7", "f1f2", "e5d6", "b7a8n", "b7b8n"}));
  // In mode 0 it comes back after all quiet moves.
  EXPECT_EQ(draw_texts(p, PICKER_ALL).back(), "d1d5");
}

TEST(BoardPicker, StageOrderInAllMovesMode) {
  HistoryScope history;
  // Hash move first, captures, killers, quiet moves by history, then the
  // captures that lose material.
  Position p = setup("4k3/8/8/3p4/8/1r6/8/R3K3 w - - 0 1");
  Move hash = find_move(p, "a1a7");
  Move killer = find_move(p, "e1e2");
  test_history.butterfly[square_of("e1") * 64 + square_of("d2")] = 500;
  std::vector<std::string> got = draw_texts(p, PICKER_ALL, hash, killer, 0);
  ASSERT_GE(got.size(), 5u);
  EXPECT_EQ(got[0], "a1a7");
  EXPECT_EQ(got[1], "e1e2");
  EXPECT_EQ(got[2], "e1d2");  // the best history value
  EXPECT_EQ(std::count(got.begin(), got.end(), "a1a7"), 1);
  EXPECT_EQ(std::count(got.begin(), got.end(), "e1e2"), 1);
  // The countermove follows the killers; once quiet moves are skipped only
  // the losing captures are left.
  test_history.ordering.counter = find_move(p, "e1f1");
  got = draw_texts(p, PICKER_ALL, hash, killer, 0);
  EXPECT_EQ(got[1], "e1e2");
  EXPECT_EQ(got[2], "e1f1");
  MoveList list;
  picker_init(p, &list, PICKER_ALL, 0, killer, 0, &test_history.ordering);
  picker_skip_quiets(&list);
  for (Move m; (m = picker_next(&list));) EXPECT_TRUE(list.stage == STAGE_CAPTURES || list.stage == STAGE_LOSING) << m;
  test_history.ordering.counter = 0;
  // A capture that loses material (the pawn on a2 is defended): last in
  // mode 0, dropped in mode 3, last in mode 1.
  Position q = setup("4k3/8/8/8/8/1p6/p7/R3K3 w - - 0 1");
  EXPECT_EQ(draw_texts(q, PICKER_ALL).back(), "a1a2");
  EXPECT_TRUE(draw_texts(q, PICKER_CAPTURES).empty());
  EXPECT_EQ(draw_texts(q, PICKER_CAPTURES_CHECKS_LOSERS), (std::vector<std::string>{"a1a2"}));
  // A killer that captures here was handed out with the captures already.
  Position r = setup("4k3/8/8/8/8/1p6/8/R3K3 w - - 0 1");
  std::vector<std::string> all = draw_texts(r, PICKER_ALL, 0, find_move(r, "a1a3"), find_move(r, "a1a3"));
  EXPECT_EQ(std::count(all.begin(), all.end(), "a1a3"), 1);
}

TEST(BoardPicker, HashMoveHandling) {
  HistoryScope history;
  // Without captures mode 3 gives the playable hash move and then nothing.
  Position p = setup("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  EXPECT_EQ(draw_texts(p, PICKER_CAPTURES, find_move(p, "a1a5")), (std::vector<std::string>{"a1a5"}));
  // A hash move that is not playable here is skipped silently.
  EXPECT_TRUE(draw_texts(p, PICKER_CAPTURES, move_code(square_of("b1"), square_of("b5"), 0)).empty());
  // An en-passant hash move is refused in stage 1 and generated in stage 2.
  Position ep = setup("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
  Move ep_move = find_move(ep, "e5d6");
  std::vector<Drawn> drawn = draw_all(ep, PICKER_CAPTURES, ep_move);
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0].move, ep_move);
  EXPECT_EQ(drawn[0].stage, STAGE_CAPTURES);
}

TEST(BoardPicker, EvasionOrder) {
  HistoryScope history;
  // Promotion first (31000), then captures by value, en passant (30000),
  // then non-captures by halved history.
  Position p = setup("4k3/8/8/8/8/8/6p1/4K2r w - - 0 1");
  ASSERT_EQ(p.in_check, 1);
  test_history.butterfly[square_of("e1") * 64 + square_of("e2")] = 100;
  test_history.butterfly[square_of("e1") * 64 + square_of("d2")] = 300;
  // King moves only: by halved history, then the moves onto attacked
  // squares (d1, f1), deferred as losing, in generation order.
  EXPECT_EQ(draw_texts(p, PICKER_EVASIONS), (std::vector<std::string>{"e1d2", "e1e2", "e1f2", "e1d1", "e1f1"}));
  // A promotion that captures the checker first, then captures by value,
  // en passant with 30000, then quiet moves.
  Position q = setup("3r3k/4P3/8/8/1q6/8/8/3K4 w - - 0 1");
  ASSERT_EQ(q.in_check, 1);
  std::vector<std::string> got = draw_texts(q, PICKER_EVASIONS);
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got[0], "e7d8q");
  Position c = setup("8/8/8/2k5/3Pp3/8/8/4K3 b - d3 0 1");
  ASSERT_EQ(c.in_check, 1);
  got = draw_texts(c, PICKER_EVASIONS);
  // King moves first in generation, but the en-passant capture of the
  // checking pawn sorts ahead of every quiet move.
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got[0], "c5d4");
  EXPECT_EQ(got[1], "e4d3");
}

TEST(BoardPicker, QuietChecksKnightFirst) {
  HistoryScope history;
  // The knight checks (key 99) come before the rook check (key 0).
  Position p = setup("4k3/8/8/8/4N3/8/8/4K2R w - - 0 1");
  EXPECT_EQ(draw_texts(p, PICKER_CAPTURES_CHECKS), (std::vector<std::string>{"e4d6", "e4f6", "h1h8"}));
}

TEST(BoardPicker, ManyQueensFitTheLists) {
  HistoryScope history;
  Position q = setup("R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - - 0 1");
  std::vector<Move> legal = legal_moves(q);
  std::vector<Drawn> drawn = draw_all(q, PICKER_ALL);
  EXPECT_GT(drawn.size(), 200u);
  std::vector<Move> got;
  for (const Drawn& d : drawn)
    if (is_legal(q, d.move)) got.push_back(d.move);
  std::sort(got.begin(), got.end());
  std::sort(legal.begin(), legal.end());
  EXPECT_EQ(got, legal);
}
