// Material table: per material balance (and its colour-reversed twin) a
// scale factor and a material correction for the main evaluation, or a
// special evaluator that replaces it.  Filled once from a fixed list of
// descriptors; read-only afterwards.
#pragma once

#include <cstdint>

#include "board/position.h"

// Centipawns from White's point of view.
using SpecialEvaluator = int (*)(const Position&);

struct MaterialEntry {
  uint64_t key;              // full material key; 1 in an empty entry
  int32_t in_use;            // -1 empty, 1 filled
  int32_t scale;             // per mille, 1000 leaves the score unchanged
  int32_t value;             // tenths of a centipawn, White's view
  SpecialEvaluator special;  // replaces the whole evaluation, or nullptr
};

constexpr int MATERIAL_TABLE_SIZE = 4096;
extern MaterialEntry material_table[MATERIAL_TABLE_SIZE];

// Fills the table from the descriptor list.  Two combinations on one entry
// is a fault of the built-in list: it prints a message and exits with 1.
void build_material_table();

// The entry of this material key, or nullptr.
const MaterialEntry* material_probe(uint64_t material_key);

// Material key of a piece string ("BNb": White bishop and knight, Black
// bishop; kings may be listed and add nothing).
uint64_t material_key_of(const char* pieces, bool swap_colours);

// The special endgame evaluators.
int evaluate_king_pawn(const Position& p);
int evaluate_knight_pawn(const Position& p);
int evaluate_bishop_pawn(const Position& p);
int evaluate_bishop_knight(const Position& p);
