// Helpers of the end-to-end tests that talk to one engine over its pipes:
// a fixture whose engine is always ended, and the reading of info lines.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/engine_process.h"

inline bool starts_with(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

// The word after key in an info line, or "" when there is none.
inline std::string word_after(const std::string& line, const std::string& key) {
  std::string pattern = " " + key + " ";
  size_t at = line.find(pattern);
  if (at == std::string::npos) return "";
  size_t start = at + pattern.size();
  size_t end = line.find(' ', start);
  return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// The move of a "bestmove" line.
inline std::string best_move_of(const std::string& line) { return word_after(" " + line, "bestmove"); }

// A running engine that is always ended, whatever the test does.
class EngineSession : public ::testing::Test {
 protected:
  void start(const char* program = PELION_ENGINE64) {
    ASSERT_TRUE(engine_start(&e, program));
    engine_send(&e, "uci");
    std::vector<std::string> lines;
    ASSERT_TRUE(engine_read_until(&e, "uciok", &lines, 20));
  }
  void TearDown() override {
    if (e.exit_status < 0 && e.pid > 0) {
      engine_send(&e, "quit");
      if (engine_wait(&e, 10) < 0) engine_kill(&e);
    }
  }
  // Reads until a line that starts with prefix; fails the test when it
  // does not come in time.
  std::vector<std::string> until(const std::string& prefix, double timeout = 60) {
    std::vector<std::string> lines;
    EXPECT_TRUE(engine_read_until(&e, prefix, &lines, timeout)) << "no " << prefix;
    return lines;
  }
  std::vector<std::string> until_bestmove(double timeout = 60) { return until("bestmove", timeout); }
  // True when no line starting with prefix arrives within the time; the
  // lines read meanwhile are appended to *seen.
  bool silent_for(double seconds, const std::string& prefix, std::vector<std::string>* seen) {
    double end = monotonic_seconds() + seconds;
    std::string line;
    for (;;) {
      double left = end - monotonic_seconds();
      if (left <= 0) return true;
      if (!engine_read_line(&e, &line, left)) return true;
      seen->push_back(line);
      if (starts_with(line, prefix)) return false;
    }
  }
  EngineProcess e;
};
