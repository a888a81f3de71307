// The main search: a principal-variation search made of two routines.
// search_pv searches the expected line with a full window; search_scout
// proves or refutes every other move with a null window and carries almost
// all of the selectivity: null move, futility, razoring, late-move pruning
// and reductions, and the extensions that keep forcing lines deep.
#include <cstdlib>

#include "board/attacks.h"
#include "board/movegen.h"
#include "board/picker.h"
#include "board/see.h"
#include "search/draw.h"
#include "search/search.h"
#include "search/tables.h"
#include "search/tt.h"

namespace {

inline int min_of(int a, int b) { return a < b ? a : b; }
inline int abs_of(int a) { return a < 0 ? -a : a; }

// Legal replies to a check, counted up to limit (the single-reply test).
int count_evasions(SearchThread* t, const Position& p, int limit) {
  const int us = side_to_move(p);
  MoveList list;
  picker_init(p, &list, PICKER_EVASIONS, 0, 0, 0, &t->history, 0);
  Position child;
  int n = 0;
  for (Move m; n < limit && (m = picker_next(&list)) != 0;) {
    make_search_move(t, p, &child, m);
    if (!king_attacked(child, us)) ++n;
  }
  return n;
}

// Under-promotions are searched only when the knight would give check.
inline bool skip_underpromotion(Move m, int enemy_king) {
  return m > LAST_NON_UNDERPROMOTION && !(knight_attacks[enemy_king] & square_bit(move_to(m)));
}

// A pawn reaching its sixth rank or beyond with no enemy pawn able to stop it.
inline bool is_passed_push(const Position& p, const Position& child, int us, int to) {
  return child.moved_type == PAWN && (advanced_ranks(us) & square_bit(to)) &&
         !(front_span[us][to] & p.pieces[us ^ 1][PAWN]);
}

// Static exchange values, computed once per move when first needed.
struct LazySee {
  const Position& p;
  Move m;
  int move_value = NOT_COMPUTED;
  int square_value = NOT_COMPUTED;
  static constexpr int NOT_COMPUTED = -1000000;
  int of_move() {
    if (move_value == NOT_COMPUTED) move_value = see_quick(p, m, 0);
    return move_value;
  }
  // Below 0 when the moving piece stands attacked on its square.
  int of_square() {
    if (square_value == NOT_COMPUTED) {
      int from = move_from(m);
      square_value = see_quick(p, move_code(from, from, KIND_NORMAL), 0);
    }
    return square_value;
  }
};

inline bool has_piece_besides_pawns(const Position& p, int colour) {
  return (p.pieces[colour][ALL_PIECES] & ~(p.pieces[colour][PAWN] | p.pieces[colour][KING])) != 0;
}

inline void copy_pv(Move* pv, Move m, const Move* child_pv) {
  pv[0] = m;
  int i = 0;
  for (; i < PV_MOVES - 1 && child_pv[i]; ++i) pv[i + 1] = child_pv[i];
  pv[i + 1] = 0;
}

// A quiet move remembered for the history update: piece type and target.
inline uint16_t quiet_entry(int type, int to) { return static_cast<uint16_t>((type << 6) | to); }
inline int32_t* history_cell(SearchThread* t, int us, uint16_t entry) {
  return &t->history.cell[us][entry >> 6][entry & 63];
}

}  // namespace

int search_scout(SearchThread* t, Position* p, int beta, int depth, int ply, Move excluded, int null_flag) {
  if (stop_requested) return 0;
  if (poll_should_stop(t)) return 0;
  if (is_dead_draw(*p, ply)) return draw_value(t->settings.draw_score, ply);

  Move qpv[2];
  // 1. Horizon.  A quiet position whose last move left a threat, standing
  // just above beta, gets one more ply instead of the quiescence search.
  if (depth < 2 || ply >= MAX_SEARCH_PLY) {
    if (depth >= 0 && ply < MAX_SEARCH_PLY && p->search_marks[3] == 0 && !excluded && !p->in_check &&
        last_move_threat(*p)) {
      int e = node_eval(t, p);
      if (beta <= e && e < beta + SCOUT_HORIZON_WINDOW) {
        p->search_marks[3] = 1;
        return search_scout(t, p, beta, depth + 2, ply, excluded, null_flag);
      }
    }
    return quiesce(t, p, beta - 1, beta, 0, ply, qpv);
  }

  // 2. Transposition table.
  Move hash_move = 0;
  int hash_score = 0, hash_bound = 0;
  bool hit = false;
  if (!excluded) {
    if (TTEntry entry; tt_probe(p->key, &entry)) {
      hit = true;
      hash_move = entry.move;
      hash_score = entry.score;
      hash_bound = entry.flags & 15;
      if (entry.depth >= depth) {
        if ((hash_bound & BOUND_LOWER) && hash_score >= beta) return mate_from_table(hash_score, ply);
        if ((hash_bound & BOUND_UPPER) && hash_score < beta) return mate_from_table(hash_score, ply);
      }
    }
  }

  const int us = side_to_move(*p), them = us ^ 1;
  const bool in_check = p->in_check != 0;
  const bool odd = ((p->search_marks[1] ^ ply) & 1) != 0;
  const int even_bonus = odd ? 0 : EVEN_NODE_BONUS;
  const int phase = p->phase < 96 ? p->phase : 96;

  // 3. Static evaluation; hopeless positions near the horizon give up.
  int e = -INFINITE_SCORE;
  if (!in_check) {
    e = node_eval(t, p);
    if (hit) e = refine_with_bound(e, hash_score, hash_bound);
    if (depth < 8 && e < beta - DEEP_DEFICIT) return e;
  }

  // 4. Far ahead against a weakened opponent: search a ply less.
  if (depth >= 4 && e >= FAR_AHEAD && !p->pieces[them][QUEEN] && !(p->pieces[them][PAWN] & relative_rank_mask(them, 6)))
    depth -= 2;

  // 5. Reverse futility, null move and threat pruning.
  if (t->settings.null_move && !null_flag && !in_check && abs_of(beta) <= MATE_BOUND && e >= beta + 5) {
    if ((depth == 6 || depth == 7) && e - REVERSE_FUTILITY[depth] + even_bonus >= beta) return beta;
    if (depth >= 6 && has_piece_besides_pawns(*p, us)) {
      int x = null_move_curve[min_of(e - beta, NULL_CURVE_SIZE - 1)] + (phase < 24 ? 4000 : 6000) + 250 * depth - 2500;
      int child_depth = depth - x / 1000 - 2;
      Position child;
      make_search_move(t, *p, &child, 0);
      tt_prefetch(child.key);
      int s = -search_scout(t, &child, 1 - beta, child_depth, ply + 1, 0, 1);
      if (stop_requested) return 0;
      if (!is_mate_score(s) && s >= beta) return beta;
    }
    if (depth >= 2 && depth <= 5) {
      if (e - REVERSE_FUTILITY[depth] + even_bonus >= beta) return beta;
      int level = threat_level(*p);
      if (level >= THREAT_LEVELS) level = THREAT_LEVELS - 1;
      if (e - THREAT_PRICE[level] - THREAT_MARGIN[depth] >= beta) return beta;
    }
  }

  // 6, 7. Razoring: far below beta with no hash move, ask the quiescence
  // search whether anything at all can be gained.
  const int plies = depth / 2;
  const bool pawn_on_seventh = (p->pieces[us][PAWN] & relative_rank_mask(us, 6)) != 0;
  if (!in_check && !hash_move && p->last_move && !pawn_on_seventh) {
    if (plies == 1) {
      if (e < beta - 120) return quiesce(t, p, beta - 1, beta, 0, ply, qpv);
    } else if (depth < RAZOR_DEPTH && abs_of(beta) <= MATE_BOUND) {
      int r = razor_margin(depth);
      if (e < beta - r) {
        int q = quiesce(t, p, beta - r - 1, beta - r, 0, ply, qpv);
        if (stop_requested) return 0;
        if (q < beta - r) return q;
      }
    }
  }

  // 8. Move source.  A futile node near the horizon only tries tactical
  // moves and checks, and keeps its static score as the floor.
  int mode = PICKER_ALL;
  int best = -INFINITE_SCORE;
  int count = 0;
  if (in_check) {
    mode = PICKER_EVASIONS;
  } else if (plies <= 5 && e + futility_margin[depth] < beta) {
    mode = PICKER_CAPTURES_CHECKS;
    best = e;
    count = 1;
  }

  // 9. Single reply to a check.
  const bool single_reply = plies >= 7 && in_check && count_evasions(t, *p, 3) == 1;

  // 10. Move loop.
  const Move k1 = t->killer1[ply], k2 = t->killer2[ply];
  MoveList list;
  picker_init(*p, &list, mode, hash_move, k1, k2, &t->history, 0);
  const int enemy_king = king_square(*p, them);
  const int carry = p->search_marks[2];
  const CounterMove counter = t->countermoves[p->moved_type + 7 * us][p->last_move & 4095];
  const Bitboard occupied = occupancy(*p);
  uint16_t quiets[MAX_MOVES];
  int quiet_count = 0;
  int made = 0;
  Move cutoff_move = 0;
  bool cutoff_tactical = false;
  bool best_is_draw = false;
  Position child;

  for (Move m; (m = picker_next(&list)) != 0;) {
    if (m == excluded) continue;
    if (skip_underpromotion(m, enemy_king)) continue;
    const int from = move_from(m), to = move_to(m), kind = move_kind(m);
    const bool is_killer = m == k1 || m == k2;
    LazySee see{*p, m};

    // Late-move pruning of quiet moves to empty squares.
    if (depth <= 7 && !in_check && !is_killer && count > LATE_MOVE_COUNT[odd][depth] && kind <= KIND_DOUBLE_STEP &&
        !(occupied & square_bit(to))) {
      bool pawn_from_sixth = (p->pieces[us][PAWN] & relative_rank_mask(us, 5) & square_bit(from)) != 0;
      if (!pawn_from_sixth && !gives_check(*p, m)) continue;
    }
    // Close to the root, losing exchanges are not worth a look.
    if (plies <= 2 && !in_check && count > 0 && kind == KIND_NORMAL && see.of_move() < 0) continue;

    if (!make_child(t, *p, &child, m)) continue;
    ++count;
    ++made;
    const bool tactical = child.captured_type || kind == KIND_EN_PASSANT || is_promotion(m);
    if (!tactical && !in_check) quiets[quiet_count++] = quiet_entry(child.moved_type, to);

    int s;
    const bool is_draw = child_is_draw(t, child, ply, &s);
    if (!is_draw) {
      const bool checking = child.in_check != 0;
      // Extensions in quarter-plies.
      int ext = checking ? ((odd && depth <= 15) ? 3 : 2) : 0;
      if (single_reply) ext += 2;
      bool passed_push = false;
      if (phase < 33 && is_passed_push(*p, child, us, to)) {
        ext += 2;
        passed_push = true;
      }
      if (ext == 0 && made == 1 && m == hash_move && depth >= 6 && depth <= 15) ext = 2;
      // Singular extension: the hash move is far better than every other.
      if (odd && !excluded && ext < 3 && m == hash_move && depth >= 15) {
        int singular_beta = hash_score - SINGULAR_MARGIN;
        int ss = search_scout(t, p, singular_beta, depth - min_of(plies, 12), ply, m, 1);
        if (stop_requested) return 0;
        if (ss < singular_beta) ext = depth >= 4 * ply ? min_of(ext + 4, 4) : ext + 2;
      }
      ext = min_of(ext, 4);
      if (child.captured_type > PAWN && child.phase == 0) ext = 8;  // into a pawn ending
      const int total = carry + ext;
      const int new_depth = depth + total / 2;
      child.search_marks[2] = static_cast<uint8_t>(total & 1);

      const bool escape = new_depth >= 6 && new_depth <= 15 && !tactical && child.moved_type != KING &&
                          see.of_square() < 0 && see.of_move() >= 0;
      const bool counter_match = counter.kind == p->moved_type && counter.move == (m & 0xffff);

      // Quiet moves late in the list that cannot reach beta.
      if (new_depth >= 6 && new_depth <= 17 && !counter_match && !tactical && !in_check && !is_killer &&
          best > MATED_BOUND && count > QUIET_PRUNING_MOVES && (see.of_move() < 0 || !last_move_threat(child))) {
        int bonus = 1 << (odd ? new_depth - 6 : new_depth - 4);
        int margin = e - 4 * count + 30 + bonus + 2 * new_depth;
        if (beta > margin) continue;
        if (margin <= beta + 119) {
          int k = cached_eval(t, &child);
          if (beta > 2 * new_depth + bonus - 4 * count - k) continue;
        }
      }

      bool done = false;
      if (plies == 4 && count > LATE_MOVE_COUNT[odd][depth] && !tactical && !is_killer && m != hash_move &&
          !counter_match && !checking && !in_check && !passed_push && best > MATED_BOUND && !last_move_threat(child)) {
        s = beta - 1;  // assumed to fail low without a search
        done = true;
      }

      if (!done) {
        const int index = (odd && !in_check) ? count * 2 : count;
        const int r = scout_reduction[min_of(new_depth, REDUCTION_DEPTHS - 1)][min_of(index, REDUCTION_MOVES - 1)];
        if (new_depth > 7 && t->settings.use_lmr && !tactical && !checking && (!in_check || odd) &&
            best > MATED_BOUND && r >= 2 && m != hash_move && !is_killer && !counter_match &&
            !(new_depth <= 9 && last_move_threat(child))) {
          int d = new_depth - 2 - (escape ? 2 : r);
          if (d == 2 || d == 3) d = 0;
          s = -search_scout(t, &child, 1 - beta, d, ply + 1, 0, 0);
          if (stop_requested) return 0;
          done = s < beta;
        }
      }
      if (!done) {
        s = -search_scout(t, &child, 1 - beta, new_depth - 2, ply + 1, 0, 0);
        if (stop_requested) return 0;
      }
    }

    if (s <= best) continue;
    best = s;
    best_is_draw = is_draw;
    if (s >= beta) {
      cutoff_move = m;
      cutoff_tactical = tactical;
      break;
    }
  }

  // 11. Mate, stalemate, and the move-ordering memory.
  if (count == 0) best = in_check ? mated_in(ply) : 0;
  if (cutoff_move && !cutoff_tactical) {
    t->countermoves[p->moved_type + 7 * us][p->last_move & 4095] = {p->moved_type, static_cast<uint16_t>(cutoff_move)};
    if (cutoff_move != t->killer1[ply]) {
      t->killer2[ply] = t->killer1[ply];
      t->killer1[ply] = cutoff_move;
    }
    // The cutoff move is the last quiet move recorded (when not in check).
    int rewarded = in_check ? -1 : quiet_count - 1;
    for (int i = 0; i < quiet_count; ++i)
      if (i != rewarded) history_penalty(history_cell(t, us, quiets[i]), depth);
    if (rewarded >= 0) history_reward(history_cell(t, us, quiets[rewarded]), depth);
  }

  // 12. Store.
  if (!best_is_draw && !excluded) {
    if (best >= beta)
      tt_store(p->key, depth, mate_to_table(best, ply), BOUND_LOWER, cutoff_move, 1);
    else
      tt_store(p->key, depth, mate_to_table(best, ply), BOUND_UPPER, 0, 0);
  }
  return best;
}

int search_pv(SearchThread* t, Position* p, int alpha, int beta, int depth, int ply, Move* pv) {
  pv[0] = 0;
  p->search_marks[1] = static_cast<uint8_t>(ply);
  if (stop_requested) return 0;
  if (poll_should_stop(t)) return 0;
  if (is_dead_draw(*p, ply)) return draw_value(t->settings.draw_score, ply);

  // Horizon: one more ply when the static score sits just below beta, or
  // inside the window while something stands attacked.
  if (depth < 2 || ply >= MAX_SEARCH_PLY) {
    if (depth >= 0 && ply < MAX_SEARCH_PLY && p->search_marks[3] == 0) {
      int e = node_eval(t, p);
      if ((beta - PV_HORIZON_WINDOW <= e && e < beta) ||
          (alpha <= e && e <= beta + PV_HORIZON_WINDOW && threat_level(*p) > 0)) {
        p->search_marks[3] = static_cast<uint8_t>(p->search_marks[3] + 1);
        return search_pv(t, p, alpha, beta, depth + 2, ply, pv);
      }
    }
    return quiesce(t, p, alpha, beta, 0, ply, pv);
  }

  // The table only orders moves here; internal deepening finds a first move
  // when it has none.
  Move hash_move = 0;
  int hash_score = 0;
  bool hash_from_table = false;
  if (TTEntry entry; tt_probe(p->key, &entry)) {
    if (entry.depth >= depth - 6) {
      hash_move = entry.move;
      hash_from_table = hash_move != 0;
    }
    hash_score = entry.score;
  }
  if (!hash_move && depth >= 10) {
    int s = search_pv(t, p, alpha, beta, depth - 4, ply, pv);
    if (stop_requested) return 0;
    hash_move = pv[0];
    hash_score = s;
    pv[0] = 0;
  }

  cached_eval(t, p);
  const int us = side_to_move(*p), them = us ^ 1;
  const bool in_check = p->in_check != 0;
  const int plies = depth / 2;
  const int phase = p->phase < 96 ? p->phase : 96;
  const bool single_reply = plies >= 3 && in_check && count_evasions(t, *p, 3) == 1;
  const Move k1 = t->killer1[ply], k2 = t->killer2[ply];
  MoveList list;
  picker_init(*p, &list, in_check ? PICKER_EVASIONS : PICKER_ALL, hash_move, k1, k2, &t->history, 0);

  const int alpha0 = alpha;
  const int enemy_king = king_square(*p, them);
  const int carry = p->search_marks[2];
  int best = -INFINITE_SCORE;
  int count = 0;
  Move cutoff_move = 0;
  bool cutoff_tactical = false;
  bool best_is_draw = false;
  uint16_t quiets[MAX_MOVES];
  int quiet_count = 0;
  int raised_best = -1;  // quiet-list index of the last quiet move that raised best
  Move child_pv[PV_SIZE];
  Position child;

  for (Move m; (m = picker_next(&list)) != 0;) {
    if (skip_underpromotion(m, enemy_king)) continue;
    const int to = move_to(m), kind = move_kind(m);
    LazySee see{*p, m};
    if (plies <= 2 && !in_check && count > 0 && kind == KIND_NORMAL && see.of_move() < 0) continue;

    if (!make_child(t, *p, &child, m)) continue;
    ++count;
    const bool tactical = child.captured_type || kind == KIND_EN_PASSANT || is_promotion(m);
    int quiet_index = -1;
    if (!tactical && !in_check) {
      quiet_index = quiet_count;
      quiets[quiet_count++] = quiet_entry(child.moved_type, to);
    }

    int s;
    child_pv[0] = 0;
    const bool is_draw = child_is_draw(t, child, ply, &s);
    if (!is_draw) {
      const bool checking = child.in_check != 0;
      int ext;
      if (checking && see.of_move() >= 0) {
        ext = 4;
      } else {
        ext = checking ? 2 : 0;
        if (single_reply) ext += 2;
        if (phase < 33 && is_passed_push(*p, child, us, to)) ext += 2;
        if (kind == KIND_NORMAL && child.captured_type && !in_check && see.of_move() >= 0) ext += 2;
        if (ext < 4 && hash_from_table && m == hash_move && depth >= 16) {
          int singular_beta = hash_score - depth / 2;
          int ss = search_scout(t, p, singular_beta, depth - 10, ply, m, 1);
          if (stop_requested) return 0;
          if (ss < singular_beta) ext += 2;
        }
        ext = min_of(ext, 4);
      }
      if (child.captured_type > PAWN && child.phase == 0) ext = 8;
      const int total = carry + ext;
      const int new_depth = depth + total / 2;
      child.search_marks[2] = static_cast<uint8_t>(total & 1);
      const bool no_reduction = in_check || checking || ext > 0 || (new_depth <= 9 && !tactical && see.of_square() < 0);

      if (count == 1) {
        s = -search_pv(t, &child, -beta, -alpha, new_depth - 2, ply + 1, child_pv);
        if (stop_requested) return 0;
      } else {
        const bool escape = depth >= 6 && depth <= 15 && !tactical && !checking && !in_check &&
                            child.moved_type != KING && see.of_square() < 0 && see.of_move() >= 0;
        bool done = false;
        if (!no_reduction && !escape && t->settings.use_lmr) {
          const int r = pv_reduction[min_of(new_depth, REDUCTION_DEPTHS - 1)][min_of(count, REDUCTION_MOVES - 1)];
          if (m != k1 && m != k2 && new_depth >= 8 && r >= 2 && !tactical && best > MATED_BOUND &&
              !(new_depth <= 9 && last_move_threat(child))) {
            int d = new_depth - 2 - r;
            if (d == 2 || d == 3) d = 0;
            s = -search_scout(t, &child, -alpha, d, ply + 1, 0, 0);
            if (stop_requested) return 0;
            done = s <= alpha;
          }
        }
        if (done) continue;  // failed low at reduced depth: the score is not used
        s = -search_scout(t, &child, -alpha, new_depth - 2, ply + 1, 0, 0);
        if (stop_requested) return 0;
        if (s > alpha) {
          s = -search_pv(t, &child, -beta, -alpha, new_depth - 2, ply + 1, child_pv);
          if (stop_requested) return 0;
        }
      }
    }

    if (s > best) {
      best = s;
      best_is_draw = is_draw;
      if (quiet_index >= 0) raised_best = quiet_index;
      if (s > alpha) {
        copy_pv(pv, m, child_pv);
        alpha = s;
        if (s >= beta) {
          cutoff_move = m;
          cutoff_tactical = tactical;
          break;
        }
      }
    }
  }

  if (count == 0) best = in_check ? mated_in(ply) : 0;
  if (cutoff_move && !cutoff_tactical && !in_check && cutoff_move != t->killer1[ply]) {
    t->killer2[ply] = t->killer1[ply];
    t->killer1[ply] = cutoff_move;
  }
  if (raised_best >= 0) {
    for (int i = 0; i < quiet_count; ++i)
      if (i != raised_best) history_penalty(history_cell(t, us, quiets[i]), depth);
    history_reward(history_cell(t, us, quiets[raised_best]), depth);
  }

  if (!best_is_draw) {
    if (best <= alpha0)
      tt_store(p->key, depth, mate_to_table(best, ply), BOUND_UPPER, 0, 0);
    else if (best < beta)
      tt_store(p->key, depth, mate_to_table(best, ply), BOUND_EXACT, pv[0], 0);
    else
      tt_store(p->key, depth, mate_to_table(best, ply), BOUND_LOWER, cutoff_move, 0);
  }
  return best;
}
