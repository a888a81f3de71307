#include "eval/three_file_mask.h"

Bitboard three_file_mask[64];

void build_three_file_mask() {
  for (int s = 0; s < 64; ++s) {
    int f = file_of(s);
    // Take the square and its right neighbour (its left one on the h-file),
    // add the square left of that pair, and on the a-file the one to the right.
    Bitboard row = square_bit(s) | (f < 7 ? square_bit(s + 1) : square_bit(s - 1));
    int left = f < 7 ? f - 1 : f - 2;
    if (left >= 0)
      row |= square_bit(rank_of(s) * 8 + left);
    else
      row |= square_bit(s + 2);
    Bitboard rank_row = row >> (rank_of(s) * 8);
    three_file_mask[s] = rank_row * FILE_A;
  }
}
