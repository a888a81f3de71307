#include "core/words.h"

namespace {

bool is_separator(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

int split_words(char* text, char** words, int max_words) {
  int count = 0;
  char* p = text;
  while (*p && count < max_words) {
    while (*p && is_separator(*p)) ++p;
    if (!*p) break;
    words[count++] = p;
    while (*p && !is_separator(*p)) ++p;
    if (*p) *p++ = '\0';
  }
  return count;
}
