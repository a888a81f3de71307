#include <gtest/gtest.h>

#include <set>

#include "board/bits.h"
#include "board/keys.h"
#include "board/position.h"
#include "board_test_support.h"

using board_test::setup;
using board_test::square_of;

TEST(BoardBits, Primitives) {
  Bitboard one = square_bit(37);
  EXPECT_EQ(pop_lowest_bit(&one), 37);
  EXPECT_EQ(one, 0u);
  Bitboard b = 0x8000000000000101ULL;
  EXPECT_EQ(lowest_bit(b), 0);
  EXPECT_EQ(pop_lowest_bit(&b), 0);
  EXPECT_EQ(pop_lowest_bit(&b), 8);
  EXPECT_EQ(pop_lowest_bit(&b), 63);
  EXPECT_EQ(popcount(0), 0);
  EXPECT_EQ(popcount(~Bitboard{0}), 64);
  EXPECT_EQ(popcount(0x5555555555555555ULL), 32);
  EXPECT_EQ(distance(square_of("a1"), square_of("h8")), 7);
  EXPECT_EQ(manhattan(square_of("a1"), square_of("h8")), 14);
  EXPECT_EQ(distance(square_of("e4"), square_of("g5")), 2);
  EXPECT_EQ(manhattan(square_of("e4"), square_of("g5")), 3);
  EXPECT_EQ(min_int(-3, 2), -3);
  EXPECT_EQ(max_int(-3, 2), 2);
}

TEST(BoardKeys, TableShapes) {
  // The pawn table is nonzero exactly for pawns and kings.
  for (int c = 0; c < 2; ++c)
    for (int t = 0; t < 8; ++t)
      for (int s = 0; s < 64; ++s) {
        if (t == PAWN || t == KING)
          ASSERT_NE(pawn_zobrist[c][t][s], 0u);
        else
          ASSERT_EQ(pawn_zobrist[c][t][s], 0u);
      }
  for (int c = 0; c < 2; ++c) {
    EXPECT_EQ(material_weight[c][KING], 0u);
    EXPECT_EQ(material_weight[c][0], 0u);
    for (int t = PAWN; t <= QUEEN; ++t) EXPECT_NE(material_weight[c][t], 0u);
  }
  // 16 distinct castling keys over the 64 entries: one per set of rights.
  std::set<uint64_t> distinct(std::begin(castle_zobrist), std::end(castle_zobrist));
  EXPECT_EQ(distinct.size(), 16u);
  // The castling hash maps the 64 subsets of the six squares to 64 indices.
  std::set<int> indices;
  const int corners[6] = {0, 4, 7, 56, 60, 63};
  for (int subset = 0; subset < 64; ++subset) {
    Bitboard lost = 0;
    for (int i = 0; i < 6; ++i)
      if (subset & (1 << i)) lost |= square_bit(corners[i]);
    indices.insert(castle_hash(lost));
  }
  EXPECT_EQ(indices.size(), 64u);
}

TEST(BoardKeys, CastlingKeysFollowTheRights) {
  Bitboard h1 = square_bit(7), a1 = square_bit(0), e1 = square_bit(4);
  // Only h1 lost: White long castling still allowed; with a1 too it is not.
  EXPECT_NE(castle_zobrist[castle_hash(h1)], castle_zobrist[castle_hash(h1 | a1)]);
  // With e1 lost both White rights are gone, whatever else is lost.
  EXPECT_EQ(castle_zobrist[castle_hash(e1)], castle_zobrist[castle_hash(e1 | h1)]);
  EXPECT_EQ(castle_zobrist[castle_hash(e1)], castle_zobrist[castle_hash(e1 | a1)]);
  // Squares other than the six never matter.
  EXPECT_EQ(castle_hash(h1 | 0x00ffff0000ffff00ULL), castle_hash(h1));
}

TEST(BoardKeys, StartPosition) {
  Position p = setup(START_FEN);
  EXPECT_EQ(p.castle_lost & CASTLE_SQUARES, 0u);
  EXPECT_EQ(p.ply, 0);
  EXPECT_EQ(p.ep_board, 0u);
  EXPECT_EQ(p.fifty, 0);
  EXPECT_EQ(p.previous, nullptr);
  uint64_t expected = 0;
  for (int c = 0; c < 2; ++c)
    expected += 8 * material_weight[c][PAWN] + 2 * material_weight[c][KNIGHT] + 2 * material_weight[c][BISHOP] +
                2 * material_weight[c][ROOK] + material_weight[c][QUEEN];
  EXPECT_EQ(p.material_key, expected);
  EXPECT_EQ(p.key, compute_key(p));
  EXPECT_EQ(p.pawn_key, compute_pawn_key(p));
  // The key contains White's side key: swapping it gives Black to move.
  Position black = setup("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1");
  EXPECT_EQ(black.ply, 1);
  EXPECT_EQ(black.key, p.key ^ zobrist[0][0][0] ^ zobrist[0][0][1]);
  EXPECT_EQ(black.pawn_key, p.pawn_key);
}

TEST(BoardKeys, MaterialKeyIsAdditive) {
  // Two positions with the same material in different places share the key.
  Position a = setup("4k3/pp6/8/8/8/8/6PP/3QK3 w - - 0 1");
  Position b = setup("3qk3/6pp/8/8/8/8/PP6/4K3 w - - 0 1");
  Position c = setup("3qk3/6pp/8/8/8/8/PP6/3QK3 w - - 0 1");
  EXPECT_NE(a.material_key, b.material_key);
  EXPECT_EQ(c.material_key - a.material_key, material_weight[BLACK][QUEEN]);
  Position d = setup("4k3/6pp/8/8/8/8/PP6/3QK3 w - - 0 1");
  EXPECT_EQ(a.material_key, d.material_key);
  EXPECT_NE(a.pawn_key, d.pawn_key);
}
