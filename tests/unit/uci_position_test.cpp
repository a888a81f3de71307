// "position": the game record, its links, and move lists that go wrong.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "board/fen.h"
#include "board/position.h"
#include "uci/interpreter.h"

namespace {

void execute(const std::string& line) {
  static char text[1 << 16];
  std::strncpy(text, line.c_str(), sizeof text - 1);
  text[sizeof text - 1] = '\0';
  uci_execute(text);
}

uint64_t key_of_fen(const char* fen) {
  Position p;
  position_from_fen(&p, fen);
  return p.key;
}

}  // namespace

TEST(PositionCommand, StartposWithMoves) {
  execute("position startpos moves e2e4 e7e5");
  EXPECT_EQ(game_ply, 2);
  EXPECT_EQ(game_record[2].key, key_of_fen("rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2"));
  // Each entry links to its predecessor, which the repetition test walks.
  EXPECT_EQ(game_record[2].previous, &game_record[1]);
  EXPECT_EQ(game_record[1].previous, &game_record[0]);
  EXPECT_EQ(game_record[0].previous, nullptr);
  execute("position startpos");
  EXPECT_EQ(game_ply, 0);
  EXPECT_EQ(game_record[0].key, key_of_fen(START_FEN));
}

TEST(PositionCommand, FenWithMovesAndCounters) {
  execute("position fen 8/8/8/8/8/8/8/K6k w - - moves a1a2");
  EXPECT_EQ(game_ply, 1);
  EXPECT_EQ(game_record[1].key, key_of_fen("8/8/8/8/8/8/K7/7k b - -"));
  execute("position fen 8/8/8/8/8/8/8/K6k w - - 12 40 moves a1b1 h1g1");
  EXPECT_EQ(game_ply, 2);
  EXPECT_EQ(game_record[2].key, key_of_fen("8/8/8/8/8/8/8/1K4k1 w - -"));
  // Moves are matched without regard to case.
  execute("position startpos moves E2E4");
  EXPECT_EQ(game_ply, 1);
}

TEST(PositionCommand, ShortFenReadsOnlyTheWordsThatAreThere) {
  execute("position fen 8/8/8/8/8/8/8/K6k w");
  EXPECT_EQ(game_ply, 0);
  EXPECT_EQ(game_record[0].key, key_of_fen("8/8/8/8/8/8/8/K6k w - -"));
  // "moves" right after a short FEN is still found.
  execute("position fen 8/8/8/8/8/8/8/K6k w moves a1b2");
  EXPECT_EQ(game_ply, 1);
}

TEST(PositionCommand, BadMoveStopsTheListOnTheLastGoodPosition) {
  execute("position startpos moves e2e4 zzzz e7e5");
  EXPECT_EQ(game_ply, 1);
  execute("position startpos moves e2e4 e7e8");  // not a move of the position
  EXPECT_EQ(game_ply, 1);
  // A pseudo-legal move that leaves the mover's king attacked is refused.
  execute("position fen 4k3/8/8/8/8/8/4r3/4K3 w - - moves e1e2 e1f1");
  EXPECT_EQ(game_ply, 1);
  execute("position fen 4k3/4r3/8/8/8/8/4B3/4K3 w - - moves e2d3");
  EXPECT_EQ(game_ply, 0);  // the bishop is pinned
}

TEST(PositionCommand, OverlongLineIsCutSafely) {
  // A line longer than a queue slot is cut there: the moves that fit are
  // played, the cut-off word is refused, nothing is read beyond.
  std::string line = "position startpos moves";
  const char* shuffle[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
  for (int i = 0; i < 2100; ++i) line += std::string(" ") + shuffle[i % 4];
  execute(line);
  EXPECT_EQ(game_ply, (8191 - 23) / 5);
  EXPECT_LT(game_ply, GAME_RECORD_SIZE);
}
