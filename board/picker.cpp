#include "board/picker.h"

#include "board/see.h"

namespace {

constexpr uint32_t STAGES[5][7] = {
    {1, 2, 3, 4, 5, 8, 9}, {1, 2, 7, 8, 9, 9, 9}, {1, 2, 7, 9, 9, 9, 9}, {1, 2, 9, 9, 9, 9, 9}, {1, 6, 8, 9, 9, 9, 9}};

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

int capture_key(const MoveList& list, Move m) {
  const Position& p = *list.position;
  int us = side_to_move(p);
  int victim = piece_type_on(p, 1 - us, move_to(m));
  if (is_promotion(m)) return 64 * victim - 2;
  if (move_kind(m) == KIND_EN_PASSANT) return 14;
  return 32 * victim - 2 * piece_type_on(p, us, move_from(m));
}

int history_key(const MoveList& list, Move m) {
  if (!list.history) return 0;
  const Position& p = *list.position;
  int us = side_to_move(p);
  return list.history->cell[us][piece_type_on(p, us, move_from(m))][move_to(m)];
}

int evasion_key(const MoveList& list, Move m) {
  const Position& p = *list.position;
  if (is_promotion(m)) return 31000;
  if (move_kind(m) == KIND_EN_PASSANT) return 30000;
  int us = side_to_move(p);
  int victim = piece_type_on(p, 1 - us, move_to(m));
  if (victim) return 30000 + 16 * victim - 2 * piece_type_on(p, us, move_from(m));
  return history_key(list, m) >> 1;
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

void picker_init(const Position& position, MoveList* list, int mode, Move hash_move, Move killer1, Move killer2,
                 const HistoryTable* history, uint32_t tag) {
  list->position = &position;
  list->mode = static_cast<uint32_t>(mode);
  list->stage_index = 0;
  list->stage = 0;
  list->count = 0;
  list->cursor = 0;
  list->hash_move = hash_move;
  list->killer1 = killer1;
  list->killer2 = killer2;
  list->history = history;
  list->current = list->moves;
  list->deferred_count = 0;
  list->done_count = 0;
  list->tag = tag;
}

Move picker_next(MoveList* list) {
  for (;;) {
    while (list->cursor < static_cast<uint32_t>(list->count)) {
      Move m = list->current[list->cursor++] & 0xffff;
      if (already_done(list, m)) continue;
      uint32_t stage = list->stage;
      if ((stage == 2 || stage == 6 || stage == 7) && move_kind(m) <= KIND_DOUBLE_STEP &&
          see_quick(*list->position, m, 0) < 0) {
        list->deferred[list->deferred_count++] = m;
        continue;
      }
      return m;
    }
    uint32_t stage = STAGES[list->mode][list->stage_index];
    if (stage != 9) ++list->stage_index;
    list->stage = stage;
    list->count = 0;
    list->cursor = 0;
    Move m = 0;
    switch (stage) {
      case 1:
        m = single_move(list, &list->hash_move);
        break;
      case 3:
        if (!killer_seen(list, list->killer1)) m = single_move(list, &list->killer1);
        break;
      case 4:
        if (!killer_seen(list, list->killer2)) m = single_move(list, &list->killer2);
        break;
      case 2:
        fill_stage(list, generate_captures, capture_key);
        break;
      case 5:
        fill_stage(list, generate_quiet, history_key);
        break;
      case 6:
        fill_stage(list, generate_evasions, evasion_key);
        break;
      case 7:
        fill_stage(list, generate_quiet_checks, check_key);
        break;
      case 8:
        list->current = list->deferred;
        list->count = static_cast<int32_t>(list->deferred_count);
        break;
      default:
        return 0;
    }
    if (m) return m;
  }
}
