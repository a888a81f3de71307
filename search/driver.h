// The search driver: iterative deepening, time control, "bestmove".
#pragma once

#include <cstdint>

#include "board/position.h"
#include "board/types.h"
#include "search/search_state.h"
#include "search/search_thread.h"

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
// plies (SearchThread::depth_records; filled only in test mode).
const DepthRecord* last_depth_records();

// The next search starts from empty tables and an empty transposition
// table, as the first search does and every search while "deterministic"
// is on ("Clear Hash", and the bench after it has run).
void request_fresh_tables();
