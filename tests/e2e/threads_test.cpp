// Searching with helper threads over pipes: every way a search ends still
// gives exactly one answer, the node budget counts every thread, and one
// thread again is the same engine as before.  The same tests run against a
// ThreadSanitizer build of the engine (ctest label "tsan"), which must stay
// silent.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/engine_process.h"

namespace {

// ThreadSanitizer slows the engine down several times over.
#ifdef PELION_TSAN_ENGINE
constexpr double SLOW = 8.0;
#else
constexpr double SLOW = 1.0;
#endif

bool starts_with(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

std::string best_move_of(const std::string& line) {
  size_t start = line.find(' ');
  if (start == std::string::npos) return "";
  size_t end = line.find(' ', start + 1);
  return line.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
}

uint64_t info_nodes(const std::vector<std::string>& lines) {
  for (const std::string& l : lines)
    if (starts_with(l, "info nodes ")) return std::strtoull(l.c_str() + 11, nullptr, 10);
  return 0;
}

bool is_start_move(const std::string& m) {
  static const char* moves[] = {"a2a3", "a2a4", "b2b3", "b2b4", "c2c3", "c2c4", "d2d3", "d2d4", "e2e3", "e2e4",
                                "f2f3", "f2f4", "g2g3", "g2g4", "h2h3", "h2h4", "b1a3", "b1c3", "g1f3", "g1h3"};
  for (const char* s : moves)
    if (m == s) return true;
  return false;
}

class SearchThreads : public ::testing::Test {
 protected:
  void start(int threads) {
    ASSERT_TRUE(engine_start(&e, PELION_ENGINE64));
    send("uci");
    std::vector<std::string> lines;
    ASSERT_TRUE(engine_read_until(&e, "uciok", &lines, 20 * SLOW));
    send("setoption name Hash value 16");
    send("setoption name Threads value " + std::to_string(threads));
    ready();
  }
  void TearDown() override {
    if (e.exit_status < 0 && e.pid > 0) {
      send("quit");
      if (engine_wait(&e, 10 * SLOW) < 0) engine_kill(&e);
    }
    // Any report of the thread checker is a failure.
    EXPECT_EQ(engine_stderr(&e).find("ThreadSanitizer"), std::string::npos) << engine_stderr(&e);
  }
  void send(const std::string& line) {
    if (starts_with(line, "go")) ++searches;
    engine_send(&e, line);
  }
  // Everything up to readyok; no answer may come out of turn.
  void ready() {
    send("isready");
    std::vector<std::string> lines;
    ASSERT_TRUE(engine_read_until(&e, "readyok", &lines, 30 * SLOW));
    for (const std::string& l : lines) EXPECT_FALSE(starts_with(l, "bestmove")) << l;
  }
  std::vector<std::string> until_bestmove(double timeout) {
    std::vector<std::string> lines;
    EXPECT_TRUE(engine_read_until(&e, "bestmove", &lines, timeout * SLOW)) << "no bestmove";
    ++answers;
    return lines;
  }
  std::vector<std::string> declarations() {
    send("uci");
    std::vector<std::string> lines;
    EXPECT_TRUE(engine_read_until(&e, "uciok", &lines, 20 * SLOW));
    return lines;
  }
  EngineProcess e;
  int searches = 0, answers = 0;
};

TEST_F(SearchThreads, OptionIsDeclaredAndClamped) {
  start(1);
  // The declaration of Threads in the answer to "uci" (other options follow it).
  auto threads_line = [&]() {
    for (const std::string& line : declarations())
      if (line.rfind("option name Threads ", 0) == 0) return line;
    return std::string();
  };
  EXPECT_EQ(threads_line(), "option name Threads type spin default 1 min 1 max 256");
  send("setoption name Threads value 0");
  EXPECT_EQ(threads_line(), "option name Threads type spin default 1 min 1 max 256");
  send("setoption name threads value 3");
  EXPECT_EQ(threads_line(), "option name Threads type spin default 3 min 1 max 256");
#ifndef PELION_TSAN_ENGINE
  send("setoption name Threads value 100000");
  EXPECT_EQ(threads_line(), "option name Threads type spin default 256 min 1 max 256");
  send("position startpos");
  send("go depth 4");
  EXPECT_TRUE(is_start_move(best_move_of(until_bestmove(60).back())));
#endif
  send("setoption name Threads value 2");
  EXPECT_EQ(threads_line(), "option name Threads type spin default 2 min 1 max 256");
}

TEST_F(SearchThreads, EveryWayASearchEndsGivesOneAnswer) {
  start(3);
  send("position startpos");
  send("go depth 7");
  std::vector<std::string> lines = until_bestmove(60);
  EXPECT_TRUE(is_start_move(best_move_of(lines.back()))) << lines.back();
  EXPECT_GT(info_nodes(lines), 0u);

  // "isready" is answered during the search; "stop" ends it.
  send("go infinite");
  usleep(300000);
  ready();
  send("stop");
  EXPECT_TRUE(is_start_move(best_move_of(until_bestmove(10).back())));

  // A ponder search ignores the clock until "ponderhit", then keeps to it.
  send("position startpos moves e2e4 e7e5");
  send("go ponder wtime 2000 btime 2000");
  usleep(static_cast<useconds_t>(800000 * SLOW));
  ready();
  send("ponderhit");
  EXPECT_FALSE(best_move_of(until_bestmove(10).back()).empty());
  send("go ponder wtime 60000 btime 60000");
  usleep(300000);
  send("stop");
  EXPECT_FALSE(best_move_of(until_bestmove(10).back()).empty());

  // Fewer threads, then more, between searches.
  send("setoption name Threads value 2");
  send("position startpos");
  send("go movetime 300");
  EXPECT_TRUE(is_start_move(best_move_of(until_bestmove(10).back())));
  send("setoption name Threads value 4");
  send("go depth 5 searchmoves a2a3 h2h3");
  std::string restricted = best_move_of(until_bestmove(60).back());
  EXPECT_TRUE(restricted == "a2a3" || restricted == "h2h3") << restricted;

  // The budget of "go nodes" counts the nodes of every thread.
  send("go nodes 40000");
  lines = until_bestmove(60);
  EXPECT_GT(info_nodes(lines), 0u);
  EXPECT_LE(info_nodes(lines), 40000u + 20000u);

  ready();
  EXPECT_EQ(answers, searches);

  // "quit" in the middle of a search ends the process at once.
  send("go infinite");
  usleep(300000);
  send("quit");
  EXPECT_EQ(engine_wait(&e, 10 * SLOW), 0);
  std::string line;
  while (engine_read_line(&e, &line, 0.5)) EXPECT_FALSE(starts_with(line, "bestmove")) << line;
}

TEST_F(SearchThreads, OneThreadAgainIsTheSameEngine) {
  // A deterministic search counts the same nodes in a fresh engine and in
  // one whose helpers have searched before and are gone.
  auto deterministic_nodes = [&]() {
    send("setoption name deterministic value true");
    send("position startpos moves d2d4 g8f6 c2c4 e7e6");
    send("go depth 8");
    return info_nodes(until_bestmove(60));
  };
  start(1);
  uint64_t fresh = deterministic_nodes();
  send("quit");
  EXPECT_EQ(engine_wait(&e, 10 * SLOW), 0);

  e = EngineProcess{};
  start(3);
  send("position startpos");
  send("go depth 8");
  until_bestmove(60);
  send("setoption name Threads value 1");
  EXPECT_EQ(deterministic_nodes(), fresh);
}

}  // namespace
