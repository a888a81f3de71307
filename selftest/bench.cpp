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

BenchSettings current_settings(const TranspositionTable& table) {
  return {king_safety(), own_book(), tt_megabytes(table)};
}

// Puts the settings in place; the evaluation weights, the book and the
// table follow them.
void apply_settings(const BenchSettings& s, TranspositionTable* table) {
  if (s.king_safety != king_safety()) {
    set_king_safety(s.king_safety);
    initialise_evaluation();
    clear_all_eval_caches();  // scores cached under the old weights
  }
  if (s.own_book != own_book()) {
    set_own_book(s.own_book);
    open_book();
  }
  if (s.table_mb != tt_megabytes(*table)) {
    tt_free(table);
    if (s.table_mb > 0) tt_allocate(table, s.table_mb);
  }
}

}  // namespace

int bench_eval_from_word(const char* word) {
  if (word && !std::strcmp(word, "hce")) return BENCH_EVAL_HAND_WRITTEN;
  if (word && !std::strcmp(word, "nnue")) return BENCH_EVAL_NETWORK;
  return BENCH_EVAL_DEFAULT;
}

BenchResult run_bench(int depth, std::FILE* progress, SearchControl* control, TranspositionTable* table, int eval) {
  if (depth < 1 || depth > 99) depth = BENCH_DEPTH;
  const BenchSettings saved = current_settings(*table);
  // The default weights, no book, and a table of the default size; the
  // searches get the default settings.
  apply_settings({DEFAULT_KING_SAFETY, false, BENCH_HASH_MB}, table);

  // Silent one-thread searches that clear every table first.
  static SearchJob job;
  job.limits = SearchLimits{};
  job.plan = depth_plan(depth);
  job.settings = DEFAULT_SEARCH_SETTINGS;
  job.settings.deterministic = 1;
  if (eval != BENCH_EVAL_DEFAULT) job.settings.use_nnue = eval;
  job.tablebases = TABLEBASES_OFF;
  job.root_moves.count = 0;
  job.control = control;
  job.table = table;
  job.thread = main_search_thread();
  job.reporter = SearchReporter{};
  job.use_helpers = false;
  job.use_book = false;
  BenchResult result{0, 0.0};
  const double start = wall_clock_seconds(0);
  for (int r = 0; r < TEST_POSITION_COUNT; ++r) {
    char row[TEST_ROW_SIZE + 1];
    std::strcpy(row, test_fens[r]);
    char* words[16];
    if (split_words(row, words, 16) < 4) continue;
    char fen[TEST_ROW_SIZE + 8];
    std::snprintf(fen, sizeof fen, "%s %s %s %s", words[0], words[1], words[2], words[3]);
    position_from_fen(&job.root, fen);
    run_search(job);
    const uint64_t nodes = job.thread->nodes;
    result.nodes += nodes;
    if (progress) {
      std::fprintf(progress, "bench position %2d/%d: %12" PRIu64 " nodes\n", r + 1, TEST_POSITION_COUNT, nodes);
      std::fflush(progress);
    }
    if (control->stop) break;  // "stop" typed during the bench
  }
  result.seconds = wall_clock_seconds(0) - start;

  apply_settings(saved, table);
  // The next real search clears the table, as after a fresh start.
  request_fresh_tables(job.thread);

  const double seconds = result.seconds > 0.001 ? result.seconds : 0.001;
  std::printf("%" PRIu64 " nodes %" PRIu64 " nps\n", result.nodes,
              static_cast<uint64_t>(static_cast<double>(result.nodes) / seconds));
  std::fflush(stdout);
  return result;
}
