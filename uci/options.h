// The options a GUI may set with "setoption", each a plain global of the
// protocol layer.  The layers below never read them: the search gets its
// settings with every "go" (search_settings_from_options), the evaluation and
// the book get theirs through their own setters (hand_options_down).
#pragma once

#include <cstdint>
#include <string>

#include "book/book.h"
#include "search/search_state.h"
#include "search/tablebase.h"
#include "search/tt.h"
constexpr int HASH_MAX_MB = 4096;  // advertised maximum of Hash
constexpr int MULTIPV_MAX = 99;    // advertised maximum of MultiPV

extern int option_ponder;                           // Ponder (only logged)
extern int option_hash_mb;                          // Hash, megabytes; 0 turns the table off
extern int option_own_book;                         // OwnBook
extern int option_multipv;                          // MultiPV
extern char option_book_file[BOOK_FILE_NAME_SIZE];  // Book File
extern int option_use_lmr;                          // use lmr
extern int option_null_move;                        // null move pruning
extern int option_deterministic;                    // deterministic
extern int option_best_line;                        // Best Line
extern int option_king_safety;                      // King Safety Aggressiveness
extern int option_move_overhead_ms;                 // move overhead milliseconds
extern int option_drawscore;                        // Drawscore
extern int option_threads;                          // Threads: search threads, the main thread included
extern int option_chess960;                         // UCI_Chess960: positions set up after it follow Chess960 rules
extern int option_limit_strength;                   // UCI_LimitStrength: play at the rating of UCI_Elo
extern int option_elo;                              // UCI_Elo
extern int option_show_wdl;                         // UCI_ShowWDL: info lines carry win/draw/loss chances
extern std::string option_syzygy_path;              // SyzygyPath: ':'-separated tablebase folders; "<empty>": none
extern int option_syzygy_probe_depth;               // SyzygyProbeDepth
extern int option_syzygy_50_move_rule;              // Syzygy50MoveRule
extern int option_syzygy_probe_limit;               // SyzygyProbeLimit
extern int option_use_nnue;                         // Use NNUE: the network instead of the hand-written evaluation
extern std::string option_eval_file;                // EvalFile: the network's file, or <embedded>

// Check options handled by the table (name, target), in declaration order.
struct CheckOption {
  const char* name;  // "" ends the table
  int* target;
};
// Spin options handled by the table; a value outside the advertised range
// is clamped to it.
struct SpinOption {
  const char* name;  // "" ends the table
  int* target;
  int min;
  int max;
};
extern const CheckOption check_options[];
extern const SpinOption spin_options[];

// Range of the Threads option; a value outside it is clamped.
constexpr int THREADS_MIN = 1;
constexpr int THREADS_MAX = 256;

// The option lines of the answer to "uci"; each default shows the current value.
void print_option_declarations();

// The name and value texts of a "setoption" line (words[0] is "setoption").
// The name is lower-cased.  The value is lower-cased with every second word
// cut to 8 characters, except that raw_value keeps all value words exactly
// as given (joined by single blanks), which a file name needs.
struct SetoptionText {
  std::string name;
  std::string value;
  std::string raw_value;
};
SetoptionText parse_setoption(char** words, int count);

// The engine's transposition table, shared by all its searches and their
// threads; "Hash" sizes it, "Clear Hash" empties it.
extern TranspositionTable engine_table;

// Builds the transposition table for the "Hash" size in megabytes (at
// least 1) and returns the size to report: the request itself, or the
// smaller power of two that memory allowed.
int allocate_hash_table(int megabytes);

// The search settings as the options stand, for the next "go".
SearchSettings search_settings_from_options();
// The tablebase settings as the options stand, for the next "go".
TablebaseSettings tablebase_settings_from_options();

// Hands the options the evaluation and the book read to their setters
// (the evaluation's weights and the book file follow at the next
// initialise_evaluation and open_book).  Runs at start-up and whenever one
// of them changes.
void hand_options_down();

// Carries out a "setoption" line.
void apply_setoption(char** words, int count);
