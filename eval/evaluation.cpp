#include "eval/evaluation.h"

#include "app/three_file_mask.h"
#include "board/bits.h"
#include "eval/eval_tables.h"
#include "eval/kpk_bitbase.h"
#include "eval/material.h"
#include "eval/pawns.h"
#include "eval/psq_table.h"

void initialise_evaluation() {
  build_three_file_mask();
  build_material_table();
  build_kpk_bitbase();
  build_pawn_masks();
  build_eval_tables();
}

ScorePair compute_psq(const Position& p) {
  ScorePair s = 0;
  for (int c = WHITE; c <= BLACK; ++c)
    for (int t = PAWN; t <= KING; ++t)
      for (Bitboard b = p.pieces[c][t]; b;) s = score_add(s, psq_table[c][t][pop_lowest_bit(&b)]);
  return s;
}

int compute_phase(const Position& p) {
  int phase = 0;
  for (int c = WHITE; c <= BLACK; ++c)
    for (int t = KNIGHT; t <= QUEEN; ++t) phase += PHASE_WEIGHT[t] * popcount(p.pieces[c][t]);
  return phase;
}
