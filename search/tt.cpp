#include "search/tt.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/exit.h"

uint64_t tt_bucket_count_for(uint64_t megabytes) {
  uint64_t fitting = megabytes * (uint64_t{1} << 20) / sizeof(TTBucket);
  uint64_t x = static_cast<uint64_t>(static_cast<double>(fitting) * 0.51);
  if (x < 1) x = 1;
  // Smallest power of two not below x.
  x -= 1;
  x |= x >> 1;
  x |= x >> 2;
  x |= x >> 4;
  x |= x >> 8;
  x |= x >> 16;
  x |= x >> 32;
  return x + 1;
}

namespace {

// Zeroed memory for count buckets, aligned to a 64-byte cache line, or null.
// The zeroing also makes the memory the process's own now, at the "Hash"
// setting, rather than during the first search.
TTBucket* allocate_buckets(uint64_t count, uint64_t byte_limit) {
  // The byte count must be representable on this build (a 32-bit program
  // cannot address 4 GB); anything else is a failed allocation.
  if (count > SIZE_MAX / sizeof(TTBucket) || count * sizeof(TTBucket) > byte_limit) return nullptr;
  size_t bytes = static_cast<size_t>(count) * sizeof(TTBucket);
  void* memory = std::aligned_alloc(64, bytes);
  if (memory) std::memset(memory, 0, bytes);
  return static_cast<TTBucket*>(memory);
}

}  // namespace

uint64_t tt_allocate(TranspositionTable* tt, int megabytes, uint64_t byte_limit) {
  uint64_t count = tt_bucket_count_for(megabytes < 1 ? 1 : static_cast<uint64_t>(megabytes));
  // When the memory cannot be had, halve the table down to the smallest one.
  TTBucket* buckets;
  while (!(buckets = allocate_buckets(count, byte_limit))) {
    if (count <= TT_SMALLEST_BUCKET_COUNT) {
      std::fprintf(stderr, "Hash table too big\n");
      exit_process(1);
    }
    count /= 2;
  }
  tt->buckets = buckets;
  tt->bucket_count = count;
  tt->mask = count - 1;
  tt->generation = 0;
  return count * sizeof(TTBucket) >> 20;
}

void tt_free(TranspositionTable* tt) {
  std::free(tt->buckets);
  tt->buckets = nullptr;
  tt->bucket_count = 0;
  tt->mask = 0;
}

void tt_clear(TranspositionTable* tt) {
  if (tt->buckets)
    std::memset(static_cast<void*>(tt->buckets), 0, static_cast<size_t>(tt->bucket_count) * sizeof(TTBucket));
  tt->generation = 0;
}

int tt_hashfull(const TranspositionTable& tt) {
  if (!tt.buckets) return 0;
  const uint64_t buckets = tt.bucket_count < 250 ? tt.bucket_count : 250;
  int used = 0;
  for (uint64_t b = 0; b < buckets; ++b)
    for (int i = 0; i < TT_SLOTS; ++i) {
      const TTEntry e = tt_read_slot(tt.buckets[b].slot[i]);
      used += e.key != 0 && e.generation == static_cast<uint8_t>(tt.generation);
    }
  return static_cast<int>(used * 1000 / (buckets * TT_SLOTS));
}

void tt_new_search(TranspositionTable* tt) { tt->generation = (tt->generation + 1) & 255; }

void tt_store(TranspositionTable* tt, uint64_t key, int depth, int score, int bound, Move move) {
  if (!tt->buckets) return;
  if (score < -STORABLE_SCORE || score > STORABLE_SCORE) return;
  TTSlot* slot = tt->buckets[key & tt->mask].slot;
  const uint8_t generation = static_cast<uint8_t>(tt->generation);

  TTEntry e[TT_SLOTS];
  for (int i = 0; i < TT_SLOTS; ++i) e[i] = tt_read_slot(slot[i]);

  // The same position is refreshed in place.  A new move always replaces
  // the old one; the rest only when the new result is exact, nearly as
  // deep, or the old one is from an earlier search: a shallow bound must
  // not wipe out a deep result the next iteration would reuse.
  for (int i = 0; i < TT_SLOTS; ++i) {
    if (e[i].key != key) continue;
    TTEntry& n = e[i];
    if (move) n.move = static_cast<uint16_t>(move);
    if (bound == BOUND_EXACT || depth >= n.depth - TT_KEEP_DEEPER || n.generation != generation) {
      n.score = static_cast<int16_t>(score);
      n.depth = static_cast<int16_t>(depth);
      n.generation = generation;
      n.bound = static_cast<uint8_t>(bound);
    }
    tt_write_slot(slot[i], n);
    return;
  }

  // Otherwise an empty slot, or the one worth least: shallow, and from
  // searches long past (each search of age counts as TT_AGE_WEIGHT
  // half-plies of depth lost).
  int victim = 0;
  int lowest = INT32_MAX;
  for (int i = 0; i < TT_SLOTS; ++i) {
    if (e[i].key == 0) {
      victim = i;
      break;
    }
    const int age = (generation - e[i].generation) & 255;
    const int worth = e[i].depth - TT_AGE_WEIGHT * age;
    if (worth < lowest) {
      lowest = worth;
      victim = i;
    }
  }
  TTEntry n;
  n.key = key;
  n.score = static_cast<int16_t>(score);
  n.depth = static_cast<int16_t>(depth);
  n.move = static_cast<uint16_t>(move);
  n.generation = generation;
  n.bound = static_cast<uint8_t>(bound);
  tt_write_slot(slot[victim], n);
}
