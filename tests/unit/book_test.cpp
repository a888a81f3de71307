// The opening book: Polyglot keys, probing a real book, and the move choice.
#include "book/book.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "board/fen.h"

namespace {

Position from_fen(const std::string& fen) {
  Position p;
  position_from_fen(&p, fen.c_str());
  return p;
}

// The position after a list of moves from the start position.
Position after(const std::vector<std::string>& moves) {
  Position line[64];
  position_from_fen(&line[0], START_FEN);
  for (size_t i = 0; i < moves.size(); ++i) EXPECT_TRUE(apply_move_text(line[i], &line[i + 1], moves[i].c_str()));
  Position p = line[moves.size()];
  p.previous = nullptr;
  return p;
}

std::string text_of(Move m) {
  char t[8];
  move_to_text(m, t);
  return t;
}

struct Record {
  uint64_t key;
  uint16_t move;
  uint16_t weight;
};

uint16_t book_move(const char* text) {
  int from = (text[0] - 'a') + 8 * (text[1] - '1');
  int to = (text[2] - 'a') + 8 * (text[3] - '1');
  return static_cast<uint16_t>(to | (from << 6));
}

// Writes a book file (records must be in key order) and opens it.
class SmallBook {
 public:
  explicit SmallBook(const std::vector<Record>& records) {
    char name[] = "/tmp/pelion-book-XXXXXX";
    int fd = mkstemp(name);
    path_ = name;
    std::string bytes;
    for (const Record& r : records) {
      for (int i = 7; i >= 0; --i) bytes += static_cast<char>(r.key >> (8 * i));
      bytes += static_cast<char>(r.move >> 8);
      bytes += static_cast<char>(r.move);
      bytes += static_cast<char>(r.weight >> 8);
      bytes += static_cast<char>(r.weight);
      bytes += std::string(4, '\0');
    }
    EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fd);
    use(path_);
  }
  ~SmallBook() {
    std::remove(path_.c_str());
    set_own_book(true);
    set_best_line(true);
    set_book_file("pelion.bin");
    open_book();
  }
  static void use(const std::string& path) {
    set_own_book(true);
    set_book_file(path.c_str());
    open_book();
  }

 private:
  std::string path_;
};

std::map<std::string, int> tally(const Position& p, int draws) {
  std::map<std::string, int> counts;
  for (int i = 0; i < draws; ++i) ++counts[text_of(probe_book(p))];
  return counts;
}

const uint64_t START_KEY = 0x463b96181691fc9cULL;

}  // namespace

TEST(BookKeys, PublishedTestKeys) {
  EXPECT_EQ(polyglot_key(from_fen(START_FEN)), START_KEY);
  EXPECT_EQ(polyglot_key(after({"e2e4"})), 0x823c9b50fd114196ULL);
  EXPECT_EQ(polyglot_key(after({"e2e4", "d7d5"})), 0x0756b94461c50fb0ULL);
  EXPECT_EQ(polyglot_key(after({"e2e4", "d7d5", "e4e5"})), 0x662fafb965db29d4ULL);
  EXPECT_EQ(polyglot_key(after({"e2e4", "d7d5", "e4e5", "f7f5"})), 0x22a48b5a8e47ff78ULL);
  EXPECT_EQ(polyglot_key(after({"e2e4", "d7d5", "e4e5", "f7f5", "e1e2"})), 0x652a607ca3f242c1ULL);
  EXPECT_EQ(polyglot_key(after({"e2e4", "d7d5", "e4e5", "f7f5", "e1e2", "e8f7"})), 0x00fdd303c946bdd9ULL);
  EXPECT_EQ(polyglot_key(after({"a2a4", "b7b5", "h2h4", "b5b4", "c2c4"})), 0x3c8123ea7b067637ULL);
  EXPECT_EQ(polyglot_key(after({"a2a4", "b7b5", "h2h4", "b5b4", "c2c4", "b4c3", "a1a3"})), 0x5c3f9b829b279560ULL);
  // An en-passant square no pawn can use does not enter the key.
  EXPECT_EQ(polyglot_key(from_fen("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3")), 0x823c9b50fd114196ULL);
}

TEST(BookSmall, EveryExpectedProbe) {
  SmallBook::use(std::string(PELION_TEST_DATA_DIR) + "/book-small.bin");
  ASSERT_TRUE(book_is_open());
  std::ifstream in(std::string(PELION_TEST_DATA_DIR) + "/book-small.expect.txt");
  // FEN4 -> (move -> weight), in file order, and the key.
  std::map<std::string, std::vector<std::pair<std::string, int>>> expected;
  std::map<std::string, uint64_t> keys;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string f[4], move, weight, stored, key;
    words >> f[0] >> f[1] >> f[2] >> f[3] >> move >> weight >> stored >> key;
    std::string fen = f[0] + " " + f[1] + " " + f[2] + " " + f[3];
    keys[fen] = std::stoull(key, nullptr, 16);
    if (move != "none")
      expected[fen].push_back({move, std::stoi(weight)});
    else
      expected[fen];
  }
  ASSERT_EQ(expected.size(), 50u);
  std::srand(7);
  for (const auto& [fen, moves] : expected) {
    SCOPED_TRACE(fen);
    Position p = from_fen(fen + " 0 1");
    EXPECT_EQ(polyglot_key(p), keys[fen]);
    set_best_line(false);
    std::map<std::string, int> counts = tally(p, moves.empty() ? 5 : 400);
    if (moves.empty()) {
      EXPECT_EQ(counts.size(), 1u);
      EXPECT_EQ(counts.begin()->first, "null");
      continue;
    }
    std::set<std::string> allowed;
    for (const auto& m : moves) allowed.insert(m.first);
    for (const auto& [move, n] : counts) EXPECT_TRUE(allowed.count(move)) << move;
    // With Best Line only the top weight (or the tie at the top) is played.
    set_best_line(true);
    int top = moves[0].second;
    for (const auto& [move, n] : tally(p, 50)) {
      int w = 0;
      for (const auto& m : moves)
        if (m.first == move) w = m.second;
      EXPECT_EQ(w, top) << move;
    }
  }
}

TEST(BookChoice, BestLineSplitsTheTiedTopMoves) {
  SmallBook book(
      {{START_KEY, book_move("e2e4"), 10}, {START_KEY, book_move("d2d4"), 10}, {START_KEY, book_move("g1f3"), 5}});
  Position p = from_fen(START_FEN);
  std::srand(1);
  set_best_line(true);
  auto counts = tally(p, 4000);
  EXPECT_EQ(counts.count("g1f3"), 0u);
  // Binomial(4000, 0.5): mean 2000, sd about 32.
  EXPECT_NEAR(counts["e2e4"], 2000, 200);
  EXPECT_NEAR(counts["d2d4"], 2000, 200);
}

TEST(BookChoice, WithoutBestLineEveryMoveByWeight) {
  SmallBook book({{START_KEY, book_move("e2e4"), 3}, {START_KEY, book_move("d2d4"), 1}});
  Position p = from_fen(START_FEN);
  std::srand(2);
  set_best_line(false);
  auto counts = tally(p, 4000);
  // Binomial(4000, 0.75): mean 3000, sd about 27.
  EXPECT_NEAR(counts["e2e4"], 3000, 150);
  EXPECT_NEAR(counts["d2d4"], 1000, 150);
}

TEST(BookChoice, ZeroWeightsAreNeverPlayed) {
  SmallBook book({{START_KEY, book_move("e2e4"), 0}});
  EXPECT_EQ(probe_book(from_fen(START_FEN)), 0u);
  SmallBook mixed({{START_KEY, book_move("e2e4"), 0}, {START_KEY, book_move("c2c4"), 1}});
  for (int i = 0; i < 50; ++i) EXPECT_EQ(text_of(probe_book(from_fen(START_FEN))), "c2c4");
}

TEST(BookChoice, CastlingIsStoredAsKingTakesRook) {
  Position p = from_fen("r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1");
  uint64_t key = polyglot_key(p);
  SmallBook book({{key, book_move("e1h1"), 1}});
  Move m = probe_book(p);
  EXPECT_EQ(text_of(m), "e1g1");
  EXPECT_EQ(move_kind(m), KIND_CASTLING);
  SmallBook long_side({{key, book_move("e1a1"), 1}});
  EXPECT_EQ(text_of(probe_book(p)), "e1c1");
}

TEST(BookChoice, NotProbedInChess960) {
  SmallBook book({{START_KEY, book_move("e2e4"), 1}});
  EXPECT_EQ(text_of(probe_book(from_fen(START_FEN))), "e2e4");
  Position chess960;
  position_from_fen(&chess960, START_FEN, true);
  EXPECT_EQ(probe_book(chess960), 0u);
}

TEST(BookChoice, BrokenEntryGivesNoMove) {
  // d2d5 is no move of the start position: the whole probe is given up.
  SmallBook book({{START_KEY, book_move("e2e4"), 5}, {START_KEY, book_move("d2d5"), 5}});
  EXPECT_EQ(probe_book(from_fen(START_FEN)), 0u);
}

TEST(BookChoice, KeysBeyondEitherEndOfTheFile) {
  Position p = from_fen(START_FEN);
  {
    SmallBook below({{START_KEY - 1, book_move("e2e4"), 5}});
    EXPECT_EQ(probe_book(p), 0u);
  }
  {
    SmallBook above({{START_KEY + 1, book_move("e2e4"), 5}, {START_KEY + 2, book_move("e2e4"), 5}});
    EXPECT_EQ(probe_book(p), 0u);
  }
  // A run at the very start and at the very end of the file.
  SmallBook edges({{START_KEY, book_move("e2e4"), 5}, {START_KEY + 7, book_move("d2d4"), 5}});
  EXPECT_EQ(text_of(probe_book(p)), "e2e4");
}

TEST(BookChoice, OwnBookOffClosesTheBook) {
  SmallBook book({{START_KEY, book_move("e2e4"), 5}});
  Position p = from_fen(START_FEN);
  EXPECT_NE(probe_book(p), 0u);
  set_own_book(false);
  open_book();
  EXPECT_FALSE(book_is_open());
  EXPECT_EQ(probe_book(p), 0u);
  set_own_book(true);
  open_book();
  EXPECT_NE(probe_book(p), 0u);
}

TEST(BookChoice, EmptyOrMissingFile) {
  SmallBook empty({});
  EXPECT_EQ(probe_book(from_fen(START_FEN)), 0u);
  SmallBook::use("/nonexistent/pelion.bin");
  EXPECT_FALSE(book_is_open());
  EXPECT_EQ(probe_book(from_fen(START_FEN)), 0u);
}
