// The bench signature: every built-in test position searched to a fixed
// depth with a fresh table and the default search settings.  The total
// node count identifies the search and the evaluation exactly, so a change
// that was not meant to alter play shows an unchanged count, and the three
// programs must print the same one.
#pragma once

#include <cstdint>
#include <cstdio>

// Depth of the bench searches when none is asked for.
constexpr int BENCH_DEPTH = 13;

struct BenchResult {
  uint64_t nodes;
  double seconds;
};

// Runs the bench at the given depth (1 to 99; anything else means
// BENCH_DEPTH), writes one progress line per position to progress (may be
// null), prints "NNN nodes NNN nps" on standard output and returns the
// totals.  Every setting it changes is put back afterwards; the next search
// starts on a cleared table, as after a fresh start.
struct SearchControl;
struct TranspositionTable;
// Searches with the given control record (a "stop" that reaches it ends
// the bench early) and transposition table (resized to the bench's size for
// the bench and back to its old size after it).
BenchResult run_bench(int depth, std::FILE* progress, SearchControl* control, TranspositionTable* table);
