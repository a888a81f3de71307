// Time control: the clock arithmetic that turns the limits of "go" into a
// goal for the search, and the soft and hard limits the driver derives from
// that goal while it deepens.
#pragma once

#include <cstdint>

#include "search/search_state.h"

// What "go" hands to the search, and how it was decided.
struct SearchPlan {
  int rule;              // 1 depth, 2 infinite, 3 movetime, 4 nodes, 5 sudden death, 6 moves to go, 7 mate
  double goal;           // seconds
  int max_depth;         // plies; NO_DEPTH_LIMIT = none
  int max_goal_percent;  // the hard limit in percent of the goal
  double clock;          // the side to move's remaining time (rules 5 and 6)
  double moves_goal;     // rule 6: the time per move before the overhead
};

// Fixed constants of the time allocation.
constexpr double SUDDEN_DEATH_DIVISOR = 50.0;
constexpr double SUDDEN_DEATH_DIVISOR_WITH_INCREMENT = 30.0;
constexpr int MOVES_TO_GO_RESERVE = 2;
constexpr double MOVES_TO_GO_PERCENT = 110.0;

// Chooses the search and allocates time for the side to move.
SearchPlan plan_search(const SearchLimits& limits, int side, double overhead_seconds, int max_goal_percent_now);

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
