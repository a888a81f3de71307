// Command words: hashing and splitting.
#include <gtest/gtest.h>

#include <cstring>

#include "app/three_file_mask.h"
#include "uci/interpreter.h"
#include "uci/number_text.h"

TEST(CommandHash, TableValues) {
  EXPECT_EQ(command_hash("uci"), 0x0b88b1c6u);
  EXPECT_EQ(command_hash("isready"), 0xaaebbe96u);
  EXPECT_EQ(command_hash("setoption"), 0x687891eau);
  EXPECT_EQ(command_hash("position"), 0x4cef7abau);
  EXPECT_EQ(command_hash("go"), 0x005977fbu);
  EXPECT_EQ(command_hash("stop"), 0x7c9e1b4bu);
  EXPECT_EQ(command_hash("ponderhit"), 0x5d4738f2u);
  EXPECT_EQ(command_hash("quit"), 0x7c9d0608u);
  // Case matters: "Position" is not a command.
  EXPECT_NE(command_hash("Position"), command_hash("position"));
  // Bytes above 127 count as negative.
  EXPECT_EQ(command_hash("\xff"), 5381u * 33u - 1u);
}

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

TEST(ThreeFileMask, EdgeFilesShiftInward) {
  build_three_file_mask();
  EXPECT_EQ(three_file_mask[0], 0x0707070707070707ULL);   // a1: files a-c
  EXPECT_EQ(three_file_mask[56], 0x0707070707070707ULL);  // a8
  EXPECT_EQ(three_file_mask[7], 0xe0e0e0e0e0e0e0e0ULL);   // h1: files f-h
  EXPECT_EQ(three_file_mask[4], 0x3838383838383838ULL);   // e1: files d-f
  EXPECT_EQ(three_file_mask[36], 0x3838383838383838ULL);  // e5
  EXPECT_EQ(three_file_mask[9], 0x0707070707070707ULL);   // b2: files a-c
  EXPECT_EQ(three_file_mask[14], 0xe0e0e0e0e0e0e0e0ULL);  // g2: files f-h
}

TEST(NumberText, SignedSixtyFourBit) {
  EXPECT_EQ(parse_int64("2754896"), 2754896);
  EXPECT_EQ(parse_int64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(parse_int64("99999999999999999999"), INT64_MAX);
  EXPECT_EQ(parse_int64("-99999999999999999999"), INT64_MIN);
  EXPECT_EQ(parse_int64(""), 0);
}
