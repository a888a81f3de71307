// The UCI command interpreter.  uci_poll takes at most one line from the
// command queue and acts on it; it runs in the protocol loop and, re-entered,
// from inside the search, which is how "stop", "ponderhit", "isready" and
// "quit" reach a running search.
#pragma once

#include <cstdint>

#include "board/position.h"

// The positions of the current game: entry 0 is the position given by
// "position", entry k+1 is entry k after the k-th listed move.
constexpr int GAME_RECORD_SIZE = 2048;
extern Position game_record[GAME_RECORD_SIZE];
extern int game_ply;

// The parameters of the last "go".  The node budget and the pondering flag
// live in search/search_state.h, where the search reads them.
constexpr int SEARCHMOVES_SIZE = 8192;
struct SearchLimits {
  double wtime, btime;  // seconds left on the clocks
  double winc, binc;    // increments, seconds
  int32_t movestogo;    // 0 = sudden death
  double movetime;      // seconds; 0 = none
  int32_t depth;        // plies; 0 = none
  int infinite;
  int32_t mate;       // "go mate N": a mate in at most N moves ends the search; 0 = none
  int clock_given;    // "wtime" or "btime" was given
  char searchmoves[SEARCHMOVES_SIZE];  // each move followed by one blank
};
extern SearchLimits search_limits;

// "movestogo" is kept within 0 (sudden death; a negative count means
// nothing) and this many moves; "depth" is kept at most at 99 (no limit).
constexpr int MAX_MOVES_TO_GO = 1000;
// "mate" is kept within 0 (none) and the longest mate a 99-ply search can see.
constexpr int MAX_MATE_MOVES = 50;

// Fills limits from the words after "go" (words[0] is "go"); also sets the
// node budget, the pondering flag and the fixed move time.
void parse_go(char** words, int count, SearchLimits* limits);

uint32_t command_hash(const char* word);

// One interpreter step.  Once standard input has ended and every line is
// taken, it ends the process with status 0, as "quit" does (not in the
// self-test and test-data runs).
void uci_poll();

// Acts on one input line (cut at its first line end).
void uci_execute(char* line);

// 1 while "go" is inside the search.  Commands that would disturb a running
// search ("position", "go", "setoption") are held back until it has ended.
extern int search_active;
