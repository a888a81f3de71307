// What a search reports while it runs and when it ends, as plain records
// handed to the hooks of whoever runs it.  The search knows nothing of the
// protocol: the UCI front end turns these records into "info" and
// "bestmove" lines, the self-test keeps the iterations' results, and the
// data generator keeps only the final score and move.
#pragma once

#include <cstdint>

#include "board/types.h"

// Kinds of line.
enum SearchLineKind {
  LINE_ITERATION,  // the result of a completed iteration
  LINE_PROGRESS,   // a new best root move inside an iteration
  LINE_MULTIPV,    // one of the lines of a completed iteration with several lines
};

struct SearchLine {
  SearchLineKind kind;
  int depth;     // the iteration, in plies
  int seldepth;  // the deepest ply the search reached so far, quiescence included
  int multipv;   // LINE_MULTIPV: the line's rank, from 1
  int score;     // side to move's view; mate scores as in search/score.h
  uint64_t nodes;
  double seconds;    // since the start of the search
  int milliseconds;  // as reported
  uint64_t nps;
  int hashfull;    // per mille of the transposition table in use by this search
  uint64_t tbhits;  // successful tablebase probes of the search so far, all threads, the root ranking included
  const Move* pv;  // 0-terminated
};

// The answer of a search.  best is 0 when the root has no legal move.
struct SearchResult {
  Move best;
  Move ponder;  // the expected reply, 0 when none is known
  int score;
  uint64_t nodes;
};

// A hook left null is not called; a null reporter hears nothing.
struct SearchReporter {
  void* context;
  void (*iteration_started)(void* context, int depth);
  void (*line)(void* context, const SearchLine& line);
  void (*current_move)(void* context, Move move, int number);  // the root move now searched, from 1
  void (*finished)(void* context, const SearchResult& result);
};
