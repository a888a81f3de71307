// Optional log file, opened by the "-log" switch.  Every write is flushed at
// once so the log is complete even when the process is killed.
#pragma once

#include <cstdio>

extern std::FILE* log_file;  // null when no log is open

// Appends one formatted entry to the log; does nothing when no log is open.
void log_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
