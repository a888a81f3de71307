// Draws the search recognises: the fifty-move rule, a repetition since the
// last irreversible move, and pawnless material that cannot be won.
#pragma once

#include <cstdint>

#include "board/position.h"

// 1 when the position is drawn by the fifty-move rule or repeats a position
// of the same side to move since the last irreversible move, else 0.
int is_repetition(const Position& p);

// Material signatures of the drawn balances: bare kings, a single minor
// piece, one minor piece each, and two knights against a bare king.
constexpr int DRAWN_MATERIAL_COUNT = 11;
extern uint64_t drawn_material[DRAWN_MATERIAL_COUNT];
void build_drawn_material();

inline bool is_drawn_material(uint64_t material_key) {
  for (int i = 0; i < DRAWN_MATERIAL_COUNT; ++i)
    if (drawn_material[i] == material_key) return true;
  return false;
}

// The draw score (SearchSettings::draw_score) is set from the root side's
// point of view; nodes at odd distance from the root see it negated.
inline int draw_value(int draw_score, int ply) { return (ply & 1) ? -draw_score : draw_score; }

// Node-entry test: a drawn balance far enough from the root, with no check
// at this node or the one before it, is scored without search.
inline bool is_dead_draw(const Position& p, int ply) {
  return ply >= 3 && p.phase <= 8 && !p.in_check && p.previous && !p.previous->in_check &&
         is_drawn_material(p.material_key);
}
