// Command words and numbers: splitting a line, reading decimal text.
#include <gtest/gtest.h>

#include <cstdint>

#include "core/number_text.h"
#include "core/words.h"

TEST(SplitWords, SeparatorsAndRuns) {
  char text[] = "  \tposition  startpos\tmoves e2e4\r\n";
  char* words[8];
  int n = split_words(text, words, 8);
  ASSERT_EQ(n, 4);
  EXPECT_STREQ(words[0], "position");
  EXPECT_STREQ(words[1], "startpos");
  EXPECT_STREQ(words[2], "moves");
  EXPECT_STREQ(words[3], "e2e4");
  char blank[] = " \t \r\n";
  EXPECT_EQ(split_words(blank, words, 8), 0);
  char many[] = "a b c d e";
  EXPECT_EQ(split_words(many, words, 3), 3);  // never more words than room
}

TEST(NumberText, DecimalConversions) {
  EXPECT_EQ(parse_int32("  -17xyz"), -17);
  EXPECT_EQ(parse_int32("abc"), 0);
  EXPECT_EQ(parse_int32("+42"), 42);
  EXPECT_EQ(parse_int32("99999999999999"), 2147483647);
  EXPECT_EQ(parse_int32("-99999999999999"), INT32_MIN);
  EXPECT_EQ(parse_uint64("18446744073709551615"), UINT64_MAX);
  EXPECT_EQ(parse_uint64("18446744073709551616"), UINT64_MAX);
  EXPECT_EQ(parse_uint64("-100"), 0u);
  EXPECT_EQ(parse_uint64("123ms"), 123u);
}

TEST(NumberText, SignedSixtyFourBit) {
  EXPECT_EQ(parse_int64("2754896"), 2754896);
  EXPECT_EQ(parse_int64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(parse_int64("99999999999999999999"), INT64_MAX);
  EXPECT_EQ(parse_int64("-99999999999999999999"), INT64_MIN);
  EXPECT_EQ(parse_int64(""), 0);
}
