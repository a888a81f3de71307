// The networks the engine can play with: the one built into the program and
// one loaded from a file ("EvalFile").  Whichever is chosen becomes the
// current net of eval/nnue.h; the search reads it only while it runs, so
// nets are changed between searches only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "eval/nnue.h"

// The name "EvalFile" shows for the built-in net.
inline constexpr char EMBEDDED_NET_NAME[] = "<embedded>";

// The built-in net's file image (its bytes are part of the program).
const uint8_t* embedded_net_bytes(size_t* size);

// Makes the built-in net current.  False, with the reason in error, only if
// the program was built with a broken net (then no net is current).
bool use_embedded_net(char* error, int error_size);

// Loads the net of a file and makes it current; on failure the current net
// stays as it was and error says why.
bool use_net_file(const char* path, char* error, int error_size);

// The current net's name: EMBEDDED_NET_NAME or the path it came from.
const char* current_net_name();
