// Opening/endgame score pairs packed into one 64-bit word, so that a whole
// evaluation term is summed with one integer addition.  Bits 32-62 hold the
// opening value and bits 0-30 the endgame value, each as a 31-bit two's
// complement field; bits 31 and 63 are always clear.  Units: tenths of a
// centipawn.
#pragma once

#include <cstdint>

using ScorePair = uint64_t;

constexpr ScorePair PAIR_MASK = 0x7fffffff7fffffffULL;

constexpr ScorePair make_score(int32_t opening, int32_t endgame) {
  return (static_cast<ScorePair>(static_cast<uint32_t>(opening) & 0x7fffffffU) << 32) |
         (static_cast<uint32_t>(endgame) & 0x7fffffffU);
}

// Sign-extends a 31-bit field.
constexpr int32_t score_field(uint32_t f) {
  f &= 0x7fffffffU;
  return static_cast<int32_t>(f | ((f & 0x40000000U) << 1));
}
constexpr int32_t opening_part(ScorePair s) { return score_field(static_cast<uint32_t>(s >> 32)); }
constexpr int32_t endgame_part(ScorePair s) { return score_field(static_cast<uint32_t>(s)); }

// A carry out of the endgame half lands in bit 31 and is masked away.
constexpr ScorePair score_add(ScorePair a, ScorePair b) { return (a + b) & PAIR_MASK; }
constexpr ScorePair score_negate(ScorePair a) { return (0x8000000080000000ULL - a) & PAIR_MASK; }
constexpr ScorePair score_sub(ScorePair a, ScorePair b) { return score_add(a, score_negate(b)); }
constexpr ScorePair score_scale(int32_t n, ScorePair a) {
  // Products are taken modulo 2^31 by the mask, computed in unsigned
  // arithmetic so that no overflow is ever signed.
  return make_score(static_cast<int32_t>(static_cast<uint32_t>(n) * static_cast<uint32_t>(opening_part(a))),
                    static_cast<int32_t>(static_cast<uint32_t>(n) * static_cast<uint32_t>(endgame_part(a))));
}

// Game-phase weights by piece type (none, pawn, knight, bishop, rook, queen, king).
// The start position has phase 96.
constexpr int PHASE_WEIGHT[8] = {0, 0, 1, 3, 9, 22, 0, 0};
constexpr int MAX_PHASE = 96;

// Blends a pair by the game phase into centipawns from the side to move's
// view.  A phase above 96 counts as 96; the division truncates toward zero.
constexpr int32_t blend_score(ScorePair s, int phase, int side_to_move) {
  int p = phase > MAX_PHASE ? MAX_PHASE : phase;
  // 32-bit arithmetic with wrap-around (done unsigned, so never undefined).
  int32_t t = static_cast<int32_t>(static_cast<uint32_t>(opening_part(s)) * static_cast<uint32_t>(p) +
                                   static_cast<uint32_t>(endgame_part(s)) * static_cast<uint32_t>(MAX_PHASE - p));
  int32_t r = t / 960;
  return side_to_move == 0 ? r : -r;
}
