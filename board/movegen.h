// Pseudo-legal move generation: moves that obey the piece rules but may leave
// the mover's king attacked; the caller makes each move and rejects it when
// its king is attacked afterwards.  Within every generator pieces and target
// squares are visited in ascending square order, which fixes the order in
// which moves come out (the picker's sort is stable, so this order breaks
// ties between equal ordering keys).
#pragma once

#include "board/position.h"
#include "board/types.h"

// Room for every pseudo-legal move of any position the FEN parser accepts.
// It accepts at most 16 men per colour, exactly one king and no pawn on the
// first or last rank, so the side to move has one king and at most 15 other
// men.  The king has at most 8 steps and 2 castling moves.  No other man has
// more than 27 moves: a queen in the centre of an empty board reaches 27
// squares, a rook 14, a bishop 13, a knight 8, and a pawn at most 12 (two
// captures and one push, each with four promotion pieces).  So 15 * 27 + 10 =
// 415 moves is a bound; positions with many queens do come close to it.
// Every generator below, and every array of the picker, stays within it.
constexpr int MAX_MOVES = 416;

// Every pseudo-legal move, all four promotion pieces included, in this order:
// plain promotions, castling, pawn captures (two passes), single pushes,
// knight, bishop, rook, queen and king moves, double steps.  Returns the count.
int generate_all(const Position& p, Move* out);

// 1 when the move could have been generated in this position, else 0.
// En-passant captures are never accepted (the picker generates them itself).
int is_pseudo_legal(const Position& p, Move m);

// Castling moves of the side to move (king side first), checking the empty
// squares between king and rook and that the king neither starts on, passes
// nor lands on an attacked square.  In standard chess castling is written as
// the king's two-step move (e1g1); in a Chess960 position as the king taking
// its own rook (e1h1, b1a1), which is also how the move is stored.
int generate_castling(const Position& p, Move* out);

// Every move of a piece other than the king that captures on the square:
// pawns (promoting to queen, then knight, on the last rank), knights, bishops
// and queens along diagonals, rooks and queens along lines.
int generate_captures_to(const Position& p, Move* out, int square);

// Every non-capturing move of a piece other than the king to a square of the
// target set: single pushes (a last-rank push promotes to a queen), double
// steps, knights, bishops and queens diagonally, rooks and queens along lines.
int generate_blocks(const Position& p, Move* out, Bitboard targets);

// En-passant captures of the side to move.
int generate_en_passant(const Position& p, Move* out);

// The picker's stage generators (see board/picker.h).
// Stage 2: captures, en-passant captures and queen and knight promotions.
int generate_captures(const Position& p, Move* out);
// Stage 5: quiet moves, castling first, double steps last.
int generate_quiet(const Position& p, Move* out);
// Stage 6: king moves, then captures of the checker and blocks.
int generate_evasions(const Position& p, Move* out);
// Stage 7: quiet moves that give check, discovered checks first.
int generate_quiet_checks(const Position& p, Move* out);

// Type (PAWN..KING) of the colour's piece on the square, or 0.
inline int piece_type_on(const Position& p, int colour, int square) {
  Bitboard b = square_bit(square);
  if (!(p.pieces[colour][ALL_PIECES] & b)) return 0;
  for (int t = PAWN; t < KING; ++t)
    if (p.pieces[colour][t] & b) return t;
  return KING;
}
