// Command-line switches: values, errors and their messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "core/clock.h"

namespace {

struct Parsed {
  bool ok;
  std::string message;
};

Parsed parse(std::vector<std::string> args) {
  reset_command_line();
  args.insert(args.begin(), "engine");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  std::FILE* err = std::tmpfile();
  bool ok = process_command_line(static_cast<int>(argv.size()), argv.data(), err);
  std::rewind(err);
  std::string text;
  for (int c; (c = std::fgetc(err)) != EOF;) text += static_cast<char>(c);
  std::fclose(err);
  return {ok, text};
}

}  // namespace

TEST(CommandLine, NoArgumentsChangesNothing) {
  Parsed p = parse({});
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(p.message, "");
  EXPECT_EQ(command_line.self_test, 0);
  EXPECT_EQ(command_line.log_name[0], '\0');
  EXPECT_EQ(clock_mode, 0);
}

TEST(CommandLine, SwitchesMatchWithoutRegardToCase) {
  EXPECT_TRUE(parse({"-TEST"}).ok);
  EXPECT_EQ(command_line.self_test, 1);
  EXPECT_TRUE(parse({"-maketestdata", "-test"}).ok);
  EXPECT_EQ(command_line.make_test_data, 1);
  EXPECT_EQ(command_line.self_test, 1);
  EXPECT_TRUE(parse({"-quiet", "-pgn", "-Help"}).ok);
  EXPECT_EQ(command_line.help, 1);
}

TEST(CommandLine, ValuesAreTakenWhateverTheyLookLike) {
  EXPECT_TRUE(parse({"-cpu", "-1"}).ok);
  EXPECT_EQ(clock_mode, -1);
  EXPECT_TRUE(parse({"-log", "-weird-name.log"}).ok);
  EXPECT_STREQ(command_line.log_name, "-weird-name.log");
  EXPECT_TRUE(parse({"-cpu", "x"}).ok);
  EXPECT_EQ(clock_mode, 0);  // no digits read as 0
}

TEST(CommandLine, ErrorsAndTheirMessages) {
  Parsed p = parse({"--test"});
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.message, "Error. option --test not found.\n");
  p = parse({"test"});
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.message, "Error in command line processing.  option expected at argument 1\n");
  p = parse({"-help", "stray"});
  EXPECT_EQ(p.message, "Error in command line processing.  option expected at argument 2\n");
  p = parse({"-log"});
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.message, "Error.  No argument.\n");
  p = parse({"-quiet", "-cpu"});
  EXPECT_EQ(p.message, "Error.  No argument.\n");
}

TEST(CommandLine, OverlongLogNameIsNotKept) {
  std::string name(LOG_NAME_SIZE + 10, 'x');
  EXPECT_TRUE(parse({"-log", name}).ok);
  EXPECT_EQ(command_line.log_name[0], '\0');
}

TEST(CommandLine, UsageText) {
  std::FILE* err = std::tmpfile();
  print_usage("./engine64", err);
  std::rewind(err);
  std::string text;
  for (int c; (c = std::fgetc(err)) != EOF;) text += static_cast<char>(c);
  std::fclose(err);
  EXPECT_EQ(text,
            "\nusage: ./engine64 {options} \n\n  -log FILE      log file name\n"
            "  -help          display this help message\n\n");
}
