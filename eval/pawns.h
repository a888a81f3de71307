// Pawn-structure evaluation: everything that depends only on the pawns and
// the two kings, cached by the position's pawn key.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "board/score_pair.h"

struct PawnEntry {
  uint64_t key;          // full pawn key
  ScorePair score;       // White's view
  uint8_t passed[2][8];  // passed-pawn squares per colour, ascending, 0-terminated when fewer than 8
};

// The pawn cache of one searching thread, with its statistics (reported
// in the log after each search).
constexpr int PAWN_TABLE_SIZE = 131072;
struct PawnTable {
  PawnEntry entry[PAWN_TABLE_SIZE];
  uint64_t hits;
  uint64_t probes;
};

// The cached entry for the position's pawns and kings (computed on a miss).
const PawnEntry& evaluate_pawns(const Position& p, PawnTable* table);

struct EvalTrace;

// Computes the entry from scratch into `out`, bypassing the cache.  When
// side_sums is given it receives White's and Black's sums (each in its own
// favour) whose difference is the score; when trace is given, the uses of
// the tuned weights are counted into it.
void compute_pawn_entry(const Position& p, PawnEntry* out, ScorePair* side_sums = nullptr, EvalTrace* trace = nullptr);

// Builds the geometric masks the pawn evaluation uses (once is enough).
void build_pawn_masks();

// Squares on the files beside a square's file, strictly ahead of it from
// the colour's point of view.
extern Bitboard flank_ahead[2][64];
