// Offline search for the slider multipliers of board/attacks.cpp.
//
// Every square gets a multiplier that works with a fixed shift (52 for rooks,
// 55 for bishops), and all 128 index ranges are packed into one shared table:
// two occupancies of different squares may share an entry as long as they
// have the same attack set.  Squares are placed largest first; for each one a
// number of valid multipliers is tried and the one that adds the fewest new
// entries at its lowest fitting offset is kept.
//
// Usage: find-magics [CANDIDATES [SEED]]
// Prints the two record tables as C++ source and the table size on stderr.
// The search is deterministic for a given seed; a run with the defaults takes
// a few minutes.
#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Bitboard = uint64_t;

uint64_t rng_state = 0x9d2c5680a5b1c3e7ULL;
uint64_t next_random() {
  uint64_t z = (rng_state += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}
uint64_t sparse_random() { return next_random() & next_random() & next_random(); }

const int ROOK_DIRS[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
const int BISHOP_DIRS[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};

Bitboard slide(int square, Bitboard occ, const int dirs[4][2]) {
  Bitboard result = 0;
  for (int d = 0; d < 4; ++d) {
    int f = square & 7, r = square >> 3;
    for (;;) {
      f += dirs[d][0];
      r += dirs[d][1];
      if (f < 0 || f > 7 || r < 0 || r > 7) break;
      Bitboard b = Bitboard{1} << (r * 8 + f);
      result |= b;
      if (occ & b) break;
    }
  }
  return result;
}

Bitboard relevant_mask(int square, const int dirs[4][2]) {
  Bitboard result = 0;
  for (int d = 0; d < 4; ++d) {
    int f = square & 7, r = square >> 3;
    for (;;) {
      int nf = f + dirs[d][0], nr = r + dirs[d][1];
      int nnf = nf + dirs[d][0], nnr = nr + dirs[d][1];
      if (nnf < 0 || nnf > 7 || nnr < 0 || nnr > 7) break;  // next square is an edge square
      result |= Bitboard{1} << (nr * 8 + nf);
      f = nf;
      r = nr;
    }
  }
  return result;
}

struct Job {
  bool rook;
  int square;
  Bitboard mask;
  int shift;
  std::vector<Bitboard> occupancies;
  std::vector<Bitboard> attacks;
};

struct Choice {
  uint64_t multiplier;
  int offset;
};

std::vector<Bitboard> table;

// Index list of a multiplier: (index, attack) pairs with distinct indices, or
// empty when two occupancies with different attack sets collide.
bool index_list(const Job& job, uint64_t multiplier, std::vector<std::pair<int, Bitboard>>* out) {
  static std::vector<Bitboard> scratch;
  static std::vector<int> touched;
  int size = 1 << (64 - job.shift);
  scratch.assign(size, 0);
  touched.clear();
  for (size_t i = 0; i < job.occupancies.size(); ++i) {
    int index = static_cast<int>((job.occupancies[i] * multiplier) >> job.shift);
    if (scratch[index] == 0) {
      scratch[index] = job.attacks[i];
      touched.push_back(index);
    } else if (scratch[index] != job.attacks[i]) {
      return false;
    }
  }
  std::sort(touched.begin(), touched.end());
  out->clear();
  for (int index : touched) out->push_back({index, scratch[index]});
  return true;
}

// Lowest offset at which the entries fit into the table (entries beyond its
// end are free); also returns how many new entries the placement needs.
int fit(const std::vector<std::pair<int, Bitboard>>& entries, long* new_entries) {
  int lowest = entries.front().first;
  long size = static_cast<long>(table.size());
  for (long offset = -lowest;; ++offset) {
    bool ok = true;
    long fresh = 0;
    for (const auto& e : entries) {
      long at = offset + e.first;
      if (at >= size) {
        ++fresh;
        continue;
      }
      if (table[at] == 0) {
        ++fresh;
      } else if (table[at] != e.second) {
        ok = false;
        break;
      }
    }
    if (ok) {
      long end = offset + entries.back().first + 1;
      // Growth of the table counts most; among equal growth, fewer fresh
      // entries leave more holes for the squares still to come.
      *new_entries = (std::max(end, size) - size) * 8192 + fresh;
      return static_cast<int>(offset);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  int candidates = argc > 1 ? std::atoi(argv[1]) : 2500;
  if (argc > 2) rng_state = std::strtoull(argv[2], nullptr, 0);

  std::vector<Job> jobs;
  for (int rook = 1; rook >= 0; --rook)
    for (int sq = 0; sq < 64; ++sq) {
      Job job;
      job.rook = rook;
      job.square = sq;
      job.mask = relevant_mask(sq, rook ? ROOK_DIRS : BISHOP_DIRS);
      job.shift = rook ? 52 : 55;
      Bitboard subset = 0;
      do {
        job.occupancies.push_back(subset);
        job.attacks.push_back(slide(sq, subset, rook ? ROOK_DIRS : BISHOP_DIRS));
        subset = (subset - job.mask) & job.mask;
      } while (subset);
      jobs.push_back(job);
    }
  std::vector<int> order(jobs.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return jobs[a].occupancies.size() > jobs[b].occupancies.size(); });

  std::vector<Choice> choice(jobs.size());
  std::vector<std::pair<int, Bitboard>> entries, best_entries;
  for (int j : order) {
    Job& job = jobs[j];
    long best_cost = -1;
    uint64_t best_multiplier = 0;
    int best_offset = 0;
    for (int found = 0; found < candidates;) {
      uint64_t multiplier = sparse_random();
      if (__builtin_popcountll((job.mask * multiplier) & 0xfff0000000000000ULL) < 6) continue;
      if (!index_list(job, multiplier, &entries)) continue;
      ++found;
      long cost;
      int offset = fit(entries, &cost);
      if (best_cost < 0 || cost < best_cost) {
        best_cost = cost;
        best_multiplier = multiplier;
        best_offset = offset;
        best_entries = entries;
      }
    }
    long end = best_offset + best_entries.back().first + 1;
    if (end > static_cast<long>(table.size())) table.resize(end, 0);
    for (const auto& e : best_entries) table[best_offset + e.first] = e.second;
    choice[j] = {best_multiplier, best_offset};
    std::fprintf(stderr, "%s %2d: %5zu entries, offset %6d, table %zu\n", job.rook ? "rook  " : "bishop", job.square,
                 best_entries.size(), best_offset, table.size());
  }
  long used = std::count_if(table.begin(), table.end(), [](Bitboard b) { return b != 0; });
  std::fprintf(stderr, "table size %zu, %ld entries used\n", table.size(), used);

  for (int rook = 1; rook >= 0; --rook) {
    std::printf("// %s: multiplier, offset\n", rook ? "rook" : "bishop");
    for (size_t j = 0; j < jobs.size(); ++j)
      if (jobs[j].rook == static_cast<bool>(rook))
        std::printf("    {0x%016" PRIx64 "ULL, %d},\n", choice[j].multiplier, choice[j].offset);
  }
  std::printf("// table size %zu\n", table.size());
  return 0;
}
