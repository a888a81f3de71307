// The static evaluation and its initialisation.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "eval/score_pair.h"

// Builds the material table and every derived weight table.  Runs at
// start-up and again after an option that changes weights.
void initialise_evaluation();

// Static score in centipawns from the side to move's point of view.
int evaluate(const Position& p);

// From-scratch piece-square sum and phase count of a position.
ScorePair compute_psq(const Position& p);
int compute_phase(const Position& p);

// Piece values in centipawns blended by phase: [phase 0..96][piece type 0..7].
extern int phase_piece_value[97][8];

// Pawn-cache statistics, reported in the log after each search.
extern uint64_t pawn_table_hits;
extern uint64_t pawn_table_probes;
