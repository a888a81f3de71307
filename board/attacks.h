// Constant attack tables: leaper attacks, empty-board rays, the squares
// between two squares, pawn squares that check by a push, rank masks, and the
// sliding-piece attack sets reached through fixed-shift magic multiplication.
// Every table here is built at compile time: nothing needs initialising at
// start-up and nothing depends on the order of static initialisation.
#pragma once

#include <cstdint>

#include "board/types.h"

namespace attack_detail {

struct LeaperTables {
  Bitboard knight[64]{};
  Bitboard king[64]{};
  Bitboard rook_ray[64]{};
  Bitboard bishop_ray[64]{};
  Bitboard queen_ray[64]{};
  Bitboard between[64][64]{};
  Bitboard pawn_check_sources[2][64]{};
};

constexpr bool on_board(int file, int rank) { return file >= 0 && file < 8 && rank >= 0 && rank < 8; }

constexpr Bitboard step_set(int square, const int (&steps)[8][2]) {
  Bitboard b = 0;
  for (const auto& s : steps) {
    int f = file_of(square) + s[0], r = rank_of(square) + s[1];
    if (on_board(f, r)) b |= square_bit(r * 8 + f);
  }
  return b;
}

constexpr LeaperTables build_leaper_tables() {
  LeaperTables t{};
  constexpr int knight_steps[8][2] = {{1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
  constexpr int king_steps[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
  // Directions 0-3 are lines, 4-7 diagonals.
  constexpr int dirs[8][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
  for (int s = 0; s < 64; ++s) {
    t.knight[s] = step_set(s, knight_steps);
    t.king[s] = step_set(s, king_steps);
    t.rook_ray[s] = t.bishop_ray[s] = square_bit(s);
    for (int d = 0; d < 8; ++d) {
      Bitboard path = 0;  // squares passed so far in this direction
      for (int f = file_of(s) + dirs[d][0], r = rank_of(s) + dirs[d][1]; on_board(f, r);
           f += dirs[d][0], r += dirs[d][1]) {
        int target = r * 8 + f;
        (d < 4 ? t.rook_ray[s] : t.bishop_ray[s]) |= square_bit(target);
        t.between[s][target] = path;
        path |= square_bit(target);
      }
    }
    t.queen_ray[s] = t.rook_ray[s] | t.bishop_ray[s];
  }
  // A pawn of colour p checks a king of colour k = 1 - p when it lands on a
  // square from which it attacks the king; pawns of colour k standing on the
  // king's square would attack exactly those squares.
  for (int k = 0; k < 2; ++k) {
    int p = 1 - k;
    for (int s = 0; s < 64; ++s) {
      Bitboard landing = pawn_attacks(square_bit(s), k);
      Bitboard single = p == WHITE ? landing >> 8 : landing << 8;
      Bitboard double_step_rank = p == WHITE ? 0xff000000ULL : 0xff00000000ULL;
      Bitboard doubles = landing & double_step_rank;
      doubles = p == WHITE ? doubles >> 16 : doubles << 16;
      t.pawn_check_sources[k][s] = single | doubles;
    }
  }
  return t;
}

inline constexpr LeaperTables LEAPERS = build_leaper_tables();

}  // namespace attack_detail

inline constexpr const auto& knight_attacks = attack_detail::LEAPERS.knight;
inline constexpr const auto& king_attacks = attack_detail::LEAPERS.king;
// Whole rank and file (or both diagonals) of the square, the square included.
inline constexpr const auto& rook_ray = attack_detail::LEAPERS.rook_ray;
inline constexpr const auto& bishop_ray = attack_detail::LEAPERS.bishop_ray;
inline constexpr const auto& queen_ray = attack_detail::LEAPERS.queen_ray;
// Squares strictly between two squares on one line; 0 when not on a line.
inline constexpr const auto& between = attack_detail::LEAPERS.between;
// [colour of a king][its square]: squares from which an enemy pawn checks
// the king by a single push, and start-rank squares from which it checks by a
// double step.
inline constexpr const auto& pawn_check_sources = attack_detail::LEAPERS.pawn_check_sources;

// [k][colour]: the colour's relative 7th (k = 0), 6th, 5th and 4th rank.
inline constexpr Bitboard relative_rank[4][2] = {{0x00ff000000000000ULL, 0x000000000000ff00ULL},
                                                 {0x0000ff0000000000ULL, 0x0000000000ff0000ULL},
                                                 {0x000000ff00000000ULL, 0x00000000ff000000ULL},
                                                 {0x00000000ff000000ULL, 0x000000ff00000000ULL}};
// The rank a double step ends on, and the pawn start rank.
inline constexpr Bitboard double_step_rank[2] = {0x00000000ff000000ULL, 0x000000ff00000000ULL};
inline constexpr Bitboard start_rank[2] = {0x000000000000ff00ULL, 0x00ff000000000000ULL};

// Fixed-shift magic lookup: the attack set of a slider on a square is
// slider_attacks[offset + (((occupancy & mask) * multiplier) >> shift)],
// shift 52 for rooks and 55 for bishops.  The index ranges of different
// squares overlap in one shared table wherever their entries agree.
struct MagicRecord {
  Bitboard mask;  // the lines of the square without the square and the board edge
  uint64_t multiplier;
  int32_t offset;
};

constexpr int ROOK_SHIFT = 52;
constexpr int BISHOP_SHIFT = 55;
constexpr int SLIDER_TABLE_SIZE = 117340;  // entries; 106554 of them are reached

struct SliderTable {
  MagicRecord rook[64];
  MagicRecord bishop[64];
  Bitboard entries[SLIDER_TABLE_SIZE];
};
extern const SliderTable slider_table;

inline constexpr const auto& rook_magic = slider_table.rook;
inline constexpr const auto& bishop_magic = slider_table.bishop;
inline constexpr const auto& slider_attacks = slider_table.entries;

inline Bitboard rook_attacks(int square, Bitboard occupancy) {
  const MagicRecord& m = rook_magic[square];
  return slider_attacks[m.offset + static_cast<int>(((occupancy & m.mask) * m.multiplier) >> ROOK_SHIFT)];
}
inline Bitboard bishop_attacks(int square, Bitboard occupancy) {
  const MagicRecord& m = bishop_magic[square];
  return slider_attacks[m.offset + static_cast<int>(((occupancy & m.mask) * m.multiplier) >> BISHOP_SHIFT)];
}
inline Bitboard queen_attacks(int square, Bitboard occupancy) {
  return rook_attacks(square, occupancy) | bishop_attacks(square, occupancy);
}
