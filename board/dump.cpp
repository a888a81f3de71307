#include "board/dump.h"

#include "board/fen.h"
#include "board/movegen.h"
#include "core/log.h"

void log_position(const Position& p) {
  if (!log_file) return;
  char before[8] = "N/A";
  char last[8];
  if (p.previous) move_to_text(p.previous->last_move, before);
  move_to_text(p.last_move, last);
  char rights[5];
  int n = 0;
  if (!(p.castle_lost & CASTLE_WHITE_SHORT)) rights[n++] = 'K';
  if (!(p.castle_lost & CASTLE_WHITE_LONG)) rights[n++] = 'Q';
  if (!(p.castle_lost & CASTLE_BLACK_SHORT)) rights[n++] = 'k';
  if (!(p.castle_lost & CASTLE_BLACK_LONG)) rights[n++] = 'q';
  if (n == 0) rights[n++] = '-';
  rights[n] = '\0';
  log_printf("\n-----[ CTM = %d   INCHECK = %d   last: %s %s   rights: %s]-----", p.ply, p.in_check, before, last,
             rights);
  // Rank 8 first, file a first.
  char board[8 * (1 + 16) + 3];
  char* out = board;
  for (int rank = 7; rank >= 0; --rank) {
    *out++ = '\n';
    for (int file = 0; file < 8; ++file) {
      int square = rank * 8 + file;
      char letter = '-';
      for (int colour = 0; colour < 2; ++colour) {
        int type = piece_type_on(p, colour, square);
        if (type) letter = (colour == WHITE ? "-PNBRQK" : "-pnbrqk")[type];
      }
      *out++ = ' ';
      *out++ = letter;
    }
  }
  *out++ = '\n';
  *out++ = '\n';
  *out = '\0';
  log_printf("%s", board);
}
