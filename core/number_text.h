// Reading numbers from command words.  Text that is not a number reads as 0;
// no input can cause an overflow.
#pragma once

#include <cstdint>

// Leading blanks, an optional sign, then decimal digits up to the first
// non-digit.  Values beyond the 32-bit range are clamped to it.
int32_t parse_int32(const char* text);

// The same for signed 64-bit values (clamped to the 64-bit range).
int64_t parse_int64(const char* text);

// Unsigned 64-bit decimal for clock times and node counts.  A value too large
// for 64 bits reads as all bits set; a negative value reads as 0 (a GUI may
// send a negative clock once a flag has fallen).
uint64_t parse_uint64(const char* text);
