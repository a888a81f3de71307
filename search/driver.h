// The search driver: iterative deepening, time control, "bestmove".
#pragma once

#include <cstdint>

#include "board/position.h"
#include "board/types.h"

constexpr double NO_TIME_LIMIT = 31622400.0;  // a year: no time limit
constexpr int NO_DEPTH_LIMIT = 99;

// Searches the position and prints "bestmove"; returns the final score.
// searchmoves is a blank-separated list of coordinate moves ("" = all).
int run_search(const Position& root, double goal_seconds, int max_depth, const char* searchmoves);

// What each completed iteration of the last search found, by depth in
// plies.  Filled only in test mode (self-test and test-data runs).
struct DepthRecord {
  double seconds;  // since the start of the search
  uint64_t nodes;
  int score;
  Move best_move;
};
constexpr int DEPTH_RECORDS = 100;
extern DepthRecord depth_records[DEPTH_RECORDS];

// Running sum of the time of all searches, in seconds.
extern double total_move_time;

// Set at start-up; the first search clears the tables and the transposition
// table, as every search does while "deterministic" is on.
extern int first_search;
