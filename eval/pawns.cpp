#include "eval/pawns.h"

#include "board/bits.h"
#include "eval/eval_params.h"
#include "eval/eval_tables.h"
#include "eval/evaluation.h"

Bitboard flank_ahead[2][64];

namespace {

// Ranks 2 to 7: the only ranks a pawn can stand on in a game.
constexpr Bitboard PAWN_RANKS = 0x00ffffffffffff00ULL;

constexpr Bitboard north_fill(Bitboard b) {
  b |= b << 8;
  b |= b << 16;
  return b | (b << 32);
}
constexpr Bitboard south_fill(Bitboard b) {
  b |= b >> 8;
  b |= b >> 16;
  return b | (b >> 32);
}
// One rank towards the colour's promotion rank, or away from it.
template <int C>
constexpr Bitboard step_ahead(Bitboard b) {
  return C == WHITE ? b << 8 : b >> 8;
}
template <int C>
constexpr Bitboard step_back(Bitboard b) {
  return C == WHITE ? b >> 8 : b << 8;
}
// Inclusive fills towards the colour's promotion rank, or away from it.
template <int C>
constexpr Bitboard fill_ahead(Bitboard b) {
  return C == WHITE ? north_fill(b) : south_fill(b);
}
template <int C>
constexpr Bitboard fill_back(Bitboard b) {
  return C == WHITE ? south_fill(b) : north_fill(b);
}
constexpr Bitboard sideways(Bitboard b) { return ((b << 1) & NOT_FILE_A) | ((b >> 1) & NOT_FILE_H); }

template <int C>
int relative_rank_of(int square) {
  return C == WHITE ? rank_of(square) : 7 - rank_of(square);
}

// Counts uses of the linear weights for the trace; does nothing unless Trace.
template <bool Trace>
struct TunedCounter {
  EvalTrace* trace;
  void count(int colour, int index, int n = 1) {
    if constexpr (Trace) trace->uses[index] = static_cast<int16_t>(trace->uses[index] + (colour == WHITE ? n : -n));
  }
};

// Shelter of a king standing on `king` (its file `king_file`): each own
// pawn in the zone scores by its rank, twice on the king's own file.  When
// ranks is given, the number of uses of each rank's entry is added to it.
template <int C>
ScorePair shelter(Bitboard own, int king, int king_file, int* ranks = nullptr) {
  ScorePair s = 0;
  Bitboard b = own & shelter_zone[C][king];
  while (b) {
    int sq = pop_lowest_bit(&b);
    int rr = relative_rank_of<C>(sq);
    ScorePair v = shield_table[rr];
    s = score_add(s, v);
    if (file_of(sq) == king_file) s = score_add(s, v);
    if (ranks) ranks[rr] += file_of(sq) == king_file ? 2 : 1;
  }
  return s;
}

// Everything of one side in its own favour.
template <int C, bool Trace>
ScorePair side_structure(const Position& p, PawnEntry* entry, ScorePair* white_sum, ScorePair* black_sum,
                         TunedCounter<Trace> tc) {
  constexpr int E = C ^ 1;
  const EvalParams& e = eval_params;
  const Bitboard own = p.pieces[C][PAWN], enemy = p.pieces[E][PAWN], all = own | enemy;
  const int own_king = king_square(p, C), enemy_king = king_square(p, E);

  ScorePair s = 0;
  const Bitboard file_fill = north_fill(south_fill(own));
  const int file_set = static_cast<int>(file_fill & 0xff);
  s = score_add(s, islands_table[file_set]);
  if constexpr (Trace) {
    // Islands beyond the first: runs of files, counted by their left ends.
    const int islands = popcount(static_cast<Bitboard>(file_set & ~(file_set << 1)));
    tc.count(C, PARAM_INDEX(island), islands > 1 ? islands - 1 : 0);
  }

  const Bitboard rear_span = fill_back<C>(step_back<C>(own));
  const Bitboard front_most = own & ~rear_span;
  const Bitboard unopposed = own & ~fill_back<C>(step_back<C>(all));
  const Bitboard isolated = own & ~sideways(file_fill);
  const Bitboard own_attacks = pawn_attacks(own, C);
  const Bitboard enemy_attacks = pawn_attacks(enemy, E);
  const Bitboard enemy_span = fill_back<C>(enemy_attacks);
  const Bitboard closed_files = north_fill(south_fill(enemy));
  const Bitboard neighbours = sideways(own);
  const Bitboard front_doubled = front_most & fill_ahead<C>(step_ahead<C>(own));

  // Doubled pawns, and the undefended front pawn of each doubled file.
  const int doubled = popcount(own) - popcount(static_cast<Bitboard>(file_set));
  s = score_add(s, doubled_table[doubled]);
  const int undefended_doubled = popcount(front_doubled & ~own_attacks);
  s = score_add(s, score_scale(undefended_doubled, to_pair(e.undefended_doubled)));
  tc.count(C, PARAM_INDEX(undefended_doubled), undefended_doubled);
  // Space behind the pawn chain.
  s = score_add(s, space_table[popcount(rear_span)]);
  tc.count(C, PARAM_INDEX(space_unit), popcount(rear_span));
  // Isolated pawns, worse on files the enemy's rooks can use.
  const int isolated_closed = popcount(isolated & closed_files), isolated_open = popcount(isolated & ~closed_files);
  const int doubled_isolated_closed = popcount(front_doubled & isolated & closed_files);
  const int doubled_isolated_open = popcount(front_doubled & isolated & ~closed_files);
  s = score_add(s, isolated_closed_table[isolated_closed]);
  s = score_add(s, isolated_open_table[isolated_open]);
  s = score_add(s, doubled_isolated_closed_table[doubled_isolated_closed]);
  s = score_add(s, doubled_isolated_open_table[doubled_isolated_open]);
  // Pawns with a neighbour beside them, or a pawn ahead on their file.
  const int connected = popcount((own & neighbours & ~front_doubled) | (own & rear_span));
  s = score_add(s, connected_table[connected]);
  tc.count(C, TUNED_INDEX(doubled), doubled);
  tc.count(C, TUNED_INDEX(isolated_closed), isolated_closed);
  tc.count(C, TUNED_INDEX(isolated_open), isolated_open);
  tc.count(C, TUNED_INDEX(doubled_isolated_closed), doubled_isolated_closed);
  tc.count(C, TUNED_INDEX(doubled_isolated_open), doubled_isolated_open);
  tc.count(C, TUNED_INDEX(connected), connected);

  // Backward pawns: no neighbour behind or beside to support the advance.
  const Bitboard supported_from_behind = fill_ahead<C>(step_ahead<C>(neighbours));
  Bitboard backward = own & ~isolated & ~supported_from_behind;
  backward &= front_doubled | (~neighbours & ~rear_span);
  const Bitboard stops = step_ahead<C>(backward);
  const int backward_count = popcount(stops & (all | enemy_attacks));
  const int backward_open = popcount(stops & enemy_attacks & ~fill_back<C>(all));
  s = score_add(s, backward_table[backward_count]);
  s = score_add(s, backward_open_table[backward_open]);
  tc.count(C, TUNED_INDEX(backward), backward_count);
  tc.count(C, TUNED_INDEX(backward_open), backward_open);

  // Passed pawns.
  const Bitboard passed = unopposed & ~enemy_span & PAWN_RANKS;
  const Bitboard connected_passed = passed & (sideways(passed) | pawn_attacks(passed, C));
  const int white_king = king_square(p, WHITE), black_king = king_square(p, BLACK);
  Bitboard b = passed;
  int n = 0;
  while (b) {
    int sq = pop_lowest_bit(&b);
    entry->passed[C][n++] = static_cast<uint8_t>(sq);
    if (connected_passed & square_bit(sq)) {
      s = score_add(s, connected_passer_table[C][sq]);
      tc.count(C, TUNED_INDEX(connected_passer) + relative_rank_of<C>(sq) - 1);
    }
    int stop = C == WHITE ? sq + 8 : sq - 8;
    *white_sum = score_add(*white_sum, passer_king_table[distance(white_king, stop)]);
    *black_sum = score_add(*black_sum, passer_king_table[distance(black_king, stop)]);
    tc.count(WHITE, TUNED_INDEX(passer_king) + distance(white_king, stop));
    tc.count(BLACK, TUNED_INDEX(passer_king) + distance(black_king, stop));
  }
  if (n < 8) entry->passed[C][n] = 0;
  if (n >= 2) {
    s = score_add(s, to_pair(e.two_passers));
    tc.count(C, PARAM_INDEX(two_passers));
  }

  // Candidates: unopposed, supported from the side, and at most one enemy
  // pawn left to pass on the neighbouring files.
  b = unopposed & ~passed & neighbours & PAWN_RANKS;
  while (b) {
    int sq = pop_lowest_bit(&b);
    if (popcount(enemy & flank_ahead[C][sq]) <= 1) {
      s = score_add(s, candidate_table[C][sq]);
      tc.count(C, TUNED_INDEX(candidate) + relative_rank_of<C>(sq) - 1);
    }
  }

  // King shelter; an uncastled king may count the shelter it will castle into.
  const int home = C == WHITE ? 4 : 60;
  int own_ranks[8] = {}, castled_ranks[8] = {};
  ScorePair shield = shelter<C>(own, own_king, file_of(own_king), Trace ? own_ranks : nullptr);
  const int* shield_ranks = own_ranks;
  if (own_king == home) {
    ScorePair castled = shelter<C>(own, home + 2, 6, Trace ? castled_ranks : nullptr);
    if (opening_part(castled) > opening_part(shield)) {
      shield = castled;
      shield_ranks = castled_ranks;
    }
  }
  s = score_add(s, shield);
  for (int rr = 0; Trace && rr < 8; ++rr) tc.count(C, TUNED_INDEX(shield) + rr, shield_ranks[rr]);

  // Pawns storming the enemy king.
  Bitboard storm = own & shelter_zone[E][enemy_king];
  while (storm) {
    int rr = relative_rank_of<C>(pop_lowest_bit(&storm));
    s = score_add(s, storm_table[rr]);
    tc.count(C, TUNED_INDEX(storm) + rr);
  }

  // A back-rank king boxed in by its own pawns.
  if (relative_rank_of<C>(own_king) == 0) {
    Bitboard ahead = step_ahead<C>(square_bit(own_king));
    Bitboard front = ahead | sideways(ahead);
    if ((own & front) == front) {
      s = score_add(s, to_pair(e.walled_king));
      tc.count(C, PARAM_INDEX(walled_king));
    }
  }
  return s;
}

}  // namespace

void build_pawn_masks() {
  for (int s = 0; s < 64; ++s) {
    Bitboard side_files = sideways(north_fill(south_fill(square_bit(s))));
    Bitboard above = 0, below = 0;
    for (int r = 0; r < 8; ++r) {
      Bitboard rank = RANK_1 << (8 * r);
      if (r > rank_of(s)) above |= rank;
      if (r < rank_of(s)) below |= rank;
    }
    flank_ahead[WHITE][s] = side_files & above;
    flank_ahead[BLACK][s] = side_files & below;
  }
}

void compute_pawn_entry(const Position& p, PawnEntry* out, ScorePair* side_sums, EvalTrace* trace) {
  out->key = p.pawn_key;
  for (auto& list : out->passed)
    for (uint8_t& sq : list) sq = 0;
  ScorePair white_sum = 0, black_sum = 0, white, black;
  if (trace) {
    white = side_structure<WHITE>(p, out, &white_sum, &black_sum, TunedCounter<true>{trace});
    black = side_structure<BLACK>(p, out, &white_sum, &black_sum, TunedCounter<true>{trace});
  } else {
    white = side_structure<WHITE>(p, out, &white_sum, &black_sum, TunedCounter<false>{nullptr});
    black = side_structure<BLACK>(p, out, &white_sum, &black_sum, TunedCounter<false>{nullptr});
  }
  white = score_add(white, white_sum);
  black = score_add(black, black_sum);
  out->score = score_sub(white, black);
  if (side_sums) {
    side_sums[WHITE] = white;
    side_sums[BLACK] = black;
  }
}

const PawnEntry& evaluate_pawns(const Position& p, PawnTable* table) {
  ++table->probes;
  PawnEntry& entry = table->entry[p.pawn_key & (PAWN_TABLE_SIZE - 1)];
  if (entry.key == p.pawn_key) {
    ++table->hits;
    return entry;
  }
  compute_pawn_entry(p, &entry);
  return entry;
}
