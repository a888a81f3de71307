// Basic vocabulary of the board: squares, colours, piece types, moves.
#pragma once

#include <cstdint>

using Bitboard = uint64_t;

// A move is a 32-bit value; its low 16 bits hold to-square (0-5),
// from-square (6-11) and kind (12-14).  The move picker borrows the high
// 16 bits for its ordering key while a move sits in its list.  0 = no move.
using Move = uint32_t;

// Squares: a1 = 0, b1 = 1, ..., h1 = 7, a2 = 8, ..., h8 = 63.
constexpr int file_of(int square) { return square & 7; }
constexpr int rank_of(int square) { return square >> 3; }
constexpr Bitboard square_bit(int square) { return Bitboard{1} << square; }

constexpr int WHITE = 0;
constexpr int BLACK = 1;

// Piece types.  As an index of Position::pieces[colour][], 0 means
// "all pieces of the colour".
constexpr int ALL_PIECES = 0;
constexpr int PAWN = 1;
constexpr int KNIGHT = 2;
constexpr int BISHOP = 3;
constexpr int ROOK = 4;
constexpr int QUEEN = 5;
constexpr int KING = 6;

// Move kinds.
constexpr int KIND_NORMAL = 0;
constexpr int KIND_DOUBLE_STEP = 1;
constexpr int KIND_EN_PASSANT = 2;
constexpr int KIND_CASTLING = 3;
constexpr int KIND_PROMOTE_QUEEN = 4;
constexpr int KIND_PROMOTE_KNIGHT = 5;
constexpr int KIND_PROMOTE_ROOK = 6;
constexpr int KIND_PROMOTE_BISHOP = 7;

constexpr Move move_code(int from, int to, int kind) { return static_cast<Move>(to | (from << 6) | (kind << 12)); }
constexpr int move_to(Move m) { return static_cast<int>(m & 63); }
constexpr int move_from(Move m) { return static_cast<int>((m >> 6) & 63); }
constexpr int move_kind(Move m) { return static_cast<int>((m >> 12) & 7); }
constexpr bool is_promotion(Move m) { return move_kind(m) >= KIND_PROMOTE_QUEEN; }
// Kinds 2, 3, 6 and 7 (en passant, castling, rook and bishop promotions)
// are exactly the moves with bit 13 set; the exchange evaluator prices them 0.
constexpr bool has_bit13(Move m) { return (m & 0x2000) != 0; }
// Moves above this value are under-promotions to rook or bishop.
constexpr Move LAST_NON_UNDERPROMOTION = 20479;

// Masks used with diagonal shifts so nothing wraps from one edge to the other.
constexpr Bitboard NOT_FILE_A = 0xfefefefefefefefeULL;
constexpr Bitboard NOT_FILE_H = 0x7f7f7f7f7f7f7f7fULL;
constexpr Bitboard FILE_A = 0x0101010101010101ULL;
constexpr Bitboard RANK_1 = 0xffULL;
constexpr Bitboard BACK_RANKS = 0xff000000000000ffULL;  // promotion targets

// Squares attacked by a set of pawns of the given colour.
constexpr Bitboard white_pawn_attacks(Bitboard p) { return ((p << 9) & NOT_FILE_A) | ((p << 7) & NOT_FILE_H); }
constexpr Bitboard black_pawn_attacks(Bitboard p) { return ((p >> 7) & NOT_FILE_A) | ((p >> 9) & NOT_FILE_H); }
constexpr Bitboard pawn_attacks(Bitboard p, int colour) {
  return colour == WHITE ? white_pawn_attacks(p) : black_pawn_attacks(p);
}
