#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "search/search_thread.h"
#include "search/tables.h"

namespace {

TEST(SearchTables, NullMoveCurveFollowsTanh) {
  for (int i = 0; i < NULL_CURVE_SIZE; ++i) {
    long double x = 2000.0L * std::tanh(static_cast<long double>(i) / 130.3L);
    EXPECT_EQ(null_move_curve[i], static_cast<int>(std::floor(x))) << i;
  }
  EXPECT_EQ(null_move_curve[0], 0);
  EXPECT_EQ(null_move_curve[1], 15);
  EXPECT_EQ(null_move_curve[10], 153);
  EXPECT_EQ(null_move_curve[50], 731);
  EXPECT_EQ(null_move_curve[100], 1290);
  EXPECT_EQ(null_move_curve[200], 1822);
  EXPECT_EQ(null_move_curve[300], 1960);
  EXPECT_EQ(null_move_curve[540], 1998);
  for (int i = 541; i < NULL_CURVE_SIZE; ++i) EXPECT_EQ(null_move_curve[i], 1999) << i;
}

TEST(SearchTables, ReductionSteps) {
  build_search_tables();
  const int scout_steps[][2] = {{1, 0},  {2, 0},  {3, 2},  {5, 2},  {6, 4},   {11, 4},
                                {12, 6}, {23, 6}, {24, 8}, {47, 8}, {48, 10}, {399, 10}};
  const int pv_steps[][2] = {{1, 0},  {4, 0},  {5, 2},  {9, 2},  {10, 3}, {19, 3},
                             {20, 4}, {39, 4}, {40, 5}, {79, 5}, {80, 6}, {399, 6}};
  for (int depth : {2, 8, 100, 209}) {
    for (auto& s : scout_steps) EXPECT_EQ(scout_reduction[depth][s[0]], s[1]) << depth << " " << s[0];
    for (auto& s : pv_steps) EXPECT_EQ(pv_reduction[depth][s[0]], s[1]) << depth << " " << s[0];
  }
}

TEST(SearchTables, FutilityMargins) {
  fill_futility_margins();
  EXPECT_EQ(futility_margin[0], 60);
  EXPECT_EQ(futility_margin[2], 68);
  EXPECT_EQ(futility_margin[11], 302);
  EXPECT_EQ(futility_margin[23], 1118);
}

TEST(SearchTables, FrontSpans) {
  build_search_tables();
  // White pawn on e5: d6-f6, d7-f7, d8-f8.
  EXPECT_EQ(front_span[0][36], 0x3838380000000000ULL);
  // Black pawn on a3: a2, b2, a1, b1.
  EXPECT_EQ(front_span[1][16], 0x0303ULL);
  EXPECT_EQ(front_span[0][63], 0u);
}

TEST(SearchTables, HistoryStaysInSixteenBits) {
  // Deep searches (more than 32 plies left) must not push a history value
  // outside the range the move picker sorts on.
  int32_t h = 0;
  for (int i = 0; i < 50; ++i) {
    history_reward(&h, 198);
    EXPECT_GE(h, 0);
    EXPECT_LE(h, 32640);
    history_penalty(&h, 150);
    EXPECT_GE(h, 0);
    EXPECT_LE(h, 32640);
  }
  h = 0;
  history_reward(&h, 16);
  EXPECT_EQ(h, (32640 * 16) >> 6);
  history_penalty(&h, 8);
  EXPECT_EQ(h, 8160 - ((8160 * 8) >> 6));
}

TEST(SearchTables, KillersAndHistoryClear) {
  auto t = std::make_unique<SearchThread>();
  t->killer1[5] = 123;
  t->killer2[5] = 456;
  t->history.cell[1][3][20] = 999;
  t->countermoves[9][100] = {2, 77};
  begin_thread_search(t.get(), false);
  EXPECT_EQ(t->killer1[5], 0u);
  EXPECT_EQ(t->killer2[5], 0u);
  EXPECT_EQ(t->history.cell[1][3][20], 999);
  begin_thread_search(t.get(), true);
  EXPECT_EQ(t->history.cell[1][3][20], 0);
  EXPECT_EQ(t->countermoves[9][100].move, 0);
}

}  // namespace
