#include "search/tables.h"

#include "search/draw.h"

uint8_t late_move_reduction[REDUCTION_DEPTHS][REDUCTION_MOVES];
Bitboard front_span[2][64];

namespace {

// 1000 ln(i), rounded, for i = 1..63 (entry 0 unused).
constexpr int LN_1000[64] = {
    0,    0,    693,  1099, 1386, 1609, 1792, 1946, 2079, 2197, 2303, 2398, 2485, 2565, 2639, 2708,
    2773, 2833, 2890, 2944, 2996, 3045, 3091, 3135, 3178, 3219, 3258, 3296, 3332, 3367, 3401, 3434,
    3466, 3497, 3526, 3555, 3584, 3611, 3638, 3664, 3689, 3714, 3738, 3761, 3784, 3807, 3829, 3850,
    3871, 3892, 3912, 3932, 3951, 3970, 3989, 4007, 4025, 4043, 4060, 4078, 4094, 4111, 4127, 4143};

Bitboard build_front_span(int colour, int square) {
  Bitboard span = 0;
  int file = square & 7;
  int rank = square >> 3;
  for (int r = 0; r < 8; ++r) {
    if (colour == 0 ? r <= rank : r >= rank) continue;
    for (int f = file - 1; f <= file + 1; ++f)
      if (f >= 0 && f < 8) span |= Bitboard{1} << (r * 8 + f);
  }
  return span;
}

}  // namespace

void build_search_tables() {
  for (int c = 0; c < 2; ++c)
    for (int s = 0; s < 64; ++s) front_span[c][s] = build_front_span(c, s);
  for (int d = 0; d < REDUCTION_DEPTHS; ++d)
    for (int m = 0; m < REDUCTION_MOVES; ++m) {
      // In thousandths of a ply: 750 + ln d ln m / 2.25.
      int milli = d >= 1 && m >= 1 ? 750 + LN_1000[d] * LN_1000[m] / 2250 : 0;
      late_move_reduction[d][m] = static_cast<uint8_t>((2 * milli + 500) / 1000);
    }
  build_drawn_material();
}
