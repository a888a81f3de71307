// Bit primitives used everywhere.  Loops over a set always take the lowest
// bit first, which fixes the order in which moves are generated.
#pragma once

#include <cstdint>

#include "board/types.h"

inline int lowest_bit(Bitboard b) { return __builtin_ctzll(b); }

inline int pop_lowest_bit(Bitboard* b) {
  int square = __builtin_ctzll(*b);
  *b &= *b - 1;
  return square;
}

#if defined(PELION_HW_POPCOUNT)
// Compiled with -mpopcnt: this becomes the processor's POPCNT instruction.
inline int popcount(Bitboard b) { return __builtin_popcountll(b); }
#else
// Portable parallel bit sum.
inline int popcount(Bitboard b) {
  b = b - ((b >> 1) & 0x5555555555555555ULL);
  b = (b & 0x3333333333333333ULL) + ((b >> 2) & 0x3333333333333333ULL);
  b = (b + (b >> 4)) & 0x0f0f0f0f0f0f0f0fULL;
  return static_cast<int>((b * 0x0101010101010101ULL) >> 56);
}
#endif

inline int min_int(int a, int b) { return a < b ? a : b; }
inline int max_int(int a, int b) { return a > b ? a : b; }

// King distance and Manhattan distance between two squares.
inline int distance(int a, int b) {
  int df = file_of(a) - file_of(b);
  int dr = rank_of(a) - rank_of(b);
  if (df < 0) df = -df;
  if (dr < 0) dr = -dr;
  return df > dr ? df : dr;
}
inline int manhattan(int a, int b) {
  int df = file_of(a) - file_of(b);
  int dr = rank_of(a) - rank_of(b);
  if (df < 0) df = -df;
  if (dr < 0) dr = -dr;
  return df + dr;
}
