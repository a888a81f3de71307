#include "selftest/bench.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "board/fen.h"
#include "book/book.h"
#include "core/clock.h"
#include "core/words.h"
#include "eval/evaluation.h"
#include "search/driver.h"
#include "search/search_state.h"
#include "search/threads.h"
#include "search/tt.h"
#include "selftest/test_positions.h"

namespace {

// The table size the signature is defined with: the default "Hash".
constexpr int BENCH_HASH_MB = 64;

// What a GUI may have set, besides the search's own settings, that changes
// what a search counts.
struct BenchSettings {
  int king_safety;
  bool own_book;
  int table_mb;  // 0: no table
};

BenchSettings current_settings() { return {king_safety(), own_book(), tt_megabytes()}; }

// Puts the settings in place; the evaluation weights, the book and the
// table follow them.
void apply_settings(const BenchSettings& s) {
  if (s.king_safety != king_safety()) {
    set_king_safety(s.king_safety);
    initialise_evaluation();
    clear_all_eval_caches();  // scores cached under the old weights
  }
  if (s.own_book != own_book()) {
    set_own_book(s.own_book);
    open_book();
  }
  if (s.table_mb != tt_megabytes()) {
    tt_free();
    if (s.table_mb > 0) tt_allocate(s.table_mb);
  }
}

}  // namespace

BenchResult run_bench(int depth, std::FILE* progress) {
  if (depth < 1 || depth > 99) depth = BENCH_DEPTH;
  const BenchSettings saved = current_settings();
  // The default weights, no book, and a table of the default size; the
  // searches get the default settings.
  apply_settings({DEFAULT_KING_SAFETY, false, BENCH_HASH_MB});
  // Test mode: silent searches that clear every table first.
  const int saved_test_mode = test_mode;
  test_mode = 1;

  const SearchLimits no_limits{};
  BenchResult result{0, 0.0};
  const double start = wall_clock_seconds(0);
  for (int r = 0; r < TEST_POSITION_COUNT; ++r) {
    char row[TEST_ROW_SIZE + 1];
    std::strcpy(row, testFens[r]);
    char* words[16];
    if (split_words(row, words, 16) < 4) continue;
    char fen[TEST_ROW_SIZE + 8];
    std::snprintf(fen, sizeof fen, "%s %s %s %s", words[0], words[1], words[2], words[3]);
    Position root;
    position_from_fen(&root, fen);
    run_search(root, NO_TIME_LIMIT, depth, no_limits, DEFAULT_SEARCH_SETTINGS);
    const uint64_t nodes = main_search_thread()->nodes;
    result.nodes += nodes;
    if (progress) {
      std::fprintf(progress, "bench position %2d/%d: %12" PRIu64 " nodes\n", r + 1, TEST_POSITION_COUNT, nodes);
      std::fflush(progress);
    }
    if (stop_requested) break;  // "stop" typed during the bench
  }
  result.seconds = wall_clock_seconds(0) - start;

  test_mode = saved_test_mode;
  apply_settings(saved);
  // The next real search clears the table, as after a fresh start.
  request_fresh_tables();

  const double seconds = result.seconds > 0.001 ? result.seconds : 0.001;
  std::printf("%" PRIu64 " nodes %" PRIu64 " nps\n", result.nodes,
              static_cast<uint64_t>(static_cast<double>(result.nodes) / seconds));
  std::fflush(stdout);
  return result;
}
