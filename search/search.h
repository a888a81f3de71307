// The search routines and the state they share within one search.  The
// driver (driver.h) is the only entry point for the rest of the program.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "board/types.h"
#include "eval/evaluation.h"
#include "search/search_state.h"
#include "uci/fen.h"

// A principal variation: up to 64 moves and a terminating 0.
constexpr int PV_SIZE = 65;
constexpr int PV_MOVES = 64;

// Plies beyond which the main search hands over to the quiescence search
// whatever depth is left, so that the per-ply tables are never overrun.
constexpr int MAX_SEARCH_PLY = 200;

// Quiescence search: captures, queen promotions and, near the horizon,
// checks; every evasion when in check.  qdepth is 0, -2, -4, ...
int quiesce(Position* p, int alpha, int beta, int qdepth, int ply, Move* pv);
// Null-window search below beta; carries the pruning, reductions and
// extensions.  excluded is a move to leave out (singular test), null_flag is
// set below a null move and in singular tests.
int search_scout(Position* p, int beta, int depth, int ply, Move excluded, int null_flag);
// Full-window search that returns its principal variation.
int search_pv(Position* p, int alpha, int beta, int depth, int ply, Move* pv);
// One iteration over the ordered root moves named in searchmoves.
int search_root(Position* root, int depth, int alpha, int beta, Move* pv, const char* searchmoves, uint64_t* best_nodes,
                uint64_t* other_nodes);

// Timing of the running search (driver.cpp).
extern double search_start_time;
extern double hard_time_limit;
extern uint32_t poll_counter;

// Polls the interpreter and applies the stop, node and time limits; true
// when the node must return at once.
bool poll_interpreter();

// Every 256 node entries, outside iteration 1, the input is polled.
inline bool poll_should_stop() {
  if ((++poll_counter & 255) != 0 || first_iteration) return false;
  return poll_interpreter();
}

// Static evaluation through the position's own cache, plus a small bonus
// for a position reached by a capture.
inline int cached_eval(Position* p) {
  if (p->eval_cache == EVAL_NOT_COMPUTED) p->eval_cache = evaluate(*p);
  return p->eval_cache;
}
inline int node_eval(Position* p) { return cached_eval(p) + (p->captured_type ? 5 : 0); }

// Refines a static score with a table bound on it.
inline int refine_with_bound(int e, int stored, int bound) {
  if (stored > 31800 || stored < -31800) return e;
  if (bound == 3) return stored;
  if (bound == 2) return stored > e ? stored : e;
  if (bound == 1) return stored < e ? stored : e;
  return e;
}

// Output helpers (root.cpp).
// "cp %d" or "mate %d" for an info line.
void score_text(int score, char* out);
// The moves of a zero-terminated PV, at most 64, each followed by a blank.
void pv_text(const Move* pv, char* out);
// True when word appears in text as a whole blank-separated word.
bool text_has_word(const char* text, const char* word);

// The root move list, built at iteration 1 and reordered after every
// iteration: the best move moves to the front.
struct RootMove {
  Move move;
  int32_t order_score;  // static score of the first ordering
  uint64_t nodes;       // nodes of the move's subtree at its last full search
};
extern RootMove root_moves[];
extern int root_move_count;
