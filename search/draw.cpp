#include "search/draw.h"

#include "board/keys.h"
#include "board/make_move.h"
#include "board/movegen.h"

uint64_t drawn_material[DRAWN_MATERIAL_COUNT];

void build_drawn_material() {
  const uint64_t wn = material_weight[WHITE][KNIGHT], bn = material_weight[BLACK][KNIGHT];
  const uint64_t wb = material_weight[WHITE][BISHOP], bb = material_weight[BLACK][BISHOP];
  const uint64_t list[DRAWN_MATERIAL_COUNT] = {0, wn, bn, wb, bb, wn + bn, wb + bb, wn + bb, wb + bn, 2 * wn, 2 * bn};
  for (int i = 0; i < DRAWN_MATERIAL_COUNT; ++i) drawn_material[i] = list[i];
}

namespace {

// Whether the side to move, in check, has a move that gets out of it.
bool can_escape_check(const Position& p) {
  Move moves[MAX_MOVES];
  int n = generate_all(p, moves);
  Position child;
  for (int i = 0; i < n; ++i) {
    make_move(p, &child, moves[i]);
    if (!king_attacked(child, side_to_move(p))) return true;
  }
  return false;
}

}  // namespace

int is_repetition(const Position& p) {
  // A move that completes the hundred half-moves and mates wins: the mate
  // ends the game before a draw can be claimed.
  if (p.fifty > 99) return !p.in_check || can_escape_check(p);
  if (p.fifty < 4) return 0;
  // Only positions with the same side to move can repeat this one: walk
  // back two plies at a time, from four plies back to the last capture or
  // pawn move.  The chain may end early only in a hand-built history.
  const Position* q = p.previous ? p.previous->previous : nullptr;
  for (int distance = 4; distance <= p.fifty; distance += 2) {
    if (!q || !q->previous) return 0;
    q = q->previous->previous;
    if (!q) return 0;
    if (q->key == p.key) return 1;
  }
  return 0;
}
