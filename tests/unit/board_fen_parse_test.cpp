#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "board/fen.h"
#include "board/keys.h"
#include "board/make_move.h"
#include "board_test_support.h"

using board_test::setup;
using board_test::square_of;

namespace {

std::string parse_error(const char* fen, bool chess960 = false) {
  Position p;
  char error[FEN_ERROR_SIZE] = "";
  EXPECT_FALSE(fen_parse(&p, fen, error, chess960)) << fen;
  return error;
}

void expect_same(const Position& a, const Position& b) {
  for (int c = 0; c < 2; ++c)
    for (int t = 0; t <= KING; ++t) EXPECT_EQ(a.pieces[c][t], b.pieces[c][t]);
  EXPECT_EQ(a.castle_lost, b.castle_lost);
  EXPECT_EQ(a.chess960, b.chess960);
  for (int right = 0; right < 4; ++right) EXPECT_EQ(a.castle_rook[right], b.castle_rook[right]);
  EXPECT_EQ(a.ep_board, b.ep_board);
  EXPECT_EQ(a.key, b.key);
  EXPECT_EQ(a.pawn_key, b.pawn_key);
  EXPECT_EQ(a.material_key, b.material_key);
  EXPECT_EQ(a.ply, b.ply);
  EXPECT_EQ(a.last_move, b.last_move);
  EXPECT_EQ(a.in_check, b.in_check);
}

}  // namespace

TEST(FenParse, EmptyTextIsTheStartPosition) {
  Position empty = setup("");
  Position start = setup(START_FEN);
  expect_same(empty, start);
  EXPECT_EQ(start.ply, 0);
  EXPECT_EQ(start.fifty, 0);
  EXPECT_EQ(start.psq, 0u);
  EXPECT_EQ(start.phase, 0);
  EXPECT_EQ(start.previous, nullptr);
  EXPECT_EQ(start.pieces[WHITE][ALL_PIECES], 0xffffULL);
  EXPECT_EQ(start.pieces[BLACK][KING], square_bit(square_of("e8")));
  EXPECT_EQ(start.castle_lost, 0xff000000000000ffULL & ~CASTLE_SQUARES);
  // The clock fields change nothing but the fifty-move counter.
  expect_same(setup("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 37 80"), start);
  expect_same(setup("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"), start);
}

TEST(FenParse, HalfmoveClock) {
  EXPECT_EQ(setup("4k3/8/8/8/8/8/8/R3K3 w - - 99 120").fifty, 99);
  EXPECT_EQ(setup("4k3/8/8/8/8/8/8/R3K3 w - - 7").fifty, 7);  // no fullmove number
  // After an en-passant square and repeated blanks.
  EXPECT_EQ(setup("4k3/8/8/3pP3/8/8/8/4K3 w - d6   0 1").fifty, 0);
  EXPECT_EQ(setup("4k3/8/8/3pP3/8/8/8/4K3 w - d6 12 40").fifty, 12);
  // Missing or malformed: 0.  Nothing is read past the text.
  for (const char* fen : {"4k3/8/8/8/8/8/8/R3K3 w - -", "4k3/8/8/8/8/8/8/R3K3 w - - ", "4k3/8/8/8/8/8/8/R3K3 w -",
                          "4k3/8/8/8/8/8/8/R3K3 w - - x9 1", "4k3/8/8/8/8/8/8/R3K3 w - - 9x 1",
                          "4k3/8/8/8/8/8/8/R3K3 w - - -5 1", "4k3/8/8/8/8/8/8/R3K3 w - - +5 1"})
    EXPECT_EQ(setup(fen).fifty, 0) << fen;
  // Huge values stay where the counter cannot overflow.
  EXPECT_EQ(setup("4k3/8/8/8/8/8/8/R3K3 w - - 99999999999999999999999 1").fifty, FEN_MAX_HALFMOVES);
}

TEST(FenParse, EnPassantField) {
  // No Black pawn beside e4: the implied double step is recorded, the square is not.
  Position p = setup("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3");
  EXPECT_EQ(p.last_move, move_code(12, 28, KIND_NORMAL));
  EXPECT_EQ(p.ep_board, 0u);
  EXPECT_EQ(p.key, compute_key(p));
  // A Black pawn on d4 can take: the square and its key are in.
  Position q = setup("rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3");
  EXPECT_EQ(q.ep_board, square_bit(square_of("e3")));
  EXPECT_EQ(q.key, compute_key(q));
  EXPECT_TRUE(q.key != (compute_key(q) ^ zobrist[1][0][square_of("e3")]));
  // Blanks before the field may repeat.
  expect_same(setup("rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq    e3 0 1"), q);
  // A White double step to the sixth rank's square for Black's pawn.
  Position w = setup("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
  EXPECT_EQ(w.ep_board, square_bit(square_of("d6")));
  EXPECT_EQ(w.last_move, move_code(square_of("d7"), square_of("d5"), KIND_NORMAL));
}

TEST(FenParse, EnPassantFieldThatCannotHaveHappened) {
  // Wrong side to move, no pawn that made the step, an occupied square, a
  // nonsense square: no en-passant square, no implied move.
  for (const char* fen :
       {"4k3/8/8/8/3pP3/8/8/4K3 w - e3 0 1", "4k3/8/8/3p4/8/8/8/4K3 w - e6 0 1", "4k3/8/4n3/3pP3/8/8/8/4K3 w - e6 0 1",
        "4k3/8/8/3pP3/8/8/8/4K3 w - d5 0 1", "4k3/8/8/3pP3/8/8/8/4K3 w - z6 0 1", "4k3/8/8/3pP3/8/8/8/4K3 w - d"}) {
    Position p = setup(fen);
    EXPECT_EQ(p.ep_board, 0u) << fen;
    EXPECT_EQ(p.last_move, 0u) << fen;
    EXPECT_EQ(p.key, compute_key(p)) << fen;
  }
}

TEST(FenParse, CastlingRights) {
  Position p = setup("r3k2r/8/8/8/8/8/8/R3K2R w Kq - 0 1");
  EXPECT_EQ(p.castle_lost & CASTLE_WHITE_SHORT, 0u);
  EXPECT_EQ(p.castle_lost & CASTLE_BLACK_LONG, 0u);
  EXPECT_NE(p.castle_lost & CASTLE_WHITE_LONG, 0u);
  EXPECT_NE(p.castle_lost & CASTLE_BLACK_SHORT, 0u);
  Position none = setup("r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1");
  for (Bitboard right : {CASTLE_WHITE_SHORT, CASTLE_WHITE_LONG, CASTLE_BLACK_SHORT, CASTLE_BLACK_LONG})
    EXPECT_NE(none.castle_lost & right, 0u);
  // A right whose rook or king is not on its square is not granted: castling
  // would move pieces that are not there.
  Position no_rook = setup("4k3/8/8/8/8/8/8/R3K3 w KQ - 0 1");
  EXPECT_NE(no_rook.castle_lost & CASTLE_WHITE_SHORT, 0u);
  EXPECT_EQ(no_rook.castle_lost & CASTLE_WHITE_LONG, 0u);
  Position moved_king = setup("r3k2r/8/8/8/8/8/8/R4K1R w KQkq - 0 1");
  EXPECT_NE(moved_king.castle_lost & CASTLE_WHITE_SHORT, 0u);
  EXPECT_NE(moved_king.castle_lost & CASTLE_WHITE_LONG, 0u);
  EXPECT_EQ(moved_king.castle_lost & CASTLE_BLACK_SHORT, 0u);
  EXPECT_EQ(moved_king.key, compute_key(moved_king));
  Move moves[MAX_MOVES];
  EXPECT_EQ(generate_castling(moved_king, moves), 0);
}

TEST(FenParse, Chess960CastlingFields) {
  // Shredder-FEN file letters and X-FEN letters name the same rights; an
  // inner rook (g8 beside h8) needs its file letter in X-FEN too.
  Position shredder = setup("r1k3rr/8/8/8/8/8/8/RRK4R w HBag - 0 1", true);
  Position xfen = setup("r1k3rr/8/8/8/8/8/8/RRK4R w KBqg - 0 1", true);
  expect_same(shredder, xfen);
  EXPECT_EQ(shredder.chess960, 1);
  EXPECT_EQ(shredder.castle_lost & CASTLE_SQUARES, 0u);
  const char* rooks[4] = {"h1", "b1", "g8", "a8"};
  for (int right = 0; right < 4; ++right) EXPECT_EQ(shredder.castle_rook[right], square_of(rooks[right]));
  // K and Q take the outermost rook on their side of the king.
  Position outer = setup("r1k3rr/8/8/8/8/8/8/RRK4R w KQkq - 0 1", true);
  EXPECT_EQ(outer.castle_rook[1], square_of("a1"));
  EXPECT_EQ(outer.castle_rook[2], square_of("h8"));
  // The rights are keyed alike in both kinds of chess.
  EXPECT_EQ(setup(START_FEN, true).key, setup(START_FEN).key);
  // Standard chess reads only KQkq, as before.
  EXPECT_EQ(setup("r3k2r/8/8/8/8/8/8/R3K2R w HAha - 0 1").castle_lost & CASTLE_SQUARES, CASTLE_SQUARES);
  // A right whose king or rook is not where the field says is an error.
  for (const char* fen : {"4k3/8/8/8/8/8/8/R3K3 w H - 0 1", "4k3/8/8/8/8/8/8/4K2R w Q - 0 1",
                          "4k3/8/8/8/8/8/8/4K2R w E - 0 1", "4k3/8/8/8/8/8/8/4K2R w h - 0 1"})
    EXPECT_NE(parse_error(fen, true).find("a castling right without its rook"), std::string::npos) << fen;
  EXPECT_NE(parse_error("4k3/8/8/8/8/8/4K3/7R w K - 0 1", true).find("king off its first rank"), std::string::npos);
  EXPECT_NE(parse_error("4k3/8/8/8/8/8/8/4KRR1 w FG - 0 1", true).find("two rooks for one castling right"),
            std::string::npos);
}

TEST(FenParse, PlacementQuirksThatStaySound) {
  // An unknown character takes a square and places nothing.
  Position p = setup("4k3/8/8/8/8/8/8/x3K3 w - - 0 1");
  EXPECT_EQ(p.pieces[WHITE][KING], square_bit(square_of("e1")));
  Position q = setup("4k3/8/8/8/8/8/8/1111K111 w - - 0 1");
  EXPECT_EQ(q.pieces[WHITE][KING], square_bit(square_of("e1")));
  // Black to move; the check flag is computed.
  Position b = setup("4k3/8/8/8/8/8/8/4K2r w - - 0 1");
  EXPECT_EQ(b.in_check, 1);
  EXPECT_EQ(setup("4k3/8/8/8/8/8/8/4K3 b - - 0 1").ply, 1);
  // The text may end after the side to move or inside the castling field.
  EXPECT_EQ(setup("4k3/8/8/8/8/8/8/4K3 w").ply, 0);
  EXPECT_EQ(setup("r3k3/8/8/8/8/8/8/4K3 b q").castle_lost & CASTLE_BLACK_LONG, 0u);
  EXPECT_EQ(setup("r3k3/8/8/8/8/8/8/4K3 b ").ply, 1);
}

TEST(FenParse, RejectsPositionsThatAreNotSound) {
  // A placement must be eight ranks of eight squares each.
  for (const char* fen :
       {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNRR w - - 0 1", "4K2k3/8/8/8/8/8/8/8 w - - 0 1",
        "4k3/8/8/8/8/8/8/4K3999999R w - - 0 1", "4k3/8/8/8/8/8/8/4K w - - 0 1", "4k3/9/8/8/8/8/8/4K3 w - - 0 1",
        "4k3/7/8/8/8/8/8/4K3 w - - 0 1", "4k3//8/8/8/8/8/4K3 w - - 0 1"})
    EXPECT_NE(parse_error(fen).find("a rank that does not describe eight squares"), std::string::npos) << fen;
  EXPECT_NE(parse_error("8/8/8/4k3/8/8/8/4K2k/8/8/8 w - -").find("more than eight ranks"), std::string::npos);
  EXPECT_NE(parse_error("8/8/8/8/8/8/8/8/K w - - 0 1").find("more than eight ranks"), std::string::npos);
  EXPECT_NE(parse_error("4k3/8/8/8/8/8/8/4K3/ w - - 0 1").find("more than eight ranks"), std::string::npos);
  EXPECT_NE(parse_error("4k3/8/8/8/8/8/4K3 w - - 0 1").find("fewer than eight ranks"), std::string::npos);
  // Missing or doubled kings.
  EXPECT_NE(parse_error("8/8/8/8/8/8/8/4K3 w - - 0 1").find("Black needs exactly one king"), std::string::npos);
  EXPECT_NE(parse_error("4k3/8/8/8/8/8/8/8 w - - 0 1").find("White needs exactly one king"), std::string::npos);
  EXPECT_NE(parse_error("4k3/8/8/8/8/8/8/3KK3 w - - 0 1").find("White needs exactly one king"), std::string::npos);
  // Counts no game can reach.
  EXPECT_NE(parse_error("4k3/8/8/8/8/1N6/PPPPPPPP/RNBQKBNR w - - 0 1").find("more than 16 men"), std::string::npos);
  EXPECT_NE(parse_error("4k2P/8/8/8/8/8/8/4K3 w - - 0 1").find("first or last rank"), std::string::npos);
  EXPECT_NE(parse_error("4k3/8/8/8/8/8/8/p3K3 w - - 0 1").find("first or last rank"), std::string::npos);
  // The side that just moved left its king attacked.
  EXPECT_NE(parse_error("4k3/8/8/8/8/8/8/4K2r b - - 0 1").find("not to move is in check"), std::string::npos);
  // Every message names the FEN.
  EXPECT_EQ(parse_error("8/8/8/8/8/8/8/4K3 w - - 0 1").rfind("Error in fen \"8/8/8/8/8/8/8/4K3 w - - 0 1\": ", 0), 0u);
}

TEST(FenParse, SideToMoveField) {
  EXPECT_EQ(parse_error("4k3/8/8/8/8/8/8/4K3 W - - 0 1"), "Error in ctm for fen \"4k3/8/8/8/8/8/8/4K3 W - - 0 1\"");
  // No blank after the placement: nothing is read past the text.
  EXPECT_EQ(parse_error("4k3/8/8/8/8/8/8/4K3"), "Error in ctm for fen \"4k3/8/8/8/8/8/8/4K3\"");
  EXPECT_EQ(parse_error("4k3/8/8/8/8/8/8/4K3 "), "Error in ctm for fen \"4k3/8/8/8/8/8/8/4K3 \"");
}

TEST(FenParse, LongTextIsCut) {
  // Only the first 254 characters are read.
  std::string fen = "4k3/8/8/8/8/8/8/4K3 w - -" + std::string(300, ' ') + "junk";
  Position p = setup(fen.c_str());
  EXPECT_EQ(p.ply, 0);
  std::string placement = "4k3/8/8/8/8/8/8/4K3" + std::string(254, ' ');
  std::string error = parse_error((placement + "w").c_str());
  EXPECT_EQ(error, "Error in ctm for fen \"" + placement.substr(0, 254) + "\"");
}

TEST(FenParseDeathTest, FatalInputEndsTheProcess) {
  Position p;
  EXPECT_EXIT(position_from_fen(&p, "4k3/8/8/8/8/8/8/4K3 W - - 0 1"), testing::ExitedWithCode(1),
              "^Error in ctm for fen \"4k3/8/8/8/8/8/8/4K3 W - - 0 1\"$");
  EXPECT_EXIT(position_from_fen(&p, "8/8/8/8/8/8/8/8/K w - - 0 1"), testing::ExitedWithCode(1),
              "Error in fen \"8/8/8/8/8/8/8/8/K w - - 0 1\": more than eight ranks");
  EXPECT_EXIT(position_from_fen(&p, "8/8/8/8/8/8/8/8 w - - 0 1"), testing::ExitedWithCode(1), "needs exactly one king");
  EXPECT_EXIT(position_from_fen(&p, "4k3/8/8/8/8/8/8/R3K3 w H - 0 1", true), testing::ExitedWithCode(1),
              "Error in fen \"4k3/8/8/8/8/8/8/R3K3 w H - 0 1\": a castling right without its rook");
}

TEST(FenParse, PerftPositionsAllParse) {
  std::vector<board_test::PerftCase> cases = board_test::read_perft_cases();
  for (const board_test::PerftCase& c : board_test::read_perft_cases(true)) cases.push_back(c);
  for (const board_test::PerftCase& c : cases) {
    Position p = setup(c.fen.c_str(), c.chess960);
    EXPECT_EQ(p.key, compute_key(p)) << c.fen;
    EXPECT_EQ(p.in_check, king_attacked(p, side_to_move(p))) << c.fen;
  }
}
