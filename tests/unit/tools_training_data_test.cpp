// Training data: a record gives back its position, score, move and result;
// a shard cut short or of another version is never read as good; a stopped
// data run goes on where it stopped instead of playing its games again.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/make_move.h"
#include "eval/evaluation.h"
#include "tools/datagen.h"
#include "tools/training_data.h"

namespace {

std::string temporary_folder() {
  std::string name = testing::TempDir() + "data-XXXXXX";
  return mkdtemp(name.data()) ? name : testing::TempDir();
}

std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

int datagen(const std::string& out, const char* positions) {
  const char* args[] = {"--out", out.c_str(), "--positions", positions, "--threads", "2", "--nodes", "400", "--seed", "3"};
  return run_datagen(10, const_cast<char**>(args));
}

}  // namespace

TEST(TrainingData, RecordsGiveBackPositionScoreMoveAndResult) {
  initialise_evaluation();
  // Castling rights of both sides, an en-passant capture, a promotion to
  // come and Black to move, a bare ending late in a game.
  const char* fens[] = {"r3k2r/pppq1ppp/2n5/3pP3/8/8/PPP2PPP/R3K2R w Kq d6 0 9",
                        "8/1P4k1/8/8/8/8/6K1/8 w - - 3 60", "rnbqkbnr/pppp1ppp/8/8/3Pp3/8/PPP1PPPP/RNBQKBNR b KQkq d3 0 2",
                        "8/8/8/4k3/8/8/8/4K3 b - - 40 90"};
  for (const char* fen : fens) {
    Position p;
    position_from_fen(&p, fen);
    const Move best = 0x1234;
    TrainingRecord r = encode_training_record(p, -345, best, 77);
    set_record_result(&r, RESULT_BLACK_WIN, true);
    TrainingPosition t;
    ASSERT_TRUE(decode_training_record(r, &t)) << fen;
    EXPECT_EQ(t.score, -345);
    EXPECT_EQ(t.move, best);
    EXPECT_EQ(t.result, RESULT_BLACK_WIN);
    EXPECT_TRUE(t.game_end);
    EXPECT_EQ(t.ply, 77);
    Position back;
    ASSERT_TRUE(training_position(r, &back)) << fen;
    EXPECT_EQ(back.key, p.key) << fen;  // pieces, side to move, castling and en passant alike
    EXPECT_EQ(back.fifty, p.fifty) << fen;
  }
}

TEST(TrainingData, ShardsCutShortOrOfAnotherVersionAreNotReadAsGood) {
  const std::string dir = temporary_folder();
  ASSERT_EQ(datagen(dir, "300"), 0);
  const std::string path = shard_path(dir.c_str(), 0, 0);
  const std::string bytes = file_bytes(path);
  Shard whole;
  std::string error;
  ASSERT_TRUE(load_shard(path.c_str(), &whole, &error)) << error;
  ASSERT_EQ(bytes.size(), TRAINING_RECORD_SIZE * (whole.records.size() + 1));
  // Killed in the middle of a record of the last game: the whole last game goes.
  std::ofstream(path, std::ios::binary) << bytes.substr(0, bytes.size() - 45);
  Shard cut;
  ASSERT_TRUE(load_shard(path.c_str(), &cut, &error)) << error;
  EXPECT_TRUE(cut.partial_record);
  EXPECT_GT(cut.dropped_records, 0u);
  ASSERT_FALSE(cut.records.empty());
  EXPECT_TRUE(cut.records.back().bytes[28] & 0x80);  // it ends with a game's last position
  // Another version, and a record that is no position: refused with the reason.
  std::string other = bytes;
  other[8] = 9;
  std::ofstream(path, std::ios::binary) << other;
  EXPECT_FALSE(load_shard(path.c_str(), &cut, &error));
  EXPECT_NE(error.find("version 9"), std::string::npos) << error;
  std::string bad = bytes;
  bad[TRAINING_RECORD_SIZE + 8] = static_cast<char>(0xff);  // piece codes 15
  std::ofstream(path, std::ios::binary) << bad;
  EXPECT_FALSE(load_shard(path.c_str(), &cut, &error));
  EXPECT_NE(error.find("record 0"), std::string::npos) << error;
}

TEST(TrainingData, AStoppedRunGoesOnWhereItStopped) {
  const std::string once = temporary_folder(), twice = temporary_folder();
  ASSERT_EQ(datagen(once, "600"), 0);
  ASSERT_EQ(datagen(twice, "250"), 0);
  // A game was being written when the run was stopped.
  const std::string path = shard_path(twice.c_str(), 1, 0);
  const std::string bytes = file_bytes(path);
  std::ofstream(path, std::ios::binary) << bytes.substr(0, bytes.size() - 3 * TRAINING_RECORD_SIZE - 7);
  ASSERT_EQ(datagen(twice, "600"), 0);
  for (int worker = 0; worker < 2; ++worker)
    EXPECT_EQ(file_bytes(shard_path(twice.c_str(), worker, 0)), file_bytes(shard_path(once.c_str(), worker, 0)))
        << "worker " << worker;
  // Other settings in the same folder are refused.
  const char* args[] = {"--out", twice.c_str(), "--positions", "700", "--nodes", "500"};
  EXPECT_EQ(run_datagen(6, const_cast<char**>(args)), 1);
}
