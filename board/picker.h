// The staged move picker: hands out the moves of a position one at a time,
// generating each class of moves only when the previous class is used up.
//
// Modes and their stages (stage 9 ends every sequence):
//   0  all moves, not in check:        1 2 3 4 10 5 8
//   1  captures, quiet checks, losers: 1 2 7 8
//   2  captures and quiet checks:      1 2 7
//   3  captures only:                  1 2
//   4  check evasions:                 1 6 8
// Stages: 1 hash move, 2 captures and queen/knight promotions, 3 killer 1,
// 4 killer 2, 10 the countermove, 5 quiet moves by history, 6 evasions,
// 7 quiet checks, 8 the moves deferred as losing material.  Rook and bishop
// promotions are never offered.
#pragma once

#include <cstdint>

#include "board/movegen.h"
#include "board/position.h"
#include "board/types.h"

constexpr int PICKER_ALL = 0;
constexpr int PICKER_CAPTURES_CHECKS_LOSERS = 1;
constexpr int PICKER_CAPTURES_CHECKS = 2;
constexpr int PICKER_CAPTURES = 3;
constexpr int PICKER_EVASIONS = 4;

// A piece of a colour on a square, numbered 0..767: the index of the
// continuation and capture histories.
constexpr int PIECE_SQUARES = 12 * 64;
constexpr int piece_square(int colour, int type, int square) { return ((colour * 6 + type - 1) << 6) | square; }

// What the search has learnt about the moves of a position, read by the
// picker to order them.  Each search thread keeps its own tables; every
// value lies within -HISTORY_LIMIT..HISTORY_LIMIT, so that the sum of the
// three quiet tables, halved, stays within the picker's signed 16-bit keys.
constexpr int HISTORY_LIMIT = 16384;
struct MoveOrdering {
  const int16_t* butterfly;        // [from * 64 + to] of the side to move
  const int16_t* continuation[2];  // [piece_square] after the last move and the one before; null when unknown
  const int16_t (*captures)[8];    // [piece_square of the capturer][victim type]
  Move counter;                    // the quiet reply that last refuted the previous move, or 0
};

struct MoveList {
  const Position* position;
  uint32_t mode;
  uint32_t stage_index;
  uint32_t stage;
  int32_t count;
  uint32_t cursor;
  Move hash_move;
  Move killer1;
  Move killer2;
  Move counter;
  const MoveOrdering* ordering;  // null: moves keep their generation order
  const uint32_t* current;      // moves or deferred
  // While in the list an entry holds its ordering key (a signed 16-bit
  // number) in the high half and the move in the low half.
  uint32_t moves[MAX_MOVES];
  Move deferred[MAX_MOVES];
  uint32_t deferred_count;
  Move done[4];
  uint32_t done_count;
  uint32_t skip_quiets;  // set by picker_skip_quiets
  uint32_t tag;          // the caller's; the picker does not read it
};

void picker_init(const Position& position, MoveList* list, int mode, Move hash_move, Move killer1, Move killer2,
                 const MoveOrdering* ordering, uint32_t tag);
// The next move of the mode, or 0 when none is left (do not call again then).
Move picker_next(MoveList* list);
// From now on the killers, the countermove and the quiet moves are left out
// (a quiet move already sorted may still come out; the caller prunes it).
inline void picker_skip_quiets(MoveList* list) { list->skip_quiets = 1; }
// Ordering key of a quiet move from the history tables (for tests and the
// search's own reductions).
int quiet_history(const MoveOrdering& ordering, const Position& p, Move m);
