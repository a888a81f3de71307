#include "uci/options.h"

int option_ponder = 1;
int option_hash_mb = 64;
int option_own_book = 1;
int option_multipv = 1;
char option_book_file[BOOK_FILE_NAME_SIZE] = "pelion.bin";
int option_use_lmr = 1;
int option_null_move = 1;
int option_deterministic = 0;
int option_best_line = 1;
int option_king_safety = 6;
int option_move_overhead_ms = 20;
int option_drawscore = -5;
