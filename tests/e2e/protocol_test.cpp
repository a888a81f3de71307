// The real programs over pipes: identity, the basic exchange, start-up
// switches and the log.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/engine_process.h"

namespace {

struct Program {
  const char* path;
  const char* name_line;
  const char* banner;
};

std::vector<Program> programs() {
  std::vector<Program> list = {
      {PELION_ENGINE64, "id name Pelion64 3", "Pelion version 3\n"},
      {PELION_ENGINE64_POPCNT, "id name Pelion64 3", "Pelion version 3\n"},
  };
#ifdef PELION_ENGINE32
  list.push_back({PELION_ENGINE32, "id name Pelion32 3 32bit", "Pelion version 3 32bit\n"});
#endif
  return list;
}

const char* USAGE_TAIL =
    " {options} \n\n  -log FILE      log file name\n  -help          display this help message\n\n";

}  // namespace

TEST(Protocol, UciIsreadyQuitForEveryProgram) {
  for (const Program& p : programs()) {
    SCOPED_TRACE(p.path);
    EngineProcess e;
    ASSERT_TRUE(engine_start(&e, p.path));
    engine_send(&e, "uci");
    std::vector<std::string> lines;
    ASSERT_TRUE(engine_read_until(&e, "uciok", &lines, 20));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], p.name_line);
    EXPECT_EQ(lines[1], "id author Aldebrand, Castelmor");
    EXPECT_EQ(lines.back(), "uciok");
    engine_send(&e, "isready");
    std::string line;
    ASSERT_TRUE(engine_read_line(&e, &line, 20));
    EXPECT_EQ(line, "readyok");
    engine_send(&e, "quit");
    EXPECT_EQ(engine_wait(&e, 20), 0);
    // The banner goes to standard error, never to standard output.
    EXPECT_EQ(engine_stderr(&e), p.banner);
    for (const std::string& l : lines) EXPECT_EQ(l.find("version"), std::string::npos);
  }
}

TEST(Protocol, UnknownAndBlankLinesAreIgnoredSilently) {
  EngineProcess e;
  ASSERT_TRUE(engine_start(&e, PELION_ENGINE64));
  engine_send(&e, "");
  engine_send(&e, "   ");
  engine_send(&e, "ucinewgame");
  engine_send(&e, "Position startpos");
  engine_send(&e, "debug on");
  engine_send(&e, "ISREADY");
  engine_send(&e, "stop");
  engine_send(&e, "ponderhit");
  engine_send(&e, "isready\r");
  std::string line;
  ASSERT_TRUE(engine_read_line(&e, &line, 20));
  EXPECT_EQ(line, "readyok");  // the first output is the answer to the last line
  engine_send(&e, "quit");
  EXPECT_EQ(engine_wait(&e, 20), 0);
  EXPECT_EQ(e.out_buffer, "");
}

// A GUI that closes the pipe (or dies) leaves an engine nobody can talk to:
// it must end as on "quit", at once, with status 0 and no "bestmove", idle
// or in any search.  Lines queued before the end are still handled.
TEST(Protocol, EndOfInputEndsTheEngineAsQuitDoes) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    const char* last_answer;  // the answer to read before the input ends
  };
  const std::vector<Case> cases = {
      {"idle", {"isready"}, "readyok"},
      {"go infinite", {"position startpos", "go infinite", "isready"}, "readyok"},
      {"go ponder", {"position startpos moves e2e4 e7e5", "go ponder wtime 1000 btime 1000", "isready"}, "readyok"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EngineProcess e;
    ASSERT_TRUE(engine_start(&e, PELION_ENGINE64));
    for (const std::string& line : c.lines) engine_send(&e, line);
    std::vector<std::string> lines;
    ASSERT_TRUE(engine_read_until(&e, c.last_answer, &lines, 20));
    usleep(300000);  // a search is well under way
    double begin = monotonic_seconds();
    engine_close_input(&e);
    EXPECT_EQ(engine_wait(&e, 5), 0);
    EXPECT_LT(monotonic_seconds() - begin, 0.5);
    std::string line;
    while (engine_read_line(&e, &line, 1)) lines.push_back(line);
    for (const std::string& l : lines) EXPECT_EQ(l.rfind("bestmove", 0), std::string::npos) << l;
  }
  // The self-test runs on without input.
  RunResult r = run_program(PELION_ENGINE64, {"-makeTestData"}, 0.5);
  EXPECT_EQ(r.status, -1);
}

// A placement must be eight ranks of eight squares; anything else is fatal.
TEST(Protocol, UnsoundPlacementsEndTheEngine) {
  for (const char* fen : {"8/8/8/8/8/8/8/4K2k/8/8/8 w - -", "8/8/8/8/8/8/4K2k w - -", "4K2k3/8/8/8/8/8/8/8 w - -"}) {
    SCOPED_TRACE(fen);
    EngineProcess e;
    ASSERT_TRUE(engine_start(&e, PELION_ENGINE64));
    engine_send(&e, std::string("position fen ") + fen);
    engine_send(&e, "go depth 3");
    EXPECT_EQ(engine_wait(&e, 20), 1);
    EXPECT_NE(engine_stderr(&e).find(std::string("Error in fen \"") + fen + "\""), std::string::npos)
        << engine_stderr(&e);
    EXPECT_EQ(e.out_buffer.find("bestmove"), std::string::npos);
  }
}

TEST(Protocol, HelpPrintsOnlyTheUsage) {
  RunResult r = run_program(PELION_ENGINE64, {"-help"}, 20);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, std::string("\nusage: ") + PELION_ENGINE64 + USAGE_TAIL);
}

TEST(Protocol, CommandLineErrorsEndWithStatus255) {
  RunResult r = run_program(PELION_ENGINE64, {"--test"}, 20);
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, std::string("Error. option --test not found.\n\nusage: ") + PELION_ENGINE64 + USAGE_TAIL);
  r = run_program(PELION_ENGINE64, {"test"}, 20);
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err.rfind("Error in command line processing.  option expected at argument 1\n", 0), 0u);
  r = run_program(PELION_ENGINE64, {"-log"}, 20);
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err.rfind("Error.  No argument.\n", 0), 0u);
}

TEST(Protocol, LogFileEchoesInput) {
  char dir_template[] = "/tmp/pelion-log-XXXXXX";
  ASSERT_NE(mkdtemp(dir_template), nullptr);
  std::string log = std::string(dir_template) + "/engine.log";
  EngineProcess e;
  ASSERT_TRUE(engine_start(&e, PELION_ENGINE64, {"-log", log, "-quiet", "-pgn", "-cpu", "1"}));
  engine_send(&e, "isready");
  engine_send(&e, "quit");
  EXPECT_EQ(engine_wait(&e, 20), 0);
  std::ifstream in(log);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("uci -> isready\ncmd = isready\n"), std::string::npos);
  EXPECT_NE(text.str().find("uci -> quit\ncmd = quit\n"), std::string::npos);
  std::remove(log.c_str());
  rmdir(dir_template);
}

TEST(Protocol, UnopenableLogIsIgnored) {
  EngineProcess e;
  ASSERT_TRUE(engine_start(&e, PELION_ENGINE64, {"-log", "/nonexistent-dir/x/engine.log"}));
  engine_send(&e, "isready");
  std::string line;
  ASSERT_TRUE(engine_read_line(&e, &line, 20));
  EXPECT_EQ(line, "readyok");
  engine_send(&e, "quit");
  EXPECT_EQ(engine_wait(&e, 20), 0);
}
