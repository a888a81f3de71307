// The evaluation fit behind "engine-tool tune" (see tools/tuner.cpp).
#pragma once

// engine-tool tune DATA... [--groups LIST] [--iterations N] [--rate R]
//                          [--unit-rate R] [--l2 L] [--lambda X] [--max N]
//                          [--validation N] [--check N] [--patience N]
//                          [--out FILE]
// Reads "FEN | result | score | ply" lines, fits the weights of the chosen
// groups (all by default) and writes them in source form.  Returns 2 on
// bad arguments.
int run_tuner(int argc, char** argv);
