#include "eval/material.h"

#include <cstdio>
#include <cstdlib>

#include "board/bits.h"
#include "board/keys.h"
#include "eval/kpk_bitbase.h"

MaterialEntry material_table[MATERIAL_TABLE_SIZE];

namespace {

struct Descriptor {
  const char* pieces;
  int32_t scale;
  int32_t value;
  SpecialEvaluator special;
};

// Endings where one side is ahead but winning chances are slim get a scale
// below 1000; a few well-known wins get an evaluator that knows the plan.
const Descriptor DESCRIPTORS[] = {
    {"", 0, 0, nullptr},  // bare kings
    {"B", 0, 0, nullptr},
    {"BBb", 200, -3000, nullptr},
    {"BBn", 500, -3000, nullptr},
    {"BN", 1000, 0, evaluate_bishop_knight},
    {"BNb", 150, -3000, nullptr},
    {"BNn", 200, -3000, nullptr},
    {"BP", 1000, 0, evaluate_bishop_pawn},
    {"NP", 1000, 0, evaluate_knight_pawn},
    {"Bb", 10, 0, nullptr},
    {"Bn", 10, 0, nullptr},
    {"Bp", 200, -3200, nullptr},
    {"N", 0, 0, nullptr},
    {"NN", 200, -7000, nullptr},
    {"NNb", 50, -3000, nullptr},
    {"NNn", 50, -3000, nullptr},
    {"Nn", 10, 0, nullptr},
    {"Np", 300, -3200, nullptr},
    {"P", 1000, 0, evaluate_king_pawn},
    {"Q", 700, 0, nullptr},
    {"Qb", 800, 0, nullptr},
    {"Qn", 700, 0, nullptr},
    {"Qq", 50, 0, nullptr},
    {"Qr", 500, -1000, nullptr},
    {"R", 800, 0, nullptr},
    {"RNr", 200, -2000, nullptr},
    {"Rb", 300, -1500, nullptr},
    {"Rn", 200, -1500, nullptr},
    {"Rr", 50, 0, nullptr},
    {"-", 0, 0, nullptr},
};

int piece_type_of_letter(char c) {
  switch (c | 0x20) {
    case 'p':
      return PAWN;
    case 'n':
      return KNIGHT;
    case 'b':
      return BISHOP;
    case 'r':
      return ROOK;
    case 'q':
      return QUEEN;
    default:
      return 0;  // kings and anything else add nothing
  }
}

void fill_entry(uint64_t key, const Descriptor& d, int32_t value) {
  MaterialEntry& e = material_table[key & (MATERIAL_TABLE_SIZE - 1)];
  if (e.in_use != -1) {
    std::fputs("Hash conflict in ending tables\n", stderr);
    std::exit(1);
  }
  e = MaterialEntry{key, 1, d.scale, value, d.special};
}

// Chebyshev distance and square colour (0 = dark, the colour of a1).
int square_colour(int s) { return (file_of(s) + rank_of(s)) & 1; }

int colour_sign(int colour) { return colour == WHITE ? 1 : -1; }

}  // namespace

uint64_t material_key_of(const char* pieces, bool swap_colours) {
  uint64_t key = 0;
  for (const char* c = pieces; *c; ++c) {
    int type = piece_type_of_letter(*c);
    if (!type) continue;
    int colour = (*c >= 'a') ? BLACK : WHITE;
    if (swap_colours) colour ^= 1;
    key += material_weight[colour][type];
  }
  return key;
}

void build_material_table() {
  for (MaterialEntry& e : material_table) e = MaterialEntry{1, -1, 1024, 0, nullptr};
  for (const Descriptor* d = DESCRIPTORS; d->pieces[0] != '-'; ++d) {
    uint64_t key = material_key_of(d->pieces, false);
    fill_entry(key, *d, d->value);
    uint64_t twin = material_key_of(d->pieces, true);
    if ((twin & (MATERIAL_TABLE_SIZE - 1)) != (key & (MATERIAL_TABLE_SIZE - 1))) fill_entry(twin, *d, -d->value);
  }
}

const MaterialEntry* material_probe(uint64_t material_key) {
  const MaterialEntry& e = material_table[material_key & (MATERIAL_TABLE_SIZE - 1)];
  return e.key == material_key ? &e : nullptr;
}

int evaluate_king_pawn(const Position& p) {
  int strong = p.pieces[WHITE][PAWN] ? WHITE : BLACK;
  int weak = strong ^ 1;
  int sk = king_square(p, strong), wk = king_square(p, weak), pawn = lowest_bit(p.pieces[strong][PAWN]);
  // The bitbase holds pawns that move towards rank 1.
  if (strong == WHITE) {
    sk ^= 56;
    wk ^= 56;
    pawn ^= 56;
  }
  int relative_rank = 7 - rank_of(pawn);
  if (relative_rank < 1 || relative_rank > 6) return 3 * colour_sign(strong);  // not a real placement
  bool win = kpk_probe(sk, pawn, wk, side_to_move(p) == weak);
  return (win ? 450 + 16 * relative_rank : 3) * colour_sign(strong);
}

int evaluate_knight_pawn(const Position& p) {
  int strong = p.pieces[WHITE][KNIGHT] ? WHITE : BLACK;
  int weak = strong ^ 1;
  int flip = strong == WHITE ? 0 : 56;  // formulas below are for a pawn moving up
  int sk = king_square(p, strong) ^ flip, wk = king_square(p, weak) ^ flip;
  int pawn = lowest_bit(p.pieces[strong][PAWN]) ^ flip;
  int knight = lowest_bit(p.pieces[strong][KNIGHT]) ^ flip;
  int promotion = 56 + file_of(pawn);
  int to_go = 7 - rank_of(pawn);
  int score;
  bool rook_pawn = file_of(pawn) == 0 || file_of(pawn) == 7;
  if (rook_pawn && rank_of(pawn) == 6 && distance(wk, promotion) <= 1) {
    score = 10 - distance(sk, promotion);  // the defender sits in the corner
  } else {
    score = 420 - 10 * to_go - 5 * distance(sk, pawn) + 5 * distance(wk, pawn) - 3 * distance(knight, pawn);
  }
  return score * colour_sign(strong);
}

int evaluate_bishop_pawn(const Position& p) {
  int strong = p.pieces[WHITE][BISHOP] ? WHITE : BLACK;
  int weak = strong ^ 1;
  int flip = strong == WHITE ? 0 : 56;
  int sk = king_square(p, strong) ^ flip, wk = king_square(p, weak) ^ flip;
  int pawn = lowest_bit(p.pieces[strong][PAWN]) ^ flip;
  int bishop = lowest_bit(p.pieces[strong][BISHOP]) ^ flip;
  int promotion = 56 + file_of(pawn);
  int to_go = 7 - rank_of(pawn);
  int strong_distance = distance(sk, promotion), weak_distance = distance(wk, promotion);
  // With the defender to move it effectively gains a tempo in the race.
  int tempo = side_to_move(p) == weak ? 1 : 0;
  bool rook_pawn = file_of(pawn) == 0 || file_of(pawn) == 7;
  int score;
  if (rook_pawn && weak_distance <= to_go + tempo && square_colour(bishop) != square_colour(promotion) &&
      strong_distance + tempo > weak_distance) {
    score = 12 - strong_distance + weak_distance - to_go;  // wrong bishop: the corner holds
  } else {
    score = 440 + 2 * (weak_distance - strong_distance - 5 * to_go);
  }
  return score * colour_sign(strong);
}

int evaluate_bishop_knight(const Position& p) {
  int strong = p.pieces[WHITE][BISHOP] ? WHITE : BLACK;
  int weak = strong ^ 1;
  int sk = king_square(p, strong), wk = king_square(p, weak);
  int bishop = lowest_bit(p.pieces[strong][BISHOP]);
  int knight = lowest_bit(p.pieces[strong][KNIGHT]);
  // Mate is forced in a corner of the bishop's colour: drive the king there.
  int corner_a = square_colour(bishop) == 0 ? 0 : 56;
  int corner_b = square_colour(bishop) == 0 ? 63 : 7;
  int d = min_int(manhattan(wk, corner_a), manhattan(wk, corner_b));
  int score = 400 - 20 * d - 4 * distance(sk, wk) - 2 * distance(knight, wk);
  return score * colour_sign(strong);
}
