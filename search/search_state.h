// What the search is given and the flags it shares with the program that
// runs it.  A "go" hands the search its limits and its settings as records;
// the two flags that change while a search runs (a "stop", a "ponderhit")
// are atomic, because helper threads read them.  The rest is set before a
// search starts and only read while it runs.
#pragma once

#include <atomic>
#include <cstdint>

constexpr uint64_t NO_NODE_LIMIT = ~uint64_t{0};
constexpr double NO_TIME_LIMIT = 31622400.0;  // a year: no time limit
constexpr int NO_DEPTH_LIMIT = 99;            // plies: the deepest search there is

// The limits of one search, as "go" gives them.
constexpr int SEARCHMOVES_SIZE = 8192;
struct SearchLimits {
  double wtime, btime;  // seconds left on the clocks
  double winc, binc;    // increments, seconds
  int32_t movestogo;    // 0 = sudden death
  double movetime;      // seconds; 0 = none
  int32_t depth;        // plies; 0 = none
  int infinite;
  int32_t mate;                        // "go mate N": a mate in at most N moves ends the search; 0 = none
  int clock_given;                     // "wtime" or "btime" was given
  uint64_t nodes = NO_NODE_LIMIT;      // node budget, all threads together
  int ponder;                          // "go ponder": the search starts pondering
  char searchmoves[SEARCHMOVES_SIZE];  // each move followed by one blank; "" = every move
};

// The settings the search reads, handed over at every "go".
struct SearchSettings {
  int null_move;      // null-move pruning, with reverse futility and threat pruning
  int use_lmr;        // late-move reductions
  int multipv;        // lines searched and reported per iteration
  int deterministic;  // every search starts with empty tables
  int draw_score;     // centipawns for a draw, from the root side's point of view
  int limit_elo;      // rating the play is weakened to (search/strength.h); 0 = full strength
};
constexpr SearchSettings DEFAULT_SEARCH_SETTINGS = {
    .null_move = 1, .use_lmr = 1, .multipv = 1, .deterministic = 0, .draw_score = -5, .limit_elo = 0};

extern std::atomic<int> stop_requested;  // the running search must end
extern std::atomic<int> pondering;       // while set, running out of time does not stop the search
extern uint64_t node_limit;              // the running search's node budget (SearchLimits::nodes)
extern int test_mode;                    // self-test or test-data run: silent, deterministic, one thread
extern int max_goal_percent;             // hard time limit as a percentage of the goal
