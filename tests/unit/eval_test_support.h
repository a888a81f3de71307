// Helpers shared by the evaluation tests.
#pragma once

#include <gtest/gtest.h>

#include "board/fen.h"
#include "board/position.h"
#include "eval/evaluation.h"

// Division rounding half away from zero, as the evaluation rounds.
inline int64_t rounded(int64_t v, int64_t d) { return v >= 0 ? (v + d / 2) / d : (v - d / 2) / d; }

// The caches the tests evaluate through, as a search thread would.
inline EvalCaches& test_eval_caches() {
  static EvalCaches* caches = new EvalCaches();
  return *caches;
}
inline int evaluate(const Position& p) { return evaluate(p, &test_eval_caches()); }

// The default weights and king-safety scale, with every table rebuilt from
// them: each test starts from them and leaves them behind.
class DefaultEvaluation : public ::testing::Test {
 protected:
  void SetUp() override { restore(); }
  void TearDown() override { restore(); }
  static void restore() {
    set_king_safety(DEFAULT_KING_SAFETY);
    eval_params = DEFAULT_EVAL_PARAMS;
    initialise_evaluation();
  }
};

// A position from FEN with its piece-square sum and phase filled in, as the
// search driver prepares a root before evaluating it.
inline Position eval_position_from_fen(const char* fen) {
  Position p;
  char error[FEN_ERROR_SIZE];
  EXPECT_TRUE(fen_parse(&p, fen, error)) << error;
  p.psq = compute_psq(p);
  p.phase = static_cast<int16_t>(compute_phase(p));
  return p;
}
