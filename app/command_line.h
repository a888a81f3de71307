// The command line: a small table of switches, each setting one variable.
#pragma once

#include <cstdio>

constexpr int LOG_NAME_SIZE = 4096;

struct CommandLineSettings {
  int self_test;                 // -test
  int make_test_data;            // -makeTestData
  char log_name[LOG_NAME_SIZE];  // -log FILE
  int pgn;                       // -pgn: accepted, read by nothing
  int help;                      // -help
};

extern CommandLineSettings command_line;

// Switch kinds.
constexpr int SWITCH_NONE = 0;
constexpr int SWITCH_TEXT = 1;
constexpr int SWITCH_INTEGER = 2;
constexpr int SWITCH_REAL = 3;
constexpr int SWITCH_FLAG = 4;

struct CommandLineSwitch {
  const char* name;  // without the leading "-"; "" ends the table
  void* target;
  int kind;
};

// Reads the arguments after the program name into their targets (the
// settings above and clock_mode).  On an error writes its message to err
// and returns false; the caller then prints the usage text.
bool process_command_line(int argc, char** argv, std::FILE* err);

void print_usage(const char* program_name, std::FILE* err);

// Restores every switch target to its start value (for tests).
void reset_command_line();
