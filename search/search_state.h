// What a search is given, and the state it shares with whoever runs it.  A
// "go" hands the search its limits and settings as records; the flags that
// change while a search runs (a "stop", a "ponderhit", a node budget that
// runs out) live in one control record that the caller owns and the
// search's threads reach through their job, so that several independent
// searches (the data generator's games) can run in one process at once.
#pragma once

#include <atomic>
#include <cstdint>

#include "board/movegen.h"
#include "board/types.h"

constexpr uint64_t NO_NODE_LIMIT = ~uint64_t{0};
constexpr double NO_TIME_LIMIT = 31622400.0;  // a year: no time limit
constexpr int NO_DEPTH_LIMIT = 99;            // plies: the deepest search there is

// The limits of one search, as "go" gives them.
struct SearchLimits {
  double wtime, btime;  // seconds left on the clocks
  double winc, binc;    // increments, seconds
  int32_t movestogo;    // 0 = sudden death
  double movetime;      // seconds; 0 = none
  int32_t depth;        // plies; 0 = none
  int infinite;
  int32_t mate;                    // "go mate N": a mate in at most N moves ends the search; 0 = none
  int clock_given;                 // "wtime" or "btime" was given
  uint64_t nodes = NO_NODE_LIMIT;       // node budget, all threads together
  uint64_t soft_nodes = NO_NODE_LIMIT;  // no iteration starts once the nodes reach this
  int ponder;                      // "go ponder": the search starts pondering
};

// The root moves a search may play ("go searchmoves"): none listed means
// every legal move.  A list that names no legal move also means every legal
// move, rather than an answer with no move at all.
struct RootMoveSet {
  Move moves[MAX_MOVES];
  int count;
};
inline bool root_move_listed(const RootMoveSet& set, Move m) {
  for (int i = 0; i < set.count; ++i)
    if (set.moves[i] == m) return true;
  return false;
}

// The settings the search reads, handed over at every "go".
struct SearchSettings {
  int null_move;      // null-move pruning, with reverse futility and threat pruning
  int use_lmr;        // late-move reductions
  int multipv;        // lines searched and reported per iteration
  int deterministic;  // every search starts with empty tables
  int draw_score;     // centipawns for a draw, from the root side's point of view
  int limit_elo;      // rating the play is weakened to (search/strength.h); 0 = full strength
  int use_nnue;       // evaluate with the current network (eval/network.h) instead of the hand-written evaluation
};
constexpr SearchSettings DEFAULT_SEARCH_SETTINGS = {.null_move = 1,
                                                    .use_lmr = 1,
                                                    .multipv = 1,
                                                    .deterministic = 0,
                                                    .draw_score = -5,
                                                    .limit_elo = 0,
                                                    .use_nnue = 0};

// The state of one running search that changes under it.  The caller clears
// it before the search; "stop" and "ponderhit" (read by helper threads while
// the main thread writes them) are atomic; the node budget is set before the
// search and only read while it runs.
struct SearchControl {
  std::atomic<int> stop{0};       // the search must end
  std::atomic<int> pondering{0};  // while set, running out of time does not stop the search
  uint64_t node_limit = NO_NODE_LIMIT;
};
