// The evaluation's parameter set: every weight the evaluation uses, in one
// place, as plain data.  All derived lookup tables (eval/eval_tables.h) are
// built from these values by initialise_evaluation(), so a tuner changes a
// field here (or through eval_param_list) and re-runs the initialisation.
//
// Units: tenths of a centipawn.  A Weight is an (opening, endgame) pair; it
// becomes a packed ScorePair when the tables are built.
#pragma once

#include <cstdint>

#include "eval/score_pair.h"

struct Weight {
  int32_t op;
  int32_t eg;
};

constexpr ScorePair to_pair(Weight w) { return make_score(w.op, w.eg); }

struct EvalParams {
  // ---- Positional bonuses and penalties of the main evaluation ----------
  Weight castle_short;             // a king-side castling right still available
  Weight castle_long;              // a queen-side castling right still available
  Weight trapped_rook;             // rook shut in on g1/h1/g2/h2 by its own uncastled king
  Weight bishop_at_king;           // bishop on a diagonal to the enemy king, only knights between
  Weight bishop_facing_knight;     // bishop eyeing an enemy knight three ranks up its file
  Weight bishop_pair;              // two bishops sweep both square colours
  Weight rook_each;                // every rook
  Weight rook_seventh;             // rook on the seventh with the enemy king on its back rank
  Weight rook_open_file;           // rook on a file without pawns
  Weight rook_half_open_weak;      // rook against an enemy pawn that no pawn defends
  Weight rook_half_open_defended;  // rook against a pawn-defended enemy pawn
  Weight rook_redundancy;          // two rooks overlap in what they do
  Weight rook_queen_redundancy;    // rook and queen overlap in what they do
  Weight threat_unit;              // one enemy man hanging or attacked by a lesser piece
  Weight safe_square;              // piece on a square no enemy pawn can ever attack
  Weight bishop_before_king;       // bishop in front of its own king (a fianchetto-like guard)
  Weight extra_pieces;             // two or more pieces more than the opponent
  Weight king_near_promotion;      // king next to a passer's promotion square
  Weight rook_behind_passer;       // rook behind a passed pawn (Tarrasch's rule)
  Weight tempo;                    // the side to move

  // ---- Pawn structure given weights -------------------------------------
  Weight island;              // each pawn island beyond the first
  Weight undefended_doubled;  // front pawn of a doubled pair, not defended by a pawn
  Weight space_unit;          // each square behind own pawns
  Weight two_passers;         // two or more passed pawns stretch the defence
  Weight walled_king;         // king on its back rank walled in by three own pawns

  // ---- Material ---------------------------------------------------------
  Weight piece_value[8];  // none, pawn, knight, bishop, rook, queen, king, none

  // ---- King attack units (integers) -------------------------------------
  int knight_zone_units;  // knight attacks touch the king's neighbourhood
  int bishop_zone_units;
  int rook_zone_units;
  int queen_zone_units;
  int knight_check_units;  // per safe square from which a knight would check
  int bishop_check_units;
  int rook_check_units;
  int queen_contact_units;         // queen contact check that survives the exchange
  int queen_contact_losing_units;  // queen contact check that loses the queen
  int queen_check_units;           // queen check from a distance
  int queen_check_cap;             // queen-check units never count more than this

  // ---- Piece-square shapes (added to the piece values) ------------------
  Weight pawn_centre_push;  // per centre-file step, per rank advanced up to the fourth
  Weight pawn_advance;      // per rank a pawn has advanced
  Weight knight_centre;     // per step towards the centre (file and rank)
  Weight knight_back_rank;  // knight still on its first rank
  Weight bishop_centre;     // per step towards the centre
  Weight bishop_back_rank;  // bishop still on its first rank
  Weight rook_centre_file;  // per step of the rook's file towards the centre
  Weight queen_centre;      // per step towards the centre
  Weight king_centre;       // per step towards the centre (bad early, good late)
  Weight king_advance;      // per rank the king has left its first rank

  // ---- Piece and pawn-count adjustments ---------------------------------
  Weight knight_king_distance;      // per step between a knight and its own king
  Weight knight_pawn_slope;         // per own pawn above five: knights like closed boards
  Weight rook_pawn_slope;           // per own pawn above five: rooks like open boards
  Weight bishop_own_colour_pawn;    // own pawn on the bishop's colour hems it in
  Weight bishop_other_colour_pawn;  // own pawn on the other colour complements the bishop

  // ---- Passed pawns (r = relative rank - 1, rank factor f = r(r-1)/2) ----
  Weight passed_base;               // any passed pawn
  Weight passed_base_rank;          // grows with the rank factor of the next rank
  Weight passed_supported_rank;     // own pawn beside or behind it
  Weight passed_free_covered_rank;  // path free and fully covered by us
  Weight passed_free_rank;          // path free of enemy control
  Weight passed_covered_rank;       // every contested path square is also ours
  Weight passed_contested_rank;     // path contested by the enemy
  Weight passed_clear_path_rank;    // none of our own pieces on its path
  Weight connected_passer;          // passed pawn beside or defended by another passer
  Weight connected_passer_rank;     // grows with the rank factor
  Weight candidate;                 // unopposed pawn that can become passed
  Weight candidate_rank;            // per rank advanced
  Weight passer_king_proximity;     // per step a king stands closer to a passer's stop square

  // ---- Pawn structure shapes --------------------------------------------
  Weight doubled;                  // per extra pawn on an already occupied file
  Weight isolated_closed;          // isolated pawn facing an enemy pawn on its file
  Weight isolated_open;            // isolated pawn on a half-open file: rooks attack it
  Weight doubled_isolated_closed;  // front doubled pawn that is also isolated
  Weight doubled_isolated_open;
  Weight connected;      // pawn with a neighbour beside it (or a pawn ahead)
  Weight backward;       // backward pawn whose stop square is blocked or guarded
  Weight backward_open;  // ... and on a half-open file in front of it
  Weight shield;         // shelter pawn, per rank it stands closer to its king
  Weight storm;          // storming pawn, per rank beyond its third
  int shelter_depth;     // ranks in front of the king that form its shelter zone

  // ---- Pawn-and-piece shapes --------------------------------------------
  Weight knight_outpost;  // knight blockading an enemy pawn on a safe square
  Weight blocked_pawn;    // each enemy pawn whose way forward is occupied
  Weight blocked_centre;  // enemy unmoved pawn on the far wing, blocked
  Weight shielded_minor;  // minor piece behind an own pawn
};

extern EvalParams eval_params;

// The defaults above, for resetting after tuning experiments.
extern const EvalParams DEFAULT_EVAL_PARAMS;

// Fixed curve of the king attack table (index = attack units).
extern const int KING_ATTACK_CURVE[128];

// Mobility tables, by number of reachable squares.
extern const Weight KNIGHT_MOBILITY[16];
extern const Weight BISHOP_MOBILITY[16];
extern const Weight ROOK_MOBILITY[16];
extern const Weight QUEEN_MOBILITY[32];

// Endgame penalty for our king's distance to our passer's stop square and
// bonus for the enemy king's distance, rows r = 2..5, distance 0..8.
extern const int OWN_KING_PASSER_DISTANCE[4][9];
extern const int ENEMY_KING_PASSER_DISTANCE[4][9];

// King-danger base units by the defending White king's square (Black mirrors).
extern const int KING_DANGER_BASE[64];

// Names of the tunable weights, for tools that list or change them.
struct EvalParamName {
  const char* name;
  Weight* weight;  // nullptr for integer parameters
  int* value;      // nullptr for weights
};
extern const EvalParamName eval_param_list[];
extern const int eval_param_count;
