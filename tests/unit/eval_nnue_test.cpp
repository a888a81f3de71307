#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "eval/colour_flip.h"
#include "eval/nnue.h"
#include "tests/unit/board_test_support.h"

namespace {

void put(std::vector<uint8_t>* b, int64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The bytes of a sound network file with small pseudo-random weights.  The
// first-layer sums spread from below 0 to above QA, so both ends of the clip
// are reached, and output weights reach +-127.
std::vector<uint8_t> net_bytes(uint64_t seed, int hidden = NNUE_HIDDEN) {
  board_test::Random r(seed);
  std::vector<uint8_t> b = {'P', 'L', 'N', 'N', 'U', 'E', 0, 0};
  for (int v : {1, 768, hidden, 255, 64, 400}) put(&b, v, 4);
  for (int i = 0; i < 768 * hidden; ++i) put(&b, r.below(81) - 40, 2);
  for (int i = 0; i < hidden; ++i) put(&b, r.below(200), 2);
  for (int i = 0; i < 2 * hidden; ++i) put(&b, r.below(255) - 127, 2);
  put(&b, r.below(20001) - 10000, 4);
  uint32_t h = 2166136261u;
  for (uint8_t x : b) h = (h ^ x) * 16777619u;
  put(&b, h, 4);
  return b;
}

// Makes a legal move drawn from r into *child: when the position offers
// castling, an en-passant capture or a promotion, one of those three times in four;
// a null move now and then when not in check.  Counts the kinds made
// (index 8: null moves).  False when there is no legal move.
bool play(const Position& p, board_test::Random* r, Position* child, int* kinds) {
  Move moves[MAX_MOVES], legal[MAX_MOVES], special[MAX_MOVES];
  int n = generate_all(p, moves), n_legal = 0, n_special = 0;
  n += generate_en_passant(p, moves + n);  // generate_all leaves these out
  for (int i = 0; i < n; ++i) {
    Position c;
    make_move(p, &c, moves[i]);
    if (king_attacked(c, side_to_move(p))) continue;
    legal[n_legal++] = moves[i];
    if (move_kind(moves[i]) >= KIND_EN_PASSANT && move_kind(moves[i]) != KIND_DOUBLE_STEP)
      special[n_special++] = moves[i];
  }
  if (!n_legal) return false;
  Move m = n_special && r->below(4) ? special[r->below(n_special)] : legal[r->below(n_legal)];
  if (!king_attacked(p, side_to_move(p)) && r->below(12) == 0) m = 0;
  make_move(p, child, m);
  ++kinds[m ? move_kind(m) : 8];
  return true;
}

TEST(Nnue, IncrementalSumsMatchRefreshAndEveryPathAgreesThroughRandomGames) {
  auto record = std::make_unique<NnueWeights>();
  const std::vector<uint8_t> bytes = net_bytes(2024);
  ASSERT_TRUE(nnue_load(bytes.data(), bytes.size(), record.get(), nullptr, 0));
  const NnueWeights& net = *record;
  // The last two are Chess960: short castling swaps king and rook (f1 <-> g1).
  const char* starts[] = {START_FEN, "r3k2r/pPppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q2/PPPBBPpP/R3K2R w KQkq - 0 1",
                          "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
                          "qr3krb/pppppppp/8/8/8/8/PPPPPPPP/QR3KRB w GBgb - 0 1",
                          "qr3krb/pp1ppppp/8/8/2p5/8/PPPPPPPP/QR3KRB w GBgb - 0 1"};
  const int levels = nnue_best_simd_level() + 1;
  int kinds[9] = {}, chess960_castles = 0;
  board_test::Random r(99);
  for (int game = 0; game < 5; ++game) {
    const char* fen = starts[game];
    std::vector<Position> line(90);  // children point at their parents: the records stay put
    line[0] = board_test::setup(fen, game >= 3);
    NnueAccumulator start[3], running[3], fresh, acc;
    for (int level = 0; level < levels; ++level) {
      nnue_set_simd_level(level);
      nnue_refresh(net, line[0], &start[level]);
      running[level] = start[level];
    }
    for (int ply = 1; ply < 90 && play(line[ply - 1], &r, &line[ply], kinds); ++ply) {
      const Position& p = line[ply];
      chess960_castles += p.chess960 && p.last_move && move_kind(p.last_move) == KIND_CASTLING;
      nnue_set_simd_level(NNUE_SIMD_SCALAR);
      nnue_refresh(net, p, &fresh);
      const int eval = nnue_evaluate(net, fresh, side_to_move(p));
      // The colour-flipped twin seen from its side to move is the same position.
      Position twin;
      colour_flip(p, &twin);
      nnue_refresh(net, twin, &acc);
      ASSERT_EQ(nnue_evaluate(net, acc, side_to_move(twin)), eval) << fen << " ply " << ply;
      for (int level = 0; level < levels; ++level) {
        SCOPED_TRACE(std::string(fen) + " ply " + std::to_string(ply) + " " + nnue_simd_name(level));
        nnue_set_simd_level(level);
        nnue_update(net, line[ply - 1], p, running[level], &acc);
        ASSERT_EQ(std::memcmp(&acc, &fresh, sizeof acc), 0);
        running[level] = acc;
        ASSERT_EQ(nnue_evaluate(net, acc, side_to_move(p)), eval);
        nnue_refresh(net, p, &acc);
        ASSERT_EQ(std::memcmp(&acc, &fresh, sizeof acc), 0);
        // From the first position: several changes at once, later a refresh.
        nnue_update(net, line[0], p, start[level], &acc);
        ASSERT_EQ(std::memcmp(&acc, &fresh, sizeof acc), 0);
      }
    }
  }
  nnue_set_simd_level(nnue_best_simd_level());
  // The games reached every kind of move that changes the inputs unusually.
  EXPECT_GT(kinds[KIND_EN_PASSANT], 0);
  EXPECT_GT(kinds[KIND_CASTLING] - chess960_castles, 0);
  EXPECT_GT(chess960_castles, 1);
  EXPECT_GT(kinds[KIND_PROMOTE_QUEEN] + kinds[KIND_PROMOTE_KNIGHT] + kinds[KIND_PROMOTE_ROOK], 2);
  EXPECT_GT(kinds[8], 0);
}

TEST(Nnue, LoaderRefusesDamagedAndForeignFilesAndLeavesTheNetAlone) {
  const std::vector<uint8_t> good = net_bytes(7);
  auto net = std::make_unique<NnueWeights>(), kept = std::make_unique<NnueWeights>();
  char error[NNUE_ERROR_SIZE] = "";
  ASSERT_TRUE(nnue_load(good.data(), good.size(), kept.get(), error, sizeof error)) << error;
  *net = *kept;
  auto with = [&](size_t at, uint8_t value) {
    std::vector<uint8_t> b = good;
    b[at] = value;
    return b;
  };
  const std::vector<uint8_t> bad[] = {{good.begin(), good.end() - 1},
                                      {good.begin(), good.begin() + 20},
                                      with(0, 'X'),
                                      with(8, 2),
                                      net_bytes(7, 128),
                                      with(good.size() / 2, good[good.size() / 2] ^ 1)};
  for (const std::vector<uint8_t>& b : bad) {
    error[0] = 0;
    EXPECT_FALSE(nnue_load(b.data(), b.size(), net.get(), error, sizeof error)) << b.size();
    EXPECT_NE(error[0], 0);
  }
  // Files: the good one, one byte too many, two too few, then gone; a directory.
  std::string dir = testing::TempDir(), path = dir + "/pelion_nnue_" + std::to_string(getpid()) + ".bin";
  std::vector<uint8_t> longer = good;
  longer.push_back(0);
  for (const std::vector<uint8_t>& b : {good, longer, std::vector<uint8_t>(good.begin(), good.end() - 2)}) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f && std::fwrite(b.data(), 1, b.size(), f) == b.size());
    std::fclose(f);
    EXPECT_EQ(nnue_load_file(path.c_str(), net.get(), error, sizeof error), b.size() == good.size()) << error;
  }
  EXPECT_NE(std::strstr(error, path.c_str()), nullptr) << error;
  std::remove(path.c_str());
  EXPECT_FALSE(nnue_load_file(path.c_str(), net.get(), error, sizeof error));
  EXPECT_FALSE(nnue_load_file(dir.c_str(), net.get(), error, sizeof error));
  EXPECT_NE(std::strstr(error, "directory"), nullptr) << error;
  EXPECT_EQ(std::memcmp(net.get(), kept.get(), sizeof(NnueWeights)), 0) << "a refused file changed the net";
}

}  // namespace
