// Options over the protocol: the declarations, "setoption" and its answers,
// the opening book in play, and the log.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/engine_process.h"

namespace {

const std::vector<std::string> DEFAULT_OPTIONS = {
    "option name Ponder type check default true",
    "option name Hash type spin default 64 min 0 max 4096",
    "option name OwnBook type check default true",
    "option name MultiPV type spin default 1 min 1 max 99",
    "option name Book File type string default pelion.bin",
    "option name use lmr type check default true",
    "option name null move pruning type check default true",
    "option name deterministic type check default false",
    "option name Best Line type check default true",
    "option name King Safety Aggressiveness type spin default 6 min 0 max 10",
    "option name move overhead milliseconds type spin default 20 min 0 max 30000",
    "option name Drawscore type spin default -5 min -50 max 50",
    "option name Threads type spin default 1 min 1 max 256",
    "option name Clear Hash type button",
    "option name UCI_Chess960 type check default false",
    "option name UCI_LimitStrength type check default false",
    "option name UCI_Elo type spin default 1500 min 1350 max 2850",
    "option name UCI_ShowWDL type check default false",
    "option name SyzygyPath type string default <empty>",
    "option name SyzygyProbeDepth type spin default 1 min 1 max 100",
    "option name Syzygy50MoveRule type check default true",
    "option name SyzygyProbeLimit type spin default 7 min 0 max 7",
    "option name Use NNUE type check default false",
    "option name EvalFile type string default <embedded>",
};

std::vector<std::string> uci_answer(EngineProcess* e) {
  engine_send(e, "uci");
  std::vector<std::string> lines;
  EXPECT_TRUE(engine_read_until(e, "uciok", &lines, 20));
  return lines;
}

// Sends a line and reads one answer line.
std::string answer(EngineProcess* e, const std::string& line) {
  engine_send(e, line);
  std::string out;
  EXPECT_TRUE(engine_read_line(e, &out, 20)) << line;
  return out;
}

// Sends isready and checks that nothing else was said before readyok.
void expect_silence(EngineProcess* e) { EXPECT_EQ(answer(e, "isready"), "readyok"); }

std::string read_file(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string temp_dir() {
  char dir[] = "/tmp/pelion-e2e-XXXXXX";
  return mkdtemp(dir) ? dir : "/tmp";
}

void copy_file(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  std::ofstream out(to, std::ios::binary);
  out << in.rdbuf();
}

}  // namespace

TEST(Options, UciAnswerIsNameAuthorOptionsUciok) {
  EngineProcess e;
  ASSERT_TRUE(engine_start(&e, PELION_ENGINE64));
  std::vector<std::string> lines = uci_answer(&e);
  ASSERT_EQ(lines.size(), DEFAULT_OPTIONS.size() + 3);
  EXPECT_EQ(lines[0], "id name Pelion64 3");
  EXPECT_EQ(lines[1], "id author Aldebrand, Castelmor");
  for (size_t i = 0; i < DEFAULT_OPTIONS.size(); ++i) EXPECT_EQ(lines[2 + i], DEFAULT_OPTIONS[i]);
  EXPECT_EQ(lines.back(), "uciok");
  engine_send(&e, "quit");
  EXPECT_EQ(engine_wait(&e, 20), 0);
}

TEST(Options, SetoptionAnswersAndNewDefaults) {
  EngineProcess e;
  ASSERT_TRUE(engine_start(&e, PELION_ENGINE64));
  EXPECT_EQ(answer(&e, "setoption name Hash value 128"), "info string Hash table size is now 128 meg");
  EXPECT_EQ(answer(&e, "setoption name hash value 16"), "info string Hash table size is now 16 meg");
  EXPECT_EQ(answer(&e, "setoption name HASH value 0"), "info string Hash tables turned OFF");
  EXPECT_EQ(answer(&e, "setoption name use lmr value maybe"), "info string maybe not recognized as checkbox argument");
  EXPECT_EQ(answer(&e, "setoption name UCI_Chess961 value true"), "info string uci_chess961 not recognized");
  EXPECT_EQ(answer(&e, "setoption name UCI_Chess960 value yes"), "info string yes not recognized as checkbox argument");
  engine_send(&e, "setoption name UCI_Chess960 value true");
  // Spin values are clamped to their advertised range.
  engine_send(&e, "setoption name Drawscore value 500");
  engine_send(&e, "setoption name move overhead milliseconds value -99999");
  engine_send(&e, "setoption name MultiPV value 3");
  engine_send(&e, "setoption name deterministic value TRUE");
  engine_send(&e, "setoption name ownbook value false");
  engine_send(&e, "setoption name King Safety Aggressiveness value 0");
  engine_send(&e, "setoption name Ponder value false");
  engine_send(&e, "setoption name UCI_LimitStrength value true");
  engine_send(&e, "setoption name UCI_Elo value 99999");
  engine_send(&e, "setoption name UCI_ShowWDL value true");
  expect_silence(&e);
  std::vector<std::string> lines = uci_answer(&e);
  ASSERT_EQ(lines.size(), DEFAULT_OPTIONS.size() + 3);
  EXPECT_EQ(lines[2], "option name Ponder type check default true");  // always true
  EXPECT_EQ(lines[3], "option name Hash type spin default 0 min 0 max 4096");
  EXPECT_EQ(lines[4], "option name OwnBook type check default false");
  EXPECT_EQ(lines[5], "option name MultiPV type spin default 3 min 1 max 99");
  EXPECT_EQ(lines[7], "option name use lmr type check default true");
  EXPECT_EQ(lines[9], "option name deterministic type check default true");
  EXPECT_EQ(lines[11], "option name King Safety Aggressiveness type spin default 0 min 0 max 10");
  EXPECT_EQ(lines[12], "option name move overhead milliseconds type spin default 0 min 0 max 30000");
  EXPECT_EQ(lines[13], "option name Drawscore type spin default 50 min -50 max 50");
  EXPECT_EQ(lines[16], "option name UCI_Chess960 type check default true");
  EXPECT_EQ(lines[17], "option name UCI_LimitStrength type check default true");
  EXPECT_EQ(lines[18], "option name UCI_Elo type spin default 2850 min 1350 max 2850");
  EXPECT_EQ(lines[19], "option name UCI_ShowWDL type check default true");
  engine_send(&e, "setoption name MultiPV value 0");
  engine_send(&e, "setoption name King Safety Aggressiveness value 99999999999");
  engine_send(&e, "setoption name Drawscore value -99999999999");
  engine_send(&e, "setoption name UCI_Elo value -5");
  lines = uci_answer(&e);
  ASSERT_EQ(lines.size(), DEFAULT_OPTIONS.size() + 3);
  EXPECT_EQ(lines[5], "option name MultiPV type spin default 1 min 1 max 99");
  EXPECT_EQ(lines[11], "option name King Safety Aggressiveness type spin default 10 min 0 max 10");
  EXPECT_EQ(lines[18], "option name UCI_Elo type spin default 1350 min 1350 max 2850");
  EXPECT_EQ(lines[13], "option name Drawscore type spin default -50 min -50 max 50");
  EXPECT_EQ(answer(&e, "setoption name Hash value -7"), "info string Hash tables turned OFF");
  // The engine still searches with the table turned off.
  engine_send(&e, "position startpos");
  engine_send(&e, "go depth 3");
  std::vector<std::string> out;
  EXPECT_TRUE(engine_read_until(&e, "bestmove", &out, 30));
  engine_send(&e, "quit");
  EXPECT_EQ(engine_wait(&e, 20), 0);
}

TEST(Options, BookFileKeepsCaseAndBlanks) {
  EngineProcess e;
  ASSERT_TRUE(engine_start(&e, PELION_ENGINE64));
  EXPECT_EQ(answer(&e, "setoption name Book File value Books/Main.BIN"), "info string book file is Books/Main.BIN");
  EXPECT_EQ(answer(&e, "setoption name book file value My Books/Opening Repertoire.bin"),
            "info string book file is My Books/Opening Repertoire.bin");
  std::vector<std::string> lines = uci_answer(&e);
  ASSERT_EQ(lines.size(), DEFAULT_OPTIONS.size() + 3);
  EXPECT_EQ(lines[6], "option name Book File type string default My Books/Opening Repertoire.bin");
  engine_send(&e, "quit");
  EXPECT_EQ(engine_wait(&e, 20), 0);
}

TEST(Options, BookMoveAnswersAtOnceWithoutASearch) {
  std::string dir = temp_dir();
  std::string book = dir + "/Opening Book.bin";
  copy_file(std::string(PELION_TEST_DATA_DIR) + "/book-small.bin", book);
  EngineProcess e;
  ASSERT_TRUE(engine_start(&e, PELION_ENGINE64));
  EXPECT_EQ(answer(&e, "setoption name Book File value " + book), "info string book file is " + book);
  // After 1.e4 e5 2.Nf3 Nc6 the book has Bb5 and Bc4 tied at the top.
  engine_send(&e, "position startpos moves e2e4 e7e5 g1f3 b8c6");
  engine_send(&e, "go wtime 60000 btime 60000");
  std::vector<std::string> lines;
  ASSERT_TRUE(engine_read_until(&e, "bestmove", &lines, 20));
  for (const std::string& l : lines) EXPECT_EQ(l.rfind("info depth", 0), std::string::npos) << l;
  const std::string& best = lines.back();
  EXPECT_TRUE(best == "bestmove f1b5" || best == "bestmove f1c4") << best;
  // Out of book the engine searches.
  engine_send(&e, "position startpos moves a2a3 h7h6 h2h3");
  engine_send(&e, "go depth 2");
  lines.clear();
  ASSERT_TRUE(engine_read_until(&e, "bestmove", &lines, 20));
  EXPECT_EQ(lines.front(), "info depth 1");
  engine_send(&e, "quit");
  EXPECT_EQ(engine_wait(&e, 20), 0);
  std::remove(book.c_str());
  rmdir(dir.c_str());
}

TEST(Options, LogHoldsInputRootDumpAndSearchTable) {
  std::string dir = temp_dir();
  std::string log = dir + "/engine.log";
  EngineProcess e;
  ASSERT_TRUE(engine_start(&e, PELION_ENGINE64, {"-log", log}));
  engine_send(&e, "position fen 4k3/8/8/8/8/8/4P3/4K3 b - - moves e8d7");
  engine_send(&e, "go depth 4");
  std::vector<std::string> lines;
  ASSERT_TRUE(engine_read_until(&e, "bestmove", &lines, 30));
  engine_send(&e, "quit");
  EXPECT_EQ(engine_wait(&e, 20), 0);
  std::string text = read_file(log);
  EXPECT_NE(text.find("uci -> go depth 4\n"), std::string::npos);
  // The root position: White to move after one Black move from a Black-to-move FEN.
  EXPECT_NE(text.find("-----[ CTM = 2   INCHECK = 0   last: null e8d7   rights: -]-----"), std::string::npos);
  EXPECT_NE(text.find("\n - - - - - - - -\n - - - k - - - -\n"), std::string::npos);
  EXPECT_NE(text.find("\n - - - - P - - -\n - - - - K - - -\n\n"), std::string::npos);
  EXPECT_NE(text.find("DEPTH      TIME         NODES      KNPS    SCORE   PRINCIPAL VARIATION"), std::string::npos);
  EXPECT_NE(text.find("\n    4  "), std::string::npos);
  EXPECT_NE(text.find(lines.back()), std::string::npos);  // the bestmove line
  std::remove(log.c_str());
  rmdir(dir.c_str());
}

TEST(Options, EvaluationWeightChangeLeavesNoStaleScores) {
  // After a weight changes, a deterministic search counts what it counts in
  // a fresh engine: no score cached under the old weights is used.
  auto nodes_of_search = [](bool search_first) {
    EngineProcess e;
    EXPECT_TRUE(engine_start(&e, PELION_ENGINE64));
    std::vector<std::string> lines;
    engine_send(&e, "position startpos moves d2d4 g8f6 c2c4 e7e6");
    if (search_first) {
      engine_send(&e, "go depth 8");
      EXPECT_TRUE(engine_read_until(&e, "bestmove", &lines, 30));
    }
    engine_send(&e, "setoption name King Safety Aggressiveness value 0");
    engine_send(&e, "setoption name deterministic value true");
    engine_send(&e, "go depth 8");
    lines.clear();
    EXPECT_TRUE(engine_read_until(&e, "bestmove", &lines, 30));
    engine_send(&e, "quit");
    EXPECT_EQ(engine_wait(&e, 20), 0);
    return lines.size() >= 2 ? lines[lines.size() - 2] : "";
  };
  std::string fresh = nodes_of_search(false);
  EXPECT_EQ(fresh.rfind("info nodes ", 0), 0u) << fresh;
  EXPECT_EQ(nodes_of_search(true), fresh);
}

TEST(Options, MoveOverheadOutOfRangeCannotStretchTheMove) {
  // -99999 would add 100 seconds to every goal; it reads as 0.
  EngineProcess e;
  ASSERT_TRUE(engine_start(&e, PELION_ENGINE64));
  engine_send(&e, "setoption name move overhead milliseconds value -99999");
  engine_send(&e, "position startpos");
  double begin = monotonic_seconds();
  engine_send(&e, "go wtime 10000 btime 10000");
  std::vector<std::string> lines;
  ASSERT_TRUE(engine_read_until(&e, "bestmove", &lines, 20));
  EXPECT_LT(monotonic_seconds() - begin, 2.0);
  engine_send(&e, "quit");
  EXPECT_EQ(engine_wait(&e, 20), 0);
}

TEST(Options, UnreadableBookFileMeansNoBook) {
  std::string dir = temp_dir();
  std::string garbage = dir + "/garbage.bin";
  {
    std::ofstream out(garbage, std::ios::binary);
    for (int i = 0; i < 4096; ++i) out.put(static_cast<char>((i * 7919) % 251));
  }
  std::string empty = dir + "/empty.bin";
  std::ofstream(empty).close();
  EngineProcess e;
  ASSERT_TRUE(engine_start(&e, PELION_ENGINE64));
  for (const std::string& path : {dir, garbage, empty}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(answer(&e, "setoption name Book File value " + path), "info string book file is " + path);
    std::string note;
    ASSERT_TRUE(engine_read_line(&e, &note, 20));
    EXPECT_EQ(note, "info string book file " + path + " cannot be read as a book: playing without a book");
    // The search goes on without a book.
    engine_send(&e, "position startpos");
    engine_send(&e, "go depth 2");
    std::vector<std::string> lines;
    ASSERT_TRUE(engine_read_until(&e, "bestmove", &lines, 20));
    EXPECT_EQ(lines.front(), "info depth 1");
  }
  // A name that names nothing stays silent, as before.
  EXPECT_EQ(answer(&e, "setoption name Book File value " + dir + "/missing.bin"),
            "info string book file is " + dir + "/missing.bin");
  expect_silence(&e);
  engine_send(&e, "quit");
  EXPECT_EQ(engine_wait(&e, 20), 0);
  std::remove(garbage.c_str());
  std::remove(empty.c_str());
  rmdir(dir.c_str());
}

// Hash sizes that memory cannot hold fall back to the largest power of two
// that it can.  A capped address space plays the small machine.
TEST(Options, HashFallsBackToWhatMemoryAllows) {
#ifdef PELION_SANITIZED_ENGINE
  GTEST_SKIP() << "the sanitizers reserve more address space than the cap allows";
#endif
  EngineProcess e;
  ASSERT_TRUE(engine_start(&e, PELION_ENGINE64, {}, "", size_t{400} << 20));
  std::string line = answer(&e, "setoption name Hash value 2048");
  const std::string prefix = "info string Hash table size is now ";
  ASSERT_EQ(line.rfind(prefix, 0), 0u) << line;
  int megabytes = std::atoi(line.c_str() + prefix.size());
  EXPECT_GE(megabytes, 1);
  EXPECT_LT(megabytes, 400);
  EXPECT_EQ(megabytes & (megabytes - 1), 0) << megabytes;  // a power of two
  EXPECT_EQ(line, prefix + std::to_string(megabytes) + " meg (2048 meg could not be allocated)");
  std::vector<std::string> lines = uci_answer(&e);
  ASSERT_EQ(lines.size(), DEFAULT_OPTIONS.size() + 3);
  EXPECT_EQ(lines[3], "option name Hash type spin default " + std::to_string(megabytes) + " min 0 max 4096");
  // A size that fits is answered as always, and the engine searches.
  EXPECT_EQ(answer(&e, "setoption name Hash value 16"), "info string Hash table size is now 16 meg");
  engine_send(&e, "go depth 3");
  EXPECT_TRUE(engine_read_until(&e, "bestmove", nullptr, 30));
  engine_send(&e, "quit");
  EXPECT_EQ(engine_wait(&e, 20), 0);

  // The default table at start-up, in an address space too small for it.
  ASSERT_TRUE(engine_start(&e, PELION_ENGINE64, {}, "", size_t{60} << 20));
  expect_silence(&e);
  EXPECT_NE(engine_stderr(&e).find(" meg (64 meg could not be allocated)\n"), std::string::npos) << engine_stderr(&e);
  engine_send(&e, "quit");
  EXPECT_EQ(engine_wait(&e, 20), 0);
}

TEST(Options, SyzygyPathAnswersWhatWasFound) {
  const std::string tables = PELION_SYZYGY_TEST_DIR;
  if (access((tables + "/KQvK.rtbw").c_str(), R_OK) != 0) GTEST_SKIP() << "no tables in " << tables;
  EngineProcess e;
  ASSERT_TRUE(engine_start(&e, PELION_ENGINE64));
#ifdef PELION_ENGINE64_SYZYGY
  EXPECT_EQ(answer(&e, "setoption name SyzygyPath value " + tables), "info string found 35 tablebases (up to 4 men)");
  EXPECT_EQ(answer(&e, "setoption name SyzygyPath value /nonexistent"),
            "info string no tablebases found: /nonexistent cannot be read (No such file or directory)");
  // The engine plays on, and the path shows as the option's value.
  engine_send(&e, "setoption name SyzygyProbeLimit value 99");
  engine_send(&e, "setoption name Syzygy50MoveRule value false");
  EXPECT_EQ(answer(&e, "setoption name SyzygyPath value " + tables), "info string found 35 tablebases (up to 4 men)");
  std::vector<std::string> lines = uci_answer(&e);
  ASSERT_EQ(lines.size(), DEFAULT_OPTIONS.size() + 3);
  EXPECT_EQ(lines[20], "option name SyzygyPath type string default " + tables);
  EXPECT_EQ(lines[22], "option name Syzygy50MoveRule type check default false");
  EXPECT_EQ(lines[23], "option name SyzygyProbeLimit type spin default 7 min 0 max 7");
#else
  EXPECT_EQ(answer(&e, "setoption name SyzygyPath value " + tables),
            "info string tablebases are not available in this build");
#endif
  engine_send(&e, "position fen 8/8/8/8/8/2k5/1R6/3K4 w - - 0 1");
  engine_send(&e, "go depth 3");
  EXPECT_TRUE(engine_read_until(&e, "bestmove", nullptr, 30));
  engine_send(&e, "quit");
  EXPECT_EQ(engine_wait(&e, 20), 0);
#ifdef PELION_ENGINE32
  // The 32-bit program has no prober: it says so and plays on.
  ASSERT_TRUE(engine_start(&e, PELION_ENGINE32));
  EXPECT_EQ(answer(&e, "setoption name SyzygyPath value " + tables),
            "info string tablebases are not available in this build");
  expect_silence(&e);
  engine_send(&e, "quit");
  EXPECT_EQ(engine_wait(&e, 20), 0);
#endif
}

#ifdef PELION_ENGINE32
TEST(Options, HashAtTheAdvertisedMaximumInThe32BitProgram) {
  // A 32-bit process cannot hold 4 GB: it takes what it can and plays on.
  EngineProcess e;
  ASSERT_TRUE(engine_start(&e, PELION_ENGINE32));
  std::string line = answer(&e, "setoption name Hash value 4096");
  EXPECT_NE(line.find(" meg (4096 meg could not be allocated)"), std::string::npos) << line;
  expect_silence(&e);
  engine_send(&e, "quit");
  EXPECT_EQ(engine_wait(&e, 20), 0);
}
#endif

// A network file that cannot be used is refused in one line and the net in
// use stays; the engine plays on, and "<embedded>" brings the built-in net back.
TEST(Options, EvalFileRefusesWhatIsNoNetAndPlaysOn) {
  const std::string dir = temp_dir();
  { std::ofstream(dir + "/short.nnue") << "PLNNUE"; }
  EngineProcess e;
  ASSERT_TRUE(engine_start(&e, PELION_ENGINE64));
  engine_send(&e, "setoption name Use NNUE value true");
  EXPECT_EQ(answer(&e, "setoption name EvalFile value " + dir + "/missing.nnue").rfind("info string EvalFile cannot be used: ", 0), 0u);
  const std::string refused = answer(&e, "setoption name EvalFile value " + dir + "/short.nnue");
  EXPECT_EQ(refused.rfind("info string EvalFile cannot be used: ", 0), 0u) << refused;
  EXPECT_NE(refused.find("the net in use stays <embedded>"), std::string::npos) << refused;
  EXPECT_EQ(answer(&e, "setoption name EvalFile value " + dir).rfind("info string EvalFile cannot be used: ", 0), 0u);
  engine_send(&e, "position startpos moves e2e4");
  engine_send(&e, "go depth 4");
  EXPECT_TRUE(engine_read_until(&e, "bestmove", nullptr, 30));
  EXPECT_EQ(answer(&e, "setoption name EvalFile value <embedded>"), "info string EvalFile <embedded> loaded");
  engine_send(&e, "quit");
  EXPECT_EQ(engine_wait(&e, 20), 0);
}
