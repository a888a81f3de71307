#include "board/see.h"

#include "board/attacks.h"
#include "board/bits.h"

namespace {

// By piece type: none, pawn, knight, bishop, rook, queen, king.
constexpr int FINE_VALUE[8] = {0, 2, 6, 7, 10, 19, 999, 0};
constexpr int QUICK_VALUE[8] = {0, 1, 3, 3, 5, 9, 999, 0};
constexpr int RECAPTURE_VALUE[8] = {0, 1, 3, 3, 5, 10, 999, 0};

int type_on(const Bitboard pieces[2][7], int colour, int square) {
  Bitboard b = square_bit(square);
  if (!(pieces[colour][ALL_PIECES] & b)) return 0;
  for (int t = PAWN; t < KING; ++t)
    if (pieces[colour][t] & b) return t;
  return KING;
}

// The exchange that side `first_side` starts on the move's to-square.  The
// first victim and the first capturer are priced with `first_value`, every
// later capturer with the recapture values.
int exchange(const Bitboard pieces[2][7], int first_side, Move m, const int* first_value) {
  int from = move_from(m), to = move_to(m);
  int other = 1 - first_side;
  Bitboard target = square_bit(to);

  // Attackers from the empty-board tables, so that pieces standing behind
  // others take part once the pieces in front have captured.
  Bitboard attackers[2][7];
  for (int c = 0; c < 2; ++c) {
    attackers[c][PAWN] = pieces[c][PAWN] & pawn_attacks(target, 1 - c);
    attackers[c][KNIGHT] = pieces[c][KNIGHT] & knight_attacks[to];
    attackers[c][BISHOP] = pieces[c][BISHOP] & bishop_ray[to];
    attackers[c][ROOK] = pieces[c][ROOK] & rook_ray[to];
    attackers[c][QUEEN] = pieces[c][QUEEN] & queen_ray[to];
    attackers[c][KING] = pieces[c][KING] & king_attacks[to];
  }
  for (int t = PAWN; t <= KING; ++t) {
    attackers[first_side][t] &= ~square_bit(from);
    attackers[other][t] &= ~target;
  }
  Bitboard occ = (pieces[0][ALL_PIECES] | pieces[1][ALL_PIECES]) & ~square_bit(from) & ~target;

  // At most 32 pieces can capture, so the sequence has at most 33 gains.
  int gain[34];
  int depth = 0;
  gain[0] = from == to ? 0 : first_value[type_on(pieces, other, to)];
  int on_square = first_value[type_on(pieces, first_side, from)];
  for (int side = other;; side ^= 1) {
    const Bitboard* a = attackers[side];
    int type = 0;
    int square = 0;
    if (a[PAWN]) {
      type = PAWN;
      square = lowest_bit(a[PAWN]);
    } else if (a[KNIGHT]) {
      type = KNIGHT;
      square = lowest_bit(a[KNIGHT]);
    } else {
      // Of each slider kind only the lowest-numbered one is examined; when
      // it is blocked the next kind is tried.
      for (int t = BISHOP; t <= QUEEN && !type; ++t) {
        if (!a[t]) continue;
        int s = lowest_bit(a[t]);
        if (!(between[s][to] & occ)) {
          type = t;
          square = s;
        }
      }
      if (!type && a[KING]) {
        type = KING;
        square = lowest_bit(a[KING]);
      }
    }
    if (!type) break;
    ++depth;
    gain[depth] = on_square - gain[depth - 1];
    on_square = RECAPTURE_VALUE[type];
    attackers[side][type] &= ~square_bit(square);
    occ &= ~square_bit(square);
  }
  // Each side stops when capturing on would lose.
  for (; depth > 0; --depth) gain[depth - 1] = -max_int(-gain[depth - 1], gain[depth]);
  return gain[0];
}

}  // namespace

int see_fine(const Position& p, Move m) { return exchange(p.pieces, side_to_move(p), m, FINE_VALUE); }

int see_quick(const Position& p, Move m, int flip) {
  if (has_bit13(m)) return 0;
  return exchange(p.pieces, side_to_move(p) ^ flip, m, QUICK_VALUE);
}

int see_for(const Bitboard pieces[2][7], int side, Move m) {
  if (has_bit13(m)) return 0;
  return exchange(pieces, side, m, QUICK_VALUE);
}

int last_move_threat(const Position& p) {
  if (p.last_move == 0 || p.ply == 0) return 0;
  int y = side_to_move(p);
  int x = 1 - y;
  int q = move_to(p.last_move);
  const Bitboard* ys = p.pieces[y];
  Bitboard occ = occupancy(p);
  // 1 when X wins material by taking one of the pieces on `targets`.
  auto wins_one = [&](Bitboard targets) {
    while (targets)
      if (see_quick(p, move_code(q, pop_lowest_bit(&targets), KIND_NORMAL), 1) > 0) return 1;
    return 0;
  };
  switch (type_on(p.pieces, x, q)) {
    case PAWN:
      return (pawn_attacks(square_bit(q), x) & ys[ALL_PIECES] & ~ys[PAWN]) ? 2 : 0;
    case KNIGHT: {
      Bitboard a = knight_attacks[q];
      if (a & (ys[QUEEN] | ys[ROOK])) return 2;
      return wins_one(a & (ys[BISHOP] | ys[PAWN]));
    }
    case BISHOP: {
      Bitboard a = bishop_attacks(q, occ);
      if (a & (ys[QUEEN] | ys[ROOK])) return 2;
      return wins_one(a & (ys[KNIGHT] | ys[PAWN]));
    }
    case ROOK: {
      Bitboard a = rook_attacks(q, occ);
      if (a & ys[QUEEN]) return 2;
      return wins_one(a & (ys[KNIGHT] | ys[PAWN] | ys[BISHOP]));
    }
    case QUEEN:
      return wins_one(queen_attacks(q, occ) & ys[ALL_PIECES] & ~ys[QUEEN]);
    case KING:
      return wins_one(king_attacks[q] & ys[ALL_PIECES]);
    default:
      return 0;
  }
}

int threat_level(const Position& p) {
  int y = side_to_move(p);
  int x = 1 - y;
  if (p.pieces[x][PAWN] & relative_rank[0][x]) return 15;
  int v = 0;
  // Stop once the loss found so far beats anything the cheaper pieces can lose.
  constexpr int order[5] = {QUEEN, ROOK, BISHOP, KNIGHT, PAWN};
  constexpr int stop_below[5] = {-4, -3, -2, -1, 1};  // the pawns always end the scan
  for (int i = 0; i < 5; ++i) {
    for (Bitboard b = p.pieces[y][order[i]]; b;) {
      int s = pop_lowest_bit(&b);
      v = min_int(v, see_fine(p, move_code(s, s, KIND_NORMAL)));
    }
    if (v < stop_below[i]) break;
  }
  return -v;
}

namespace {

constexpr int EXCHANGE_VALUE[8] = {0, 100, 320, 320, 500, 950, 20000, 0};

// Every piece of either colour that attacks the square through occupied.
Bitboard attackers_to(const Position& p, int square, Bitboard occupied) {
  const Bitboard(&b)[2][7] = p.pieces;
  Bitboard target = square_bit(square);
  return (pawn_attacks(target, BLACK) & b[WHITE][PAWN]) | (pawn_attacks(target, WHITE) & b[BLACK][PAWN]) |
         (knight_attacks[square] & (b[WHITE][KNIGHT] | b[BLACK][KNIGHT])) |
         (king_attacks[square] & (b[WHITE][KING] | b[BLACK][KING])) |
         (bishop_attacks(square, occupied) & (b[WHITE][BISHOP] | b[BLACK][BISHOP] | b[WHITE][QUEEN] | b[BLACK][QUEEN])) |
         (rook_attacks(square, occupied) & (b[WHITE][ROOK] | b[BLACK][ROOK] | b[WHITE][QUEEN] | b[BLACK][QUEEN]));
}

}  // namespace

bool see_at_least(const Position& p, Move m, int threshold) {
  const int kind = move_kind(m);
  if (kind == KIND_CASTLING) return threshold <= 0;
  const int from = move_from(m), to = move_to(m);
  const int us = side_to_move(p);
  int victim = kind == KIND_EN_PASSANT ? PAWN : type_on(p.pieces, us ^ 1, to);
  int mover = type_on(p.pieces, us, from);
  int gain = EXCHANGE_VALUE[victim];
  if (is_promotion(m)) {
    constexpr int PROMOTED[4] = {QUEEN, KNIGHT, ROOK, BISHOP};
    mover = PROMOTED[kind - KIND_PROMOTE_QUEEN];
    gain += EXCHANGE_VALUE[mover] - EXCHANGE_VALUE[PAWN];
  }
  // swap is what the side that just captured stands to keep, less the
  // threshold; each recapture turns it around.
  int swap = gain - threshold;
  if (swap < 0) return false;
  swap = EXCHANGE_VALUE[mover] - swap;
  if (swap <= 0) return true;

  Bitboard occupied = occupancy(p) ^ square_bit(from) ^ square_bit(to);
  if (kind == KIND_EN_PASSANT) occupied ^= square_bit(to ^ 8);
  const Bitboard diagonal = p.pieces[0][BISHOP] | p.pieces[1][BISHOP] | p.pieces[0][QUEEN] | p.pieces[1][QUEEN];
  const Bitboard straight = p.pieces[0][ROOK] | p.pieces[1][ROOK] | p.pieces[0][QUEEN] | p.pieces[1][QUEEN];
  Bitboard attackers = attackers_to(p, to, occupied);
  int side = us;
  int result = 1;
  for (;;) {
    side ^= 1;
    attackers &= occupied;
    const Bitboard own = attackers & p.pieces[side][ALL_PIECES];
    if (!own) break;
    result ^= 1;
    int type = PAWN;
    while (type < KING && !(own & p.pieces[side][type])) ++type;
    if (type == KING) return (attackers & ~p.pieces[side][ALL_PIECES]) ? result ^ 1 : result;
    swap = EXCHANGE_VALUE[type] - swap;
    if (swap < result) break;
    occupied ^= square_bit(lowest_bit(own & p.pieces[side][type]));
    if (type == PAWN || type == BISHOP || type == QUEEN) attackers |= bishop_attacks(to, occupied) & diagonal;
    if (type == ROOK || type == QUEEN) attackers |= rook_attacks(to, occupied) & straight;
  }
  return result != 0;
}
