// Developer tool over the engine library.
//
//   engine-tool perft DEPTH FEN    the number of legal move paths; the total
//                                  alone on the last line
//   engine-tool divide DEPTH FEN   each legal root move with its count, then
//                                  the total alone on the last line
//
// The FEN (4 or 6 fields) is one argument.  A subcommand is one row of the
// COMMANDS table below.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/make_move.h"
#include "board/movegen.h"
#include "board/perft.h"
#include "uci/fen.h"

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
bool read_fen(const char* text, Position* p) {
  char error[FEN_ERROR_SIZE];
  if (fen_parse(p, text, error)) return true;
  std::fprintf(stderr, "%s\n", error);
  return false;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int command_perft(int argc, char** argv) {
  int depth;
  Position p;
  if (argc != 2 || !read_depth(argv[0], &depth) || !read_fen(argv[1], &p)) return 2;
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
  if (argc != 2 || !read_depth(argv[0], &depth) || !read_fen(argv[1], &p)) return 2;
  if (depth < 1) depth = 1;
  Move moves[MAX_MOVES];
  int count = generate_all(p, moves);
  uint64_t total = 0;
  for (int i = 0; i < count; ++i) {
    Position child;
    make_move(p, &child, moves[i]);
    if (king_attacked(child, side_to_move(p))) continue;
    child.in_check = static_cast<uint16_t>(king_attacked(child, side_to_move(child)));
    uint64_t n = count_paths(child, depth - 1);
    char text[8];
    move_to_text(moves[i], text);
    std::printf("%s: %" PRIu64 "\n", text, n);
    total += n;
  }
  std::printf("%" PRIu64 "\n", total);
  return 0;
}

struct Command {
  const char* name;
  int (*run)(int argc, char** argv);  // the arguments after the subcommand
  const char* usage;
};

const Command COMMANDS[] = {
    {"perft", command_perft, "perft DEPTH FEN"},
    {"divide", command_divide, "divide DEPTH FEN"},
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
