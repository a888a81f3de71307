// Diagnostic picture of a position in the log file.
#pragma once

#include "board/position.h"

// Writes the side-to-move counter, the check flag, the last two moves, the
// castling rights and the board into the log; does nothing when no log is open.
void log_position(const Position& p);
