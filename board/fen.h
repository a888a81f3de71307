// FEN text to positions, moves to coordinate text and back.
#pragma once

#include <cstddef>

#include "board/position.h"
#include "board/types.h"

inline constexpr char START_FEN[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// At most this many characters of a FEN text are read.
constexpr int FEN_MAX_LENGTH = 254;
// Room for an error text of fen_parse.
constexpr int FEN_ERROR_SIZE = 400;

// The largest halfmove clock kept from a FEN (any value from 100 on is
// already a draw by the fifty-move rule).
constexpr int FEN_MAX_HALFMOVES = 1000;

// Sets up a position from FEN text (placement, side to move, castling, en
// passant, and the halfmove clock when it is present; the fullmove number is
// ignored; an empty text is the start position).  On a text that gives no
// sound position (a bad side-to-move field, a placement that is not eight
// ranks of eight squares, a missing or second king, more than 16 men of one
// colour, a pawn on the first or last rank, the side not to move in check)
// it writes a message naming the FEN on standard error and ends the process
// with status 1.
// With chess960 the position follows the Chess960 castling rules: the
// castling field may use X-FEN or Shredder-FEN letters, and a right whose
// king or rook is not where the field says is such an error too.
void position_from_fen(Position* out, const char* text, bool chess960 = false);

// The same set-up, but returns false with the message in error (at least
// FEN_ERROR_SIZE characters) instead of ending the process.
bool fen_parse(Position* out, const char* text, char* error, bool chess960 = false);

// Room for position_to_fen's output.
constexpr int FEN_TEXT_SIZE = 100;

// The FEN of a position: placement, side to move, castling rights (KQkq, or
// in Chess960 the Shredder-FEN files of the castling rooks, h-side first),
// the en-passant square when a capture there is possible, the halfmove
// clock, and a move number counted from the position that was set up (a
// FEN's own move number is not kept).
void position_to_fen(const Position& p, char* out);

// Coordinate text of a move ("e2e4", "e7e8q", castling as the king's move
// in standard chess and as the king taking its own rook in Chess960, "null"
// for the null move) into a buffer of at least 6 characters.
void move_to_text(Move m, char* text);

// Makes the generated move whose text equals the word (without regard to
// case) into *next, sets next->in_check and returns true.  Returns false when
// no move of the position has that text or when the move would leave the
// mover's king attacked; *next then holds nothing meaningful.
bool apply_move_text(const Position& p, Position* next, const char* text);

// Room for pv_to_text's output: 64 moves of at most 5 characters and a blank.
constexpr int PV_TEXT_SIZE = 64 * 6 + 1;

// Writes the texts of a 0-terminated move list (at most 64 moves), each
// followed by a blank.
void pv_to_text(const Move* moves, char* text);
