// The main search: a principal-variation search.  The first move of a PV
// node is searched with the full window; every other move is first proven
// or refuted with a null window, and searched again with the full window
// only when it beats alpha.  Non-PV nodes carry almost all of the
// selectivity: table cutoffs, reverse futility, the null move, probcut,
// late-move pruning and reductions steered by the history tables, and the
// extensions that keep forcing lines deep.
//
// A pruned or reduced move must never make a node look mated: every pruning
// step waits until one move has been searched and shown not to lose by
// mate, and null-move or probcut results beyond the mate bound are never
// returned as proven.
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
inline int max_of(int a, int b) { return a > b ? a : b; }
inline int abs_of(int a) { return a < 0 ? -a : a; }

// Fixed parameters of the main search, in centipawns and plies.
constexpr int RAZOR_MARGIN = 350;                // at one ply: far below alpha, ask the quiescence search
constexpr int REVERSE_FUTILITY_PLIES = 8;        // static score far above beta: cut
constexpr int REVERSE_FUTILITY_MARGIN = 90;      // per ply
constexpr int PROBCUT_PLIES = 5;                 // a good capture beats beta by a margin at reduced depth
constexpr int PROBCUT_MARGIN = 100;
constexpr int FUTILITY_PLIES = 6;                // quiet moves that cannot lift the static score to alpha
constexpr int FUTILITY_BASE = 150;
constexpr int FUTILITY_PER_PLY = 120;
// Quiet moves that did badly after the last move, or the one before, by
// [improving]: up to these plies, below these limits ([ply back][improving]).
constexpr int CONTINUATION_PRUNING_PLIES[2] = {3, 2};
constexpr int CONTINUATION_PRUNING_LIMIT[2][2] = {{0, -1000}, {-2000, -4000}};
constexpr int SEE_PRUNING_PLIES = 8;             // moves that lose too much material
constexpr int SEE_QUIET_MARGIN = 50;             // per ply
constexpr int SEE_CAPTURE_MARGIN = 20;           // per ply squared
constexpr int SINGULAR_PLIES = 8;                // the hash move alone holds: extend it
constexpr int SINGULAR_TABLE_SLACK = 6;          // half-plies the entry may lack
constexpr int HISTORY_PER_REDUCTION = 3000;      // history points per half-ply of reduction
constexpr int SCOUT_HORIZON_WINDOW = 75;         // horizon extension windows above and around beta
constexpr int PV_HORIZON_WINDOW = 99;
// A tablebase result holds however deep the node is searched: it is stored
// this many half-plies deeper than the node, to outlast the search's own
// entries for the position.
constexpr int TB_STORE_DEPTH_BONUS = 12;

// Under-promotions are searched only when the knight would give check.
inline bool skip_underpromotion(Move m, int enemy_king) {
  return m > LAST_NON_UNDERPROMOTION && !(knight_attacks[enemy_king] & square_bit(move_to(m)));
}

// A pawn reaching its sixth rank or beyond with no enemy pawn able to stop it.
inline bool is_passed_push(const Position& p, const Position& child, int us, int to) {
  return child.moved_type == PAWN && (advanced_ranks(us) & square_bit(to)) &&
         !(front_span[us][to] & p.pieces[us ^ 1][PAWN]);
}

inline bool has_piece_besides_pawns(const Position& p, int colour) {
  return (p.pieces[colour][ALL_PIECES] & ~(p.pieces[colour][PAWN] | p.pieces[colour][KING])) != 0;
}

inline void copy_pv(Move* pv, Move m, const Move* child_pv) {
  pv[0] = m;
  int i = 0;
  for (; i < PV_MOVES - 1 && child_pv[i]; ++i) pv[i + 1] = child_pv[i];
  pv[i + 1] = 0;
}

inline bool is_capture(const Position& p, Move m) {
  return move_kind(m) == KIND_EN_PASSANT ||
         (move_kind(m) != KIND_CASTLING && (p.pieces[side_to_move(p) ^ 1][ALL_PIECES] & square_bit(move_to(m))));
}

// The continuation-history rows of the moves one and two plies back (null
// after a null move or at the start of the game record).
struct ContinuationRows {
  int16_t* row[2];
  int previous;  // piece_square of the last move, or -1
};

ContinuationRows continuation_rows(SearchThread* t, const Position& p) {
  const int us = side_to_move(p);
  ContinuationRows rows{{nullptr, nullptr}, -1};
  if (p.last_move && p.moved_type) {
    rows.previous = piece_square(us ^ 1, p.moved_type, move_to(p.last_move));
    rows.row[0] = t->history.continuation[rows.previous];
  }
  const Position* q = p.previous;
  if (q && q->last_move && q->moved_type)
    rows.row[1] = t->history.continuation[piece_square(us, q->moved_type, move_to(q->last_move))];
  return rows;
}

MoveOrdering ordering_from(SearchThread* t, const Position& p, const ContinuationRows& rows) {
  MoveOrdering o;
  o.butterfly = t->history.butterfly[side_to_move(p)];
  o.continuation[0] = rows.row[0];
  o.continuation[1] = rows.row[1];
  o.captures = t->history.captures;
  o.counter = rows.previous >= 0 ? t->history.counter[rows.previous] : 0;
  return o;
}

void update_quiet_history(SearchThread* t, const Position& p, const ContinuationRows& rows, Move m, int bonus) {
  const int us = side_to_move(p);
  const int from = move_from(m), to = move_to(m);
  const int index = piece_square(us, piece_type_on(p, us, from), to);
  history_update(&t->history.butterfly[us][from * 64 + to], bonus);
  if (rows.row[0]) history_update(&rows.row[0][index], bonus);
  if (rows.row[1]) history_update(&rows.row[1][index], bonus);
}

void update_capture_history(SearchThread* t, const Position& p, Move m, int bonus) {
  const int us = side_to_move(p);
  const int to = move_to(m);
  const int victim = move_kind(m) == KIND_EN_PASSANT ? PAWN : piece_type_on(p, us ^ 1, to);
  history_update(&t->history.captures[piece_square(us, piece_type_on(p, us, move_from(m)), to)][victim], bonus);
}

// The best move of a node that failed high rewards itself and punishes the
// moves of its kind tried before it; a quiet best move also becomes a
// killer and the countermove of the previous move.
void update_histories(SearchThread* t, const Position& p, const ContinuationRows& rows, int ply, int depth,
                      Move best_move, bool best_tactical, const Move* quiets, int quiet_count, const Move* captures,
                      int capture_count) {
  const int bonus = history_bonus(depth);
  if (!best_tactical) {
    if (best_move != t->killer1[ply]) {
      t->killer2[ply] = t->killer1[ply];
      t->killer1[ply] = best_move;
    }
    if (rows.previous >= 0) t->history.counter[rows.previous] = best_move & 0xffff;
    update_quiet_history(t, p, rows, best_move, bonus);
    for (int i = 0; i < quiet_count; ++i)
      if (quiets[i] != best_move) update_quiet_history(t, p, rows, quiets[i], -bonus);
  } else if (is_capture(p, best_move)) {
    update_capture_history(t, p, best_move, bonus);
  }
  for (int i = 0; i < capture_count; ++i)
    if (captures[i] != best_move) update_capture_history(t, p, captures[i], -bonus);
}

// Whether the static score rose since the side to move's last turn (or the
// one before, across a check); a position improving is searched more widely.
bool is_improving(const SearchThread* t, int ply, int static_eval) {
  if (static_eval == NO_STATIC_EVAL) return false;
  if (ply >= 2 && t->stack[ply - 2].static_eval != NO_STATIC_EVAL) return static_eval > t->stack[ply - 2].static_eval;
  if (ply >= 4 && t->stack[ply - 4].static_eval != NO_STATIC_EVAL) return static_eval > t->stack[ply - 4].static_eval;
  return true;
}

template <bool PV>
int search(SearchThread* t, Position* p, int alpha, int beta, int depth, int ply, Move* pv, Move excluded,
           bool cut_node);

// ProbCut: when a capture that wins material beats beta by a margin in a
// search a few plies shallower, the node is taken to fail high.
int probcut(SearchThread* t, Position* p, int beta, int depth, int ply, int static_eval, const MoveOrdering& ordering,
            bool cut_node) {
  const int raised = beta + PROBCUT_MARGIN;
  MoveList list;
  picker_init(*p, &list, PICKER_CAPTURES, 0, 0, 0, &ordering);
  Position child;
  Move qpv[2];
  for (Move m; (m = picker_next(&list)) != 0;) {
    if (m > LAST_NON_UNDERPROMOTION) continue;
    if (!see_at_least(*p, m, raised - static_eval)) continue;
    if (!make_child(t, *p, &child, m)) continue;
    child.extension_carry = 0;
    if (is_repetition(child)) continue;
    int s = -quiesce(t, &child, -raised, -raised + 1, 0, ply + 1, qpv);
    if (s >= raised) s = -search<false>(t, &child, -raised, -raised + 1, depth - 8, ply + 1, nullptr, 0, !cut_node);
    if (t->control->stop) return 0;
    if (s >= raised) {
      tt_store(t->table, p->key, depth - 6, score_to_table(s, ply), BOUND_LOWER, m);
      return s;
    }
  }
  return -INFINITE_SCORE;
}

// At the horizon a position with something at stake gets one more ply
// instead of the quiescence search (once per line): outside the PV when the
// last move left a threat and the static score stands just above beta, in
// the PV when the score sits just below beta or inside the window while a
// piece stands attacked.
template <bool PV>
int search_horizon(SearchThread* t, Position* p, int alpha, int beta, int depth, int ply, Move* pv, Move excluded,
                   bool cut_node) {
  if (depth >= 0 && ply < MAX_SEARCH_PLY && p->horizon_extended == 0 && !excluded && !p->in_check) {
    const int e = node_eval(t, p);
    const bool at_stake = PV ? (beta - PV_HORIZON_WINDOW <= e && e < beta) ||
                                   (alpha <= e && e <= beta + PV_HORIZON_WINDOW && threat_level(*p) > 0)
                             : beta <= e && e < beta + SCOUT_HORIZON_WINDOW && last_move_threat(*p);
    if (at_stake) {
      p->horizon_extended = 1;
      return search<PV>(t, p, alpha, beta, depth + 2, ply, pv, excluded, cut_node);
    }
  }
  Move qpv[2];
  return quiesce(t, p, alpha, beta, 0, ply, PV ? pv : qpv);
}

// What the transposition table knows of a node.
struct TableHint {
  bool hit;
  Move move;
  int score;  // relative to the root (score_from_table)
  int bound;
  int depth;
};

// Node pruning outside the principal variation, before any move is
// searched: razoring, reverse futility, the null move and probcut.  True
// when the node is decided, with its score in *score.
bool node_is_cut(SearchThread* t, Position* p, int alpha, int beta, int depth, int ply, const TableHint& tt,
                 int static_eval, int eval, bool improving, const MoveOrdering& ordering, bool cut_node, int* score) {
  const int plies = depth / 2;
  const int us = side_to_move(*p);
  // Razoring: one ply from the horizon and far below alpha, only a
  // tactical gain could help; the quiescence search settles it.
  if (plies <= 1 && eval + RAZOR_MARGIN < alpha) {
    Move qpv[2];
    *score = quiesce(t, p, alpha, beta, 0, ply, qpv);
    return true;
  }

  // Reverse futility: so far above beta that a quiet move of the
  // opponent's will not bring it back.
  if (t->settings.null_move && plies <= REVERSE_FUTILITY_PLIES &&
      eval - REVERSE_FUTILITY_MARGIN * (plies - (improving ? 1 : 0)) >= beta) {
    *score = eval;
    return true;
  }

  // Null move: even passing keeps the score above beta.  Not twice in a
  // row, not without pieces (zugzwang), not when the table already says a
  // full search fails low.
  if (t->settings.null_move && plies >= 2 && eval >= beta && static_eval >= beta && p->last_move != 0 &&
      has_piece_besides_pawns(*p, us) && !(tt.hit && (tt.bound & BOUND_UPPER) && tt.score < beta)) {
    const int r = 4 + plies / 6 + min_of(3, (eval - beta) / 200);
    Position child;
    make_search_move(t, *p, &child, 0);
    tt_prefetch(*t->table, child.key);
    child.extension_carry = 0;
    int s = -search<false>(t, &child, -beta, -beta + 1, depth - 2 * r, ply + 1, nullptr, 0, !cut_node);
    if (t->control->stop) {
      *score = 0;
      return true;
    }
    if (s >= beta) {
      // Passing proves neither a mate nor a tablebase win.
      *score = s >= TB_WIN_BOUND ? beta : s;
      return true;
    }
  }

  if (plies >= PROBCUT_PLIES && !(tt.hit && tt.depth >= depth - 6 && tt.score < beta + PROBCUT_MARGIN)) {
    int s = probcut(t, p, beta, depth, ply, static_eval, ordering, cut_node);
    if (t->control->stop) {
      *score = 0;
      return true;
    }
    if (s > -INFINITE_SCORE) {
      *score = s;
      return true;
    }
  }
  return false;
}

// What the move loop knows of its node when it decides to prune a move.
struct MoveLoop {
  const Position* p;
  int plies;
  bool in_check;
  bool improving;
  int static_eval;
  const ContinuationRows* rows;
  MoveList* list;
  bool skip_quiets;  // late-move pruning has left out the rest of the quiet moves
};

// Pruning inside the move loop: whether move m (the count-th legal move so
// far would be the next) is left out.  Quiet moves go by move count, by
// futility, by a bad continuation history and by a losing exchange;
// captures by a clearly losing exchange.
bool move_is_pruned(MoveLoop* loop, Move m, bool tactical, bool refutation, int count, int alpha) {
  const Position& p = *loop->p;
  const int plies = loop->plies;
  const bool improving = loop->improving;
  if (tactical) return plies <= SEE_PRUNING_PLIES && !see_at_least(p, m, -SEE_CAPTURE_MARGIN * plies * plies);
  if (loop->skip_quiets) return true;
  const int reduced_plies = max_of(0, plies - reduction_of(plies, count + 1) / 2);
  if (!loop->in_check && plies <= LATE_MOVE_PRUNING_PLIES && count >= late_move_count(improving, plies)) {
    loop->skip_quiets = true;
    picker_skip_quiets(loop->list);
    return true;
  }
  // A quiet check may be the start of a mating attack: only the move count
  // prunes it.
  if (gives_check(p, m)) return false;
  if (!loop->in_check && reduced_plies <= FUTILITY_PLIES &&
      loop->static_eval + FUTILITY_BASE + FUTILITY_PER_PLY * reduced_plies <= alpha)
    return true;
  if (!refutation && plies <= CONTINUATION_PRUNING_PLIES[improving]) {
    const int us = side_to_move(p);
    const int index = piece_square(us, piece_type_on(p, us, move_from(m)), move_to(m));
    const ContinuationRows& rows = *loop->rows;
    if (rows.row[0] && rows.row[0][index] < CONTINUATION_PRUNING_LIMIT[0][improving]) return true;
    if (rows.row[1] && rows.row[1][index] < CONTINUATION_PRUNING_LIMIT[1][improving]) return true;
  }
  return plies <= SEE_PRUNING_PLIES && !see_at_least(p, m, -SEE_QUIET_MARGIN * plies);
}

// Late-move reduction in half-plies of a quiet move or a capture that loses
// material, by depth and move number; less for moves that did well before,
// that threaten to win material or that take an attacked piece to safety.
int late_move_reduction(const MoveLoop& loop, const Position& child, Move m, int count, bool pv, bool cut_node,
                        bool refutation, bool checking, bool tactical, const MoveOrdering& ordering, int new_depth) {
  const Position& p = *loop.p;
  int r = reduction_of(loop.plies, count);
  if (!pv) r += 2;
  if (cut_node) r += 2;
  if (!loop.improving) r += 2;
  if (refutation) r -= 2;
  if (checking) r -= 2;
  if (!tactical) {
    if (last_move_threat(child)) r -= 2;
    const int from = move_from(m);
    if (child.moved_type != KING && see_quick(p, move_code(from, from, KIND_NORMAL), 0) < 0) r -= 2;
    r -= quiet_history(ordering, p, m) / HISTORY_PER_REDUCTION;
  }
  return min_of(max_of(r, 0), new_depth - 2);
}

// The win/draw/loss tables at a node of few men.  A draw is exact; a win
// is at least the table's score (a mate may be found), a loss at most.  A
// bound that decides the window ends the node (true, the score in *score);
// in the principal variation the others bound what the search of the moves
// returns: a win raises alpha and is the floor of the result, a loss its
// ceiling.
bool tables_decide_node(SearchThread* t, const Position& p, int* alpha, int beta, int depth, int ply, bool pv,
                        int* floor, int* ceiling, int* score) {
  const int wdl = tb_probe_wdl(p);
  if (wdl == TBWDL_FAILED) return false;
  ++t->tbhits;
  const bool rule50 = t->tablebases.rule50;
  const int value = tb_wdl_score(wdl, ply, rule50, draw_value(t->settings.draw_score, ply));
  const int bound = tb_wdl_bound(wdl, rule50);
  if (bound == BOUND_EXACT || (bound == BOUND_LOWER ? value >= beta : value <= *alpha)) {
    tt_store(t->table, p.key, depth + TB_STORE_DEPTH_BONUS, score_to_table(value, ply), bound, 0);
    *score = value;
    return true;
  }
  if (pv && bound == BOUND_LOWER) {
    *floor = value;
    *alpha = max_of(*alpha, value);
  } else if (pv) {
    *ceiling = value;
  }
  return false;
}

// The extension of move m in quarter-plies, on top of what the singular
// test found (ext; singular_tested when the test ran, which then stands in
// for the check extension): a check, the push of a passed pawn in the
// endgame, a capture that leaves a pawn ending.
int move_extension(const SearchThread* t, const Position& p, const Position& child, Move m, int ply, int ext,
                   bool singular_tested, int phase) {
  if (ply < 2 * t->root_depth) {
    if (!singular_tested && child.in_check) ext = 4;
    if (ext < 4 && phase < 33 && is_passed_push(p, child, side_to_move(p), move_to(m))) ext += 2;
  }
  if (child.captured_type > PAWN && child.phase == 0) ext = 8;  // into a pawn ending
  return ext;
}

// The search of the count-th legal move's child: a late move first with a
// reduced null window, then with the full depth's null window, and in the
// principal variation with the full window when it may be best.  The caller
// ends its node when the search was stopped.
template <bool PV>
int search_child(SearchThread* t, Position* child, const MoveLoop& loop, Move m, int alpha, int beta, int new_depth,
                 int ply, int count, bool cut_node, bool refutation, bool tactical, bool reducible,
                 const MoveOrdering& ordering, Move* child_pv) {
  int s = 0;
  bool full_null_window = !PV || count > 1;
  if (reducible) {
    const int r = late_move_reduction(loop, *child, m, count, PV, cut_node, refutation, child->in_check != 0,
                                      tactical, ordering, new_depth);
    if (r > 0) {
      s = -search<false>(t, child, -alpha - 1, -alpha, new_depth - r, ply + 1, nullptr, 0, true);
      if (t->control->stop) return 0;
      full_null_window = s > alpha;
    }
  }
  if (full_null_window) {
    s = -search<false>(t, child, -alpha - 1, -alpha, new_depth, ply + 1, nullptr, 0, !cut_node);
    if (t->control->stop) return 0;
  }
  if (PV && (count == 1 || (s > alpha && s < beta)))
    s = -search<true>(t, child, -beta, -alpha, new_depth, ply + 1, child_pv, 0, false);
  return s;
}

template <bool PV>
int search(SearchThread* t, Position* p, int alpha, int beta, int depth, int ply, Move* pv, Move excluded,
           bool cut_node) {
  if (PV) pv[0] = 0;
  if (ply > t->seldepth) t->seldepth = ply;
  if (depth < 2 || ply >= MAX_SEARCH_PLY) return search_horizon<PV>(t, p, alpha, beta, depth, ply, pv, excluded, cut_node);
  if (t->control->stop) return 0;
  if (poll_should_stop(t)) return 0;
  if (is_dead_draw(*p, ply)) return draw_value(t->settings.draw_score, ply);

  // Mate-distance pruning: nothing here mates sooner than the next ply or
  // is mated sooner than now.
  alpha = max_of(alpha, mated_in(ply));
  beta = min_of(beta, mate_in(ply + 1));
  if (alpha >= beta) return alpha;

  // Transposition table.  Outside the principal variation a deep enough
  // entry with a fitting bound answers the node.
  TableHint tt{false, 0, 0, BOUND_NONE, -100};
  if (!excluded) {
    if (TTEntry entry; tt_probe(*t->table, p->key, &entry)) {
      tt = {true, entry.move, score_from_table(entry.score, ply), entry.bound, entry.depth};
      if (!PV && tt.depth >= depth &&
          (((tt.bound & BOUND_LOWER) && tt.score >= beta) || ((tt.bound & BOUND_UPPER) && tt.score < beta)))
        return tt.score;
    }
  }
  const Move hash_move = tt.move;

  const int us = side_to_move(*p), them = us ^ 1;
  const bool in_check = p->in_check != 0;
  int plies = depth / 2;

  // Tablebases, right after a capture or a pawn move.
  int tb_floor = -INFINITE_SCORE, tb_ceiling = INFINITE_SCORE;
  if (t->tablebases.probe_limit && p->fifty == 0 && plies >= t->tablebases.probe_depth && !excluded &&
      tb_men(*p) <= t->tablebases.probe_limit) {
    int score;
    if (tables_decide_node(t, *p, &alpha, beta, depth, ply, PV, &tb_floor, &tb_ceiling, &score)) return score;
  }

  // Static evaluation, and a sharper estimate from the table's bound.
  int static_eval = NO_STATIC_EVAL, eval = NO_STATIC_EVAL;
  if (!in_check) {
    static_eval = eval = node_eval(t, p);
    if (tt.hit && !is_mate_score(tt.score) &&
        (((tt.bound & BOUND_LOWER) && tt.score > eval) || ((tt.bound & BOUND_UPPER) && tt.score < eval)))
      eval = tt.score;
  }
  t->stack[ply].static_eval = static_eval;
  const bool improving = is_improving(t, ply, static_eval);

  const ContinuationRows rows = continuation_rows(t, *p);
  const MoveOrdering ordering = ordering_from(t, *p, rows);

  // Node pruning, outside the principal variation and away from mate
  // scores: a mate-in-n bound says nothing about what the static score or a
  // null move can show.
  if (!PV && !in_check && !excluded && abs_of(beta) < MATE_BOUND) {
    int score;
    if (node_is_cut(t, p, alpha, beta, depth, ply, tt, static_eval, eval, improving, ordering, cut_node, &score))
      return score;
  }

  // Without a move from the table a node that matters is searched one ply
  // shallower: its table entry will be better next time.
  if ((PV || cut_node) && !hash_move && plies >= 4) {
    depth -= 2;
    plies = depth / 2;
  }

  // Move loop.
  const Move k1 = t->killer1[ply], k2 = t->killer2[ply];
  MoveList list;
  picker_init(*p, &list, in_check ? PICKER_EVASIONS : PICKER_ALL, hash_move, k1, k2, &ordering);
  const int enemy_king = king_square(*p, them);
  const int carry = p->extension_carry;
  const int phase = p->phase < 96 ? p->phase : 96;
  const bool may_prune = has_piece_besides_pawns(*p, us);
  int best = tb_floor;
  Move best_move = 0;
  bool best_tactical = false;
  bool best_is_draw = false;
  int count = 0;
  MoveLoop loop{p, plies, in_check, improving, static_eval, &rows, &list, false};
  Move quiets[64], captures[32];
  int quiet_count = 0, capture_count = 0;
  Move child_pv[PV_SIZE];
  Position child;

  for (Move m; (m = picker_next(&list)) != 0;) {
    if (m == excluded) continue;
    if (skip_underpromotion(m, enemy_king)) continue;
    const bool capture = is_capture(*p, m);
    const bool tactical = capture || is_promotion(m);
    const bool refutation = m == k1 || m == k2 || m == ordering.counter;

    // Pruning, once a move has shown that the node is not lost (by a mate
    // or by the tables), and not while a shorter mate is sought (alpha a
    // mate score).
    if (best > -TB_WIN_BOUND && alpha < MATE_BOUND && may_prune &&
        move_is_pruned(&loop, m, tactical, refutation, count, alpha))
      continue;

    if (!make_child(t, *p, &child, m)) continue;
    ++count;
    if (!tactical) {
      if (quiet_count < 64) quiets[quiet_count++] = m;
    } else if (capture && capture_count < 32) {
      captures[capture_count++] = m;
    }

    int s = 0;
    if (PV) child_pv[0] = 0;
    const bool is_draw = child_is_draw(t, child, ply, &s);
    if (!is_draw) {
      int ext = 0;
      bool singular_tested = false;
      if (ply < 2 * t->root_depth) {
        if (m == hash_move && !excluded && plies >= SINGULAR_PLIES && (tt.bound & BOUND_LOWER) &&
            tt.depth >= depth - SINGULAR_TABLE_SLACK && abs_of(tt.score) < TB_WIN_BOUND) {
          singular_tested = true;
          // Singular extension: every other move falls short of the
          // table's score by a margin.  When even the others reach beta,
          // several moves refute the node (multi-cut).
          const int singular_beta = tt.score - 2 * plies;
          int ss = search<false>(t, p, singular_beta - 1, singular_beta, depth / 2, ply, nullptr, m, cut_node);
          if (t->control->stop) return 0;
          if (ss < singular_beta)
            ext = 4;
          else if (singular_beta >= beta)
            return singular_beta;
        }
      }
      ext = move_extension(t, *p, child, m, ply, ext, singular_tested, phase);
      const int total = carry + min_of(ext, 8);
      const int new_depth = depth - 2 + total / 2;
      child.extension_carry = static_cast<uint8_t>(total & 1);

      const bool reducible =
          t->settings.use_lmr && plies >= 3 && count > 1 && (!tactical || list.stage == STAGE_LOSING);
      s = search_child<PV>(t, &child, loop, m, alpha, beta, new_depth, ply, count, cut_node, refutation, tactical,
                           reducible, ordering, child_pv);
      if (t->control->stop) return 0;
    }

    if (s > best) {
      best = s;
      best_is_draw = is_draw;
      if (s > alpha) {
        best_move = m;
        best_tactical = tactical;
        if (PV) copy_pv(pv, m, child_pv);
        if (s >= beta) break;
        alpha = s;
      }
    }
  }

  if (count == 0) {
    // No legal move: mate or stalemate; in a singular test, no other move.
    if (excluded) return alpha;
    return in_check ? mated_in(ply) : 0;
  }
  if (best >= beta)
    update_histories(t, *p, rows, ply, depth, best_move, best_tactical, quiets, quiet_count, captures, capture_count);
  best = min_of(best, tb_ceiling);

  if (!best_is_draw && !excluded) {
    const int bound = best >= beta ? BOUND_LOWER : (PV && best_move) ? BOUND_EXACT : BOUND_UPPER;
    tt_store(t->table, p->key, depth, score_to_table(best, ply), bound, best_move);
  }
  return best;
}

}  // namespace

MoveOrdering search_ordering(SearchThread* t, const Position& p) {
  return ordering_from(t, p, continuation_rows(t, p));
}

int search_scout(SearchThread* t, Position* p, int beta, int depth, int ply, Move excluded, bool cut_node) {
  return search<false>(t, p, beta - 1, beta, depth, ply, nullptr, excluded, cut_node);
}

int search_pv(SearchThread* t, Position* p, int alpha, int beta, int depth, int ply, Move* pv) {
  return search<true>(t, p, alpha, beta, depth, ply, pv, 0, false);
}
