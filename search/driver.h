// The search driver: iterative deepening, time control, "bestmove".
#pragma once

#include <cstdint>

#include "board/position.h"
#include "board/types.h"
#include "search/search_state.h"

// Searches the position and prints "bestmove"; returns the final score.
// The goal and the depth limit come from the time plan of the limits
// (plan_search); the search keeps to the limits' node budget, root moves,
// "infinite", "ponder" and "mate", and plays by the settings.
int run_search(const Position& root, double goal_seconds, int max_depth, const SearchLimits& limits,
               const SearchSettings& settings);

// What the search calls back in the program that runs it.  The main thread
// calls poll_input every 256 nodes, and while a ponder or infinite search
// that has ended by itself waits to answer; it takes at most one pending
// command and acts on it, which is how "stop" and "ponderhit" reach the
// search's flags (search_state.h).  Without a hook nothing is polled.
struct SearchHooks {
  void (*poll_input)();
};
void set_search_hooks(const SearchHooks& hooks);

// What each completed iteration of the last search found, by depth in
// plies.  Filled only in test mode (self-test and test-data runs).
struct DepthRecord {
  double seconds;  // since the start of the search
  uint64_t nodes;
  int score;
  Move best_move;
};
constexpr int DEPTH_RECORDS = 100;
extern DepthRecord depth_records[DEPTH_RECORDS];

// Running sum of the time of all searches, in seconds.
extern double total_move_time;

// Set at start-up; the first search clears the tables and the transposition
// table, as every search does while "deterministic" is on.
extern int first_search;
