// Searching over pipes with the real programs: every way a GUI starts and
// ends a search, the lines it reads while one runs, and the answers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/engine_process.h"
#include "tests/support/engine_session.h"

namespace {

using SearchProtocol = EngineSession;

const char* START_MOVES[] = {"a2a3", "a2a4", "b2b3", "b2b4", "c2c3", "c2c4", "d2d3", "d2d4", "e2e3", "e2e4",
                             "f2f3", "f2f4", "g2g3", "g2g4", "h2h3", "h2h4", "b1a3", "b1c3", "g1f3", "g1h3"};
bool is_start_move(const std::string& m) {
  for (const char* s : START_MOVES)
    if (m == s) return true;
  return false;
}

TEST_F(SearchProtocol, GoDepthInEveryProgram) {
  std::vector<const char*> programs = {PELION_ENGINE64, PELION_ENGINE64_POPCNT};
#ifdef PELION_ENGINE32
  programs.push_back(PELION_ENGINE32);
#endif
  for (const char* program : programs) {
    SCOPED_TRACE(program);
    EngineProcess engine;
    ASSERT_TRUE(engine_start(&engine, program));
    engine_send(&engine, "position startpos");
    engine_send(&engine, "go depth 5");
    std::vector<std::string> lines;
    ASSERT_TRUE(engine_read_until(&engine, "bestmove", &lines, 120));
    // "info depth d" opens every iteration and a full line closes it.
    int opened = 0, closed = 0;
    for (const std::string& l : lines) {
      if (l == "info depth " + std::to_string(opened + 1)) ++opened;
      if (starts_with(l, "info depth " + std::to_string(closed + 1) + " seldepth ")) {
        EXPECT_GE(std::atoi(word_after(l, "seldepth").c_str()), closed + 1) << l;
        EXPECT_FALSE(word_after(l, "hashfull").empty()) << l;
        EXPECT_EQ(word_after(l, "tbhits"), "0") << l;  // no tables were given
        ++closed;
        EXPECT_FALSE(word_after(l, "nodes").empty()) << l;
        EXPECT_TRUE(starts_with(word_after(l, "score"), "cp")) << l;
        EXPECT_FALSE(word_after(l, "nps").empty()) << l;
        EXPECT_TRUE(is_start_move(word_after(l, "pv"))) << l;
      }
    }
    EXPECT_EQ(opened, 5);
    EXPECT_EQ(closed, 5);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_TRUE(starts_with(lines[lines.size() - 2], "info nodes ")) << lines[lines.size() - 2];
    const std::string& last = lines.back();
    EXPECT_TRUE(is_start_move(best_move_of(last))) << last;
    EXPECT_NE(last.find(" ponder "), std::string::npos) << last;
    engine_send(&engine, "quit");
    EXPECT_EQ(engine_wait(&engine, 20), 0);
  }
}

TEST_F(SearchProtocol, GoDepthOneAnswersAfterOneIteration) {
  start();
  engine_send(&e, "position startpos moves e2e4");
  engine_send(&e, "go depth 1");
  std::vector<std::string> lines = until_bestmove(20);
  for (const std::string& l : lines) EXPECT_FALSE(starts_with(l, "info depth 2")) << l;
}

TEST_F(SearchProtocol, GoNodesStopsAtTheBudget) {
  start();
  engine_send(&e, "position startpos");
  engine_send(&e, "go nodes 30000");
  std::vector<std::string> lines = until_bestmove(60);
  ASSERT_GE(lines.size(), 2u);
  std::string nodes_line = lines[lines.size() - 2];
  ASSERT_TRUE(starts_with(nodes_line, "info nodes ")) << nodes_line;
  uint64_t nodes = std::strtoull(nodes_line.c_str() + 11, nullptr, 10);
  EXPECT_LE(nodes, 30000u);
  EXPECT_GE(nodes, 10000u);
  EXPECT_TRUE(is_start_move(best_move_of(lines.back())));
}

TEST_F(SearchProtocol, MovetimeIsKept) {
  start();
  engine_send(&e, "position startpos moves d2d4 g8f6 c2c4 e7e6");
  double begin = monotonic_seconds();
  engine_send(&e, "go movetime 500");
  std::vector<std::string> lines = until_bestmove(10);
  double elapsed = monotonic_seconds() - begin;
  EXPECT_GE(elapsed, 0.45);
#ifdef PELION_SANITIZED_ENGINE
  // The sanitized engine starts and stops its searches more slowly.
  EXPECT_LE(elapsed, 0.9);
#else
  EXPECT_LE(elapsed, 0.65);
#endif
  EXPECT_FALSE(best_move_of(lines.back()).empty());
}

TEST_F(SearchProtocol, InfiniteRunsUntilStop) {
  start();
  engine_send(&e, "position startpos");
  engine_send(&e, "go infinite");
  std::vector<std::string> seen;
  EXPECT_TRUE(silent_for(1.0, "bestmove", &seen));
  engine_send(&e, "stop");
  double begin = monotonic_seconds();
  std::vector<std::string> lines = until_bestmove(5);
  EXPECT_LE(monotonic_seconds() - begin, 0.5);
  EXPECT_TRUE(is_start_move(best_move_of(lines.back())));
}

TEST_F(SearchProtocol, InfiniteWaitsForStopEvenAfterAMate) {
  // The mate in one ends the search by itself; "go infinite" still answers
  // only after "stop".
  start();
  engine_send(&e, "position fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1");
  engine_send(&e, "go infinite");
  std::vector<std::string> seen;
  EXPECT_TRUE(silent_for(1.0, "bestmove", &seen));
  bool mate_seen = false;
  for (const std::string& l : seen) mate_seen |= l.find("score mate 1 ") != std::string::npos;
  EXPECT_TRUE(mate_seen);
  // On a loaded machine the deepening may still be printing its lines.
  engine_send(&e, "isready");
  std::vector<std::string> before_ready;
  ASSERT_TRUE(engine_read_until(&e, "readyok", &before_ready, 5));
  for (const std::string& l : before_ready) EXPECT_EQ(l.rfind("bestmove", 0), std::string::npos) << l;
  engine_send(&e, "stop");
  std::vector<std::string> lines = until_bestmove(5);
  EXPECT_EQ(lines.back(), "bestmove d1d8");
}

TEST_F(SearchProtocol, DepthNinetyNineIsNotInfinite) {
  // A depth limit, however large, answers as soon as the depth is reached:
  // only "go infinite" waits for "stop".
  start();
  engine_send(&e, "position fen 8/8/8/4k3/8/8/8/K7 w - -");
  engine_send(&e, "go depth 99");
  std::vector<std::string> lines = until_bestmove(20);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2].rfind("info nodes ", 0), 0u);
}

TEST_F(SearchProtocol, PositionAndGoDuringASearchWaitForItsEnd) {
  // The protocol forbids them, but a GUI in a hurry may send them: they are
  // carried out after the running search has answered, in order.
  start();
  engine_send(&e, "position startpos");
  engine_send(&e, "go infinite");
  engine_send(&e, "position fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1");
  engine_send(&e, "go depth 3");
  usleep(300000);
  engine_send(&e, "stop");
  std::vector<std::string> first = until_bestmove(5);
  EXPECT_TRUE(is_start_move(best_move_of(first.back())));
  std::vector<std::string> second = until_bestmove(20);
  EXPECT_EQ(second.back(), "bestmove d1d8");
}

TEST_F(SearchProtocol, IsreadyIsAnsweredDuringASearch) {
  start();
  engine_send(&e, "position startpos");
  engine_send(&e, "go infinite");
  usleep(300000);
  double begin = monotonic_seconds();
  engine_send(&e, "isready");
  std::vector<std::string> lines;
  ASSERT_TRUE(engine_read_until(&e, "readyok", &lines, 2));
  EXPECT_LE(monotonic_seconds() - begin, 0.25);
  for (const std::string& l : lines) EXPECT_FALSE(starts_with(l, "bestmove")) << l;
  // The search goes on.
  std::vector<std::string> seen;
  EXPECT_TRUE(silent_for(0.5, "bestmove", &seen));
  engine_send(&e, "stop");
  until_bestmove(5);
}

TEST_F(SearchProtocol, PonderhitHandsTheSearchToTheClock) {
  start();
  engine_send(&e, "position startpos moves e2e4 e7e5");
  engine_send(&e, "go ponder wtime 3000 btime 3000");
  // The clock allows well under a second, but a ponder search ignores it.
  std::vector<std::string> seen;
  EXPECT_TRUE(silent_for(1.5, "bestmove", &seen));
  engine_send(&e, "ponderhit");
  double begin = monotonic_seconds();
  std::vector<std::string> lines = until_bestmove(5);
  EXPECT_LE(monotonic_seconds() - begin, 0.5);
  EXPECT_FALSE(best_move_of(lines.back()).empty());
}

TEST_F(SearchProtocol, PonderThenStop) {
  start();
  engine_send(&e, "position startpos moves e2e4 e7e5");
  engine_send(&e, "go ponder wtime 60000 btime 60000");
  std::vector<std::string> seen;
  EXPECT_TRUE(silent_for(0.8, "bestmove", &seen));
  engine_send(&e, "stop");
  double begin = monotonic_seconds();
  std::vector<std::string> lines = until_bestmove(5);
  EXPECT_LE(monotonic_seconds() - begin, 0.5);
  EXPECT_FALSE(best_move_of(lines.back()).empty());
}

TEST_F(SearchProtocol, QuitDuringASearch) {
  start();
  engine_send(&e, "position startpos");
  engine_send(&e, "go infinite");
  usleep(300000);
  engine_send(&e, "quit");
  EXPECT_EQ(engine_wait(&e, 5), 0);
  EXPECT_EQ(e.out_buffer.find("bestmove"), std::string::npos);
  std::string line;
  while (engine_read_line(&e, &line, 0.5)) EXPECT_FALSE(starts_with(line, "bestmove")) << line;
}

TEST_F(SearchProtocol, MultiPvPrintsEveryLine) {
  start();
  engine_send(&e, "setoption name MultiPV value 3");
  engine_send(&e, "position startpos");
  engine_send(&e, "go depth 5");
  std::vector<std::string> lines = until_bestmove(60);
  int depth = 0, count = 0;
  std::vector<int> per_depth(6, 0);
  for (const std::string& l : lines) {
    if (starts_with(l, "info depth ") && l.find(" time ") == std::string::npos) depth = std::atoi(l.c_str() + 11);
    if (starts_with(l, "info multipv ")) {
      ++count;
      ASSERT_GE(depth, 1);
      ASSERT_LE(depth, 5);
      ++per_depth[depth];
      EXPECT_EQ(word_after(l, "depth"), std::to_string(depth)) << l;
      EXPECT_FALSE(word_after(l, "cp").empty()) << l;
    }
    EXPECT_FALSE(starts_with(l, "info currmove")) << l;
  }
  EXPECT_EQ(per_depth[1], 1);  // the first iteration searches one line
  for (int d = 2; d <= 5; ++d) EXPECT_EQ(per_depth[d], 3) << d;
  // Lines come best first, and name three different moves.
  std::vector<std::string> last3, moves;
  for (const std::string& l : lines)
    if (starts_with(l, "info multipv ")) last3.push_back(l);
  ASSERT_GE(last3.size(), 3u);
  last3.erase(last3.begin(), last3.end() - 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(word_after(last3[i], "multipv"), std::to_string(i + 1));
    moves.push_back(word_after(last3[i], "pv"));
  }
  EXPECT_GE(std::atoi(word_after(last3[0], "cp").c_str()), std::atoi(word_after(last3[1], "cp").c_str()));
  EXPECT_GE(std::atoi(word_after(last3[1], "cp").c_str()), std::atoi(word_after(last3[2], "cp").c_str()));
  EXPECT_NE(moves[0], moves[1]);
  EXPECT_NE(moves[1], moves[2]);
  EXPECT_NE(moves[0], moves[2]);
  EXPECT_EQ(best_move_of(lines.back()), moves[0]);
}

TEST_F(SearchProtocol, MultiPvWithTwoLegalMoves) {
  start();
  engine_send(&e, "setoption name MultiPV value 3");
  engine_send(&e, "position fen k7/8/8/8/8/P7/6r1/7K w - - 0 1");
  engine_send(&e, "go depth 4");
  std::vector<std::string> lines = until_bestmove(30);
  int depth = 0;
  std::vector<int> per_depth(5, 0);
  for (const std::string& l : lines) {
    if (starts_with(l, "info depth ") && l.find(" time ") == std::string::npos) depth = std::atoi(l.c_str() + 11);
    if (starts_with(l, "info multipv ")) ++per_depth[depth];
  }
  for (int d = 2; d <= 4; ++d) EXPECT_EQ(per_depth[d], 2) << d;
  EXPECT_EQ(best_move_of(lines.back()), "h1g2");
}

TEST_F(SearchProtocol, SearchmovesRestrictTheRoot) {
  start();
  engine_send(&e, "position startpos");
  engine_send(&e, "go depth 5 searchmoves a2a3 h2h3");
  std::vector<std::string> lines = until_bestmove(60);
  for (const std::string& l : lines)
    if (starts_with(l, "info depth ") && l.find(" pv ") != std::string::npos) {
      std::string first = word_after(l, "pv");
      EXPECT_TRUE(first == "a2a3" || first == "h2h3") << l;
    }
  std::string best = best_move_of(lines.back());
  EXPECT_TRUE(best == "a2a3" || best == "h2h3") << best;
}

// With UCI_Chess960 on, castling is read and written as the king taking its
// own rook, and a castling right without its rook is a fatal input error.
TEST_F(SearchProtocol, Chess960CastlingIsKingTakesRook) {
  start();
  engine_send(&e, "setoption name UCI_Chess960 value true");
  const std::string fen = "position fen 1r4kr/pppppppp/8/8/8/8/PPPPPPPP/1R4KR w HBhb - 0 1";
  // White castles long (king g1 to c1, rook b1 to d1); Black may castle
  // short, leaving its king on g8.  A searchmoves word that is not a legal
  // move would let the search pick any move.
  engine_send(&e, fen + " moves g1b1");
  engine_send(&e, "go depth 2 searchmoves g8h8");
  EXPECT_EQ(best_move_of(until_bestmove().back()), "g8h8");
  // After both castlings the White rook stands on d1.
  engine_send(&e, fen + " moves g1b1 g8h8");
  engine_send(&e, "go depth 2 searchmoves d1e1");
  EXPECT_EQ(best_move_of(until_bestmove().back()), "d1e1");
  engine_send(&e, "position fen 4k3/8/8/8/8/8/8/R3K3 w H - 0 1");
  EXPECT_EQ(engine_wait(&e, 20), 1);
  EXPECT_NE(
      engine_stderr(&e).find("Error in fen \"4k3/8/8/8/8/8/8/R3K3 w H - 0 1\": a castling right without its rook"),
      std::string::npos)
      << engine_stderr(&e);
}

TEST_F(SearchProtocol, MatedAndStalematedRoots) {
  start();
  engine_send(&e, "position fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1");
  engine_send(&e, "go depth 3");
  std::vector<std::string> lines = until_bestmove(10);
  EXPECT_EQ(lines.back(), "bestmove 0000");
  bool mated = false;
  for (const std::string& l : lines) mated |= l.find("score mate -") != std::string::npos;
  EXPECT_TRUE(mated);
  engine_send(&e, "position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
  engine_send(&e, "go depth 3");
  lines = until_bestmove(10);
  EXPECT_EQ(lines.back(), "bestmove 0000");
  bool drawn = false;
  for (const std::string& l : lines) drawn |= l.find("score cp 0 ") != std::string::npos;
  EXPECT_TRUE(drawn);
}

TEST_F(SearchProtocol, MateInOneIsReportedAsMateOne) {
  start();
  engine_send(&e, "position fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1");
  engine_send(&e, "go depth 6");
  std::vector<std::string> lines = until_bestmove(10);
  EXPECT_EQ(lines.back(), "bestmove d1d8");
  ASSERT_GE(lines.size(), 3u);
  const std::string& final_info = lines[lines.size() - 3];
  EXPECT_EQ(word_after(final_info, "score"), "mate") << final_info;
  EXPECT_NE(final_info.find(" score mate 1 "), std::string::npos) << final_info;
  // The mate ends the search after the first iteration.
  for (const std::string& l : lines) EXPECT_FALSE(starts_with(l, "info depth 2")) << l;
}

TEST_F(SearchProtocol, ReportsTheShortestMate) {
  // A mate in six turns up at depth 5; the mate in five needs a few plies
  // more.  The search goes on until it is deep enough to see any shorter
  // mate, so the answer is the mate in five, well before the depth limit.
  start();
  engine_send(&e, "position fen 6r1/p3p1rk/1p1pPp1p/q3n2R/4P3/3BR2P/PPP2QP1/7K w - - 0 1");
  engine_send(&e, "go depth 30");
  std::vector<std::string> lines = until_bestmove(60);
  ASSERT_GE(lines.size(), 3u);
  const std::string& final_info = lines[lines.size() - 3];
  EXPECT_NE(final_info.find(" score mate 5 "), std::string::npos) << final_info;
  int depth = std::atoi(word_after(final_info, "depth").c_str());
  EXPECT_GE(depth, 9);
  EXPECT_LT(depth, 30);
  EXPECT_EQ(best_move_of(lines.back()), "h5h6");
}

TEST_F(SearchProtocol, HalfmoveClockOfTheFen) {
  start();
  // A rook up, but any quiet move is the hundredth half-move: a draw.
  engine_send(&e, "position fen 4k3/8/8/8/8/8/8/R3K3 w - - 99 120");
  engine_send(&e, "go depth 6");
  std::vector<std::string> lines = until_bestmove(30);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_NE(lines[lines.size() - 3].find(" score cp -5 "), std::string::npos) << lines[lines.size() - 3];
  // The same position with a fresh clock is a win.
  engine_send(&e, "position fen 4k3/8/8/8/8/8/8/R3K3 w - - 0 120");
  engine_send(&e, "go depth 6");
  lines = until_bestmove(30);
  EXPECT_GT(std::atoi(word_after(lines[lines.size() - 3], "cp").c_str()), 300) << lines[lines.size() - 3];
  // A mate on the hundredth half-move still wins.
  engine_send(&e, "position fen 6k1/5ppp/8/8/8/8/8/R5K1 w - - 99 120");
  engine_send(&e, "go depth 4");
  lines = until_bestmove(30);
  EXPECT_EQ(lines.back(), "bestmove a1a8");
  EXPECT_NE(lines[lines.size() - 3].find(" score mate 1 "), std::string::npos) << lines[lines.size() - 3];
  // The clock read from the FEN counts on through the move list.
  engine_send(&e, "position fen 4k3/8/8/8/8/8/8/R3K3 w - - 97 120 moves a1a2 e8d8");
  engine_send(&e, "go depth 6");
  lines = until_bestmove(30);
  EXPECT_NE(lines[lines.size() - 3].find(" score cp -5 "), std::string::npos) << lines[lines.size() - 3];
}

TEST_F(SearchProtocol, ExtremeGoValuesAreClamped) {
  // Every value is read into a range where the time allocation is sound.
  start();
  engine_send(&e, "position startpos");
  for (const char* go :
       {"go movestogo 99999999999999999999 wtime 2000 btime 2000",
        "go movestogo -99999999999999999999 wtime 2000 btime 2000",
        "go movestogo 1 wtime 99999999999999999999 btime 99999999999999999999 movetime 50",
        "go depth -99999999999999999999 wtime 1000 btime 1000", "go nodes 99999999999999999999 depth 2"}) {
    SCOPED_TRACE(go);
    engine_send(&e, go);
    std::vector<std::string> lines = until_bestmove(10);
    EXPECT_FALSE(best_move_of(lines.back()).empty());
  }
}

TEST_F(SearchProtocol, RepetitionInTheGameIsADraw) {
  // A queen down, Black steps back into the position of four plies ago.
  start();
  engine_send(&e, "position fen 7k/8/8/8/8/8/8/3QK3 w - - 0 1 moves d1d2 h8g8 d2d1 g8h8 d1d2");
  engine_send(&e, "go depth 6");
  std::vector<std::string> lines = until_bestmove(30);
  EXPECT_EQ(lines.back(), "bestmove h8g8");
  ASSERT_GE(lines.size(), 3u);
  EXPECT_NE(lines[lines.size() - 3].find(" score cp -5 "), std::string::npos) << lines[lines.size() - 3];
}

TEST_F(SearchProtocol, NegativeClockAnswersQuickly) {
  start();
  engine_send(&e, "position startpos moves e2e4");
  double begin = monotonic_seconds();
  engine_send(&e, "go wtime -100 btime -100");
  std::vector<std::string> lines = until_bestmove(5);
  EXPECT_LE(monotonic_seconds() - begin, 1.0);
  std::string best = best_move_of(lines.back());
  EXPECT_EQ(best.size(), 4u) << lines.back();
  EXPECT_TRUE(best[1] == '7' || best[1] == '8') << best;  // a Black move
}

}  // namespace

// The bench signature depends on nothing a GUI has set, neither the options
// nor the limits of the last "go", and the settings are back in force
// afterwards.
TEST_F(SearchProtocol, BenchIgnoresTheSettingsAndRestoresThem) {
  RunResult fresh = run_program(PELION_ENGINE64, {"bench", "4"}, 120);
  ASSERT_EQ(fresh.status, 0);
  const std::string signature = fresh.out.substr(0, fresh.out.find(" nodes "));
  ASSERT_FALSE(signature.empty());
  ASSERT_EQ(signature.find_first_not_of("0123456789"), std::string::npos) << fresh.out;

  start();
  engine_send(&e, "setoption name Hash value 1");
  engine_send(&e, "setoption name MultiPV value 3");
  engine_send(&e, "setoption name use lmr value false");
  engine_send(&e, "position startpos");
  engine_send(&e, "go nodes 500");
  until_bestmove();
  engine_send(&e, "bench 4");
  std::string line;
  do {
    ASSERT_TRUE(engine_read_line(&e, &line, 120)) << "no bench line";
  } while (line.find(" nps") == std::string::npos);
  EXPECT_EQ(line.substr(0, line.find(" nodes ")), signature);

  engine_send(&e, "position startpos");
  engine_send(&e, "go depth 3");
  std::vector<std::string> lines = until_bestmove();
  int multipv_lines = 0;
  for (const std::string& l : lines) multipv_lines += starts_with(l, "info multipv ");
  EXPECT_EQ(multipv_lines, 1 + 3 + 3);  // one line at depth 1, three at depths 2 and 3
}

// "Clear Hash" forgets everything the earlier searches learnt: the same
// search then counts the nodes of a freshly started engine.
TEST_F(SearchProtocol, ClearHashSearchesAsAfterAFreshStart) {
  const char* fen = "position fen r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3";
  auto nodes_of = [](const std::vector<std::string>& lines) {
    for (const std::string& l : lines)
      if (starts_with(l, "info nodes ")) return l;
    return std::string();
  };
  start();
  engine_send(&e, fen);
  engine_send(&e, "go depth 7");
  const std::string fresh = nodes_of(until_bestmove());
  ASSERT_FALSE(fresh.empty());

  engine_send(&e, "go depth 7");  // the same search again profits from the table
  EXPECT_NE(nodes_of(until_bestmove()), fresh);
  engine_send(&e, "setoption name Clear Hash");
  engine_send(&e, fen);
  engine_send(&e, "go depth 7");
  EXPECT_EQ(nodes_of(until_bestmove()), fresh);
}

// "go mate N" answers as soon as a mate in at most N moves is found, and
// otherwise searches until another limit (or "stop") ends it.
TEST_F(SearchProtocol, GoMateAnswersOnceTheMateIsFound) {
  start();
  // Mate in six shows up at depth 5; the mate in five only a few plies later.
  engine_send(&e, "position fen 6r1/p3p1rk/1p1pPp1p/q3n2R/4P3/3BR2P/PPP2QP1/7K w - - 0 1");
  engine_send(&e, "go mate 6");
  std::vector<std::string> lines = until_bestmove(60);
  ASSERT_GE(lines.size(), 3u);
  const std::string& final_info = lines[lines.size() - 3];
  const std::string mate = word_after(final_info, "mate");
  ASSERT_FALSE(mate.empty()) << final_info;
  EXPECT_LE(std::atoi(mate.c_str()), 6);
  EXPECT_LT(std::atoi(word_after(final_info, "depth").c_str()), 9) << "did not answer at once";

  // No mate in one here: the search goes on until "stop".
  engine_send(&e, "position startpos");
  engine_send(&e, "go mate 1");
  std::vector<std::string> seen;
  EXPECT_TRUE(silent_for(0.5, "bestmove", &seen));
  engine_send(&e, "stop");
  lines = until_bestmove(10);
  EXPECT_TRUE(is_start_move(best_move_of(lines.back())));

  // With a clock the clock still ends it.
  engine_send(&e, "go mate 1 wtime 1000 btime 1000");
  until_bestmove(10);
}

// With tables and two threads the engine keeps the win, says so and counts the probes.
TEST_F(SearchProtocol, SyzygyTablesDecideTheMoveAndAreCounted) {
  const std::string tables = PELION_SYZYGY_TEST_DIR;
#ifdef PELION_ENGINE64_SYZYGY
  if (access((tables + "/KQvK.rtbw").c_str(), R_OK) != 0) GTEST_SKIP() << "no tables in " << tables;
  start();
  engine_send(&e, "setoption name Threads value 2\nsetoption name SyzygyPath value " + tables);
  engine_send(&e, "position fen 8/8/2R2K2/8/n7/6k1/8/8 w - - 0 1\ngo depth 12");  // only f6f5, f6e5 win
  std::vector<std::string> lines = until_bestmove(60);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_GT(std::atoll(word_after(lines[lines.size() - 3], "tbhits").c_str()), 0) << lines[lines.size() - 3];
  EXPECT_GE(std::atoi(word_after(lines[lines.size() - 3], "cp").c_str()), 30500) << lines[lines.size() - 3];
  EXPECT_TRUE(best_move_of(lines.back()) == "f6f5" || best_move_of(lines.back()) == "f6e5") << lines.back();
#endif
}
