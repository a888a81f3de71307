#pragma once

#include <cstdint>

extern const uint64_t polyglot_random[781];
