#include "eval/eval_tables.h"

#include <gtest/gtest.h>

#include <cmath>

#include "board/psq_table.h"
#include "eval/eval_params.h"
#include "eval/evaluation.h"
#include "eval/three_file_mask.h"
#include "tests/unit/eval_test_support.h"

namespace {

using EvalTables = DefaultEvaluation;

TEST_F(EvalTables, Islands) {
  EXPECT_EQ(islands_table[0], 0u);
  EXPECT_EQ(islands_table[255], 0u);
  // Every island after the first costs the weight once.
  const Weight w = eval_params.island;
  EXPECT_EQ(islands_table[21], make_score(2 * w.op, 2 * w.eg));    // a, c, e
  EXPECT_EQ(islands_table[0x81], make_score(w.op, w.eg));          // a and h
  EXPECT_EQ(islands_table[0x55], make_score(3 * w.op, 3 * w.eg));  // a, c, e, g
  EXPECT_EQ(islands_table[0x18], 0u);                     // d and e together
}

TEST_F(EvalTables, Tempo) {
  EXPECT_EQ(tempo_table[96], 100);
  EXPECT_EQ(tempo_table[0], 40);
  EXPECT_EQ(tempo_table[48], 70);
  // Half away from zero: 40 + 60 * 1 / 96 = 40.625 -> 41; 40 + 60 * 4 / 96 = 42.5 -> 43.
  EXPECT_EQ(tempo_table[1], 41);
  EXPECT_EQ(tempo_table[4], 43);
  // A negative tempo rounds symmetrically.
  eval_params.tempo = {-100, -40};
  initialise_evaluation();
  EXPECT_EQ(tempo_table[4], -43);
  EXPECT_EQ(tempo_table[96], -100);
}

TEST_F(EvalTables, KingAttackCurve) {
  const int index[] = {0, 3, 10, 16, 20, 30, 40, 50, 63, 80, 100, 127};
  const int value[] = {0, 6, 68, 166, 248, 487, 731, 943, 1152, 1322, 1422, 1475};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(KING_ATTACK_CURVE[index[i]], value[i]) << index[i];
  for (int i = 1; i < 128; ++i) EXPECT_GT(KING_ATTACK_CURVE[i], KING_ATTACK_CURVE[i - 1]) << i;
}

TEST_F(EvalTables, KingAttackFollowsTheOption) {
  EXPECT_EQ(king_attack_table[0], 0u);
  EXPECT_EQ(king_attack_table[10], make_score(68 * 6, 0));
  EXPECT_EQ(king_attack_table[127], make_score(1475 * 6, 0));
  set_king_safety(0);
  initialise_evaluation();
  for (ScorePair s : king_attack_table) EXPECT_EQ(s, 0u);
  set_king_safety(10);
  initialise_evaluation();
  EXPECT_EQ(opening_part(king_attack_table[63]), 11520);
  EXPECT_EQ(endgame_part(king_attack_table[63]), 0);
}

TEST_F(EvalTables, ThreatsOutpostsSpace) {
  EXPECT_EQ(threat_table[0], 0u);
  // A second threat weighs three times the first (two threats are 4 units).
  const Weight t = eval_params.threat_unit;
  EXPECT_EQ(threat_table[1], make_score(t.op, t.eg));
  EXPECT_EQ(threat_table[2], make_score(4 * t.op, 4 * t.eg));
  EXPECT_EQ(threat_table[17], make_score(19 * t.op, 19 * t.eg));
  const Weight safe = eval_params.safe_square, space = eval_params.space_unit;
  EXPECT_EQ(outpost_table[3], make_score(3 * safe.op, 3 * safe.eg));
  // Space is counted per square; more than 17 squares are possible.
  EXPECT_EQ(space_table[40], make_score(40 * space.op, 40 * space.eg));
}

TEST_F(EvalTables, OppositeBishopRootsMatchTheFormula) {
  const int expected_factor[15] = {0, 200, 283, 346, 400, 447, 490, 529, 566, 600, 632, 663, 693, 721, 748};
  for (int n = 0; n < 15; ++n) {
    EXPECT_EQ(SQRT_PER_MILLE[n], static_cast<int>(std::lround(1000.0 * std::sqrt(static_cast<double>(n))))) << n;
    EXPECT_EQ((SQRT_PER_MILLE[n] + 2) / 5, expected_factor[n]) << n;
  }
}

TEST_F(EvalTables, PieceSquareTableIsColourSymmetric) {
  for (int t = PAWN; t <= KING; ++t)
    for (int s = 0; s < 64; ++s) {
      EXPECT_EQ(psq_table[BLACK][t][s], score_negate(psq_table[WHITE][t][s ^ 56]));
      // Left and right wings are alike.
      EXPECT_EQ(psq_table[WHITE][t][s], psq_table[WHITE][t][s ^ 7]);
    }
  // Every entry holds the piece value plus a modest shape.
  for (int t = PAWN; t <= QUEEN; ++t)
    for (int s = 8; s < 56; ++s) {
      int op = opening_part(psq_table[WHITE][t][s]), value = eval_params.piece_value[t].op;
      EXPECT_GT(op, value - 400);
      EXPECT_LT(op, value + 400);
    }
  // Centralised knights are better than knights in the corners (the four
  // squares of each, in both halves).
  ScorePair centre = 0, corners = 0;
  for (int s : {27, 28, 35, 36}) centre = score_add(centre, psq_table[WHITE][KNIGHT][s]);
  for (int s : {0, 7, 56, 63}) corners = score_add(corners, psq_table[WHITE][KNIGHT][s]);
  EXPECT_GT(opening_part(centre), opening_part(corners));
  EXPECT_GT(endgame_part(centre), endgame_part(corners));
  // Early on the king hides on the wing; late it walks to the centre.
  EXPECT_GT(opening_part(psq_table[WHITE][KING][6]), opening_part(psq_table[WHITE][KING][28]));
  EXPECT_LT(endgame_part(psq_table[WHITE][KING][6]), endgame_part(psq_table[WHITE][KING][28]));
}

TEST_F(EvalTables, PhaseBlendedPieceValues) {
  // Whole centipawns, from the opening value at phase 96 to the endgame
  // value at 0.
  const Weight* v = eval_params.piece_value;
  for (int t = PAWN; t <= QUEEN; ++t) {
    EXPECT_EQ(phase_piece_value[96][t], rounded(v[t].op, 10)) << t;
    EXPECT_EQ(phase_piece_value[0][t], rounded(v[t].eg, 10)) << t;
    EXPECT_EQ(phase_piece_value[48][t], rounded(v[t].op + v[t].eg, 20)) << t;
  }
  EXPECT_EQ(phase_piece_value[48][0], 0);
  EXPECT_EQ(phase_piece_value[48][KING], 0);
}

TEST_F(EvalTables, PassedPawnsAndStructure) {
  // The fitted tables split a passer's worth among themselves; together a
  // free passer is worth more the further it is, and a contested one on
  // the seventh less than a free one.
  auto free_passer = [](int r) { return endgame_part(score_add(passed_base_table[r], passed_free_table[r])); };
  for (int r = 3; r < 6; ++r) EXPECT_GT(free_passer(r), free_passer(r - 1)) << r;
  EXPECT_GT(free_passer(5), endgame_part(score_add(passed_base_table[5], passed_contested_table[5])));
  // The given king-distance rows sit at r = 2..5, nothing below.
  EXPECT_EQ(own_king_passer_table[1][5], 0u);
  EXPECT_EQ(own_king_passer_table[2][1], make_score(0, OWN_KING_PASSER_DISTANCE[0][1]));
  EXPECT_EQ(enemy_king_passer_table[5][8], make_score(0, ENEMY_KING_PASSER_DISTANCE[3][8]));
  // Count tables grow by their weight per pawn, from nothing.
  for (const ScorePair* t : {doubled_table, isolated_closed_table, isolated_open_table, backward_table}) {
    EXPECT_EQ(t[0], 0u);
    EXPECT_EQ(t[3], score_scale(3, t[1]));
  }
  // An isolated pawn costs, open or closed (over both halves).
  for (const ScorePair* t : {isolated_open_table, isolated_closed_table})
    EXPECT_LT(opening_part(t[1]) + endgame_part(t[1]), 0);
  // Colour tables hold the same bonus on mirrored squares.
  for (int s = 8; s < 56; ++s) {
    EXPECT_EQ(candidate_table[WHITE][s], candidate_table[BLACK][s ^ 56]);
    EXPECT_EQ(connected_passer_table[WHITE][s], connected_passer_table[BLACK][s ^ 56]);
  }
  // A shelter pawn in front of the king is worth more than none.
  EXPECT_GT(opening_part(shield_table[1]), 0);
  // Shelter zones: g1 covers f2-h4, a1 moves inward to a2-c4.
  EXPECT_EQ(shelter_zone[WHITE][6], 0x00000000e0e0e000ULL);
  EXPECT_EQ(shelter_zone[WHITE][0], 0x0000000007070700ULL);
  EXPECT_EQ(shelter_zone[BLACK][62], 0x00e0e0e000000000ULL);
  EXPECT_EQ(shelter_zone[WHITE][63], 0u);
}

TEST_F(EvalTables, ParameterListNamesEveryField) {
  ASSERT_GT(eval_param_count, 40);
  for (int i = 0; i < eval_param_count; ++i) {
    const EvalParamName& p = eval_param_list[i];
    EXPECT_TRUE((p.weight == nullptr) != (p.value == nullptr)) << p.name;
    for (int j = 0; j < i; ++j) EXPECT_STRNE(p.name, eval_param_list[j].name);
  }
  // Changing a parameter through the list changes the derived table.
  for (int i = 0; i < eval_param_count; ++i)
    if (std::string(eval_param_list[i].name) == "island") *eval_param_list[i].weight = {-10, -20};
  initialise_evaluation();
  EXPECT_EQ(islands_table[21], make_score(-20, -40));
}

TEST_F(EvalTables, LinearTableListCoversEveryLinearWeightOnce) {
  // The tuner groups and prints the weights table by table from this list:
  // a table left out or overlapping would be lost or written twice.
  int next = 0;
  for (int i = 0; i < linear_table_count; ++i) {
    EXPECT_EQ(linear_table_list[i].index, next) << linear_table_list[i].name;
    EXPECT_GT(linear_table_list[i].size, 0);
    next += linear_table_list[i].size;
    for (int j = 0; j < i; ++j) EXPECT_STRNE(linear_table_list[i].name, linear_table_list[j].name);
  }
  EXPECT_EQ(next, LINEAR_WEIGHT_COUNT);
  // The flat list and the record are the same values.
  Weight list[TUNED_WEIGHT_COUNT];
  tuned_to_list(eval_params.tuned, list);
  EXPECT_EQ(list[TUNED_INDEX(knight_pawns) + 3].op, eval_params.tuned.knight_pawns[3].op);
  EXPECT_EQ(list[TUNED_INDEX(shielded_minor)].eg, eval_params.tuned.shielded_minor.eg);
  list[TUNED_INDEX(storm) + 5] = {7, 9};
  tuned_from_list(&eval_params.tuned, list);
  initialise_evaluation();
  EXPECT_EQ(storm_table[5], make_score(7, 9));
}

TEST(ThreeFileMask, EdgeFilesShiftInward) {
  build_three_file_mask();
  EXPECT_EQ(three_file_mask[0], 0x0707070707070707ULL);   // a1: files a-c
  EXPECT_EQ(three_file_mask[56], 0x0707070707070707ULL);  // a8
  EXPECT_EQ(three_file_mask[7], 0xe0e0e0e0e0e0e0e0ULL);   // h1: files f-h
  EXPECT_EQ(three_file_mask[4], 0x3838383838383838ULL);   // e1: files d-f
  EXPECT_EQ(three_file_mask[36], 0x3838383838383838ULL);  // e5
  EXPECT_EQ(three_file_mask[9], 0x0707070707070707ULL);   // b2: files a-c
  EXPECT_EQ(three_file_mask[14], 0xe0e0e0e0e0e0e0e0ULL);  // g2: files f-h
}

}  // namespace
