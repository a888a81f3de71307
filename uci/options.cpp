#include "uci/options.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "book/book.h"
#include "core/log.h"
#include "core/number_text.h"
#include "eval/evaluation.h"
#include "eval/network.h"
#include "search/driver.h"
#include "search/strength.h"
#include "search/tablebase.h"
#include "search/threads.h"
#include "search/tt.h"
#include "uci/search_output.h"

int option_ponder = 1;
int option_hash_mb = 64;
int option_own_book = 1;
int option_multipv = DEFAULT_SEARCH_SETTINGS.multipv;
char option_book_file[BOOK_FILE_NAME_SIZE] = "pelion.bin";
int option_use_lmr = DEFAULT_SEARCH_SETTINGS.use_lmr;
int option_null_move = DEFAULT_SEARCH_SETTINGS.null_move;
int option_deterministic = DEFAULT_SEARCH_SETTINGS.deterministic;
int option_best_line = 1;
int option_king_safety = DEFAULT_KING_SAFETY;
int option_move_overhead_ms = 20;
int option_drawscore = DEFAULT_SEARCH_SETTINGS.draw_score;
int option_threads = 1;
int option_chess960 = 0;
int option_limit_strength = 0;
int option_elo = LIMIT_ELO_DEFAULT;
int option_show_wdl = 0;
int option_use_nnue = DEFAULT_SEARCH_SETTINGS.use_nnue;
std::string option_eval_file = EMBEDDED_NET_NAME;
std::string option_syzygy_path = "<empty>";
int option_syzygy_probe_depth = DEFAULT_TABLEBASE_SETTINGS.probe_depth;
int option_syzygy_50_move_rule = DEFAULT_TABLEBASE_SETTINGS.rule50;
int option_syzygy_probe_limit = DEFAULT_TABLEBASE_SETTINGS.probe_limit;

const CheckOption check_options[] = {
    {"use lmr", &option_use_lmr},
    {"null move pruning", &option_null_move},
    {"deterministic", &option_deterministic},
    {"Best Line", &option_best_line},
    {"", nullptr},
};

const SpinOption spin_options[] = {
    {"King Safety Aggressiveness", &option_king_safety, 0, 10},
    {"move overhead milliseconds", &option_move_overhead_ms, 0, 30000},
    {"Drawscore", &option_drawscore, -50, 50},
    {"", nullptr, 0, 0},
};

namespace {

const char* bool_text(int v) { return v ? "true" : "false"; }

// A checkbox value: "true" or "false" in any case sets the target; anything
// else is answered and leaves it as it was.
void set_checkbox(int* target, const char* value) {
  if (!strcasecmp(value, "true"))
    *target = 1;
  else if (!strcasecmp(value, "false"))
    *target = 0;
  else
    std::printf("info string %s not recognized as checkbox argument\n", value);
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

TranspositionTable engine_table = {0, 0, 0, nullptr};

int allocate_hash_table(int megabytes) {
  int obtained = static_cast<int>(tt_allocate(&engine_table, megabytes));
  // The size the request rounds to (Hash 100 gives a 64 MB table) counts as
  // the size asked for; a smaller table is what memory allowed.
  int wanted = static_cast<int>(tt_bucket_count_for(static_cast<uint64_t>(megabytes)) * sizeof(TTBucket) >> 20);
  return obtained >= wanted ? megabytes : obtained;
}

SearchSettings search_settings_from_options() {
  return {.null_move = option_null_move,
          .use_lmr = option_use_lmr,
          .multipv = option_multipv,
          .deterministic = option_deterministic,
          .draw_score = option_drawscore,
          .limit_elo = option_limit_strength ? option_elo : 0,
          .use_nnue = option_use_nnue};
}

TablebaseSettings tablebase_settings_from_options() {
  return {.probe_depth = option_syzygy_probe_depth,
          .rule50 = option_syzygy_50_move_rule != 0,
          .probe_limit = option_syzygy_probe_limit};
}

void hand_options_down() {
  set_king_safety(option_king_safety);
  set_own_book(option_own_book != 0);
  set_book_file(option_book_file);
  set_best_line(option_best_line != 0);
}

void print_option_declarations() {
  std::printf("option name Ponder type check default true\n");
  std::printf("option name Hash type spin default %d min 0 max %d\n", option_hash_mb, HASH_MAX_MB);
  std::printf("option name OwnBook type check default %s\n", bool_text(option_own_book));
  std::printf("option name MultiPV type spin default %d min 1 max %d\n", option_multipv, MULTIPV_MAX);
  std::printf("option name Book File type string default %s\n", option_book_file);
  for (const CheckOption* c = check_options; c->name[0]; ++c)
    std::printf("option name %s type check default %s\n", c->name, bool_text(*c->target));
  for (const SpinOption* s = spin_options; s->name[0]; ++s)
    std::printf("option name %s type spin default %d min %d max %d\n", s->name, *s->target, s->min, s->max);
  std::printf("option name Threads type spin default %d min %d max %d\n", option_threads, THREADS_MIN, THREADS_MAX);
  std::printf("option name Clear Hash type button\n");
  std::printf("option name UCI_Chess960 type check default %s\n", bool_text(option_chess960));
  std::printf("option name UCI_LimitStrength type check default %s\n", bool_text(option_limit_strength));
  std::printf("option name UCI_Elo type spin default %d min %d max %d\n", option_elo, LIMIT_ELO_MIN, LIMIT_ELO_MAX);
  std::printf("option name UCI_ShowWDL type check default %s\n", bool_text(option_show_wdl));
  std::printf("option name SyzygyPath type string default %s\n", option_syzygy_path.c_str());
  std::printf("option name SyzygyProbeDepth type spin default %d min %d max %d\n", option_syzygy_probe_depth,
              TB_PROBE_DEPTH_MIN, TB_PROBE_DEPTH_MAX);
  std::printf("option name Syzygy50MoveRule type check default %s\n", bool_text(option_syzygy_50_move_rule));
  std::printf("option name SyzygyProbeLimit type spin default %d min %d max %d\n", option_syzygy_probe_limit,
              TB_PROBE_LIMIT_MIN, TB_PROBE_LIMIT_MAX);
  std::printf("option name Use NNUE type check default %s\n", bool_text(option_use_nnue));
  std::printf("option name EvalFile type string default %s\n", option_eval_file.c_str());
}

SetoptionText parse_setoption(char** words, int count) {
  SetoptionText t;
  enum { BEFORE_NAME, IN_NAME, IN_VALUE } mode = BEFORE_NAME;
  for (int i = 1; i < count; ++i) {
    const char* w = words[i];
    if (!std::strcmp(w, "name")) {
      mode = IN_NAME;
      continue;
    }
    if (!std::strcmp(w, "value")) {
      mode = IN_VALUE;
      continue;
    }
    if (mode == IN_NAME) {
      t.name += ' ';
      t.name += w;
    } else if (mode == IN_VALUE) {
      // Value words go in pairs: the first whole, the second cut to eight
      // characters and not examined as a keyword.
      t.value += ' ';
      t.value += w;
      t.raw_value += ' ';
      t.raw_value += w;
      if (i + 1 < count) {
        ++i;
        t.value += ' ';
        t.value += std::string(words[i]).substr(0, 8);
        t.raw_value += ' ';
        t.raw_value += words[i];
      }
    }
  }
  auto strip = [](std::string s) { return s.empty() ? s : s.substr(1); };
  t.name = lower(strip(t.name));
  t.value = lower(strip(t.value));
  t.raw_value = strip(t.raw_value);
  return t;
}

void apply_setoption(char** words, int count) {
  SetoptionText t = parse_setoption(words, count);
  const char* name = t.name.c_str();
  const char* value = t.value.c_str();
  for (const SpinOption* s = spin_options; s->name[0]; ++s)
    if (!strcasecmp(s->name, name)) {
      // A GUI may send any number: the option keeps the nearest value of
      // its advertised range.
      *s->target = std::clamp(parse_int32(value), s->min, s->max);
      hand_options_down();
      initialise_evaluation();
      clear_all_eval_caches();
      return;
    }
  for (const CheckOption* c = check_options; c->name[0]; ++c)
    if (!strcasecmp(c->name, name)) {
      set_checkbox(c->target, value);
      hand_options_down();
      initialise_evaluation();
      clear_all_eval_caches();
      return;
    }
  if (t.name == "hash") {
    option_hash_mb = std::clamp(parse_int32(value), 0, HASH_MAX_MB);
    tt_free(&engine_table);
    if (option_hash_mb < 1) {
      std::printf("info string Hash tables turned OFF\n");
      log_printf("Hash tables turned off\n");
    } else {
      int requested = option_hash_mb;
      option_hash_mb = allocate_hash_table(requested);
      if (option_hash_mb == requested)
        std::printf("info string Hash table size is now %d meg\n", option_hash_mb);
      else
        std::printf("info string Hash table size is now %d meg (%d meg could not be allocated)\n", option_hash_mb,
                    requested);
    }
  } else if (t.name == "threads") {
    int wanted = parse_int32(value);
    if (wanted < THREADS_MIN) wanted = THREADS_MIN;
    if (wanted > THREADS_MAX) wanted = THREADS_MAX;
    option_threads = set_search_thread_count(wanted);
    if (option_threads < wanted) {
      std::printf("info string only %d threads could be started\n", option_threads);
      std::fflush(stdout);
    }
    log_printf("Threads set to %d\n", option_threads);
  } else if (t.name == "clear hash") {
    // Everything the engine has learnt is forgotten, as after a fresh start:
    // the table and the evaluation caches now, the history and countermoves
    // of every thread at the start of the next search.
    tt_clear(&engine_table);
    clear_all_eval_caches();
    request_fresh_tables(main_search_thread());
    log_printf("Hash tables cleared\n");
  } else if (t.name == "uci_chess960") {
    // Read by "position": the game set up next follows the rules chosen here.
    set_checkbox(&option_chess960, value);
  } else if (t.name == "uci_limitstrength") {
    set_checkbox(&option_limit_strength, value);
  } else if (t.name == "uci_elo") {
    option_elo = std::clamp(parse_int32(value), LIMIT_ELO_MIN, LIMIT_ELO_MAX);
  } else if (t.name == "uci_showwdl") {
    set_checkbox(&option_show_wdl, value);
    set_show_wdl(option_show_wdl != 0);
  } else if (t.name == "syzygypath") {
    // Folder names keep their case and blanks, as book file names do.  The
    // tables are loaded now (setoption never runs during a search).
    option_syzygy_path = t.raw_value.empty() ? "<empty>" : t.raw_value;
    TablebaseLoad load = tb_init_path(option_syzygy_path.c_str());
    std::printf("%s\n", load.message);
    std::fflush(stdout);
    log_printf("SyzygyPath: %s\n", load.message);
  } else if (t.name == "syzygyprobedepth") {
    option_syzygy_probe_depth = std::clamp(parse_int32(value), TB_PROBE_DEPTH_MIN, TB_PROBE_DEPTH_MAX);
  } else if (t.name == "syzygy50moverule") {
    set_checkbox(&option_syzygy_50_move_rule, value);
  } else if (t.name == "syzygyprobelimit") {
    option_syzygy_probe_limit = std::clamp(parse_int32(value), TB_PROBE_LIMIT_MIN, TB_PROBE_LIMIT_MAX);
  } else if (t.name == "use nnue") {
    set_checkbox(&option_use_nnue, value);
  } else if (t.name == "evalfile") {
    // A path keeps its case and blanks.  The net is loaded now (setoption
    // never runs during a search); one that cannot be used leaves the net
    // in use as it was.
    const std::string wanted = t.raw_value.empty() ? EMBEDDED_NET_NAME : t.raw_value;
    char error[NNUE_ERROR_SIZE];
    const bool loaded = wanted == EMBEDDED_NET_NAME ? use_embedded_net(error, sizeof error)
                                                    : use_net_file(wanted.c_str(), error, sizeof error);
    if (loaded) {
      option_eval_file = wanted;
      std::printf("info string EvalFile %s loaded\n", current_net_name());
    } else {
      std::printf("info string EvalFile cannot be used: %s; the net in use stays %s\n", error,
                  current_net_name()[0] ? current_net_name() : "none (the hand-written evaluation)");
    }
    std::fflush(stdout);
    log_printf("EvalFile %s: %s\n", wanted.c_str(), loaded ? "loaded" : error);
  } else if (t.name == "multipv") {
    option_multipv = std::clamp(parse_int32(value), 1, MULTIPV_MAX);
  } else if (t.name == "ownbook") {
    option_own_book = t.value == "true";
    hand_options_down();
    if (!open_book()) print_unreadable_book(stdout);
  } else if (t.name == "ponder") {
    option_ponder = t.value == "true";
    log_printf("Ponder set to %d\n", option_ponder);
  } else if (t.name == "book file") {
    // The file name keeps its case and every word: book paths live on
    // case-sensitive file systems and may contain blanks.
    if (t.raw_value.size() < BOOK_FILE_NAME_SIZE)
      std::strcpy(option_book_file, t.raw_value.c_str());
    else
      option_book_file[0] = '\0';
    std::printf("info string book file is %s\n", option_book_file);
    hand_options_down();
    if (!open_book()) print_unreadable_book(stdout);
    std::fflush(stdout);
  } else {
    std::printf("info string %s not recognized\n", name);
    std::fflush(stdout);
    log_printf("option %s (value %s) not understood.\n", name, value);
  }
}
