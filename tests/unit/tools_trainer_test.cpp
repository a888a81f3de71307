// The network trainer: its file reads back and evaluates like the float
// net, runs repeat bit for bit, and bad or unfinished shards are not read as
// good data.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "eval/evaluation.h"
#include "tools/trainer.h"
#include "tools/training_data.h"

namespace {

std::string temporary_folder() {
  std::string name = testing::TempDir() + "trainer-XXXXXX";
  return mkdtemp(name.data()) ? name : testing::TempDir();
}

// Games of random moves, each position labelled with the evaluation and the
// move played from it, the result made up.
std::vector<TrainingRecord> playout_games(int games, uint64_t seed) {
  initialise_evaluation();
  std::vector<TrainingRecord> out;
  for (int g = 0; g < games; ++g) {
    static Position line[121];
    position_from_fen(&line[0], START_FEN);
    const size_t first = out.size();
    for (int ply = 0; ply < 120; ++ply) {
      Position& p = line[ply];
      p.psq = compute_psq(p);
      p.phase = static_cast<int16_t>(compute_phase(p));
      p.previous = nullptr;
      Move moves[MAX_MOVES], legal[MAX_MOVES];
      int n = 0;
      for (int i = 0, all = generate_all(p, moves); i < all; ++i) {
        make_move(p, &line[ply + 1], moves[i]);
        if (!king_attacked(line[ply + 1], side_to_move(p))) legal[n++] = moves[i];
      }
      if (!n) break;
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      const Move m = legal[(seed >> 33) % n];
      out.push_back(encode_training_record(p, evaluate_uncached(p), m, ply));
      make_move(p, &line[ply + 1], m);
      line[ply + 1].in_check = static_cast<uint16_t>(king_attacked(line[ply + 1], side_to_move(line[ply + 1])));
    }
    for (size_t i = first; i < out.size(); ++i) set_record_result(&out[i], g % 3, i + 1 == out.size());
  }
  return out;
}

void write_shard(const std::string& path, const std::vector<TrainingRecord>& records) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  write_shard_header(f, ShardHeader{TRAINING_DATA_VERSION, TRAINING_RECORD_SIZE, 0, 0, 1});
  std::fwrite(records.data(), sizeof(TrainingRecord), records.size(), f);
  std::fclose(f);
}

std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TrainerOptions small_run(const std::string& data, const std::string& out) {
  TrainerOptions o;
  o.folders = {data};
  o.out = out;
  o.epochs = 2;
  o.batch = 256;
  o.validation = 0.2;
  o.progress = false;
  return o;
}

TEST(TrainerTest, ExportedFileReadsBackAndEvaluatesLikeTheFloatNet) {
  const std::string dir = temporary_folder();
  write_shard(dir + "/w000-00000.plnd", playout_games(40, 3));
  TrainerSummary s;
  ASSERT_EQ(train_network(small_run(dir, dir + "/net.nnue"), &s), 0);
  EXPECT_GT(s.validation, 0u);
  // Rounding to 1/64 and 1/255 costs a few centipawns; a weight in the
  // wrong place or scale costs hundreds.
  EXPECT_LT(s.mean_quantised_difference, 4.0);
  EXPECT_LE(s.max_quantised_difference, 40);
  QuantisedNetwork q;
  std::string error;
  ASSERT_TRUE(read_network_file((dir + "/net.nnue").c_str(), &q, &error)) << error;
  EXPECT_EQ(file_bytes(dir + "/net.nnue").size(), 32u + 768 * 256 * 2 + 256 * 2 + 512 * 2 + 8);
  EXPECT_EQ(q.scale, 400);
  // A changed weight or a cut file must be refused, not evaluated.
  std::string bytes = file_bytes(dir + "/net.nnue");
  bytes[1000] ^= 1;
  std::ofstream(dir + "/bad.nnue", std::ios::binary) << bytes;
  EXPECT_FALSE(read_network_file((dir + "/bad.nnue").c_str(), &q, &error));
  std::ofstream(dir + "/cut.nnue", std::ios::binary) << bytes.substr(0, bytes.size() - 2);
  EXPECT_FALSE(read_network_file((dir + "/cut.nnue").c_str(), &q, &error));
}

TEST(TrainerTest, SameSeedAndThreadsGiveTheSameNetwork) {
  const std::string dir = temporary_folder();
  write_shard(dir + "/w000-00000.plnd", playout_games(30, 5));
  TrainerSummary s;
  ASSERT_EQ(train_network(small_run(dir, dir + "/a.nnue"), &s), 0);
  ASSERT_EQ(train_network(small_run(dir, dir + "/b.nnue"), &s), 0);
  TrainerOptions other = small_run(dir, dir + "/c.nnue");
  other.seed = 2;
  ASSERT_EQ(train_network(other, &s), 0);
  EXPECT_EQ(file_bytes(dir + "/a.nnue"), file_bytes(dir + "/b.nnue"));
  EXPECT_NE(file_bytes(dir + "/a.nnue"), file_bytes(dir + "/c.nnue"));
}

TEST(TrainerTest, StartingFromAFileKeepsItsScoresAtAnyScale) {
  const std::string dir = temporary_folder();
  write_shard(dir + "/w000-00000.plnd", playout_games(30, 9));
  TrainerSummary s;
  TrainerOptions o = small_run(dir, dir + "/b.nnue");
  o.init = dir + "/a.nnue", o.lr = 1e-7, o.scale = 250;
  ASSERT_EQ(train_network(small_run(dir, o.init), &s), 0);
  ASSERT_EQ(train_network(o, &s), 0);
  QuantisedNetwork a, b;
  std::string error;
  ASSERT_TRUE(read_network_file(o.init.c_str(), &a, &error) && read_network_file(o.out.c_str(), &b, &error));
  Position p;
  position_from_fen(&p, "r3k2r/pp3ppp/8/3q4/8/2N5/PP3PPP/R2QK2R b KQkq - 0 1");
  uint16_t f[32];
  const int n = white_view_features(p, f);
  EXPECT_NEAR(quantised_evaluate(a, f, n, BLACK), quantised_evaluate(b, f, n, BLACK), 3);
  o.init = dir + "/missing.nnue";
  EXPECT_EQ(train_network(o, &s), 1);
}

TEST(TrainerTest, BadShardsAreSkippedAndUnfinishedGamesDropped) {
  const std::string dir = temporary_folder();
  const std::vector<TrainingRecord> games = playout_games(6, 7);
  write_shard(dir + "/w000-00000.plnd", games);
  std::vector<TrainingRecord> corrupt = games;
  corrupt[games.size() / 2].bytes[8] |= 0x0f;  // a piece code beyond Black's king
  write_shard(dir + "/w000-00001.plnd", corrupt);
  std::ofstream(dir + "/w000-00002.plnd") << "not a shard";
  std::vector<TrainingRecord> unfinished = games;
  for (int i = 0; i < 5; ++i) unfinished.push_back(games[i]);  // a game without its end
  write_shard(dir + "/w000-00003.plnd", unfinished);
  TrainerSummary s;
  ASSERT_EQ(train_network(small_run(dir, dir + "/net.nnue"), &s), 0);
  EXPECT_EQ(s.shards, 2u);
  EXPECT_EQ(s.bad_shards, 2u);
  EXPECT_EQ(s.dropped_records, 5u);
  EXPECT_EQ(s.records, 2 * games.size());
}

TEST(TrainerTest, PositionsWithoutAQuietScoreAreSkipped) {
  struct Case {
    const char* fen;
    int score;
    Move best;
  };
  const Case cases[] = {
      {START_FEN, 20, move_code(12, 28, KIND_DOUBLE_STEP)},                            // kept
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", 0, move_code(4, 6, KIND_CASTLING)},     // kept
      {"4k3/8/8/8/8/8/4r3/4K3 w - - 0 1", -500, move_code(4, 12, KIND_NORMAL)},        // in check
      {"4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", 30, move_code(28, 35, KIND_NORMAL)},       // capture
      {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", 30, move_code(36, 43, KIND_EN_PASSANT)},   // capture
      {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", 900, move_code(48, 56, KIND_PROMOTE_QUEEN)},  // promotion
      {START_FEN, 31990, move_code(12, 28, KIND_DOUBLE_STEP)},                         // mate
      {START_FEN, -12000, move_code(12, 28, KIND_DOUBLE_STEP)},                        // large
  };
  std::vector<TrainingRecord> records;
  for (const Case& c : cases) {
    Position p;
    position_from_fen(&p, c.fen);
    records.push_back(encode_training_record(p, c.score, c.best, 0));
    set_record_result(&records.back(), RESULT_DRAW, &c == &cases[7]);
  }
  const std::string dir = temporary_folder();
  write_shard(dir + "/w000-00000.plnd", records);
  TrainerOptions o = small_run(dir, dir + "/net.nnue");
  o.validation = 0;
  TrainerSummary s;
  ASSERT_EQ(train_network(o, &s), 0);
  EXPECT_EQ(s.training, 2u);
  EXPECT_EQ(s.in_check, 1u);
  EXPECT_EQ(s.capture, 2u);
  EXPECT_EQ(s.promotion, 1u);
  EXPECT_EQ(s.mate, 1u);
  EXPECT_EQ(s.large, 1u);
  // No usable position, or no writable output: an I/O failure; a bad option: status 2.
  write_shard(dir + "/w000-00000.plnd", {records[2]});
  EXPECT_EQ(train_network(o, &s), 1);
  o.out = dir + "/missing/net.nnue";
  EXPECT_EQ(train_network(o, &s), 1);
  std::vector<std::string> words = {dir, "--out", dir + "/x.nnue", "--epochs", "0"};
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  EXPECT_EQ(run_trainer(static_cast<int>(argv.size()), argv.data()), 2);
}

}  // namespace
