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
  int stability;       // iterations the best move has stayed the same
  bool fixed;          // "go movetime": both limits at the goal
};

// Fixed parameters of the driver's time use.
constexpr int SOFT_TARGET_PERCENT = 75;

// The limits at the start of a search: the hard limit at max_goal_percent
// of the goal, the soft target at 75 % (both at the goal with a fixed move
// time).
void time_control_start(TimeControl* tc, double now, double goal, bool fixed_move_time, int max_goal_percent);

// After each completed line of an iteration (from the fifth on) the soft
// target becomes the goal scaled by three factors: the stability of the
// best move (0.75 after ten unchanged iterations, 1.25 just after a
// change), the fall of the score since the last iteration (a falling score
// asks for up to half as much again, a rising one gives back a little),
// and the share of the nodes the best move needed (a best move that took
// almost all of the effort has no rival; one that took half of it has).
// best_nodes and spent are the root's node accounts; score_drop is the
// last iteration's score less this one's.  Never beyond the hard limit.
void time_control_after_line(TimeControl* tc, int depth, uint64_t best_nodes, uint64_t spent, bool best_move_changed,
                             int score_drop);

// Whether the next iteration can finish before the hard limit, taking it to
// last twice as long as the one just completed; an iteration the hard limit
// would cut short is not started.  A fixed move time always goes on.
bool time_control_next_fits(const TimeControl* tc, double now, double last_iteration);
