#include "search/strength.h"

#include <algorithm>
#include <cmath>

#include "search/score.h"

namespace {

// The rating table, measured in games against an opponent whose rating
// scale is published (see the README).  Between two rows the budget grows
// geometrically and the spread falls linearly; the number of lines is the
// lower row's.
struct Anchor {
  int elo;
  double nodes;
  int lines;
  double spread;
};
constexpr Anchor ANCHORS[] = {
    {1350, 700, 7, 22}, {1500, 2000, 6, 10}, {2000, 40000, 3, 6}, {2300, 400000, 1, 0}, {2850, 200000000, 1, 0},
};
constexpr int ANCHOR_COUNT = sizeof ANCHORS / sizeof ANCHORS[0];

// A line further below the best than this many spreads is never played.
constexpr int SPREAD_CUTOFF = 4;

constexpr uint64_t DEFAULT_SEED = 0x5eed2b0d1e5a11edULL;

uint64_t next_random(uint64_t* generator, uint64_t mix) {
  // splitmix64 over a counter that the position's key also moves.
  *generator += 0x9e3779b97f4a7c15ULL ^ mix;
  uint64_t z = *generator;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

}  // namespace

StrengthPlan strength_plan(int elo) {
  elo = std::clamp(elo, LIMIT_ELO_MIN, LIMIT_ELO_MAX);
  int i = 0;
  while (i + 1 < ANCHOR_COUNT && elo >= ANCHORS[i + 1].elo) ++i;
  const Anchor& a = ANCHORS[i];
  if (i + 1 == ANCHOR_COUNT) return {static_cast<uint64_t>(a.nodes), a.lines, static_cast<int>(a.spread)};
  const Anchor& b = ANCHORS[i + 1];
  const double f = static_cast<double>(elo - a.elo) / (b.elo - a.elo);
  const double nodes = a.nodes * std::pow(b.nodes / a.nodes, f);
  const double spread = a.spread + (b.spread - a.spread) * f;
  return {static_cast<uint64_t>(std::llround(nodes)), a.lines, static_cast<int>(std::lround(spread))};
}

void limit_strength(SearchLimits* limits, SearchSettings* settings) {
  if (!settings->limit_elo) return;
  const StrengthPlan plan = strength_plan(settings->limit_elo);
  limits->nodes = std::min(limits->nodes, plan.nodes);
  settings->multipv = std::max(settings->multipv, plan.lines);
}

void reset_strength(StrengthState* s) {
  s->line_count = 0;
  s->generator = DEFAULT_SEED;
}

void note_root_line(StrengthState* s, int index, const Move* pv, int score) {
  if (index == 0) s->line_count = 0;
  if (s->line_count >= STRENGTH_MAX_LINES || !pv[0]) return;
  s->lines[s->line_count++] = {pv[0], pv[1], score};
}

int weakened_line_index(const int* scores, int count, int spread, double unit) {
  if (count <= 1 || spread <= 0 || scores[0] > MATE_BOUND) return 0;
  double weights[STRENGTH_MAX_LINES];
  double total = 0;
  int usable = 0;
  for (int i = 0; i < count && i < STRENGTH_MAX_LINES; ++i) {
    const int behind = scores[0] - scores[i];
    if (behind > SPREAD_CUTOFF * spread || (i > 0 && scores[i] < -MATE_BOUND)) break;
    weights[i] = std::exp(-static_cast<double>(behind) / spread);
    total += weights[i];
    usable = i + 1;
  }
  double target = unit * total;
  for (int i = 0; i < usable; ++i) {
    if (target < weights[i]) return i;
    target -= weights[i];
  }
  return 0;
}

void choose_weakened_move(StrengthState* s, uint64_t key, int elo, Move* best, Move* ponder) {
  // The lines are used once: a search that completes no iteration of its
  // own must not draw from the last one's.
  const int count = s->line_count;
  s->line_count = 0;
  if (count < 2) return;
  int scores[STRENGTH_MAX_LINES];
  for (int i = 0; i < count; ++i) scores[i] = s->lines[i].score;
  const double unit = static_cast<double>(next_random(&s->generator, key) >> 11) / 9007199254740992.0;  // 2^53
  const int pick = weakened_line_index(scores, count, strength_plan(elo).spread, unit);
  // Drawing the best line keeps the search's answer, which an iteration cut
  // short by the budget may have improved on.
  if (pick == 0) return;
  *best = s->lines[pick].move;
  *ponder = s->lines[pick].reply;
}
