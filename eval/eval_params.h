// The evaluation's parameter set: every weight the evaluation uses, in one
// place, as plain data.  All derived lookup tables (eval/eval_tables.h) are
// built from these values by initialise_evaluation(), so a tuner changes a
// field here (or through eval_param_list) and re-runs the initialisation.
//
// Units: tenths of a centipawn.  A Weight is an (opening, endgame) pair; it
// becomes a packed ScorePair when the tables are built.
#pragma once

#include <cstddef>
#include <cstdint>

#include "board/score_pair.h"

struct Weight {
  int32_t op;
  int32_t eg;
};

constexpr ScorePair to_pair(Weight w) { return make_score(w.op, w.eg); }

// The weights that are ours to choose: the positional shapes and the
// structure tables.  The tuner (engine-tool tune) fits them to the results
// of games; everything else in EvalParams stays as it is.  Every member is
// an array of Weights (or one Weight), so the record also reads as one flat
// list whose positions the evaluation trace counts (TUNED_INDEX).
struct TunedWeights {
  // Piece-square shapes, added to the piece values.  White's view, a1 = 0;
  // Black uses the vertically mirrored square.
  Weight pawn_square[64];
  Weight knight_square[64];
  Weight bishop_square[64];
  Weight rook_square[64];
  Weight queen_square[64];
  Weight king_square[64];

  // Pieces against pawn counts and their own king.
  Weight knight_king_distance[8];       // knight by its distance to its own king
  Weight knight_pawns[9];               // each knight, by own pawn count: knights like closed boards
  Weight rook_pawns[9];                 // each rook, by own pawn count: rooks like open boards
  Weight bishop_same_colour_pawns[9];   // each bishop, by own pawns on its colour
  Weight bishop_other_colour_pawns[9];  // each bishop, by own pawns on the other colour

  // Passed pawns, by r = relative rank - 1 (0 = second rank .. 5 = seventh).
  Weight passed_base[6];          // any passed pawn
  Weight passed_supported[6];     // own pawn beside or behind it
  Weight passed_free_covered[6];  // path free of enemy control and fully covered by us
  Weight passed_free[6];          // path free of enemy control
  Weight passed_covered[6];       // every contested path square is also ours
  Weight passed_contested[6];     // path contested by the enemy
  Weight passed_clear_path[6];    // none of our own pieces on its path
  Weight connected_passer[6];     // passer beside or defended by another passer
  Weight candidate[6];            // unopposed pawn that can become passed
  Weight passer_king[8];          // a king by its distance to a passer's stop square

  // King shelter and pawn storms, by the pawn's relative rank.
  Weight shield[8];  // own pawn in the shelter zone (counted twice on the king's file)
  Weight storm[8];   // pawn inside the enemy king's shelter zone

  // Pawn structure, per pawn counted.
  Weight doubled;                  // per extra pawn on an already occupied file
  Weight isolated_closed;          // isolated pawn facing an enemy pawn on its file
  Weight isolated_open;            // isolated pawn on a half-open file: rooks attack it
  Weight doubled_isolated_closed;  // front doubled pawn that is also isolated
  Weight doubled_isolated_open;
  Weight connected;      // pawn with a neighbour beside it (or a pawn ahead)
  Weight backward;       // backward pawn whose stop square is blocked or guarded
  Weight backward_open;  // ... and on a half-open file in front of it

  // Pawns and pieces, per piece or pawn counted.
  Weight knight_outpost;  // knight blockading an enemy pawn on a safe square
  Weight blocked_pawn;    // each enemy pawn whose way forward is occupied
  Weight blocked_centre;  // enemy unmoved pawn on the far wing, blocked
  Weight shielded_minor;  // minor piece behind an own pawn
};

// Position of a TunedWeights member (its first Weight) in the flat list.
#define TUNED_INDEX(member) static_cast<int>(offsetof(TunedWeights, member) / sizeof(Weight))
constexpr int TUNED_WEIGHT_COUNT = static_cast<int>(sizeof(TunedWeights) / sizeof(Weight));

static_assert(sizeof(TunedWeights) == TUNED_WEIGHT_COUNT * sizeof(Weight), "TunedWeights holds only Weights");

// Copies between the record and its flat list (TUNED_WEIGHT_COUNT Weights).
void tuned_to_list(const TunedWeights& t, Weight* list);
void tuned_from_list(TunedWeights* t, const Weight* list);

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

  int shelter_depth;  // ranks in front of the king that form its shelter zone

  // ---- The values that are ours to choose (fitted to games) -------------
  TunedWeights tuned;
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

// ---- Every weight that enters the score linearly, as one flat list ------
// The evaluation trace counts how often each went into a position's score
// (EvalTrace::uses) and the tuner fits them.  The list runs:
//   TunedWeights, by TUNED_INDEX;
//   the Weights that head EvalParams, castle_short to piece_value[7], by
//     PARAM_INDEX (tempo among them: it is counted but never fitted);
//   the four mobility tables;
//   the two king-distance tables of passed pawns, whose opening halves are
//     always 0 (only the endgame halves are weights).
constexpr int PARAM_WEIGHT_COUNT = static_cast<int>(offsetof(EvalParams, knight_zone_units) / sizeof(Weight));
#define PARAM_INDEX(field) (TUNED_WEIGHT_COUNT + static_cast<int>(offsetof(EvalParams, field) / sizeof(Weight)))
constexpr int LINEAR_KNIGHT_MOBILITY = TUNED_WEIGHT_COUNT + PARAM_WEIGHT_COUNT;
constexpr int LINEAR_BISHOP_MOBILITY = LINEAR_KNIGHT_MOBILITY + 16;
constexpr int LINEAR_ROOK_MOBILITY = LINEAR_BISHOP_MOBILITY + 16;
constexpr int LINEAR_QUEEN_MOBILITY = LINEAR_ROOK_MOBILITY + 16;
constexpr int LINEAR_OWN_KING_PASSER = LINEAR_QUEEN_MOBILITY + 32;     // + (r - 2) * 9 + distance
constexpr int LINEAR_ENEMY_KING_PASSER = LINEAR_OWN_KING_PASSER + 36;  // the same
constexpr int LINEAR_WEIGHT_COUNT = LINEAR_ENEMY_KING_PASSER + 36;

// The current values of the whole list.
void linear_weights(Weight* list);

// Names and places of the list's tables, in order, for the tuner.
enum LinearSource { SOURCE_TUNED, SOURCE_PARAM, SOURCE_TABLE, SOURCE_ENDGAME_TABLE };
struct LinearTableName {
  const char* name;
  int index;  // first entry in the flat list
  int size;
  LinearSource source;  // where it is written: in .tuned, a field of EvalParams, a table of Weights or of ints
  int rows;             // tables: rows of the source form
  const char* group;    // the tuner's group, or nullptr for a weight never fitted (the tempo)
};
extern const LinearTableName linear_table_list[];
extern const int linear_table_count;

// The king-attack unit weights, in the order of their EvalParams fields.
// They are added up to an index into the fixed king-attack curve, so the
// score is not linear in them; the trace counts them apart (EvalTrace).
enum AttackUnit {
  UNIT_KNIGHT_ZONE,
  UNIT_BISHOP_ZONE,
  UNIT_ROOK_ZONE,
  UNIT_QUEEN_ZONE,
  UNIT_KNIGHT_CHECK,
  UNIT_BISHOP_CHECK,
  UNIT_ROOK_CHECK,
  UNIT_QUEEN_CONTACT,  // the queen's units from here on share the cap queen_check_cap
  UNIT_QUEEN_CONTACT_LOSING,
  UNIT_QUEEN_CHECK,
  ATTACK_UNIT_COUNT
};
extern int EvalParams::*const ATTACK_UNIT_FIELDS[ATTACK_UNIT_COUNT];
extern const char* const ATTACK_UNIT_NAMES[ATTACK_UNIT_COUNT];

// Names of the given weights, for tools that list or change them.
struct EvalParamName {
  const char* name;
  Weight* weight;  // nullptr for integer parameters
  int* value;      // nullptr for weights
};
extern const EvalParamName eval_param_list[];
extern const int eval_param_count;
