// King and pawn against king: one bit per placement, set when the side with
// the pawn wins.  Computed once by retrograde analysis.
//
// Stored orientation: the pawn moves towards rank 1 and stands on files a-d
// (callers mirror a pawn that moves up; the probe mirrors files e-h).
// Bit number = 2 * (pawn index * 4096 + strong king * 64 + weak king) + s,
// s = 0 with the weak side to move and 1 with the strong side to move;
// pawn index = 4 * (rank - 1) + file for ranks 1..6 (0-based), files 0..3;
// a king index is its square number.  Bit b lives in byte b / 8 at bit b % 8.
#pragma once

#include <cstdint>

constexpr int KPK_PAWN_SQUARES = 24;
constexpr int KPK_BITS = KPK_PAWN_SQUARES * 64 * 64 * 2;
constexpr int KPK_BYTES = KPK_BITS / 8;

extern uint8_t kpk_bitbase[KPK_BYTES];

// Builds the bitbase on the first call; later calls return at once.
void build_kpk_bitbase();

// Squares in the stored orientation (pawn moving towards rank 1), any file.
// The pawn must stand on ranks 2..7 (0-based 1..6).
bool kpk_probe(int strong_king, int pawn, int weak_king, bool weak_to_move);

// The raw bit for a pawn on files a-d.
bool kpk_bit(int pawn_index, int strong_king, int weak_king, bool strong_to_move);

// Whether promoting on `square` (rank 1, stored orientation) wins, with the
// weak side to move next: it does when a queen or rook there is safe from
// the weak king and does not leave it stalemated.
bool kpk_promotion_wins(int strong_king, int weak_king, int square);
