#include <gtest/gtest.h>

#include <memory>

#include "search/search_thread.h"
#include "search/tables.h"

namespace {

TEST(SearchTables, ReductionsGrowWithDepthAndMoveNumber) {
  build_search_tables();
  // Nothing is reduced at the first move or at depth 0; no reduction shrinks
  // when the depth or the move number grows, and none is absurd.
  for (int d = 0; d < REDUCTION_DEPTHS; ++d)
    for (int m = 0; m < REDUCTION_MOVES; ++m) {
      if (d == 0 || m == 0) {
        EXPECT_EQ(late_move_reduction[d][m], 0);
      }
      if (d > 1) {
        EXPECT_GE(late_move_reduction[d][m], late_move_reduction[d - 1][m]);
      }
      if (m > 1) {
        EXPECT_GE(late_move_reduction[d][m], late_move_reduction[d][m - 1]);
      }
      EXPECT_LE(late_move_reduction[d][m], 2 * 9);
    }
  EXPECT_EQ(reduction_of(1000, 1000), late_move_reduction[63][63]);
}

TEST(SearchTables, FrontSpans) {
  build_search_tables();
  // White pawn on e5: d6-f6, d7-f7, d8-f8.
  EXPECT_EQ(front_span[0][36], 0x3838380000000000ULL);
  // Black pawn on a3: a2, b2, a1, b1.
  EXPECT_EQ(front_span[1][16], 0x0303ULL);
  EXPECT_EQ(front_span[0][63], 0u);
}

TEST(SearchTables, HistoryStaysWithinItsLimit) {
  // However long a run of rewards or penalties, of whatever depth, a value
  // never leaves -HISTORY_LIMIT..HISTORY_LIMIT, so that the sum of three
  // tables, halved, still fits the picker's 16-bit keys.
  uint32_t seed = 12345;
  for (int run = 0; run < 200; ++run) {
    int16_t h = 0;
    for (int i = 0; i < 500; ++i) {
      seed = seed * 1664525u + 1013904223u;
      int depth = static_cast<int>(seed >> 24) % 200;
      int bonus = history_bonus(depth);
      ASSERT_GT(bonus, 0);
      ASSERT_LE(bonus, HISTORY_LIMIT);
      history_update(&h, (seed >> 8) % (run % 7 + 2) ? bonus : -bonus);
      ASSERT_LE(h, HISTORY_LIMIT);
      ASSERT_GE(h, -HISTORY_LIMIT);
    }
  }
  int16_t h = HISTORY_LIMIT;
  history_update(&h, history_bonus(198));
  EXPECT_EQ(h, HISTORY_LIMIT);
  EXPECT_LE(3 * HISTORY_LIMIT / 2, 32767);
}

TEST(SearchTables, KillersAndHistoryClear) {
  auto t = std::make_unique<SearchThread>();
  t->killer1[5] = 123;
  t->killer2[5] = 456;
  t->history.butterfly[1][300] = 999;
  t->history.continuation[700][10] = -55;
  t->history.captures[40][3] = 12;
  t->history.counter[100] = 77;
  begin_thread_search(t.get(), false);
  EXPECT_EQ(t->killer1[5], 0u);
  EXPECT_EQ(t->killer2[5], 0u);
  EXPECT_EQ(t->history.butterfly[1][300], 999);
  begin_thread_search(t.get(), true);
  EXPECT_EQ(t->history.butterfly[1][300], 0);
  EXPECT_EQ(t->history.continuation[700][10], 0);
  EXPECT_EQ(t->history.captures[40][3], 0);
  EXPECT_EQ(t->history.counter[100], 0u);
}

}  // namespace
