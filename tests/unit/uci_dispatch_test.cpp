// Command words: the hash that dispatches them.
#include <gtest/gtest.h>

#include "uci/interpreter.h"

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
