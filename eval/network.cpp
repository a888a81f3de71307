#include "eval/network.h"

#include <cstdio>
#include <cstring>

// The built-in net: the file's bytes assembled into the program's read-only
// data (PELION_NET_FILE is the absolute path of eval/nets/pelion.nnue, given
// by the build).  The label names are the same on every x86 target.
#ifndef PELION_NET_FILE
#error "PELION_NET_FILE must name the built-in network file"
#endif
asm(".section .rodata\n"
    ".balign 64\n"
    ".globl pelion_net_start\n"
    ".hidden pelion_net_start\n"
    "pelion_net_start:\n"
    ".incbin \"" PELION_NET_FILE "\"\n"
    ".globl pelion_net_end\n"
    ".hidden pelion_net_end\n"
    "pelion_net_end:\n"
    ".previous\n");
extern "C" const uint8_t pelion_net_start[];
extern "C" const uint8_t pelion_net_end[];

namespace {

// Two records, so that a file that fails to load never disturbs the net in
// use: the built-in net keeps its own.
NnueWeights embedded_net;
NnueWeights file_net;
char net_name[4096] = "";

}  // namespace

const uint8_t* embedded_net_bytes(size_t* size) {
  *size = static_cast<size_t>(pelion_net_end - pelion_net_start);
  return pelion_net_start;
}

bool use_embedded_net(char* error, int error_size) {
  size_t size;
  const uint8_t* bytes = embedded_net_bytes(&size);
  if (!nnue_load(bytes, size, &embedded_net, error, error_size)) {
    nnue_set_current(nullptr);
    return false;
  }
  nnue_set_current(&embedded_net);
  std::snprintf(net_name, sizeof net_name, "%s", EMBEDDED_NET_NAME);
  return true;
}

bool use_net_file(const char* path, char* error, int error_size) {
  // The file record may be the current net: load into a scratch record
  // first and copy only what loaded.
  static NnueWeights scratch;
  if (!nnue_load_file(path, &scratch, error, error_size)) return false;
  file_net = scratch;
  nnue_set_current(&file_net);
  std::snprintf(net_name, sizeof net_name, "%s", path);
  return true;
}

const char* current_net_name() { return net_name; }
