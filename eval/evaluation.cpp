#include "eval/evaluation.h"

#include <cstring>

#include "board/attacks.h"
#include "board/bits.h"
#include "board/psq_table.h"
#include "board/see.h"
#include "eval/eval_params.h"
#include "eval/eval_tables.h"
#include "eval/kpk_bitbase.h"
#include "eval/material.h"
#include "eval/pawns.h"
#include "eval/three_file_mask.h"

namespace {

int king_safety_setting = DEFAULT_KING_SAFETY;

}  // namespace

void set_king_safety(int aggressiveness) { king_safety_setting = aggressiveness; }

int king_safety() { return king_safety_setting; }

void initialise_evaluation() {
  build_three_file_mask();
  build_material_table();
  build_kpk_bitbase();
  build_pawn_masks();
  build_eval_tables();
}

ScorePair compute_psq(const Position& p) {
  ScorePair s = 0;
  for (int c = WHITE; c <= BLACK; ++c)
    for (int t = PAWN; t <= KING; ++t)
      for (Bitboard b = p.pieces[c][t]; b;) s = score_add(s, psq_table[c][t][pop_lowest_bit(&b)]);
  return s;
}

int compute_phase(const Position& p) {
  int phase = 0;
  for (int c = WHITE; c <= BLACK; ++c)
    for (int t = KNIGHT; t <= QUEEN; ++t) phase += PHASE_WEIGHT[t] * popcount(p.pieces[c][t]);
  return phase;
}

// ---------------------------------------------------------------------------
// Main evaluation
// ---------------------------------------------------------------------------

const char* const EVAL_TERM_NAMES[TERM_COUNT] = {
    "piece-square", "pawn structure", "castling",     "trapped rook",     "bishop at king",
    "knights",      "bishops",        "rooks",        "queens",           "heavy pieces",
    "king attack",  "threats",        "passed pawns", "pawns and pieces",
};

namespace {

constexpr Bitboard DARK_SQUARES = 0xaa55aa55aa55aa55ULL;
constexpr Bitboard LIGHT_SQUARES = ~DARK_SQUARES;
constexpr int OPPOSITE_BISHOP_UNITS = 28;

struct SquareMasks {
  Bitboard ranks_ahead[2][64];  // whole ranks strictly ahead of the square, per colour
  Bitboard file_ahead[2][64];   // the square's file strictly ahead of it
  Bitboard file_behind[2][64];  // the square's file strictly behind it
};

constexpr SquareMasks make_square_masks() {
  SquareMasks m{};
  for (int s = 0; s < 64; ++s) {
    Bitboard above = 0, below = 0;
    for (int r = rank_of(s) + 1; r < 8; ++r) above |= RANK_1 << (8 * r);
    for (int r = 0; r < rank_of(s); ++r) below |= RANK_1 << (8 * r);
    Bitboard file = FILE_A << file_of(s);
    m.ranks_ahead[WHITE][s] = above;
    m.ranks_ahead[BLACK][s] = below;
    m.file_ahead[WHITE][s] = m.file_behind[BLACK][s] = file & above;
    m.file_ahead[BLACK][s] = m.file_behind[WHITE][s] = file & below;
  }
  return m;
}
constexpr SquareMasks MASKS = make_square_masks();

template <int C>
constexpr Bitboard step_ahead(Bitboard b) {
  return C == WHITE ? b << 8 : b >> 8;
}
template <int C>
constexpr Bitboard fill_back(Bitboard b) {
  if (C == WHITE) {
    b |= b >> 8;
    b |= b >> 16;
    return b | (b >> 32);
  }
  b |= b << 8;
  b |= b << 16;
  return b | (b << 32);
}
constexpr Bitboard sideways(Bitboard b) { return ((b << 1) & NOT_FILE_A) | ((b >> 1) & NOT_FILE_H); }

template <int C>
constexpr int relative_rank_of(int square) {
  return C == WHITE ? rank_of(square) : 7 - rank_of(square);
}

int highest_bit(Bitboard b) { return 63 - __builtin_clzll(b); }

// Integer division rounded half away from zero.
int64_t divide_rounded(int64_t value, int64_t divisor) {
  return value >= 0 ? (value + divisor / 2) / divisor : (value - divisor / 2) / divisor;
}

// The exchange on a queen's contact-check square.  The exchange evaluator
// examines only the lowest-numbered slider of each kind, a tie rule that is
// not colour-symmetric; Black's exchanges are therefore run on the mirrored
// board with the colours swapped, so that a position and its colour-flipped
// twin always get the same answer.
template <int C>
int contact_check_exchange(const Position& p, int from, int to) {
  if (C == WHITE) return see_for(p.pieces, WHITE, move_code(from, to, KIND_NORMAL));
  Bitboard mirrored[2][7];
  for (int c = WHITE; c <= BLACK; ++c)
    for (int t = ALL_PIECES; t <= KING; ++t) mirrored[c][t] = __builtin_bswap64(p.pieces[c ^ 1][t]);
  return see_for(mirrored, WHITE, move_code(from ^ 56, to ^ 56, KIND_NORMAL));
}

// Per-side facts gathered while the pieces are scored.
struct SideInfo {
  int king;
  int piece_units;
  int piece_count;
  Bitboard pawn_attacks;
  Bitboard knight_attacks;
  Bitboard bishop_attacks;
  Bitboard rook_attacks;
  Bitboard queen_attacks;
  Bitboard king_attacks;
  Bitboard all_attacks;
};

template <bool Trace>
struct Accumulator {
  ScorePair side[2] = {0, 0};
  EvalTrace* trace = nullptr;
  void add(int colour, EvalTerm term, ScorePair s) {
    side[colour] = score_add(side[colour], s);
    if constexpr (Trace) trace->term[term][colour] = score_add(trace->term[term][colour], s);
  }
  // Counts n uses of the linear weight at `index` for `colour`.
  void count(int colour, int index, int n = 1) {
    if constexpr (Trace) trace->uses[index] = static_cast<int16_t>(trace->uses[index] + (colour == WHITE ? n : -n));
  }
  // Adds a named weight to a term and counts its use.
  void add(int colour, EvalTerm term, Weight EvalParams::*field, int index) {
    add(colour, term, to_pair(eval_params.*field));
    count(colour, index);
  }
  // Counts n additions of a king-attack unit weight by the attacking colour.
  void units(int colour, AttackUnit unit, int n) {
    if constexpr (Trace)
      trace->attack_units[colour][unit] = static_cast<int16_t>(trace->attack_units[colour][unit] + n);
  }
};

constexpr int by_pawn_count(int n) { return n < 8 ? n : 8; }

template <int C, bool Trace>
void piece_terms(const Position& p, SideInfo* info, Accumulator<Trace>& acc) {
  constexpr int E = C ^ 1;
  const EvalParams& e = eval_params;
  SideInfo& us = info[C];
  const SideInfo& them = info[E];
  const Bitboard occ = occupancy(p);
  const Bitboard our_pawns = p.pieces[C][PAWN];
  const Bitboard their_pieces = p.pieces[E][ALL_PIECES];
  const Bitboard their_knights = p.pieces[E][KNIGHT];
  const int their_king = them.king;
  const Bitboard zone = king_attacks[their_king];
  const int pawn_count = popcount(our_pawns);

  // Where pieces can go without walking into pawns; enemy pieces stay
  // targets even when pawn-defended.
  const Bitboard minor_area = (~our_pawns & ~them.pawn_attacks) | (their_pieces & ~p.pieces[E][PAWN]);
  const Bitboard heavy_area = minor_area & ~them.knight_attacks;
  const Bitboard safe = ~p.pieces[C][ALL_PIECES] & ~square_bit(their_king) & (~them.pawn_attacks | their_pieces);

  int units = KING_DANGER_BASE[C == WHITE ? their_king ^ 56 : their_king];
  int queen_units = 0;
  if constexpr (Trace) acc.trace->attack_base[C] = static_cast<int16_t>(units);

  for (Bitboard b = p.pieces[C][BISHOP]; b;) {
    int s = pop_lowest_bit(&b);
    if ((bishop_ray[their_king] & square_bit(s)) && !(between[s][their_king] & occ & ~their_knights))
      acc.add(C, TERM_BISHOP_AT_KING, &EvalParams::bishop_at_king, PARAM_INDEX(bishop_at_king));
  }

  for (Bitboard b = p.pieces[C][KNIGHT]; b;) {
    int s = pop_lowest_bit(&b);
    ScorePair t = knight_king_table[distance(s, us.king)];
    acc.count(C, TUNED_INDEX(knight_king_distance) + distance(s, us.king));
    acc.count(C, TUNED_INDEX(knight_pawns) + by_pawn_count(pawn_count));
    Bitboard att = knight_attacks[s];
    us.knight_attacks |= att;
    Bitboard mobile = att & minor_area;
    const int mobility = popcount(mobile) + popcount(mobile & MASKS.ranks_ahead[C][s]);
    t = score_add(t, knight_mobility_table[mobility]);
    acc.count(C, LINEAR_KNIGHT_MOBILITY + mobility);
    t = score_add(t, knight_pawn_table[pawn_count]);
    acc.add(C, TERM_KNIGHTS, t);
    if (att & zone) units += e.knight_zone_units;
    const int checks = popcount(att & safe & knight_attacks[their_king]);
    units += e.knight_check_units * checks;
    acc.units(C, UNIT_KNIGHT_ZONE, (att & zone) != 0);
    acc.units(C, UNIT_KNIGHT_CHECK, checks);
    us.piece_units += 24;
    ++us.piece_count;
  }

  const Bitboard king_diagonals = bishop_attacks(their_king, occ);
  for (Bitboard b = p.pieces[C][BISHOP]; b;) {
    int s = pop_lowest_bit(&b);
    Bitboard att = bishop_attacks(s, occ);
    us.bishop_attacks |= att;
    Bitboard colour = (DARK_SQUARES & square_bit(s)) ? DARK_SQUARES : LIGHT_SQUARES;
    const int mobility = popcount(att & minor_area);
    ScorePair t = bishop_mobility_table[mobility];
    acc.count(C, LINEAR_BISHOP_MOBILITY + mobility);
    t = score_add(t, bishop_same_colour_table[popcount(our_pawns & colour)]);
    t = score_add(t, bishop_other_colour_table[popcount(our_pawns & ~colour)]);
    acc.count(C, TUNED_INDEX(bishop_same_colour_pawns) + by_pawn_count(popcount(our_pawns & colour)));
    acc.count(C, TUNED_INDEX(bishop_other_colour_pawns) + by_pawn_count(popcount(our_pawns & ~colour)));
    // A knight three ranks up the file, in its own half, is a target.
    int r = rank_of(s);
    if (r != 0 && r != 7) {
      int target = C == WHITE ? s + 24 : s - 24;
      if (target >= 0 && target < 64 && relative_rank_of<C>(target) >= 4 && (their_knights & square_bit(target))) {
        t = score_add(t, to_pair(e.bishop_facing_knight));
        acc.count(C, PARAM_INDEX(bishop_facing_knight));
      }
    }
    acc.add(C, TERM_BISHOPS, t);
    if (att & zone) units += e.bishop_zone_units;
    const int checks = popcount(att & safe & king_diagonals);
    units += e.bishop_check_units * checks;
    acc.units(C, UNIT_BISHOP_ZONE, (att & zone) != 0);
    acc.units(C, UNIT_BISHOP_CHECK, checks);
    us.piece_units += 28;
    ++us.piece_count;
  }
  if (popcount(p.pieces[C][BISHOP]) == 2) acc.add(C, TERM_BISHOPS, &EvalParams::bishop_pair, PARAM_INDEX(bishop_pair));

  const Bitboard king_lines = rook_attacks(their_king, occ);
  const int their_back_rank = E == WHITE ? 0 : 7;
  for (Bitboard b = p.pieces[C][ROOK]; b;) {
    int s = pop_lowest_bit(&b);
    ScorePair t = to_pair(e.rook_each);
    acc.count(C, PARAM_INDEX(rook_each));
    if (rank_of(their_king) == their_back_rank && relative_rank_of<C>(s) == 6) {
      t = score_add(t, to_pair(e.rook_seventh));
      acc.count(C, PARAM_INDEX(rook_seventh));
    }
    t = score_add(t, rook_pawn_table[pawn_count]);
    acc.count(C, TUNED_INDEX(rook_pawns) + by_pawn_count(pawn_count));
    Bitboard file = FILE_A << file_of(s);
    if (!(our_pawns & file)) {
      Bitboard their_file_pawns = p.pieces[E][PAWN] & file;
      if (!their_file_pawns) {
        t = score_add(t, to_pair(e.rook_open_file));
        acc.count(C, PARAM_INDEX(rook_open_file));
      } else if (!(their_file_pawns & them.pawn_attacks)) {
        t = score_add(t, to_pair(e.rook_half_open_weak));
        acc.count(C, PARAM_INDEX(rook_half_open_weak));
      } else {
        t = score_add(t, to_pair(e.rook_half_open_defended));
        acc.count(C, PARAM_INDEX(rook_half_open_defended));
      }
    }
    Bitboard att = rook_attacks(s, occ);
    us.rook_attacks |= att;
    const int mobility = popcount(att & heavy_area);
    t = score_add(t, rook_mobility_table[mobility]);
    acc.count(C, LINEAR_ROOK_MOBILITY + mobility);
    acc.add(C, TERM_ROOKS, t);
    if (att & zone) units += e.rook_zone_units;
    const int checks = popcount(att & safe & king_lines);
    units += e.rook_check_units * checks;
    acc.units(C, UNIT_ROOK_ZONE, (att & zone) != 0);
    acc.units(C, UNIT_ROOK_CHECK, checks);
    us.piece_units += 40;
    ++us.piece_count;
  }

  const Bitboard king_queen_lines = king_lines | king_diagonals;
  for (Bitboard b = p.pieces[C][QUEEN]; b;) {
    int s = pop_lowest_bit(&b);
    Bitboard straight = rook_attacks(s, occ), diagonal = bishop_attacks(s, occ);
    Bitboard att = straight | diagonal;
    us.queen_attacks |= att;
    const int mobility = popcount(straight & heavy_area) + popcount(diagonal & heavy_area);
    acc.add(C, TERM_QUEENS, queen_mobility_table[mobility]);
    acc.count(C, LINEAR_QUEEN_MOBILITY + mobility);
    if (att & zone) units += e.queen_zone_units;
    acc.units(C, UNIT_QUEEN_ZONE, (att & zone) != 0);
    for (Bitboard checks = att & safe & king_queen_lines; checks;) {
      int t = pop_lowest_bit(&checks);
      if (zone & square_bit(t)) {
        // Contact check: it only counts in full when the queen survives.
        bool loses = contact_check_exchange<C>(p, s, t) < 0;
        queen_units += loses ? e.queen_contact_losing_units : e.queen_contact_units;
        acc.units(C, loses ? UNIT_QUEEN_CONTACT_LOSING : UNIT_QUEEN_CONTACT, 1);
      } else {
        queen_units += e.queen_check_units;
        acc.units(C, UNIT_QUEEN_CHECK, 1);
      }
    }
    us.piece_units += 72;
    ++us.piece_count;
  }

  const int rooks = popcount(p.pieces[C][ROOK]);
  if (rooks >= 2) acc.add(C, TERM_HEAVY_PIECES, &EvalParams::rook_redundancy, PARAM_INDEX(rook_redundancy));
  if (rooks >= 1 && p.pieces[C][QUEEN])
    acc.add(C, TERM_HEAVY_PIECES, &EvalParams::rook_queen_redundancy, PARAM_INDEX(rook_queen_redundancy));

  int index = units + min_int(queen_units, e.queen_check_cap);
  // Masses of promoted pieces could push the index past the table's end.
  if (index > KING_ATTACK_SIZE - 1) index = KING_ATTACK_SIZE - 1;
  if (index < 0) index = 0;
  acc.add(C, TERM_KING_ATTACK, king_attack_table[index]);
}

template <int C, bool Trace>
void threat_terms(const Position& p, const SideInfo* info, Accumulator<Trace>& acc) {
  constexpr int E = C ^ 1;
  const SideInfo& us = info[C];
  const Bitboard men = p.pieces[E][ALL_PIECES];
  const Bitboard queens = p.pieces[E][QUEEN], rooks = p.pieces[E][ROOK];
  const Bitboard undefended = men & ~info[E].all_attacks;
  Bitboard threatened = (men & ~p.pieces[E][PAWN] & us.pawn_attacks) |
                        ((queens | rooks) & (us.knight_attacks | us.bishop_attacks)) | (queens & us.rook_attacks) |
                        (undefended & ~p.pieces[E][BISHOP] & us.bishop_attacks) |
                        (undefended & ~queens & us.queen_attacks) | (undefended & us.king_attacks) |
                        (undefended & ~rooks & (us.knight_attacks | us.rook_attacks));
  const int n = popcount(threatened);
  acc.add(C, TERM_THREATS, threat_table[n]);
  acc.count(C, PARAM_INDEX(threat_unit), n < 2 ? n : n + 2);  // from the third on, each counts twice
}

template <int C, bool Trace>
void passed_pawn_terms(const Position& p, const PawnEntry& pawns, const SideInfo* info, Accumulator<Trace>& acc) {
  constexpr int E = C ^ 1;
  const EvalParams& e = eval_params;
  const Bitboard occ = occupancy(p);
  const int our_king = info[C].king, their_king = info[E].king;
  const Bitboard their_heavy = p.pieces[E][ROOK] | p.pieces[E][QUEEN];
  for (int i = 0; i < 8 && pawns.passed[C][i]; ++i) {
    const int s = pawns.passed[C][i];
    const int r = relative_rank_of<C>(s) - 1;
    ScorePair t = passed_base_table[r];
    acc.count(C, TUNED_INDEX(passed_base) + r);
    if (r > 1) {
      const int stop = C == WHITE ? s + 8 : s - 8;
      t = score_add(t, own_king_passer_table[r][distance(our_king, stop)]);
      t = score_add(t, enemy_king_passer_table[r][distance(their_king, stop)]);
      acc.count(C, LINEAR_OWN_KING_PASSER + (r - 2) * 9 + distance(our_king, stop));
      acc.count(C, LINEAR_ENEMY_KING_PASSER + (r - 2) * 9 + distance(their_king, stop));
      const int promotion = C == WHITE ? 56 + file_of(s) : file_of(s);
      if (distance(our_king, promotion) <= 1) {
        t = score_add(t, to_pair(e.king_near_promotion));
        acc.count(C, PARAM_INDEX(king_near_promotion));
      }
      if (distance(their_king, promotion) <= 1)
        acc.add(E, TERM_PASSED_PAWNS, &EvalParams::king_near_promotion, PARAM_INDEX(king_near_promotion));
      const Bitboard behind = MASKS.file_behind[C][s];
      if (r != 2) {
        if (p.pieces[C][ROOK] & behind) {
          t = score_add(t, to_pair(e.rook_behind_passer));
          acc.count(C, PARAM_INDEX(rook_behind_passer));
        }
        if (p.pieces[E][ROOK] & behind)
          acc.add(E, TERM_PASSED_PAWNS, &EvalParams::rook_behind_passer, PARAM_INDEX(rook_behind_passer));
      }
      if (!(occ & square_bit(stop))) {
        const Bitboard path = MASKS.file_ahead[C][s];
        Bitboard unsafe = path & (info[E].all_attacks | p.pieces[E][ALL_PIECES]);
        // An enemy rook or queen behind the pawn x-rays its whole path; the
        // one furthest back counts when only its allies stand between.
        const Bitboard heavy_behind = their_heavy & behind;
        if (heavy_behind) {
          int x = C == WHITE ? lowest_bit(heavy_behind) : highest_bit(heavy_behind);
          if (!(between[x][s] & occ & ~their_heavy)) unsafe = path;
        }
        const Bitboard bit = square_bit(s);
        const Bitboard helpers = sideways(bit) | (C == WHITE ? bit >> 8 : bit << 8);
        if (p.pieces[C][PAWN] & helpers) {
          t = score_add(t, passed_supported_table[r]);
          acc.count(C, TUNED_INDEX(passed_supported) + r);
        }
        const Bitboard ours = info[C].all_attacks;
        if (!unsafe) {
          const bool covered = !(path & ~ours);
          t = score_add(t, covered ? passed_free_covered_table[r] : passed_free_table[r]);
          acc.count(C, (covered ? TUNED_INDEX(passed_free_covered) : TUNED_INDEX(passed_free)) + r);
        } else {
          const bool contested = unsafe & ~ours;
          t = score_add(t, contested ? passed_contested_table[r] : passed_covered_table[r]);
          acc.count(C, (contested ? TUNED_INDEX(passed_contested) : TUNED_INDEX(passed_covered)) + r);
        }
        if (!(path & p.pieces[C][ALL_PIECES])) {
          t = score_add(t, passed_clear_path_table[r]);
          acc.count(C, TUNED_INDEX(passed_clear_path) + r);
        }
      }
    }
    acc.add(C, TERM_PASSED_PAWNS, t);
  }
}

template <int C, bool Trace>
void pawn_piece_terms(const Position& p, const SideInfo* info, Accumulator<Trace>& acc) {
  constexpr int E = C ^ 1;
  const EvalParams& e = eval_params;
  const Bitboard occ = occupancy(p);
  const Bitboard their_pawns = p.pieces[E][PAWN];
  // Every square an enemy pawn attacks now or could attack after advancing.
  const Bitboard their_reach = fill_back<C>(info[E].pawn_attacks);
  const Bitboard knights = p.pieces[C][KNIGHT], minors = knights | p.pieces[C][BISHOP];
  const int outposts = popcount(knights & step_ahead<E>(their_pawns) & ~their_reach);
  ScorePair t = knight_outpost_table[outposts];
  const int safe_squares = popcount((minors | p.pieces[C][ROOK]) & ~their_reach);
  t = score_add(t, outpost_table[safe_squares]);
  acc.count(C, PARAM_INDEX(safe_square), safe_squares);
  const Bitboard blocked = their_pawns & step_ahead<C>(occ);  // their pawns with something in front
  t = score_add(t, blocked_pawn_table[popcount(blocked)]);
  const Bitboard wing = file_of(info[E].king) >= 4 ? 0x1e1e1e1e1e1e1e1eULL : 0x7878787878787878ULL;
  const int blocked_centre = popcount(blocked & start_rank[E] & wing);
  t = score_add(t, blocked_centre_table[blocked_centre]);
  const int shielded = popcount(minors & (C == WHITE ? p.pieces[C][PAWN] >> 8 : p.pieces[C][PAWN] << 8));
  t = score_add(t, shielded_minor_table[shielded]);
  acc.count(C, TUNED_INDEX(knight_outpost), outposts);
  acc.count(C, TUNED_INDEX(blocked_pawn), popcount(blocked));
  acc.count(C, TUNED_INDEX(blocked_centre), blocked_centre);
  acc.count(C, TUNED_INDEX(shielded_minor), shielded);
  if (p.pieces[C][BISHOP] & step_ahead<C>(square_bit(info[C].king))) {
    t = score_add(t, to_pair(e.bishop_before_king));
    acc.count(C, PARAM_INDEX(bishop_before_king));
  }
  if (info[C].piece_count >= info[E].piece_count + 2) {
    t = score_add(t, to_pair(e.extra_pieces));
    acc.count(C, PARAM_INDEX(extra_pieces));
  }
  acc.add(C, TERM_PAWNS_AND_PIECES, t);
}

template <int C>
void gather_side(const Position& p, SideInfo* info) {
  SideInfo& s = info[C];
  s = SideInfo{};
  s.king = king_square(p, C);
  s.pawn_attacks = pawn_attacks(p.pieces[C][PAWN], C);
  for (Bitboard b = p.pieces[C][KNIGHT]; b;) s.knight_attacks |= knight_attacks[pop_lowest_bit(&b)];
  s.king_attacks = king_attacks[s.king];
}

template <bool Cached, bool Trace>
int evaluate_impl(const Position& p, EvalCaches* caches, EvalTrace* trace) {
  const int stm = side_to_move(p);
  // Every term needs both kings; a record without one (only an illegal line
  // that captured a king could make it) scores level instead of reading
  // tables with an undefined square.
  if (!p.pieces[WHITE][KING] || !p.pieces[BLACK][KING]) return 0;
  EvalCacheEntry* slot = Cached ? &caches->score[p.key & (EVAL_CACHE_SIZE - 1)] : nullptr;
  if constexpr (Cached) {
    if (slot->key == p.key) return slot->score;
  }
  if constexpr (Trace) *trace = EvalTrace{};

  // Material table: special endgames, or a scale and a correction.
  int32_t scale = 1000, material_value = 0;
  bool no_scaling = true;
  if (const MaterialEntry* m = material_probe(p.material_key)) {
    if (m->special) {
      int score = m->special(p);
      score = stm == WHITE ? score : -score;
      if constexpr (Trace) {
        trace->special = 1;
        trace->score = score;
      }
      return score;
    }
    scale = m->scale;
    material_value = m->value;
    no_scaling = scale == 1000;
  }

  PawnEntry fresh;
  const PawnEntry* pawns = &fresh;
  if constexpr (Cached) {
    pawns = &evaluate_pawns(p, &caches->pawns);
  } else if constexpr (Trace) {
    ScorePair sums[2];
    compute_pawn_entry(p, &fresh, sums, trace);
    trace->term[TERM_PAWN_STRUCTURE][WHITE] = sums[WHITE];
    trace->term[TERM_PAWN_STRUCTURE][BLACK] = sums[BLACK];
  } else {
    compute_pawn_entry(p, &fresh);
  }

  Accumulator<Trace> acc;
  acc.trace = trace;

  // Castling rights and rooks shut in by an uncastled king.
  if (!(p.castle_lost & CASTLE_WHITE_SHORT))
    acc.add(WHITE, TERM_CASTLING, &EvalParams::castle_short, PARAM_INDEX(castle_short));
  if (!(p.castle_lost & CASTLE_WHITE_LONG))
    acc.add(WHITE, TERM_CASTLING, &EvalParams::castle_long, PARAM_INDEX(castle_long));
  if (!(p.castle_lost & CASTLE_BLACK_SHORT))
    acc.add(BLACK, TERM_CASTLING, &EvalParams::castle_short, PARAM_INDEX(castle_short));
  if (!(p.castle_lost & CASTLE_BLACK_LONG))
    acc.add(BLACK, TERM_CASTLING, &EvalParams::castle_long, PARAM_INDEX(castle_long));
  if ((p.pieces[WHITE][KING] & 0x60ULL) && (p.pieces[WHITE][ROOK] & 0xc0c0ULL))
    acc.add(WHITE, TERM_TRAPPED_ROOK, &EvalParams::trapped_rook, PARAM_INDEX(trapped_rook));
  if ((p.pieces[BLACK][KING] & 0x6000000000000000ULL) && (p.pieces[BLACK][ROOK] & 0xc0c0000000000000ULL))
    acc.add(BLACK, TERM_TRAPPED_ROOK, &EvalParams::trapped_rook, PARAM_INDEX(trapped_rook));

  SideInfo info[2];
  gather_side<WHITE>(p, info);
  gather_side<BLACK>(p, info);
  piece_terms<WHITE>(p, info, acc);
  piece_terms<BLACK>(p, info, acc);
  for (SideInfo& s : info)
    s.all_attacks =
        s.pawn_attacks | s.knight_attacks | s.bishop_attacks | s.rook_attacks | s.queen_attacks | s.king_attacks;
  threat_terms<WHITE>(p, info, acc);
  threat_terms<BLACK>(p, info, acc);
  passed_pawn_terms<WHITE>(p, *pawns, info, acc);
  passed_pawn_terms<BLACK>(p, *pawns, info, acc);
  pawn_piece_terms<WHITE>(p, info, acc);
  pawn_piece_terms<BLACK>(p, info, acc);

  // Combination.
  const int phase = p.phase > MAX_PHASE ? MAX_PHASE : p.phase;
  ScorePair sum = score_sub(acc.side[WHITE], acc.side[BLACK]);
  sum = score_add(sum, p.psq);
  sum = score_add(sum, pawns->score);
  int64_t v = static_cast<int64_t>(opening_part(sum)) * phase +
              static_cast<int64_t>(endgame_part(sum)) * (MAX_PHASE - phase) + 96 * static_cast<int64_t>(material_value);
  if constexpr (Trace) trace->blended = static_cast<int32_t>(v);

  // Opposite-coloured bishops.
  int32_t factor = 1000;
  const Bitboard bishops = p.pieces[WHITE][BISHOP] | p.pieces[BLACK][BISHOP];
  if (info[WHITE].piece_units % 8 == 4 && info[BLACK].piece_units % 8 == 4 && (bishops & DARK_SQUARES) &&
      (bishops & LIGHT_SQUARES)) {
    if (info[WHITE].piece_units == OPPOSITE_BISHOP_UNITS && info[BLACK].piece_units == OPPOSITE_BISHOP_UNITS) {
      int strong = v >= 0 ? WHITE : BLACK;
      int passed = 0;
      while (passed < 8 && pawns->passed[strong][passed]) ++passed;
      int n = popcount(p.pieces[strong][PAWN]) - 2 + passed;
      n = n < 0 ? 0 : (n > 14 ? 14 : n);
      factor = (SQRT_PER_MILLE[n] + 2) / 5;
    } else {
      factor = p.phase <= 55 ? 900 : 1000;
    }
    v = divide_rounded(v * factor, 1000);
  }

  int32_t second_factor = 1000;
  if (factor == 1000 && no_scaling) {
    const bool no_pieces = info[WHITE].piece_count == 0 && info[BLACK].piece_count == 0;
    const bool no_pawns = !(p.pieces[WHITE][PAWN] | p.pieces[BLACK][PAWN]);
    if (no_pieces && !no_pawns) {
      second_factor = 1300;  // pawn endings are sharper than they look
    } else if (no_pawns) {
      // Without pawns a small material edge rarely wins.
      int d = info[WHITE].piece_units / 8 - info[BLACK].piece_units / 8;
      d = d < 0 ? -d : d;
      second_factor = d < 3 ? 100 : (d == 3 ? 200 : 400);
    } else {
      // Few pawns left for the stronger side: harder to convert.
      static const int32_t few_pawns[5] = {400, 550, 700, 800, 900};
      int k = popcount(p.pieces[v >= 0 ? WHITE : BLACK][PAWN]);
      if (k <= 4) second_factor = few_pawns[k];
    }
  } else {
    second_factor = scale;
  }
  if (second_factor != 1000) v = divide_rounded(v * second_factor, 1000);

  int64_t tenths = divide_rounded(v, 96);
  if (stm == BLACK) tenths = -tenths;
  tenths += tempo_table[phase];
  const int score = static_cast<int>(divide_rounded(tenths, 10));

  if constexpr (Trace) {
    trace->phase = phase;
    trace->material_value = material_value;
    trace->material_scale = scale;
    trace->opposite_bishop_factor = factor;
    trace->scaling_factor = second_factor;
    trace->scaled = static_cast<int32_t>(v);
    trace->tempo = tempo_table[phase];
    trace->score = score;
    // The piece-square sum split by colour, each in its own favour, and
    // the piece values and shape entries it used (Black's shapes on the
    // mirrored square).
    static constexpr int SHAPE[8] = {0,
                                     TUNED_INDEX(pawn_square),
                                     TUNED_INDEX(knight_square),
                                     TUNED_INDEX(bishop_square),
                                     TUNED_INDEX(rook_square),
                                     TUNED_INDEX(queen_square),
                                     TUNED_INDEX(king_square),
                                     0};
    for (int c = WHITE; c <= BLACK; ++c) {
      ScorePair s = 0;
      for (int t = PAWN; t <= KING; ++t)
        for (Bitboard b = p.pieces[c][t]; b;) {
          int sq = pop_lowest_bit(&b);
          s = score_add(s, psq_table[c][t][sq]);
          acc.count(c, SHAPE[t] + (c == WHITE ? sq : sq ^ 56));
          acc.count(c, PARAM_INDEX(piece_value) + t);
        }
      trace->term[TERM_PIECE_SQUARE][c] = c == WHITE ? s : score_negate(s);
    }
  }
  if constexpr (Cached) {
    slot->key = p.key;
    slot->score = score;
  }
  return score;
}

}  // namespace

int evaluate(const Position& p, EvalCaches* caches) { return evaluate_impl<true, false>(p, caches, nullptr); }

int with_endgame_knowledge(const Position& p, int net_score) {
  const MaterialEntry* m = material_probe(p.material_key);
  if (!m) return net_score;
  if (m->special) {
    const int score = m->special(p);
    return side_to_move(p) == WHITE ? score : -score;
  }
  return m->scale == 1000 ? net_score : static_cast<int>(divide_rounded(int64_t{net_score} * m->scale, 1000));
}

int evaluate_uncached(const Position& p) { return evaluate_impl<false, false>(p, nullptr, nullptr); }

int evaluate_traced(const Position& p, EvalTrace* trace) { return evaluate_impl<false, true>(p, nullptr, trace); }

void clear_eval_caches(EvalCaches* caches) { std::memset(static_cast<void*>(caches), 0, sizeof *caches); }
