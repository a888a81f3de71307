#include <gtest/gtest.h>

#include "board/fen.h"
#include "eval/eval_params.h"
#include "eval/eval_tables.h"
#include "eval/evaluation.h"
#include "eval/pawns.h"
#include "tests/unit/eval_test_support.h"

namespace {

Position from_fen(const char* fen) { return eval_position_from_fen(fen); }

// Every given pawn-structure weight, so that a test can switch on just one.
Weight EvalParams::*const STRUCTURE_WEIGHTS[] = {
    &EvalParams::island,      &EvalParams::undefended_doubled, &EvalParams::space_unit,
    &EvalParams::two_passers, &EvalParams::walled_king,
};

class PawnStructure : public ::testing::Test {
 protected:
  void SetUp() override {
    eval_params = DEFAULT_EVAL_PARAMS;
    initialise_evaluation();
  }
  void TearDown() override {
    eval_params = DEFAULT_EVAL_PARAMS;
    initialise_evaluation();
  }
  // White's and Black's sums with only the given weight `field`, or only
  // the tuned weights from `first` to `last` (TUNED_INDEX), set to (1, 10).
  struct Sums {
    ScorePair white, black;
    PawnEntry entry;
  };
  static Sums only(Weight EvalParams::*field, const char* fen) { return only(field, 0, 0, fen); }
  static Sums only(Weight EvalParams::*field, int first, int last, const char* fen) {
    eval_params = DEFAULT_EVAL_PARAMS;
    for (Weight EvalParams::*w : STRUCTURE_WEIGHTS) eval_params.*w = {0, 0};
    Weight tuned[TUNED_WEIGHT_COUNT] = {};
    for (int i = first; i < last; ++i) tuned[i] = {1, 10};
    tuned_from_list(&eval_params.tuned, tuned);
    if (field) eval_params.*field = {1, 10};
    initialise_evaluation();
    Sums s;
    ScorePair sums[2];
    compute_pawn_entry(from_fen(fen), &s.entry, sums);
    s.white = sums[WHITE];
    s.black = sums[BLACK];
    return s;
  }
};

// Only the tuned table `member` weighted (1, 10) in every entry.
#define ONLY_TUNED(member, fen)      \
  only(nullptr, TUNED_INDEX(member), \
       TUNED_INDEX(member) + static_cast<int>(sizeof(TunedWeights::member) / sizeof(Weight)), fen)

// How often the pawn evaluation of the position used the tuned weight at
// `index`: White's uses count +1, Black's -1.
int uses(const char* fen, int index) {
  EvalTrace t{};
  PawnEntry entry;
  compute_pawn_entry(from_fen(fen), &entry, nullptr, &t);
  return t.uses[index];
}

TEST_F(PawnStructure, Islands) {
  Sums s = only(&EvalParams::island, "4k3/8/8/8/8/8/P1P1P3/4K3 w - - 0 1");
  EXPECT_EQ(s.white, make_score(2, 20));  // three islands
  EXPECT_EQ(s.black, 0u);                 // no pawns, no island term
  eval_params = DEFAULT_EVAL_PARAMS;
  initialise_evaluation();
  EXPECT_EQ(islands_table[0x15], make_score(2 * eval_params.island.op, 2 * eval_params.island.eg));
}

TEST_F(PawnStructure, DoubledAndIsolated) {
  // c2, c3, c4: two extra pawns; the front one (c4) undefended.
  EXPECT_EQ(ONLY_TUNED(doubled, "4k3/8/8/8/2P5/2P5/2P5/4K3 w - - 0 1").white, make_score(2, 20));
  EXPECT_EQ(only(&EvalParams::undefended_doubled, "4k3/8/8/8/2P5/2P5/2P5/4K3 w - - 0 1").white, make_score(1, 10));
  // b3 defends c4: no longer undefended.
  EXPECT_EQ(only(&EvalParams::undefended_doubled, "4k3/8/8/8/2P5/1PP5/2P5/4K3 w - - 0 1").white, 0u);
  // d4 against d6 is closed; a2 on an empty file is open.
  const char* fen = "4k3/8/3p4/8/3P4/8/P7/4K3 w - - 0 1";
  EXPECT_EQ(ONLY_TUNED(isolated_closed, fen).white, make_score(1, 10));
  EXPECT_EQ(ONLY_TUNED(isolated_open, fen).white, make_score(1, 10));
  EXPECT_EQ(ONLY_TUNED(isolated_closed, fen).black, make_score(1, 10));
  // A doubled isolated pair: the front one counts once more.
  EXPECT_EQ(ONLY_TUNED(doubled_isolated_open, "4k3/8/8/8/P7/P7/8/4K3 w - - 0 1").white, make_score(1, 10));
  EXPECT_EQ(ONLY_TUNED(doubled_isolated_closed, "4k3/p7/8/8/P7/P7/8/4K3 w - - 0 1").white, make_score(1, 10));
}

TEST_F(PawnStructure, SpaceAndNeighbours) {
  // Squares behind the pawns: a2 has one, e4 three.
  EXPECT_EQ(only(&EvalParams::space_unit, "4k3/8/8/8/4P3/8/P7/4K3 w - - 0 1").white, make_score(4, 40));
  // d4-e4 stand side by side; the rear pawn of f3-f4 has one ahead of it;
  // f4 is beside e4 but is the front of a doubled file.
  EXPECT_EQ(ONLY_TUNED(connected, "4k3/8/8/8/3PPP2/5P2/8/4K3 w - - 0 1").white, make_score(3, 30));
}

TEST_F(PawnStructure, BackwardPawn) {
  // d3 with e4 ahead of it and c5 guarding d4; the d-file is open ahead.
  const char* fen = "4k3/8/8/2p5/4P3/3P4/8/4K3 w - - 0 1";
  EXPECT_EQ(ONLY_TUNED(backward, fen).white, make_score(1, 10));
  EXPECT_EQ(ONLY_TUNED(backward_open, fen).white, make_score(1, 10));
  // With a Black pawn on d6 the file is closed ahead: backward, not open.
  fen = "4k3/8/3p4/2p5/4P3/3P4/8/4K3 w - - 0 1";
  EXPECT_EQ(ONLY_TUNED(backward, fen).white, make_score(1, 10));
  EXPECT_EQ(ONLY_TUNED(backward_open, fen).white, 0u);
  // Supported from behind by c2: not backward.
  EXPECT_EQ(ONLY_TUNED(backward, "4k3/8/8/2p5/4P3/3P4/2P5/4K3 w - - 0 1").white, 0u);
}

TEST_F(PawnStructure, PassedPawnLists) {
  // Eight passed pawns fill the list without a terminating 0.
  Sums s = only(&EvalParams::two_passers, "4k3/8/8/8/8/8/PPPPPPPP/4K3 w - - 0 1");
  for (int i = 0; i < 8; ++i) EXPECT_EQ(s.entry.passed[WHITE][i], 8 + i);
  EXPECT_EQ(s.entry.passed[BLACK][0], 0);
  EXPECT_EQ(s.white, make_score(1, 10));
  // A pawn beside an enemy pawn is passed; one that must pass an enemy
  // pawn's guard is not.
  s = only(&EvalParams::two_passers, "4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1");
  EXPECT_EQ(s.entry.passed[WHITE][0], 36);
  EXPECT_EQ(s.entry.passed[BLACK][0], 35);
  // e5 and d7 guard each other's way: neither is passed.
  s = only(&EvalParams::two_passers, "4k3/3p4/8/4P3/8/8/8/4K3 w - - 0 1");
  EXPECT_EQ(s.entry.passed[WHITE][0], 0);
  EXPECT_EQ(s.entry.passed[BLACK][0], 0);
  EXPECT_EQ(s.white, 0u);
}

TEST_F(PawnStructure, PasserTerms) {
  // d5 and e5 support each other.
  Sums s = ONLY_TUNED(connected_passer, "4k3/8/8/3PP3/8/8/8/4K3 w - - 0 1");
  EXPECT_EQ(s.white, make_score(2, 20));
  // Passer e5, stop e6: White's king e1 is 5 away, Black's e8 2 away.
  EXPECT_EQ(uses("4k3/8/8/4P3/8/8/8/4K3 w - - 0 1", TUNED_INDEX(passer_king) + 5), 1);
  EXPECT_EQ(uses("4k3/8/8/4P3/8/8/8/4K3 w - - 0 1", TUNED_INDEX(passer_king) + 2), -1);
  // Both are on their fourth relative rank (r = 3), side by side.
  EXPECT_EQ(uses("4k3/8/8/3PP3/8/8/8/4K3 w - - 0 1", TUNED_INDEX(connected_passer) + 3), 2);
  EXPECT_EQ(uses("4k3/8/8/8/3pp3/8/8/4K3 w - - 0 1", TUNED_INDEX(connected_passer) + 3), -2);
  // Candidate: d4 unopposed beside c4, one enemy pawn (c6) left to pass.
  s = ONLY_TUNED(candidate, "4k3/8/2p5/8/2PP4/8/8/4K3 w - - 0 1");
  EXPECT_EQ(s.white, make_score(1, 10));
  // Two sentries: no candidate.
  s = ONLY_TUNED(candidate, "4k3/8/2p1p3/8/2PP4/8/8/4K3 w - - 0 1");
  EXPECT_EQ(s.white, 0u);
}

TEST_F(PawnStructure, ShelterStormAndWalledKing) {
  // King e1 behind f2, g2, h2: the castled shelter (f2 + 2 x g2 + h2)
  // beats its own (f2 alone).
  Sums s = ONLY_TUNED(shield, "4k3/8/8/8/8/8/5PPP/4K3 w - - 0 1");
  EXPECT_EQ(s.white, make_score(4, 40));
  EXPECT_EQ(uses("4k3/8/8/8/8/8/5PPP/4K3 w - - 0 1", TUNED_INDEX(shield) + 1), 4);
  // With a shield worth more on the third rank, f2 + h3 + 2 x g3 on the
  // castled side still counts the ranks of the chosen shelter.
  EXPECT_EQ(uses("4k3/8/8/8/8/6PP/5P2/4K3 w - - 0 1", TUNED_INDEX(shield) + 2), 3);
  // On f1 it gets only its own zone: e2-g4 holds f2 (twice) and g2.
  s = ONLY_TUNED(shield, "4k3/8/8/8/8/8/5PPP/5K2 w - - 0 1");
  EXPECT_EQ(s.white, make_score(3, 30));
  // Black the same way round.
  s = ONLY_TUNED(shield, "4k3/5ppp/8/8/8/8/8/4K3 w - - 0 1");
  EXPECT_EQ(s.black, make_score(4, 40));
  // A White pawn on g5 storms the king on g8, from its relative rank 4.
  s = ONLY_TUNED(storm, "6k1/8/8/6P1/8/8/8/4K3 w - - 0 1");
  EXPECT_EQ(s.white, make_score(1, 10));
  EXPECT_EQ(uses("6k1/8/8/6P1/8/8/8/4K3 w - - 0 1", TUNED_INDEX(storm) + 4), 1);
  // Back-rank kings boxed in by three pawns, or two on the edge.
  EXPECT_EQ(only(&EvalParams::walled_king, "4k3/8/8/8/8/8/5PPP/6K1 w - - 0 1").white, make_score(1, 10));
  EXPECT_EQ(only(&EvalParams::walled_king, "4k3/8/8/8/8/8/6PP/7K w - - 0 1").white, make_score(1, 10));
  EXPECT_EQ(only(&EvalParams::walled_king, "4k3/8/8/8/8/6P1/5P1P/6K1 w - - 0 1").white, 0u);
}

TEST_F(PawnStructure, CacheHitsAndStatistics) {
  Position p = from_fen("r1bqkb1r/pp3ppp/2n1pn2/2pp4/3P4/2P1PN2/PP3PPP/RNBQKB1R w KQkq - 0 1");
  // Displace whatever sits in the slot, then probe twice.
  PawnTable& table = test_eval_caches().pawns;
  table.entry[p.pawn_key & (PAWN_TABLE_SIZE - 1)].key = p.pawn_key ^ 1;
  uint64_t hits = table.hits, probes = table.probes;
  const PawnEntry& first = evaluate_pawns(p, &table);
  EXPECT_EQ(table.hits, hits);
  const PawnEntry& second = evaluate_pawns(p, &table);
  EXPECT_EQ(table.hits, hits + 1);
  EXPECT_EQ(table.probes, probes + 2);
  EXPECT_EQ(&first, &second);
  PawnEntry fresh;
  compute_pawn_entry(p, &fresh);
  EXPECT_EQ(second.score, fresh.score);
  // The pieces do not matter, only pawns and kings.
  Position q = from_fen("4k3/pp3ppp/4p3/2pp4/3P4/2P1P3/PP3PPP/4K3 b - - 0 1");
  EXPECT_EQ(q.pawn_key, p.pawn_key);
  EXPECT_EQ(evaluate_pawns(q, &table).score, fresh.score);
}

}  // namespace
