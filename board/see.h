// Static exchange evaluation: the material outcome of the captures on one
// square that a move starts, both sides recapturing with their least
// valuable piece and each free to stop.  Positive: the first capturer wins.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "board/types.h"

// Side to move captures first; fine values (pawn 2, knight 6, bishop 7,
// rook 10, queen 19) for the first victim and capturer.
int see_fine(const Position& p, Move m);
// Side to move XOR flip captures first; quick values (1, 3, 3, 5, 9).
// En-passant captures, castling and rook or bishop promotions are worth 0.
int see_quick(const Position& p, Move m, int flip);
// As see_quick, for the given side, on a bare pieces array.
int see_for(const Bitboard pieces[2][7], int side, Move m);

// How much the last move threatens: 0, 1 or 2.
int last_move_threat(const Position& p);
// 15 when the opponent has a pawn on its 7th rank; otherwise the largest
// material loss (fine units) the side to move faces from a capture.
int threat_level(const Position& p);

// Whether the exchange the move starts wins at least threshold centipawns
// for the side to move (pawn 100, knight and bishop 320, rook 500, queen
// 950), both sides recapturing with their least valuable attacker and each
// free to stop.  Pieces behind the capturers join in as the line opens.
// Pins are ignored.  Castling counts as winning 0.
bool see_at_least(const Position& p, Move m, int threshold);
