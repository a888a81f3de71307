#include "eval/eval_tables.h"

#include "board/psq_table.h"
#include "eval/eval_params.h"
#include "eval/evaluation.h"
#include "eval/three_file_mask.h"

ScorePair islands_table[256];
ScorePair king_attack_table[KING_ATTACK_SIZE];
ScorePair threat_table[COUNT_TABLE_SIZE];
ScorePair outpost_table[COUNT_TABLE_SIZE];
ScorePair space_table[COUNT_TABLE_SIZE];
int32_t tempo_table[97];

ScorePair knight_mobility_table[16];
ScorePair bishop_mobility_table[16];
ScorePair rook_mobility_table[16];
ScorePair queen_mobility_table[32];

ScorePair knight_king_table[8];
ScorePair knight_pawn_table[COUNT_TABLE_SIZE];
ScorePair rook_pawn_table[COUNT_TABLE_SIZE];
ScorePair bishop_same_colour_table[COUNT_TABLE_SIZE];
ScorePair bishop_other_colour_table[COUNT_TABLE_SIZE];

ScorePair passed_base_table[6];
ScorePair passed_supported_table[6];
ScorePair passed_free_covered_table[6];
ScorePair passed_free_table[6];
ScorePair passed_covered_table[6];
ScorePair passed_contested_table[6];
ScorePair passed_clear_path_table[6];
ScorePair own_king_passer_table[6][9];
ScorePair enemy_king_passer_table[6][9];

ScorePair knight_outpost_table[COUNT_TABLE_SIZE];
ScorePair blocked_pawn_table[COUNT_TABLE_SIZE];
ScorePair blocked_centre_table[COUNT_TABLE_SIZE];
ScorePair shielded_minor_table[COUNT_TABLE_SIZE];

ScorePair doubled_table[COUNT_TABLE_SIZE];
ScorePair isolated_closed_table[COUNT_TABLE_SIZE];
ScorePair isolated_open_table[COUNT_TABLE_SIZE];
ScorePair doubled_isolated_closed_table[COUNT_TABLE_SIZE];
ScorePair doubled_isolated_open_table[COUNT_TABLE_SIZE];
ScorePair connected_table[COUNT_TABLE_SIZE];
ScorePair backward_table[COUNT_TABLE_SIZE];
ScorePair backward_open_table[COUNT_TABLE_SIZE];
ScorePair connected_passer_table[2][64];
ScorePair candidate_table[2][64];
ScorePair passer_king_table[8];
ScorePair shield_table[8];
ScorePair storm_table[8];
Bitboard shelter_zone[2][64];

int phase_piece_value[97][8];

const int32_t SQRT_PER_MILLE[15] = {0,    1000, 1414, 1732, 2000, 2236, 2449, 2646,
                                    2828, 3000, 3162, 3317, 3464, 3606, 3742};

namespace {

ScorePair scaled(int n, Weight w) { return score_scale(n, to_pair(w)); }

// n * w for every count.
void fill_linear(ScorePair* table, int size, Weight w) {
  for (int n = 0; n < size; ++n) table[n] = scaled(n, w);
}

// Integer division rounded half away from zero.
int32_t divide_rounded(int32_t value, int32_t divisor) {
  return value >= 0 ? (value + divisor / 2) / divisor : (value - divisor / 2) / divisor;
}

int count_runs(int mask) {
  int runs = 0;
  for (int f = 0; f < 8; ++f)
    if ((mask >> f & 1) && !(f > 0 && (mask >> (f - 1) & 1))) ++runs;
  return runs;
}

Bitboard flip_vertical(Bitboard b) { return __builtin_bswap64(b); }

void build_psq() {
  const EvalParams& e = eval_params;
  const Weight* const shapes[8] = {nullptr,
                                   e.tuned.pawn_square,
                                   e.tuned.knight_square,
                                   e.tuned.bishop_square,
                                   e.tuned.rook_square,
                                   e.tuned.queen_square,
                                   e.tuned.king_square,
                                   nullptr};
  for (int t = 0; t < 8; ++t)
    for (int s = 0; s < 64; ++s) {
      ScorePair value = shapes[t] ? score_add(to_pair(e.piece_value[t]), to_pair(shapes[t][s])) : 0;
      psq_table[WHITE][t][s] = value;
      psq_table[BLACK][t][s ^ 56] = score_negate(value);
    }
}

// A table indexed by a count of own pawns: more than eight (only a set-up
// position can have them) count as eight.
void fill_by_pawn_count(ScorePair* table, const Weight* by_count) {
  for (int n = 0; n < COUNT_TABLE_SIZE; ++n) table[n] = to_pair(by_count[n < 8 ? n : 8]);
}

void build_shelter_zones() {
  int depth = eval_params.shelter_depth;
  for (int s = 0; s < 64; ++s) {
    // The king's file and its two neighbours (moved inward on the edge
    // files), on the ranks in front of the king.
    int r = rank_of(s);
    Bitboard ranks = 0;
    for (int rr = r + 1; rr <= r + depth && rr < 8; ++rr) ranks |= RANK_1 << (8 * rr);
    shelter_zone[WHITE][s] = three_file_mask[s] & ranks;
  }
  for (int s = 0; s < 64; ++s) shelter_zone[BLACK][s] = flip_vertical(shelter_zone[WHITE][s ^ 56]);
}

void build_pawn_tables() {
  const TunedWeights& w = eval_params.tuned;
  fill_linear(doubled_table, COUNT_TABLE_SIZE, w.doubled);
  fill_linear(isolated_closed_table, COUNT_TABLE_SIZE, w.isolated_closed);
  fill_linear(isolated_open_table, COUNT_TABLE_SIZE, w.isolated_open);
  fill_linear(doubled_isolated_closed_table, COUNT_TABLE_SIZE, w.doubled_isolated_closed);
  fill_linear(doubled_isolated_open_table, COUNT_TABLE_SIZE, w.doubled_isolated_open);
  fill_linear(connected_table, COUNT_TABLE_SIZE, w.connected);
  fill_linear(backward_table, COUNT_TABLE_SIZE, w.backward);
  fill_linear(backward_open_table, COUNT_TABLE_SIZE, w.backward_open);

  for (int s = 0; s < 64; ++s) {
    int rr = rank_of(s);  // White's relative rank
    ScorePair passer = 0, candidate = 0;
    if (rr >= 1 && rr <= 6) {
      passer = to_pair(w.connected_passer[rr - 1]);
      candidate = to_pair(w.candidate[rr - 1]);
    }
    connected_passer_table[WHITE][s] = connected_passer_table[BLACK][s ^ 56] = passer;
    candidate_table[WHITE][s] = candidate_table[BLACK][s ^ 56] = candidate;
  }
  for (int d = 0; d < 8; ++d) passer_king_table[d] = to_pair(w.passer_king[d]);
  for (int rr = 0; rr < 8; ++rr) {
    shield_table[rr] = to_pair(w.shield[rr]);
    storm_table[rr] = to_pair(w.storm[rr]);
  }
  build_shelter_zones();
}

void build_piece_tables() {
  const EvalParams& e = eval_params;
  for (int m = 0; m < 256; ++m) {
    int runs = count_runs(m);
    islands_table[m] = runs >= 1 ? scaled(runs - 1, e.island) : 0;
  }
  int aggressiveness = king_safety();
  if (aggressiveness < 0) aggressiveness = 0;
  if (aggressiveness > 10) aggressiveness = 10;
  for (int i = 0; i < KING_ATTACK_SIZE; ++i)
    king_attack_table[i] = make_score(KING_ATTACK_CURVE[i] * aggressiveness, 0);
  for (int n = 0; n < COUNT_TABLE_SIZE; ++n) threat_table[n] = scaled(n < 2 ? n : n + 2, e.threat_unit);
  fill_linear(outpost_table, COUNT_TABLE_SIZE, e.safe_square);
  fill_linear(space_table, COUNT_TABLE_SIZE, e.space_unit);
  for (int p = 0; p <= 96; ++p) {
    int32_t t = e.tempo.eg * 96 + (e.tempo.op - e.tempo.eg) * p;
    tempo_table[p] = divide_rounded(t, 96);
  }

  for (int i = 0; i < 16; ++i) {
    knight_mobility_table[i] = to_pair(KNIGHT_MOBILITY[i]);
    bishop_mobility_table[i] = to_pair(BISHOP_MOBILITY[i]);
    rook_mobility_table[i] = to_pair(ROOK_MOBILITY[i]);
  }
  for (int i = 0; i < 32; ++i) queen_mobility_table[i] = to_pair(QUEEN_MOBILITY[i]);

  const TunedWeights& w = e.tuned;
  for (int d = 0; d < 8; ++d) knight_king_table[d] = to_pair(w.knight_king_distance[d]);
  fill_by_pawn_count(knight_pawn_table, w.knight_pawns);
  fill_by_pawn_count(rook_pawn_table, w.rook_pawns);
  fill_by_pawn_count(bishop_same_colour_table, w.bishop_same_colour_pawns);
  fill_by_pawn_count(bishop_other_colour_table, w.bishop_other_colour_pawns);

  for (int r = 0; r < 6; ++r) {
    passed_base_table[r] = to_pair(w.passed_base[r]);
    passed_supported_table[r] = to_pair(w.passed_supported[r]);
    passed_free_covered_table[r] = to_pair(w.passed_free_covered[r]);
    passed_free_table[r] = to_pair(w.passed_free[r]);
    passed_covered_table[r] = to_pair(w.passed_covered[r]);
    passed_contested_table[r] = to_pair(w.passed_contested[r]);
    passed_clear_path_table[r] = to_pair(w.passed_clear_path[r]);
    for (int d = 0; d < 9; ++d) {
      own_king_passer_table[r][d] = r >= 2 ? make_score(0, OWN_KING_PASSER_DISTANCE[r - 2][d]) : 0;
      enemy_king_passer_table[r][d] = r >= 2 ? make_score(0, ENEMY_KING_PASSER_DISTANCE[r - 2][d]) : 0;
    }
  }

  fill_linear(knight_outpost_table, COUNT_TABLE_SIZE, w.knight_outpost);
  fill_linear(blocked_pawn_table, COUNT_TABLE_SIZE, w.blocked_pawn);
  fill_linear(blocked_centre_table, COUNT_TABLE_SIZE, w.blocked_centre);
  fill_linear(shielded_minor_table, COUNT_TABLE_SIZE, w.shielded_minor);

  for (int p = 0; p <= 96; ++p)
    for (int t = 0; t < 8; ++t) {
      Weight v = t >= PAWN && t <= QUEEN ? e.piece_value[t] : Weight{0, 0};
      phase_piece_value[p][t] = divide_rounded(v.op * p + v.eg * (96 - p), 960);
    }
}

}  // namespace

void build_eval_tables() {
  build_psq();
  build_pawn_tables();
  build_piece_tables();
}
