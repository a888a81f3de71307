// Syzygy tablebases: loading good and bad folders, the root ranking and the
// win/draw/loss probe, on the 3-4 man set of the shared data folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "board_test_support.h"
#include "search/tablebase.h"

namespace {

using board_test::find_move;
using board_test::legal_moves;
using board_test::setup;

const std::string SYZYGY = PELION_SYZYGY_TEST_DIR;

bool have_tables() {
  struct stat st;
  return tb_available() && stat((SYZYGY + "/KQvK.rtbw").c_str(), &st) == 0;
}

#define NEED_TABLES()                                                                 \
  if (!have_tables()) GTEST_SKIP() << "no prober in this build or no tables in " << SYZYGY; \
  ASSERT_EQ(tb_init_path(SYZYGY.c_str()).tables, 35)

// The ranking of a position's legal moves.
TbRootResult rank(const Position& p, bool rule50, bool* ok) {
  std::vector<Move> moves = legal_moves(p);
  TbRootResult r{};
  *ok = tb_rank_root(p, rule50, 7, 0, moves.data(), static_cast<int>(moves.size()), &r);
  return r;
}

bool kept(const TbRootResult& r, Move m) { return std::find(r.kept, r.kept + r.kept_count, m) != r.kept + r.kept_count; }

std::string temp_dir() {
  char dir[] = "/tmp/pelion-tb-XXXXXX";
  return mkdtemp(dir) ? dir : "/tmp";
}

void copy_prefix(const std::string& from, const std::string& to, std::streamsize bytes) {
  std::ifstream in(from, std::ios::binary);
  std::vector<char> data(static_cast<size_t>(bytes));
  in.read(data.data(), bytes);
  std::ofstream(to, std::ios::binary).write(data.data(), in.gcount());
}

}  // namespace

TEST(Tablebase, RootRankingKeepsTheWinAndRefusesTheDrawingMoves) {
  NEED_TABLES();
  // The rook on b2 hangs: a king move that does not guard it draws.
  Position p = setup("8/8/8/8/8/2k5/1R6/3K4 w - - 0 1");
  bool ok = false;
  TbRootResult r = rank(p, true, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(r.wdl, TBWDL_WIN);
  EXPECT_TRUE(is_tb_score(r.score) && r.score > 0 && r.score < MATE_BOUND) << r.score;
  EXPECT_TRUE(kept(r, find_move(p, "b2h2")));
  EXPECT_TRUE(kept(r, find_move(p, "d1c1")));  // guards the rook
  EXPECT_FALSE(kept(r, find_move(p, "d1e1")));
  EXPECT_FALSE(kept(r, find_move(p, "b2b3")));  // into the king's reach
  EXPECT_EQ(tb_probe_wdl(p), TBWDL_WIN);

  // The side without the rook draws only by taking it.
  Position q = setup("8/8/8/8/8/8/1k6/1R1K4 b - - 0 1");
  r = rank(q, true, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(r.wdl, TBWDL_DRAW);
  ASSERT_EQ(r.kept_count, 1);
  EXPECT_EQ(r.kept[0], find_move(q, "b2b1"));
  EXPECT_EQ(r.score, 0);
  EXPECT_EQ(tb_probe_wdl(q), TBWDL_DRAW);

  // In a loss only the longest resistance stays.
  Position lost = setup("8/8/8/8/8/8/1k6/3K2R1 b - - 0 1");
  r = rank(lost, true, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(r.wdl, TBWDL_LOSS);
  ASSERT_LT(r.kept_count, static_cast<int>(legal_moves(lost).size()));
  EXPECT_EQ(r.kept[0], find_move(lost, "b2c3"));  // 22 plies to zeroing; b2a1 only 6
  EXPECT_EQ(r.dtz, 22);
  EXPECT_TRUE(r.score < 0 && is_tb_score(r.score));
  EXPECT_EQ(tb_probe_wdl(lost), TBWDL_LOSS);
}

TEST(Tablebase, PromotionsMapToTheEngineMovesWithAndWithoutDistanceTables) {
  NEED_TABLES();
  Position p = setup("8/4P3/8/8/8/8/k7/4K3 w - - 0 1");
  std::string dir = temp_dir();
  for (const char* name : {"KQvK", "KRvK", "KBvK", "KNvK", "KPvK"})
    copy_prefix(SYZYGY + "/" + name + ".rtbw", dir + "/" + name + ".rtbw", 1 << 20);
  for (const std::string& folder : {SYZYGY, dir}) {
    SCOPED_TRACE(folder);
    TablebaseLoad load = tb_init_path(folder.c_str());
    ASSERT_EQ(load.tables, 5 + 30 * (folder == SYZYGY));
    bool ok = false;
    TbRootResult r = rank(p, true, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(r.wdl, TBWDL_WIN);
    EXPECT_EQ(r.dtz < 0, folder == dir);  // only the distance tables know it
    EXPECT_TRUE(kept(r, find_move(p, "e7e8q")));
    EXPECT_TRUE(kept(r, find_move(p, "e7e8r")));
    EXPECT_FALSE(kept(r, find_move(p, "e7e8b")));
    EXPECT_FALSE(kept(r, find_move(p, "e7e8n")));
  }
  for (const char* name : {"KQvK", "KRvK", "KBvK", "KNvK", "KPvK"}) std::remove((dir + "/" + name + ".rtbw").c_str());
  rmdir(dir.c_str());
}

TEST(Tablebase, FiftyMoveOptionTurnsACursedWinIntoADraw) {
  NEED_TABLES();
  // Bishop and knight win here in 29 moves to zeroing: with 60 half-moves
  // already played the fifty-move rule comes first.
  Position fresh = setup("8/8/8/3k4/8/8/8/KBN5 w - - 0 1");
  Position late = setup("8/8/8/3k4/8/8/8/KBN5 w - - 60 1");
  bool ok = false;
  TbRootResult r = rank(fresh, true, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(r.wdl, TBWDL_WIN);
  EXPECT_EQ(tb_probe_wdl(fresh), TBWDL_WIN);
  EXPECT_LT(r.dtz + 60, 150);
  EXPECT_GT(r.dtz + 60, 100);

  r = rank(late, true, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(r.wdl, TBWDL_CURSED_WIN);
  EXPECT_EQ(r.score, 1);  // just above the draw: the opponent may yet go wrong
  EXPECT_FALSE(kept(r, find_move(late, "b1e4")));  // leaves the bishop en prise: a plain draw
  r = rank(late, false, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(r.wdl, TBWDL_WIN);
  EXPECT_TRUE(is_tb_score(r.score) && r.score > 0);
  // A node's probe needs a fresh fifty-move counter.
  EXPECT_FALSE(tb_can_probe(late, 7));
  EXPECT_EQ(tb_probe_wdl(late), TBWDL_FAILED);
  EXPECT_TRUE(tb_can_probe(fresh, 7));
  EXPECT_FALSE(tb_can_probe(fresh, 3));  // the probe limit
  // Castling rights are never probed.
  EXPECT_FALSE(tb_can_probe(setup("8/8/8/3k4/8/8/8/R3K3 w Q - 0 1"), 7));
}

TEST(Tablebase, NodeScoresPreferTheShorterWinAndStayBelowMates) {
  const int near_win = tb_wdl_score(TBWDL_WIN, 2, true, 0), far_win = tb_wdl_score(TBWDL_WIN, 200, true, 0);
  EXPECT_GT(near_win, far_win);
  EXPECT_TRUE(is_tb_score(far_win) && !is_mate_score(near_win));
  EXPECT_EQ(tb_wdl_score(TBWDL_LOSS, 200, true, 0), -far_win);
  EXPECT_EQ(tb_wdl_score(TBWDL_CURSED_WIN, 9, true, -5), -4);
  EXPECT_EQ(tb_wdl_score(TBWDL_CURSED_WIN, 9, false, -5), tb_wdl_score(TBWDL_WIN, 9, true, -5));
  EXPECT_EQ(tb_score_from_table(tb_score_to_table(far_win, 30), 30), far_win);
  EXPECT_EQ(tb_score_from_table(tb_score_to_table(far_win, 30), 10), far_win + 20);
}

TEST(Tablebase, ProbesFromSeveralThreadsAgreeWithOneThread) {
  NEED_TABLES();
  // Freshly loaded tables probed by two threads at once: every table was
  // set up while loading, so nothing is initialised under the threads' feet.
  const char* fens[] = {"8/8/8/3k4/8/8/8/KBN5 w - - 0 1", "8/8/8/8/8/2k5/1R6/3K4 w - - 0 1",
                        "8/8/4k3/8/8/3P4/8/3K4 b - - 0 1", "8/8/2q5/8/3k4/8/8/KQ6 w - - 0 1",
                        "4k3/8/8/8/8/8/8/RN2K3 w - - 0 1", "8/2r5/8/3k4/8/8/5R2/3K4 b - - 0 1"};
  std::vector<Position> positions;
  for (const char* f : fens) positions.push_back(setup(f));
  std::vector<int> first(positions.size()), second(positions.size());
  std::thread a([&] {
    for (size_t i = 0; i < positions.size(); ++i) first[i] = tb_probe_wdl(positions[i]);
  });
  std::thread b([&] {
    for (size_t i = positions.size(); i-- > 0;) second[i] = tb_probe_wdl(positions[i]);
  });
  a.join();
  b.join();
  for (size_t i = 0; i < positions.size(); ++i) {
    EXPECT_NE(first[i], TBWDL_FAILED) << fens[i];
    EXPECT_EQ(first[i], second[i]) << fens[i];
    EXPECT_EQ(first[i], tb_probe_wdl(positions[i])) << fens[i];
  }
}

TEST(Tablebase, BadFoldersAreSurvivedWithAMessageAndNoTables) {
  if (!have_tables()) GTEST_SKIP() << "no prober in this build or no tables in " << SYZYGY;
  const std::string dir = temp_dir();
  const std::string junk = dir + "/junk", cut = dir + "/cut", cut_aligned = dir + "/cut-aligned";
  for (const std::string& d : {junk, cut, cut_aligned}) mkdir(d.c_str(), 0700);
  {
    std::ofstream out(junk + "/KQvK.rtbw", std::ios::binary);
    for (int i = 0; i < 272; ++i) out.put(static_cast<char>(i * 37));  // a table's size, not its contents
  }
  copy_prefix(SYZYGY + "/KQvKR.rtbw", cut + "/KQvKR.rtbw", 10001);
  // Cut to a length the prober itself accepts (16 more than a multiple of
  // 64): it would read past the end of the file.
  copy_prefix(SYZYGY + "/KQvKR.rtbw", cut_aligned + "/KQvKR.rtbw", 64 * 200 + 16);
  copy_prefix(SYZYGY + "/KQvKR.rtbz", cut_aligned + "/KQvKR.rtbz", 1 << 20);
  const std::string long_path(10000, 'a');
  struct Case {
    std::string path, message;
  } cases[] = {
      {dir + "/missing", "info string no tablebases found: " + dir + "/missing cannot be read (No such file or directory)"},
      {SYZYGY + "/KQvK.rtbw", "info string no tablebases found: " + SYZYGY + "/KQvK.rtbw is not a folder"},
      {junk, "info string no tablebases found: " + junk + "/KQvK.rtbw is damaged (not a table of its kind)"},
      {cut, "info string no tablebases found: " + cut + "/KQvKR.rtbw is damaged (10001 bytes is not the size of a table)"},
      {cut_aligned,
       "info string no tablebases found: " + cut_aligned + "/KQvKR.rtbw is damaged (shorter than its header says: cut off?)"},
      {long_path, "info string no tablebases found: " + long_path.substr(0, 120) + "... cannot be read (File name too long)"},
      {"<empty>", "info string no tablebases (SyzygyPath is empty)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.substr(0, 200));
    // Each time from loaded tables: a reload must release them safely.
    ASSERT_EQ(tb_init_path(SYZYGY.c_str()).tables, 35);
    TablebaseLoad load = tb_init_path(c.path.c_str());
    EXPECT_EQ(load.tables, 0);
    EXPECT_EQ(tb_largest(), 0);
    EXPECT_EQ(load.message, c.message);
    EXPECT_EQ(tb_probe_wdl(setup("8/8/8/8/8/2k5/1R6/3K4 w - - 0 1")), TBWDL_FAILED);
  }
  // A bad folder in the list is left out; the good ones are loaded.
  TablebaseLoad load = tb_init_path((junk + ":" + SYZYGY + ":" + dir + "/missing").c_str());
  EXPECT_EQ(load.tables, 35);
  EXPECT_EQ(load.largest, 4);
  EXPECT_EQ(std::string(load.message), "info string found 35 tablebases (up to 4 men); left out " + junk +
                                           "/KQvK.rtbw is damaged (not a table of its kind) (and 1 more folder)");
  EXPECT_EQ(tb_probe_wdl(setup("8/8/8/8/8/2k5/1R6/3K4 w - - 0 1")), TBWDL_WIN);
  for (const char* f : {"/junk/KQvK.rtbw", "/cut/KQvKR.rtbw", "/cut-aligned/KQvKR.rtbw", "/cut-aligned/KQvKR.rtbz"})
    std::remove((dir + f).c_str());
  for (const std::string& d : {junk, cut, cut_aligned, dir}) rmdir(d.c_str());
  tb_init_path("<empty>");
}
