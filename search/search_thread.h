// The state one search thread writes while it searches, and its copy of the
// search's settings.  Every thread (the main thread and each helper) owns
// one record and passes it down its search; the threads share only the
// transposition table and what is read but not written during a search
// (tables, limits) and, through pointers set at the start of every search,
// the search's control record and transposition table.  The record is a
// plain block of integers and pointers: zero-filled memory is an empty record.
#pragma once

#include <atomic>
#include <cstdint>

#include "board/movegen.h"
#include "board/picker.h"
#include "board/types.h"
#include "eval/evaluation.h"
#include "eval/nnue.h"
#include "search/history.h"
#include "search/search_state.h"
#include "search/strength.h"
#include "search/tablebase.h"

constexpr int MAX_PLY = 256;

// What the search keeps for each ply of the line it is searching.
struct PlyState {
  int32_t static_eval;  // the node's static evaluation; NO_STATIC_EVAL when in check
};
constexpr int32_t NO_STATIC_EVAL = -32700;

// The root move list, built at iteration 1 and reordered after every
// iteration: the best move moves to the front.
struct RootMove {
  Move move;
  int32_t order_score;  // static score of the first ordering
  uint64_t nodes;       // nodes of the move's subtree at its last full search
};

// The network's first-layer sums of the positions on the line being
// searched, one entry per ply from the root (entry p.ply - base_ply holds
// position p), each tagged with its position's key.  A position's sums come
// from its parent's entry by the move's few changes, or from an ancestor's a
// few plies up, or from scratch.
constexpr int NNUE_STACK_SIZE = MAX_PLY;
struct NnueStack {
  NnueAccumulator acc[NNUE_STACK_SIZE];
  uint64_t key[NNUE_STACK_SIZE];  // 0: the entry holds nothing
  int base_ply;                   // the root's ply
  NnueAccumulator scratch;        // for a position beyond the stack
};

struct SearchReporter;
struct TranspositionTable;

struct SearchThread {
  int index;                // 0: the main thread, which keeps the clock and reports
  SearchSettings settings;  // as handed to the search by "go"
  SearchControl* control;   // the running search's stop, ponder and node-budget state
  TranspositionTable* table;
  const SearchReporter* reporter;  // main thread: where the search reports; helpers: null
  int with_helpers;                // main thread: helper threads search beside it

  // Nodes: every move the search makes counts, illegal ones included.
  uint64_t nodes;                    // this thread's nodes in the current search
  uint64_t helper_nodes;             // main thread: the helpers' nodes at the last poll
  alignas(8) uint64_t shared_nodes;  // helpers: nodes as last published (read_shared_nodes)
  uint32_t poll_counter;             // node entries; the input is polled every 256
  int first_iteration;               // 1 during iteration 1: no polling, no node limit

  // Tablebases.  The probe limit is the job's, cut to the largest loaded
  // ending: 0 (no tables, or probing off) keeps every node out of them.
  TablebaseSettings tablebases;
  uint64_t tbhits;                    // successful probes of this thread in the current search
  alignas(8) uint64_t shared_tbhits;  // helpers: tbhits as last published
  const TbRootResult* tb_root;        // main thread: the ranked root moves, or null when the root is not ranked

  // Move-ordering memory.  Killers are cleared at every search, the
  // histories and countermoves only on the first and in deterministic mode.
  Move killer1[MAX_PLY];  // quiet moves that caused a cutoff, two per ply
  Move killer2[MAX_PLY];
  HistoryTables history;
  PlyState stack[MAX_PLY];
  int root_depth;  // plies of the running iteration
  int seldepth;    // the deepest ply the running iteration has reached, quiescence included

  RootMove root_moves[MAX_MOVES];
  int root_move_count;

  EvalCaches eval;
  const NnueWeights* net;  // the network the search evaluates with; null: the hand-written evaluation
  NnueStack nnue;
  // Main thread only: the running search's clock, the tables' state and
  // the record of the iterations.
  double start_time;       // when the search started (clock of core/clock.h)
  double hard_limit;       // when it must stop, whatever it is doing
  int fresh_tables_due;    // the next search starts from empty tables
  StrengthState strength;  // the limited-strength draw

  uint64_t job_seen;  // helpers: number of the last search handed to this thread
};

// A helper publishes its node count while the main thread reads it.
inline void publish_nodes(SearchThread* t) {
  std::atomic_ref<uint64_t>(t->shared_nodes).store(t->nodes, std::memory_order_relaxed);
  std::atomic_ref<uint64_t>(t->shared_tbhits).store(t->tbhits, std::memory_order_relaxed);
}
inline uint64_t read_shared_nodes(SearchThread* t) {
  return std::atomic_ref<uint64_t>(t->shared_nodes).load(std::memory_order_relaxed);
}
inline uint64_t read_shared_tbhits(SearchThread* t) {
  return std::atomic_ref<uint64_t>(t->shared_tbhits).load(std::memory_order_relaxed);
}

inline void clear_killers(SearchThread* t) {
  for (int i = 0; i < MAX_PLY; ++i) t->killer1[i] = t->killer2[i] = 0;
}
void clear_history(SearchThread* t);

// Readies the record for a new search: counters to zero, iteration 1, no
// killers; the history and countermoves too when asked.
void begin_thread_search(SearchThread* t, bool clear_move_history);
