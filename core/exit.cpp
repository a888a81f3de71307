#include "core/exit.h"

#include <cstdio>
#include <cstdlib>

#include "core/log.h"

void exit_process(int status) {
  // Only the output streams are flushed: flushing every stream would wait for
  // the lock of standard input, which the reader thread holds while it
  // blocks in its read.
  std::fflush(stdout);
  std::fflush(stderr);
  if (log_file) std::fflush(log_file);
  std::_Exit(status);
}
