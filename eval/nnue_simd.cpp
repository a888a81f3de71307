// The x86-64 paths of the network's inner loops: SSE2, which every x86-64
// processor has, and AVX2, compiled for that instruction set function by
// function (no compile flag changes) and used only where the processor has
// it (eval/nnue.cpp asks once at start-up).  The 32-bit program compiles
// none of this and takes the scalar loops.
//
// Each loop does exactly what its scalar twin does: 16-bit lanes that wrap,
// and output products formed as (c * w) in 16 bits, then multiplied by c
// again and summed pairwise into 32-bit lanes (pmaddwd), totalled in 64 bits.
#include "eval/nnue_kernels.h"

#if defined(__x86_64__)

#include <immintrin.h>

namespace {

// A wide change (a refresh, or castling) keeps a tile of the accumulator in
// eight registers while every row is added to it, instead of passing over
// memory once per row.
constexpr int TILE_REGISTERS = 8;

// ---- SSE2: 8 lanes per register. ----

constexpr int SSE2_LANES = 8;
constexpr int SSE2_TILE = TILE_REGISTERS * SSE2_LANES;
static_assert(NNUE_HIDDEN % SSE2_TILE == 0);

inline __m128i load128(const int16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store128(int16_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

void apply_sse2(const int16_t* in, int16_t* out, NnueRows rows, const uint16_t* add, int n_add, const uint16_t* sub,
                int n_sub) {
  for (int base = 0; base < NNUE_HIDDEN; base += SSE2_TILE) {
    __m128i r[TILE_REGISTERS];
    for (int k = 0; k < TILE_REGISTERS; ++k) r[k] = load128(in + base + k * SSE2_LANES);
    for (int j = 0; j < n_add; ++j) {
      const int16_t* row = rows[add[j]] + base;
      for (int k = 0; k < TILE_REGISTERS; ++k) r[k] = _mm_add_epi16(r[k], load128(row + k * SSE2_LANES));
    }
    for (int j = 0; j < n_sub; ++j) {
      const int16_t* row = rows[sub[j]] + base;
      for (int k = 0; k < TILE_REGISTERS; ++k) r[k] = _mm_sub_epi16(r[k], load128(row + k * SSE2_LANES));
    }
    for (int k = 0; k < TILE_REGISTERS; ++k) store128(out + base + k * SSE2_LANES, r[k]);
  }
}

void add1_sub1_sse2(const int16_t* in, int16_t* out, const int16_t* a, const int16_t* s) {
  for (int i = 0; i < NNUE_HIDDEN; i += SSE2_LANES)
    store128(out + i, _mm_sub_epi16(_mm_add_epi16(load128(in + i), load128(a + i)), load128(s + i)));
}

void add1_sub2_sse2(const int16_t* in, int16_t* out, const int16_t* a, const int16_t* s1, const int16_t* s2) {
  for (int i = 0; i < NNUE_HIDDEN; i += SSE2_LANES) {
    __m128i v = _mm_add_epi16(load128(in + i), load128(a + i));
    store128(out + i, _mm_sub_epi16(_mm_sub_epi16(v, load128(s1 + i)), load128(s2 + i)));
  }
}

inline __m128i screlu_terms_sse2(__m128i acc, __m128i w) {
  __m128i c = _mm_min_epi16(_mm_max_epi16(acc, _mm_setzero_si128()), _mm_set1_epi16(NNUE_QA));
  return _mm_madd_epi16(_mm_mullo_epi16(c, w), c);
}

int64_t output_sum_sse2(const int16_t* us, const int16_t* them, const int16_t* weights) {
  __m128i sum_us = _mm_setzero_si128(), sum_them = _mm_setzero_si128();
  for (int i = 0; i < NNUE_HIDDEN; i += SSE2_LANES) {
    sum_us = _mm_add_epi32(sum_us, screlu_terms_sse2(load128(us + i), load128(weights + i)));
    sum_them = _mm_add_epi32(sum_them, screlu_terms_sse2(load128(them + i), load128(weights + NNUE_HIDDEN + i)));
  }
  alignas(16) int32_t lanes[8];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sum_us);
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes + 4), sum_them);
  int64_t total = 0;
  for (int32_t lane : lanes) total += lane;
  return total;
}

// ---- AVX2: 16 lanes per register. ----

constexpr int AVX2_LANES = 16;
constexpr int AVX2_TILE = TILE_REGISTERS * AVX2_LANES;
static_assert(NNUE_HIDDEN % AVX2_TILE == 0);

#define PELION_AVX2 __attribute__((target("avx2")))

PELION_AVX2 inline __m256i load256(const int16_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
PELION_AVX2 inline void store256(int16_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

PELION_AVX2 void apply_avx2(const int16_t* in, int16_t* out, NnueRows rows, const uint16_t* add, int n_add,
                            const uint16_t* sub, int n_sub) {
  for (int base = 0; base < NNUE_HIDDEN; base += AVX2_TILE) {
    __m256i r[TILE_REGISTERS];
    for (int k = 0; k < TILE_REGISTERS; ++k) r[k] = load256(in + base + k * AVX2_LANES);
    for (int j = 0; j < n_add; ++j) {
      const int16_t* row = rows[add[j]] + base;
      for (int k = 0; k < TILE_REGISTERS; ++k) r[k] = _mm256_add_epi16(r[k], load256(row + k * AVX2_LANES));
    }
    for (int j = 0; j < n_sub; ++j) {
      const int16_t* row = rows[sub[j]] + base;
      for (int k = 0; k < TILE_REGISTERS; ++k) r[k] = _mm256_sub_epi16(r[k], load256(row + k * AVX2_LANES));
    }
    for (int k = 0; k < TILE_REGISTERS; ++k) store256(out + base + k * AVX2_LANES, r[k]);
  }
}

PELION_AVX2 void add1_sub1_avx2(const int16_t* in, int16_t* out, const int16_t* a, const int16_t* s) {
  for (int i = 0; i < NNUE_HIDDEN; i += AVX2_LANES)
    store256(out + i, _mm256_sub_epi16(_mm256_add_epi16(load256(in + i), load256(a + i)), load256(s + i)));
}

PELION_AVX2 void add1_sub2_avx2(const int16_t* in, int16_t* out, const int16_t* a, const int16_t* s1,
                                const int16_t* s2) {
  for (int i = 0; i < NNUE_HIDDEN; i += AVX2_LANES) {
    __m256i v = _mm256_add_epi16(load256(in + i), load256(a + i));
    store256(out + i, _mm256_sub_epi16(_mm256_sub_epi16(v, load256(s1 + i)), load256(s2 + i)));
  }
}

PELION_AVX2 inline __m256i screlu_terms_avx2(__m256i acc, __m256i w) {
  __m256i c = _mm256_min_epi16(_mm256_max_epi16(acc, _mm256_setzero_si256()), _mm256_set1_epi16(NNUE_QA));
  return _mm256_madd_epi16(_mm256_mullo_epi16(c, w), c);
}

PELION_AVX2 int64_t output_sum_avx2(const int16_t* us, const int16_t* them, const int16_t* weights) {
  __m256i sum_us = _mm256_setzero_si256(), sum_them = _mm256_setzero_si256();
  for (int i = 0; i < NNUE_HIDDEN; i += AVX2_LANES) {
    sum_us = _mm256_add_epi32(sum_us, screlu_terms_avx2(load256(us + i), load256(weights + i)));
    sum_them = _mm256_add_epi32(sum_them, screlu_terms_avx2(load256(them + i), load256(weights + NNUE_HIDDEN + i)));
  }
  alignas(32) int32_t lanes[16];
  _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), sum_us);
  _mm256_store_si256(reinterpret_cast<__m256i*>(lanes + 8), sum_them);
  int64_t total = 0;
  for (int32_t lane : lanes) total += lane;
  return total;
}

#undef PELION_AVX2

}  // namespace

const NnueKernels NNUE_SSE2_KERNELS = {apply_sse2, add1_sub1_sse2, add1_sub2_sse2, output_sum_sse2};
const NnueKernels NNUE_AVX2_KERNELS = {apply_avx2, add1_sub1_avx2, add1_sub2_avx2, output_sum_avx2};

#endif  // __x86_64__
