// The staged move picker: hands out the moves of a position one at a time,
// generating each class of moves only when the previous class is used up.
//
// Modes and their stages (stage 9 ends every sequence):
//   0  all moves, not in check:        1 2 3 4 5 8
//   1  captures, quiet checks, losers: 1 2 7 8
//   2  captures and quiet checks:      1 2 7
//   3  captures only:                  1 2
//   4  check evasions:                 1 6 8
// Stages: 1 hash move, 2 captures and queen/knight promotions, 3 killer 1,
// 4 killer 2, 5 quiet moves by history, 6 evasions, 7 quiet checks, 8 the
// moves deferred as losing material.  Rook and bishop promotions are never
// offered.
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

// Quiet-move history by [side][moving piece type][to-square].  Each search
// thread keeps its own and hands it to the picker, which orders quiet moves
// and quiet evasions by it; the search keeps its values within the signed
// 16-bit range.
struct HistoryTable {
  int32_t cell[2][8][64];
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
  const HistoryTable* history;  // null: quiet moves keep their generation order
  const uint32_t* current;      // moves or deferred
  // While in the list an entry holds its ordering key (a signed 16-bit
  // number) in the high half and the move in the low half.
  uint32_t moves[MAX_MOVES];
  Move deferred[MAX_MOVES];
  uint32_t deferred_count;
  Move done[4];
  uint32_t done_count;
  uint32_t tag;  // the caller's; the picker does not read it
};

void picker_init(const Position& position, MoveList* list, int mode, Move hash_move, Move killer1, Move killer2,
                 const HistoryTable* history, uint32_t tag);
// The next move of the mode, or 0 when none is left (do not call again then).
Move picker_next(MoveList* list);
