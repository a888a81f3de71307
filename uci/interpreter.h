// The UCI command interpreter.
#pragma once

#include <cstdint>

#include "board/position.h"

constexpr int GAME_RECORD_SIZE = 2048;
extern Position game_record[GAME_RECORD_SIZE];
extern int game_ply;

// One interpreter step: takes at most one line from the command queue and
// acts on it.  Called by the protocol loop and, every 256 nodes, by the search.
void uci_poll();

uint32_t command_hash(const char* word);
