// The trainer of Pelion's network ("engine-tool train"; tools/trainer.cpp)
// and a small integer reference evaluation of the network file it writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board/position.h"

// engine-tool train DATA_DIR... --out FILE [--epochs N] [--batch N] [--lr R]
//                   [--lambda L] [--scale K] [--validation FRACTION]
//                   [--threads N] [--seed S] [--max-positions N]
//                   [--hidden H] [--mirror 0|1] [--checkpoint DIR]
//                   [--init FILE]
struct TrainerOptions {
  std::vector<std::string> folders;
  std::string out;
  int epochs = 10;
  int batch = 16384;
  double lr = 0.002;         // Adam's step at the start; cosine decay to 1 % of it over the run
  double lambda = 0.0;       // share of the game result in the target (the rest: the search score)
  int scale = 400;           // K: the sigmoid scale of the scores, written as the file's SCALE
  double validation = 0.02;  // share of the games held out
  int threads = 2;
  uint64_t seed = 1;
  int64_t max_positions = 0;  // 0: all
  int hidden = 256;
  bool mirror = true;      // show half the positions mirrored (files a-h flipped)
  std::string checkpoint;  // folder for every epoch's network; empty: none
  std::string init;        // a net file to start from instead of random weights; empty: none
  bool progress = true;    // progress lines on standard error
};

// What a run read and reached, for the caller and the tests.
struct TrainerSummary {
  uint64_t shards = 0, bad_shards = 0, dropped_records = 0;
  uint64_t records = 0, training = 0, validation = 0;
  uint64_t unsound = 0, in_check = 0, capture = 0, promotion = 0, mate = 0, large = 0;
  double training_loss = 0, validation_loss = 0, quantised_loss = 0;
  // Centipawns between the float net and the exported file over the check set
  // (the held-out positions, or training positions when none are held out).
  double mean_quantised_difference = 0;
  int max_quantised_difference = 0;
  double positions_per_second = 0;
};

// Trains and exports.  0 on success, 1 when no data is usable or a file
// cannot be written.
int train_network(const TrainerOptions& o, TrainerSummary* summary);

// The command line front end: 2 on bad arguments.
int run_trainer(int argc, char** argv);

// ---- The network file ---------------------------------------------------

constexpr int NETWORK_INPUTS = 768;
constexpr int NETWORK_QA = 255;
constexpr int NETWORK_QB = 64;

// The integer network as the file holds it.
struct QuantisedNetwork {
  int hidden = 0;
  int32_t scale = 0;
  std::vector<int16_t> feature_weights;  // NETWORK_INPUTS x hidden, feature-major
  std::vector<int16_t> feature_bias;     // hidden
  std::vector<int16_t> output_weights;   // hidden for the side to move, then hidden for the other side
  int32_t output_bias = 0;
};

// False, with a one-line reason, for a file of the wrong size, magic,
// version, shape or quantisation, a SCALE outside 1..10000 or a checksum
// that does not match.
bool read_network_file(const char* path, QuantisedNetwork* out, std::string* error);

// The input features of White's view (0..767): colour * 384 + (type - 1) *
// 64 + square.  Black's view of the same piece is the other colour's block
// with the ranks mirrored.  Returns the count (at most 32 for a position the
// training data holds).
int white_view_features(const Position& p, uint16_t* out);

// Centipawns from the side to move's view, computed in integers exactly as
// the engine must.
int quantised_evaluate(const QuantisedNetwork& n, const uint16_t* white_features, int count, int side_to_move);
