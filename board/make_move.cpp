#include "board/make_move.h"

#include "board/attacks.h"
#include "board/bits.h"
#include "board/dump.h"
#include "board/fen.h"
#include "board/keys.h"
#include "board/movegen.h"
#include "board/psq_table.h"
#include "core/log.h"

namespace {

// Moves a piece of colour c and type t from one square to another in every
// incremental field but the castling state.
inline void shift_piece(Position* c, int colour, int type, int from, int to) {
  c->key ^= zobrist[colour][type][from] ^ zobrist[colour][type][to];
  c->pawn_key ^= pawn_zobrist[colour][type][from] ^ pawn_zobrist[colour][type][to];
  c->psq = score_add(c->psq, score_sub(psq_table[colour][type][to], psq_table[colour][type][from]));
  Bitboard both = square_bit(from) | square_bit(to);
  c->pieces[colour][type] ^= both;
  c->pieces[colour][ALL_PIECES] ^= both;
}

// Takes a piece of colour c and type t off a square.
inline void remove_piece(Position* c, int colour, int type, int square) {
  c->key ^= zobrist[colour][type][square];
  c->pawn_key ^= pawn_zobrist[colour][type][square];
  c->material_key -= material_weight[colour][type];
  c->phase = static_cast<int16_t>(c->phase - PHASE_WEIGHT[type]);
  c->psq = score_sub(c->psq, psq_table[colour][type][square]);
  c->pieces[colour][type] ^= square_bit(square);
  c->pieces[colour][ALL_PIECES] ^= square_bit(square);
}

// Chess960: the castling-lost squares that a move of a piece of type t of
// colour us from one square to another marks.  The king's start square
// stands for itself as e1 or e8, the start square of each castling rook as
// the corner of its right (see Position).
Bitboard chess960_lost_squares(const Position& p, int us, int type, int from, int to) {
  static constexpr Bitboard ROOK_CORNER[4] = {0x80ULL, 0x01ULL, 0x8000000000000000ULL, 0x0100000000000000ULL};
  Bitboard lost = type == KING ? square_bit(us == WHITE ? 4 : 60) : 0;
  for (int right = 0; right < 4; ++right)
    if (p.castle_rook[right] == from || p.castle_rook[right] == to) lost |= ROOK_CORNER[right];
  return lost;
}

// Chess960 castling, written as the king taking its own rook: the king goes
// to the g- or c-file, the rook to the f- or d-file.  Either may stay where
// it is, and each may land where the other stood; both leave their squares
// before either lands, so only a man that really moves is shifted.
void castle_chess960(Position* c, int us, int king_from, int rook_from) {
  int base = us == WHITE ? 0 : 56;
  bool short_side = rook_from > king_from;
  int king_to = base + (short_side ? 6 : 2);
  int rook_to = base + (short_side ? 5 : 3);
  c->pieces[us][ALL_PIECES] &= ~(square_bit(king_from) | square_bit(rook_from));
  c->pieces[us][KING] ^= square_bit(king_from);
  c->pieces[us][ROOK] ^= square_bit(rook_from);
  c->pieces[us][ALL_PIECES] |= square_bit(king_to) | square_bit(rook_to);
  c->pieces[us][KING] |= square_bit(king_to);
  c->pieces[us][ROOK] |= square_bit(rook_to);
  c->key ^= zobrist[us][KING][king_from] ^ zobrist[us][KING][king_to];
  c->key ^= zobrist[us][ROOK][rook_from] ^ zobrist[us][ROOK][rook_to];
  c->pawn_key ^= pawn_zobrist[us][KING][king_from] ^ pawn_zobrist[us][KING][king_to];
  c->psq = score_add(c->psq, score_sub(psq_table[us][KING][king_to], psq_table[us][KING][king_from]));
  c->psq = score_add(c->psq, score_sub(psq_table[us][ROOK][rook_to], psq_table[us][ROOK][rook_from]));
  c->key ^= castle_zobrist[castle_hash(c->castle_lost)];
  c->castle_lost |= CASTLE_RIGHTS[2 * us] | CASTLE_RIGHTS[2 * us + 1];
  c->key ^= castle_zobrist[castle_hash(c->castle_lost)];
  c->fifty = 0;
  c->ply = static_cast<int16_t>(c->ply + 1);
}

// Whether Chess960 castling checks the enemy king at `king`: the rook from
// its new square, or a slider whose line the two men opened.
int chess960_castling_checks(const Position& p, int us, int king_from, int rook_from, int king) {
  int base = us == WHITE ? 0 : 56;
  bool short_side = rook_from > king_from;
  Bitboard king_to = square_bit(base + (short_side ? 6 : 2));
  Bitboard rook_to = square_bit(base + (short_side ? 5 : 3));
  Bitboard after = (occupancy(p) & ~(square_bit(king_from) | square_bit(rook_from))) | king_to | rook_to;
  const Bitboard* x = p.pieces[us];
  Bitboard lines = ((x[ROOK] & ~square_bit(rook_from)) | rook_to | x[QUEEN]);
  if (rook_attacks(king, after) & lines) return 1;
  return (bishop_attacks(king, after) & (x[BISHOP] | x[QUEEN])) ? 1 : 0;
}

}  // namespace

int make_move(const Position& parent, Position* child, Move m) {
  Position* c = child;
  *c = parent;
  c->previous = &parent;
  c->last_move = m;
  c->captured_type = 0;
  c->moved_type = 0;
  c->eval_cache = EVAL_NOT_COMPUTED;
  c->fifty = static_cast<uint16_t>(c->fifty + 1);

  int us = side_to_move(parent);
  int them = 1 - us;
  if (c->ep_board) {
    c->key ^= zobrist[1][0][lowest_bit(c->ep_board)];
    c->ep_board = 0;
  }
  c->key ^= zobrist[0][0][us] ^ zobrist[0][0][them];

  if (m == 0) {
    c->ply = static_cast<int16_t>(c->ply + 1);
    c->in_check = 0;
    return 1;
  }

  int from = move_from(m), to = move_to(m), kind = move_kind(m);
  int type = piece_type_on(parent, us, from);
  if (type == 0) {
    char text[8];
    move_to_text(m, text);
    log_printf("\n ILLEGAL MOVE IN SEARCH\n  move in question: %s", text);
    log_position(parent);
    // The board is left as it was: the child is the position after a null
    // move, so that every field stays consistent.
    c->last_move = 0;
    c->ply = static_cast<int16_t>(c->ply + 1);
    c->in_check = 0;
    return 1;
  }
  c->moved_type = static_cast<uint16_t>(type);
  if (kind == KIND_CASTLING && parent.chess960) {
    castle_chess960(c, us, from, to);
    return 1;
  }
  shift_piece(c, us, type, from, to);

  c->key ^= castle_zobrist[castle_hash(c->castle_lost)];
  c->castle_lost |=
      parent.chess960 ? chess960_lost_squares(parent, us, type, from, to) : square_bit(from) | square_bit(to);

  if (kind == KIND_CASTLING) {
    int rook_from = (to & 7) == 6 ? to + 1 : to - 2;
    int rook_to = (from + to) / 2;
    shift_piece(c, us, ROOK, rook_from, rook_to);
    c->castle_lost |= square_bit(rook_from) | square_bit(rook_to);
    c->key ^= castle_zobrist[castle_hash(c->castle_lost)];
    c->fifty = 0;
    c->ply = static_cast<int16_t>(c->ply + 1);
    return 1;
  }
  c->key ^= castle_zobrist[castle_hash(c->castle_lost)];

  if (kind >= KIND_PROMOTE_QUEEN) {
    static constexpr int promoted[8] = {0, 0, 0, 0, QUEEN, KNIGHT, ROOK, BISHOP};
    int q = promoted[kind];
    c->fifty = 0;
    remove_piece(c, us, PAWN, to);  // a pawn's phase weight is 0
    c->material_key += material_weight[us][q];
    c->pieces[us][q] ^= square_bit(to);
    c->pieces[us][ALL_PIECES] ^= square_bit(to);
    c->key ^= zobrist[us][q][to];
    c->psq = score_add(c->psq, psq_table[us][q][to]);
    c->phase = static_cast<int16_t>(c->phase + PHASE_WEIGHT[q]);
  } else if (kind == KIND_EN_PASSANT) {
    c->fifty = 0;
    remove_piece(c, them, PAWN, (from & 56) | (to & 7));
    c->ply = static_cast<int16_t>(c->ply + 1);
    return 1;
  } else if (kind == KIND_DOUBLE_STEP) {
    c->fifty = 0;
    Bitboard to_bit = square_bit(to);
    if (c->pieces[them][PAWN] & (((to_bit << 1) & NOT_FILE_A) | ((to_bit >> 1) & NOT_FILE_H))) {
      int ep = (from + to) / 2;
      c->ep_board = square_bit(ep);
      c->key ^= zobrist[1][0][ep];
    }
    c->ply = static_cast<int16_t>(c->ply + 1);
    return 1;
  }

  int victim = piece_type_on(parent, them, to);
  if (victim) {
    if (victim == KING) log_printf("ERROR: king capture here\n");
    remove_piece(c, them, victim, to);
    c->captured_type = static_cast<uint16_t>(victim);
    c->fifty = 0;
  }
  c->ply = static_cast<int16_t>(c->ply + 1);
  if (type == PAWN) c->fifty = 0;
  return 1;
}

Bitboard attack_map(const Position& p, int colour) {
  Bitboard occ = occupancy(p);
  Bitboard map = pawn_attacks(p.pieces[colour][PAWN], colour);
  for (Bitboard b = p.pieces[colour][KNIGHT]; b;) map |= knight_attacks[pop_lowest_bit(&b)];
  for (Bitboard b = p.pieces[colour][BISHOP] | p.pieces[colour][QUEEN]; b;)
    map |= bishop_attacks(pop_lowest_bit(&b), occ);
  for (Bitboard b = p.pieces[colour][ROOK] | p.pieces[colour][QUEEN]; b;) map |= rook_attacks(pop_lowest_bit(&b), occ);
  for (Bitboard b = p.pieces[colour][KING]; b;) map |= king_attacks[pop_lowest_bit(&b)];
  return map;
}

int in_check(const Position& p, int colour) { return (attack_map(p, 1 - colour) & p.pieces[colour][KING]) ? 1 : 0; }

int square_attacked(const Position& p, int square, int by) {
  const Bitboard* x = p.pieces[by];
  Bitboard occ = occupancy(p);
  if (knight_attacks[square] & x[KNIGHT]) return 1;
  if (bishop_attacks(square, occ) & (x[BISHOP] | x[QUEEN])) return 1;
  if (rook_attacks(square, occ) & (x[ROOK] | x[QUEEN])) return 1;
  // Pawns of `by` attack the square from where a pawn of the other colour
  // standing on it would attack.
  if (pawn_attacks(square_bit(square), 1 - by) & x[PAWN]) return 1;
  if (king_attacks[square] & x[KING]) return 1;
  return 0;
}

Bitboard attackers_of(const Position& p, int square, int by) {
  const Bitboard* x = p.pieces[by];
  const Bitboard occ = occupancy(p);
  return (knight_attacks[square] & x[KNIGHT]) | (bishop_attacks(square, occ) & (x[BISHOP] | x[QUEEN])) |
         (rook_attacks(square, occ) & (x[ROOK] | x[QUEEN])) | (pawn_attacks(square_bit(square), 1 - by) & x[PAWN]) |
         (king_attacks[square] & x[KING]);
}

int king_attacked(const Position& p, int colour) { return square_attacked(p, king_square(p, colour), 1 - colour); }

int gives_check(const Position& p, Move m) {
  int us = side_to_move(p);
  int king = king_square(p, 1 - us);
  Bitboard king_bit = square_bit(king);
  Bitboard occ = occupancy(p);
  int from = move_from(m), to = move_to(m);
  switch (piece_type_on(p, us, from)) {
    case QUEEN:
      if ((queen_ray[to] & king_bit) && !(between[to][king] & occ)) return 1;
      break;
    case ROOK:
      if ((rook_ray[to] & king_bit) && !(between[to][king] & occ)) return 1;
      break;
    case BISHOP:
      if ((bishop_ray[to] & king_bit) && !(between[to][king] & occ)) return 1;
      break;
    case KNIGHT:
      if (knight_attacks[to] & king_bit) return 1;
      break;
    case PAWN:
      if (pawn_attacks(square_bit(to), us) & king_bit) return 1;
      break;
    case KING:
      if (p.chess960 && move_kind(m) == KIND_CASTLING) return chess960_castling_checks(p, us, from, to, king);
      if (king_attacks[to] & king_bit) return 1;
      break;
    default:
      break;
  }
  Bitboard after = (occ & ~square_bit(from)) | square_bit(to);
  const Bitboard* x = p.pieces[us];
  if (bishop_attacks(king, after) & (x[BISHOP] | x[QUEEN])) return 1;
  if (rook_attacks(king, after) & (x[ROOK] | x[QUEEN])) return 1;
  return 0;
}
