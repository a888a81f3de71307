// Lookup tables derived from the parameter set (eval/eval_params.h), so that
// every evaluation term is one table read and one pair addition.  All of
// them are rebuilt in full by build_eval_tables().
#pragma once

#include <cstdint>

#include "board/score_pair.h"
#include "board/types.h"

// Count-indexed tables cover every count a board can produce (0..64), so
// that even an odd set-up position never reads past their end.
constexpr int COUNT_TABLE_SIZE = 65;
constexpr int KING_ATTACK_SIZE = 128;

extern ScorePair islands_table[256];                   // by 8-bit set of files holding pawns
extern ScorePair king_attack_table[KING_ATTACK_SIZE];  // by attack units
extern ScorePair threat_table[COUNT_TABLE_SIZE];       // by number of threatened men
extern ScorePair outpost_table[COUNT_TABLE_SIZE];      // by pieces out of enemy pawn reach
extern ScorePair space_table[COUNT_TABLE_SIZE];        // by squares behind own pawns
extern int32_t tempo_table[97];                        // by phase, tenths of a centipawn

extern ScorePair knight_mobility_table[16];
extern ScorePair bishop_mobility_table[16];
extern ScorePair rook_mobility_table[16];
extern ScorePair queen_mobility_table[32];

extern ScorePair knight_king_table[8];                 // by distance to the own king
extern ScorePair knight_pawn_table[COUNT_TABLE_SIZE];  // by own pawn count
extern ScorePair rook_pawn_table[COUNT_TABLE_SIZE];
extern ScorePair bishop_same_colour_table[COUNT_TABLE_SIZE];   // own pawns on the bishop's colour
extern ScorePair bishop_other_colour_table[COUNT_TABLE_SIZE];  // own pawns on the other colour

// Passed pawns, by r = relative rank - 1 (0 = second rank .. 5 = seventh).
extern ScorePair passed_base_table[6];
extern ScorePair passed_supported_table[6];
extern ScorePair passed_free_covered_table[6];
extern ScorePair passed_free_table[6];
extern ScorePair passed_covered_table[6];
extern ScorePair passed_contested_table[6];
extern ScorePair passed_clear_path_table[6];
extern ScorePair own_king_passer_table[6][9];    // [r][distance of our king to the stop square]
extern ScorePair enemy_king_passer_table[6][9];  // [r][distance of their king]

extern ScorePair knight_outpost_table[COUNT_TABLE_SIZE];
extern ScorePair blocked_pawn_table[COUNT_TABLE_SIZE];
extern ScorePair blocked_centre_table[COUNT_TABLE_SIZE];
extern ScorePair shielded_minor_table[COUNT_TABLE_SIZE];

// Pawn structure.
extern ScorePair doubled_table[COUNT_TABLE_SIZE];
extern ScorePair isolated_closed_table[COUNT_TABLE_SIZE];
extern ScorePair isolated_open_table[COUNT_TABLE_SIZE];
extern ScorePair doubled_isolated_closed_table[COUNT_TABLE_SIZE];
extern ScorePair doubled_isolated_open_table[COUNT_TABLE_SIZE];
extern ScorePair connected_table[COUNT_TABLE_SIZE];
extern ScorePair backward_table[COUNT_TABLE_SIZE];
extern ScorePair backward_open_table[COUNT_TABLE_SIZE];
extern ScorePair connected_passer_table[2][64];  // [colour][square], in that side's favour
extern ScorePair candidate_table[2][64];
extern ScorePair passer_king_table[8];  // by king distance to a passer's stop square
extern ScorePair shield_table[8];       // by the shelter pawn's relative rank
extern ScorePair storm_table[8];        // by the storming pawn's relative rank
extern Bitboard shelter_zone[2][64];    // [colour of the king][king square]

// Opposite-bishop endings: round(1000 * sqrt(n)) for n = 0..14.
extern const int32_t SQRT_PER_MILLE[15];

void build_eval_tables();
