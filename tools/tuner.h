// The evaluation fit behind "engine-tool tune" (see tools/tuner.cpp).
#pragma once

#include <cstdio>

#include "eval/eval_params.h"

// engine-tool tune DATA... [--iterations N] [--rate R] [--l2 L] [--lambda X]
//                          [--max N] [--validation N] [--out FILE]
// Reads "FEN | result | score | ply" lines, fits the tuned weights and
// writes their initialiser in source form.  Returns 2 on bad arguments.
int run_tuner(int argc, char** argv);

// The `.tuned = {...}` initialiser of eval/eval_params.cpp for these values.
void print_tuned_weights(FILE* out, const TunedWeights& tuned);
