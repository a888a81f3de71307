#include "uci/interpreter.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "board/fen.h"
#include "core/exit.h"
#include "core/log.h"
#include "core/number_text.h"
#include "core/version.h"
#include "core/words.h"
#include "board/movegen.h"
#include "board/make_move.h"
#include "search/driver.h"
#include "search/search_state.h"
#include "search/strength.h"
#include "search/threads.h"
#include "search/time_control.h"
#include "selftest/bench.h"
#include "uci/command_queue.h"
#include "uci/options.h"
#include "uci/search_output.h"
#include "uci/show.h"

Position game_record[GAME_RECORD_SIZE];
int game_ply = 0;
int search_active = 0;

namespace {

// The control record of the search, count or bench now running (null while
// none runs): "stop" and "ponderhit" reach it here.
SearchControl* active_control = nullptr;

// Whether the end of the input ends the engine (not in the self-test and
// test-data runs, which go on without input).
bool input_end_ends_engine = true;

constexpr uint32_t HASH_UCI = 0x0b88b1c6;
constexpr uint32_t HASH_ISREADY = 0xaaebbe96;
constexpr uint32_t HASH_SETOPTION = 0x687891ea;
constexpr uint32_t HASH_POSITION = 0x4cef7aba;
constexpr uint32_t HASH_GO = 0x005977fb;
constexpr uint32_t HASH_STOP = 0x7c9e1b4b;
constexpr uint32_t HASH_PONDERHIT = 0x5d4738f2;
constexpr uint32_t HASH_QUIT = 0x7c9d0608;
constexpr uint32_t HASH_BENCH = 0x0f25a4e5;
constexpr uint32_t HASH_D = 0x0002b609;
constexpr uint32_t HASH_EVAL = 0x7c9674ad;

constexpr int MAX_WORDS = QUEUE_SLOT_SIZE / 2 + 1;

// Lines held back while a search runs, taken up again once it has ended.
constexpr int DEFERRED_LINES = 16;
char deferred[DEFERRED_LINES][QUEUE_SLOT_SIZE];
int deferred_count = 0;

void command_uci() {
  std::printf("id name %s %s\n", ENGINE_NAME, VERSION_TEXT);
  std::printf("id author %s\n", ENGINE_AUTHOR);
  print_option_declarations();
  std::printf("uciok\n");
  std::fflush(stdout);
}

void command_position(char** words, int count) {
  int moves_from;
  char fen[600];
  if (count >= 2 && !std::strcmp(words[1], "fen")) {
    // Up to six FEN fields (the clocks included); a field can never be the
    // word "moves", which is looked for right after them.
    fen[0] = '\0';
    int i = 2;
    for (; i < count && i < 8 && std::strcmp(words[i], "moves") != 0; ++i) {
      if (i > 2) std::strncat(fen, " ", sizeof fen - std::strlen(fen) - 1);
      std::strncat(fen, words[i], sizeof fen - std::strlen(fen) - 1);
    }
    moves_from = i;
  } else if (count >= 2 && !std::strcmp(words[1], "startpos")) {
    std::strcpy(fen, START_FEN);
    moves_from = 2;
  } else {
    std::fprintf(stderr, "Error here!\n");
    exit_process(1);
  }
  game_ply = 0;
  position_from_fen(&game_record[0], fen, option_chess960 != 0);
  int i = moves_from;
  while (i < count && std::strcmp(words[i], "moves") != 0) ++i;
  for (++i; i < count; ++i) {
    if (game_ply + 1 >= GAME_RECORD_SIZE) {
      log_printf("game record full: move %s and the rest not applied\n", words[i]);
      break;
    }
    if (!apply_move_text(game_record[game_ply], &game_record[game_ply + 1], words[i])) {
      // The game stays on the last position that a listed move reached.
      log_printf("illegal move %s: the rest of the move list is not applied\n", words[i]);
      break;
    }
    ++game_ply;
  }
}

// "go perft N": the divide of the current position, no search.
bool is_go_perft(char** words, int count) { return count >= 2 && !std::strcmp(words[1], "perft"); }

// A count listens as a search does: "stop" ends it, "quit" ends the engine,
// "isready" is answered and "position", "go" and the like wait for its end.
// The end of the input does not cut it short: a script that pipes in
// "go perft N" and closes gets the whole count, then the engine ends.
bool perft_should_stop() {
  char line[QUEUE_SLOT_SIZE];
  if (queue_pop(line)) uci_execute(line);
  return active_control && active_control->stop != 0;
}

// Runs something that listens to "stop" while it works: a search, a count
// or the bench, with control as the record that "stop" reaches.
template <typename Work>
void run_listening(SearchControl* control, Work work) {
  active_control = control;
  search_active = 1;
  work();
  search_active = 0;
  active_control = nullptr;
}

void command_go(char** words, int count) {
  SearchControl control;
  if (is_go_perft(words, count)) {
    run_listening(&control, [&] {
      show_perft(game_record[game_ply], count >= 3 ? std::clamp(parse_int32(words[2]), 1, MAX_PERFT_DEPTH) : 1,
                 perft_should_stop);
    });
    return;
  }
  static SearchJob job;  // large: kept out of the stack of the protocol loop
  static char searchmoves[SEARCHMOVES_TEXT_SIZE];
  parse_go(words, count, &job.limits, searchmoves, sizeof searchmoves);
  const Position& root = game_record[game_ply];
  job.plan = plan_search(job.limits, side_to_move(root), option_move_overhead_ms / 1000.0);
  const SearchPlan& plan = job.plan;
  if (plan.rule == TIME_RULE_MOVETIME) log_printf("Time Left: %8.1f\n", job.limits.movetime);
  if (plan.rule == TIME_RULE_SUDDEN_DEATH)
    log_printf("We have %8.1f seconds for the game.  %8.1f goal set\n", plan.clock, plan.goal);
  if (plan.rule == TIME_RULE_MOVES_TO_GO) {
    log_printf("We have %8.1f seconds to make %d moves = %8.1f goal\n", plan.clock, job.limits.movestogo,
               plan.moves_goal);
    std::printf("goal: %8.3f   max_goal_perc: %8d \n", plan.goal, plan.max_goal_percent);
  }
  job.settings = search_settings_from_options();
  job.tablebases = tablebase_settings_from_options();
  limit_strength(&job.limits, &job.settings);
  set_wdl_root(root);
  job.root = root;
  root_moves_from_text(root, searchmoves, &job.root_moves);
  job.control = &control;
  job.table = &engine_table;
  job.thread = main_search_thread();
  job.reporter = uci_reporter();
  job.use_helpers = true;
  job.use_book = true;
  run_listening(&control, [&] { run_search(job); });
}

}  // namespace

void uci_execute(char* input) {
  // A queued line never exceeds a slot; a longer one handed in directly is
  // cut to the same length.
  char line[QUEUE_SLOT_SIZE];
  std::strncpy(line, input, sizeof line - 1);
  line[sizeof line - 1] = '\0';
  // Cut at the first form feed, line feed or carriage return.
  line[std::strcspn(line, "\f\n\r")] = '\0';
  if (!line[0]) return;
  log_printf("uci -> %s\n", line);

  char copy[QUEUE_SLOT_SIZE];
  std::strcpy(copy, line);
  char* words[MAX_WORDS];
  int count = split_words(copy, words, MAX_WORDS);
  if (count == 0) return;
  log_printf("cmd = %s\n", words[0]);

  uint32_t hash = command_hash(words[0]);
  // "d" and "eval" read the game, which a held-back "position" may change.
  if (search_active && (hash == HASH_POSITION || hash == HASH_GO || hash == HASH_SETOPTION || hash == HASH_BENCH ||
                        hash == HASH_D || hash == HASH_EVAL)) {
    if (deferred_count < DEFERRED_LINES)
      std::strcpy(deferred[deferred_count++], line);
    else
      log_printf("dropped while searching: %s\n", line);
    return;
  }
  switch (hash) {
    case HASH_UCI:
      command_uci();
      break;
    case HASH_ISREADY:
      std::printf("readyok\n");
      std::fflush(stdout);
      break;
    case HASH_SETOPTION:
      apply_setoption(words, count);
      break;
    case HASH_POSITION:
      command_position(words, count);
      break;
    case HASH_GO:
      command_go(words, count);
      break;
    case HASH_STOP:
      if (active_control) active_control->stop = 1;
      break;
    case HASH_PONDERHIT:
      if (active_control) active_control->pondering = 0;
      break;
    case HASH_QUIT:
      exit_process(0);
    case HASH_BENCH: {
      // A developer's command: the signature of the search, see bench.h.
      SearchControl control;
      run_listening(&control, [&] {
        run_bench(count >= 2 ? parse_int32(words[1]) : 0, stderr, &control, &engine_table,
                  bench_eval_from_word(count >= 3 ? words[2] : nullptr));
      });
      break;
    }
    case HASH_D:
      show_board(game_record[game_ply]);
      break;
    case HASH_EVAL:
      show_evaluation(game_record[game_ply]);
      break;
    default:
      break;  // ucinewgame, debug, register and anything unknown
  }
}

uint32_t command_hash(const char* word) {
  uint32_t h = 5381;
  for (const char* p = word; *p; ++p)
    h = h * 33 + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*p)));
  return h;
}

void parse_go(char** words, int count, SearchLimits* limits, char* searchmoves, size_t searchmoves_size) {
  *limits = SearchLimits{};
  if (searchmoves_size > 0) searchmoves[0] = '\0';
  bool in_searchmoves = false;
  size_t used = 0;
  auto value = [&](int i) -> const char* { return i + 1 < count ? words[i + 1] : nullptr; };
  for (int i = 1; i < count; ++i) {
    const char* w = words[i];
    const char* v = value(i);
    bool keyword = true;
    if (!std::strcmp(w, "infinite"))
      limits->infinite = 1;
    else if (!std::strcmp(w, "ponder"))
      limits->ponder = 1;
    else if (!std::strcmp(w, "searchmoves"))
      in_searchmoves = true;
    else if (!std::strcmp(w, "wtime") || !std::strcmp(w, "btime") || !std::strcmp(w, "winc") ||
             !std::strcmp(w, "binc") || !std::strcmp(w, "nodes") || !std::strcmp(w, "movestogo") ||
             !std::strcmp(w, "depth") || !std::strcmp(w, "movetime") || !std::strcmp(w, "mate")) {
      if (v) {
        ++i;  // the value word is consumed; a keyword with nothing after it reads nothing
        if (!std::strcmp(w, "nodes"))
          limits->nodes = parse_uint64(v);
        else if (!std::strcmp(w, "movestogo"))
          limits->movestogo = std::clamp(parse_int32(v), 0, MAX_MOVES_TO_GO);
        else if (!std::strcmp(w, "depth"))
          limits->depth = std::min(parse_int32(v), NO_DEPTH_LIMIT);
        else if (!std::strcmp(w, "mate"))
          limits->mate = std::clamp(parse_int32(v), 0, MAX_MATE_MOVES);
        else if (!std::strcmp(w, "movetime"))
          limits->movetime = parse_int32(v) / 1000.0;
        else {
          double seconds = static_cast<double>(parse_uint64(v)) / 1000.0;
          if (!std::strcmp(w, "wtime"))
            limits->wtime = seconds;
          else if (!std::strcmp(w, "btime"))
            limits->btime = seconds;
          if (!std::strcmp(w, "wtime") || !std::strcmp(w, "btime"))
            limits->clock_given = 1;
          else if (!std::strcmp(w, "winc"))
            limits->winc = seconds;
          else
            limits->binc = seconds;
        }
      }
    } else {
      keyword = false;
    }
    if (keyword) {
      if (std::strcmp(w, "searchmoves") != 0) in_searchmoves = false;
      continue;
    }
    if (in_searchmoves) {
      size_t len = std::strlen(w);
      if (used + len + 2 <= searchmoves_size) {
        std::memcpy(searchmoves + used, w, len);
        searchmoves[used + len] = ' ';
        used += len + 1;
        searchmoves[used] = '\0';
      }
    }
  }
}

void root_moves_from_text(const Position& root, const char* text, RootMoveSet* out) {
  out->count = 0;
  Move all[MAX_MOVES];
  const int n = generate_all(root, all);
  char move_text[8];
  for (int i = 0; i < n; ++i) {
    move_to_text(all[i], move_text);
    if (!text_has_word(text, move_text)) continue;
    Position child;
    make_move(root, &child, all[i]);
    if (!king_attacked(child, side_to_move(root)) && !root_move_listed(*out, all[i])) out->moves[out->count++] = all[i];
  }
}

void install_search_hooks() { set_search_hooks({uci_poll}); }

void set_input_end_ends_engine(bool on) { input_end_ends_engine = on; }

void uci_poll() {
  static bool first_call = true;
  if (first_call) {
    first_call = false;
    position_from_fen(&game_record[0], START_FEN);
    game_ply = 0;
  }
  char line[QUEUE_SLOT_SIZE];
  if (!search_active && deferred_count > 0) {
    std::strcpy(line, deferred[0]);
    std::memmove(deferred[0], deferred[1], sizeof deferred[0] * (deferred_count - 1));
    --deferred_count;
  } else if (!queue_pop(line)) {
    // The GUI closed the pipe or died: nobody will ever send "quit", so end
    // as on "quit", also in the middle of a search.  The self-test and
    // test-data runs go on without input.
    if (input_end_ends_engine && queue_at_end_of_input()) {
      log_printf("end of input\n");
      exit_process(0);
    }
    return;
  }
  uci_execute(line);
}
