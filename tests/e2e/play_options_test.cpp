// The options and commands for players, analysts and scripts: limited
// strength, win/draw/loss in the info lines, and "d", "eval" and
// "go perft", which must wait while a search runs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/engine_process.h"
#include "tests/support/engine_session.h"

namespace {

const char* const KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

class PlayOptions : public EngineSession {
 protected:
  void SetUp() override { start(); }
};

// "go perft N" lines: "move: count" for each root move, the total last.
void expect_divide(const std::vector<std::string>& lines, size_t moves, long total) {
  ASSERT_EQ(lines.size(), moves + 1);
  long sum = 0;
  for (size_t i = 0; i < moves; ++i) {
    size_t colon = lines[i].find(": ");
    ASSERT_NE(colon, std::string::npos) << lines[i];
    sum += std::stol(lines[i].substr(colon + 2));
  }
  EXPECT_EQ(sum, total);
  EXPECT_EQ(lines.back(), std::to_string(total));
}

}  // namespace

TEST_F(PlayOptions, ShowWdlAddsChancesToEveryScoredLine) {
  engine_send(&e, "position startpos moves e2e4");
  engine_send(&e, "go depth 6");
  for (const std::string& l : until("bestmove")) EXPECT_EQ(l.find(" wdl "), std::string::npos) << l;

  engine_send(&e, "setoption name UCI_ShowWDL value true");
  engine_send(&e, "setoption name MultiPV value 2");
  // A queen up: the side to move should be winning nearly always.
  engine_send(&e, "position fen 4k3/8/8/8/8/8/3QPPP1/4K3 w - - 0 1");
  engine_send(&e, "go depth 6");
  int scored = 0;
  for (const std::string& l : until("bestmove")) {
    if (l.find(" score ") == std::string::npos) continue;
    ++scored;
    std::istringstream words(l.substr(l.find(" wdl ") + 5));
    int w = -1, d = -1, loss = -1;
    words >> w >> d >> loss;
    ASSERT_TRUE(w >= 0 && d >= 0 && loss >= 0) << l;
    EXPECT_EQ(w + d + loss, 1000) << l;
    EXPECT_GT(w, 900) << l;
    // The score itself stays as it was, right after "score".
    EXPECT_FALSE(word_after(l, "cp").empty() && word_after(l, "mate").empty()) << l;
  }
  EXPECT_GT(scored, 6);
}

TEST_F(PlayOptions, LimitedStrengthKeepsItsBudgetUnderAnyClock) {
  engine_send(&e, "setoption name UCI_LimitStrength value true");
  engine_send(&e, "setoption name UCI_Elo value 1350");
  engine_send(&e, "position startpos moves e2e4 e7e5");
  // A long clock: the rating's node budget, not the clock, ends the search.
  const double begin = monotonic_seconds();
  engine_send(&e, "go wtime 3600000 btime 3600000");
  std::vector<std::string> lines = until("bestmove", 20);
  EXPECT_LT(monotonic_seconds() - begin, 5.0);
  const std::string nodes = word_after(lines[lines.size() - 2], "nodes");
  ASSERT_FALSE(nodes.empty()) << lines[lines.size() - 2];
  EXPECT_LT(std::atol(nodes.c_str()), 200000);
  EXPECT_EQ(best_move_of(lines.back()).size(), 4u) << lines.back();

  // Off again: the same clock gives a far longer search.
  engine_send(&e, "setoption name UCI_LimitStrength value false");
  engine_send(&e, "go wtime 3600000 btime 3600000 nodes 400000");
  lines = until("bestmove", 60);
  EXPECT_GE(std::atol(word_after(lines[lines.size() - 2], "nodes").c_str()), 400000);
}

TEST_F(PlayOptions, DisplayShowsBoardFenKeyAndCheckers) {
  // Castling rights partly lost, Black in check.
  engine_send(&e, "position startpos moves e2e4 g8f6 e4e5 d7d5 e1e2 a7a6 e2e1 h8g8 f1b5");
  engine_send(&e, "d");
  std::vector<std::string> lines = until("Checkers:");
  int rank_rows = 0;
  for (const std::string& l : lines)
    if (l.size() > 3 && l[1] >= '1' && l[1] <= '8' && l[3] == '|') ++rank_rows;
  EXPECT_EQ(rank_rows, 8);
  std::string board;
  for (const std::string& l : lines) board += l + "\n";
  EXPECT_NE(board.find(" 8 | r  n  b  q  k  b  r  . |"), std::string::npos) << board;
  EXPECT_NE(board.find("Fen: rnbqkbr1/1pp1pppp/p4n2/1B1pP3/8/8/PPPP1PPP/RNBQK1NR b q - 3 5"), std::string::npos)
      << board;
  EXPECT_EQ(lines.back(), "Checkers: b5");
  EXPECT_NE(board.find("Key: "), std::string::npos);

  // The en-passant square is written when a capture there is possible, and
  // the FEN read back gives the same position (the same key).
  engine_send(&e, "position startpos moves e2e4 a7a6 e4e5 d7d5");
  engine_send(&e, "d");
  lines = until("Checkers:");
  std::string fen, key;
  for (const std::string& l : lines) {
    if (starts_with(l, "Fen: ")) fen = l.substr(5);
    if (starts_with(l, "Key: ")) key = l.substr(5);
  }
  EXPECT_EQ(fen, "rnbqkbnr/1pp1pppp/p7/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 3");
  engine_send(&e, "position fen " + fen);
  engine_send(&e, "d");
  lines = until("Checkers:");
  EXPECT_EQ(lines[lines.size() - 2], "Key: " + key);
  EXPECT_EQ(lines.back(), "Checkers:");
}

TEST_F(PlayOptions, EvalEndsWithTheDeveloperToolsTotal) {
  const char* const fens[] = {KIWIPETE, "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 b - - 0 1",
                              "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"};
  for (const char* fen : fens) {
    RunResult tool = run_program(PELION_ENGINE_TOOL, {"eval", fen}, 60);
    ASSERT_EQ(tool.status, 0) << tool.err;
    std::string expected = tool.out.substr(0, tool.out.size() - 1);
    expected = expected.substr(expected.rfind('\n') + 1);
    engine_send(&e, std::string("position fen ") + fen);
    engine_send(&e, "eval");
    std::vector<std::string> lines = until("Total evaluation:");
    EXPECT_EQ(word_after(lines.back(), "evaluation:"), expected) << fen;
  }
  // The rows of a full evaluation cover the term groups.
  engine_send(&e, std::string("position fen ") + KIWIPETE);
  engine_send(&e, "eval");
  std::string text;
  for (const std::string& l : until("Total evaluation:")) text += l + "\n";
  for (const char* row : {"material", "piece-square", "pawn structure", "passed pawns", "king attack", "threats"})
    EXPECT_NE(text.find(std::string("\n") + row + " "), std::string::npos) << row;
}

TEST_F(PlayOptions, GoPerftCountsWithoutSearching) {
  engine_send(&e, std::string("position fen ") + KIWIPETE);
  engine_send(&e, "go perft 3");
  std::vector<std::string> lines;
  ASSERT_TRUE(engine_read_until(&e, "97862", &lines, 60));
  expect_divide(lines, 48, 97862);
  // Promotions to every piece, and a position reached by moves.
  engine_send(&e, "position fen n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1");
  engine_send(&e, "go perft 2");
  lines.clear();
  ASSERT_TRUE(engine_read_until(&e, "496", &lines, 60));
  expect_divide(lines, 24, 496);
  engine_send(&e, "isready");
  EXPECT_EQ(until("readyok").size(), 1u);  // no bestmove: nothing was searched
}

TEST_F(PlayOptions, InspectionCommandsWaitForTheSearch) {
  engine_send(&e, "position startpos");
  engine_send(&e, "go infinite");
  engine_send(&e, "d");
  engine_send(&e, "eval");
  engine_send(&e, "go perft 1");
  usleep(300000);
  engine_send(&e, "stop");
  // Nothing of theirs comes before the search's answer; then all three.
  std::vector<std::string> lines = until("bestmove", 10);
  for (const std::string& l : lines) {
    EXPECT_FALSE(starts_with(l, "Fen:")) << l;
    EXPECT_FALSE(starts_with(l, "Total evaluation:")) << l;
  }
  lines = until("Checkers:");
  lines = until("Total evaluation:");
  std::vector<std::string> perft;
  ASSERT_TRUE(engine_read_until(&e, "20", &perft, 20));
  expect_divide(perft, 20, 20);
}

TEST_F(PlayOptions, LongPerftListensLikeASearch) {
  // A count of hours answers "isready", ends on "stop" (or the "go" after
  // it would wait for hours) and on "quit".
  engine_send(&e, "position startpos");
  engine_send(&e, "go perft 12");
  engine_send(&e, "isready");
  until("readyok", 5);
  engine_send(&e, "stop");
  engine_send(&e, "go depth 1");
  until("bestmove", 10);
  engine_send(&e, "go perft 12");
  engine_send(&e, "quit");
  EXPECT_EQ(engine_wait(&e, 5), 0);
}
