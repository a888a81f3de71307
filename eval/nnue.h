// The network evaluation: a perspective network (768 -> 256) x 2 -> 1 with a
// squared clipped ReLU, kept up to date move by move.
//
// Each side has its own accumulator: the first layer's 256 sums over the
// pieces seen from that side (its own men first, the board mirrored top to
// bottom for Black).  A move changes only a few inputs, so a child's
// accumulator is its parent's plus or minus a few weight rows; the output
// layer then reads the side to move's accumulator and the other's.
//
// Everything after loading is integer arithmetic on int16 accumulators
// (wrapping alike in every code path) and int32/int64 output sums, so the
// scalar, SSE2 and AVX2 paths and all three programs give the same numbers.
// Nothing here allocates, locks or throws once a net is loaded.
#pragma once

#include <cstddef>
#include <cstdint>

#include "board/position.h"

constexpr int NNUE_INPUTS = 768;  // 2 sides (own, other) x 6 piece types x 64 squares
constexpr int NNUE_HIDDEN = 256;  // first-layer neurons of each perspective
constexpr int NNUE_QA = 255;      // first-layer quantisation (and the clip of the activation)
constexpr int NNUE_QB = 64;       // output-layer quantisation
constexpr uint32_t NNUE_VERSION = 1;
constexpr int NNUE_SCALE_MAX = 10000;   // largest accepted centipawn scale
constexpr int NNUE_EVAL_LIMIT = 20000;  // evaluations are clamped to +-this
// Exact size of a network file for this engine's hidden size: header,
// feature weights, feature bias, output weights, output bias, checksum.
constexpr size_t NNUE_FILE_SIZE =
    32 + size_t{NNUE_INPUTS} * NNUE_HIDDEN * 2 + NNUE_HIDDEN * 2 + 2 * NNUE_HIDDEN * 2 + 4 + 4;
// Room for a loader's one-line reason.
constexpr int NNUE_ERROR_SIZE = 256;

// A loaded network.  About 385 KiB: keep it in static storage or allocate it
// with new (which honours the alignment), not on a small thread stack.
struct NnueWeights {
  alignas(64) int16_t feature_weights[NNUE_INPUTS][NNUE_HIDDEN];  // one row per input
  alignas(64) int16_t feature_bias[NNUE_HIDDEN];
  alignas(64) int16_t output_weights[2 * NNUE_HIDDEN];  // side to move's half, then the other's
  int32_t output_bias;
  int32_t scale;  // centipawns per unit of the float output, 1..NNUE_SCALE_MAX
};

// First-layer sums of a position, indexed by perspective (WHITE, BLACK).
struct NnueAccumulator {
  alignas(64) int16_t values[2][NNUE_HIDDEN];
};

// Reads a network file image.  On success fills *out and returns true.  On
// failure returns false, writes a one-line reason (no newline) into error
// (error_size bytes, may be 0 with error null) and leaves *out untouched:
// every check runs on the bytes before anything is written.  Refused: a size
// other than NNUE_FILE_SIZE, a wrong magic, version, input count, hidden
// size, QA or QB, a scale outside 1..NNUE_SCALE_MAX, a checksum that does
// not match, and an output weight outside -127..127 (the trainer clips them
// there; a larger one would overflow the int16 products of the output layer).
// Never reads past bytes + size.
bool nnue_load(const uint8_t* bytes, size_t size, NnueWeights* out, char* error, int error_size);

// The same from a file; a missing path, a directory or other non-regular
// file, a read error and a file of the wrong size are refused with a reason
// that names the path.  Reads at most NNUE_FILE_SIZE + 1 bytes.
bool nnue_load_file(const char* path, NnueWeights* out, char* error, int error_size);

// Both perspectives' sums of the position, from scratch.
void nnue_refresh(const NnueWeights& net, const Position& p, NnueAccumulator* out);

// The child's sums from its parent's: the inputs that changed are found by
// comparing the two positions' piece sets (what the parent has and the child
// not was removed, and the reverse added), so every kind of move -- castling
// of both kinds, en passant, promotions, the null move -- needs no special
// case.  Works for any two positions (many differences fall back to a
// refresh); child_acc may be &parent_acc.
void nnue_update(const NnueWeights& net, const Position& parent, const Position& child,
                 const NnueAccumulator& parent_acc, NnueAccumulator* child_acc);

// The network's score in centipawns from the point of view of side_to_move
// (WHITE or BLACK), clamped to +-NNUE_EVAL_LIMIT.
int nnue_evaluate(const NnueWeights& net, const NnueAccumulator& acc, int side_to_move);

// The network the engine plays with, or null when none is loaded.  A plain
// global: set it only between searches (never while a search thread may
// evaluate), and keep the record alive while it is current.
const NnueWeights* nnue_current();
void nnue_set_current(const NnueWeights* net);

// Code paths of the inner loops.  The best one the processor has is chosen
// once at start-up: SSE2 on every x86-64, AVX2 where the processor and the
// operating system support it; the 32-bit program always takes the portable
// scalar path.  All paths give identical results.
constexpr int NNUE_SIMD_SCALAR = 0;
constexpr int NNUE_SIMD_SSE2 = 1;
constexpr int NNUE_SIMD_AVX2 = 2;
int nnue_best_simd_level();
int nnue_simd_level();
// For tests and measurements: selects a path no better than the best one
// (a higher request is lowered to it) and returns the path now in use.
// Like the current net, change it only while nothing evaluates.
int nnue_set_simd_level(int level);
const char* nnue_simd_name(int level);
