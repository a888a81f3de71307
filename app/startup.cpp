#include "app/startup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/command_line.h"
#include "book/book.h"
#include "core/clock.h"
#include "core/exit.h"
#include "core/log.h"
#include "core/number_text.h"
#include "core/version.h"
#include "eval/evaluation.h"
#include "eval/network.h"
#include "eval/three_file_mask.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "selftest/bench.h"
#include "selftest/selftest.h"
#include "uci/command_queue.h"
#include "uci/interpreter.h"
#include "uci/options.h"

namespace {

void allocate_table() {
  if (option_hash_mb < 1) return;
  int requested = option_hash_mb;
  option_hash_mb = allocate_hash_table(requested);
  if (option_hash_mb != requested)
    std::fprintf(stderr, "Hash table size is %d meg (%d meg could not be allocated)\n", option_hash_mb, requested);
}

[[noreturn]] void run_protocol() {
  initialise_evaluation();
  std::fprintf(stderr, "Pelion version %s\n", VERSION_TEXT);
  // The reader thread first: its stack must not be left without room by a
  // table that takes all the memory there is.
  start_input_reader();
  allocate_table();
  // One command per pass.  Between passes the engine sleeps until the next
  // line arrives (at most a millisecond, so that commands put off during a
  // search are taken up too): an idle engine uses almost no processor time,
  // and a command that is already waiting, such as the "go" after a
  // "position", is taken at once instead of a pass later.
  for (;;) {
    uci_poll();
    queue_wait_for_line(1);
  }
}

}  // namespace

int program_main(int argc, char** argv) {
  // Commands reach a running search through the interpreter, from the
  // first search on (the bench and the self-test included).
  install_search_hooks();
  // The evaluation and the book start from the options' defaults, the
  // network from the one built into the program.
  hand_options_down();
  char net_error[NNUE_ERROR_SIZE];
  if (!use_embedded_net(net_error, sizeof net_error))
    std::fprintf(stderr, "The built-in network cannot be used (%s): the hand-written evaluation plays\n", net_error);
  // The opening book's random choice draws from the library generator.
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  // The default book is open before the command line is read.
  if (!open_book()) print_unreadable_book(stderr);
  build_three_file_mask();
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::setvbuf(stdin, nullptr, _IONBF, 0);
  std::fflush(nullptr);

  // "bench [DEPTH]" as the first argument prints the search's signature.
  if (argc >= 2 && argv[1] && !std::strcmp(argv[1], "bench")) {
    initialise_evaluation();
    allocate_table();
    SearchControl control;
    run_bench(argc >= 3 ? parse_int32(argv[2]) : 0, stderr, &control, &engine_table,
              bench_eval_from_word(argc >= 4 ? argv[3] : nullptr));
    exit_process(0);
  }

  reset_command_line();
  const char* program_name = argc > 0 && argv[0] ? argv[0] : "engine";
  if (!process_command_line(argc, argv, stderr)) {
    print_usage(program_name, stderr);
    return -1;  // 255 as the shell sees it
  }
  if (command_line.help) {
    print_usage(program_name, stderr);
    return 0;
  }
  if (command_line.log_name[0]) {
    // A log that cannot be opened is silently left out.
    log_file = std::fopen(command_line.log_name, "a+");
    if (log_file) std::setvbuf(log_file, nullptr, _IONBF, 0);
  }
  if (command_line.make_test_data || command_line.self_test) {
    set_input_end_ends_engine(false);
    initialise_evaluation();
    start_input_reader();
    allocate_table();
    if (command_line.make_test_data) run_make_test_data(&engine_table);
    run_self_test(&engine_table);
  }
  run_protocol();
}
