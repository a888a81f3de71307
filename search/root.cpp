// The root search: one iteration over the root moves in the order the
// previous iterations left them, with the node accounting the driver's time
// control reads and the progress a GUI shows (new best moves, the move now
// searched), reported through the search's reporter.
#include <atomic>

#include "board/fen.h"
#include "board/movegen.h"
#include "board/see.h"
#include "core/clock.h"
#include "search/draw.h"
#include "search/search.h"
#include "search/tables.h"
#include "search/threads.h"
#include "search/report.h"
#include "search/tt.h"

namespace {

void build_root_list(SearchThread* t, const Position& root) {
  const int us = side_to_move(root);
  Move all[MAX_MOVES];
  int n = generate_all(root, all);
  RootMove* root_moves = t->root_moves;
  int& root_move_count = t->root_move_count;
  root_move_count = 0;
  Position root_child;
  for (int i = 0; i < n; ++i) {
    make_search_move(t, root, &root_child, all[i]);
    if (king_attacked(root_child, us)) continue;
    // Order by the piece-square gain, blended by the child's phase, and put
    // moves that lose material by exchange at the back.
    int phase = root_child.phase < 96 ? root_child.phase : 96;
    int score = (opening_part(root_child.psq) * phase + endgame_part(root_child.psq) * (96 - phase)) / 960;
    if (us == BLACK) score = -score;
    if (see_quick(root, all[i], 0) < 0) score -= 500;
    root_moves[root_move_count++] = {all[i], score, 0};
  }
  sort_best_first(root_moves, root_move_count, [](const RootMove& r) { return r.order_score; });
  t->nodes = 0;
}

// A new best root move inside an iteration, for a GUI to show at once.
void report_progress(const SearchThread* t, int iteration, int score, const Move* pv) {
  double elapsed = wall_clock_seconds(clock_mode) - t->start_time;
  if (elapsed < 0) elapsed = 0;
  const uint64_t nodes = search_node_total(t);
  SearchLine line{LINE_PROGRESS, iteration, t->seldepth, 1, root_report_score(t, pv[0], score), nodes, elapsed,
                  static_cast<int>(elapsed * 1000), static_cast<uint64_t>(static_cast<double>(nodes) / (elapsed + 0.0001)),
                  tt_hashfull(*t->table), search_tbhits_total(t), pv};
  t->reporter->line(t->reporter->context, line);
}

}  // namespace

int root_report_score(const SearchThread* t, Move m, int score) {
  const TbRootResult* tb = t->tb_root;
  if (!tb || is_mate_score(score)) return score;
  for (int i = 0; i < tb->kept_count; ++i)
    if (tb->kept[i] == m) return tb->kept_score[i];
  return tb->score;
}

int search_root(SearchThread* t, Position* root, int depth, int alpha, int beta, Move* pv, const RootMoveSet& moves,
                uint64_t* best_nodes, uint64_t* other_nodes) {
  const std::atomic<int>& stop = t->control->stop;
  if (stop) return 0;
  root->extension_carry = root->horizon_extended = 0;
  const int iteration = depth / 2;
  // Only the main thread reports.
  const SearchReporter* reporter = t->reporter;
  const bool progress_lines = reporter && reporter->line && t->settings.multipv < 2 && iteration > 4;
  const bool currmove_lines = reporter && reporter->current_move && iteration > 5 &&
                              wall_clock_seconds(clock_mode) - t->start_time > 0.25 && t->settings.multipv == 1;
  if (poll_should_stop(t)) return 0;
  pv[0] = 0;
  if (iteration == 1) build_root_list(t, *root);
  RootMove* root_moves = t->root_moves;
  const int root_move_count = t->root_move_count;

  const int us = side_to_move(*root), them = us ^ 1;
  const bool root_in_check = root->in_check != 0;
  t->root_depth = iteration;
  t->stack[0].static_eval = root_in_check ? NO_STATIC_EVAL : cached_eval(t, root);
  int best = -INFINITE_SCORE;
  int searched = 0;
  bool no_reduction = false;
  Move child_pv[PV_SIZE];
  Position root_child;  // the child of the root move being searched

  for (int i = 0; i < root_move_count; ++i) {
    RootMove& entry = root_moves[i];
    const Move m = entry.move;
    make_search_move(t, *root, &root_child, m);
    const uint64_t nodes_before = t->nodes;
    if (moves.count > 0 && !root_move_listed(moves, m)) continue;
    if (king_attacked(root_child, us)) continue;
    ++searched;
    if (currmove_lines) reporter->current_move(reporter->context, m, searched);
    root_child.in_check = static_cast<uint16_t>(king_attacked(root_child, them));

    int s = 0;
    child_pv[0] = 0;
    if (is_repetition(root_child)) {
      // Moving into a position the game has already seen is a draw, as it
      // is everywhere else in the tree.
      s = draw_value(t->settings.draw_score, 0);
      entry.nodes = 0;
    } else {
      const int kind = move_kind(m), to = move_to(m);
      const bool checking = root_child.in_check != 0;
      const bool tactical = root_child.captured_type || kind == KIND_EN_PASSANT || is_promotion(m);
      int ext;
      if (root_child.moved_type == PAWN) {
        if ((advanced_ranks(us) & square_bit(to)) && !(front_span[us][to] & root->pieces[them][PAWN])) {
          ext = checking ? 8 : 4;
          no_reduction = true;
        } else {
          ext = checking ? 4 : 0;
        }
      } else if (kind == KIND_NORMAL && root_child.captured_type && !root_in_check) {
        if (see_quick(*root, m, 0) >= 0) {
          ext = checking ? 6 : 2;
          no_reduction = true;
        } else {
          ext = checking ? 4 : 0;
        }
      } else {
        ext = checking ? 4 : 0;
      }
      if (checking || root_in_check) no_reduction = true;
      const int total = root->extension_carry + ext;
      const int new_depth = depth + total / 2 - 2;
      root_child.extension_carry = static_cast<uint8_t>(total & 1);

      if (searched == 1) {
        s = -search_pv(t, &root_child, -beta, -alpha, new_depth, 1, child_pv);
      } else {
        bool done = false;
        if (!no_reduction && t->settings.use_lmr && searched >= 3 && depth >= 6 && !tactical && !checking &&
            !root_in_check && best > MATED_BOUND) {
          int r = reduction_of(depth / 2, searched) - 2;
          if (r > new_depth - 2) r = new_depth - 2;
          if (r > 0) {
            s = -search_scout(t, &root_child, -alpha, new_depth - r, 1, 0, true);
            done = !stop && s <= alpha;
          }
        }
        if (done) continue;  // the move keeps the node count of its last full search
        if (!stop) {
          s = -search_scout(t, &root_child, -alpha, new_depth, 1, 0, true);
          if (!stop && s > alpha) s = -search_pv(t, &root_child, -beta, -alpha, new_depth, 1, child_pv);
        }
      }
      // A search cut short by "stop" or a limit says nothing about the move.
      if (stop) return 0;
      entry.nodes = t->nodes - nodes_before;
    }

    if (s > best) {
      pv[0] = m;
      int k = 0;
      for (; k < PV_MOVES - 1 && child_pv[k]; ++k) pv[k + 1] = child_pv[k];
      pv[k + 1] = 0;
      if (progress_lines) report_progress(t, iteration, s, pv);
      best = s;
      if (s >= beta) break;
      if (s > alpha) alpha = s;
    }
    if (stop) return 0;
  }

  // The best move goes to the front; the moves before it shift down.
  if (pv[0]) {
    int at = 0;
    while (at < root_move_count && root_moves[at].move != pv[0]) ++at;
    if (at < root_move_count) {
      RootMove moved = root_moves[at];
      for (int j = at; j > 0; --j) root_moves[j] = root_moves[j - 1];
      root_moves[0] = moved;
    }
  }
  if (searched == 0) best = root_in_check ? mated_in(0) : 0;

  if (root_move_count > 0) {
    *best_nodes += root_moves[0].nodes;
    for (int i = 1; i < root_move_count; ++i) *other_nodes += root_moves[i].nodes;
  }
  return best;
}
