// Piece-square table: piece value plus positional shape, per colour, type and
// square.  Black's entries hold the negated values of the mirrored White
// squares, so a running sum is from White's point of view.  Make-move keeps
// Position::psq with it; the evaluation initialisation fills it.
#pragma once

#include "board/score_pair.h"

extern ScorePair psq_table[2][8][64];
