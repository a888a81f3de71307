// A seeded protocol fuzz: random and malformed commands, FENs, move lists,
// option values and very long lines, with "go", "stop", "ponderhit" and
// "isready" interleaved, sent to the engine over pipes.  It fails on a crash,
// a sanitizer report (the sanitized build runs it against the sanitized
// engine), a hang, a missing "readyok", or a search that never answers.  A
// bad FEN may end the engine with status 1; the fuzz then starts a new one.
//
// The size and the seed can be changed for longer runs:
//   PELION_FUZZ_COMMANDS=100000 PELION_FUZZ_SEED=7 e2e_tests --gtest_filter=ProtocolFuzz.*
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tests/support/engine_process.h"

namespace {

constexpr uint32_t DEFAULT_SEED = 20240509;
constexpr int DEFAULT_COMMANDS = 3000;
constexpr double ANSWER_TIMEOUT = 30.0;  // generous: the sanitized engine is slow

int env_int(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : fallback;
}

const std::vector<std::string> FENS = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 3",
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
    "7k/6Q1/6K1/8/8/8/8/8 b - - 0 1",
    "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1",
    "4k3/8/8/8/8/8/8/R3K3 w - - 99 120",
    "8/8/8/4k3/8/8/8/3QK3 w - - 0 1",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
    "6r1/p3p1rk/1p1pPp1p/q3n2R/4P3/3BR2P/PPP2QP1/7K w - - 0 1",
    "8/8/8/8/8/8/1k6/R3K3 w - - 0 1",
};

// clang-format off
const std::vector<std::string> MOVE_WORDS = {
    "e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "g8f6", "e1g1", "e8g8", "d2d4", "d7d5", "c2c4", "e4d5", "a7a8q",
    "b7b8n", "e7e8Q", "E2E4", "e1c1", "h2h4", "a2a3", "e1e2", "e8e7", "0000", "null", "e2e9", "a1a1", "zz",
    "e2e4e5", "e7e8x", "", "-", "moves", "i9j0"};

const std::vector<std::string> NUMBERS = {
    "0", "1", "-1", "2", "5", "20", "100", "2147483647", "2147483648", "-2147483648", "-2147483649",
    "4294967296", "9223372036854775807", "9223372036854775808", "18446744073709551615", "18446744073709551616",
    "99999999999999999999", "-99999999999999999999", "abc", "", "1e9", "0x10", "+5", "--5", "3.5", "-0"};

const std::vector<std::string> OPTION_NAMES = {
    "Hash", "hash", "OwnBook", "MultiPV", "multipv", "Book File", "book file", "use lmr", "null move pruning",
    "deterministic", "Best Line", "King Safety Aggressiveness", "move overhead milliseconds", "Drawscore",
    "Ponder", "UCI_Chess960", "Threads", "Clear Hash", "", "name", "value"};
// clang-format on

class Fuzzer {
 public:
  Fuzzer(uint32_t seed, const std::string& dir) : rng_(seed), dir_(dir) {}

  int below(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }
  bool chance(int percent) { return below(100) < percent; }
  template <typename T>
  const T& pick(const std::vector<T>& v) {
    return v[static_cast<size_t>(below(static_cast<int>(v.size())))];
  }

  std::string random_bytes(int length) {
    std::string s;
    for (int i = 0; i < length; ++i) {
      char c = static_cast<char>(1 + below(255));
      s += c == '\n' ? ' ' : c;
    }
    return s;
  }

  std::string number() { return chance(70) ? pick(NUMBERS) : std::to_string(static_cast<int>(rng_() % 20000) - 100); }

  // A FEN, sound or damaged in one of many ways.
  std::string fen() {
    std::string f = pick(FENS);
    switch (below(24)) {
      case 0:  // a character changed
        f[static_cast<size_t>(below(static_cast<int>(f.size())))] = "pnbrqkPNBRQK12345678/ -wbKQkqxe3"[below(32)];
        break;
      case 1:  // a character removed
        f.erase(static_cast<size_t>(below(static_cast<int>(f.size()))), 1);
        break;
      case 2:  // a character added
        f.insert(static_cast<size_t>(below(static_cast<int>(f.size()))), 1, "pnbrqkPNBRQK19/ -"[below(17)]);
        break;
      case 3:  // cut short
        f = f.substr(0, static_cast<size_t>(below(static_cast<int>(f.size()) + 1)));
        break;
      case 4:  // odd counters
        f = f.substr(0, f.rfind(' ', f.rfind(' ') - 1)) + " " + number() + " " + number();
        break;
      case 5:  // odd en-passant field
        f = f.substr(0, f.find(' ', f.find(' ', f.find(' ') + 1) + 1)) + " " + pick(MOVE_WORDS).substr(0, 2);
        break;
      case 6:
        f = random_bytes(1 + below(80));
        break;
      default:
        break;  // sound
    }
    return f;
  }

  std::string moves(bool long_list) {
    std::string s = " moves";
    if (long_list) {
      int repeats = 1 + below(700);
      for (int i = 0; i < repeats; ++i) s += " g1f3 g8f6 f3g1 f6g8";
    } else {
      int n = below(12);
      for (int i = 0; i < n; ++i) s += " " + pick(MOVE_WORDS);
    }
    return s;
  }

  std::string position() {
    switch (below(30)) {
      case 0:
        return "position";
      case 1:
        return "position fen";
      case 2:
        return "position " + pick(MOVE_WORDS);  // neither fen nor startpos: fatal
      case 3:
      case 4:
      case 5:
        return "position startpos" + moves(chance(15));
      default:
        return "position fen " + fen() + (chance(50) ? moves(chance(5)) : "");
    }
  }

  std::string option_value(const std::string& name) {
    if (name == "Hash" || name == "hash") {
      // Only small tables: a GUI may well ask for 4096 MB, but the fuzz
      // should not make the machine hand out gigabytes.
      const std::vector<std::string> sizes = {"-5", "0", "1", "2", "3", "8", "16", "x", ""};
      return pick(sizes);
    }
    if (name == "Threads") {
      // A few helpers only: hundreds of threads on two cores would only
      // make the fuzz slow.
      const std::vector<std::string> counts = {"-1", "0", "1", "2", "3", "x", ""};
      return pick(counts);
    }
    if (name == "Book File" || name == "book file") {
      const std::vector<std::string> books = {"",
                                              "pelion.bin",
                                              "/nonexistent/x.bin",
                                              dir_,
                                              dir_ + "/garbage.bin",
                                              dir_ + "/book.bin",
                                              dir_ + "/empty.bin",
                                              std::string(5000, 'b'),
                                              "a b  c"};
      return pick(books);
    }
    switch (below(4)) {
      case 0:
        return chance(50) ? "true" : "false";
      case 1:
        return random_bytes(below(30));
      default: {
        std::string value = number();
        if (chance(20)) value.append(" ").append(number());
        return value;
      }
    }
  }

  std::string setoption() {
    std::string name = chance(90) ? pick(OPTION_NAMES) : random_bytes(below(20));
    std::string line = "setoption";
    if (chance(95)) line += " name " + name;
    if (chance(90)) line += " value " + option_value(name);
    return line;
  }

  std::string go() {
    static const std::vector<std::string> keywords = {"wtime", "btime", "winc",     "binc",   "movestogo",   "movetime",
                                                      "depth", "nodes", "infinite", "ponder", "searchmoves", "mate"};
    std::string line = "go";
    int n = below(6);
    for (int i = 0; i < n; ++i) {
      const std::string& k = pick(keywords);
      line += " " + k;
      if (k == "searchmoves") {
        for (int m = below(4); m > 0; --m) line += " " + pick(MOVE_WORDS);
      } else if (k != "infinite" && k != "ponder" && chance(92)) {
        // Mostly short searches; a long one is ended by the next "stop".
        line.append(" ").append(chance(60) ? std::to_string(below(k == "nodes"   ? 20000
                                                                  : k == "depth" ? 6
                                                                                 : 200))
                                           : number());
      }
    }
    return line;
  }

  // Anything else a GUI, a user or line noise may send.
  std::string other() {
    switch (below(14)) {
      case 0:
        return "uci";
      case 1:
        return "ucinewgame";
      case 2:
        return "debug on";
      case 3:
        return "";
      case 4:
        return " \t  ";
      case 5:
        return std::string(100 + below(20000), 'x');
      case 6:
        // Read in pieces: the last one is "isready" after blanks.
        return std::string(9000 + below(100), ' ') + "isready";
      case 7:
        return random_bytes(1 + below(300));
      case 8:
        return "ISREADY";
      case 9:
        return "register later";
      case 10:
        return "stop";
      case 11:
        return "ponderhit";
      case 12:
        return "isready\r";
      default:
        return "\tisready  ";
    }
  }

  std::mt19937 rng_;
  std::string dir_;
};

// How many "isready" commands a line makes: a line longer than one read
// (8190 characters) reaches the interpreter in pieces, each a line of its
// own, cut at its first line end, its first word the command.
int isready_count(const std::string& line) {
  constexpr size_t PIECE = 8190;
  int count = 0;
  for (size_t at = 0; at == 0 || at < line.size(); at += PIECE) {
    std::string piece = line.substr(at, PIECE);
    piece = piece.substr(0, piece.find_first_of("\f\r"));
    size_t begin = piece.find_first_not_of(" \t");
    if (begin != std::string::npos && piece.substr(begin, piece.find_first_of(" \t", begin) - begin) == "isready")
      ++count;
  }
  return count;
}

bool has_sanitizer_report(const std::string& err) {
  return err.find("runtime error:") != std::string::npos || err.find("Sanitizer") != std::string::npos;
}

bool is_fatal_input_message(const std::string& err) {
  return err.find("Error in fen \"") != std::string::npos || err.find("Error in ctm for fen \"") != std::string::npos ||
         err.find("Error here!") != std::string::npos;
}

bool is_bestmove_line(const std::string& line) {
  // "bestmove MOVE" or "bestmove MOVE ponder MOVE", moves in coordinate text.
  auto is_move = [](const std::string& m) {
    if (m == "0000") return true;
    if (m.size() != 4 && m.size() != 5) return false;
    return m[0] >= 'a' && m[0] <= 'h' && m[1] >= '1' && m[1] <= '8' && m[2] >= 'a' && m[2] <= 'h' && m[3] >= '1' &&
           m[3] <= '8' && (m.size() == 4 || std::string("qrbn").find(m[4]) != std::string::npos);
  };
  if (line.rfind("bestmove ", 0) != 0) return false;
  std::string rest = line.substr(9);
  size_t blank = rest.find(' ');
  if (blank == std::string::npos) return is_move(rest);
  return is_move(rest.substr(0, blank)) && rest.compare(blank, 8, " ponder ") == 0 && is_move(rest.substr(blank + 8));
}

}  // namespace

TEST(ProtocolFuzz, RandomAndMalformedInput) {
  const uint32_t seed = static_cast<uint32_t>(env_int("PELION_FUZZ_SEED", static_cast<int>(DEFAULT_SEED)));
  const int budget = env_int("PELION_FUZZ_COMMANDS", DEFAULT_COMMANDS);
  std::printf("protocol fuzz: seed %u, %d commands\n", seed, budget);

  char dir_template[] = "/tmp/pelion-fuzz-XXXXXX";
  ASSERT_NE(mkdtemp(dir_template), nullptr);
  const std::string dir = dir_template;
  {
    std::ofstream garbage(dir + "/garbage.bin", std::ios::binary);
    for (int i = 0; i < 1000; ++i) garbage.put(static_cast<char>(i * 31));
    std::ofstream(dir + "/empty.bin").close();
    std::ifstream book_in(std::string(PELION_TEST_DATA_DIR) + "/book-small.bin", std::ios::binary);
    std::ofstream book_out(dir + "/book.bin", std::ios::binary);
    book_out << book_in.rdbuf();
  }

  Fuzzer fuzz(seed, dir);
  EngineProcess e;
  int sent = 0, rounds = 0, restarts = 0, fatal_inputs = 0, searches = 0;
  std::string trace;  // the lines of the current engine's life, for the failure message
  auto send = [&](const std::string& line) {
    engine_send(&e, line);
    ++sent;
    trace += (line.size() > 200 ? line.substr(0, 200) + "...[" + std::to_string(line.size()) + " chars]" : line) + "\n";
    if (trace.size() > 20000) trace.erase(0, trace.size() - 20000);
  };
  auto start = [&]() {
    e = EngineProcess{};
    trace.clear();
    ASSERT_TRUE(engine_start(&e, PELION_ENGINE64, {}, dir));
  };
  start();

  while (sent < budget && !HasFatalFailure()) {
    ++rounds;
    // One round: a few commands with at most one "go", so that the
    // checkpoint below knows how many answers to expect.
    int isready_sent = 0;
    bool go_sent = false, ended = false, end_of_input = false;
    int n = 1 + fuzz.below(8);
    for (int i = 0; i < n && !ended; ++i) {
      int kind = fuzz.below(100);
      if (kind < 20) {
        send(fuzz.position());
      } else if (kind < 38) {
        send(fuzz.setoption());
      } else if (kind < 58 && !go_sent) {
        send(fuzz.go());
        go_sent = true;
        ++searches;
      } else if (kind < 68) {
        send("isready");
        ++isready_sent;
      } else if (kind < 98) {
        std::string line = fuzz.other();
        send(line);
        isready_sent += isready_count(line);
      } else if (fuzz.chance(50)) {
        send("quit");
        ended = true;
      } else {
        engine_close_input(&e);
        ended = end_of_input = true;
      }
    }
    if (!ended) {
      // Checkpoint: any search ends, and every "isready" is answered; the
      // second "isready" comes only after the search has answered.
      send("stop");
      send("isready");
      send("isready");
      isready_sent += 2;
    }

    // Read the answers; the engine may also have ended on a fatal input.
    int readyok = 0, bestmoves = 0;
    std::string line;
    bool answered = true;
    while (readyok < isready_sent || ended) {
      if (!engine_read_line(&e, &line, ANSWER_TIMEOUT)) {
        answered = false;
        break;
      }
      if (line == "readyok") ++readyok;
      if (line.rfind("bestmove", 0) == 0) {
        ++bestmoves;
        EXPECT_TRUE(is_bestmove_line(line)) << line << "\nafter:\n" << trace;
      }
    }
    const std::string& err = engine_stderr(&e);
    ASSERT_FALSE(has_sanitizer_report(err)) << err << "\nafter:\n" << trace;
    if (!answered) {
      // Silence: either the engine has ended, or it hangs.
      int status = engine_wait(&e, ended ? 5 : 1);
      const std::string& final_err = engine_stderr(&e);
      ASSERT_FALSE(has_sanitizer_report(final_err)) << final_err << "\nafter:\n" << trace;
      if (ended) {
        ASSERT_TRUE(status == 0 || (status == 1 && is_fatal_input_message(final_err)))
            << "status " << status << (end_of_input ? " at the end of input" : " after quit") << "\n"
            << final_err << "\nafter:\n"
            << trace;
      } else {
        ASSERT_NE(status, -1) << "no readyok within " << ANSWER_TIMEOUT << " s (a hang)\nafter:\n" << trace;
        ASSERT_EQ(status, 1) << final_err << "\nafter:\n" << trace;
        ASSERT_TRUE(is_fatal_input_message(final_err)) << final_err << "\nafter:\n" << trace;
        ++fatal_inputs;
      }
      ++restarts;
      start();
      continue;
    }
    ASSERT_LE(bestmoves, 1) << "after:\n" << trace;
    ASSERT_EQ(bestmoves, go_sent ? 1 : 0) << "a search that never answered\nafter:\n" << trace;
  }
  send("quit");
  EXPECT_EQ(engine_wait(&e, 10), 0);
  EXPECT_FALSE(has_sanitizer_report(engine_stderr(&e))) << engine_stderr(&e);
  std::printf("protocol fuzz: %d rounds, %d searches, %d engines ended by unsound input, %d restarts\n", rounds,
              searches, fatal_inputs, restarts);
  for (const char* name : {"/garbage.bin", "/empty.bin", "/book.bin"}) std::remove((dir + name).c_str());
  rmdir(dir.c_str());
}
