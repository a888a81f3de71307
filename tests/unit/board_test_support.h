// Helpers shared by the board tests: set-up, from-scratch reference values,
// legal move lists, a deterministic random source and the perft data.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "board/bits.h"
#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/position.h"
#include "board/psq_table.h"
#include "board/score_pair.h"

namespace board_test {

inline Position setup(const char* fen, bool chess960 = false) {
  Position p{};
  char error[FEN_ERROR_SIZE] = "";
  bool ok = fen_parse(&p, fen, error, chess960);
  EXPECT_TRUE(ok) << error;
  return p;
}

inline int square_of(const char* name) { return (name[1] - '1') * 8 + (name[0] - 'a'); }

// A move given by its text, looked up among the generated moves (0 if none).
inline Move find_move(const Position& p, const char* text) {
  Move moves[MAX_MOVES];
  int n = generate_all(p, moves);
  for (int i = 0; i < n; ++i) {
    char t[8];
    move_to_text(moves[i], t);
    if (!std::strcmp(t, text)) return moves[i];
  }
  return 0;
}

// Every move of generate_all that does not leave the mover's king attacked.
inline std::vector<Move> legal_moves(const Position& p) {
  Move moves[MAX_MOVES];
  int n = generate_all(p, moves);
  std::vector<Move> legal;
  for (int i = 0; i < n; ++i) {
    Position child;
    make_move(p, &child, moves[i]);
    if (!king_attacked(child, side_to_move(p))) legal.push_back(moves[i]);
  }
  return legal;
}

// From-scratch piece-square sum and phase (the evaluation's own versions
// live in eval/; these are the tests' independent ones).
inline ScorePair scratch_psq(const Position& p) {
  ScorePair s = 0;
  for (int c = 0; c < 2; ++c)
    for (int t = PAWN; t <= KING; ++t)
      for (Bitboard b = p.pieces[c][t]; b;) s = score_add(s, psq_table[c][t][pop_lowest_bit(&b)]);
  return s;
}
inline int scratch_phase(const Position& p) {
  int phase = 0;
  for (int c = 0; c < 2; ++c)
    for (int t = PAWN; t <= KING; ++t) phase += PHASE_WEIGHT[t] * popcount(p.pieces[c][t]);
  return phase;
}

// SplitMix64: a small deterministic random source.
struct Random {
  uint64_t state;
  explicit Random(uint64_t seed) : state(seed) {}
  uint64_t next() {
    uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
};

// Fills psq_table with arbitrary pairs for the lifetime of the object and
// puts the previous contents back afterwards.
class ArbitraryPsqTable {
 public:
  explicit ArbitraryPsqTable(uint64_t seed) {
    std::memcpy(saved_, psq_table, sizeof saved_);
    Random r(seed);
    for (auto& colour : psq_table)
      for (auto& type : colour)
        for (auto& entry : type)
          entry = make_score(static_cast<int32_t>(r.next() % 2000001) - 1000000,
                             static_cast<int32_t>(r.next() % 2000001) - 1000000);
  }
  ~ArbitraryPsqTable() { std::memcpy(psq_table, saved_, sizeof saved_); }

 private:
  ScorePair saved_[2][8][64];
};

struct PerftCase {
  std::string fen;
  std::vector<std::pair<int, uint64_t>> counts;  // depth, count
  bool chess960 = false;
};

// The standard perft data, or the Chess960 data.
inline std::vector<PerftCase> read_perft_cases(bool chess960 = false) {
  std::vector<PerftCase> cases;
  std::ifstream in(std::string(PELION_TEST_DATA_DIR) + (chess960 ? "/perft960.epd" : "/perft.epd"));
  std::string line;
  while (std::getline(in, line)) {
    size_t semi = line.find(';');
    if (semi == std::string::npos) continue;
    PerftCase c;
    c.chess960 = chess960;
    c.fen = line.substr(0, semi);
    while (!c.fen.empty() && c.fen.back() == ' ') c.fen.pop_back();
    std::stringstream fields(line.substr(semi));
    std::string field;
    while (std::getline(fields, field, ';')) {
      std::stringstream f(field);
      std::string depth;
      uint64_t count;
      if (f >> depth >> count && depth.size() > 1 && depth[0] == 'D')
        c.counts.push_back({std::stoi(depth.substr(1)), count});
    }
    cases.push_back(c);
  }
  return cases;
}

// Start positions for random playouts: the start position and every
// position of the standard and the Chess960 perft data.
inline std::vector<PerftCase> playout_starts() {
  std::vector<PerftCase> starts = {{START_FEN, {}, false}};
  for (bool chess960 : {false, true})
    for (const PerftCase& c : read_perft_cases(chess960)) starts.push_back(c);
  return starts;
}

}  // namespace board_test

namespace board_test {

// Random playouts: from every start position, `games` games of at most
// `plies` moves each, choosing among the legal moves at random and now and
// then (when not in check) making a null move.  The set-up position gets its
// piece-square sum and phase from scratch, as the search driver does; every
// child gets its in_check flag, as every caller does.  visit(parent, move,
// child) is called for every move made.
template <typename Visit>
void random_playouts(int games, int plies, uint64_t seed, Visit visit) {
  Random r(seed);
  std::vector<Position> line(static_cast<size_t>(plies) + 1);  // never reallocated: children point to parents
  for (const PerftCase& start : playout_starts()) {
    for (int g = 0; g < games; ++g) {
      line[0] = setup(start.fen.c_str(), start.chess960);
      line[0].psq = scratch_psq(line[0]);
      line[0].phase = static_cast<int16_t>(scratch_phase(line[0]));
      for (int ply = 0; ply < plies; ++ply) {
        const Position& parent = line[ply];
        std::vector<Move> legal = legal_moves(parent);
        if (legal.empty()) break;
        Move m = legal[r.below(static_cast<int>(legal.size()))];
        // Castling, en passant and double steps are rare among the legal
        // moves; they are favoured so that the playouts meet them often.
        std::vector<Move> rare;
        for (Move x : legal)
          if (move_kind(x) >= KIND_DOUBLE_STEP && move_kind(x) <= KIND_CASTLING) rare.push_back(x);
        if (!rare.empty() && r.below(3) == 0) m = rare[r.below(static_cast<int>(rare.size()))];
        if (!parent.in_check && r.below(10) == 0) m = 0;
        Position& child = line[ply + 1];
        make_move(parent, &child, m);
        child.in_check = static_cast<uint16_t>(king_attacked(child, side_to_move(child)));
        visit(parent, m, child);
        if (::testing::Test::HasFatalFailure()) return;
      }
    }
  }
}

}  // namespace board_test
