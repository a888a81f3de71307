#include "search/time_control.h"

#include "search/search_state.h"

SearchPlan plan_search(const SearchLimits& limits, int side, double overhead) {
  SearchPlan plan{};
  plan.max_depth = NO_DEPTH_LIMIT;
  plan.goal = NO_TIME_LIMIT;
  plan.max_goal_percent = DEFAULT_MAX_GOAL_PERCENT;
  plan.fixed = limits.movetime != 0;
  if (limits.depth > 0) {
    plan.rule = TIME_RULE_DEPTH;
    plan.max_depth = limits.infinite ? NO_DEPTH_LIMIT : limits.depth;
    return plan;
  }
  if (limits.infinite) {
    plan.rule = TIME_RULE_INFINITE;
    return plan;
  }
  if (limits.movetime != 0) {
    plan.rule = TIME_RULE_MOVETIME;
    plan.goal = limits.movetime;
    return plan;
  }
  if (limits.nodes != NO_NODE_LIMIT) {
    plan.rule = TIME_RULE_NODES;
    return plan;
  }
  if (limits.mate > 0 && !limits.clock_given) {
    // "go mate N" alone: no time limit; the search ends when it finds the
    // mate (or on "stop").
    plan.rule = TIME_RULE_MATE;
    return plan;
  }
  double t = side == 0 ? limits.wtime : limits.btime;
  double inc = side == 0 ? limits.winc : limits.binc;
  plan.clock = t;
  if (limits.movestogo == 0 && limits.depth == 0) {
    plan.rule = TIME_RULE_SUDDEN_DEATH;
    double f, base;
    if (inc <= 0.00001) {
      base = (t - inc) / SUDDEN_DEATH_DIVISOR + 0.95 * inc;
      f = 5.0;
    } else {
      f = t / inc + 2.0;
      if (f > 5.0) f = 5.0;
      base = (t - inc) / SUDDEN_DEATH_DIVISOR_WITH_INCREMENT + 0.95 * inc;
      plan.max_goal_percent = static_cast<int>(100.0 * f);
    }
    double goal = t / (1.1 * f);
    if (base < goal) goal = base;
    goal -= overhead;
    plan.goal = goal > 0.002 ? goal : 0.002;
    return plan;
  }
  plan.rule = TIME_RULE_MOVES_TO_GO;
  int m = limits.movestogo;
  double g = t / (m + static_cast<double>(MOVES_TO_GO_RESERVE)) * (MOVES_TO_GO_PERCENT / 100.0);
  double limit = m == 1 ? 0.9 * t : (5 * g < 0.5 * t ? 5 * g : 0.5 * t);
  plan.moves_goal = g;
  // A clock of 0 (or "movestogo" 0 reaching here through a negative depth)
  // can make the ratio undefined: then keep the percentage.
  double percent = limit / g * 1.10 * 100;
  if (g > 0 && percent >= 0 && percent < 2e9) plan.max_goal_percent = static_cast<int>(percent);
  double goal = g - overhead;
  plan.goal = goal > 0.005 ? goal : 0.005;
  return plan;
}

void time_control_start(TimeControl* tc, double now, double goal, bool fixed_move_time, int max_goal_percent) {
  tc->start = now;
  tc->goal = goal;
  tc->fixed = fixed_move_time;
  if (fixed_move_time) {
    tc->hard_limit = tc->soft_target = now + goal;
  } else {
    tc->hard_limit = now + goal * max_goal_percent / 100.0;
    tc->soft_target = now + goal * SOFT_TARGET_PERCENT / 100.0;
  }
  tc->node_share = 0.5;
}

void time_control_after_line(TimeControl* tc, int depth, uint64_t best_nodes, uint64_t spent, bool best_move_changed) {
  tc->node_share = 0.75 * tc->node_share + 0.25 * static_cast<double>(best_nodes) / static_cast<double>(spent);
  if (tc->fixed || depth <= 4) return;
  if (best_move_changed) {
    tc->node_share *= 0.9;
    tc->soft_target = tc->start + BEST_MOVE_CHANGE_PERCENT / 100.0 * tc->goal;
  } else {
    double t = (120 - 100 * tc->node_share) * 2.5;
    tc->soft_target = tc->start + (t > 90 ? 0.90 : t / 100) * tc->goal;
  }
}

void time_control_after_iteration(TimeControl* tc, int depth, int score, int previous_score) {
  if (tc->fixed || depth <= 5) return;
  int drop = previous_score - score;
  if (drop <= 0) return;
  if (drop > 60) drop = 60;
  tc->soft_target = tc->start + (tc->soft_target - tc->start) * (1.0 + drop / 120.0);
}
