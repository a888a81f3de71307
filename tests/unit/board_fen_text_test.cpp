#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "board/dump.h"
#include "board/fen.h"
#include "board/make_move.h"
#include "board_test_support.h"
#include "core/log.h"

using board_test::find_move;
using board_test::setup;
using board_test::square_of;

namespace {

std::string text_of(Move m) {
  char t[8];
  move_to_text(m, t);
  return t;
}

// Runs f with a temporary log file and returns what it wrote.
template <typename F>
std::string logged(F f) {
  std::FILE* saved = log_file;
  log_file = std::tmpfile();
  f();
  std::string text;
  std::rewind(log_file);
  for (int c; (c = std::fgetc(log_file)) != EOF;) text += static_cast<char>(c);
  std::fclose(log_file);
  log_file = saved;
  return text;
}

}  // namespace

TEST(FenMoveText, MoveToText) {
  EXPECT_EQ(text_of(move_code(square_of("e2"), square_of("e4"), KIND_DOUBLE_STEP)), "e2e4");
  EXPECT_EQ(text_of(move_code(square_of("e7"), square_of("e8"), KIND_PROMOTE_QUEEN)), "e7e8q");
  EXPECT_EQ(text_of(move_code(square_of("e7"), square_of("d8"), KIND_PROMOTE_KNIGHT)), "e7d8n");
  EXPECT_EQ(text_of(move_code(square_of("a2"), square_of("a1"), KIND_PROMOTE_ROOK)), "a2a1r");
  EXPECT_EQ(text_of(move_code(square_of("h2"), square_of("h1"), KIND_PROMOTE_BISHOP)), "h2h1b");
  EXPECT_EQ(text_of(move_code(square_of("e1"), square_of("g1"), KIND_CASTLING)), "e1g1");
  EXPECT_EQ(text_of(move_code(square_of("d5"), square_of("e6"), KIND_EN_PASSANT)), "d5e6");
  EXPECT_EQ(text_of(0), "null");
}

TEST(FenMoveText, ApplyMoveText) {
  Position start = setup(START_FEN), next;
  ASSERT_TRUE(apply_move_text(start, &next, "E2E4"));
  EXPECT_EQ(next.last_move, move_code(square_of("e2"), square_of("e4"), KIND_DOUBLE_STEP));
  EXPECT_EQ(next.previous, &start);
  EXPECT_EQ(next.ply, 1);
  Position p = setup("k7/4P3/8/8/8/8/8/4K2R w K - 0 1"), q;
  // Without its letter a promotion names no move.
  EXPECT_FALSE(apply_move_text(p, &q, "e7e8"));
  ASSERT_TRUE(apply_move_text(p, &q, "e7e8Q"));
  EXPECT_EQ(q.pieces[WHITE][QUEEN], square_bit(square_of("e8")));
  ASSERT_TRUE(apply_move_text(p, &q, "e7e8n"));
  EXPECT_EQ(q.pieces[WHITE][KNIGHT], square_bit(square_of("e8")));
  // Castling is the king's move; the rook's square names nothing.
  EXPECT_FALSE(apply_move_text(p, &q, "e1h1"));
  ASSERT_TRUE(apply_move_text(p, &q, "e1g1"));
  EXPECT_EQ(q.pieces[WHITE][ROOK], square_bit(square_of("f1")));
  // Words that are longer, shorter or empty name nothing.
  EXPECT_FALSE(apply_move_text(start, &next, "e2e4x"));
  EXPECT_FALSE(apply_move_text(start, &next, "e2e"));
  EXPECT_FALSE(apply_move_text(start, &next, ""));
  EXPECT_FALSE(apply_move_text(start, &next, "null"));
}

TEST(FenMoveText, ApplyMoveTextSetsCheckAndRefusesIllegalMoves) {
  Position p = setup("4k3/8/8/8/8/8/8/R3K3 w - - 0 1"), q;
  ASSERT_TRUE(apply_move_text(p, &q, "a1a8"));
  EXPECT_EQ(q.in_check, 1);
  // A pinned rook may not leave the line of the pin.
  Position pinned = setup("4r1k1/8/8/8/8/8/4R3/4K3 w - - 0 1");
  EXPECT_FALSE(apply_move_text(pinned, &q, "e2d2"));
  EXPECT_TRUE(apply_move_text(pinned, &q, "e2e5"));
  Position king = setup("4k3/8/8/8/8/8/5r2/4K3 w - - 0 1");
  EXPECT_FALSE(apply_move_text(king, &q, "e1e2"));
  EXPECT_TRUE(apply_move_text(king, &q, "e1f2"));
  EXPECT_EQ(q.captured_type, ROOK);
}

TEST(FenMoveText, GameOfMoves) {
  // A short game through castling, en passant and a promotion; each entry
  // links to the one before, as the game record needs.
  const char* moves[] = {"e2e4", "g8f6", "e4e5",  "d7d5", "e5d6", "e7e6",
                         "d6c7", "f8e7", "c7b8q", "e8g8", "g1f3", "a8b8"};
  std::vector<Position> record(13);
  record[0] = setup(START_FEN);
  for (int i = 0; i < 12; ++i) {
    ASSERT_TRUE(apply_move_text(record[i], &record[i + 1], moves[i])) << moves[i];
    EXPECT_EQ(record[i + 1].previous, &record[i]);
    EXPECT_EQ(record[i + 1].key, compute_key(record[i + 1]));
  }
  EXPECT_EQ(move_kind(record[5].last_move), KIND_EN_PASSANT);
  EXPECT_EQ(move_kind(record[10].last_move), KIND_CASTLING);
  EXPECT_EQ(record[12].captured_type, QUEEN);
  EXPECT_EQ(record[12].ply, 12);
}

TEST(FenMoveText, PvToText) {
  Position start = setup(START_FEN);
  Move line[80] = {};
  line[0] = find_move(start, "e2e4");
  line[1] = find_move(start, "g1f3");  // any moves will do: only the text matters
  char text[PV_TEXT_SIZE];
  pv_to_text(line, text);
  EXPECT_STREQ(text, "e2e4 g1f3 ");
  Move empty[1] = {0};
  pv_to_text(empty, text);
  EXPECT_STREQ(text, "");
  // At most 64 moves are written.
  for (int i = 0; i < 70; ++i) line[i] = move_code(square_of("a7"), square_of("a8"), KIND_PROMOTE_KNIGHT);
  line[70] = 0;
  pv_to_text(line, text);
  EXPECT_EQ(std::string(text).size(), 64u * 6u);
}

TEST(FenLogDump, StartPosition) {
  Position start = setup(START_FEN);
  std::string text = logged([&] { log_position(start); });
  EXPECT_EQ(text,
            "\n-----[ CTM = 0   INCHECK = 0   last: N/A null   rights: KQkq]-----"
            "\n r n b q k b n r\n p p p p p p p p\n - - - - - - - -\n - - - - - - - -"
            "\n - - - - - - - -\n - - - - - - - -\n P P P P P P P P\n R N B Q K B N R\n\n");
}

TEST(FenLogDump, CountersMovesAndRights) {
  Position p = setup("4k3/8/8/8/8/8/8/4K3 b - - 0 1"), q;
  std::string text = logged([&] { log_position(p); });
  EXPECT_NE(text.find("CTM = 1   INCHECK = 0   last: N/A null   rights: -]"), std::string::npos) << text;
  ASSERT_TRUE(apply_move_text(p, &q, "e8d7"));
  text = logged([&] { log_position(q); });
  EXPECT_NE(text.find("CTM = 2   INCHECK = 0   last: null e8d7   rights: -]"), std::string::npos) << text;
  // Without a log file nothing happens.
  std::FILE* saved = log_file;
  log_file = nullptr;
  log_position(q);
  log_file = saved;
}
