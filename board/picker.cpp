#include "board/picker.h"

#include "board/bits.h"
#include "board/see.h"

namespace {

// The stages of each mode, in order, by PickerMode.
constexpr PickerStage STAGES[5][8] = {
    {STAGE_HASH_MOVE, STAGE_CAPTURES, STAGE_KILLER1, STAGE_KILLER2, STAGE_COUNTERMOVE, STAGE_QUIETS, STAGE_LOSING,
     STAGE_END},
    {STAGE_HASH_MOVE, STAGE_CAPTURES, STAGE_QUIET_CHECKS, STAGE_LOSING, STAGE_END},
    {STAGE_HASH_MOVE, STAGE_CAPTURES, STAGE_QUIET_CHECKS, STAGE_END},
    {STAGE_HASH_MOVE, STAGE_CAPTURES, STAGE_END},
    {STAGE_HASH_MOVE, STAGE_EVASIONS, STAGE_LOSING, STAGE_END}};

// Ordering keys that put a class of moves ahead of all the others of its
// stage: queen promotions among the captures, and promotions and captures
// among the evasions.
constexpr int QUEEN_PROMOTION_KEY = 26000;  // plus 1024 per victim value
constexpr int EVASION_CAPTURE_KEY = 30000;  // plus 16 per victim, less 2 per capturer
constexpr int EVASION_PROMOTION_KEY = 31000;

inline uint32_t entry(int key, Move m) { return (static_cast<uint32_t>(static_cast<uint16_t>(key)) << 16) | m; }
inline int key_of(uint32_t e) { return static_cast<int16_t>(static_cast<uint16_t>(e >> 16)); }

// Stable insertion sort on the key, highest first.
void sort_entries(uint32_t* a, int n) {
  for (int i = 1; i < n; ++i) {
    uint32_t x = a[i];
    int k = key_of(x);
    int j = i;
    for (; j > 0 && key_of(a[j - 1]) < k; --j) a[j] = a[j - 1];
    a[j] = x;
  }
}

// Every key must fit the signed 16 bits of a list entry: the largest
// capture key (a queen taken, best history), the largest promotion key and
// the largest quiet key (three tables at their limit, halved).
static_assert(4096 * QUEEN + HISTORY_LIMIT / 8 <= INT16_MAX && 4096 * PAWN - HISTORY_LIMIT / 8 >= INT16_MIN);
static_assert(QUEEN_PROMOTION_KEY + 1024 * QUEEN <= INT16_MAX);
static_assert(EVASION_PROMOTION_KEY <= INT16_MAX && EVASION_CAPTURE_KEY + 16 * QUEEN <= INT16_MAX);
static_assert(3 * HISTORY_LIMIT / 2 <= INT16_MAX && -3 * HISTORY_LIMIT / 2 >= INT16_MIN);

// Captures by the value of the victim, then by how such captures fared
// before (or, without history, the cheaper capturer first).  Queen
// promotions come first, knight promotions without a capture last.
int capture_key(const MoveList& list, Move m) {
  const Position& p = *list.position;
  int us = side_to_move(p);
  int from = move_from(m), to = move_to(m), kind = move_kind(m);
  int victim = kind == KIND_EN_PASSANT ? PAWN : piece_type_on(p, 1 - us, to);
  if (kind == KIND_PROMOTE_QUEEN) return QUEEN_PROMOTION_KEY + 1024 * victim;
  if (kind == KIND_PROMOTE_KNIGHT) return victim ? 1024 * victim : -1024;
  int attacker = piece_type_on(p, us, from);
  if (!list.ordering) return 4096 * victim - 2 * attacker;
  return 4096 * victim + list.ordering->captures[piece_square(us, attacker, to)][victim] / 8;
}

int history_key(const MoveList& list, Move m) {
  if (!list.ordering) return 0;
  return quiet_history(*list.ordering, *list.position, m) / 2;
}

int evasion_key(const MoveList& list, Move m) {
  const Position& p = *list.position;
  if (is_promotion(m)) return EVASION_PROMOTION_KEY;
  if (move_kind(m) == KIND_EN_PASSANT) return EVASION_CAPTURE_KEY;
  int us = side_to_move(p);
  int victim = piece_type_on(p, 1 - us, move_to(m));
  if (victim) return EVASION_CAPTURE_KEY + 16 * victim - 2 * piece_type_on(p, us, move_from(m));
  return history_key(list, m) / 2;
}

int check_key(const MoveList& list, Move m) {
  const Position& p = *list.position;
  return piece_type_on(p, side_to_move(p), move_from(m)) == KNIGHT ? 99 : 0;
}

// Generates a stage into list->moves and gives every entry its key.
void fill_stage(MoveList* list, int (*generate)(const Position&, Move*), int (*key)(const MoveList&, Move)) {
  int n = generate(*list->position, list->moves);
  for (int i = 0; i < n; ++i) list->moves[i] = entry(key(*list, list->moves[i]), list->moves[i]);
  if (n > 1) sort_entries(list->moves, n);
  list->count = n;
  list->current = list->moves;
}

// The quiet moves keyed by history: the same keys as history_key, with the
// mover's type looked up in a board of the side's pieces built once for
// the whole list rather than searched for move by move.
void fill_quiet_stage(MoveList* list) {
  const Position& p = *list->position;
  int n = generate_quiet(p, list->moves);
  if (const MoveOrdering* o = list->ordering) {
    const int us = side_to_move(p);
    uint16_t row_of[64];  // piece_square(us, type, 0) of our piece on each square
    for (int type = PAWN; type <= KING; ++type)
      for (Bitboard b = p.pieces[us][type]; b; b &= b - 1)
        row_of[lowest_bit(b)] = static_cast<uint16_t>(piece_square(us, type, 0));
    const int16_t* c0 = o->continuation[0];
    const int16_t* c1 = o->continuation[1];
    for (int i = 0; i < n; ++i) {
      const Move m = list->moves[i];
      const int from = move_from(m), to = move_to(m);
      const int index = row_of[from] | to;
      int h = o->butterfly[from * 64 + to];
      if (c0) h += c0[index];
      if (c1) h += c1[index];
      list->moves[i] = entry(h / 2, m);
    }
    if (n > 1) sort_entries(list->moves, n);
  } else {
    for (int i = 0; i < n; ++i) list->moves[i] = entry(0, list->moves[i]);
  }
  list->count = n;
  list->current = list->moves;
}

// A capture of a piece worth at least the capturer cannot lose material:
// whatever the exchange brings, the capturer may stop after one recapture.
// Saves the full exchange for most captures.
bool takes_as_much(const Position& p, Move m) {
  constexpr int VALUE[8] = {0, 1, 3, 3, 5, 9, 999, 0};  // the quick exchange's values
  const int us = side_to_move(p);
  const Bitboard to = square_bit(move_to(m));
  if (!(p.pieces[1 - us][ALL_PIECES] & to)) return false;
  return VALUE[piece_type_on(p, 1 - us, move_to(m))] >= VALUE[piece_type_on(p, us, move_from(m))];
}

bool already_done(const MoveList* list, Move m) {
  for (uint32_t i = 0; i < list->done_count; ++i)
    if (list->done[i] == m) return true;
  return false;
}

// The hash move or a killer, when it can be played here.
Move single_move(MoveList* list, Move* slot) {
  Move m = *slot;
  if (m == 0) return 0;
  if (move_kind(m) == KIND_EN_PASSANT) {
    *slot = 0;
    return 0;
  }
  if (!is_pseudo_legal(*list->position, m)) return 0;
  list->done[list->done_count++] = m;
  return m;
}

// A killer is skipped when it was handed out already: as the hash move, as
// the other killer, or in the capture stage, which hands out every capture
// and every queen or knight promotion (a killer was a quiet move where it
// became one, but may capture here).
bool killer_seen(const MoveList* list, Move m) {
  if (already_done(list, m)) return true;
  int kind = move_kind(m);
  if (kind == KIND_PROMOTE_QUEEN || kind == KIND_PROMOTE_KNIGHT) return true;
  const Position& p = *list->position;
  return kind == KIND_NORMAL && (p.pieces[1 - side_to_move(p)][ALL_PIECES] & square_bit(move_to(m)));
}

}  // namespace

int quiet_history(const MoveOrdering& o, const Position& p, Move m) {
  int us = side_to_move(p);
  int from = move_from(m), to = move_to(m);
  int index = piece_square(us, piece_type_on(p, us, from), to);
  int h = o.butterfly[from * 64 + to];
  if (o.continuation[0]) h += o.continuation[0][index];
  if (o.continuation[1]) h += o.continuation[1][index];
  return h;
}

void picker_init(const Position& position, MoveList* list, PickerMode mode, Move hash_move, Move killer1,
                 Move killer2, const MoveOrdering* ordering) {
  list->position = &position;
  list->mode = mode;
  list->stage_index = 0;
  list->stage = STAGE_START;
  list->count = 0;
  list->cursor = 0;
  list->hash_move = hash_move;
  list->killer1 = killer1;
  list->killer2 = killer2;
  list->counter = ordering ? ordering->counter : 0;
  list->ordering = ordering;
  list->skip_quiets = 0;
  list->current = list->moves;
  list->deferred_count = 0;
  list->done_count = 0;
}

Move picker_next(MoveList* list) {
  for (;;) {
    if (list->skip_quiets && list->stage == STAGE_QUIETS) list->cursor = static_cast<uint32_t>(list->count);
    while (list->cursor < static_cast<uint32_t>(list->count)) {
      Move m = list->current[list->cursor++] & 0xffff;
      if (already_done(list, m)) continue;
      const PickerStage stage = list->stage;
      if ((stage == STAGE_CAPTURES || stage == STAGE_EVASIONS || stage == STAGE_QUIET_CHECKS) &&
          move_kind(m) <= KIND_DOUBLE_STEP &&
          !takes_as_much(*list->position, m) && see_quick(*list->position, m, 0) < 0) {
        list->deferred[list->deferred_count++] = m;
        continue;
      }
      return m;
    }
    const PickerStage stage = STAGES[list->mode][list->stage_index];
    if (stage != STAGE_END) ++list->stage_index;
    if (list->skip_quiets &&
        (stage == STAGE_KILLER1 || stage == STAGE_KILLER2 || stage == STAGE_QUIETS || stage == STAGE_COUNTERMOVE))
      continue;
    list->stage = stage;
    list->count = 0;
    list->cursor = 0;
    Move m = 0;
    switch (stage) {
      case STAGE_HASH_MOVE:
        m = single_move(list, &list->hash_move);
        break;
      case STAGE_KILLER1:
        if (!killer_seen(list, list->killer1)) m = single_move(list, &list->killer1);
        break;
      case STAGE_KILLER2:
        if (!killer_seen(list, list->killer2)) m = single_move(list, &list->killer2);
        break;
      case STAGE_COUNTERMOVE:
        if (!killer_seen(list, list->counter)) m = single_move(list, &list->counter);
        break;
      case STAGE_CAPTURES:
        fill_stage(list, generate_captures, capture_key);
        break;
      case STAGE_QUIETS:
        fill_quiet_stage(list);
        break;
      case STAGE_EVASIONS:
        fill_stage(list, generate_evasions, evasion_key);
        break;
      case STAGE_QUIET_CHECKS:
        fill_stage(list, generate_quiet_checks, check_key);
        break;
      case STAGE_LOSING:
        list->current = list->deferred;
        list->count = static_cast<int32_t>(list->deferred_count);
        break;
      case STAGE_START:
      case STAGE_END:
        return 0;
    }
    if (m) return m;
  }
}
