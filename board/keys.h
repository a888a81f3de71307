// Hash-key tables: fixed pseudo-random constants, the same in every run and
// every build.  They are generated at compile time from a fixed seed, so
// nothing is computed for them at start-up.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "board/types.h"

constexpr int castle_hash(Bitboard castle_lost) {
  return static_cast<int>(((castle_lost & 0x9100000000000091ULL) * 0x218140848e040125ULL) >> 58);
}

namespace key_detail {

// SplitMix64: a well-mixed generator for the fixed key constants.
constexpr uint64_t splitmix(uint64_t& state) {
  uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

struct KeyTables {
  uint64_t zobrist[2][8][64]{};
  uint64_t pawn_zobrist[2][8][64]{};
  uint64_t castle_zobrist[64]{};
};

constexpr KeyTables build_keys() {
  KeyTables k{};
  uint64_t state = 0x50454c494f4e0003ULL;
  for (int c = 0; c < 2; ++c)
    for (int t = 0; t < 8; ++t)
      for (int s = 0; s < 64; ++s) k.zobrist[c][t][s] = splitmix(state);
  for (int c = 0; c < 2; ++c)
    for (int t : {PAWN, KING})
      for (int s = 0; s < 64; ++s) k.pawn_zobrist[c][t][s] = splitmix(state);
  // One key per combination of the four rights; every subset of the six
  // castling squares maps, through castle_hash, to the key of the rights it
  // leaves, so different ways of losing the same rights hash alike.
  uint64_t rights_key[16]{};
  for (auto& r : rights_key) r = splitmix(state);
  constexpr int squares[6] = {0, 4, 7, 56, 60, 63};
  for (int subset = 0; subset < 64; ++subset) {
    uint64_t lost = 0;
    for (int i = 0; i < 6; ++i)
      if (subset & (1 << i)) lost |= uint64_t{1} << squares[i];
    int rights = 0;
    if ((lost & 0x90ULL) == 0) rights |= 1;
    if ((lost & 0x11ULL) == 0) rights |= 2;
    if ((lost & 0x9000000000000000ULL) == 0) rights |= 4;
    if ((lost & 0x1100000000000000ULL) == 0) rights |= 8;
    k.castle_zobrist[castle_hash(lost)] = rights_key[rights];
  }
  return k;
}

inline constexpr KeyTables KEYS = build_keys();

}  // namespace key_detail

// zobrist[c][t][s], t = 1..6: piece of colour c and type t on square s.
// zobrist[0][0][0] / zobrist[0][0][1]: White / Black to move.
// zobrist[1][0][s]: en-passant target square s.
inline constexpr const auto& zobrist = key_detail::KEYS.zobrist;
// Nonzero only for pawns (t = 1) and kings (t = 6), so the incremental
// update may apply it to every piece.
inline constexpr const auto& pawn_zobrist = key_detail::KEYS.pawn_zobrist;
// Indexed by castle_hash(castle_lost).
inline constexpr const auto& castle_zobrist = key_detail::KEYS.castle_zobrist;

// Additive material weights (the material-table increments); kings and
// unused slots are 0.
inline constexpr uint64_t material_weight[2][8] = {
    {0, 0x959266a48dca47ccULL, 0x71413fd9a034a3c7ULL, 0xd8f63c3ca4d78ba8ULL, 0xd223436cf274773bULL,
     0x8942899c1f94cb9dULL, 0, 0},
    {0, 0x4b23294bfbbfad44ULL, 0xf8112711561565ccULL, 0xf4878684694633a3ULL, 0x874a4612b276e40aULL,
     0x1078d7c9fa595856ULL, 0, 0},
};
