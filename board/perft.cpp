#include "board/perft.h"

#include <cinttypes>
#include <cstdio>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/picker.h"

uint64_t paths_moves_made = 0;
uint64_t paths_castles = 0;

namespace {

// Calls visit(child) for every legal move of p.  The moves come from the
// mode-0 picker, which leaves out rook and bishop promotions; they are added
// next to each queen promotion, so that every legal move is counted.
template <typename Visit>
void for_each_legal_child(const Position& p, int depth, Visit visit) {
  int us = side_to_move(p);
  MoveList list;
  picker_init(p, &list, PICKER_ALL, 0, 0, 0, nullptr);
  for (Move m; (m = picker_next(&list));) {
    if (move_kind(m) != KIND_EN_PASSANT && !is_pseudo_legal(p, m)) continue;
    Move variants[3] = {m, 0, 0};
    if (move_kind(m) == KIND_PROMOTE_QUEEN) {
      variants[1] = move_code(move_from(m), move_to(m), KIND_PROMOTE_ROOK);
      variants[2] = move_code(move_from(m), move_to(m), KIND_PROMOTE_BISHOP);
    }
    for (Move v : variants) {
      if (!v) break;
      Position child;
      make_move(p, &child, v);
      if (king_attacked(child, us)) continue;
      ++paths_moves_made;
      if (depth == 1 && move_kind(v) == KIND_CASTLING) ++paths_castles;
      visit(child);
    }
  }
}

}  // namespace

uint64_t count_paths(const Position& p, int depth) {
  if (depth <= 0) return 1;
  uint64_t total = 0;
  for_each_legal_child(p, depth, [&](const Position& child) { total += count_paths(child, depth - 1); });
  return total;
}

uint64_t count_paths_top(const Position& p, int depth, bool quiet) {
  paths_moves_made = 0;
  paths_castles = 0;
  if (depth <= 0) return 1;
  uint64_t total = 0;
  for_each_legal_child(p, depth, [&](const Position& child) {
    total += count_paths(child, depth - 1);
    if (!quiet) {
      std::fputs(".", stdout);
      std::fflush(stdout);
    }
  });
  return total;
}

namespace {

// count_paths that asks stop at every node with three or more plies below
// it: often enough to answer within milliseconds, too seldom to cost time.
uint64_t count_paths_until(const Position& p, int depth, bool (*stop)(), bool* stopped) {
  if (depth < 3) return count_paths(p, depth);
  if (*stopped || (*stopped = stop())) return 0;
  uint64_t total = 0;
  for_each_legal_child(p, depth, [&](const Position& child) {
    if (!*stopped) total += count_paths_until(child, depth - 1, stop, stopped);
  });
  return total;
}

}  // namespace

uint64_t print_divide(const Position& p, int depth, std::FILE* out, bool (*stop)()) {
  if (depth < 1) depth = 1;
  Move moves[MAX_MOVES];
  const int count = generate_all(p, moves);
  uint64_t total = 0;
  for (int i = 0; i < count; ++i) {
    Position child;
    make_move(p, &child, moves[i]);
    if (king_attacked(child, side_to_move(p))) continue;
    child.in_check = static_cast<uint16_t>(king_attacked(child, side_to_move(child)));
    bool stopped = false;
    const uint64_t n = stop ? count_paths_until(child, depth - 1, stop, &stopped) : count_paths(child, depth - 1);
    if (stopped) {
      std::fflush(out);
      return 0;
    }
    char text[8];
    move_to_text(moves[i], text);
    std::fprintf(out, "%s: %" PRIu64 "\n", text, n);
    total += n;
  }
  std::fprintf(out, "%" PRIu64 "\n", total);
  std::fflush(out);
  return total;
}
