// Win/draw/loss chances for the "info" lines ("UCI_ShowWDL").  A score in
// centipawns means more or less depending on what is left on the board: a
// pawn up with queens on is often drawn, a pawn up in a king and pawn
// ending often wins.  The model is a pair of logistic curves in the score,
//
//   win  = 1 / (1 + exp((centre - score) / width))
//   loss = 1 / (1 + exp((centre + score) / width))
//   draw = 1 - win - loss
//
// whose centre (the score at which the side to move wins half its games)
// and width are quadratics in the material on the board.  The coefficients
// are fitted to self-play games by tools/wdl/fit_wdl.js (see the README).
#pragma once

#include "board/position.h"

struct Wdl {
  int win, draw, loss;  // per mille, summing to 1000, side to move's view
};

// The chances of a score (search score, side to move's view; mate scores
// are certain) with the given material: pawns 1, knights and bishops 3,
// rooks 5, queens 9, both sides together.
Wdl wdl_from_score(int score, int material);

// Material of a position on the scale above.
int wdl_material(const Position& p);
