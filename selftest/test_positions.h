#pragma once

constexpr int TEST_POSITION_COUNT = 50;
constexpr int TEST_ROW_SIZE = 160;
constexpr int TEST_DEPTH = 13;

// Each row: four FEN fields, the best move code, the score and the node count.
extern char test_fens[TEST_POSITION_COUNT][TEST_ROW_SIZE];
