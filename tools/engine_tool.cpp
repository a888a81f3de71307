// Developer tool over the engine library.
//
//   engine-tool perft [--chess960] DEPTH FEN
//                                  the number of legal move paths; the total
//                                  alone on the last line
//   engine-tool divide [--chess960] DEPTH FEN
//                                  each legal root move with its count, then
//                                  the total alone on the last line
//                                  (--chess960: Chess960 castling rules and
//                                  castling field; castling written e1h1)
//   engine-tool eval [--terms] FEN the static evaluation in centipawns from the
//                                  side to move's view, alone on the last line;
//                                  --terms first prints every term's pairs
//   engine-tool eval --bench [N]   evaluations per second, caches defeated, on
//                                  N positions from random playouts
//   engine-tool resolve DATA...    each "FEN | result | score | ply" line with
//                                  its position replaced by the quiet leaf of
//                                  the quiescence search's principal
//                                  variation, duplicates (by position key,
//                                  over all files) dropped; to standard output
//   engine-tool tune DATA... [...] fits the evaluation weights to game
//                                  results (tools/tuner.h)
//   engine-tool datagen --out DIR --positions N [...]
//                                  self-play training data (tools/datagen.h)
//   engine-tool datainfo [--dump N] DIR...
//                                  what a data folder holds
//   engine-tool train DATA_DIR... --out FILE [...]
//                                  trains the network on the training-data
//                                  shards of the folders and writes it in the
//                                  engine's network format after every epoch
//                                  (tools/trainer.h)
//
// The FEN (4 or 6 fields) is one argument.  A subcommand is one row of the
// COMMANDS table below.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/perft.h"
#include "eval/evaluation.h"
#include "search/driver.h"
#include "search/search.h"
#include "search/tables.h"
#include "search/threads.h"
#include "tools/datagen.h"
#include "tools/trainer.h"
#include "tools/tuner.h"

namespace {

// Reads a depth of 0 to 30; false for anything else.
bool read_depth(const char* text, int* depth) {
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (end == text || *end || value < 0 || value > 30) return false;
  *depth = static_cast<int>(value);
  return true;
}

// Sets up the position of a command line FEN; reports a bad one.
bool read_fen(const char* text, Position* p, bool chess960 = false) {
  char error[FEN_ERROR_SIZE];
  if (fen_parse(p, text, error, chess960)) return true;
  std::fprintf(stderr, "%s\n", error);
  return false;
}

// The arguments DEPTH FEN of perft and divide, after an optional --chess960.
bool read_depth_and_fen(int argc, char** argv, int* depth, Position* p) {
  bool chess960 = argc >= 1 && std::strcmp(argv[0], "--chess960") == 0;
  if (chess960) {
    --argc;
    ++argv;
  }
  return argc == 2 && read_depth(argv[0], depth) && read_fen(argv[1], p, chess960);
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int command_perft(int argc, char** argv) {
  int depth;
  Position p;
  if (!read_depth_and_fen(argc, argv, &depth, &p)) return 2;
  auto start = std::chrono::steady_clock::now();
  uint64_t total = count_paths_top(p, depth, true);
  double seconds = seconds_since(start);
  std::printf("depth %d: %" PRIu64 " moves made, %" PRIu64 " castles at depth 1, %.3f s, %.0f paths/s\n", depth,
              paths_moves_made, paths_castles, seconds, seconds > 0 ? static_cast<double>(total) / seconds : 0.0);
  std::printf("%" PRIu64 "\n", total);
  return 0;
}

int command_divide(int argc, char** argv) {
  int depth;
  Position p;
  if (!read_depth_and_fen(argc, argv, &depth, &p)) return 2;
  print_divide(p, depth, stdout);
  return 0;
}

// Positions from random playouts of the start position (a fixed seed, so
// every run and every build sees the same ones).
std::vector<Position> playout_positions(int count) {
  std::vector<Position> out;
  uint64_t seed = 0x2545f4914f6cdd1dULL;
  Position start;
  position_from_fen(&start, START_FEN);
  start.psq = compute_psq(start);
  start.phase = static_cast<int16_t>(compute_phase(start));
  Position game[256];
  int ply = 0;
  game[0] = start;
  while (static_cast<int>(out.size()) < count) {
    Move moves[MAX_MOVES];
    int n = generate_all(game[ply], moves);
    Move legal[MAX_MOVES];
    int legal_count = 0;
    for (int i = 0; i < n; ++i) {
      Position child;
      make_move(game[ply], &child, moves[i]);
      if (!king_attacked(child, side_to_move(game[ply]))) legal[legal_count++] = moves[i];
    }
    if (legal_count == 0 || ply == 254 || game[ply].fifty >= 100) {
      ply = 0;
      continue;
    }
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    make_move(game[ply], &game[ply + 1], legal[(seed >> 33) % static_cast<uint64_t>(legal_count)]);
    ++ply;
    game[ply].in_check = static_cast<uint16_t>(king_attacked(game[ply], side_to_move(game[ply])));
    Position copy = game[ply];
    copy.previous = nullptr;
    out.push_back(copy);
  }
  return out;
}

void print_pair_cells(ScorePair s) { std::printf(" %8d %8d", opening_part(s), endgame_part(s)); }

int command_eval(int argc, char** argv) {
  initialise_evaluation();
  if (argc >= 1 && std::strcmp(argv[0], "--bench") == 0) {
    int count = 20000;
    if (argc == 2) count = std::atoi(argv[1]);
    if (argc > 2 || count < 1 || count > 10000000) return 2;
    std::vector<Position> positions = playout_positions(count);
    int64_t sum = 0, evaluations = 0;
    auto start = std::chrono::steady_clock::now();
    double seconds = 0;
    do {
      for (const Position& p : positions) sum += evaluate_uncached(p);
      evaluations += count;
      seconds = seconds_since(start);
    } while (seconds < 2.0);
    std::printf("%d positions, %" PRId64 " evaluations in %.3f s (checksum %" PRId64 ")\n", count, evaluations, seconds,
                sum / (evaluations / count));
    std::printf("%.0f\n", static_cast<double>(evaluations) / seconds);
    return 0;
  }
  bool terms = argc >= 1 && std::strcmp(argv[0], "--terms") == 0;
  if (terms) {
    --argc;
    ++argv;
  }
  if (argc < 1) return 2;
  // The FEN may come as one argument or as several words.
  char text[1024] = "";
  for (int i = 0; i < argc; ++i) {
    if (std::strlen(text) + std::strlen(argv[i]) + 2 > sizeof(text)) return 2;
    if (i) std::strcat(text, " ");
    std::strcat(text, argv[i]);
  }
  Position p;
  if (!read_fen(text, &p)) return 2;
  p.psq = compute_psq(p);
  p.phase = static_cast<int16_t>(compute_phase(p));
  if (terms) {
    EvalTrace t;
    evaluate_traced(p, &t);
    if (t.special) {
      std::printf("special endgame evaluator\n");
    } else {
      std::printf("%-18s %8s %8s %8s %8s\n", "term (tenths)", "white op", "white eg", "black op", "black eg");
      for (int i = 0; i < TERM_COUNT; ++i) {
        std::printf("%-18s", EVAL_TERM_NAMES[i]);
        print_pair_cells(t.term[i][WHITE]);
        print_pair_cells(t.term[i][BLACK]);
        std::printf("\n");
      }
      std::printf("phase %d, material value %d, material scale %d, opposite-bishop factor %d\n", t.phase,
                  t.material_value, t.material_scale, t.opposite_bishop_factor);
      std::printf("blended x96 %d, scaled x96 %d, tempo %d\n", t.blended, t.scaled, t.tempo);
    }
  }
  std::printf("%d\n", evaluate_uncached(p));
  return 0;
}

// The quiet position a sampled one stands for: the search's quiescence
// search is run on it, its first move made, and so on down the principal
// variation (each step one quiescence ply deeper, as the search itself
// would go) until standing pat is best.  False when the line ends in mate
// or does not settle within the step limit.
bool quiet_leaf(SearchThread* t, const Position& root, Position* leaf, int* steps) {
  constexpr int MAX_STEPS = 32;
  static Position line[MAX_STEPS + 1];
  line[0] = root;
  for (int step = 0; step < MAX_STEPS; ++step) {
    Position& p = line[step];
    begin_thread_search(t, false);
    Move pv[PV_SIZE];
    int score = quiesce(t, &p, -INFINITE_SCORE, INFINITE_SCORE, -2 * step, step, pv);
    if (is_mate_score(score)) return false;
    if (!pv[0]) {
      if (p.in_check) return false;
      *leaf = p;
      *steps = step;
      return true;
    }
    make_move(p, &line[step + 1], pv[0]);
    line[step + 1].in_check = static_cast<uint16_t>(king_attacked(line[step + 1], side_to_move(line[step + 1])));
  }
  return false;
}

int command_resolve(int argc, char** argv) {
  if (argc < 1) return 2;
  initialise_evaluation();
  build_search_tables();
  ensure_search_tables();
  SearchThread* t = main_search_thread();
  static SearchControl control;
  static TranspositionTable no_table{};  // the quiescence search reads no table
  t->settings = DEFAULT_SEARCH_SETTINGS;
  t->control = &control;
  t->table = &no_table;
  t->net = nullptr;  // the positions are resolved for the hand-written evaluation's fit
  begin_thread_search(t, true);
  std::unordered_set<uint64_t> seen;
  long lines = 0, bad = 0, unresolved = 0, moved = 0, duplicates = 0, written = 0;
  char line[1024];
  for (int i = 0; i < argc; ++i) {
    FILE* f = std::fopen(argv[i], "r");
    if (!f) {
      std::fprintf(stderr, "cannot read %s\n", argv[i]);
      return 1;
    }
    while (std::fgets(line, sizeof line, f)) {
      ++lines;
      char* bar = std::strchr(line, '|');
      Position p;
      char error[FEN_ERROR_SIZE];
      if (!bar) {
        ++bad;
        continue;
      }
      *bar = 0;
      if (!fen_parse(&p, line, error)) {
        ++bad;
        continue;
      }
      p.psq = compute_psq(p);
      p.phase = static_cast<int16_t>(compute_phase(p));
      p.in_check = static_cast<uint16_t>(king_attacked(p, side_to_move(p)));
      p.eval_cache = EVAL_NOT_COMPUTED;
      p.previous = nullptr;
      Position leaf;
      int steps;
      if (!quiet_leaf(t, p, &leaf, &steps)) {
        ++unresolved;
        continue;
      }
      moved += steps > 0;
      if (!seen.insert(leaf.key).second) {
        ++duplicates;
        continue;
      }
      char fen[FEN_TEXT_SIZE];
      position_to_fen(leaf, fen);
      std::printf("%s |%s", fen, bar + 1);
      ++written;
    }
    std::fclose(f);
  }
  std::fprintf(stderr,
               "%ld lines: %ld written (%ld moved to a quiescence leaf), %ld duplicates, %ld unresolved, %ld "
               "unreadable\n",
               lines, written, moved, duplicates, unresolved, bad);
  return 0;
}

struct Command {
  const char* name;
  int (*run)(int argc, char** argv);  // the arguments after the subcommand
  const char* usage;
};

const Command COMMANDS[] = {
    {"perft", command_perft, "perft [--chess960] DEPTH FEN"},
    {"divide", command_divide, "divide [--chess960] DEPTH FEN"},
    {"eval", command_eval, "eval [--terms] FEN | eval --bench [POSITIONS]"},
    {"resolve", command_resolve, "resolve DATA..."},
    {"datagen", run_datagen,
     "datagen --out DIR --positions N [--threads N] [--nodes N] [--depth N] [--random-plies N] [--seed S] "
     "[--openings FILE] [--hash MB] [--eval hce|nnue] [--net FILE]"},
    {"datainfo", run_datainfo, "datainfo DIR... | datainfo --dump N DIR..."},
    {"tune", run_tuner,
     "tune DATA... [--groups LIST] [--iterations N] [--rate R] [--unit-rate R] [--l2 L] [--lambda X] [--max N] "
     "[--validation N] [--check N] [--patience N] [--min-count N] [--out FILE]"},
    {"train", run_trainer,
     "train DATA_DIR... --out FILE [--epochs N] [--batch N] [--lr R] [--lambda L] [--scale K] [--validation FRACTION] "
     "[--threads N] [--seed S] [--max-positions N] [--hidden H] [--mirror 0|1] [--checkpoint DIR] [--init FILE]"},
};

int usage() {
  std::fprintf(stderr, "usage:\n");
  for (const Command& c : COMMANDS) std::fprintf(stderr, "  engine-tool %s\n", c.usage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  for (const Command& c : COMMANDS) {
    if (std::strcmp(argv[1], c.name) != 0) continue;
    int status = c.run(argc - 2, argv + 2);
    if (status == 2) {
      std::fprintf(stderr, "usage: engine-tool %s\n", c.usage);
    }
    return status;
  }
  return usage();
}
