// The inner loops of the network evaluation, one set per code path
// (eval/nnue.cpp holds the scalar set and picks one; eval/nnue_simd.cpp the
// x86-64 sets).  Every loop runs over the NNUE_HIDDEN lanes of one
// perspective.  Accumulator lanes are int16 and wrap on overflow in every
// path alike, so the order in which rows are added never matters.
#pragma once

#include <cstdint>

#include "eval/nnue.h"

using NnueRows = const int16_t (*)[NNUE_HIDDEN];

struct NnueKernels {
  // out = in + the rows listed in add - the rows listed in sub (out may be in).
  void (*apply)(const int16_t* in, int16_t* out, NnueRows rows, const uint16_t* add, int n_add, const uint16_t* sub,
                int n_sub);
  // The two common moves, fused: a quiet move (one row in, one out) and a
  // capture (one in, two out).
  void (*add1_sub1)(const int16_t* in, int16_t* out, const int16_t* a, const int16_t* s);
  void (*add1_sub2)(const int16_t* in, int16_t* out, const int16_t* a, const int16_t* s1, const int16_t* s2);
  // sum over lanes of (c * w) * c with c = the lane clipped to 0..NNUE_QA, for
  // the side to move's lanes against the first half of the output weights
  // and the other side's against the second.  c * w is taken in 16 bits
  // (it fits: the loader holds |w| <= 127), each int32 lane of partial sums
  // adds at most 64 products of at most 255 * 255 * 127 (far below 2^31),
  // and the total is taken in int64: every path gets the exact sum.
  int64_t (*output_sum)(const int16_t* us, const int16_t* them, const int16_t* weights);
};

extern const NnueKernels NNUE_SCALAR_KERNELS;
#if defined(__x86_64__)
extern const NnueKernels NNUE_SSE2_KERNELS;
extern const NnueKernels NNUE_AVX2_KERNELS;
#endif
