// Making moves by copying positions, and the attack and check tests.
#pragma once

#include "board/position.h"
#include "board/types.h"

// Writes the position after the move into *child and links it to parent
// (which must outlive the child).  Move 0 makes a null move.  Every
// incremental field is updated: piece sets, the three keys, the piece-square
// sum (from psq_table), the phase, castling and en-passant state, the
// counters.  in_check is copied from the parent (a null move clears it): a
// caller that keeps the child sets it.  Always returns 1.
int make_move(const Position& parent, Position* child, Move m);

// Every square attacked by the pieces of the colour.
Bitboard attack_map(const Position& p, int colour);
// 1 when the king of the colour is attacked (by attack map / from the king
// square outward; the two always agree, the second is faster).
int in_check(const Position& p, int colour);
int king_attacked(const Position& p, int colour);
// 1 when a piece of colour `by` attacks the square.
int square_attacked(const Position& p, int square, int by);

// Every piece of colour `by` that attacks the square.
Bitboard attackers_of(const Position& p, int square, int by);

// 1 when the move, made from this position, checks the opponent's king.
// Known limits: a promotion is judged as a pawn move, standard castling by
// the king alone (Chess960 castling is judged exactly), and an en-passant
// capture does not uncover lines through the captured pawn; in those cases a
// check can be missed.
int gives_check(const Position& p, Move m);
