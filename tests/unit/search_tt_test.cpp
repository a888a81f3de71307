#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "search/tt.h"

namespace {

TranspositionTable tt{};

// A fresh 1 MB table for every test, released afterwards.
class TranspositionTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tt_free(&tt);
    tt_allocate(&tt, 1);
  }
  void TearDown() override { tt_free(&tt); }

  // Keys that all land in bucket 5, numbered 1, 2, 3, ...
  uint64_t same_bucket_key(int n) const { return 5 + static_cast<uint64_t>(n) * tt.bucket_count; }
  TTEntry slot(int i) const { return tt_read_slot(tt.buckets[5].slot[i]); }
  void set_slot(int i, const TTEntry& e) { tt_write_slot(tt.buckets[5].slot[i], e); }
};

bool found(uint64_t key) {
  TTEntry e;
  return tt_probe(tt, key, &e);
}
TTEntry probe(uint64_t key) {
  TTEntry e{};
  EXPECT_TRUE(tt_probe(tt, key, &e)) << key;
  return e;
}

TEST(TranspositionTableSizing, NearestPowerOfTwo) {
  constexpr uint64_t MB = 1 << 20;
  auto bytes = [](uint64_t megabytes) { return tt_bucket_count_for(megabytes) * 64; };
  EXPECT_EQ(tt_bucket_count_for(64), 1048576u);
  EXPECT_EQ(tt_bucket_count_for(100), 1048576u);
  EXPECT_EQ(tt_bucket_count_for(126), 2097152u);
  EXPECT_EQ(bytes(62), 32 * MB);
  EXPECT_EQ(bytes(63), 64 * MB);
  EXPECT_EQ(bytes(125), 64 * MB);
  EXPECT_EQ(bytes(1000), 512 * MB);
  for (uint64_t power = 1; power <= 4096; power *= 2) EXPECT_EQ(bytes(power), power * MB) << power;
}

TEST(TranspositionTableSizing, AllocateFreeAndOff) {
  tt_free(&tt);
  EXPECT_FALSE(tt_enabled(tt));
  // A table that is off finds nothing and stores nothing.
  tt_store(&tt, 42, 10, 100, BOUND_EXACT, 0x123);
  EXPECT_FALSE(found(42));
  tt_allocate(&tt, 2);
  EXPECT_TRUE(tt_enabled(tt));
  EXPECT_EQ(tt.bucket_count, 32768u);
  EXPECT_EQ(tt.mask, 32767u);
  EXPECT_EQ(tt.generation, 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(tt.buckets) % 64, 0u);
  tt_free(&tt);
}

TEST(TranspositionTableSizing, FallsBackToWhatMemoryAllows) {
  tt_free(&tt);
  // 64 MB cannot be had under a 20 MB limit: the largest power of two that
  // fits is taken.
  EXPECT_EQ(tt_allocate(&tt, 64, 20u << 20), 16u);
  EXPECT_EQ(tt.bucket_count, 16u * 1024 * 1024 / 64);
  EXPECT_EQ(tt.mask, tt.bucket_count - 1);
  tt_store(&tt, 7, 4, 10, BOUND_EXACT, 0);
  EXPECT_TRUE(found(7));
  tt_free(&tt);
  EXPECT_EQ(tt_allocate(&tt, 1, 1u << 20), 1u);
  tt_free(&tt);
}

TEST(TranspositionTableDeathTest, NoTableAtAllExitsWithStatusOne) {
  tt_free(&tt);
  EXPECT_EXIT(tt_allocate(&tt, 64, 1000), ::testing::ExitedWithCode(1), "Hash table too big");
}

TEST_F(TranspositionTableTest, StoreAndProbe) {
  EXPECT_FALSE(found(12345));
  tt_store(&tt, 12345, 8, -77, BOUND_LOWER, 0x0abc);
  TTEntry e;
  ASSERT_TRUE(tt_probe(tt, 12345, &e));
  EXPECT_EQ(e.score, -77);
  EXPECT_EQ(e.depth, 8);
  EXPECT_EQ(e.move, 0x0abc);
  EXPECT_EQ(e.bound, BOUND_LOWER);
  EXPECT_FALSE(found(12345 + tt.bucket_count));  // same bucket, other position
}

TEST_F(TranspositionTableTest, SameKeyKeepsTheDeeperResult) {
  uint64_t key = same_bucket_key(1);
  tt_store(&tt, key, 20, 50, BOUND_LOWER, 0x0111);
  // A much shallower bound of the same search leaves the deep result, but
  // without a move it keeps the old move and with one it records it.
  tt_store(&tt, key, 4, -30, BOUND_UPPER, 0);
  TTEntry e = probe(key);
  EXPECT_EQ(e.depth, 20);
  EXPECT_EQ(e.score, 50);
  EXPECT_EQ(e.bound, BOUND_LOWER);
  EXPECT_EQ(e.move, 0x0111);
  tt_store(&tt, key, 4, -30, BOUND_LOWER, 0x0333);
  EXPECT_EQ(probe(key).move, 0x0333);
  EXPECT_EQ(probe(key).depth, 20);
  // Nearly as deep, exact, or the old entry from an earlier search: replaced.
  tt_store(&tt, key, 20 - TT_KEEP_DEEPER, 7, BOUND_UPPER, 0);
  EXPECT_EQ(probe(key).depth, 20 - TT_KEEP_DEEPER);
  EXPECT_EQ(probe(key).move, 0x0333);
  tt_store(&tt, key, 2, 8, BOUND_EXACT, 0x0222);
  EXPECT_EQ(probe(key).depth, 2);
  tt_store(&tt, key, 30, 9, BOUND_LOWER, 0);
  tt_new_search(&tt);
  tt_store(&tt, key, 2, 10, BOUND_UPPER, 0);
  EXPECT_EQ(probe(key).depth, 2);
  EXPECT_EQ(probe(key).score, 10);
  // Only one slot ever holds the position.
  int copies = 0;
  for (int i = 0; i < TT_SLOTS; ++i) copies += slot(i).key == key;
  EXPECT_EQ(copies, 1);
}

TEST_F(TranspositionTableTest, ScoresBeyondRangeAreNotStored) {
  tt_store(&tt, 99, 10, 32600, BOUND_LOWER, 0x0101);
  tt_store(&tt, 99, 10, -32501, BOUND_UPPER, 0x0101);
  EXPECT_FALSE(found(99));
  tt_store(&tt, 99, 10, 32500, BOUND_LOWER, 0x0101);
  ASSERT_TRUE(found(99));
  // An entry already there stays unchanged.
  tt_store(&tt, 99, 2, 32600, BOUND_UPPER, 0x0202);
  EXPECT_EQ(probe(99).score, 32500);
  EXPECT_EQ(probe(99).depth, 10);
}

TEST_F(TranspositionTableTest, FullBucketGivesUpItsLeastWorthEntry) {
  // Same age: the shallowest goes, any slot (the first of equals).
  const int depths[4] = {10, 12, 8, 16};
  for (int i = 0; i < 4; ++i) tt_store(&tt, same_bucket_key(i + 1), depths[i], i, BOUND_EXACT, 0x0100 + i);
  tt_store(&tt, same_bucket_key(5), 40, 5, BOUND_LOWER, 0);
  EXPECT_EQ(slot(2).key, same_bucket_key(5));
  EXPECT_EQ(slot(2).move, 0);  // overwritten whole
  EXPECT_EQ(slot(2).bound, BOUND_LOWER);
  tt_store(&tt, same_bucket_key(6), 40, 6, BOUND_LOWER, 0);
  EXPECT_EQ(slot(0).key, same_bucket_key(6));
  // Age counts against depth: the depth-16 entry two searches old is now
  // worth 16 - 2 * TT_AGE_WEIGHT, less than a current depth-12 entry.
  tt_new_search(&tt);
  tt_new_search(&tt);
  for (int i : {0, 1, 2}) {
    TTEntry e = slot(i);
    e.generation = static_cast<uint8_t>(tt.generation);
    set_slot(i, e);
  }
  tt_store(&tt, same_bucket_key(7), 1, 7, BOUND_UPPER, 0);
  EXPECT_EQ(slot(3).key, same_bucket_key(7));
  EXPECT_EQ(slot(3).generation, tt.generation);
  EXPECT_TRUE(found(same_bucket_key(2)));
  EXPECT_FALSE(found(same_bucket_key(4)));
}

TEST_F(TranspositionTableTest, GenerationWrapsAfter256Searches) {
  uint32_t start = tt.generation;
  for (int i = 0; i < 255; ++i) tt_new_search(&tt);
  EXPECT_EQ(tt.generation, (start + 255) & 255);
  tt_new_search(&tt);
  EXPECT_EQ(tt.generation, start);
  tt_new_search(&tt);
  tt_store(&tt, 7, 1, 0, BOUND_UPPER, 0);
  EXPECT_EQ(probe(7).generation, (start + 1) & 255);
  tt_clear(&tt);
  EXPECT_EQ(tt.generation, 0u);
  EXPECT_FALSE(found(7));
}

TEST_F(TranspositionTableTest, TornSlotReadsAsAnotherPosition) {
  // The key word of one store beside the data word of another, as two
  // threads writing the same slot at once can leave it: the data is not
  // taken for the key's position.
  tt_store(&tt, same_bucket_key(1), 10, 55, BOUND_EXACT, 0x0123);
  TTSlot& s = tt.buckets[5].slot[0];
  TTEntry other = tt_read_slot(s);
  other.score = -300;
  other.move = 0x0456;
  s.data = tt_pack(other);
  EXPECT_FALSE(found(same_bucket_key(1)));
}

TEST_F(TranspositionTableTest, ConcurrentWritersNeverMixEntries) {
  // Threads store and probe six positions of one bucket at once, each
  // position always with its own score and move; whatever a probe finds
  // must be what was stored for that position.
  auto score_of = [](uint64_t key) { return static_cast<int>(key % 1000); };
  auto move_of = [](uint64_t key) { return static_cast<Move>(0x100 + key % 3000); };
  std::atomic<int> wrong{0};
  auto work = [&](int seed) {
    for (int i = 0; i < 100000; ++i) {
      uint64_t key = same_bucket_key((i * 7 + seed) % 6 + 1);
      tt_store(&tt, key, i % 40, score_of(key), BOUND_LOWER, move_of(key));
      uint64_t other = same_bucket_key((i * 5 + seed) % 6 + 1);
      TTEntry e;
      if (tt_probe(tt, other, &e) && (e.score != score_of(other) || e.move != move_of(other))) ++wrong;
    }
  };
  std::thread a(work, 1), b(work, 2);
  work(3);
  a.join();
  b.join();
  EXPECT_EQ(wrong, 0);
}

TEST(MateScores, RelativeToTheStoringNode) {
  EXPECT_EQ(mate_to_table(31990, 5), 31995);
  EXPECT_EQ(mate_from_table(31995, 7), 31988);
  EXPECT_EQ(mate_to_table(-31990, 5), -31995);
  EXPECT_EQ(mate_from_table(-31995, 7), -31988);
  // The threshold is 31799: 31799 itself is an ordinary score, 31800 is not.
  EXPECT_EQ(mate_to_table(31799, 3), 31799);
  EXPECT_EQ(mate_to_table(31800, 3), 31803);
  EXPECT_EQ(mate_to_table(-31800, 3), -31803);
  EXPECT_EQ(mate_from_table(1234, 9), 1234);
  EXPECT_EQ(mate_in(3), 31997);
  EXPECT_EQ(mated_in(4), -31996);
  EXPECT_TRUE(is_mate_score(31801));
  EXPECT_FALSE(is_mate_score(31800));
  EXPECT_TRUE(is_mate_score(-31801));
}

}  // namespace
