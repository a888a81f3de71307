#include "board/position.h"

#include <initializer_list>

#include "board/bits.h"
#include "board/keys.h"

uint64_t compute_key(const Position& p) {
  uint64_t k = zobrist[0][0][p.ply & 1];
  for (int c = 0; c < 2; ++c)
    for (int t = PAWN; t <= KING; ++t)
      for (Bitboard b = p.pieces[c][t]; b;) k ^= zobrist[c][t][pop_lowest_bit(&b)];
  k ^= castle_zobrist[castle_hash(p.castle_lost)];
  if (p.ep_board) k ^= zobrist[1][0][lowest_bit(p.ep_board)];
  return k;
}

uint64_t compute_pawn_key(const Position& p) {
  uint64_t k = 0;
  for (int c = 0; c < 2; ++c)
    for (int t : {PAWN, KING})
      for (Bitboard b = p.pieces[c][t]; b;) k ^= pawn_zobrist[c][t][pop_lowest_bit(&b)];
  return k;
}

uint64_t compute_material_key(const Position& p) {
  uint64_t k = 0;
  for (int c = 0; c < 2; ++c)
    for (int t = PAWN; t <= QUEEN; ++t) k += static_cast<uint64_t>(popcount(p.pieces[c][t])) * material_weight[c][t];
  return k;
}
