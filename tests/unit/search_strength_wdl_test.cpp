// The draw among the root lines under limited strength, and the
// win/draw/loss model: the properties a GUI and a player rely on.
#include <gtest/gtest.h>

#include "search/score.h"
#include "search/strength.h"
#include "search/wdl.h"

TEST(Strength, DrawStaysAmongTheNearBestLines) {
  const int scores[] = {50, 40, -200, -900};
  int seen[4] = {0, 0, 0, 0};
  for (int i = 0; i < 1000; ++i) ++seen[weakened_line_index(scores, 4, 30, i / 1000.0)];
  // Lines far below the best (beyond four spreads) are never played; the
  // close second is, but less often than the best.
  EXPECT_EQ(seen[2] + seen[3], 0);
  EXPECT_GT(seen[1], 100);
  EXPECT_GT(seen[0], seen[1]);
  // A mate of our own is always played, a line into a mate never.
  const int mating[] = {MATE_SCORE - 5, 30};
  EXPECT_EQ(weakened_line_index(mating, 2, 500, 0.99), 0);
  const int mated[] = {-MATE_SCORE + 40, -MATE_SCORE + 8};
  EXPECT_EQ(weakened_line_index(mated, 2, 500, 0.99), 0);
  // Weaker ratings search less and choose more loosely.
  EXPECT_LT(strength_plan(LIMIT_ELO_MIN).nodes, strength_plan(2000).nodes);
  EXPECT_LT(strength_plan(2000).nodes, strength_plan(LIMIT_ELO_MAX).nodes);
  EXPECT_GT(strength_plan(LIMIT_ELO_MIN).spread, strength_plan(LIMIT_ELO_MAX).spread);
}

TEST(Wdl, ChancesSumToOneThousandAndFollowTheScore) {
  for (int material : {0, 20, 78})
    for (int score = -1200; score <= 1200; score += 37) {
      const Wdl w = wdl_from_score(score, material);
      ASSERT_EQ(w.win + w.draw + w.loss, 1000) << score;
      ASSERT_TRUE(w.win >= 0 && w.draw >= 0 && w.loss >= 0) << score;
      const Wdl better = wdl_from_score(score + 37, material);
      EXPECT_GE(better.win, w.win) << score;
      EXPECT_LE(better.loss, w.loss) << score;
      // The model is symmetric: the other side's view mirrors it.
      const Wdl mirrored = wdl_from_score(-score, material);
      EXPECT_EQ(mirrored.win, w.loss) << score;
    }
  EXPECT_EQ(wdl_from_score(MATE_SCORE - 3, 40).win, 1000);
  EXPECT_EQ(wdl_from_score(-MATE_SCORE + 2, 40).loss, 1000);
}
