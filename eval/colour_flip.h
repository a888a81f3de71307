// The colour-flipped twin of a position: board mirrored top to bottom,
// colours swapped, side to move swapped, castling rights and en-passant
// square mirrored.  A sound evaluation scores both alike (each from its side
// to move's view); the tests and the developer tool check that.
#pragma once

#include "board/position.h"

// Writes the twin into *out with its keys, piece-square sum and phase
// computed from scratch; `previous` is cleared.
void colour_flip(const Position& p, Position* out);
