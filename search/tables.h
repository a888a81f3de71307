// The search's fixed tables: the pruning and reduction tables and the fixed
// parameters of the main search, built before a search and only read while
// it runs (the move-ordering memory is each thread's own, search_thread.h).
// Everything here is integer: nothing the search decides may depend on
// floating point.
#pragma once

#include <cstdint>

#include "board/types.h"

// Quadratic futility margins by depth in half-plies: 2 d^2 + 60.
constexpr int FUTILITY_MARGINS = 24;
constexpr int FUTILITY_BASE = 60;
extern int futility_margin[FUTILITY_MARGINS];

// Late-move reductions in half-plies by [new depth][move number].
constexpr int REDUCTION_DEPTHS = 210;
constexpr int REDUCTION_MOVES = 400;
extern uint8_t scout_reduction[REDUCTION_DEPTHS][REDUCTION_MOVES];
extern uint8_t pv_reduction[REDUCTION_DEPTHS][REDUCTION_MOVES];

// Null-move reduction term by how far the static evaluation stands above
// beta: 2000 tanh(i / 130.3), rounded down, kept as integers.
constexpr int NULL_CURVE_SIZE = 640;
extern const int16_t null_move_curve[NULL_CURVE_SIZE];

// Squares ahead of a pawn of the colour on its own and both neighbouring
// files.  A pawn is passed when no enemy pawn stands in this span.
extern Bitboard front_span[2][64];

// Rank masks relative to a colour.
constexpr Bitboard RANK_MASK[8] = {0xffULL,         0xff00ULL,         0xff0000ULL,         0xff000000ULL,
                                   0xff00000000ULL, 0xff0000000000ULL, 0xff000000000000ULL, 0xff00000000000000ULL};
constexpr Bitboard relative_rank_mask(int colour, int rank) { return RANK_MASK[colour == 0 ? rank : 7 - rank]; }
// Ranks 6 to 8 seen from the colour.
constexpr Bitboard advanced_ranks(int colour) { return colour == 0 ? 0xffffff0000000000ULL : 0x0000000000ffffffULL; }

// Fixed parameters of the main search.
constexpr int SCOUT_HORIZON_WINDOW = 75;
constexpr int PV_HORIZON_WINDOW = 99;
constexpr int DEEP_DEFICIT = 1250;
constexpr int FAR_AHEAD = 401;
constexpr int SINGULAR_MARGIN = 20;
constexpr int QUIET_PRUNING_MOVES = 6;
constexpr int RAZOR_DEPTH = 10;
// Reverse futility by depth 2..7 (70 less at even nodes).
constexpr int REVERSE_FUTILITY[8] = {0, 0, 110, 115, 125, 130, 140, 160};
constexpr int EVEN_NODE_BONUS = 70;
// Margins of the threat test by depth 2..5, and the price of a threat level.
constexpr int THREAT_MARGIN[6] = {0, 0, 10, 15, 30, 35};
constexpr int THREAT_LEVELS = 20;
constexpr int THREAT_PRICE[THREAT_LEVELS] = {0,   50,  62,  70,  76,  81,  86,  90,  93,  97,
                                             100, 103, 105, 108, 110, 113, 115, 117, 119, 121};
// Late-move pruning counts by depth 2..9: [odd node][depth].
constexpr int LATE_MOVE_COUNT[2][10] = {{0, 0, 3, 4, 5, 6, 7, 8, 14, 17}, {0, 0, 4, 5, 6, 7, 8, 9, 10, 11}};

inline int razor_margin(int depth) { return 120 + 20 * (depth - 2); }

// Builds the reduction tables and the drawn-material list.
void build_search_tables();
void fill_futility_margins();

// History update after a cutoff or at the end of a PV node.  The depth
// weight is capped at 64 so the value never leaves 0..32640: uncapped, a
// search deeper than 32 plies would overshoot and feed the picker
// out-of-range keys.
inline void history_reward(int32_t* h, int depth) {
  int weight = depth < 64 ? depth : 64;
  *h += ((32640 - *h) * weight) >> 6;
}
inline void history_penalty(int32_t* h, int depth) {
  int weight = depth < 64 ? depth : 64;
  *h -= (*h * weight) >> 6;
}
