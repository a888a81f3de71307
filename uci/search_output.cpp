#include "uci/search_output.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "board/fen.h"
#include "core/log.h"
#include "search/score.h"
#include "search/wdl.h"

namespace {

bool show_wdl = false;
int root_material = 78;

// " wdl W D L" for a root score while the option is on, "" otherwise.
void wdl_text(int score, char* out, size_t size) {
  out[0] = '\0';
  if (!show_wdl) return;
  const Wdl w = wdl_from_score(score, root_material);
  std::snprintf(out, size, " wdl %d %d %d", w.win, w.draw, w.loss);
}

void print_iteration_started(void*, int depth) { std::printf("info depth %d\n", depth); }

void print_line(void*, const SearchLine& line) {
  char pv[PV_TEXT_SIZE];
  pv_to_text(line.pv, pv);
  char score[64];
  score_text(line.score, score);
  // The fields in the order GUIs know from other engines.
  char head[32] = "info";
  if (line.kind == LINE_MULTIPV) std::snprintf(head, sizeof head, "info multipv %d", line.multipv);
  std::printf("%s depth %d seldepth %d score %s nodes %" PRIu64 " nps %" PRIu64 " hashfull %d tbhits %" PRIu64
              " time %d pv %s\n",
              head, line.depth, line.seldepth, score, line.nodes, line.nps, line.hashfull, line.tbhits,
              line.milliseconds, pv);
  std::fflush(stdout);
}

void print_current_move(void*, Move move, int number) {
  char text[8];
  move_to_text(move, text);
  std::printf("info currmove %s currmovenumber %d\n", text, number);
}

void print_answer(void*, const SearchResult& result) {
  char best[8], ponder[8];
  if (result.best)
    move_to_text(result.best, best);
  else
    std::strcpy(best, "0000");  // the protocol's null move
  if (result.ponder) {
    move_to_text(result.ponder, ponder);
    std::printf("info nodes %" PRIu64 "\n", result.nodes);
    std::printf("bestmove %s ponder %s\n", best, ponder);
    log_printf("info nodes %" PRIu64 "\n", result.nodes);
    log_printf("bestmove %s ponder %s\n", best, ponder);
  } else {
    log_printf("bestmove %s\n", best);
    std::printf("info nodes %" PRIu64 "\n", result.nodes);
    std::printf("bestmove %s\n", best);
  }
  std::fflush(stdout);
}

}  // namespace

SearchReporter uci_reporter() { return {nullptr, print_iteration_started, print_line, print_current_move, print_answer}; }

void set_show_wdl(bool on) { show_wdl = on; }

void set_wdl_root(const Position& root) { root_material = wdl_material(root); }

void score_text(int score, char* out) {
  if (score > MATE_BOUND)
    std::snprintf(out, 32, "mate %d", (MATE_SCORE - score) / 2 + 1);
  else if (score < -MATE_BOUND)
    std::snprintf(out, 32, "mate %d", -((MATE_SCORE - 1 + score) / 2) - 1);
  else
    std::snprintf(out, 32, "cp %d", score);
  char wdl[40];
  wdl_text(score, wdl, sizeof wdl);
  std::strncat(out, wdl, 63 - std::strlen(out));
}
