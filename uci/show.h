// The commands that show a position rather than search it: "d" (the board,
// its FEN, hash key and checking pieces), "eval" (the static evaluation term
// by term) and "go perft N" (move-path counts by root move).  They answer at
// once; while a search runs the interpreter holds them back like "position".
#pragma once

#include "board/position.h"

void show_board(const Position& p);
void show_evaluation(const Position& p);
void show_perft(const Position& p, int depth, bool (*stop)());
