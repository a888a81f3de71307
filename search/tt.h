// The transposition table: one global hash table of search results, shared
// by the main and the quiescence search.  Buckets of four 16-byte entries
// fill one 64-byte cache line, so a probe touches a single line.
#pragma once

#include <cstdint>

#include "board/types.h"

// Bound codes (low four bits of an entry's flags).  A reader tests bit 2 to
// use the score as a lower bound and bit 1 to use it as an upper bound.
constexpr int BOUND_UPPER = 1;
constexpr int BOUND_LOWER = 2;
constexpr int BOUND_EXACT = 3;

struct TTEntry {
  uint64_t key;        // full hash key; 0 = empty slot
  int16_t score;       // mate scores relative to the node (mate_to_table)
  uint16_t move;       // low 16 bits of the best or refuting move; 0 = none
  int16_t depth;       // remaining depth in half-plies; quiescence uses 0 and -2
  uint8_t flags;       // low 4 bits: bound; high 4 bits: cutoff marker
  uint8_t generation;  // table generation when the entry was written
};
static_assert(sizeof(TTEntry) == 16);

constexpr int TT_SLOTS = 4;
struct TTBucket {
  TTEntry slot[TT_SLOTS];
};
static_assert(sizeof(TTBucket) == 64);

struct TranspositionTable {
  uint64_t bucket_count;  // a power of two; 0 while the table is off
  uint64_t mask;          // bucket_count - 1
  uint32_t generation;    // 0..255
  TTBucket* buckets;      // null while the table is off
};
extern TranspositionTable tt;

// Bucket count for a request in megabytes: the power of two nearest to
// 51 % of the buckets that fit, which is the power-of-two size nearest to
// the request.  Exposed for tests.
uint64_t tt_bucket_count_for(uint64_t megabytes);

// The smallest table: 1 MB.
constexpr uint64_t TT_SMALLEST_BUCKET_COUNT = (uint64_t{1} << 20) / sizeof(TTBucket);

// Builds the table, zero-filled (the previous one must have been freed), and
// returns its size in megabytes.  When the memory for the requested size
// cannot be had, the table is halved until it can, down to 1 MB; only when
// not even that can be had it exits with "Hash table too big" and status 1.
// A size above byte_limit counts as memory that cannot be had (for tests).
uint64_t tt_allocate(int megabytes, uint64_t byte_limit = UINT64_MAX);
void tt_free();
void tt_clear();
void tt_new_search();
inline bool tt_enabled() { return tt.buckets != nullptr; }

// The entry holding this key, or null.  The pointer is only good until the
// next store.
inline const TTEntry* tt_probe(uint64_t key) {
  if (!tt.buckets) return nullptr;
  TTEntry* e = tt.buckets[key & tt.mask].slot;
  if (e[0].key == key) return &e[0];
  if (e[1].key == key) return &e[1];
  if (e[2].key == key) return &e[2];
  if (e[3].key == key) return &e[3];
  return nullptr;
}

// Starts loading the bucket of a position that is about to be searched, so
// that the probe at its node entry does not wait for memory.
inline void tt_prefetch(uint64_t key) {
  if (tt.buckets) __builtin_prefetch(&tt.buckets[key & tt.mask]);
}

void tt_store(uint64_t key, int depth, int score, int bound, Move move, int cutoff_marker);

// Scores: mate in n plies from the root is 32000 - n, mated in n is n - 32000.
constexpr int MATE_SCORE = 32000;
constexpr int INFINITE_SCORE = 32001;
constexpr int MATE_BOUND = 31800;  // |score| above this is a mate score
constexpr int mate_in(int ply) { return MATE_SCORE - ply; }
constexpr int mated_in(int ply) { return ply - MATE_SCORE; }
constexpr bool is_mate_score(int score) { return score > MATE_BOUND || score < -MATE_BOUND; }

// Mate scores are stored relative to the node that stores them, so that the
// same entry means the same thing wherever the position recurs in the tree.
constexpr int mate_to_table(int score, int ply) {
  return score > 31799 ? score + ply : score < -31799 ? score - ply : score;
}
constexpr int mate_from_table(int score, int ply) {
  return score > 31799 ? score - ply : score < -31799 ? score + ply : score;
}
