// Runs one of the real programs as a child process over pipes, the way a
// chess GUI does, for the end-to-end tests.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct EngineProcess {
  pid_t pid = -1;
  int to_child = -1;    // child's standard input
  int from_child = -1;  // child's standard output
  int err_from_child = -1;
  std::string out_buffer;
  std::string err_text;
  int exit_status = -1;  // set once the child has been reaped
};

// Starts program with the given arguments; returns false when it cannot start.
// A nonzero address_space_limit caps the child's address space (in bytes), so
// that a large allocation fails as it would on a small machine.
bool engine_start(EngineProcess* e, const std::string& program, const std::vector<std::string>& args = {},
                  const std::string& working_dir = "", size_t address_space_limit = 0);
// Writes text (a line end is appended) to the child's standard input.
void engine_send(EngineProcess* e, const std::string& line);
void engine_close_input(EngineProcess* e);
// Reads one line of standard output, without its line end; false on timeout or end of output.
bool engine_read_line(EngineProcess* e, std::string* line, double timeout_seconds);
// Reads lines until one starts with prefix; all lines read (the match last) go to *lines.
bool engine_read_until(EngineProcess* e, const std::string& prefix, std::vector<std::string>* lines,
                       double timeout_seconds);
// Waits for the child to end; returns its exit status, or -1 on timeout (the child is then killed).
int engine_wait(EngineProcess* e, double timeout_seconds);
// Everything the child wrote to standard error so far (read without blocking).
const std::string& engine_stderr(EngineProcess* e);
void engine_kill(EngineProcess* e);

// Runs a program to completion with no input; collects stdout, stderr and the status.
struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};
RunResult run_program(const std::string& program, const std::vector<std::string>& args, double timeout_seconds,
                      const std::string& input = "");

double monotonic_seconds();
