#include <gtest/gtest.h>

#include "board/see.h"
#include "board_test_support.h"

using namespace board_test;

namespace {

struct Exchange {
  const char* fen;
  const char* move;
  int quick;
  int fine;
};

}  // namespace

TEST(BoardSee, ExchangeTable) {
  const Exchange cases[] = {
      // Pawn takes an undefended knight.
      {"4k3/8/8/3n4/4P3/8/8/4K3 w - - 0 1", "e4d5", 3, 6},
      // Knight takes a pawn defended by a pawn.
      {"4k3/8/4p3/3p4/8/4N3/8/4K3 w - - 0 1", "e3d5", -2, -4},
      // Queen takes a queen defended by a pawn: even in quick values.
      {"4k3/8/4p3/3q4/8/8/8/3QK3 w - - 0 1", "d1d5", 0, 0},
      // Rook takes a rook defended once: even; with a second rook behind the
      // first the exchange wins a rook (in fine values the rook taken back
      // counts with its recapture value, 5).
      {"3r3k/3r4/8/8/8/8/3R4/4K3 w - - 0 1", "d2d7", 0, 0},
      {"3r3k/3r4/8/8/8/8/3R4/3RK3 w - - 0 1", "d2d7", 5, 5},
      // A queen behind the bishop on its diagonal joins in: the bishop wins a
      // pawn in quick values (in fine values the bishop is worth more than the
      // knight that is taken back).
      {"4k3/5n2/8/4p3/8/2B5/1Q6/4K3 w - - 0 1", "c3e5", 1, -2},
      {"4k3/5n2/8/4p3/8/2B5/8/4K3 w - - 0 1", "c3e5", -2, -5},
      // The queen in front of a bishop captures first; the bishop comes after.
      {"4k3/8/8/4p3/3n4/2Q5/1B6/4K3 w - - 0 1", "c3d4", -5, -12},
      // A king as the last defender may recapture only when nothing
      // recaptures after it.
      {"8/8/4k3/3p4/8/8/8/3RK3 w - - 0 1", "d1d5", -4, -8},
      {"8/8/4k3/3p4/8/2N5/8/3RK3 w - - 0 1", "d1d5", 1, 2},
      // A king as the last attacker.
      {"4k3/8/3p4/4p3/5K2/5N2/8/8 w - - 0 1", "f3e5", -1, -3},
      // The least valuable recapturer is taken: the pawn before the queen.
      {"4k3/8/2p5/1q1r4/8/3R4/8/3RK3 w - - 0 1", "d3d5", 0, 0},
      // Capturing promotions: queen and knight promotions are priced as the
      // pawn's capture, rook and bishop promotions are 0 in quick values.
      {"r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7a8q", 5, 10},
      {"r3k3/1Pn5/8/8/8/8/8/4K3 w - - 0 1", "b7a8n", 4, 8},
      {"r3k3/1Pn5/8/8/8/8/8/4K3 w - - 0 1", "b7a8r", 0, 8},
      {"r3k3/1Pn5/8/8/8/8/8/4K3 w - - 0 1", "b7a8b", 0, 8},
      // A quiet move onto a square the opponent attacks.
      {"4k3/8/8/3p4/8/8/5N2/4K3 w - - 0 1", "f2e4", -3, -6},
  };
  for (const Exchange& c : cases) {
    Position p = setup(c.fen);
    Move m = find_move(p, c.move);
    ASSERT_NE(m, 0u) << c.fen << " " << c.move;
    EXPECT_EQ(see_quick(p, m, 0), c.quick) << c.fen << " " << c.move;
    EXPECT_EQ(see_fine(p, m), c.fine) << c.fen << " " << c.move;
    EXPECT_EQ(see_for(p.pieces, side_to_move(p), m), c.quick) << c.fen << " " << c.move;
  }
}

TEST(BoardSee, MovesValuedZero) {
  // En passant, castling and rook or bishop promotions are worth 0 in the
  // quick entry points, whatever the board says.
  Position ep = setup("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
  EXPECT_EQ(see_quick(ep, find_move(ep, "e5d6"), 0), 0);
  EXPECT_EQ(see_for(ep.pieces, WHITE, find_move(ep, "e5d6")), 0);
  Position castle = setup("4k3/8/8/8/8/8/8/4K2R w K - 0 1");
  EXPECT_EQ(see_quick(castle, find_move(castle, "e1g1"), 0), 0);
  Position promo = setup("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
  EXPECT_EQ(see_quick(promo, find_move(promo, "b7b8r"), 0), 0);
  EXPECT_EQ(see_quick(promo, find_move(promo, "b7b8b"), 0), 0);
}

TEST(BoardSee, PieceOnItsOwnSquare) {
  // A move from a square to itself asks what the opponent wins by taking
  // the piece standing there.
  Position p = setup("4k3/8/8/3p4/4N3/8/8/4K3 w - - 0 1");
  int e4 = square_of("e4");
  EXPECT_EQ(see_quick(p, move_code(e4, e4, 0), 0), -3);
  EXPECT_EQ(see_fine(p, move_code(e4, e4, 0)), -6);
  // Defended by a pawn: the pawn takes, the pawn recaptures.
  Position d = setup("4k3/8/8/3p4/4N3/5P2/8/4K3 w - - 0 1");
  EXPECT_EQ(see_quick(d, move_code(e4, e4, 0), 0), -2);
  // Flip: the opponent moves first.
  Position b = setup("4k3/8/8/3p4/4N3/8/8/4K3 b - - 0 1");
  EXPECT_EQ(see_quick(b, find_move(b, "d5e4"), 0), 3);
  EXPECT_EQ(see_quick(b, move_code(e4, e4, 0), 1), -3);
}

TEST(BoardSee, EntryPointsAgree) {
  random_playouts(1, 100, 61, [&](const Position&, Move, const Position& c) {
    Move moves[MAX_MOVES];
    int n = generate_all(c, moves);
    int side = side_to_move(c);
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(see_for(c.pieces, side, moves[i]), see_quick(c, moves[i], 0));
      // Flipped: the opponent captures first.
      ASSERT_EQ(see_for(c.pieces, 1 - side, moves[i]), see_quick(c, moves[i], 1));
    }
  });
}

TEST(BoardSee, LastMoveThreat) {
  Position start = setup(START_FEN), c;
  make_move(start, &c, 0);
  EXPECT_EQ(last_move_threat(c), 0);  // a null move
  EXPECT_EQ(last_move_threat(start), 0);
  // A pawn that attacks a knight: 2.
  Position p = setup("4k3/8/8/3n4/8/4P3/8/4K3 w - - 0 1"), q;
  make_move(p, &q, find_move(p, "e3e4"));
  EXPECT_EQ(last_move_threat(q), 2);
  // A knight that forks a rook: 2; one that attacks an undefended bishop: 1;
  // a defended one: 0.
  Position n = setup("4k3/8/2r5/8/8/5N2/8/4K3 w - - 0 1"), m;
  make_move(n, &m, find_move(n, "f3d4"));
  EXPECT_EQ(last_move_threat(m), 2);
  Position nb = setup("4k3/8/2b5/8/8/5N2/8/4K3 w - - 0 1");
  make_move(nb, &m, find_move(nb, "f3d4"));
  EXPECT_EQ(last_move_threat(m), 1);
  Position nd = setup("4k3/1p6/2b5/8/8/5N2/8/4K3 w - - 0 1");
  make_move(nd, &m, find_move(nd, "f3d4"));
  EXPECT_EQ(last_move_threat(m), 0);
  // A rook that attacks the queen along an open line: 2.
  Position r = setup("3qk3/8/8/8/8/8/8/R3K3 w - - 0 1");
  make_move(r, &m, find_move(r, "a1d1"));
  EXPECT_EQ(last_move_threat(m), 2);
  // A queen that attacks an undefended rook: 1.
  Position qr = setup("4k3/8/8/7r/8/8/8/3QK3 w - - 0 1");
  make_move(qr, &m, find_move(qr, "d1d5"));
  EXPECT_EQ(last_move_threat(m), 1);
}

TEST(BoardSee, ThreatLevel) {
  // An enemy pawn on its seventh rank: 15 whatever else is attacked.
  EXPECT_EQ(threat_level(setup("4k3/8/8/8/8/8/p7/4K3 w - - 0 1")), 15);
  EXPECT_EQ(threat_level(setup("4k3/8/8/8/8/1p6/p1Q5/4K3 w - - 0 1")), 15);
  // The queen attacked by a pawn: the loss of a queen in fine values.
  EXPECT_EQ(threat_level(setup("4k3/8/8/8/8/1p6/2Q5/4K3 w - - 0 1")), 19);
  // A knight attacked by a pawn and defended by one: in fine values the
  // knight (6) for the pawn taken back (1).
  EXPECT_EQ(threat_level(setup("4k3/8/8/3p4/4N3/5P2/8/4K3 w - - 0 1")), 5);
  // Nothing attacked.
  EXPECT_EQ(threat_level(setup(START_FEN)), 0);
}
