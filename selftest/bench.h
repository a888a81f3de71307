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
// eval is BENCH_EVAL_DEFAULT (the default evaluation, which defines the
// signature), BENCH_EVAL_HAND_WRITTEN or BENCH_EVAL_NETWORK: the other one
// measures the speed of either evaluation on the same searches.
constexpr int BENCH_EVAL_DEFAULT = -1;
constexpr int BENCH_EVAL_HAND_WRITTEN = 0;
constexpr int BENCH_EVAL_NETWORK = 1;
BenchResult run_bench(int depth, std::FILE* progress, SearchControl* control, TranspositionTable* table,
                      int eval = BENCH_EVAL_DEFAULT);
// The evaluation word of "bench DEPTH [hce|nnue]": BENCH_EVAL_DEFAULT for
// none or anything else.
int bench_eval_from_word(const char* word);
