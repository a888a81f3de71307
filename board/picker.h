// The staged move picker: hands out the moves of a position one at a time,
// generating each class of moves only when the previous class is used up.
//
// The stages, in the order the modes run them:
//   all moves, not in check:          hash move, captures, killer 1, killer 2,
//                                     countermove, quiet moves, losing moves
//   captures, quiet checks, losers:   hash move, captures, quiet checks, losing moves
//   captures and quiet checks:        hash move, captures, quiet checks
//   captures only:                    hash move, captures
//   check evasions:                   hash move, evasions, losing moves
// Captures include queen and knight promotions; quiet moves come by
// history; the losing moves are the captures, evasions and quiet checks
// that the exchange shows losing material, deferred to the end.  Rook and
// bishop promotions are never offered.
#pragma once

#include <cstdint>

#include "board/movegen.h"
#include "board/position.h"
#include "board/types.h"

enum PickerMode {
  PICKER_ALL,
  PICKER_CAPTURES_CHECKS_LOSERS,
  PICKER_CAPTURES_CHECKS,
  PICKER_CAPTURES,
  PICKER_EVASIONS,
};

enum PickerStage {
  STAGE_START,        // nothing handed out yet
  STAGE_HASH_MOVE,
  STAGE_CAPTURES,
  STAGE_KILLER1,
  STAGE_KILLER2,
  STAGE_COUNTERMOVE,
  STAGE_QUIETS,
  STAGE_EVASIONS,
  STAGE_QUIET_CHECKS,
  STAGE_LOSING,       // the moves deferred as losing material
  STAGE_END,
};

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
  PickerMode mode;
  uint32_t stage_index;
  PickerStage stage;  // the stage the last move came from
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
};

void picker_init(const Position& position, MoveList* list, PickerMode mode, Move hash_move, Move killer1,
                 Move killer2, const MoveOrdering* ordering);
// The next move of the mode, or 0 when none is left (do not call again then).
Move picker_next(MoveList* list);
// From now on the killers, the countermove and the quiet moves are left out
// (a quiet move already sorted may still come out; the caller prunes it).
inline void picker_skip_quiets(MoveList* list) { list->skip_quiets = 1; }
// Ordering key of a quiet move from the history tables (for tests and the
// search's own reductions).
int quiet_history(const MoveOrdering& ordering, const Position& p, Move m);
