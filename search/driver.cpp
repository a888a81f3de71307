// The search driver: prepares the per-search tables, deepens iteration by
// iteration with aspiration windows and MultiPV lines, decides when to stop
// from the clock, the node budget and the stability of the best move, and
// answers with "bestmove".
#include "search/driver.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <thread>

#include "board/dump.h"
#include "board/fen.h"
#include "board/movegen.h"
#include "book/book.h"
#include "core/clock.h"
#include "core/log.h"
#include "eval/evaluation.h"
#include "search/search.h"
#include "search/search_state.h"
#include "search/strength.h"
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
  int score;
  int milliseconds;
  uint64_t nodes;
  Move pv[PV_SIZE];
};

// Room for every root move's text and a blank, or a long searchmoves text.
constexpr int MOVE_LIST_TEXT_SIZE = 8192 + MAX_MOVES * 6 + 16;

double now() { return wall_clock_seconds(clock_mode); }
int max_of(int a, int b) { return a > b ? a : b; }
int min_of(int a, int b) { return a < b ? a : b; }
int abs_of(int a) { return a < 0 ? -a : a; }

// The legal root moves as text, each followed by a blank.  With a
// searchmoves text only the legal moves it names are kept; when it names
// none of them the search falls back to every legal move rather than
// answering with no move at all.
void build_move_list(SearchThread* t, const Position& root, const char* searchmoves, char* full_list) {
  const int us = side_to_move(root);
  Move all[MAX_MOVES];
  int n = generate_all(root, all);
  char text[8];
  for (int pass = 0; pass < 2; ++pass) {
    char* end = full_list;
    *end = '\0';
    for (int i = 0; i < n; ++i) {
      Position child;
      make_search_move(t, root, &child, all[i]);
      if (king_attacked(child, us)) continue;
      move_to_text(all[i], text);
      if (pass == 0 && searchmoves[0] && !text_has_word(searchmoves, text)) continue;
      if (text_has_word(full_list, text)) continue;
      size_t length = std::strlen(text);
      std::memcpy(end, text, length);
      end[length] = ' ';
      end += length + 1;
      *end = '\0';
    }
    if (full_list[0] || !searchmoves[0]) break;
  }
}

// Removes one word (and its blank) from a move-list text.
void remove_word(char* text, const char* word) {
  size_t length = std::strlen(word);
  for (char* p = text; (p = std::strstr(p, word)) != nullptr; ++p) {
    bool starts = p == text || p[-1] == ' ';
    bool ends = p[length] == '\0' || p[length] == ' ';
    if (starts && ends) {
      char* rest = p + length;
      if (*rest == ' ') ++rest;
      std::memmove(p, rest, std::strlen(rest) + 1);
      return;
    }
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

// "go mate N": the search has found a mate in at most N moves.
bool mate_goal_reached(int score, int mate_moves) {
  return mate_moves > 0 && score > MATE_REPORT_BOUND && (MATE_SCORE - score) / 2 + 1 <= mate_moves;
}

void move_text_or_null(Move m, char* out) {
  if (m)
    move_to_text(m, out);
  else
    std::strcpy(out, "0000");  // the protocol's null move
}

// One line of iteration d over the moves in list.  With an aspiration
// window it is centred on the last score s1, half as wide as the last two
// score changes (at least 16), and widened by half again on the failing
// side until the score falls inside; a score that then falls out on the
// other side is searched with the full window.
int search_line(SearchThread* t, Position* root, int d, bool windowed, int s1, int s2, int s3, Move* pv,
                const char* list, uint64_t* best_nodes, uint64_t* other_nodes) {
  int alpha = -INFINITE_SCORE, beta = INFINITE_SCORE;
  if (windowed) {
    int w = max_of(MIN_ASPIRATION, (abs_of(s2 - s3) + abs_of(s1 - s2)) >> 1);
    alpha = max_of(s1 - w, -INFINITE_SCORE);
    beta = min_of(s1 + w, INFINITE_SCORE);
  }
  int score = search_root(t, root, 2 * d, alpha, beta, pv, list, best_nodes, other_nodes);
  if (!stop_requested && score >= beta) {
    while (!stop_requested && score >= beta) {
      int width = beta - alpha;
      alpha = max_of(score - 1, -INFINITE_SCORE);
      beta = min_of(score - 1 + width * 3 / 2, INFINITE_SCORE);
      score = search_root(t, root, 2 * d, alpha, beta, pv, list, best_nodes, other_nodes);
    }
    if (!stop_requested && score <= alpha)
      score = search_root(t, root, 2 * d, -INFINITE_SCORE, INFINITE_SCORE, pv, list, best_nodes, other_nodes);
  } else if (!stop_requested && score <= alpha) {
    while (!stop_requested && score <= alpha) {
      int width = beta - alpha;
      beta = min_of(score + 1, INFINITE_SCORE);
      alpha = max_of(score + 1 - width * 3 / 2, -INFINITE_SCORE);
      score = search_root(t, root, 2 * d, alpha, beta, pv, list, best_nodes, other_nodes);
    }
    if (!stop_requested && score >= beta)
      score = search_root(t, root, 2 * d, -INFINITE_SCORE, INFINITE_SCORE, pv, list, best_nodes, other_nodes);
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

}  // namespace

void set_search_hooks(const SearchHooks& h) { hooks = h; }

const DepthRecord* last_depth_records() { return main_search_thread()->depth_records; }

void request_fresh_tables() { main_search_thread()->fresh_tables_due = 1; }

bool poll_main(SearchThread* t) {
  poll_input();
  t->helper_nodes = helper_nodes();
  if (pondering) return false;
  if (stop_requested) return true;
  if (t->nodes + t->helper_nodes >= node_limit) {
    stop_requested = 1;
    return true;
  }
  if (now() >= t->hard_limit) {
    stop_requested = 1;
    return true;
  }
  return false;
}

bool poll_helper(SearchThread* t) {
  publish_nodes(t);
  return stop_requested != 0;
}

void helper_search(SearchThread* t, const HelperJob& job) {
  Position root = job.root;
  t->settings = job.settings;
  begin_thread_search(t, job.clear_move_history);
  Move pv[PV_SIZE];
  uint64_t best_nodes = 0, other_nodes = 0;
  int s1 = 0, s2 = 0, s3 = 0;  // scores of this thread's last three iterations
  for (int d = 1; d <= job.max_depth && !stop_requested; ++d) {
    if (d > 1) t->first_iteration = 0;
    if (helper_skips_depth(t->index, d)) continue;
    int score = search_line(t, &root, d, d >= 5, s1, s2, s3, pv, job.move_list, &best_nodes, &other_nodes);
    if (stop_requested) break;
    s3 = s2;
    s2 = s1;
    s1 = score;
  }
  publish_nodes(t);
}

int run_search(const Position& root_in, double goal, int max_depth, const SearchLimits& limits,
               const SearchSettings& settings) {
  SearchThread* t = main_search_thread();
  t->settings = settings;
  node_limit = limits.nodes;
  pondering = limits.ponder;
  Position root = root_in;
  const bool deterministic = settings.deterministic || test_mode;
  // "go infinite" must not answer before "stop", even when the search ends
  // by itself (a mate found, depth 99 reached).
  const bool infinite = limits.infinite && !test_mode;
  // The history and countermoves start empty at the first search and, in
  // deterministic mode, at every search.
  const bool fresh_tables = t->fresh_tables_due || deterministic;
  // The self-test measures one thread.
  const bool with_helpers = !test_mode && search_thread_count() > 1;

  // Start of a search.
  begin_thread_search(t, false);
  int soft_time_flag = 0;
  stop_requested = 0;
  char full_list[MOVE_LIST_TEXT_SIZE];
  char current_list[MOVE_LIST_TEXT_SIZE];
  build_move_list(t, root, limits.searchmoves, full_list);
  if (fresh_tables) {
    clear_history(t);
    build_search_tables();
  }
  root.psq = compute_psq(root);
  root.phase = static_cast<int16_t>(compute_phase(root));
  root.eval_cache = EVAL_NOT_COMPUTED;  // a position set up from text has none
  if (tt_enabled()) {
    if (fresh_tables) {
      tt_clear();
      t->fresh_tables_due = 0;
    }
    tt_new_search();
  }
  log_position(root);

  TimeControl tc;
  time_control_start(&tc, now(), goal, limits.movetime != 0, max_goal_percent);
  t->start_time = tc.start;
  t->hard_limit = tc.hard_limit;
  const double start = tc.start;
  log_printf("DEPTH      TIME         NODES      KNPS    SCORE   PRINCIPAL VARIATION\n");
  log_printf("-----  --------  ------------  --------  -------   -------------------------------------------------\n");
  std::memset(t->depth_records, 0, sizeof t->depth_records);

  Move best_move = 0, ponder_move = 0;
  int best_score = 0;
  Move previous_best = 0;
  int s1 = 0, s2 = 0, s3 = 0;  // scores of the last three iterations
  int line_limit = settings.multipv < 1 ? 1 : min_of(settings.multipv, MAX_LINES);
  Line lines[MAX_LINES];
  Move pv[PV_SIZE];
  char pv_buffer[PV_TEXT_SIZE];
  char text[8];

  for (int d = 1;; ++d) {
    if (d == 1) {
      Move book_move = probe_book(root);
      if (book_move) {
        best_move = book_move;
        ponder_move = 0;
        best_score = 0;
        break;
      }
      if (with_helpers) start_helpers(HelperJob{root, full_list, max_depth, fresh_tables, settings});
    } else {
      t->first_iteration = 0;
    }
    if (!test_mode) std::printf("info depth %d\n", d);

    std::strcpy(current_list, full_list);
    uint64_t best_nodes = 0, other_nodes = 0;
    int line_count = 0;
    const int lines_wanted = d == 1 ? 1 : line_limit;
    for (int k = 1; k <= lines_wanted; ++k) {
      const bool windowed = d >= 5 && line_limit < 2;
      int score = search_line(t, &root, d, windowed, s1, s2, s3, pv, current_list, &best_nodes, &other_nodes);
      // A line cut short is discarded: the last complete iteration's (or
      // this iteration's complete lines') move is the answer.
      if (stop_requested) break;

      uint64_t spent = best_nodes + other_nodes + static_cast<uint64_t>(k);
      time_control_after_line(&tc, d, best_nodes, spent, pv[0] != previous_best);

      Line& line = lines[line_count++];
      line.score = score;
      line.milliseconds = static_cast<int>((now() - start) * 1000);
      line.nodes = search_node_total(t);
      std::memcpy(line.pv, pv, sizeof line.pv);
      if (!pv[0]) break;
      move_to_text(pv[0], text);
      remove_word(current_list, text);
      if (!current_list[0]) break;
    }

    sort_best_first(lines, line_count, [](const Line& line) { return line.score; });  // best line first
    if (settings.multipv > 1 && !test_mode) {
      for (int i = 0; i < line_count; ++i) {
        const Line& line = lines[i];
        pv_to_text(line.pv, pv_buffer);
        double seconds = line.milliseconds / 1000.0;
        std::printf("info multipv %d score cp %d%s depth %d time %d nodes %" PRIu64 " nps %" PRIu64 " pv %s\n", i + 1,
                    line.score, wdl_text(line.score), d, line.milliseconds, line.nodes,
                    static_cast<uint64_t>(static_cast<double>(line.nodes) / (seconds + 0.0001)), pv_buffer);
      }
      std::fflush(stdout);
    }
    if (line_count > 0) {
      best_move = lines[0].pv[0];
      ponder_move = best_move ? lines[0].pv[1] : 0;
      best_score = lines[0].score;
    }

    if (stop_requested) {
      log_printf("search aborted\n");
      break;
    }
    // Limited strength: the complete iteration's lines to choose from (strength.h).
    if (settings.limit_elo)
      for (int i = 0; i < line_count; ++i) note_root_line(&t->strength, i, lines[i].pv, lines[i].score);
    double elapsed = now() - start;
    if (elapsed < 0.0001) elapsed = 0.0001;
    const uint64_t nodes = search_node_total(t);
    pv_to_text(lines[0].pv, pv_buffer);
    log_printf("%5d  %8.1f  %12" PRIu64 "  %8.1f  %7.2f   %s\n", d, elapsed, nodes,
               static_cast<double>(nodes) / elapsed / 1000.0, best_score / 100.0, pv_buffer);
    if (test_mode) {
      if (d < DEPTH_RECORDS) t->depth_records[d] = {elapsed, nodes, best_score, best_move};
    } else {
      char score_buffer[32];
      score_text(best_score, score_buffer);
      std::printf("info depth %d time %d nodes %" PRIu64 " score %s nps %" PRIu64 " pv %s\n", d,
                  static_cast<int>(elapsed * 1000), nodes, score_buffer,
                  static_cast<uint64_t>(static_cast<double>(nodes) / elapsed), pv_buffer);
      std::fflush(stdout);
    }

    time_control_after_iteration(&tc, d, best_score, s1);
    s3 = s2;
    s2 = s1;
    s1 = best_score;
    previous_best = best_move;
    if (now() > tc.soft_target) soft_time_flag = 1;
    // "go infinite" deepens on after a mate, until "stop" or the last depth.
    if ((soft_time_flag && !pondering) || (!infinite && mate_is_settled(best_score, d)) ||
        (!test_mode && mate_goal_reached(best_score, limits.mate)) || d >= max_depth)
      break;
  }

  // End of a search.
  double elapsed = now() - start;
  if (elapsed < 0) elapsed = 0;
  log_printf("Total move time %8.1f\n", elapsed);

  // A ponder search, and an infinite one, that ends by itself waits for
  // "ponderhit" or "stop" before it answers.
  if (max_depth == NO_DEPTH_LIMIT || pondering) {
    for (;;) {
      poll_input();
      if (stop_requested || (!pondering && !infinite)) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  // The answer is the main thread's; the helpers end before it is given.
  stop_helpers();
  if (test_mode) return best_score;

  if (log_file) {
    const PawnTable& pawns = t->eval.pawns;
    double rate = pawns.probes ? pawns.hits * 100.0 / static_cast<double>(pawns.probes) : 0.0;
    log_printf("\nEtable statistics: %12" PRIu64 " hits  %12" PRIu64 " probes   Rate = %8.3f percent\n", pawns.hits,
               pawns.probes, rate);
  }
  // Limited strength: the move may be one of the near-best lines instead.
  if (settings.limit_elo) choose_weakened_move(&t->strength, root.key, settings.limit_elo, &best_move, &ponder_move);
  const uint64_t nodes = search_node_total(t);
  char best_text[8], ponder_text[8];
  move_text_or_null(best_move, best_text);
  if (ponder_move) {
    move_to_text(ponder_move, ponder_text);
    std::printf("info nodes %" PRIu64 "\n", nodes);
    std::printf("bestmove %s ponder %s\n", best_text, ponder_text);
    log_printf("info nodes %" PRIu64 "\n", nodes);
    log_printf("bestmove %s ponder %s\n", best_text, ponder_text);
  } else {
    log_printf("bestmove %s\n", best_text);
    std::printf("info nodes %" PRIu64 "\n", nodes);
    std::printf("bestmove %s\n", best_text);
  }
  std::fflush(stdout);
  return best_score;
}
