// The static evaluation and its initialisation.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "board/score_pair.h"
#include "eval/eval_params.h"
#include "eval/pawns.h"

// Builds the material table and every derived weight table.  Runs at
// start-up and again after an option that changes weights.
void initialise_evaluation();

// King Safety Aggressiveness: the scale of the king-attack table, 0 to 10
// (a value outside is taken as the nearest end).  It takes effect at the
// next initialise_evaluation().
constexpr int DEFAULT_KING_SAFETY = 6;
void set_king_safety(int aggressiveness);
int king_safety();

// Evaluation cache: the finished score of recently evaluated positions.
struct EvalCacheEntry {
  uint64_t key;
  int32_t score;
};
constexpr int EVAL_CACHE_SIZE = 4096;

// The caches one searching thread evaluates through: finished scores and
// pawn-structure entries.  Each thread owns its own, so no lock is needed.
struct EvalCaches {
  EvalCacheEntry score[EVAL_CACHE_SIZE];
  PawnTable pawns;
};
// Empties both caches (after the weights change, cached scores are stale).
void clear_eval_caches(EvalCaches* caches);

// Static score in centipawns from the side to move's point of view, through
// the given caches.  Needs the position's psq and phase fields to be current.
int evaluate(const Position& p, EvalCaches* caches);

// The network's score (side to move's view) with the hand-written endgame
// knowledge the net cannot learn from a few million positions: a special
// evaluator (the exact pawn endings, the bishop and knight mate, ...)
// replaces it, and a drawish material balance scales it.
int with_endgame_knowledge(const Position& p, int net_score);

// The same score computed from scratch: neither the evaluation cache nor
// the pawn cache is read or written.  For tests and benchmarks.
int evaluate_uncached(const Position& p);

// From-scratch piece-square sum and phase count of a position.
ScorePair compute_psq(const Position& p);
int compute_phase(const Position& p);

// Piece values in centipawns blended by phase: [phase 0..96][piece type 0..7].
extern int phase_piece_value[97][8];

// A breakdown of one evaluation, for the developer tool.
enum EvalTerm {
  TERM_PIECE_SQUARE,
  TERM_PAWN_STRUCTURE,
  TERM_CASTLING,
  TERM_TRAPPED_ROOK,
  TERM_BISHOP_AT_KING,
  TERM_KNIGHTS,
  TERM_BISHOPS,
  TERM_ROOKS,
  TERM_QUEENS,
  TERM_HEAVY_PIECES,
  TERM_KING_ATTACK,
  TERM_THREATS,
  TERM_PASSED_PAWNS,
  TERM_PAWNS_AND_PIECES,
  TERM_COUNT
};
extern const char* const EVAL_TERM_NAMES[TERM_COUNT];

struct EvalTrace {
  ScorePair term[TERM_COUNT][2];   // each side's pair, in that side's favour
  int special;                     // 1 when a special endgame evaluator answered
  int phase;                       // capped at 96
  int32_t material_value;          // tenths of a centipawn, White's view
  int32_t material_scale;          // per mille
  int32_t opposite_bishop_factor;  // per mille
  int32_t scaling_factor;          // per mille: the pawn-count, pawnless or material scale applied after it
  int32_t blended;                 // after the phase blend, before any scaling (x 96)
  int32_t scaled;                  // after the scaling rules (x 96)
  int32_t tempo;                   // tenths of a centipawn
  int score;                       // centipawns, side to move's view
  // How often each linear weight (the flat list of eval_params.h) went into
  // the sums: White's uses count +1, Black's -1.  The White-view sum of the
  // terms is the sum of these counts times the weights, plus the king
  // attack of each side, which is rebuilt from the counts below.
  int16_t uses[LINEAR_WEIGHT_COUNT];
  // King attack of each side on the other's king: the base units of the
  // attacked king's square and how often each unit weight was added.  The
  // index into the king-attack table is base + the non-queen units +
  // min(the queen's units, queen_check_cap), held within the table.
  int16_t attack_base[2];
  int16_t attack_units[2][ATTACK_UNIT_COUNT];
};

// Evaluates from scratch and fills the breakdown; returns the score.
int evaluate_traced(const Position& p, EvalTrace* trace);
