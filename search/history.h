// The move-ordering memory of one search thread: what the search learns
// about moves while it runs, read back to order and to reduce them.
//
//  - butterfly history: quiet moves by side, from- and to-square;
//  - continuation history: quiet moves by piece and target square, in the
//    context of the move one ply before and of the move two plies before
//    (the same table, entered with either of those moves);
//  - capture history: captures by capturing piece, target and victim;
//  - countermoves: the quiet reply that last refuted a move.
//
// Every entry moves by a bounded ("gravity") step: a reward of b moves the
// value by b less b times its own share of the limit, so a value can
// approach but never pass +-HISTORY_LIMIT, and a move that keeps its value
// high must keep earning it.
#pragma once

#include <cstdint>

#include "board/picker.h"
#include "board/types.h"

struct HistoryTables {
  int16_t butterfly[2][64 * 64];
  int16_t continuation[PIECE_SQUARES][PIECE_SQUARES];
  int16_t captures[PIECE_SQUARES][8];
  Move counter[PIECE_SQUARES];
};

// The reward for a move that refuted a node searched to depth half-plies.
inline int history_bonus(int depth) {
  int plies = depth / 2;
  int b = 16 * plies * plies + 32 * plies + 16;
  return b < 1600 ? b : 1600;
}

// Moves the entry towards +-HISTORY_LIMIT by bonus (|bonus| <= HISTORY_LIMIT).
inline void history_update(int16_t* entry, int bonus) {
  int h = *entry;
  int magnitude = bonus < 0 ? -bonus : bonus;
  h += bonus - h * magnitude / HISTORY_LIMIT;
  *entry = static_cast<int16_t>(h);
}
