// The search routines and the per-node helpers they share.  Every routine
// works for one search thread, whose record it is handed; the driver
// (driver.h) is the only entry point for the rest of the program.
#pragma once

#include <cstdint>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/position.h"
#include "board/types.h"
#include "eval/evaluation.h"
#include "search/draw.h"
#include "search/score.h"
#include "search/search_state.h"
#include "search/search_thread.h"
#include "search/tablebase.h"
#include "search/tt.h"

// A principal variation: up to 64 moves and a terminating 0.
constexpr int PV_SIZE = 65;
constexpr int PV_MOVES = 64;

// Plies beyond which the main search hands over to the quiescence search
// whatever depth is left, so that the per-ply tables are never overrun.
constexpr int MAX_SEARCH_PLY = 200;

// Quiescence search: captures, queen promotions and, near the horizon,
// checks; every evasion when in check.  qdepth is 0, -2, -4, ...
int quiesce(SearchThread* t, Position* p, int alpha, int beta, int qdepth, int ply, Move* pv);
// Null-window search below beta; carries the pruning, reductions and
// extensions.  excluded is a move to leave out (singular test); cut_node
// says that a cutoff is expected here (the node is reduced more).
int search_scout(SearchThread* t, Position* p, int beta, int depth, int ply, Move excluded, bool cut_node);
// Full-window search that returns its principal variation.
int search_pv(SearchThread* t, Position* p, int alpha, int beta, int depth, int ply, Move* pv);
// The move-ordering view of the thread's history tables for a position.
MoveOrdering search_ordering(SearchThread* t, const Position& p);
// One iteration over the ordered root moves of the set (every root move
// when the set is empty).
int search_root(SearchThread* t, Position* root, int depth, int alpha, int beta, Move* pv, const RootMoveSet& moves,
                uint64_t* best_nodes, uint64_t* other_nodes);

// The score the main thread reports for a root line that starts with move m
// and scored score in the search: when the tables ranked the root, the
// tables' result for that move, unless the search proved a mate.
int root_report_score(const SearchThread* t, Move m, int score);

// Main thread: polls the input through the hook and applies the stop, node
// and time limits; true when the node must return at once.
bool poll_main(SearchThread* t);
// Helpers: publishes the node count for the main thread's totals.
bool poll_helper(SearchThread* t);

// Every 256 node entries, outside iteration 1, the main thread polls the
// input and the helpers report their nodes.
inline bool poll_should_stop(SearchThread* t) {
  if ((++t->poll_counter & 255) != 0 || t->first_iteration) return false;
  return t->index == 0 ? poll_main(t) : poll_helper(t);
}

// Counts one move made by the search.  Outside iteration 1 a thread whose
// nodes (with the helpers' nodes last seen, on the main thread) reach the
// budget stops the search instead; nothing is counted once it is stopped.
inline void count_node(SearchThread* t) {
  SearchControl* c = t->control;
  if (c->stop) return;
  if (t->nodes + t->helper_nodes < c->node_limit || t->first_iteration)
    ++t->nodes;
  else
    c->stop = 1;
}

// Makes a move for the search and counts it.
inline void make_search_move(SearchThread* t, const Position& parent, Position* child, Move m) {
  count_node(t);
  make_move(parent, child, m);
}

// Makes a move of a search node into *child.  False when it leaves the
// mover's king attacked; otherwise the child's table slot is fetched ahead
// and its check flag is set.
inline bool make_child(SearchThread* t, const Position& p, Position* child, Move m) {
  const int us = side_to_move(p);
  make_search_move(t, p, child, m);
  if (king_attacked(*child, us)) return false;
  tt_prefetch(*t->table, child->key);
  child->in_check = static_cast<uint16_t>(king_attacked(*child, us ^ 1));
  return true;
}

// A child that repeats a position since the last irreversible move, or that
// the fifty-move rule draws, is scored as a draw without a search: true,
// with the draw value seen from the child's parent at ply in *score.
inline bool child_is_draw(const SearchThread* t, const Position& child, int ply, int* score) {
  if (!is_repetition(child)) return false;
  *score = draw_value(t->settings.draw_score, ply);
  return true;
}

// The network's score of a position on the searched line (eval_stack.cpp).
int network_eval(SearchThread* t, const Position& p);
// Forgets every kept sum: at the start of a search, whose root may stand
// anywhere (and whose net may be another).
void reset_network_stack(SearchThread* t, const Position& root);

// Static evaluation through the position's own cache and the thread's
// caches, plus a small bonus for a position reached by a capture.
inline int cached_eval(SearchThread* t, Position* p) {
  if (p->eval_cache == EVAL_NOT_COMPUTED)
    p->eval_cache = t->net ? with_endgame_knowledge(*p, network_eval(t, *p)) : evaluate(*p, &t->eval);
  return p->eval_cache;
}
inline int node_eval(SearchThread* t, Position* p) { return cached_eval(t, p) + (p->captured_type ? 5 : 0); }

// Scores in and out of the transposition table: mates and tablebase results
// count from the root and are kept relative to the node that stores them
// (mates lie above MATE_REPORT_BOUND, tablebase results at most at
// TB_WIN_SCORE); every other score is stored as it is.
inline int score_to_table(int score, int ply) {
  return score > MATE_REPORT_BOUND || score < -MATE_REPORT_BOUND ? mate_to_table(score, ply)
                                                                 : tb_score_to_table(score, ply);
}
inline int score_from_table(int stored, int ply) {
  return stored > MATE_REPORT_BOUND || stored < -MATE_REPORT_BOUND ? mate_from_table(stored, ply)
                                                                   : tb_score_from_table(stored, ply);
}

// Refines a static score with a table bound on it (the stored score as it
// is: never a mate or a tablebase result, whose distance it would miss).
inline int refine_with_bound(int e, int stored, int bound) {
  if (is_mate_score(stored) || is_tb_score(stored)) return e;
  if (bound == BOUND_EXACT) return stored;
  if (bound == BOUND_LOWER) return stored > e ? stored : e;
  if (bound == BOUND_UPPER) return stored < e ? stored : e;
  return e;
}

// Orders items best first by score(item) with a plain exchange sort.  Items
// of equal score end up in the order this sort leaves them, which the node
// counts depend on.
template <typename T, typename Score>
inline void sort_best_first(T* items, int count, Score score) {
  for (int i = 0; i < count; ++i)
    for (int j = i + 1; j < count; ++j)
      if (score(items[j]) > score(items[i])) {
        T swapped = items[i];
        items[i] = items[j];
        items[j] = swapped;
      }
}
