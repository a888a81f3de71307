#include "core/words.h"

#include <cstring>

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

bool text_has_word(const char* text, const char* word) {
  size_t length = std::strlen(word);
  if (length == 0) return false;
  for (const char* p = text; (p = std::strstr(p, word)) != nullptr; ++p) {
    bool starts = p == text || p[-1] == ' ';
    bool ends = p[length] == '\0' || p[length] == ' ';
    if (starts && ends) return true;
  }
  return false;
}
