// The position record.  Positions are never undone: making a move writes a
// whole new record, linked to its parent, so the record must stay a flat,
// trivially copyable block.
#pragma once

#include <cstdint>
#include <type_traits>

#include "board/score_pair.h"
#include "board/types.h"

struct Position {
  Bitboard pieces[2][7];  // [colour][0] = all pieces of the colour, [colour][type] by type
  Bitboard castle_lost;   // a1 e1 h1 a8 e8 h8 bits set once a right that needs them is gone
  Bitboard ep_board;      // 0, or the en-passant target square
  uint64_t key;           // main hash key
  uint64_t pawn_key;      // pawns and kings only
  uint64_t material_key;  // additive material signature
  ScorePair psq;          // piece-square sum, White's view
  const Position* previous;
  uint32_t last_move;
  int32_t eval_cache;  // EVAL_NOT_COMPUTED until the search evaluates it
  uint16_t moved_type;
  uint16_t captured_type;
  int16_t ply;  // low bit = side to move
  uint16_t in_check;
  int16_t phase;
  uint16_t fifty;
  // Two marks of the search on the records it makes.  A child starts as a
  // copy of its parent, so a mark set on a node holds for the line below it.
  uint8_t extension_carry;   // a half-ply of extension not yet applied, passed on to the next ply
  uint8_t horizon_extended;  // the line has had its one extra ply at the horizon
  // Castling geometry.  In both kinds of chess the six castling-lost squares
  // above say which rights are left: White's short right needs e1 and h1
  // clear, and so on.  In standard chess they are the squares of the king and
  // rooks themselves, chess960 is 0, castle_rook holds the four corners and is
  // never read: every castling routine takes its standard path.  In Chess960
  // king and rooks may start elsewhere on the back rank; then e1/e8 stand for
  // the king's start square and h1/a1/h8/a8 for the start squares of the
  // castling rooks kept here, and make_move marks those six squares when the
  // king or a castling rook moves or is taken.  The king's start square needs
  // no field: while a right is left, the king stands on it.
  uint8_t chess960;        // 1: castling follows the Chess960 rules and is written king-takes-rook
  uint8_t castle_rook[4];  // start square of the rook of each right, in CASTLE_RIGHTS order
};

static_assert(std::is_trivially_copyable_v<Position>);

constexpr int32_t EVAL_NOT_COMPUTED = 999999;

inline int side_to_move(const Position& p) { return p.ply & 1; }
inline Bitboard occupancy(const Position& p) { return p.pieces[0][0] | p.pieces[1][0]; }
inline int king_square(const Position& p, int colour) { return __builtin_ctzll(p.pieces[colour][KING]); }

// Castling-lost masks of the four rights.
constexpr Bitboard CASTLE_WHITE_SHORT = 0x90ULL;
constexpr Bitboard CASTLE_WHITE_LONG = 0x11ULL;
constexpr Bitboard CASTLE_BLACK_SHORT = 0x9000000000000000ULL;
constexpr Bitboard CASTLE_BLACK_LONG = 0x1100000000000000ULL;
constexpr Bitboard CASTLE_SQUARES = 0x9100000000000091ULL;
// The four rights in the order of Position::castle_rook: colour * 2, plus 1
// for the long (queen-side) right.
constexpr Bitboard CASTLE_RIGHTS[4] = {CASTLE_WHITE_SHORT, CASTLE_WHITE_LONG, CASTLE_BLACK_SHORT, CASTLE_BLACK_LONG};
// The standard start squares of the castling rooks, in the same order.
constexpr uint8_t STANDARD_CASTLE_ROOKS[4] = {7, 0, 63, 56};

// From-scratch definitions of the three keys.
uint64_t compute_key(const Position& p);
uint64_t compute_pawn_key(const Position& p);
uint64_t compute_material_key(const Position& p);
