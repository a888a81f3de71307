// The search's network sums along a line: whatever the order in which the
// search evaluates the positions of its lines (parents skipped, siblings,
// a jump back to a shorter line), every score equals the one from sums
// computed from scratch.
#include <gtest/gtest.h>

#include <memory>

#include "board_test_support.h"
#include "eval/network.h"
#include "search/search.h"

TEST(SearchNetwork, KeptSumsMatchAFullRefreshAndEndgameKnowledgeStands) {
  char error[NNUE_ERROR_SIZE];
  ASSERT_TRUE(use_embedded_net(error, sizeof error)) << error;
  auto t = std::make_unique<SearchThread>();
  t->net = nnue_current();
  uint64_t seed = 12345;
  auto next = [&seed](uint64_t n) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return (seed >> 33) % n;
  };
  static const char* starts[] = {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
                                 "8/2P5/8/8/4k3/8/1p3K2/8 w - - 0 1"};
  for (const char* fen : starts) {
    Position line[64];
    line[0] = board_test::setup(fen);
    reset_network_stack(t.get(), line[0]);
    int length = 0, checked = 0;
    for (int step = 0; step < 400; ++step) {
      // Now and then the search goes back up its line and down another.
      if (length > 2 && next(5) == 0) length -= 1 + static_cast<int>(next(static_cast<uint64_t>(length - 1)));
      std::vector<Move> moves = board_test::legal_moves(line[length]);
      if (moves.empty() || length == 63) {
        length = 0;
        continue;
      }
      // A null move now and then (never out of check, as the search).
      const bool in_check = king_attacked(line[length], side_to_move(line[length]));
      const Move m = !in_check && next(8) == 0 ? 0 : moves[next(moves.size())];
      make_move(line[length], &line[length + 1], m);
      line[length + 1].previous = &line[length];
      ++length;
      if (next(3) == 0) continue;  // not evaluated: a table cut, a position in check
      NnueAccumulator fresh;
      nnue_refresh(*t->net, line[length], &fresh);
      ASSERT_EQ(network_eval(t.get(), line[length]), nnue_evaluate(*t->net, fresh, side_to_move(line[length])))
          << fen << " step " << step;
      ++checked;
    }
    EXPECT_GT(checked, 200);
  }
  // Over the net stands the endgame knowledge: a lone knight cannot win.
  initialise_evaluation();
  Position knight = board_test::setup("8/8/8/4k3/8/8/3NK3/8 w - - 0 1");
  knight.eval_cache = EVAL_NOT_COMPUTED;
  reset_network_stack(t.get(), knight);
  EXPECT_EQ(cached_eval(t.get(), &knight), 0);
}
