#include <gtest/gtest.h>

#include "board/score_pair.h"

TEST(ScorePair, PackingAndCarries) {
  EXPECT_EQ(make_score(-1, -1), 0x7fffffff7fffffffULL);
  EXPECT_EQ(opening_part(make_score(-1, -1)), -1);
  EXPECT_EQ(endgame_part(make_score(-1, -1)), -1);
  EXPECT_EQ(score_add(make_score(0, -1), make_score(0, 1)), 0u);
  EXPECT_EQ(score_negate(make_score(5, -7)), make_score(-5, 7));
  EXPECT_EQ(score_negate(0), 0u);
  EXPECT_EQ(score_sub(make_score(10, 20), make_score(3, 30)), make_score(7, -10));
  EXPECT_EQ(score_scale(3, make_score(-4, 5)), make_score(-12, 15));
}

TEST(ScorePair, BlendRounding) {
  EXPECT_EQ(blend_score(make_score(9, 9), 0, 0), 0);
  EXPECT_EQ(blend_score(make_score(9, 9), 96, 0), 0);
  EXPECT_EQ(blend_score(make_score(-15, -15), 50, 0), -1);
  EXPECT_EQ(blend_score(make_score(-15, -15), 50, 1), 1);
  EXPECT_EQ(blend_score(make_score(600, 800), 96, 0), 60);
  EXPECT_EQ(blend_score(make_score(600, 800), 0, 0), 80);
  EXPECT_EQ(blend_score(make_score(600, 800), 110, 0), blend_score(make_score(600, 800), 96, 0));
}
