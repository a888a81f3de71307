// The search driver: prepares the per-search tables, deepens iteration by
// iteration with aspiration windows and MultiPV lines, decides when to stop
// from the clock, the node budget and the stability of the best move, and
// answers with "bestmove".
#include "search/driver.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "board/dump.h"
#include "board/fen.h"
#include "board/movegen.h"
#include "book/book.h"
#include "core/clock.h"
#include "core/log.h"
#include "eval/evaluation.h"
#include "eval/nnue.h"
#include "search/search.h"
#include "search/search_state.h"
#include "search/strength.h"
#include "search/tablebase.h"
#include "search/tables.h"
#include "search/threads.h"
#include "search/time_control.h"
#include "search/tt.h"
#include "search/wdl.h"

namespace {

SearchHooks hooks = {nullptr};

void poll_input() {
  if (hooks.poll_input) hooks.poll_input();
}

constexpr int MIN_ASPIRATION = 16;
constexpr int MAX_LINES = 256;

// One principal variation of an iteration (several with MultiPV).
struct Line {
  int score;     // as the search found it
  int reported;  // as reported: the tables' result when they ranked the root (root_report_score)
  int seldepth;
  int milliseconds;
  uint64_t nodes;
  Move pv[PV_SIZE];
};

double now() { return wall_clock_seconds(clock_mode); }
int max_of(int a, int b) { return a > b ? a : b; }
int min_of(int a, int b) { return a < b ? a : b; }
int abs_of(int a) { return a < 0 ? -a : a; }

// The legal root moves the search considers: those of the job's list, or
// every legal move when the list is empty or names none of them.
void build_root_set(const Position& root, const RootMoveSet& wanted, RootMoveSet* out) {
  const int us = side_to_move(root);
  Move all[MAX_MOVES];
  const int n = generate_all(root, all);
  for (int pass = 0; pass < 2; ++pass) {
    out->count = 0;
    for (int i = 0; i < n; ++i) {
      Position child;
      make_move(root, &child, all[i]);
      if (king_attacked(child, us)) continue;
      if (pass == 0 && wanted.count > 0 && !root_move_listed(wanted, all[i])) continue;
      if (!root_move_listed(*out, all[i])) out->moves[out->count++] = all[i];
    }
    if (out->count > 0 || wanted.count == 0) break;
  }
}

// Takes a move out of a set, keeping the order of the rest.
void remove_root_move(RootMoveSet* set, Move m) {
  for (int i = 0; i < set->count; ++i)
    if (set->moves[i] == m) {
      for (int j = i + 1; j < set->count; ++j) set->moves[j - 1] = set->moves[j];
      --set->count;
      return;
    }
}

// Plies of depth beyond a mate's length before a mate score ends the
// deepening: reductions and pruning can hide a shorter mate from a search
// only just as deep as the mate is long.
constexpr int MATE_DEPTH_MARGIN = 4;

// Whether a mate score found by the iteration of the given depth may end the
// deepening: only once the depth is enough to have seen any shorter mate (or
// any longer defence).  Nothing is shorter than a mate in one, and a root
// without moves has its score settled from the start.
bool mate_is_settled(int score, int depth) {
  if (!is_mate_score(score)) return false;
  int plies = MATE_SCORE - abs_of(score);
  return plies <= 1 || depth >= plies + MATE_DEPTH_MARGIN;
}

// Iterations after which a root that the tables leave a single move to ends
// the deepening: the move and the result are known, and these few
// iterations (microseconds in an ending of a few men) give a line to show
// and a move to ponder on.
constexpr int TB_SINGLE_MOVE_DEPTH = 6;

// "go mate N": the search has found a mate in at most N moves.
bool mate_goal_reached(int score, int mate_moves) {
  return mate_moves > 0 && score > MATE_REPORT_BOUND && (MATE_SCORE - score) / 2 + 1 <= mate_moves;
}

// One line of iteration d over the root moves in the set.  With an
// aspiration window it is centred on the last score s1, half as wide as the
// last two score changes (at least 16), and widened by half again on the
// failing side until the score falls inside; a score that then falls out on
// the other side is searched with the full window.
int search_line(SearchThread* t, Position* root, int d, bool windowed, int s1, int s2, int s3, Move* pv,
                const RootMoveSet& moves, uint64_t* best_nodes, uint64_t* other_nodes) {
  const std::atomic<int>& stop = t->control->stop;
  int alpha = -INFINITE_SCORE, beta = INFINITE_SCORE;
  if (windowed) {
    int w = max_of(MIN_ASPIRATION, (abs_of(s2 - s3) + abs_of(s1 - s2)) >> 1);
    alpha = max_of(s1 - w, -INFINITE_SCORE);
    beta = min_of(s1 + w, INFINITE_SCORE);
  }
  int score = search_root(t, root, 2 * d, alpha, beta, pv, moves, best_nodes, other_nodes);
  if (!stop && score >= beta) {
    while (!stop && score >= beta) {
      int width = beta - alpha;
      alpha = max_of(score - 1, -INFINITE_SCORE);
      beta = min_of(score - 1 + width * 3 / 2, INFINITE_SCORE);
      score = search_root(t, root, 2 * d, alpha, beta, pv, moves, best_nodes, other_nodes);
    }
    if (!stop && score <= alpha)
      score = search_root(t, root, 2 * d, -INFINITE_SCORE, INFINITE_SCORE, pv, moves, best_nodes, other_nodes);
  } else if (!stop && score <= alpha) {
    while (!stop && score <= alpha) {
      int width = beta - alpha;
      beta = min_of(score + 1, INFINITE_SCORE);
      alpha = max_of(score + 1 - width * 3 / 2, -INFINITE_SCORE);
      score = search_root(t, root, 2 * d, alpha, beta, pv, moves, best_nodes, other_nodes);
    }
    if (!stop && score >= beta)
      score = search_root(t, root, 2 * d, -INFINITE_SCORE, INFINITE_SCORE, pv, moves, best_nodes, other_nodes);
  }
  return score;
}

// Helpers leave out some iterations, so that the threads spread over
// neighbouring depths instead of all searching the same one and the
// deeper results reach the table early.  Helpers come in groups of 2, 4,
// 6, ...; helper h of group g searches g iterations, skips the next g, and
// so on, its cycle shifted by its place in the group.  Iteration 1 (which
// builds the root list) is never skipped.
bool helper_skips_depth(int helper, int depth) {
  int group = 1, first = 1;
  while (helper >= first + 2 * group) {
    first += 2 * group;
    ++group;
  }
  const int phase = helper - first + 1;
  return depth > 1 && ((depth + phase) / group) % 2 == 1;
}

void report_iteration_started(const SearchReporter& r, int depth) {
  if (r.iteration_started) r.iteration_started(r.context, depth);
}
void report_line(const SearchReporter& r, const SearchLine& line) {
  if (r.line) r.line(r.context, line);
}

// The state of the main thread's deepening from one iteration to the next.
struct Deepening {
  const SearchJob* job;
  SearchThread* t;
  Position root;
  RootMoveSet root_set;  // the legal root moves the search considers
  TimeControl tc;
  bool infinite;       // "go infinite": no answer before "stop", even when the search ends by itself
  bool fresh_tables;   // the history starts empty (first search, deterministic mode)
  int line_limit;      // lines per iteration (MultiPV)
  Move best_move, ponder_move;
  int best_score;  // as reported
  Move previous_best;
  bool tb_ranked;  // the tables ranked the root: root_set holds the moves that keep their result
  TbRootResult tb;
  int s1, s2, s3;  // scores of the last three iterations
  bool soft_time_passed;
};

// The tablebases at the root: the job's probing, with the probe limit cut to
// the largest loaded ending (0 without tables: nothing is probed), and when
// the root itself is in the tables only the root moves that keep its result.
void rank_root_by_tables(Deepening* s, const SearchJob& job) {
  SearchThread* t = s->t;
  t->tablebases = job.tablebases;
  t->tablebases.probe_limit = max_of(0, min_of(job.tablebases.probe_limit, tb_largest()));
  s->tb_ranked = false;
  if (!t->tablebases.probe_limit || tb_men(s->root) > t->tablebases.probe_limit) return;
  if (!tb_rank_root(s->root, t->tablebases.rule50, t->tablebases.probe_limit,
                    draw_value(job.settings.draw_score, 0), s->root_set.moves, s->root_set.count, &s->tb))
    return;
  t->tbhits += static_cast<uint64_t>(s->root_set.count);  // one probe for every root move
  s->root_set.count = s->tb.kept_count;
  for (int i = 0; i < s->tb.kept_count; ++i) s->root_set.moves[i] = s->tb.kept[i];
  s->tb_ranked = true;
  t->tb_root = &s->tb;
}

// Start of a search: the thread's record, the root, the tables and the clock.
void begin_search(Deepening* s, const SearchJob& job) {
  SearchThread* t = job.thread;
  s->job = &job;
  s->t = t;
  t->settings = job.settings;
  t->control = job.control;
  t->table = job.table;
  t->reporter = &job.reporter;
  t->with_helpers = job.use_helpers && search_thread_count() > 1;
  t->control->node_limit = job.limits.nodes;
  t->control->pondering = job.limits.ponder;
  s->root = job.root;
  s->infinite = job.limits.infinite != 0;
  // The history and countermoves start empty at the first search and, in
  // deterministic mode, at every search.
  s->fresh_tables = t->fresh_tables_due || job.settings.deterministic;
  ensure_search_tables();

  begin_thread_search(t, false);
  t->control->stop = 0;
  build_root_set(s->root, job.root_moves, &s->root_set);
  rank_root_by_tables(s, job);
  if (s->fresh_tables) clear_history(t);
  s->root.psq = compute_psq(s->root);
  s->root.phase = static_cast<int16_t>(compute_phase(s->root));
  s->root.eval_cache = EVAL_NOT_COMPUTED;  // a position set up from text has none
  t->net = job.settings.use_nnue ? nnue_current() : nullptr;
  reset_network_stack(t, s->root);
  if (tt_enabled(*job.table)) {
    if (s->fresh_tables) {
      tt_clear(job.table);
      t->fresh_tables_due = 0;
    }
    tt_new_search(job.table);
  }
  log_position(s->root);

  time_control_start(&s->tc, now(), job.plan.goal, job.plan.fixed, job.plan.max_goal_percent);
  t->start_time = s->tc.start;
  t->hard_limit = s->tc.hard_limit;
  log_printf("DEPTH      TIME         NODES      KNPS    SCORE   PRINCIPAL VARIATION\n");
  log_printf("-----  --------  ------------  --------  -------   -------------------------------------------------\n");

  s->best_move = s->ponder_move = 0;
  s->best_score = 0;
  s->previous_best = 0;
  s->s1 = s->s2 = s->s3 = 0;
  s->line_limit = job.settings.multipv < 1 ? 1 : min_of(job.settings.multipv, MAX_LINES);
  s->soft_time_passed = false;
}

// The lines of iteration d (several with MultiPV), best first, into lines;
// returns how many completed.
int search_iteration_lines(Deepening* s, int d, Line* lines) {
  SearchThread* t = s->t;
  RootMoveSet remaining = s->root_set;
  uint64_t best_nodes = 0, other_nodes = 0;
  int line_count = 0;
  Move pv[PV_SIZE];
  const int lines_wanted = d == 1 ? 1 : s->line_limit;
  for (int k = 1; k <= lines_wanted; ++k) {
    const bool windowed = d >= 5 && s->line_limit < 2;
    int score = search_line(t, &s->root, d, windowed, s->s1, s->s2, s->s3, pv, remaining, &best_nodes, &other_nodes);
    // A line cut short is discarded: the last complete iteration's (or
    // this iteration's complete lines') move is the answer.
    if (t->control->stop) break;

    uint64_t spent = best_nodes + other_nodes + static_cast<uint64_t>(k);
    time_control_after_line(&s->tc, d, best_nodes, spent, pv[0] != s->previous_best);

    Line& line = lines[line_count++];
    line.score = score;
    line.reported = root_report_score(t, pv[0], score);
    line.seldepth = t->seldepth;
    line.milliseconds = static_cast<int>((now() - s->tc.start) * 1000);
    line.nodes = search_node_total(t);
    std::memcpy(line.pv, pv, sizeof line.pv);
    if (!pv[0]) break;
    remove_root_move(&remaining, pv[0]);
    if (remaining.count == 0) break;
  }
  sort_best_first(lines, line_count, [](const Line& line) { return line.score; });  // the search's best line first
  return line_count;
}

// Reports and logs a completed iteration d; false when the search must end
// (stopped, out of time, a settled mate, the depth limit).
bool finish_iteration(Deepening* s, int d, const Line* lines, int line_count) {
  SearchThread* t = s->t;
  const SearchJob& job = *s->job;
  const int hashfull = job.reporter.line ? tt_hashfull(*job.table) : 0;
  const uint64_t tbhits = search_tbhits_total(t);
  if (job.settings.multipv > 1) {
    for (int i = 0; i < line_count; ++i) {
      const Line& line = lines[i];
      const double seconds = line.milliseconds / 1000.0;
      SearchLine report{LINE_MULTIPV, d, line.seldepth, i + 1, line.reported, line.nodes, seconds, line.milliseconds,
                        static_cast<uint64_t>(static_cast<double>(line.nodes) / (seconds + 0.0001)), hashfull, tbhits,
                        line.pv};
      report_line(job.reporter, report);
    }
  }
  if (line_count > 0) {
    s->best_move = lines[0].pv[0];
    s->ponder_move = s->best_move ? lines[0].pv[1] : 0;
    s->best_score = lines[0].reported;
  }
  if (t->control->stop) {
    log_printf("search aborted\n");
    return false;
  }
  // Limited strength: the complete iteration's lines to choose from (strength.h).
  if (job.settings.limit_elo)
    for (int i = 0; i < line_count; ++i) note_root_line(&t->strength, i, lines[i].pv, lines[i].score);
  // The time control and the next aspiration window follow the search's own scores.
  const int search_score = lines[0].score;
  double elapsed = now() - s->tc.start;
  if (elapsed < 0.0001) elapsed = 0.0001;
  const uint64_t nodes = search_node_total(t);
  char pv_buffer[PV_TEXT_SIZE];
  pv_to_text(lines[0].pv, pv_buffer);
  log_printf("%5d  %8.1f  %12" PRIu64 "  %8.1f  %7.2f   %s\n", d, elapsed, nodes,
             static_cast<double>(nodes) / elapsed / 1000.0, s->best_score / 100.0, pv_buffer);
  SearchLine report{LINE_ITERATION, d, t->seldepth, 1, s->best_score, nodes, elapsed, static_cast<int>(elapsed * 1000),
                    static_cast<uint64_t>(static_cast<double>(nodes) / elapsed), hashfull, tbhits, lines[0].pv};
  report_line(job.reporter, report);

  time_control_after_iteration(&s->tc, d, search_score, s->s1);
  s->s3 = s->s2;
  s->s2 = s->s1;
  s->s1 = search_score;
  s->previous_best = s->best_move;
  if (now() > s->tc.soft_target) s->soft_time_passed = true;
  // "go infinite" deepens on after a mate, until "stop" or the last depth.
  const bool single_tb_move = s->tb_ranked && s->root_set.count == 1 && d >= TB_SINGLE_MOVE_DEPTH;
  return !((s->soft_time_passed && !t->control->pondering) || (!s->infinite && mate_is_settled(s->best_score, d)) ||
           (!s->infinite && single_tb_move) || mate_goal_reached(s->best_score, job.limits.mate) ||
           d >= job.plan.max_depth || nodes >= job.limits.soft_nodes);
}

// Iterative deepening, from iteration 1 until a limit ends it.
void deepen(Deepening* s) {
  SearchThread* t = s->t;
  const SearchJob& job = *s->job;
  Line lines[MAX_LINES];
  for (int d = 1;; ++d) {
    if (d == 1) {
      const Move book_move = job.use_book && !s->tb_ranked ? probe_book(s->root) : 0;
      if (book_move) {
        s->best_move = book_move;
        s->ponder_move = 0;
        s->best_score = 0;
        return;
      }
      if (t->with_helpers)
        start_helpers(HelperJob{s->root, s->root_set, job.plan.max_depth, s->fresh_tables, job.settings,
                                t->tablebases, job.control, job.table});
    } else {
      t->first_iteration = 0;
    }
    report_iteration_started(job.reporter, d);
    t->seldepth = 0;
    const int line_count = search_iteration_lines(s, d, lines);
    if (!finish_iteration(s, d, lines, line_count)) return;
  }
}

// End of a search: the wait of a ponder or infinite search, the helpers'
// end, the limited-strength choice and the answer.
void end_search(Deepening* s) {
  SearchThread* t = s->t;
  const SearchJob& job = *s->job;
  double elapsed = now() - s->tc.start;
  if (elapsed < 0) elapsed = 0;
  log_printf("Total move time %8.1f\n", elapsed);

  // A ponder search, and an infinite one, that ends by itself waits for
  // "ponderhit" or "stop" before it answers.
  if (job.plan.max_depth == NO_DEPTH_LIMIT || t->control->pondering) {
    for (;;) {
      poll_input();
      if (t->control->stop || (!t->control->pondering && !s->infinite)) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  // The answer is the main thread's; the helpers end before it is given.
  if (t->with_helpers) stop_helpers();

  if (log_file) {
    const PawnTable& pawns = t->eval.pawns;
    double rate = pawns.probes ? pawns.hits * 100.0 / static_cast<double>(pawns.probes) : 0.0;
    log_printf("\nPawn cache: %12" PRIu64 " hits  %12" PRIu64 " probes   Rate = %8.3f percent\n", pawns.hits,
               pawns.probes, rate);
  }
  // Limited strength: the move may be one of the near-best lines instead.
  if (job.settings.limit_elo)
    choose_weakened_move(&t->strength, s->root.key, job.settings.limit_elo, &s->best_move, &s->ponder_move);
  if (job.reporter.finished)
    job.reporter.finished(job.reporter.context,
                          SearchResult{s->best_move, s->ponder_move, s->best_score, search_node_total(t)});
  t->tb_root = nullptr;  // the ranking lives with this search
}

void record_depth(void* context, const SearchLine& line) {
  if (line.kind != LINE_ITERATION || line.depth >= DEPTH_RECORDS) return;
  static_cast<DepthRecords*>(context)->depth[line.depth] = {line.seconds, line.nodes, line.score, line.pv[0]};
}

}  // namespace

void set_search_hooks(const SearchHooks& h) { hooks = h; }

SearchReporter depth_recorder(DepthRecords* records) { return {records, nullptr, record_depth, nullptr, nullptr}; }

void request_fresh_tables(SearchThread* t) { t->fresh_tables_due = 1; }

void ensure_search_tables() {
  static std::once_flag built;
  std::call_once(built, build_search_tables);
}

bool poll_main(SearchThread* t) {
  poll_input();
  SearchControl* c = t->control;
  if (t->with_helpers) t->helper_nodes = helper_nodes();
  if (c->pondering) return false;
  if (c->stop) return true;
  if (t->nodes + t->helper_nodes >= c->node_limit) {
    c->stop = 1;
    return true;
  }
  if (now() >= t->hard_limit) {
    c->stop = 1;
    return true;
  }
  return false;
}

bool poll_helper(SearchThread* t) {
  publish_nodes(t);
  return t->control->stop != 0;
}

void helper_search(SearchThread* t, const HelperJob& job) {
  Position root = job.root;
  t->settings = job.settings;
  t->control = job.control;
  t->table = job.table;
  t->reporter = nullptr;
  t->with_helpers = 0;
  t->net = job.settings.use_nnue ? nnue_current() : nullptr;
  reset_network_stack(t, root);
  begin_thread_search(t, job.clear_move_history);
  t->tablebases = job.tablebases;
  Move pv[PV_SIZE];
  uint64_t best_nodes = 0, other_nodes = 0;
  int s1 = 0, s2 = 0, s3 = 0;  // scores of this thread's last three iterations
  for (int d = 1; d <= job.max_depth && !t->control->stop; ++d) {
    if (d > 1) t->first_iteration = 0;
    if (helper_skips_depth(t->index, d)) continue;
    int score = search_line(t, &root, d, d >= 5, s1, s2, s3, pv, job.root_moves, &best_nodes, &other_nodes);
    if (t->control->stop) break;
    s3 = s2;
    s2 = s1;
    s1 = score;
  }
  publish_nodes(t);
}

int run_search(const SearchJob& job) {
  Deepening s;
  begin_search(&s, job);
  deepen(&s);
  end_search(&s);
  return s.best_score;
}
