#include "selftest/selftest.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "board/fen.h"
#include "core/exit.h"
#include "core/number_text.h"
#include "core/version.h"
#include "core/words.h"
#include "search/driver.h"
#include "search/threads.h"
#include "selftest/test_positions.h"

namespace {

constexpr int PASSES_64 = 5;
constexpr int PASSES_32 = 10;

struct Prepared {
  char fen[TEST_ROW_SIZE + 8];
  const char* move_word;
  const char* score_word;
  const char* nodes_word;
};

// Sets up row r and searches it to the test depth: one thread, silent,
// every table cleared first, each iteration's result kept in *records.
void prepare_and_search(int r, Prepared* out, char* row_copy, TranspositionTable* table, DepthRecords* records) {
  std::strcpy(row_copy, test_fens[r]);
  char* words[16];
  int count = split_words(row_copy, words, 16);
  if (count < 4) {
    std::fprintf(stderr, "Error in data structure\n");
    exit_process(1);
  }
  std::snprintf(out->fen, sizeof out->fen, "%s %s %s %s", words[0], words[1], words[2], words[3]);
  // A row cut short compares as zeros instead of reading past its words.
  out->move_word = count > 4 ? words[4] : "";
  out->score_word = count > 5 ? words[5] : "";
  out->nodes_word = count > 6 ? words[6] : "";
  static SearchJob job;
  static SearchControl control;
  position_from_fen(&job.root, out->fen);
  job.limits = SearchLimits{};
  job.plan = depth_plan(TEST_DEPTH);
  job.settings = DEFAULT_SEARCH_SETTINGS;
  job.settings.deterministic = 1;
  job.tablebases = TABLEBASES_OFF;
  job.root_moves.count = 0;
  job.control = &control;
  job.table = table;
  job.thread = main_search_thread();
  *records = DepthRecords{};
  job.reporter = depth_recorder(records);
  job.use_helpers = false;
  job.use_book = false;
  run_search(job);
}

}  // namespace

void run_self_test(TranspositionTable* table) {
  std::fprintf(stderr, "Pelion version %s\n\n", VERSION_TEXT);
  int passes = IS_32_BIT_BUILD ? PASSES_32 : PASSES_64;
  std::printf("\n");
  std::printf("This self-test verifies that the program is deterministic and also\n");
  std::printf("performs a simple benchmark using %d fixed positions.\n\n", TEST_POSITION_COUNT);
  std::printf("%d passes are done, and the Sec column gives the average time\n", passes);
  std::printf("to perform a %d ply search.  mNPS gives millions of nodes per second.\n\n", TEST_DEPTH);
  std::printf("\n");
  std::printf("Pass Progress ...                                          Sec    mNPS\n");
  std::printf("==== ================================================== ====== =======\n");

  double total_seconds = 0;
  uint64_t total_nodes = 0;
  for (int pass = 1; pass <= passes; ++pass) {
    std::printf("%4d ", pass);
    std::fflush(stdout);
    for (int r = 0; r < TEST_POSITION_COUNT; ++r) {
      Prepared p;
      char row[TEST_ROW_SIZE + 1];
      static DepthRecords records;
      prepare_and_search(r, &p, row, table, &records);
      const DepthRecord& result = records.depth[TEST_DEPTH];
      if (static_cast<int32_t>(result.best_move) != parse_int32(p.move_word) ||
          result.score != parse_int32(p.score_word) ||
          static_cast<int64_t>(result.nodes) != parse_int64(p.nodes_word)) {
        std::printf("Error in position %d - self test failed\n", r);
        exit_process(1);
      }
      for (int d = 1; d < TEST_DEPTH; ++d) {
        total_seconds += records.depth[d].seconds;
        total_nodes += records.depth[d].nodes;
      }
      std::printf(".");
      std::fflush(stdout);
    }
    std::printf("%7.3f %7.4f\n", total_seconds / (pass * static_cast<double>(TEST_POSITION_COUNT)),
                static_cast<double>(total_nodes) / total_seconds / 1000000.0);
  }
  std::printf("\n");
  exit_process(0);
}

void run_make_test_data(TranspositionTable* table) {
  std::printf("\nchar test_fens[%d][%d] = {\n", TEST_POSITION_COUNT, TEST_ROW_SIZE);
  for (int r = 0; r < TEST_POSITION_COUNT; ++r) {
    Prepared p;
    char row[TEST_ROW_SIZE + 1];
    static DepthRecords records;
    prepare_and_search(r, &p, row, table, &records);
    const DepthRecord& result = records.depth[TEST_DEPTH];
    std::printf("  \"%s %d %d %" PRId64 "\",\n", p.fen, static_cast<int>(result.best_move), result.score,
                static_cast<int64_t>(result.nodes));
    std::fflush(stdout);
  }
  std::printf("};\n");
  exit_process(0);
}
