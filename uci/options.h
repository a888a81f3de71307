// The options a GUI may set with "setoption".  Each is a plain global read
// directly by the code it governs.
#pragma once

#include <cstdint>

extern int option_ponder;            // Ponder (only logged)
extern int option_hash_mb;           // Hash, megabytes; 0 turns the table off
extern int option_own_book;          // OwnBook
extern int option_multipv;           // MultiPV
extern char option_book_file[1024];  // Book File
extern int option_use_lmr;           // use lmr
extern int option_null_move;         // null move pruning
extern int option_deterministic;     // deterministic
extern int option_best_line;         // Best Line
extern int option_king_safety;       // King Safety Aggressiveness
extern int option_move_overhead_ms;  // move overhead milliseconds
extern int option_drawscore;         // Drawscore
