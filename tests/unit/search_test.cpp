// Searches of real positions: tactics found at modest depth, mate and draw
// scores, determinism, and the quiescence search's own rules.
#include "search/search.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/make_move.h"
#include "eval/evaluation.h"
#include "search/draw.h"
#include "search/driver.h"
#include "search/tables.h"
#include "search/threads.h"
#include "search/tt.h"
#include "uci/interpreter.h"
#include "uci/search_output.h"

namespace {

class SearchTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    initialise_evaluation();
    if (!tt_enabled(table)) tt_allocate(&table, 16);
  }

  // A silent, deterministic one-thread search to the depth, each
  // iteration's result kept.
  int run(const Position& root, int depth, const char* searchmoves = "") {
    static SearchJob job;
    job.root = root;
    job.limits = SearchLimits{};
    job.plan = depth_plan(depth);
    job.settings = settings;
    job.tablebases = tablebases;
    root_moves_from_text(root, searchmoves, &job.root_moves);
    job.control = &control;
    job.table = &table;
    job.thread = main_search_thread();
    records = DepthRecords{};
    job.reporter = reporter ? *reporter : depth_recorder(&records);
    job.use_helpers = false;
    job.use_book = false;
    return run_search(job);
  }
  const DepthRecord* last_depth_records() const { return records.depth; }

  // Searches a FEN position to the depth; returns the final score and the
  // best move's text.
  int search(const char* fen, int depth, std::string* best, const char* searchmoves = "") {
    Position root;
    position_from_fen(&root, fen);
    int score = run(root, depth, searchmoves);
    // A mate ends the search early: take the deepest completed iteration.
    int last = depth;
    while (last > 1 && last_depth_records()[last].nodes == 0) --last;
    char text[8] = "0000";
    if (last_depth_records()[last].best_move) move_to_text(last_depth_records()[last].best_move, text);
    *best = text;
    return score;
  }

  static SearchSettings deterministic_settings() {
    SearchSettings s = DEFAULT_SEARCH_SETTINGS;
    s.deterministic = 1;
    return s;
  }
  SearchSettings settings = deterministic_settings();
  TablebaseSettings tablebases = TABLEBASES_OFF;
  const SearchReporter* reporter = nullptr;  // the recorder unless set
  DepthRecords records{};
  SearchControl control;
  static TranspositionTable table;
};
TranspositionTable SearchTest::table{};

TEST_F(SearchTest, MateInOne) {
  std::string best;
  EXPECT_EQ(search("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", 4, &best), mate_in(1));
  EXPECT_EQ(best, "d1d8");
  // The mate ends the search after the first iteration.
  EXPECT_EQ(last_depth_records()[2].nodes, 0u);
}

TEST_F(SearchTest, MateInTwoAndThree) {
  std::string best;
  EXPECT_EQ(search("7k/8/8/8/8/8/R7/1R4K1 w - - 0 1", 6, &best), mate_in(3));
  EXPECT_TRUE(best == "a2a7" || best == "b1b7") << best;
  EXPECT_EQ(search("r5rk/5p1p/5R2/4B3/8/8/7P/7K w - - 0 1", 8, &best), mate_in(5));
  EXPECT_EQ(best, "f6a6");
}

TEST_F(SearchTest, MateFoundWithoutNullMoveOrReductions) {
  settings.null_move = 0;
  settings.use_lmr = 0;
  std::string best;
  EXPECT_EQ(search("r5rk/5p1p/5R2/4B3/8/8/7P/7K w - - 0 1", 8, &best), mate_in(5));
  EXPECT_EQ(best, "f6a6");
}

// A mate score is a proof: at no depth may a pruned or reduced defence let
// the search report a mate shorter than the shortest there is (or a mate
// for the wrong side), and once deep enough it reports the shortest.
TEST_F(SearchTest, MateScoresAreProvenAtEveryDepth) {
  struct Case {
    const char* fen;
    int plies;  // the shortest mate, in plies from the root; negative: the side to move is mated
  };
  const Case cases[] = {{"6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", 1},
                        {"7k/8/8/8/8/8/R7/1R4K1 w - - 0 1", 3},
                        {"r5rk/5p1p/5R2/4B3/8/8/7P/7K w - - 0 1", 5},
                        {"7k/R7/8/8/8/8/8/1R4K1 b - - 0 1", -2},
                        // Qe8, Kd6 (forced), Qc8 and every reply is mated at once.
                        {"Q7/3NPn2/4k3/p7/p4Kp1/P6B/4b3/8 w - - 4 73", 5}};
  for (int selective = 1; selective >= 0; --selective) {
    settings.null_move = settings.use_lmr = selective;
    for (const Case& c : cases) {
      std::string best;
      const int score = search(c.fen, 14, &best);
      EXPECT_EQ(score, c.plies > 0 ? mate_in(c.plies) : mated_in(-c.plies)) << c.fen;
      for (int d = 1; d <= 14 && last_depth_records()[d].nodes; ++d) {
        const int s = last_depth_records()[d].score;
        if (!is_mate_score(s)) continue;
        if (c.plies > 0)
          EXPECT_TRUE(s > 0 && s <= mate_in(c.plies)) << c.fen << " depth " << d << " score " << s;
        else
          EXPECT_EQ(s, mated_in(-c.plies)) << c.fen << " depth " << d;
      }
    }
  }
}

TEST_F(SearchTest, DefenderSeesTheMate) {
  // Black to move is mated in two whatever it does.
  std::string best;
  int score = search("7k/R7/8/8/8/8/8/1R4K1 b - - 0 1", 6, &best);
  EXPECT_EQ(score, mated_in(2));
}

TEST_F(SearchTest, WinsMaterial) {
  std::string best;
  // Knight fork of king and rook.
  EXPECT_GT(search("r3k3/8/8/1N6/8/8/5PPP/6K1 w - - 0 1", 8, &best), 400);
  EXPECT_EQ(best, "b5c7");
  // Bishop check uncovers the queen's attack on the queen.
  EXPECT_GT(search("r1b2rk1/pp3ppp/8/3q4/8/3B4/PPP2PPP/R2QR1K1 w - - 0 1", 8, &best), 400);
  EXPECT_EQ(best, "d3h7");
  // The same for Black, mirrored.
  EXPECT_GT(search("r2qr1k1/ppp2ppp/3b4/8/3Q4/8/PP3PPP/R1B2RK1 b - - 0 1", 8, &best), 400);
  EXPECT_EQ(best, "d6h2");
}

TEST_F(SearchTest, MatedAndStalematedRoots) {
  std::string best;
  EXPECT_EQ(search("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", 5, &best), mated_in(0));
  EXPECT_EQ(search("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 3, &best), 0);
  EXPECT_EQ(best, "0000");
}

TEST_F(SearchTest, SearchmovesRestrictTheRoot) {
  std::string best;
  // The mate is not among the allowed moves.
  int score = search("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", 3, &best, "h2h3 g2g3 ");
  EXPECT_TRUE(best == "h2h3" || best == "g2g3") << best;
  EXPECT_LT(score, 1000);
  // Moves that name nothing legal fall back to every move.
  search("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", 3, &best, "e2e4 zz ");
  EXPECT_EQ(best, "d1d8");
}

TEST_F(SearchTest, RepetitionOfTheGameHistoryIsADraw) {
  // Queen up for White; Black's king steps back to g8, repeating the
  // position of four plies ago, which is scored as a draw.
  Position game[8];
  position_from_fen(&game[0], "7k/8/8/8/8/8/8/3QK3 w - - 0 1");
  const char* moves[] = {"d1d2", "h8g8", "d2d1", "g8h8", "d1d2"};
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(apply_move_text(game[i], &game[i + 1], moves[i]));
  int score = run(game[5], 6);
  EXPECT_EQ(score, settings.draw_score);
  char text[8];
  move_to_text(last_depth_records()[6].best_move, text);
  EXPECT_STREQ(text, "h8g8");
}

TEST_F(SearchTest, DeterministicSearchRepeatsExactly) {
  const char* fen = "r1bq1rk1/pp2bppp/2n1pn2/2pp4/2P5/1P3NP1/PB1PPPBP/RN1Q1RK1 w - - 0 1";
  Position root;
  position_from_fen(&root, fen);
  // Reported as a GUI sees it, with the option on, and with another search
  // in between: the same node count and move.
  const SearchReporter uci = uci_reporter();
  reporter = &uci;
  testing::internal::CaptureStdout();
  run(root, 7);
  uint64_t nodes1 = main_search_thread()->nodes;
  std::string out1 = testing::internal::GetCapturedStdout();
  Position other;
  position_from_fen(&other, "8/8/pr1ppk1p/R4pP1/8/3K2P1/P3PP2/8 b - - 0 1");
  testing::internal::CaptureStdout();
  run(other, 6);
  run(root, 7);
  std::string out2 = testing::internal::GetCapturedStdout();
  EXPECT_EQ(main_search_thread()->nodes, nodes1);
  auto last_line = [](const std::string& s) {
    size_t end = s.find_last_not_of('\n');
    size_t start = s.rfind('\n', end);
    return s.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
  };
  EXPECT_EQ(last_line(out1), last_line(out2));
  EXPECT_EQ(last_line(out1).rfind("bestmove ", 0), 0u) << out1;
}

TEST_F(SearchTest, TestModeRecordsEveryDepth) {
  std::string best;
  search("r1bq1rk1/pp2bppp/2n1pn2/2pp4/2P5/1P3NP1/PB1PPPBP/RN1Q1RK1 w - - 0 1", 6, &best);
  uint64_t previous = 0;
  for (int d = 1; d <= 6; ++d) {
    EXPECT_NE(last_depth_records()[d].best_move, 0u) << d;
    EXPECT_GT(last_depth_records()[d].nodes, previous) << d;
    EXPECT_GE(last_depth_records()[d].seconds, 0.0);
    previous = last_depth_records()[d].nodes;
  }
  EXPECT_EQ(last_depth_records()[7].nodes, 0u);
  // Same search, same result.
  uint64_t nodes = last_depth_records()[6].nodes;
  std::string again;
  search("r1bq1rk1/pp2bppp/2n1pn2/2pp4/2P5/1P3NP1/PB1PPPBP/RN1Q1RK1 w - - 0 1", 6, &again);
  EXPECT_EQ(last_depth_records()[6].nodes, nodes);
  EXPECT_EQ(again, best);
}

TEST_F(SearchTest, SearchWithoutTranspositionTable) {
  tt_free(&table);
  std::string best;
  EXPECT_EQ(search("7k/8/8/8/8/8/R7/1R4K1 w - - 0 1", 6, &best), mate_in(3));
  tt_allocate(&table, 16);
}

// The 3-4 man tables of the shared data folder: the root plays a move that
// keeps the tables' result (in positions where the search alone, the tree
// probes included, throws it away) and reports that result; the tree probes
// beyond the tables' men; tables that did not load change nothing.
TEST_F(SearchTest, TablebasesDecideTheRootAndItsScore) {
  if (!tb_available() || tb_init_path(PELION_SYZYGY_TEST_DIR).tables != 35) GTEST_SKIP() << "no tables";
  tablebases = DEFAULT_TABLEBASE_SETTINGS;
  const int draw = settings.draw_score, win = 1;
  const struct {
    const char* fen;
    const char* moves;  // the moves that keep the result
    int score;
  } cases[] = {{"3k4/8/n1K5/8/8/2R5/8/8 w - - 30 1", "c6b7", win},  // one of 16 wins before the fifty-move rule
               {"8/8/2R2K2/8/n7/6k1/8/8 w - - 0 1", "f6f5 f6e5", win},
               {"8/1R6/8/8/4K3/8/2n5/6k1 b - - 0 1", "g1f1", draw},  // one of 11 holds
               {"3k4/8/8/K7/8/6R1/8/2n5 b - - 0 1", "c1e2", draw},
               {"8/4N3/7k/8/8/7K/8/7B b - - 45 1", "h6g5", draw - 1},  // the fifty-move rule saves it
               {"8/8/8/3k4/8/8/8/KBN5 w - - 60 1", "", draw + 1}};     // and the win is too late
  std::string best, off;
  for (const auto& c : cases) {
    const int score = search(c.fen, 10, &best);
    EXPECT_TRUE(!*c.moves || std::string(c.moves).find(best) != std::string::npos) << c.fen << " " << best;
    EXPECT_TRUE(c.score == win ? score >= TB_WIN_BOUND && score < MATE_BOUND : score == c.score) << c.fen << " " << score;
    EXPECT_GT(main_search_thread()->tbhits, 0u) << c.fen;
  }
  tablebases.rule50 = false;
  EXPECT_GE(search("8/8/8/3k4/8/8/8/KBN5 w - - 60 1", 8, &best), TB_WIN_BOUND);
  // Five men: only the nodes after a capture are probed (Rxb8+ wins).
  EXPECT_GE(search("1r5k/8/8/8/8/8/1R6/1R4K1 w - - 0 1", 8, &best), TB_WIN_BOUND);

  const char* fen = "8/8/8/3k4/8/8/3PK3/8 w - - 0 1";
  tablebases = TABLEBASES_OFF;
  const int off_score = search(fen, 9, &off);
  const uint64_t off_nodes = main_search_thread()->nodes;
  tablebases = DEFAULT_TABLEBASE_SETTINGS;
  tb_init_path("/nonexistent");
  EXPECT_EQ(search(fen, 9, &best), off_score);
  EXPECT_EQ(best, off);
  EXPECT_EQ(main_search_thread()->nodes, off_nodes);
  EXPECT_EQ(main_search_thread()->tbhits, 0u);
  tb_init_path("<empty>");
}

// The quiescence search called directly on a prepared root.
class QuiescenceTest : public SearchTest {
 protected:
  void prepare(const char* fen) {
    position_from_fen(&root, fen);
    // A quiet parent, as every node below the root has one.
    parent = root;
    root.previous = &parent;
    root.psq = compute_psq(root);
    root.phase = static_cast<int16_t>(compute_phase(root));
    root.eval_cache = EVAL_NOT_COMPUTED;
    ensure_search_tables();
    tt_clear(&table);
    control.stop = 0;
    t = main_search_thread();
    t->settings = DEFAULT_SEARCH_SETTINGS;
    t->control = &control;
    t->table = &table;
    begin_thread_search(t, true);  // iteration 1: no polling
  }
  SearchThread* t = nullptr;
  Position parent;
  Position root;
  Move pv[PV_SIZE];
};

TEST_F(QuiescenceTest, MateAndStalemate) {
  // Mated at the root of the quiescence search.
  prepare("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1");
  EXPECT_EQ(quiesce(t, &root, -INFINITE_SCORE, INFINITE_SCORE, 0, 3, pv), mated_in(3));
  // Stalemate is not seen: the side to move stands pat.
  prepare("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
  int e = evaluate_uncached(root);
  EXPECT_EQ(quiesce(t, &root, -INFINITE_SCORE, INFINITE_SCORE, 0, 0, pv), e);
}

TEST_F(QuiescenceTest, QuietChecksOnlyNearTheHorizon) {
  prepare("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1");
  EXPECT_EQ(quiesce(t, &root, -INFINITE_SCORE, INFINITE_SCORE, 0, 0, pv), mate_in(1));
  char text[8];
  move_to_text(pv[0], text);
  EXPECT_STREQ(text, "d1d8");
  prepare("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1");
  int e = evaluate_uncached(root);
  EXPECT_EQ(quiesce(t, &root, -INFINITE_SCORE, INFINITE_SCORE, -4, 0, pv), e);
  EXPECT_EQ(pv[0], 0u);
}

TEST_F(QuiescenceTest, DeltaPruningSkipsHopelessCaptures) {
  // White can take a knight, but alpha stands far above what it brings.
  prepare("4k3/8/8/3n4/8/8/8/3RK3 w - - 0 1");
  int e = evaluate_uncached(root);
  uint64_t before = t->nodes;
  int alpha = e + phase_piece_value[root.phase][KNIGHT] + 141;
  EXPECT_EQ(quiesce(t, &root, alpha, alpha + 1, 0, 0, pv), e);
  EXPECT_EQ(t->nodes, before);  // nothing was made
  // With alpha in reach the capture is searched.
  prepare("4k3/8/8/3n4/8/8/8/3RK3 w - - 0 1");
  EXPECT_GT(quiesce(t, &root, e, e + 1, 0, 0, pv), e);
  EXPECT_GT(t->nodes, before);
}

TEST_F(QuiescenceTest, DrawnMaterialAtThirdPly) {
  // King and knight against king: the draw value at once, from ply 3 on.
  prepare("8/8/8/4k3/8/8/8/2N1K3 w - - 0 1");
  uint64_t before = t->nodes;
  const int draw_score = t->settings.draw_score;
  EXPECT_EQ(search_scout(t, &root, 50, 10, 3, 0, false), draw_value(draw_score, 3));
  EXPECT_EQ(search_pv(t, &root, -100, 100, 10, 4, pv), draw_value(draw_score, 4));
  EXPECT_EQ(quiesce(t, &root, -100, 100, 0, 5, pv), draw_value(draw_score, 5));
  EXPECT_EQ(t->nodes, before);
  // At ply 2 the same position is searched.
  search_pv(t, &root, -100, 100, 4, 2, pv);
  EXPECT_GT(t->nodes, before);
  // Two bishops can mate: searched normally.
  prepare("8/8/8/4k3/8/8/8/2B1KB2 w - - 0 1");
  before = t->nodes;
  search_pv(t, &root, -100, 100, 4, 3, pv);
  EXPECT_GT(t->nodes, before);
}

TEST_F(QuiescenceTest, QuietCutoffBecomesKiller) {
  // A scout node near the horizon whose refutation is the quiet Rd8 mate.
  prepare("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1");
  const Move old_killer = 0x0123;
  t->killer1[4] = old_killer;
  int s = search_scout(t, &root, 1000, 4, 4, 0, false);
  EXPECT_GE(s, 1000);
  char text[8];
  move_to_text(t->killer1[4], text);
  EXPECT_STREQ(text, "d1d8");
  EXPECT_EQ(t->killer2[4], old_killer);
}

// Every move the search makes counts, and the budget of "go nodes" (the
// helpers' nodes included) stops the search, except in iteration 1.
TEST(SearchNodes, CountingAndTheBudget) {
  auto t = std::make_unique<SearchThread>();
  SearchControl control;
  t->control = &control;
  std::atomic<int>& stop_requested = control.stop;
  uint64_t& node_limit = control.node_limit;
  Position p, c;
  position_from_fen(&p, START_FEN);
  ASSERT_TRUE(apply_move_text(p, &c, "g1f3"));
  const Move m = c.last_move;
  begin_thread_search(t.get(), false);
  stop_requested = 0;
  node_limit = 2;
  for (int i = 0; i < 5; ++i) make_search_move(t.get(), p, &c, m);
  EXPECT_EQ(t->nodes, 5u);
  EXPECT_EQ(stop_requested, 0);
  // After iteration 1 the next move past the budget stops the search, and
  // nothing more is counted.
  t->first_iteration = 0;
  make_search_move(t.get(), p, &c, m);
  EXPECT_EQ(stop_requested, 1);
  make_search_move(t.get(), p, &c, 0);
  EXPECT_EQ(t->nodes, 5u);
  // The helpers' nodes count against the same budget.
  stop_requested = 0;
  t->nodes = 0;
  t->helper_nodes = 10;
  node_limit = 12;
  make_search_move(t.get(), p, &c, m);
  make_search_move(t.get(), p, &c, 0);
  EXPECT_EQ(t->nodes, 2u);
  EXPECT_EQ(stop_requested, 0);
  make_search_move(t.get(), p, &c, m);
  EXPECT_EQ(stop_requested, 1);
}

}  // namespace

namespace {

// A second reporter beside the protocol's: records every line it hears and
// passes it on to the UCI text.
struct Recording {
  SearchReporter uci = uci_reporter();
  std::vector<std::string> iterations;  // "depth nodes score pv" of each LINE_ITERATION
};
void record_and_print(void* context, const SearchLine& line) {
  auto* r = static_cast<Recording*>(context);
  if (line.kind == LINE_ITERATION) {
    char pv[PV_TEXT_SIZE], score[64];
    pv_to_text(line.pv, pv);
    score_text(line.score, score);
    r->iterations.push_back(std::to_string(line.depth) + " " + std::to_string(line.nodes) + " " + score + " " + pv);
  }
  r->uci.line(nullptr, line);
}

}  // namespace

// What a reporter of its own hears is exactly what the GUI reads.
TEST_F(SearchTest, SecondReporterSeesTheIterationsTheProtocolShows) {
  Recording recording;
  SearchReporter both = recording.uci;
  both.context = &recording;
  both.line = record_and_print;
  reporter = &both;
  Position root;
  position_from_fen(&root, "r1bq1rk1/pp2bppp/2n1pn2/2pp4/2P5/1P3NP1/PB1PPPBP/RN1Q1RK1 w - - 0 1");
  testing::internal::CaptureStdout();
  run(root, 8);
  std::istringstream out(testing::internal::GetCapturedStdout());
  std::vector<std::string> shown;
  for (std::string l; std::getline(out, l);) {
    std::istringstream words(l);
    std::string w, depth, nodes, score, pv;
    if (l.rfind("info depth ", 0) != 0 || l.find(" seldepth ") == std::string::npos) continue;
    while (words >> w) {
      if (w == "depth") words >> depth;
      if (w == "nodes") words >> nodes;
      if (w == "score") {
        std::string kind, value;
        words >> kind >> value;
        score = kind + " " + value;
      }
      if (w == "pv") std::getline(words, pv);
    }
    shown.push_back(depth + " " + nodes + " " + score + pv);
  }
  // Progress lines inside an iteration come first; the last line of each
  // depth is the iteration's own.
  std::vector<std::string> last_of_depth;
  for (size_t i = 0; i < shown.size(); ++i)
    if (i + 1 == shown.size() || shown[i + 1].substr(0, shown[i + 1].find(' ')) != shown[i].substr(0, shown[i].find(' ')))
      last_of_depth.push_back(shown[i]);
  EXPECT_EQ(last_of_depth, recording.iterations);
  EXPECT_EQ(recording.iterations.size(), 8u);
}
