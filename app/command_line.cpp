#include "app/command_line.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>

#include "core/clock.h"
#include "core/number_text.h"

CommandLineSettings command_line;

namespace {

const CommandLineSwitch switches[] = {
    {"test", &command_line.self_test, SWITCH_FLAG}, {"makeTestData", &command_line.make_test_data, SWITCH_FLAG},
    {"log", command_line.log_name, SWITCH_TEXT},    {"cpu", &clock_mode, SWITCH_INTEGER},
    {"pgn", &command_line.pgn, SWITCH_FLAG},        {"quiet", nullptr, SWITCH_NONE},
    {"help", &command_line.help, SWITCH_FLAG},      {"", nullptr, SWITCH_NONE},
};

void set_text(char* target, const char* value) {
  // A name that does not fit is not kept at all: opening a truncated name
  // would write somewhere the user did not ask for.
  if (std::strlen(value) < LOG_NAME_SIZE)
    std::strcpy(target, value);
  else
    target[0] = '\0';
}

}  // namespace

void reset_command_line() {
  command_line = CommandLineSettings{};
  clock_mode = 0;
}

bool process_command_line(int argc, char** argv, std::FILE* err) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (arg[0] != '-') {
      std::fprintf(err, "Error in command line processing.  option expected at argument %d\n", i);
      return false;
    }
    const CommandLineSwitch* sw = switches;
    while (sw->name[0] && strcasecmp(sw->name, arg + 1) != 0) ++sw;
    if (!sw->name[0]) {
      std::fprintf(err, "Error. option %s not found.\n", arg);
      return false;
    }
    if (sw->kind == SWITCH_TEXT || sw->kind == SWITCH_INTEGER || sw->kind == SWITCH_REAL) {
      if (i + 1 >= argc) {
        std::fprintf(err, "Error.  No argument.\n");
        return false;
      }
      const char* value = argv[++i];  // taken whatever it looks like, even "-1"
      if (sw->kind == SWITCH_TEXT)
        set_text(static_cast<char*>(sw->target), value);
      else if (sw->kind == SWITCH_INTEGER)
        *static_cast<int*>(sw->target) = parse_int32(value);
      else
        *static_cast<double*>(sw->target) = std::strtod(value, nullptr);
    } else if (sw->kind == SWITCH_FLAG) {
      *static_cast<int*>(sw->target) = 1;
    }
  }
  return true;
}

void print_usage(const char* program_name, std::FILE* err) {
  std::fprintf(err, "\nusage: %s {options} \n\n", program_name);
  std::fprintf(err, "  -log FILE      log file name\n");
  std::fprintf(err, "  -help          display this help message\n");
  std::fprintf(err, "\n");
}
