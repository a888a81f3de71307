// "go": reading the limits and allocating time.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/words.h"
#include "search/search_state.h"
#include "search/time_control.h"
#include "uci/interpreter.h"

namespace {

// Parses a "go" line the way the interpreter does.
SearchLimits go(const std::string& line, char* searchmoves = nullptr, size_t size = 0) {
  static char text[8192];
  std::strncpy(text, line.c_str(), sizeof text - 1);
  char* words[4096];
  int count = split_words(text, words, 4096);
  SearchLimits limits;
  parse_go(words, count, &limits, searchmoves, size);
  return limits;
}

constexpr double OVERHEAD = 0.020;

}  // namespace

TEST(TimeAllocation, SuddenDeathWithoutIncrement) {
  SearchLimits l = go("go wtime 60000 btime 60000");
  SearchPlan plan = plan_search(l, 0, OVERHEAD);
  EXPECT_EQ(plan.rule, TIME_RULE_SUDDEN_DEATH);
  EXPECT_NEAR(plan.goal, 1.18, 1e-9);  // base 1.2 s beats t / 5.5
  EXPECT_EQ(plan.max_goal_percent, 500);
  // The hard limit of a move never depends on the move before it: after a
  // move with movestogo (whose percentage differs) the default holds again.
  ASSERT_NE(plan_search(go("go wtime 10000 btime 10000 movestogo 1"), 0, OVERHEAD).max_goal_percent, 500);
  EXPECT_EQ(plan_search(l, 0, OVERHEAD).max_goal_percent, 500);
  EXPECT_EQ(plan.max_depth, 99);
}

TEST(TimeAllocation, SuddenDeathWithIncrement) {
  SearchLimits l = go("go wtime 60000 btime 60000 winc 1000 binc 1000");
  SearchPlan plan = plan_search(l, 0, OVERHEAD);
  EXPECT_EQ(plan.rule, TIME_RULE_SUDDEN_DEATH);
  EXPECT_NEAR(plan.goal, 59.0 / 30 + 0.95 - 0.02, 1e-9);  // 2.897 s
  EXPECT_EQ(plan.max_goal_percent, 500);
  // Little time left against a large increment: f = t / i + 2.
  SearchLimits short_clock = go("go wtime 2000 btime 2000 winc 1000 binc 1000");
  SearchPlan p2 = plan_search(short_clock, 1, OVERHEAD);
  EXPECT_EQ(p2.max_goal_percent, 400);
  EXPECT_NEAR(p2.goal, 2.0 / (1.1 * 4.0) - 0.02, 1e-9);
}

TEST(TimeAllocation, MovesToGo) {
  SearchLimits l = go("go wtime 60000 btime 30000 movestogo 20");
  SearchPlan plan = plan_search(l, 0, OVERHEAD);
  EXPECT_EQ(plan.rule, TIME_RULE_MOVES_TO_GO);
  EXPECT_NEAR(plan.moves_goal, 3.0, 1e-9);
  EXPECT_NEAR(plan.goal, 2.98, 1e-9);
  EXPECT_EQ(plan.max_goal_percent, 550);
  // Black to move reads Black's clock.
  EXPECT_NEAR(plan_search(l, 1, OVERHEAD).moves_goal, 1.5, 1e-9);
}

TEST(TimeAllocation, LastMoveBeforeTheControl) {
  SearchLimits l = go("go wtime 10000 btime 10000 movestogo 1");
  SearchPlan plan = plan_search(l, 0, OVERHEAD);
  EXPECT_NEAR(plan.moves_goal, 3.6666666, 1e-6);
  EXPECT_EQ(plan.max_goal_percent, 270);
  EXPECT_NEAR(plan.goal, 3.6466666, 1e-6);
}

TEST(TimeAllocation, FixedLimitsChooseTheirRule) {
  SearchPlan depth = plan_search(go("go depth 5"), 0, OVERHEAD);
  EXPECT_EQ(depth.rule, TIME_RULE_DEPTH);
  EXPECT_EQ(depth.max_depth, 5);
  EXPECT_DOUBLE_EQ(depth.goal, 31622400.0);
  SearchPlan both = plan_search(go("go depth 5 infinite"), 0, OVERHEAD);
  EXPECT_EQ(both.max_depth, 99);  // infinite wins over the depth number
  EXPECT_EQ(plan_search(go("go infinite"), 0, OVERHEAD).rule, TIME_RULE_INFINITE);
  SearchPlan movetime = plan_search(go("go movetime 1500 wtime 10"), 0, OVERHEAD);
  EXPECT_EQ(movetime.rule, TIME_RULE_MOVETIME);
  EXPECT_DOUBLE_EQ(movetime.goal, 1.5);
  SearchLimits nodes = go("go nodes 5000");
  EXPECT_EQ(nodes.nodes, 5000u);
  EXPECT_EQ(plan_search(nodes, 0, OVERHEAD).rule, TIME_RULE_NODES);
}

TEST(TimeAllocation, BareGoAndUnknownWordsSearchTheMinimum) {
  SearchPlan bare = plan_search(go("go"), 0, OVERHEAD);
  EXPECT_EQ(bare.rule, TIME_RULE_SUDDEN_DEATH);
  EXPECT_DOUBLE_EQ(bare.goal, 0.002);
  SearchPlan unknown = plan_search(go("go checkmate 3"), 0, OVERHEAD);
  EXPECT_EQ(unknown.rule, TIME_RULE_SUDDEN_DEATH);
  EXPECT_DOUBLE_EQ(unknown.goal, 0.002);
}

TEST(TimeAllocation, GoMateAloneHasNoTimeLimitButKeepsAClock) {
  SearchPlan mate = plan_search(go("go mate 3"), 0, OVERHEAD);
  EXPECT_EQ(mate.rule, TIME_RULE_MATE);
  EXPECT_DOUBLE_EQ(mate.goal, 31622400.0);
  EXPECT_EQ(mate.max_depth, 99);
  // With the clock given, the clock decides the time as for any move.
  EXPECT_EQ(plan_search(go("go mate 3 wtime 60000 btime 60000"), 0, OVERHEAD).rule, TIME_RULE_SUDDEN_DEATH);
  // Nonsense counts: none, or the longest mate a search can see.
  EXPECT_EQ(go("go mate -4").mate, 0);
  EXPECT_EQ(go("go mate 99999999999999999999").mate, MAX_MATE_MOVES);
}

TEST(GoParsing, NegativeClockReadsAsZero) {
  // Some GUIs send a negative time once a flag has fallen; it must not turn
  // into an almost endless clock.
  SearchLimits l = go("go wtime -100 btime 5000");
  EXPECT_EQ(l.wtime, 0.0);
  EXPECT_EQ(l.btime, 5.0);
  SearchPlan plan = plan_search(l, 0, OVERHEAD);
  EXPECT_DOUBLE_EQ(plan.goal, 0.002);
  EXPECT_EQ(go("go nodes -5").nodes, 0u);
}

TEST(GoParsing, KeywordWithoutValueReadsNothing) {
  SearchLimits l = go("go wtime");
  EXPECT_EQ(l.wtime, 0.0);
  l = go("go btime 3000 depth");
  EXPECT_EQ(l.btime, 3.0);
  EXPECT_EQ(l.depth, 0);
  l = go("go nodes");
  EXPECT_EQ(l.nodes, NO_NODE_LIMIT);
}

TEST(GoParsing, SearchmovesEndAtTheNextKeyword) {
  char moves[SEARCHMOVES_TEXT_SIZE];
  SearchLimits l = go("go searchmoves e2e4 d2d4 wtime 1000", moves, sizeof moves);
  EXPECT_STREQ(moves, "e2e4 d2d4 ");
  EXPECT_EQ(l.wtime, 1.0);
  l = go("go infinite searchmoves g1f3", moves, sizeof moves);
  EXPECT_STREQ(moves, "g1f3 ");
  EXPECT_EQ(l.infinite, 1);
  l = go("go wtime 1000 e2e4", moves, sizeof moves);  // outside a list a stray word is skipped
  EXPECT_STREQ(moves, "");
}

TEST(GoParsing, PonderFlagAndOverflow) {
  EXPECT_EQ(go("go ponder wtime 60000 btime 60000").ponder, 1);
  EXPECT_EQ(go("go wtime 60000 btime 60000").ponder, 0);
  EXPECT_EQ(go("go nodes 99999999999999999999999").nodes, NO_NODE_LIMIT);  // an overflowing budget means none
}
