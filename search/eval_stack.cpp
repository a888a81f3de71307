// The network's sums along the searched line.  The search evaluates a node
// right after making it, so the parent's sums are nearly always at hand and
// a node costs one update of a few weight rows; a node whose parent was
// never evaluated (a table cut, a position in check) takes its sums from the
// nearest kept ancestor, and after a few missing plies from scratch, which
// costs about as much as four updates.
#include <cstring>

#include "search/search.h"

namespace {

constexpr int MAX_UPDATES = 4;

}  // namespace

void reset_network_stack(SearchThread* t, const Position& root) {
  std::memset(t->nnue.key, 0, sizeof t->nnue.key);
  t->nnue.base_ply = root.ply;
}

int network_eval(SearchThread* t, const Position& p) {
  const NnueWeights& net = *t->net;
  NnueStack& s = t->nnue;
  const int index = p.ply - s.base_ply;
  if (index < 0 || index >= NNUE_STACK_SIZE) {
    nnue_refresh(net, p, &s.scratch);
    return nnue_evaluate(net, s.scratch, side_to_move(p));
  }
  if (s.key[index] != p.key) {
    // Up the line to the nearest position whose sums are kept.
    const Position* path[MAX_UPDATES + 1];
    path[0] = &p;
    int steps = 0;
    int at = index;
    while (s.key[at] != path[steps]->key) {
      const Position* parent = path[steps]->previous;
      if (steps == MAX_UPDATES || at == 0 || !parent) {
        steps = -1;
        break;
      }
      path[++steps] = parent;
      --at;
    }
    if (steps < 0) {
      nnue_refresh(net, p, &s.acc[index]);
      s.key[index] = p.key;
    } else {
      for (int k = steps - 1; k >= 0; --k, ++at) {
        nnue_update(net, *path[k + 1], *path[k], s.acc[at], &s.acc[at + 1]);
        s.key[at + 1] = path[k]->key;
      }
    }
  }
  return nnue_evaluate(net, s.acc[index], side_to_move(p));
}
