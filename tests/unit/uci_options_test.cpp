// "setoption": how the name and value are read.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/words.h"
#include "uci/options.h"

namespace {

SetoptionText parse(const std::string& line) {
  static char text[8192];
  std::strncpy(text, line.c_str(), sizeof text - 1);
  char* words[4096];
  int count = split_words(text, words, 4096);
  return parse_setoption(words, count);
}

}  // namespace

TEST(Setoption, NameAndValueWords) {
  SetoptionText t = parse("setoption name King Safety Aggressiveness value 7");
  EXPECT_EQ(t.name, "king safety aggressiveness");
  EXPECT_EQ(t.value, "7");
  t = parse("setoption name Hash");
  EXPECT_EQ(t.name, "hash");
  EXPECT_EQ(t.value, "");  // a missing value is the empty text
  t = parse("setoption junk before name Ponder value true");
  EXPECT_EQ(t.name, "ponder");
  EXPECT_EQ(t.value, "true");
  t = parse("setoption");
  EXPECT_EQ(t.name, "");
}

TEST(Setoption, ValueWordsGoInPairs) {
  SetoptionText t = parse("setoption name x value a b c");
  EXPECT_EQ(t.value, "a b c");
  // Every second word keeps eight characters and is not read as a keyword.
  t = parse("setoption name x value First SecondWordLong Third name");
  EXPECT_EQ(t.value, "first secondwo third name");
  EXPECT_EQ(t.name, "x");
  // The raw value keeps every word whole and its case, for file names.
  EXPECT_EQ(t.raw_value, "First SecondWordLong Third name");
  t = parse("setoption name Book File value Books/Main.BIN");
  EXPECT_EQ(t.name, "book file");
  EXPECT_EQ(t.value, "books/main.bin");
  EXPECT_EQ(t.raw_value, "Books/Main.BIN");
}
