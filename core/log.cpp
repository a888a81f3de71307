#include "core/log.h"

#include <cstdarg>

std::FILE* log_file = nullptr;

void log_printf(const char* format, ...) {
  if (!log_file) return;
  // Room for the longest entry written: an echoed input line (7-character
  // prefix, 8,190 characters and the line end).
  char buffer[8200];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  std::fputs(buffer, log_file);
  std::fflush(log_file);
}
