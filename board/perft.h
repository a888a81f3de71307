// Counting move paths (perft): the number of legal move sequences of a given
// length, a check of move generation and make-move against known counts.
#pragma once

#include <cstdint>
#include <cstdio>

#include "board/position.h"

// Counters kept while counting: every legal move made, and the castling
// moves made at depth 1.  Reset by count_paths_top.
extern uint64_t paths_moves_made;
extern uint64_t paths_castles;

// Number of legal move sequences of the given length.
uint64_t count_paths(const Position& p, int depth);
// The same from the top: resets the counters and, unless quiet, writes "."
// after each root move and flushes standard output.
uint64_t count_paths_top(const Position& p, int depth, bool quiet);

// Divide: writes each legal root move with the number of paths of the
// remaining depth after it ("e2e4: 20"), then the total alone on the last
// line, to out; returns the total.  A depth below 1 counts as 1.
//
// A deep count runs for hours, so a caller may pass stop, which is asked
// now and then (at every node three or more plies from the leaves); once it
// says true the count ends: the root moves already counted keep their
// lines, the total is not written and 0 is returned.
uint64_t print_divide(const Position& p, int depth, std::FILE* out, bool (*stop)() = nullptr);
