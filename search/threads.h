// The search threads.  The main thread (the one that takes the commands)
// searches with record 0; set_search_thread_count (the "Threads" option)
// adds helper threads, each with its own record, that search the same root at the same
// time and share only the transposition table, so that what one finds the
// others read (the usual "lazy" shared-table scheme).  Helpers never print,
// never poll the input and never keep the clock: the main thread does all
// of that and alone decides the answer.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "search/search_thread.h"
#include "search/tt.h"

constexpr int MAX_THREADS = 256;

// The record of the main thread.
SearchThread* main_search_thread();

// A record for a search of its own outside the pool (the data generator's
// games, one per worker thread): empty tables, index 0, no helpers.  Null
// when the memory cannot be had.
SearchThread* new_search_record();
void free_search_record(SearchThread* t);

// Threads in use, the main thread included.
int search_thread_count();

// Starts or ends helper threads until count threads are in use (clamped to
// 1..MAX_THREADS; fewer when the system refuses more threads or memory).
// Returns the number in use.  Main thread only, between searches.
int set_search_thread_count(int count);

// What the helpers search: the main thread's prepared root, the root moves
// to consider, the depth limit in plies, whether to clear the move history
// first, the settings of the search, and the search's control record and
// table (both must outlive stop_helpers).
struct HelperJob {
  Position root;
  RootMoveSet root_moves;
  int max_depth;
  bool clear_move_history;
  SearchSettings settings;
  TablebaseSettings tablebases;  // as the main thread probes (its probe limit already cut to the tables)
  SearchControl* control;
  TranspositionTable* table;
};

// Sets every helper searching.  Main thread only.
void start_helpers(const HelperJob& job);
// Stops the helpers (through the job's stop flag) and waits until each has
// left its search.  Does nothing when none was started.
void stop_helpers();

// The helpers' nodes as last published (each helper publishes every 256
// node entries and when its search ends).
uint64_t helper_nodes();
// All nodes of the running or last search, for the main thread's output.
inline uint64_t search_node_total(const SearchThread* t) { return t->nodes + (t->with_helpers ? helper_nodes() : 0); }
// The same for the successful tablebase probes.
uint64_t helper_tbhits();
inline uint64_t search_tbhits_total(const SearchThread* t) {
  return t->tbhits + (t->with_helpers ? helper_tbhits() : 0);
}

// Empties the evaluation caches of every thread.  Between searches only.
void clear_all_eval_caches();

// The search loop of a helper (driver.cpp).
void helper_search(SearchThread* t, const HelperJob& job);
