// The transposition table: a hash table of search results, shared by the
// main and the quiescence search of every thread of one search.  The engine
// keeps one table for all its searches (the protocol layer owns it); the data
// generator gives each of its games a table of its own.  A search reaches
// its table through its job, never through a global.  Buckets of
// four 16-byte slots fill one 64-byte cache line, so a probe touches a single
// line.
//
// Threads read and write the slots without a lock.  A slot is two 64-bit
// words, the packed data and the key XOR that data, each read and written
// as a whole (relaxed atomic accesses).  Two threads writing the same slot
// at once can leave one thread's key word beside the other's data word; the
// key decoded from such a pair matches no position, so a torn slot reads as
// empty or as another position, never as wrong data for this one.  Moves
// from the table are still checked for legality before they are played.
#pragma once

#include <atomic>
#include <cstdint>

#include "board/types.h"
#include "search/score.h"

// What an entry's score says about the position: at most the score (the
// search failed low), at least the score (it failed high), or the score
// itself.  BOUND_EXACT has both bits, so a reader tests BOUND_LOWER to use the
// score as a lower bound and BOUND_UPPER to use it as an upper bound.
constexpr int BOUND_NONE = 0;
constexpr int BOUND_UPPER = 1;
constexpr int BOUND_LOWER = 2;
constexpr int BOUND_EXACT = BOUND_UPPER | BOUND_LOWER;

// One entry as the search sees it, unpacked from its slot.
struct TTEntry {
  uint64_t key;        // full hash key; 0 = empty slot
  int16_t score;       // mate scores relative to the node (mate_to_table)
  uint16_t move;       // low 16 bits of the best or refuting move; 0 = none
  int16_t depth;       // remaining depth in half-plies; quiescence uses 0 and -2
  uint8_t bound;       // BOUND_UPPER, BOUND_LOWER or BOUND_EXACT
  uint8_t generation;  // table generation when the entry was written
};

// One entry as stored.
struct TTSlot {
  alignas(8) uint64_t check;  // key XOR data
  alignas(8) uint64_t data;   // score, move, depth, bound, generation (16+16+16+8+8 bits)
};
static_assert(sizeof(TTSlot) == 16);

constexpr int TT_SLOTS = 4;
struct TTBucket {
  TTSlot slot[TT_SLOTS];
};
static_assert(sizeof(TTBucket) == 64);

struct TranspositionTable {
  uint64_t bucket_count;  // a power of two; 0 while the table is off
  uint64_t mask;          // bucket_count - 1
  uint32_t generation;    // 0..255; changed only between searches
  TTBucket* buckets;      // null while the table is off
};

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
uint64_t tt_allocate(TranspositionTable* tt, int megabytes, uint64_t byte_limit = UINT64_MAX);
void tt_free(TranspositionTable* tt);
// Empties the table and restarts the generation count.  Not while a search runs.
void tt_clear(TranspositionTable* tt);
void tt_new_search(TranspositionTable* tt);
inline bool tt_enabled(const TranspositionTable& tt) { return tt.buckets != nullptr; }
// The table's size in megabytes; 0 while it is off.
inline int tt_megabytes(const TranspositionTable& tt) { return static_cast<int>(tt.bucket_count * sizeof(TTBucket) >> 20); }

inline uint64_t tt_load_word(const uint64_t& word) {
  return std::atomic_ref<uint64_t>(const_cast<uint64_t&>(word)).load(std::memory_order_relaxed);
}
inline void tt_store_word(uint64_t& word, uint64_t value) {
  std::atomic_ref<uint64_t>(word).store(value, std::memory_order_relaxed);
}

inline uint64_t tt_pack(const TTEntry& e) {
  return uint64_t{static_cast<uint16_t>(e.score)} | uint64_t{e.move} << 16 |
         uint64_t{static_cast<uint16_t>(e.depth)} << 32 | uint64_t{e.bound} << 48 | uint64_t{e.generation} << 56;
}
inline TTEntry tt_unpack(uint64_t key, uint64_t data) {
  return {key,
          static_cast<int16_t>(static_cast<uint16_t>(data)),
          static_cast<uint16_t>(data >> 16),
          static_cast<int16_t>(static_cast<uint16_t>(data >> 32)),
          static_cast<uint8_t>(data >> 48),
          static_cast<uint8_t>(data >> 56)};
}

// A slot's entry, and a slot overwritten with an entry (the store's steps;
// exposed for tests).
inline TTEntry tt_read_slot(const TTSlot& s) {
  uint64_t data = tt_load_word(s.data);
  return tt_unpack(tt_load_word(s.check) ^ data, data);
}
inline void tt_write_slot(TTSlot& s, const TTEntry& e) {
  uint64_t data = tt_pack(e);
  tt_store_word(s.data, data);
  tt_store_word(s.check, e.key ^ data);
}

// Copies the entry holding this key into *out; false when there is none.
inline bool tt_probe(const TranspositionTable& tt, uint64_t key, TTEntry* out) {
  if (!tt.buckets) return false;
  const TTSlot* s = tt.buckets[key & tt.mask].slot;
  for (int i = 0; i < TT_SLOTS; ++i) {
    uint64_t data = tt_load_word(s[i].data);
    if ((tt_load_word(s[i].check) ^ data) == key) {
      *out = tt_unpack(key, data);
      return true;
    }
  }
  return false;
}

// Starts loading the bucket of a position that is about to be searched, so
// that the probe at its node entry does not wait for memory.
inline void tt_prefetch(const TranspositionTable& tt, uint64_t key) {
  if (tt.buckets) __builtin_prefetch(&tt.buckets[key & tt.mask]);
}

// Replacement: a shallower non-exact result of the same search leaves an
// entry this many half-plies deeper in place (its move is still updated).
constexpr int TT_KEEP_DEEPER = 6;
// A full bucket gives up the entry of least depth, each search of age
// counting as this many half-plies less.
constexpr int TT_AGE_WEIGHT = 16;

// Per mille of the table in use by the current search, from the first
// thousand slots (a sample: the keys spread evenly over the table).
int tt_hashfull(const TranspositionTable& tt);

// Stores a search result (see the replacement rules above).
void tt_store(TranspositionTable* tt, uint64_t key, int depth, int score, int bound, Move move);
