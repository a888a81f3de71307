// The UCI command interpreter.  uci_poll takes at most one line from the
// command queue and acts on it; it runs in the protocol loop and, re-entered
// through the search's input hook, from inside the search, which is how
// "stop", "ponderhit", "isready" and "quit" reach a running search.
#pragma once

#include <cstddef>
#include <cstdint>

#include "board/position.h"
#include "search/search_state.h"

// The positions of the current game: entry 0 is the position given by
// "position", entry k+1 is entry k after the k-th listed move.
constexpr int GAME_RECORD_SIZE = 2048;
extern Position game_record[GAME_RECORD_SIZE];
extern int game_ply;

// "movestogo" is kept within 0 (sudden death; a negative count means
// nothing) and this many moves; "depth" is kept at most at 99 (no limit).
constexpr int MAX_MOVES_TO_GO = 1000;
// "mate" is kept within 0 (none) and the longest mate the deepest search can
// see (a mate in n moves is 2n - 1 plies deep).
constexpr int MAX_MATE_MOVES = (NO_DEPTH_LIMIT + 1) / 2;
// "go perft N" counts at least 1 and at most this many plies.
constexpr int MAX_PERFT_DEPTH = 30;

// Fills limits from the words after "go" (words[0] is "go"), and the words
// of "searchmoves", each followed by a blank, into the text of the given
// size ("" when there are none; words that do not fit are left out).
constexpr int SEARCHMOVES_TEXT_SIZE = 8192;
void parse_go(char** words, int count, SearchLimits* limits, char* searchmoves = nullptr, size_t searchmoves_size = 0);

// The legal moves of the root that the blank-separated text names, in the
// order of the move generator, each once.
void root_moves_from_text(const Position& root, const char* text, RootMoveSet* out);

uint32_t command_hash(const char* word);

// Installs uci_poll as the search's input hook (search/driver.h), so that
// commands are taken while a search runs.  Called once at start-up.
void install_search_hooks();

// One interpreter step.  Once standard input has ended and every line is
// taken, it ends the process with status 0, as "quit" does, unless that was
// turned off (the self-test and test-data runs go on without input).
void uci_poll();
void set_input_end_ends_engine(bool on);

// Acts on one input line (cut at its first line end).
void uci_execute(char* line);

// 1 while "go" is inside the search.  Commands that would disturb a running
// search ("position", "go", "setoption") are held back until it has ended.
extern int search_active;
