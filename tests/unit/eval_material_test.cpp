#include <gtest/gtest.h>

#include "board/keys.h"
#include "eval/evaluation.h"
#include "eval/material.h"

namespace {

class MaterialTable : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { initialise_evaluation(); }
};

TEST_F(MaterialTable, KeysAreSumsOfIncrements) {
  EXPECT_EQ(material_key_of("", false), 0u);
  EXPECT_EQ(material_key_of("Kk", false), 0u);
  EXPECT_EQ(material_key_of("BBb", false), 2 * material_weight[WHITE][BISHOP] + material_weight[BLACK][BISHOP]);
  EXPECT_EQ(material_key_of("BBb", true), 2 * material_weight[BLACK][BISHOP] + material_weight[WHITE][BISHOP]);
  EXPECT_EQ(material_key_of("KRNkr", false), material_key_of("RNr", false));
  EXPECT_EQ(material_weight[WHITE][PAWN], 0x959266a48dca47ccULL);
  EXPECT_EQ(material_weight[BLACK][QUEEN], 0x1078d7c9fa595856ULL);
}

TEST_F(MaterialTable, DescriptorsAndTwins) {
  struct Case {
    const char* pieces;
    int scale;
    int value;
  };
  const Case cases[] = {{"BBb", 200, -3000}, {"Qr", 500, -1000}, {"Np", 300, -3200},
                        {"NN", 200, -7000},  {"Rr", 50, 0},      {"Q", 700, 0}};
  for (const Case& c : cases) {
    const MaterialEntry* e = material_probe(material_key_of(c.pieces, false));
    ASSERT_NE(e, nullptr) << c.pieces;
    EXPECT_EQ(e->in_use, 1);
    EXPECT_EQ(e->scale, c.scale) << c.pieces;
    EXPECT_EQ(e->value, c.value) << c.pieces;
    EXPECT_EQ(e->special, nullptr);
    // The colour-reversed twin: same scale, the value seen from the other side.
    const MaterialEntry* twin = material_probe(material_key_of(c.pieces, true));
    ASSERT_NE(twin, nullptr) << c.pieces;
    EXPECT_EQ(twin->scale, c.scale);
    EXPECT_EQ(twin->value, -c.value);
  }
  // bb against B is worth +300 centipawns to White.
  EXPECT_EQ(material_probe(material_key_of("bbB", false))->value, 3000);
}

TEST_F(MaterialTable, SpecialEvaluatorsServeBothColours) {
  EXPECT_EQ(material_probe(material_key_of("P", false))->special, &evaluate_king_pawn);
  EXPECT_EQ(material_probe(material_key_of("p", false))->special, &evaluate_king_pawn);
  EXPECT_EQ(material_probe(material_key_of("BN", false))->special, &evaluate_bishop_knight);
  EXPECT_EQ(material_probe(material_key_of("bn", false))->special, &evaluate_bishop_knight);
  EXPECT_EQ(material_probe(material_key_of("bp", false))->special, &evaluate_bishop_pawn);
  EXPECT_EQ(material_probe(material_key_of("np", false))->special, &evaluate_knight_pawn);
}

TEST_F(MaterialTable, BareKingsAndEmptyEntries) {
  const MaterialEntry* kings = material_probe(0);
  ASSERT_NE(kings, nullptr);
  EXPECT_EQ(kings->scale, 0);
  EXPECT_EQ(kings->value, 0);
  // A balance that is not listed misses.
  EXPECT_EQ(material_probe(material_key_of("RPr", false)), nullptr);
  EXPECT_EQ(material_probe(material_key_of("QRBNPPPPqrbnpppp", false)), nullptr);
  // Empty entries never match: key 1 is no real material key.
  int filled = 0;
  for (const MaterialEntry& e : material_table) {
    if (e.in_use == 1) {
      ++filled;
      continue;
    }
    EXPECT_EQ(e.key, 1u);
    EXPECT_EQ(e.in_use, -1);
    EXPECT_EQ(e.scale, 1024);
    EXPECT_EQ(e.special, nullptr);
  }
  // 29 descriptors; kings only, Bb, Nn, Qq and Rr are their own twins.
  EXPECT_EQ(filled, 2 * 29 - 5);
}

TEST_F(MaterialTable, RebuildGivesTheSameTable) {
  MaterialEntry before[MATERIAL_TABLE_SIZE];
  for (int i = 0; i < MATERIAL_TABLE_SIZE; ++i) before[i] = material_table[i];
  build_material_table();
  for (int i = 0; i < MATERIAL_TABLE_SIZE; ++i) {
    EXPECT_EQ(before[i].key, material_table[i].key);
    EXPECT_EQ(before[i].scale, material_table[i].scale);
    EXPECT_EQ(before[i].value, material_table[i].value);
  }
}

}  // namespace
