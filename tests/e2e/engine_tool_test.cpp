// The developer tool's perft, divide and tune subcommands, as scripts use them.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/engine_process.h"

namespace {

const char* const KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -";

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

TEST(EngineTool, PerftPrintsTheTotalOnItsLastLine) {
  RunResult r =
      run_program(PELION_ENGINE_TOOL, {"perft", "4", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"}, 60);
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines = lines_of(r.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "197281");
  // A four-field FEN, and under-promotions counted.
  r = run_program(PELION_ENGINE_TOOL, {"perft", "3", "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - -"}, 60);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines_of(r.out).back(), "9483");
}

TEST(EngineTool, DivideListsEveryRootMove) {
  RunResult r = run_program(PELION_ENGINE_TOOL, {"divide", "2", KIWIPETE}, 60);
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines = lines_of(r.out);
  ASSERT_EQ(lines.size(), 49u);
  EXPECT_EQ(lines.back(), "2039");
  long sum = 0;
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    size_t colon = lines[i].find(": ");
    ASSERT_NE(colon, std::string::npos) << lines[i];
    EXPECT_GE(colon, 4u);
    sum += std::stol(lines[i].substr(colon + 2));
  }
  EXPECT_EQ(sum, 2039);
  EXPECT_NE(r.out.find("e1g1: "), std::string::npos);
}

TEST(EngineTool, Chess960PerftAndDivide) {
  // The standard start position under Chess960 rules; castling is written as
  // the king taking its rook.
  const char* fen = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
  RunResult r = run_program(PELION_ENGINE_TOOL, {"perft", "--chess960", "3", fen}, 60);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines_of(r.out).back(), "13744");
  r = run_program(PELION_ENGINE_TOOL, {"divide", "--chess960", "1", "1k6/8/8/8/8/8/8/RKR5 w CA - 0 1"}, 60);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines_of(r.out).back(), "23");
  EXPECT_NE(r.out.find("b1c1: 1"), std::string::npos) << r.out;
  r = run_program(PELION_ENGINE_TOOL, {"perft", "--chess960", "1", "4k3/8/8/8/8/8/8/R3K3 w H - 0 1"}, 30);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("a castling right without its rook"), std::string::npos) << r.err;
}

TEST(EngineTool, RefusesBadInput) {
  RunResult r = run_program(PELION_ENGINE_TOOL, {"perft", "3", "8/8/8/8/8/8/8/8 w - - 0 1"}, 30);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("needs exactly one king"), std::string::npos) << r.err;
  // The tool shares the engine's FEN parser: eight ranks of eight squares.
  r = run_program(PELION_ENGINE_TOOL, {"perft", "3", "8/8/8/8/8/8/8/4K2k/8/8/8 w - -"}, 30);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("more than eight ranks"), std::string::npos) << r.err;
  r = run_program(PELION_ENGINE_TOOL, {"perft", "x", KIWIPETE}, 30);
  EXPECT_EQ(r.status, 2);
  r = run_program(PELION_ENGINE_TOOL, {"perft", "3"}, 30);
  EXPECT_EQ(r.status, 2);
  r = run_program(PELION_ENGINE_TOOL, {"unknown"}, 30);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("engine-tool perft [--chess960] DEPTH FEN"), std::string::npos) << r.err;
}

TEST(EngineTool, TuneFitsTheTracedWeightsAndPrintsTheInitialiser) {
  // A few quiet positions with results, one unreadable line and one where
  // the side to move can win a queen (not quiet).
  const char* const quiet[] = {
      "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 1",
      "6k1/5p1p/6pP/8/2PP4/8/5PPP/6K1 b - - 0 1",
      "r3k2r/1pp2ppp/p1n5/4p3/1bB1P1n1/2N2N2/PP3PPP/R1BQK2R w KQkq - 0 1",
      "8/5pk1/6p1/3P4/2K5/6P1/8/8 w - - 0 1",
  };
  std::string path = testing::TempDir() + "tune-data.txt";
  FILE* f = std::fopen(path.c_str(), "w");
  ASSERT_NE(f, nullptr);
  for (int game = 0; game < 6; ++game)
    for (int i = 0; i < 4; ++i) std::fprintf(f, "%s | %s | %d | %d\n", quiet[i], game % 3 ? "1" : "0.5", 30 * i, i);
  std::fprintf(f, "not a position | 1 | 0 | 9\n");
  std::fprintf(f, "4k3/8/8/3q4/8/8/8/3RK3 w - - 0 1 | 1 | 0 | 10\n");
  std::fclose(f);

  RunResult r = run_program(PELION_ENGINE_TOOL, {"tune", path, "--iterations", "20", "--validation", "3"}, 120);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("skipped 1 unreadable, 1 not quiet"), std::string::npos) << r.out;
  // The linear model built from the trace gives back the evaluation's own
  // scores, up to the evaluation's rounding.
  size_t at = r.out.find("deviation from the evaluation ");
  ASSERT_NE(at, std::string::npos) << r.out;
  EXPECT_LT(std::stod(r.out.substr(at + 30)), 1.0) << r.out;
  for (const char* table : {".tuned =", ".pawn_square =", ".passed_base =", ".shield =", ".shielded_minor = {"})
    EXPECT_NE(r.out.find(table), std::string::npos) << table;
  std::remove(path.c_str());
}
