// Quiescence search: below the main search's horizon only captures, queen
// promotions and (in the first two plies) checks are tried, so that the
// static evaluation is only trusted in quiet positions.
#include "board/movegen.h"
#include "board/picker.h"
#include "board/see.h"
#include "search/draw.h"
#include "search/search.h"
#include "search/tt.h"

namespace {

// The table is consulted only near the horizon; deeper capture chains are
// cheap enough to search again.
constexpr int QDEPTH_PROBE_LIMIT = -10;
// Below this only recaptures on the square of the last move are searched.
constexpr int QDEPTH_RECAPTURES_ONLY = -16;
// Thirty quiescence plies: stand pat, whatever happens.
constexpr int QDEPTH_FLOOR = -59;
constexpr int DELTA_MARGIN_PIECE = 140;
constexpr int DELTA_MARGIN_PAWN = 80;

}  // namespace

int quiesce(SearchThread* t, Position* p, int alpha, int beta, int qdepth, int ply, Move* pv) {
  pv[0] = 0;
  if (ply > t->seldepth) t->seldepth = ply;
  if (t->control->stop) return 0;
  if (poll_should_stop(t)) return 0;
  if (is_dead_draw(*p, ply)) return draw_value(t->settings.draw_score, ply);

  const bool null_window = alpha + 1 == beta;
  Move hash_move = 0;
  int hash_score = 0, hash_bound = 0;
  bool hit = false;
  if (qdepth >= QDEPTH_PROBE_LIMIT) {
    if (TTEntry entry; tt_probe(*t->table, p->key, &entry)) {
      hit = true;
      hash_move = entry.move;
      hash_score = entry.score;
      hash_bound = entry.bound;
      if (null_window && entry.depth >= qdepth) {
        // (A mate is compared as stored; a tablebase result at this node's ply.)
        const int bound_score = is_tb_score(hash_score) ? tb_score_from_table(hash_score, ply) : hash_score;
        if ((hash_bound & BOUND_LOWER) && bound_score >= beta) return score_from_table(hash_score, ply);
        if ((hash_bound & BOUND_UPPER) && bound_score < alpha + 1) return score_from_table(hash_score, ply);
      }
    }
  }

  const int them = side_to_move(*p) ^ 1;
  const bool in_check = p->in_check != 0;
  int e = 0, best, counted = 0;
  PickerMode mode;
  if (!in_check) {
    e = node_eval(t, p);
    if (hit) e = refine_with_bound(e, hash_score, hash_bound);
    if (qdepth < QDEPTH_FLOOR) return e;
    if (e >= beta) return e;
    if (e > alpha) alpha = e;
    best = e;
    counted = 1;  // standing pat counts as a move
    mode = (qdepth == 0 || (qdepth == -2 && !null_window)) ? PICKER_CAPTURES_CHECKS : PICKER_CAPTURES;
  } else {
    best = -INFINITE_SCORE;
    mode = PICKER_EVASIONS;
  }

  const MoveOrdering ordering = search_ordering(t, *p);
  MoveList list;
  picker_init(*p, &list, mode, mode == PICKER_CAPTURES ? 0 : hash_move, 0, 0, &ordering);
  const int phase = p->phase < 96 ? p->phase : 96;
  const int last_to = move_to(p->last_move);
  Move best_move = 0;
  bool best_is_draw = false;
  Move child_pv[2];
  Position child;
  for (Move m; (m = picker_next(&list)) != 0;) {
    if (m > LAST_NON_UNDERPROMOTION) continue;
    const int to = move_to(m);
    const int kind = move_kind(m);
    const int victim = piece_type_on(*p, them, to);
    const bool capture = victim != 0 || kind == KIND_EN_PASSANT;
    if (!in_check) {
      int checks = -1;  // gives_check, computed when needed
      if (mode == PICKER_CAPTURES_CHECKS && !capture && kind != KIND_PROMOTE_QUEEN) {
        checks = gives_check(*p, m);
        if (!checks) continue;
      }
      // Delta pruning: even winning the piece on the target square would
      // not lift the score to alpha.
      if (!is_promotion(m)) {
        int margin = victim == PAWN ? DELTA_MARGIN_PAWN : DELTA_MARGIN_PIECE;
        int value = victim ? phase_piece_value[phase][victim] : 0;
        if (alpha > e + value + margin) {
          if (checks < 0) checks = gives_check(*p, m);
          if (!checks) continue;
        }
      }
      if (qdepth < QDEPTH_RECAPTURES_ONLY && to != last_to) continue;
    } else if (best > MATED_BOUND && !capture && !is_promotion(m) && see_quick(*p, m, 0) < 0) {
      continue;  // a losing quiet evasion once a saving move is known
    }

    if (!make_child(t, *p, &child, m)) continue;
    ++counted;
    int s;
    const bool is_draw = child_is_draw(t, child, ply, &s);
    if (!is_draw) {
      s = -quiesce(t, &child, -beta, -alpha, qdepth - 2, ply + 1, child_pv);
      if (t->control->stop) return 0;
    }
    if (s > best) {
      if (s > alpha) {
        pv[0] = m;
        pv[1] = 0;
        alpha = s;
        best_move = m;
      }
      best = s;
      best_is_draw = is_draw;
      if (s >= beta) break;
    }
  }
  if (t->control->stop) return 0;
  if (!counted) best = mated_in(ply);

  if (null_window && !best_is_draw) {
    int stored_depth = qdepth == 0 ? 0 : -2;
    if (best >= beta)
      tt_store(t->table, p->key, stored_depth, score_to_table(best, ply), BOUND_LOWER, best_move);
    else
      tt_store(t->table, p->key, stored_depth, score_to_table(best, ply), BOUND_UPPER, 0);
  }
  return best;
}
