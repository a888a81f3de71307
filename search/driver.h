// The search driver: iterative deepening, time control, the answer.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "board/types.h"
#include "search/report.h"
#include "search/search_state.h"
#include "search/search_thread.h"
#include "search/tablebase.h"
#include "search/time_control.h"
#include "search/tt.h"

// One search, as whoever runs it hands it over.
struct SearchJob {
  Position root;            // linked through `previous` to the game before it
  SearchLimits limits;      // node budget, "infinite", "ponder", "mate"
  SearchPlan plan;          // the time goal, the hard limit, the depth limit
  SearchSettings settings;  // how to search
  TablebaseSettings tablebases;  // how to probe the loaded tables; probe_limit 0 (TABLEBASES_OFF): never
  RootMoveSet root_moves;   // the moves to consider; none listed = every legal move
  SearchControl* control;   // stop, ponder and node-budget state; cleared by the caller
  TranspositionTable* table;
  SearchThread* thread;      // the record the search runs on (its move-ordering memory persists)
  SearchReporter reporter;   // where the lines and the answer go
  bool use_helpers;          // the helper threads of search/threads.h search beside it
  bool use_book;             // a move of the opening book answers at once
};

// Runs the search and reports through the job's reporter; returns the final
// score.
int run_search(const SearchJob& job);

// What the search calls back in the program that runs it.  The main thread
// calls poll_input every 256 nodes, and while a ponder or infinite search
// that has ended by itself waits to answer; it takes at most one pending
// command and acts on it, which is how "stop" and "ponderhit" reach the
// search's control record.  Without a hook nothing is polled.
struct SearchHooks {
  void (*poll_input)();
};
void set_search_hooks(const SearchHooks& hooks);

// What each completed iteration found, by depth in plies.
struct DepthRecord {
  double seconds;  // since the start of the search
  uint64_t nodes;
  int score;
  Move best_move;
};
constexpr int DEPTH_RECORDS = 100;
struct DepthRecords {
  DepthRecord depth[DEPTH_RECORDS];  // zero where no iteration completed
};
// A reporter that keeps each iteration's result in *records and says
// nothing (the self-test, the bench, the tests).
SearchReporter depth_recorder(DepthRecords* records);

// The next search on this record starts from empty tables and an empty
// transposition table, as the first search does and every search while
// "deterministic" is on ("Clear Hash", and the bench after it has run).
void request_fresh_tables(SearchThread* t);

// The search's fixed tables, built once before the first search (safe to
// call from several threads).
void ensure_search_tables();
