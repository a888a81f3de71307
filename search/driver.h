// The search driver: iterative deepening, time control, "bestmove".
#pragma once

#include "board/position.h"

constexpr double NO_TIME_LIMIT = 31622400.0;  // a year: no time limit
constexpr int NO_DEPTH_LIMIT = 99;

// Searches the position and prints "bestmove"; returns the final score.
// searchmoves is a blank-separated list of coordinate moves ("" = all).
int run_search(const Position& root, double goal_seconds, int max_depth, const char* searchmoves);
