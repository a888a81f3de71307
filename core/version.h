// The name and version text the engine reports.  The 32-bit program says so.
#pragma once

#include <cstdint>

#if UINTPTR_MAX == 0xffffffffu
constexpr const char* ENGINE_NAME = "Pelion32";
constexpr const char* VERSION_TEXT = "3 32bit";
constexpr bool IS_32_BIT_BUILD = true;
#else
constexpr const char* ENGINE_NAME = "Pelion64";
constexpr const char* VERSION_TEXT = "3";
constexpr bool IS_32_BIT_BUILD = false;
#endif

constexpr const char* ENGINE_AUTHOR = "Aldebrand, Castelmor";
