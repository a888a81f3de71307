// The search's fixed tables: the late-move reductions, the pruning margins
// and counts, and the board masks the search asks about, built before a
// search and only read while it runs (the move-ordering memory is each
// thread's own, history.h).  Everything here is integer: nothing the search
// decides may depend on floating point, which differs between the builds.
#pragma once

#include <cstdint>

#include "board/types.h"

// Late-move reductions in half-plies by [depth in plies][move number], both
// capped at 63: 0.75 + ln(depth) ln(moves) / 2.25 plies, rounded to the
// half-ply.  Deep searches and late moves are reduced most.
constexpr int REDUCTION_DEPTHS = 64;
constexpr int REDUCTION_MOVES = 64;
extern uint8_t late_move_reduction[REDUCTION_DEPTHS][REDUCTION_MOVES];
inline int reduction_of(int plies, int move_number) {
  return late_move_reduction[plies < REDUCTION_DEPTHS ? plies : REDUCTION_DEPTHS - 1]
                            [move_number < REDUCTION_MOVES ? move_number : REDUCTION_MOVES - 1];
}

// Late-move pruning: quiet moves after this many moves are not searched at
// nodes of up to LATE_MOVE_PRUNING_PLIES plies, [improving][plies].
constexpr int LATE_MOVE_PRUNING_PLIES = 8;
constexpr int late_move_count(bool improving, int plies) {
  return improving ? 5 + plies * plies : (5 + plies * plies) / 2;
}

// Squares ahead of a pawn of the colour on its own and both neighbouring
// files.  A pawn is passed when no enemy pawn stands in this span.
extern Bitboard front_span[2][64];

// Rank masks relative to a colour.
constexpr Bitboard RANK_MASK[8] = {0xffULL,         0xff00ULL,         0xff0000ULL,         0xff000000ULL,
                                   0xff00000000ULL, 0xff0000000000ULL, 0xff000000000000ULL, 0xff00000000000000ULL};
constexpr Bitboard relative_rank_mask(int colour, int rank) { return RANK_MASK[colour == 0 ? rank : 7 - rank]; }
// Ranks 6 to 8 seen from the colour.
constexpr Bitboard advanced_ranks(int colour) { return colour == 0 ? 0xffffff0000000000ULL : 0x0000000000ffffffULL; }

// Builds the reduction table, the pawn spans and the drawn-material list.
void build_search_tables();
