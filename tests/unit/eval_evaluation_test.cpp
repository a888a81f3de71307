#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "eval/colour_flip.h"
#include "eval/eval_params.h"
#include "eval/eval_tables.h"
#include "eval/evaluation.h"
#include "eval/material.h"
#include "eval/pawns.h"
#include "tests/unit/eval_test_support.h"

namespace {

Position from_fen(const char* fen) { return eval_position_from_fen(fen); }

EvalTrace trace_of(const char* fen) {
  EvalTrace t;
  evaluate_traced(from_fen(fen), &t);
  return t;
}

// Index into the king attack table from the opening value of the term.
int king_attack_index(ScorePair s) {
  for (int i = 0; i < KING_ATTACK_SIZE; ++i)
    if (king_attack_table[i] == s) return i;
  return -1;
}

// Plays a legal move of p drawn from the linear congruential *seed into
// *child (its check flag set); false when p has none.
bool play_random_move(const Position& p, uint64_t* seed, Position* child) {
  Move moves[MAX_MOVES], legal[MAX_MOVES];
  int n = generate_all(p, moves), legal_count = 0;
  for (int i = 0; i < n; ++i) {
    Position c;
    make_move(p, &c, moves[i]);
    if (!king_attacked(c, side_to_move(p))) legal[legal_count++] = moves[i];
  }
  if (!legal_count) return false;
  *seed = *seed * 6364136223846793005ULL + 1442695040888963407ULL;
  make_move(p, child, legal[(*seed >> 33) % static_cast<uint64_t>(legal_count)]);
  child->in_check = static_cast<uint16_t>(king_attacked(*child, side_to_move(*child)));
  return true;
}

using Evaluation = DefaultEvaluation;

TEST_F(Evaluation, StartPositionScoresItsTempo) {
  EXPECT_EQ(evaluate(from_fen(START_FEN)), 10);
  EXPECT_EQ(evaluate_uncached(from_fen(START_FEN)), 10);
  EXPECT_EQ(evaluate(from_fen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1")), 10);
  EXPECT_EQ(evaluate_uncached(from_fen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1")), 10);
}

TEST_F(Evaluation, BareKings) {
  EXPECT_EQ(evaluate(from_fen("4k3/8/8/8/8/8/8/4K3 w - - 0 1")), 4);
  EXPECT_EQ(evaluate(from_fen("7k/8/8/8/8/8/8/K7 b - - 0 1")), 4);
  // A lone minor piece is no better: its table scale is 0 as well.
  EXPECT_EQ(evaluate(from_fen("4k3/8/8/8/8/8/8/3NK3 w - - 0 1")), 4);
  EXPECT_EQ(evaluate(from_fen("4k3/8/8/8/8/8/8/3BK3 b - - 0 1")), 4);
}

TEST_F(Evaluation, MissingKingScoresLevel) {
  // Only an illegal line that captured a king leaves a record without one.
  Position p = from_fen("4k3/8/8/8/8/8/3q4/4K3 w - - 0 1");
  p.pieces[WHITE][ALL_PIECES] &= ~p.pieces[WHITE][KING];
  p.pieces[WHITE][KING] = 0;
  EXPECT_EQ(evaluate(p), 0);
  EXPECT_EQ(evaluate_uncached(p), 0);
}

TEST_F(Evaluation, KingAndPawnUsesTheBitbase) {
  // Won whoever is to move: 450 + 16 * 4 (pawn on its fifth rank).
  EXPECT_EQ(evaluate(from_fen("4k3/8/4K3/4P3/8/8/8/8 w - - 0 1")), 514);
  EXPECT_EQ(evaluate(from_fen("4k3/8/4K3/4P3/8/8/8/8 b - - 0 1")), -514);
  // Opposition: White to move cannot win.
  EXPECT_EQ(evaluate(from_fen("8/4k3/8/4K3/4P3/8/8/8 w - - 0 1")), 3);
  EXPECT_EQ(evaluate(from_fen("8/4k3/8/4K3/4P3/8/8/8 b - - 0 1")), -498);
  // The same with Black's pawn.
  EXPECT_EQ(evaluate(from_fen("8/8/8/4p3/4k3/8/4K3/8 b - - 0 1")), 3);
  EXPECT_EQ(evaluate(from_fen("8/8/8/4p3/4k3/8/4K3/8 w - - 0 1")), -498);
}

TEST_F(Evaluation, SpecialEvaluatorsBypassTheCache) {
  Position p = from_fen("4k3/8/4K3/4P3/8/8/8/8 w - - 0 1");
  EvalCacheEntry& slot = test_eval_caches().score[p.key & (EVAL_CACHE_SIZE - 1)];
  slot = EvalCacheEntry{p.key ^ 1, 12345};
  EXPECT_EQ(evaluate(p), 514);
  EXPECT_EQ(slot.key, p.key ^ 1);
  EXPECT_EQ(slot.score, 12345);
}

TEST_F(Evaluation, MinorPieceEndgames) {
  // Bishop and knight: the defender in the bishop's corner, kings two apart,
  // knight four away: 400 - 0 - 8 - 8.
  EXPECT_EQ(evaluate(from_fen("8/8/8/8/4N3/2K5/3B4/k7 w - - 0 1")), 384);
  EXPECT_EQ(evaluate(from_fen("8/8/8/8/4N3/2K5/3B4/k7 b - - 0 1")), -384);
  // The wrong corner is far from mate: d = 7 + 0.
  EXPECT_EQ(evaluate(from_fen("8/8/8/8/4N3/2K5/4B3/k7 w - - 0 1")), 400 - 140 - 8 - 8);
  // Rook pawn with the wrong bishop, the defender in the corner: 12 - 4 + 0 - 2.
  EXPECT_EQ(evaluate(from_fen("k7/8/P7/8/2K5/8/8/2B5 w - - 0 1")), 6);
  // The right bishop wins: 440 + 2 * (0 - 4 - 10).
  EXPECT_EQ(evaluate(from_fen("k7/8/P7/8/2K5/8/8/3B4 w - - 0 1")), 412);
  // Black's bishop and pawn, mirrored: the same numbers for Black.
  EXPECT_EQ(evaluate(from_fen("2b5/8/8/2k5/8/p7/8/K7 b - - 0 1")), 6);
  // Knight and pawn: 420 - 10 * 4 - 5 * 1 + 5 * 4 - 3 * 2.
  EXPECT_EQ(evaluate(from_fen("7k/8/8/8/4P3/2N1K3/8/8 w - - 0 1")), 389);
  EXPECT_EQ(evaluate(from_fen("8/8/2n1k3/4p3/8/8/8/7K w - - 0 1")), -389);
  // Rook pawn on the seventh, defender on the corner: 10 - 2.
  EXPECT_EQ(evaluate(from_fen("k7/P7/2K5/1N6/8/8/8/8 w - - 0 1")), 8);
}

TEST_F(Evaluation, MaterialTableScaleAndValue) {
  // Two bishops against one: value -3000 (tenths) and scale 200 for White.
  EvalTrace t = trace_of("6k1/5b2/8/8/8/8/8/2B1KB2 w - - 0 1");
  EXPECT_EQ(t.material_value, -3000);
  EXPECT_EQ(t.material_scale, 200);
  EXPECT_EQ(t.scaled, rounded(t.blended * 200LL, 1000));
  // The twin gives the same score from the other side.
  EXPECT_EQ(evaluate(from_fen("6k1/5b2/8/8/8/8/8/2B1KB2 w - - 0 1")),
            evaluate(from_fen("2b1kb2/8/8/8/8/8/5B2/6K1 b - - 0 1")));
  EXPECT_EQ(trace_of("2b1kb2/8/8/8/8/8/5B2/6K1 b - - 0 1").material_value, 3000);
}

TEST_F(Evaluation, PawnEndingsAreScaledUp) {
  EvalTrace t = trace_of("8/pp3k2/8/8/8/8/PPP2K2/8 w - - 0 1");
  EXPECT_EQ(t.phase, 0);
  EXPECT_EQ(t.material_scale, 1000);
  EXPECT_NE(t.blended, 0);
  EXPECT_EQ(t.scaled, rounded(t.blended * 1300LL, 1000));
  EXPECT_EQ(t.score, rounded(rounded(t.scaled, 96) + t.tempo, 10));
}

TEST_F(Evaluation, PawnlessEndings) {
  // Two rooks against rook and bishop: 10 against 8 units, a tenth is left.
  EvalTrace t = trace_of("3rkb2/8/8/8/8/8/8/R3K2R w - - 0 1");
  EXPECT_EQ(t.material_scale, 1000);
  EXPECT_EQ(t.scaled, rounded(t.blended * 100LL, 1000));
  // Queen and rook against rook: 14 against 5 units, 400 per mille.
  t = trace_of("3rk3/8/8/8/8/8/8/R2QK3 w - - 0 1");
  EXPECT_EQ(t.scaled, rounded(t.blended * 400LL, 1000));
  // Queen against two knights: 9 against 6 units, 200 per mille.
  t = trace_of("1n2k1n1/8/8/8/8/8/8/3QK3 b - - 0 1");
  EXPECT_EQ(t.scaled, rounded(t.blended * 200LL, 1000));
}

TEST_F(Evaluation, FewPawnsForTheStrongerSide) {
  // A rook up with one pawn: 550 per mille.
  EvalTrace t = trace_of("4k3/8/8/8/8/8/P7/R3K3 w - - 0 1");
  ASSERT_GT(t.blended, 0);
  EXPECT_EQ(t.scaled, rounded(t.blended * 550LL, 1000));
  // Five pawns are enough: no scaling.
  t = trace_of("4k3/8/8/8/8/8/PPPPP3/R3K3 w - - 0 1");
  EXPECT_EQ(t.scaled, t.blended);
  // The side that is behind does not decide: Black is stronger with no pawns.
  t = trace_of("r3k3/8/8/8/8/8/PPPPP3/4K3 w - - 0 1");
  ASSERT_LT(t.blended, 0);
  EXPECT_EQ(t.scaled, rounded(t.blended * 400LL, 1000));
}

TEST_F(Evaluation, OppositeColouredBishops) {
  // Two pawns each, no passer: factor 0, only the tempo is left (phase 6).
  EvalTrace t = trace_of("6k1/5p2/6p1/2b5/8/3B2P1/5P2/6K1 w - - 0 1");
  EXPECT_EQ(t.opposite_bishop_factor, 0);
  EXPECT_EQ(t.scaled, 0);
  EXPECT_EQ(t.score, 4);
  EXPECT_EQ(evaluate(from_fen("6k1/5p2/6p1/2b5/8/3B2P1/5P2/6K1 b - - 0 1")), 4);
  // A third pawn that is passed: n = 3 - 2 + 1 = 2, factor 283.
  t = trace_of("6k1/5p2/6p1/2b5/P7/3B2P1/5P2/6K1 w - - 0 1");
  EXPECT_EQ(t.opposite_bishop_factor, 283);
  // Bishops of the same colour: no factor.
  t = trace_of("6k1/5p2/6p1/3b4/P7/3B2P1/5P2/6K1 w - - 0 1");
  EXPECT_EQ(t.opposite_bishop_factor, 1000);
  // With other pieces: 900 per mille at phase 55 or less, nothing above.
  t = trace_of("r5k1/5p2/6p1/2b5/8/3B2P1/5P2/R5K1 w - - 0 1");
  EXPECT_EQ(t.phase, 24);
  EXPECT_EQ(t.opposite_bishop_factor, 900);
  EXPECT_EQ(t.scaled, rounded(t.blended * 900LL, 1000));
  t = trace_of("r2qr1k1/5p2/6p1/2b5/8/3B2P1/5P2/R2QR1K1 w - - 0 1");
  EXPECT_EQ(t.phase, 86);
  EXPECT_EQ(t.opposite_bishop_factor, 1000);
}

TEST_F(Evaluation, QueenChecksAndTheCap) {
  // Black king h8 (base 1).  Queen h3: touches the zone (+2); checks from
  // h4, h5, h6, c3 and c8 (3 each) and a contact check on h7 that loses the
  // queen (1).
  const EvalParams& u = eval_params;
  EvalTrace t = trace_of("7k/8/8/8/8/7Q/8/K7 b - - 0 1");
  EXPECT_EQ(king_attack_index(t.term[TERM_KING_ATTACK][WHITE]),
            1 + u.queen_zone_units + 5 * u.queen_check_units + u.queen_contact_losing_units);
  // A bishop on d3 guards h7 (10 units instead of 1) and blocks c3; the
  // bishop itself touches the zone (+2).
  t = trace_of("7k/8/8/8/8/3B3Q/8/K7 b - - 0 1");
  EXPECT_EQ(king_attack_index(t.term[TERM_KING_ATTACK][WHITE]),
            1 + u.queen_zone_units + u.bishop_zone_units + 4 * u.queen_check_units + u.queen_contact_units);
  // Two queens: queen-check units stop at their cap.
  t = trace_of("7k/8/8/8/8/3B3Q/8/K5Q1 b - - 0 1");
  int index = king_attack_index(t.term[TERM_KING_ATTACK][WHITE]);
  EXPECT_EQ(index, 1 + 2 * u.queen_zone_units + u.bishop_zone_units + u.queen_check_cap);
}

TEST_F(Evaluation, KingAttackIndexIsClamped) {
  // Far more units than the table has entries: its last entry is used (and
  // nothing is read past its end; the sanitizer build would notice).
  eval_params.knight_zone_units = 200;
  initialise_evaluation();
  EvalTrace t = trace_of("7k/8/5N2/8/8/8/8/K7 w - - 0 1");
  EXPECT_EQ(t.term[TERM_KING_ATTACK][WHITE], king_attack_table[127]);
  EXPECT_EQ(t.term[TERM_KING_ATTACK][BLACK], king_attack_table[1]);
  // The most the board allows without promotions stays below the end.
  eval_params = DEFAULT_EVAL_PARAMS;
  initialise_evaluation();
  t = trace_of("6k1/5ppp/4N2Q/6NB/8/8/8/K2R2R1 b - - 0 1");
  int index = king_attack_index(t.term[TERM_KING_ATTACK][WHITE]);
  EXPECT_GT(index, 20);
  EXPECT_LT(index, 127);
}

TEST_F(Evaluation, EveryRookCarriesItsBonus) {
  const char* fen = "r3k3/8/8/8/8/8/PPPP4/R2RK2R w - - 0 1";
  EvalTrace before = trace_of(fen);
  eval_params.rook_each = {0, 0};
  initialise_evaluation();
  EvalTrace after = trace_of(fen);
  const Weight each = DEFAULT_EVAL_PARAMS.rook_each;
  EXPECT_EQ(score_sub(before.term[TERM_ROOKS][WHITE], after.term[TERM_ROOKS][WHITE]), make_score(3 * each.op, 3 * each.eg));
  EXPECT_EQ(score_sub(before.term[TERM_ROOKS][BLACK], after.term[TERM_ROOKS][BLACK]), make_score(each.op, each.eg));
}

TEST_F(Evaluation, ThreatCount) {
  // White: pawn e4 hits knight d5 and bishop f5, knight c3 hits the queen
  // on b5.
  EvalTrace t = trace_of("4k3/8/8/1q1n1b2/4P3/2N5/8/4K3 w - - 0 1");
  EXPECT_EQ(t.term[TERM_THREATS][WHITE], threat_table[3]);
  // Undefended men: a rook attacks a lone knight; a defended knight is no
  // threat to the rook.
  t = trace_of("4k3/8/8/8/8/8/p3K3/1n5R w - - 0 1");
  EXPECT_EQ(t.term[TERM_THREATS][WHITE], threat_table[0]);
  t = trace_of("4k3/8/8/8/8/8/4K3/1n5R w - - 0 1");
  EXPECT_EQ(t.term[TERM_THREATS][WHITE], threat_table[1]);
}

TEST_F(Evaluation, CastlingAndTrappedRook) {
  // Each side is credited with the rights it still has, and only those.
  const EvalParams& e = eval_params;
  EvalTrace t = trace_of("r3k2r/8/8/8/8/8/8/R3K2R w Kq - 0 1");
  EXPECT_EQ(t.term[TERM_CASTLING][WHITE], make_score(e.castle_short.op, e.castle_short.eg));
  EXPECT_EQ(t.term[TERM_CASTLING][BLACK], make_score(e.castle_long.op, e.castle_long.eg));
  // A king on f1 shutting in the h1 rook.
  t = trace_of("r3k2r/8/8/8/8/8/8/R4K1R w - - 0 1");
  const ScorePair trapped = make_score(e.trapped_rook.op, e.trapped_rook.eg);
  EXPECT_EQ(t.term[TERM_TRAPPED_ROOK][WHITE], trapped);
  EXPECT_EQ(t.term[TERM_TRAPPED_ROOK][BLACK], 0u);
  t = trace_of("r5kr/6p1/8/8/8/8/8/R3K3 w - - 0 1");
  EXPECT_EQ(t.term[TERM_TRAPPED_ROOK][BLACK], trapped);
}

TEST_F(Evaluation, BothCachesAgreeWithAFreshComputation) {
  const char* fens[] = {
      START_FEN,
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
      "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
      "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1",
  };
  for (const char* fen : fens) {
    Position p = from_fen(fen);
    int fresh = evaluate_uncached(p);
    EXPECT_EQ(evaluate(p), fresh) << fen;
    // The second call is answered from the evaluation cache.
    EvalCacheEntry& slot = test_eval_caches().score[p.key & (EVAL_CACHE_SIZE - 1)];
    ASSERT_EQ(slot.key, p.key);
    EXPECT_EQ(slot.score, fresh);
    slot.score = fresh + 777;
    EXPECT_EQ(evaluate(p), fresh + 777);
    slot.score = fresh;
    // The pawn cache: a hit on the second probe, the same entry as fresh.
    PawnTable& table = test_eval_caches().pawns;
    uint64_t hits = table.hits, probes = table.probes;
    const PawnEntry& cached = evaluate_pawns(p, &table);
    EXPECT_EQ(table.hits, hits + 1);
    EXPECT_EQ(table.probes, probes + 1);
    PawnEntry computed;
    compute_pawn_entry(p, &computed);
    EXPECT_EQ(cached.key, computed.key);
    EXPECT_EQ(cached.score, computed.score);
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < 8; ++i) EXPECT_EQ(cached.passed[c][i], computed.passed[c][i]);
  }
}

TEST_F(Evaluation, TracedTermsAddUpToTheScore) {
  const char* fen = "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 1";
  Position p = from_fen(fen);
  EvalTrace t;
  int score = evaluate_traced(p, &t);
  EXPECT_EQ(score, evaluate_uncached(p));
  ScorePair sum = 0;
  for (int i = 0; i < TERM_COUNT; ++i) sum = score_add(sum, score_sub(t.term[i][WHITE], t.term[i][BLACK]));
  int64_t blended =
      static_cast<int64_t>(opening_part(sum)) * t.phase + static_cast<int64_t>(endgame_part(sum)) * (96 - t.phase);
  EXPECT_EQ(blended + 96 * t.material_value, t.blended);
}

// How often the position's evaluation used the tuned weight at `index`:
// White's uses count +1, Black's -1.
int uses(const char* fen, int index) { return trace_of(fen).uses[index]; }

// How a term of one side moves when `field` goes from (0, 0) to (1, 10).
ScorePair term_delta(Weight EvalParams::*field, const char* fen, EvalTerm term, int colour) {
  eval_params = DEFAULT_EVAL_PARAMS;
  eval_params.*field = {0, 0};
  initialise_evaluation();
  ScorePair before = trace_of(fen).term[term][colour];
  eval_params.*field = {1, 10};
  initialise_evaluation();
  ScorePair after = trace_of(fen).term[term][colour];
  eval_params = DEFAULT_EVAL_PARAMS;
  initialise_evaluation();
  return score_sub(after, before);
}

TEST_F(Evaluation, PassedPawnPath) {
  // White's passer on e5 (r = 3).  A Black rook behind it x-rays the whole
  // path: contested.
  const char* xray = "k7/8/8/4P3/8/7K/8/4r3 w - - 0 1";
  EXPECT_EQ(uses(xray, TUNED_INDEX(passed_contested) + 3), 1);
  EXPECT_EQ(uses(xray, TUNED_INDEX(passed_free) + 3), 0);
  // A White knight between them blocks the x-ray: the path is free.
  const char* blocked = "k7/8/8/4P3/8/4N2K/8/4r3 w - - 0 1";
  EXPECT_EQ(uses(blocked, TUNED_INDEX(passed_free) + 3), 1);
  EXPECT_EQ(uses(blocked, TUNED_INDEX(passed_contested) + 3), 0);
  // The same for Black's passer on d4 with a White rook on d8.
  const char* black_xray = "3R4/8/7k/8/3p4/8/8/K7 b - - 0 1";
  EXPECT_EQ(uses(black_xray, TUNED_INDEX(passed_contested) + 3), -1);
  // Two White rooks behind, the nearer one Black's: still an x-ray battery
  // for Black's rooks only when nothing else stands between.
  const char* battery = "k7/8/8/4P3/8/4r2K/8/4r3 w - - 0 1";
  EXPECT_EQ(uses(battery, TUNED_INDEX(passed_contested) + 3), 1);
  // Path square e7 hit by a bishop but covered by the queen on a7; nothing
  // of ours on the path.
  const char* covered = "7k/Q7/8/2b1P3/8/7K/8/8 w - - 0 1";
  EXPECT_EQ(uses(covered, TUNED_INDEX(passed_covered) + 3), 1);
  EXPECT_EQ(uses(covered, TUNED_INDEX(passed_clear_path) + 3), 1);
  // Our own queen on the path: no clear path.
  EXPECT_EQ(uses("7k/4Q3/8/2b1P3/8/7K/8/8 w - - 0 1", TUNED_INDEX(passed_clear_path) + 3), 0);
  // A pawn directly behind supports it.
  EXPECT_EQ(uses("k7/8/8/4P3/4P3/7K/8/4r3 w - - 0 1", TUNED_INDEX(passed_supported) + 3), 1);
}

TEST_F(Evaluation, PassedPawnRooksAndKings) {
  // Rook behind the passer, ours and theirs.
  EXPECT_EQ(term_delta(&EvalParams::rook_behind_passer, "k7/8/8/4P3/8/7K/8/4R3 w - - 0 1", TERM_PASSED_PAWNS, WHITE),
            make_score(1, 10));
  EXPECT_EQ(term_delta(&EvalParams::rook_behind_passer, "k7/8/8/4P3/8/7K/8/4r3 w - - 0 1", TERM_PASSED_PAWNS, BLACK),
            make_score(1, 10));
  // Not for a passer on its fourth rank (r = 2), nor below.
  EXPECT_EQ(term_delta(&EvalParams::rook_behind_passer, "k7/8/8/8/4P3/7K/8/4R3 w - - 0 1", TERM_PASSED_PAWNS, WHITE),
            0u);
  // Kings next to the promotion square e8: both sides get the bonus.
  const char* kings = "3k4/5K2/4P3/8/8/8/8/7r w - - 0 1";
  EXPECT_EQ(term_delta(&EvalParams::king_near_promotion, kings, TERM_PASSED_PAWNS, WHITE), make_score(1, 10));
  EXPECT_EQ(term_delta(&EvalParams::king_near_promotion, kings, TERM_PASSED_PAWNS, BLACK), make_score(1, 10));
}

TEST_F(Evaluation, PawnAndPieceTerms) {
  // Knight d6 blockading d7, out of reach of every Black pawn.
  const char* outpost = "6k1/3p4/3N4/8/8/8/PP6/4K3 w - - 0 1";
  EXPECT_EQ(uses(outpost, TUNED_INDEX(knight_outpost)), 1);
  EXPECT_EQ(term_delta(&EvalParams::safe_square, outpost, TERM_PAWNS_AND_PIECES, WHITE), make_score(1, 10));
  // d7 is blocked, and it is an unmoved pawn on the wing away from g8.
  EXPECT_EQ(uses(outpost, TUNED_INDEX(blocked_pawn)), 1);
  EXPECT_EQ(uses(outpost, TUNED_INDEX(blocked_centre)), 1);
  // With the Black king on c8 the far wing is d-g: d7 still counts; a
  // blocked b7 would not.
  EXPECT_EQ(uses("2k5/1p6/1N6/8/8/8/PP6/4K3 b - - 0 1", TUNED_INDEX(blocked_centre)), 0);
  // A c-pawn can reach d6's attackers: c7 guards it, so no outpost.
  EXPECT_EQ(uses("6k1/2pp4/3N4/8/8/8/PP6/4K3 w - - 0 1", TUNED_INDEX(knight_outpost)), 0);
  // Minor behind a pawn; bishop in front of its king; two extra pieces.
  EXPECT_EQ(uses("4k3/p7/8/8/3P4/3N4/8/4K3 w - - 0 1", TUNED_INDEX(shielded_minor)), 1);
  EXPECT_EQ(
      term_delta(&EvalParams::bishop_before_king, "4k3/4b3/8/8/8/8/8/4K3 w - - 0 1", TERM_PAWNS_AND_PIECES, BLACK),
      make_score(1, 10));
  EXPECT_EQ(term_delta(&EvalParams::extra_pieces, "4k3/p7/8/8/8/8/P7/RNB1K3 w - - 0 1", TERM_PAWNS_AND_PIECES, WHITE),
            make_score(1, 10));
  EXPECT_EQ(term_delta(&EvalParams::extra_pieces, "4k3/p7/8/8/8/8/P7/RN2K1n1 w - - 0 1", TERM_PAWNS_AND_PIECES, WHITE),
            0u);
}

TEST_F(Evaluation, BishopTerms) {
  // Bishop b1 on the long diagonal to h7... the king is on g6 with only a
  // knight between: it still aims at the king.
  EXPECT_EQ(term_delta(&EvalParams::bishop_at_king, "8/8/6k1/5n2/8/8/8/1B2K3 w - - 0 1", TERM_BISHOP_AT_KING, WHITE),
            make_score(1, 10));
  EXPECT_EQ(term_delta(&EvalParams::bishop_at_king, "8/8/6k1/5p2/8/8/8/1B2K3 w - - 0 1", TERM_BISHOP_AT_KING, WHITE),
            0u);
  // A knight three ranks up the bishop's file, in its own half.
  EXPECT_EQ(term_delta(&EvalParams::bishop_facing_knight, "4k3/8/8/2n5/8/8/2B5/4K3 w - - 0 1", TERM_BISHOPS, WHITE),
            make_score(1, 10));
  EXPECT_EQ(term_delta(&EvalParams::bishop_facing_knight, "4k3/8/8/8/2n5/8/8/2B1K3 w - - 0 1", TERM_BISHOPS, WHITE),
            0u);
  // The pair needs exactly two bishops.
  EXPECT_EQ(term_delta(&EvalParams::bishop_pair, "4k3/8/8/8/8/8/8/2B1KB2 w - - 0 1", TERM_BISHOPS, WHITE),
            make_score(1, 10));
  EXPECT_EQ(term_delta(&EvalParams::bishop_pair, "4k3/8/8/8/8/8/B7/2B1KB2 w - - 0 1", TERM_BISHOPS, WHITE), 0u);
}

TEST_F(Evaluation, RookFiles) {
  // a1 open, d1 against an undefended d6 pawn, h1 against h6 defended by g7.
  const char* fen = "4k3/6p1/3p3p/8/8/8/8/R2RK2R w - - 0 1";
  EXPECT_EQ(term_delta(&EvalParams::rook_open_file, fen, TERM_ROOKS, WHITE), make_score(1, 10));
  EXPECT_EQ(term_delta(&EvalParams::rook_half_open_weak, fen, TERM_ROOKS, WHITE), make_score(1, 10));
  EXPECT_EQ(term_delta(&EvalParams::rook_half_open_defended, fen, TERM_ROOKS, WHITE), make_score(1, 10));
  // Rook on the seventh with the king on its back rank.
  EXPECT_EQ(term_delta(&EvalParams::rook_seventh, "4k3/R7/8/8/8/8/8/4K3 w - - 0 1", TERM_ROOKS, WHITE),
            make_score(1, 10));
  EXPECT_EQ(term_delta(&EvalParams::rook_seventh, "8/R3k3/8/8/8/8/8/4K3 b - - 0 1", TERM_ROOKS, WHITE), 0u);
  // Two rooks, and rook with queen.
  EXPECT_EQ(term_delta(&EvalParams::rook_redundancy, "4k3/8/8/8/8/8/8/R2QK2R w - - 0 1", TERM_HEAVY_PIECES, WHITE),
            make_score(1, 10));
  EXPECT_EQ(
      term_delta(&EvalParams::rook_queen_redundancy, "4k3/8/8/8/8/8/8/R2QK2R w - - 0 1", TERM_HEAVY_PIECES, WHITE),
      make_score(1, 10));
}

// ---- Colour symmetry -------------------------------------------------------

void expect_symmetric(const Position& p, const std::string& where) {
  Position f;
  colour_flip(p, &f);
  int a = evaluate_uncached(p), b = evaluate_uncached(f);
  ASSERT_EQ(a, b) << where;
  ASSERT_EQ(evaluate(p), a) << where;
  ASSERT_EQ(evaluate(f), b) << where;
}

TEST_F(Evaluation, ColourSymmetryOnTestPositions) {
  std::ifstream in(std::string(PELION_TEST_DATA_DIR) + "/perft.epd");
  ASSERT_TRUE(in.good());
  std::string line;
  int count = 0;
  while (std::getline(in, line)) {
    std::string fen = line.substr(0, line.find(';'));
    Position p = from_fen(fen.c_str());
    expect_symmetric(p, fen);
    // The same with the other side to move, when that is legal.
    Position q = p;
    q.ply ^= 1;
    q.key = compute_key(q);
    if (!king_attacked(q, side_to_move(q) ^ 1)) expect_symmetric(q, fen + " (other side to move)");
    ++count;
  }
  EXPECT_GT(count, 40);
}

TEST_F(Evaluation, ColourSymmetryOnRandomPlayouts) {
  uint64_t seed = 12345;
  int positions = 0;
  for (int game = 0; game < 40; ++game) {
    static Position line[260];
    line[0] = from_fen(START_FEN);
    int ply = 0;
    while (ply < 250) {
      if (!play_random_move(line[ply], &seed, &line[ply + 1])) break;
      ++ply;
      Position& p = line[ply];
      // Make-move keeps the piece-square sum and phase the evaluation reads.
      ASSERT_EQ(p.psq, compute_psq(p));
      ASSERT_EQ(p.phase, compute_phase(p));
      expect_symmetric(p, "game " + std::to_string(game) + " ply " + std::to_string(ply));
      ++positions;
    }
  }
  EXPECT_GT(positions, 3000);
}

// The tuner relies on the trace: the White-view sum must move by exactly
// the counted uses times the change of each tuned weight.  A use that the
// trace misses (or counts for the wrong side) breaks this.
TEST_F(Evaluation, TraceCountsEveryUseOfTheTunedWeights) {
  std::vector<std::string> fens = {
      "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 1",
      "k7/8/8/4P3/8/4N2K/8/4r3 w - - 0 1",
      "7k/Q7/8/2b1P3/8/7K/8/8 w - - 0 1",
      "3R4/8/7k/8/3p4/8/8/K7 b - - 0 1",
      "6k1/3p4/3N4/8/8/8/PP6/4K3 w - - 0 1",
      "4k3/5ppp/8/8/8/6PP/5P2/4K3 w - - 0 1",
      "6k1/5p1p/6pP/8/2PP4/8/5PPP/6K1 b - - 0 1",
      "r3k2r/1pp2ppp/p1n5/3Pp3/1bB1P1n1/2N2N2/PP3PPP/R1BQK2R w KQkq - 0 1",
  };
  std::ifstream in(std::string(PELION_TEST_DATA_DIR) + "/perft.epd");
  std::string line;
  while (std::getline(in, line)) fens.push_back(line.substr(0, line.find(';')));

  auto white_sum = [](const EvalTrace& t) {
    ScorePair sum = 0;
    for (int i = 0; i < TERM_COUNT; ++i) sum = score_add(sum, score_sub(t.term[i][WHITE], t.term[i][BLACK]));
    return sum;
  };
  std::vector<EvalTrace> before(fens.size());
  for (size_t i = 0; i < fens.size(); ++i) evaluate_traced(from_fen(fens[i].c_str()), &before[i]);

  Weight list[TUNED_WEIGHT_COUNT], delta[TUNED_WEIGHT_COUNT];
  tuned_to_list(eval_params.tuned, list);
  for (int j = 0; j < TUNED_WEIGHT_COUNT; ++j) {
    delta[j] = {(j * 37) % 11 - 5, (j * 53) % 13 - 6};
    list[j] = {list[j].op + delta[j].op, list[j].eg + delta[j].eg};
  }
  tuned_from_list(&eval_params.tuned, list);
  initialise_evaluation();
  int used = 0;
  for (size_t i = 0; i < fens.size(); ++i) {
    if (before[i].special) continue;
    EvalTrace after;
    evaluate_traced(from_fen(fens[i].c_str()), &after);
    ScorePair expected = white_sum(before[i]);
    for (int j = 0; j < TUNED_WEIGHT_COUNT; ++j) {
      expected = score_add(expected, score_scale(before[i].uses[j], to_pair(delta[j])));
      EXPECT_EQ(after.uses[j], before[i].uses[j]) << fens[i];
      used += before[i].uses[j] != 0;
    }
    EXPECT_EQ(white_sum(after), expected) << fens[i];
  }
  EXPECT_GT(used, 500);
}

// The tuner models the White-view sum of the terms as the counted uses
// times the linear weights plus each side's king attack, read from the
// king-attack table at the index its unit counts give.  A use the trace
// misses, counts for the wrong side or in the wrong place breaks the
// equality; every group of weights the tuner fits has to take part.
TEST_F(Evaluation, TraceRebuildsTheScoreFromEveryFittedGroup) {
  Weight w[LINEAR_WEIGHT_COUNT];
  linear_weights(w);
  std::set<std::string> groups;
  int positions = 0, attacks = 0;
  uint64_t seed = 2024;
  for (int game = 0; game < 24; ++game) {
    static Position line[200];
    line[0] = from_fen(START_FEN);
    for (int ply = 0; ply < 160; ++ply) {
      if (!play_random_move(line[ply], &seed, &line[ply + 1])) break;
      Position& p = line[ply + 1];
      EvalTrace t;
      evaluate_traced(p, &t);
      if (ply % 8 != 7 || t.special) continue;
      ScorePair sum = 0, rebuilt = 0;
      for (int i = 0; i < TERM_COUNT; ++i) sum = score_add(sum, score_sub(t.term[i][WHITE], t.term[i][BLACK]));
      for (int i = 0; i < LINEAR_WEIGHT_COUNT; ++i) rebuilt = score_add(rebuilt, score_scale(t.uses[i], to_pair(w[i])));
      for (int c = WHITE; c <= BLACK; ++c) {
        int units = t.attack_base[c], queen = 0;
        for (int u = 0; u < ATTACK_UNIT_COUNT; ++u)
          (u >= UNIT_QUEEN_CONTACT ? queen : units) += t.attack_units[c][u] * (eval_params.*ATTACK_UNIT_FIELDS[u]);
        int index = std::clamp(units + std::min(queen, eval_params.queen_check_cap), 0, KING_ATTACK_SIZE - 1);
        attacks += index > t.attack_base[c];
        ScorePair attack = king_attack_table[index];
        rebuilt = c == WHITE ? score_add(rebuilt, attack) : score_sub(rebuilt, attack);
      }
      ASSERT_EQ(rebuilt, sum) << "game " << game << " ply " << ply + 1;
      for (int i = 0; i < linear_table_count; ++i)
        for (int j = 0; j < linear_table_list[i].size; ++j)
          if (t.uses[linear_table_list[i].index + j] && linear_table_list[i].group)
            groups.insert(linear_table_list[i].group);
      ++positions;
    }
  }
  EXPECT_GT(positions, 300);
  EXPECT_GT(attacks, 50);
  for (int i = 0; i < linear_table_count; ++i) {
    const char* group = linear_table_list[i].group;
    if (group) {
      EXPECT_TRUE(groups.count(group)) << group;
    }
  }
}

}  // namespace
