#include "search/wdl.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "board/bits.h"
#include "search/score.h"

namespace {

// Fitted by tools/wdl/fit_wdl.js.  Material enters as x = material / 78
// (78: the start position), with material kept within [8, 78].
// The fit: 240 self-play games at 12000 nodes a move, 33840 positions (see
// the README); the centre falls from about 115 cp in the endgame to about
// 60 cp with all pieces on, and the width grows with the material (a
// middlegame edge decides less than the same edge in an ending).
constexpr double CENTRE[3] = {129.8, -161.9, 93.4};  // centipawns: c0 + c1 x + c2 x^2
constexpr double WIDTH[3] = {16.7, 90.5, -19.3};     // centipawns: w0 + w1 x + w2 x^2
constexpr int MATERIAL_MIN = 8;
constexpr int MATERIAL_MAX = 78;


int per_mille(double p) { return static_cast<int>(std::lround(p * 1000.0)); }

}  // namespace

Wdl wdl_from_score(int score, int material) {
  if (score > MATE_BOUND) return {1000, 0, 0};
  if (score < -MATE_BOUND) return {0, 0, 1000};
  const double x = std::clamp(material, MATERIAL_MIN, MATERIAL_MAX) / 78.0;
  const double centre = std::max(1.0, CENTRE[0] + CENTRE[1] * x + CENTRE[2] * x * x);
  const double width = std::max(1.0, WIDTH[0] + WIDTH[1] * x + WIDTH[2] * x * x);
  const int win = per_mille(1.0 / (1.0 + std::exp((centre - score) / width)));
  const int loss = per_mille(1.0 / (1.0 + std::exp((centre + score) / width)));
  // With the centre above zero the two chances never add up to more than
  // one; rounding may still push them a unit over.
  const int draw = std::max(0, 1000 - win - loss);
  return {win, draw, 1000 - win - draw};
}

int wdl_material(const Position& p) {
  static constexpr int VALUE[7] = {0, 1, 3, 3, 5, 9, 0};
  int material = 0;
  for (int c = 0; c < 2; ++c)
    for (int t = PAWN; t <= QUEEN; ++t) material += VALUE[t] * popcount(p.pieces[c][t]);
  return material;
}
