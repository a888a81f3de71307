#include <gtest/gtest.h>

#include <string>

#include "board/perft.h"
#include "board_test_support.h"

using namespace board_test;

namespace {

// The normal run counts every depth whose count stays below this; the
// "Deep" suite counts them all.
constexpr uint64_t NORMAL_RUN_LIMIT = 1500000;

// Counts every depth of the data whose count is at most the limit; returns
// how many counts were checked.
int check_counts(bool chess960, uint64_t limit) {
  std::vector<PerftCase> cases = read_perft_cases(chess960);
  EXPECT_GE(cases.size(), chess960 ? 16u : 40u);
  int checked = 0;
  for (const PerftCase& c : cases) {
    Position p = setup(c.fen.c_str(), chess960);
    for (const auto& [depth, count] : c.counts) {
      if (count > limit) continue;
      EXPECT_EQ(count_paths(p, depth), count) << c.fen << " depth " << depth;
      ++checked;
    }
  }
  return checked;
}

}  // namespace

TEST(BoardPerft, StartPosition) {
  Position p = setup(START_FEN);
  EXPECT_EQ(count_paths(p, 0), 1u);
  EXPECT_EQ(count_paths(p, 1), 20u);
  EXPECT_EQ(count_paths(p, 2), 400u);
  EXPECT_EQ(count_paths(p, 3), 8902u);
}

TEST(BoardPerft, CountersAndProgressDots) {
  Position kiwipete = setup("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -");
  testing::internal::CaptureStdout();
  EXPECT_EQ(count_paths_top(kiwipete, 2, false), 2039u);
  std::string dots = testing::internal::GetCapturedStdout();
  EXPECT_EQ(dots, std::string(48, '.'));  // one per legal root move
  EXPECT_EQ(paths_moves_made, 48u + 2039u);
  EXPECT_EQ(paths_castles, 91u);  // castling moves at the last ply
  testing::internal::CaptureStdout();
  EXPECT_EQ(count_paths_top(kiwipete, 1, true), 48u);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(paths_castles, 2u);
}

TEST(BoardPerft, UnderPromotionsCount) {
  // The picker offers only queen and knight promotions; the count has all four.
  Position p = setup("4k3/1P6/8/8/8/8/8/K7 w - - 0 1");
  EXPECT_EQ(count_paths(p, 1), 4u + 3u);  // b8 = Q, N, R, B and three king moves
  // Promotions on both sides, with and without capture.
  Position both = setup("n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1");
  EXPECT_EQ(count_paths(both, 1), 24u);
  EXPECT_EQ(count_paths(both, 2), 496u);
}

TEST(BoardPerft, DataCountsAtModestDepths) {
  EXPECT_GT(check_counts(false, NORMAL_RUN_LIMIT), 150);
  EXPECT_GT(check_counts(true, NORMAL_RUN_LIMIT), 60);
}

TEST(DeepBoardPerft, DataCountsAtFullDepth) {
  check_counts(false, ~uint64_t{0});
  check_counts(true, ~uint64_t{0});
}
