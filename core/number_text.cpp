#include "core/number_text.h"

namespace {

const char* skip_blanks(const char* s) {
  while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r' || *s == '\f' || *s == '\v') ++s;
  return s;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int32_t parse_int32(const char* text) {
  const char* s = skip_blanks(text);
  bool negative = false;
  if (*s == '+' || *s == '-') negative = *s++ == '-';
  int64_t value = 0;
  for (; is_digit(*s); ++s) {
    value = value * 10 + (*s - '0');
    if (value > 2147483648LL) value = 2147483648LL;  // saturate; the sign decides below
  }
  if (negative) return static_cast<int32_t>(-value);
  return value > 2147483647LL ? 2147483647 : static_cast<int32_t>(value);
}

int64_t parse_int64(const char* text) {
  const char* s = skip_blanks(text);
  bool negative = false;
  if (*s == '+' || *s == '-') negative = *s++ == '-';
  uint64_t value = 0;
  constexpr uint64_t LIMIT = uint64_t{1} << 63;  // magnitude of INT64_MIN
  for (; is_digit(*s); ++s) {
    uint64_t digit = static_cast<uint64_t>(*s - '0');
    value = value > (LIMIT - digit) / 10 ? LIMIT : value * 10 + digit;  // saturate; the sign decides below
  }
  if (negative) return value == LIMIT ? INT64_MIN : -static_cast<int64_t>(value);
  return value >= LIMIT ? INT64_MAX : static_cast<int64_t>(value);
}

uint64_t parse_uint64(const char* text) {
  const char* s = skip_blanks(text);
  bool negative = false;
  if (*s == '+' || *s == '-') negative = *s++ == '-';
  uint64_t value = 0;
  bool overflow = false;
  for (; is_digit(*s); ++s) {
    uint64_t digit = static_cast<uint64_t>(*s - '0');
    if (value > (UINT64_MAX - digit) / 10) overflow = true;
    if (!overflow) value = value * 10 + digit;
  }
  if (negative) return 0;
  return overflow ? UINT64_MAX : value;
}
