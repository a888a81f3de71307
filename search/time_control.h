// Time control: the clock arithmetic that turns the limits of "go" into a
// goal for the search, and the soft and hard limits the driver derives from
// that goal while it deepens.
#pragma once

#include <cstdint>

#include "search/search_state.h"

// How the limits of a "go" were turned into a plan, in the order the
// limits are looked at: the first that applies decides.
enum TimeRule {
  TIME_RULE_DEPTH = 1,       // "depth N": no time limit
  TIME_RULE_INFINITE,        // "infinite": no limit until "stop"
  TIME_RULE_MOVETIME,        // "movetime": the goal is the given time
  TIME_RULE_NODES,           // "nodes": the budget alone ends the search
  TIME_RULE_SUDDEN_DEATH,    // a clock without "movestogo"
  TIME_RULE_MOVES_TO_GO,     // a clock shared among the moves to the control
  TIME_RULE_MATE,            // "mate N" alone: until the mate is found
};

// The hard limit in percent of the goal, unless the clock sets another.
constexpr int DEFAULT_MAX_GOAL_PERCENT = 500;

// What "go" hands to the search, and how it was decided.
struct SearchPlan {
  TimeRule rule;
  double goal;           // seconds
  int max_depth;         // plies; NO_DEPTH_LIMIT = none
  int max_goal_percent;  // the hard limit in percent of the goal
  bool fixed;            // "movetime": both limits at the goal
  double clock;          // the side to move's remaining time (the clock rules)
  double moves_goal;     // TIME_RULE_MOVES_TO_GO: the time per move before the overhead
};

// Fixed constants of the time allocation.
constexpr double SUDDEN_DEATH_DIVISOR = 50.0;
constexpr double SUDDEN_DEATH_DIVISOR_WITH_INCREMENT = 30.0;
constexpr int MOVES_TO_GO_RESERVE = 2;
constexpr double MOVES_TO_GO_PERCENT = 110.0;

// The plan of a search to a depth without a clock (the self-test, the
// bench, the data generator with a depth).
constexpr SearchPlan depth_plan(int depth) {
  return {TIME_RULE_DEPTH, NO_TIME_LIMIT, depth, DEFAULT_MAX_GOAL_PERCENT, false, 0, 0};
}

// Chooses the search and allocates time for the side to move.  The plan
// depends on this "go" alone, never on the move before it.
SearchPlan plan_search(const SearchLimits& limits, int side, double overhead_seconds);

// The running search's clock, in wall-clock seconds.
struct TimeControl {
  double start;        // when the search started
  double goal;         // the time the search was given
  double hard_limit;   // the search is stopped here (unless pondering)
  double soft_target;  // no new iteration starts after this
  double node_share;   // running estimate of the best move's share of the nodes
  bool fixed;          // "go movetime": both limits at the goal
};

// Fixed parameters of the driver's time use.
constexpr int SOFT_TARGET_PERCENT = 75;
constexpr int BEST_MOVE_CHANGE_PERCENT = 120;

// The limits at the start of a search: the hard limit at max_goal_percent
// of the goal, the soft target at 75 % (both at the goal with a fixed move
// time).
void time_control_start(TimeControl* tc, double now, double goal, bool fixed_move_time, int max_goal_percent);

// After each completed line of an iteration: the soft target moves with the
// share of the nodes the best move needed (a best move that takes most of
// the effort is stable), and out to 120 % of the goal when the best move
// changed.  best_nodes and spent are the root's node accounts.
void time_control_after_line(TimeControl* tc, int depth, uint64_t best_nodes, uint64_t spent, bool best_move_changed);

// After each completed iteration, before the driver decides whether to
// start another: a score that fell since the iteration before stretches the
// soft target, by up to half at a drop of 60 centipawns or more.  The line
// may be going wrong, and the next iteration is the one that can find out.
void time_control_after_iteration(TimeControl* tc, int depth, int score, int previous_score);
