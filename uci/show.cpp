#include "uci/show.h"

#include <cinttypes>
#include <cstdio>

#include "board/bits.h"
#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/perft.h"
#include "eval/eval_params.h"
#include "eval/evaluation.h"
#include "eval/network.h"
#include "eval/nnue.h"
#include "uci/options.h"

namespace {

// The evaluation works in tenths of a centipawn; shown in centipawns.
void print_tenths(int tenths) { std::printf(" %8.1f", tenths / 10.0); }

void print_pair(ScorePair s) {
  print_tenths(opening_part(s));
  print_tenths(endgame_part(s));
}

// One row: each side's pair in its own favour, then White's minus Black's.
void print_row(const char* name, ScorePair white, ScorePair black) {
  std::printf("%-18s", name);
  print_pair(white);
  print_pair(black);
  print_pair(score_sub(white, black));
  std::printf("\n");
}

// A side's piece values, which the piece-square sum carries.
ScorePair material_of(const Position& p, int colour) {
  ScorePair s = 0;
  for (int t = PAWN; t <= QUEEN; ++t)
    s = score_add(s, score_scale(popcount(p.pieces[colour][t]), to_pair(eval_params.piece_value[t])));
  return s;
}

}  // namespace

void show_board(const Position& p) {
  std::printf("\n   +------------------------+\n");
  for (int rank = 7; rank >= 0; --rank) {
    std::printf(" %d |", rank + 1);
    for (int file = 0; file < 8; ++file) {
      const int square = rank * 8 + file;
      char letter = '.';
      for (int colour = 0; colour < 2; ++colour) {
        const int type = piece_type_on(p, colour, square);
        if (type) letter = (colour == WHITE ? " PNBRQK" : " pnbrqk")[type];
      }
      std::printf(" %c ", letter);
    }
    std::printf("|\n");
  }
  std::printf("   +------------------------+\n     a  b  c  d  e  f  g  h\n\n");
  char fen[FEN_TEXT_SIZE];
  position_to_fen(p, fen);
  std::printf("Fen: %s\n", fen);
  std::printf("Key: %016" PRIx64 "\n", p.key);
  std::printf("Checkers:");
  const int us = side_to_move(p);
  for (Bitboard b = attackers_of(p, king_square(p, us), us ^ 1); b;) {
    const int square = pop_lowest_bit(&b);
    std::printf(" %c%c", 'a' + file_of(square), '1' + rank_of(square));
  }
  std::printf("\n");
  std::fflush(stdout);
}

void show_evaluation(const Position& position) {
  Position p = position;
  p.psq = compute_psq(p);
  p.phase = static_cast<int16_t>(compute_phase(p));
  EvalTrace t;
  const int score = evaluate_traced(p, &t);
  if (t.special) {
    std::printf("special endgame evaluator\n");
  } else {
    std::printf("centipawns         %17s %17s %17s\n", "White", "Black", "White - Black");
    std::printf("%-18s", "term");
    for (int i = 0; i < 3; ++i) std::printf(" %8s %8s", "opening", "endgame");
    std::printf("\n");
    ScorePair white_material = material_of(p, WHITE), black_material = material_of(p, BLACK);
    print_row("material", white_material, black_material);
    // The piece-square sum holds the piece values; the row shows the rest.
    print_row(EVAL_TERM_NAMES[TERM_PIECE_SQUARE], score_sub(t.term[TERM_PIECE_SQUARE][WHITE], white_material),
              score_sub(t.term[TERM_PIECE_SQUARE][BLACK], black_material));
    ScorePair total[2] = {0, 0};
    for (int term = 0; term < TERM_COUNT; ++term) {
      total[WHITE] = score_add(total[WHITE], t.term[term][WHITE]);
      total[BLACK] = score_add(total[BLACK], t.term[term][BLACK]);
      if (term != TERM_PIECE_SQUARE) print_row(EVAL_TERM_NAMES[term], t.term[term][WHITE], t.term[term][BLACK]);
    }
    print_row("total", total[WHITE], total[BLACK]);
    std::printf("\nphase %d of 96: the blend takes %d/96 of the opening and %d/96 of the endgame score\n", t.phase,
                t.phase, 96 - t.phase);
    const ScorePair sum = score_sub(total[WHITE], total[BLACK]);
    const int blend_only = (opening_part(sum) * t.phase + endgame_part(sum) * (96 - t.phase)) / 96;
    std::printf("%-44s", "blended (White's view)");
    print_tenths(blend_only);
    std::printf("\n%-44s", "material balance correction");
    print_tenths(t.material_value);
    std::printf("\n%-44s %8.1f\n", "before scaling (White's view)", t.blended / 960.0);
    std::printf("scaling: opposite bishops %d/1000, then %d/1000\n", t.opposite_bishop_factor, t.scaling_factor);
    std::printf("%-44s %8.1f\n", "after scaling (White's view)", t.scaled / 960.0);
    std::printf("%-44s", "tempo (side to move)");
    print_tenths(t.tempo);
    std::printf("\n");
  }
  if (const NnueWeights* net = nnue_current()) {
    NnueAccumulator acc;
    nnue_refresh(*net, p, &acc);
    const int alone = nnue_evaluate(*net, acc, side_to_move(p));
    const int used = with_endgame_knowledge(p, alone);
    std::printf("Network evaluation: %d (side to move, centipawns; net %s%s)\n", used, current_net_name(),
                option_use_nnue ? ", in use" : ", not in use: Use NNUE is off");
    if (used != alone) std::printf("  the net alone says %d; the endgame knowledge of this material decides\n", alone);
  } else {
    std::printf("Network evaluation: none (no usable net)\n");
  }
  std::printf("Total evaluation: %d (side to move, centipawns)\n", score);
  std::fflush(stdout);
}

void show_perft(const Position& p, int depth, bool (*stop)()) { print_divide(p, depth, stdout, stop); }
