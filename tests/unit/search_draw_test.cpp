#include <gtest/gtest.h>

#include "board/keys.h"
#include "board_test_support.h"
#include "search/draw.h"
#include "search/tables.h"

namespace {

using board_test::setup;

// A chain of positions linked back to the first, with keys chosen by the
// test: keys[i] is the key of the position i plies after the start.
struct Chain {
  Position positions[64] = {};
  void build(const uint64_t* keys, int count, int fifty_at_end) {
    for (int i = 0; i < count; ++i) {
      positions[i].key = keys[i];
      positions[i].previous = i > 0 ? &positions[i - 1] : nullptr;
      positions[i].ply = static_cast<int16_t>(i);
      int fifty = fifty_at_end - (count - 1 - i);
      positions[i].fifty = static_cast<uint16_t>(fifty > 0 ? fifty : 0);
    }
  }
};

TEST(DrawDetection, FiftyMoveRule) {
  Position p = {};
  p.key = 1;
  p.fifty = 100;
  EXPECT_EQ(is_repetition(p), 1);  // whatever the history
  p.fifty = 99;
  EXPECT_EQ(is_repetition(p), 0);  // no history: the walk stops at once
}

TEST(DrawDetection, MateOnTheHundredthHalfMoveWins) {
  Position mated = setup("R5k1/5ppp/8/8/8/8/8/6K1 b - - 100 90");
  EXPECT_EQ(is_repetition(mated), 0);
  Position escapes = setup("R5k1/5pp1/8/8/8/8/8/6K1 b - - 100 90");
  EXPECT_EQ(is_repetition(escapes), 1);
}

TEST(DrawDetection, RepetitionFourPliesBack) {
  const uint64_t keys[] = {10, 11, 12, 13, 10};
  Chain c;
  c.build(keys, 5, 4);
  EXPECT_EQ(is_repetition(c.positions[4]), 1);
  // The same history behind an irreversible move three plies ago is no draw.
  c.build(keys, 5, 3);
  EXPECT_EQ(is_repetition(c.positions[4]), 0);
}

TEST(DrawDetection, OnlySameSideToMoveIsCompared) {
  // Equal keys two plies and three plies back are never compared.
  const uint64_t two_back[] = {20, 21, 22, 23, 22};
  Chain c;
  c.build(two_back, 5, 4);
  EXPECT_EQ(is_repetition(c.positions[4]), 0);
  const uint64_t three_back[] = {30, 31, 35, 33, 34, 35};
  c.build(three_back, 6, 5);
  EXPECT_EQ(is_repetition(c.positions[5]), 0);
}

TEST(DrawDetection, WalkStopsAtTheLastIrreversibleMove) {
  // The position eight plies back repeats, but the fifty-move counter says
  // a pawn moved six plies ago.
  const uint64_t keys[] = {40, 41, 42, 43, 44, 45, 46, 47, 40};
  Chain c;
  c.build(keys, 9, 6);
  EXPECT_EQ(is_repetition(c.positions[8]), 0);
  c.build(keys, 9, 8);
  EXPECT_EQ(is_repetition(c.positions[8]), 1);
  // A history cut short (hand-built) ends the walk without a draw.
  c.build(keys, 9, 30);
  c.positions[2].previous = nullptr;
  c.positions[8].key = 99;
  EXPECT_EQ(is_repetition(c.positions[8]), 0);
}

TEST(DrawDetection, DrawnMaterialList) {
  build_search_tables();
  const uint64_t wn = material_weight[WHITE][KNIGHT], bn = material_weight[BLACK][KNIGHT];
  const uint64_t wb = material_weight[WHITE][BISHOP], bb = material_weight[BLACK][BISHOP];
  EXPECT_TRUE(is_drawn_material(0));
  EXPECT_TRUE(is_drawn_material(wn));
  EXPECT_TRUE(is_drawn_material(bb));
  EXPECT_TRUE(is_drawn_material(wn + bb));
  EXPECT_TRUE(is_drawn_material(wb + bn));
  EXPECT_TRUE(is_drawn_material(2 * bn));
  EXPECT_FALSE(is_drawn_material(2 * wb));  // two bishops mate
  EXPECT_FALSE(is_drawn_material(wb + wn));
  EXPECT_FALSE(is_drawn_material(material_weight[WHITE][PAWN]));
  EXPECT_FALSE(is_drawn_material(material_weight[WHITE][ROOK]));
}

TEST(DrawDetection, DeadDrawNeedsDistanceAndNoCheck) {
  build_search_tables();
  Position parent = {};
  Position p = {};
  p.previous = &parent;
  p.material_key = 2 * material_weight[WHITE][KNIGHT];
  p.phase = 2;
  EXPECT_TRUE(is_dead_draw(p, 3));
  EXPECT_FALSE(is_dead_draw(p, 2));
  p.in_check = 1;
  EXPECT_FALSE(is_dead_draw(p, 5));
  p.in_check = 0;
  parent.in_check = 1;
  EXPECT_FALSE(is_dead_draw(p, 5));
  parent.in_check = 0;
  p.material_key = material_weight[WHITE][KNIGHT] + material_weight[BLACK][BISHOP];
  p.phase = 4;
  EXPECT_TRUE(is_dead_draw(p, 4));
}

TEST(DrawDetection, DrawValueBySideOfTheRoot) {
  EXPECT_EQ(draw_value(-5, 0), -5);
  EXPECT_EQ(draw_value(-5, 2), -5);
  EXPECT_EQ(draw_value(-5, 3), 5);
  EXPECT_EQ(draw_value(0, 1), 0);
}

}  // namespace
