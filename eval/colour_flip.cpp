#include "eval/colour_flip.h"

#include "eval/evaluation.h"

namespace {

Bitboard mirror(Bitboard b) { return __builtin_bswap64(b); }

}  // namespace

void colour_flip(const Position& p, Position* out) {
  Position f = p;
  for (int c = WHITE; c <= BLACK; ++c)
    for (int t = ALL_PIECES; t <= KING; ++t) f.pieces[c][t] = mirror(p.pieces[c ^ 1][t]);
  f.castle_lost = mirror(p.castle_lost);
  for (int right = 0; right < 4; ++right) f.castle_rook[right] = static_cast<uint8_t>(p.castle_rook[right ^ 2] ^ 56);
  f.ep_board = mirror(p.ep_board);
  f.ply = static_cast<int16_t>(p.ply ^ 1);
  f.previous = nullptr;
  if (p.last_move) {
    // Keep the implied move of an en-passant set-up meaningful.
    int from = move_from(p.last_move) ^ 56, to = move_to(p.last_move) ^ 56;
    f.last_move = move_code(from, to, move_kind(p.last_move));
  }
  f.key = compute_key(f);
  f.pawn_key = compute_pawn_key(f);
  f.material_key = compute_material_key(f);
  f.psq = compute_psq(f);
  f.phase = static_cast<int16_t>(compute_phase(f));
  f.eval_cache = EVAL_NOT_COMPUTED;
  *out = f;
}
