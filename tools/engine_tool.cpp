#include <cstdio>

int main() {
  std::fprintf(stderr, "usage: engine-tool perft|divide DEPTH FEN\n");
  return 2;
}
