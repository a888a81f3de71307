// Limited strength ("UCI_LimitStrength", "UCI_Elo").  A weaker Pelion still
// has to play chess that looks like chess, and it has to be the same player
// under every clock.  Two knobs do it, both growing with the rating:
//
//  - a node budget for every move: the search stops there whatever the
//    clock allows, so a bullet game and a slow game see the same depth
//    (the clock still ends a search that runs short of time; from about
//    2300 up the budget is more than a blitz clock allows, so there the
//    engine plays as well as the clock lets it);
//  - a choice among the best root lines: the search keeps several lines
//    (MultiPV), and the move is drawn from them with a weight that falls
//    off exponentially with a line's distance below the best score.  The
//    fall-off (the "spread", in centipawns) is wide for a weak player, who
//    often settles for a move that is a little worse, and narrow for a
//    strong one.  A line more than four spreads below the best, and a line
//    that walks into a mate, is never played; a mate of our own always is.
//
// The draws come from a seeded generator, so a sequence of commands
// always gives the same moves.
#pragma once

#include <cstdint>

#include "board/types.h"
#include "search/search_state.h"

constexpr int LIMIT_ELO_MIN = 1350;
constexpr int LIMIT_ELO_MAX = 2850;
constexpr int LIMIT_ELO_DEFAULT = 1500;

// How a rating plays.
struct StrengthPlan {
  uint64_t nodes;  // node budget of one move
  int lines;       // root lines searched to choose from
  int spread;      // centipawns: how fast a line's chance falls with its distance below the best
};

// The plan of a rating (taken within LIMIT_ELO_MIN..LIMIT_ELO_MAX).
StrengthPlan strength_plan(int elo);

// Narrows a search's limits and settings to the plan of settings->limit_elo;
// a limit of 0 (full strength) leaves both as they are.
void limit_strength(SearchLimits* limits, SearchSettings* settings);

// The lines of the last completed iteration that a limited search chooses
// from, and the generator of its draws; the main thread's record owns them.
constexpr int STRENGTH_MAX_LINES = 8;
struct StrengthLine {
  Move move;
  Move reply;
  int score;
};
struct StrengthState {
  StrengthLine lines[STRENGTH_MAX_LINES];
  int line_count;
  uint64_t generator;  // carried from search to search, so a game's draws differ
};
void reset_strength(StrengthState* s);

// The driver hands over each completed iteration's lines, best first
// (index 0 starts a new set); pv is the line's 0-terminated move list.
void note_root_line(StrengthState* s, int index, const Move* pv, int score);

// At the end of a limited search: draws the move to play from the lines of
// the last completed iteration and puts it and its expected reply into
// *best and *ponder (unchanged when there is nothing to choose).  key
// varies the draw with the position.
void choose_weakened_move(StrengthState* s, uint64_t key, int elo, Move* best, Move* ponder);

// The draw itself: the index of the line to play among count scores, best
// first.  unit is a uniform number in [0, 1).
int weakened_line_index(const int* scores, int count, int spread, double unit);
