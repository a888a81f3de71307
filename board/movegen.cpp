#include "board/movegen.h"

#include "board/attacks.h"
#include "board/bits.h"
#include "board/make_move.h"

namespace {

inline Move* add_move(Move* out, int from, int to, int kind) {
  *out++ = move_code(from, to, kind);
  return out;
}

// One move per target, in ascending order of the targets.
inline Move* add_targets(Move* out, int from, Bitboard targets) {
  while (targets) out = add_move(out, from, pop_lowest_bit(&targets), KIND_NORMAL);
  return out;
}

inline Bitboard push_forward(Bitboard b, int colour) { return colour == WHITE ? b << 8 : b >> 8; }
inline int forward(int colour) { return colour == WHITE ? 8 : -8; }

// Attack set of a knight, bishop, rook, queen or king.
inline Bitboard piece_attacks(int type, int square, Bitboard occupancy) {
  switch (type) {
    case KNIGHT:
      return knight_attacks[square];
    case BISHOP:
      return bishop_attacks(square, occupancy);
    case ROOK:
      return rook_attacks(square, occupancy);
    case QUEEN:
      return queen_attacks(square, occupancy);
    default:
      return king_attacks[square];
  }
}

// Moves of every piece of a set to the allowed squares it attacks.
inline Move* piece_moves(Move* out, Bitboard pieces, int type, Bitboard allowed, Bitboard occupancy) {
  while (pieces) {
    int from = pop_lowest_bit(&pieces);
    out = add_targets(out, from, piece_attacks(type, from, occupancy) & allowed);
  }
  return out;
}

// Moves of a set of bishops and queens along diagonals, or of rooks and
// queens along lines, to the allowed squares.
// The moves of the side to move's knights, bishops, rooks, queens and king,
// in that order, to the allowed squares.
inline Move* moves_of_every_piece(Move* out, const Position& p, Bitboard allowed, Bitboard occupancy) {
  const int us = side_to_move(p);
  out = piece_moves(out, p.pieces[us][KNIGHT], KNIGHT, allowed, occupancy);
  out = piece_moves(out, p.pieces[us][BISHOP], BISHOP, allowed, occupancy);
  out = piece_moves(out, p.pieces[us][ROOK], ROOK, allowed, occupancy);
  out = piece_moves(out, p.pieces[us][QUEEN], QUEEN, allowed, occupancy);
  out = piece_moves(out, p.pieces[us][KING], KING, allowed, occupancy);
  return out;
}

inline Move* diagonal_moves(Move* out, Bitboard pieces, Bitboard allowed, Bitboard occupancy) {
  while (pieces) {
    int from = pop_lowest_bit(&pieces);
    out = add_targets(out, from, bishop_attacks(from, occupancy) & allowed);
  }
  return out;
}
inline Move* line_moves(Move* out, Bitboard pieces, Bitboard allowed, Bitboard occupancy) {
  while (pieces) {
    int from = pop_lowest_bit(&pieces);
    out = add_targets(out, from, rook_attacks(from, occupancy) & allowed);
  }
  return out;
}

// A pawn move onto a square; onto the last rank it becomes one move per
// promotion piece (queen, knight, then rook and bishop when all four).
inline Move* pawn_move(Move* out, int from, int to, bool all_promotions) {
  if (square_bit(to) & BACK_RANKS) {
    out = add_move(out, from, to, KIND_PROMOTE_QUEEN);
    out = add_move(out, from, to, KIND_PROMOTE_KNIGHT);
    if (all_promotions) {
      out = add_move(out, from, to, KIND_PROMOTE_ROOK);
      out = add_move(out, from, to, KIND_PROMOTE_BISHOP);
    }
    return out;
  }
  return add_move(out, from, to, KIND_NORMAL);
}

// Pawn captures in two passes: White first toward the a-file side (to =
// from + 7), then toward the h-file side (from + 9); Black first from - 9,
// then from - 7.  Targets are the enemy pieces and the en-passant square.
Move* pawn_captures(Move* out, const Position& p, bool all_promotions) {
  int us = side_to_move(p);
  Bitboard pawns = p.pieces[us][PAWN];
  Bitboard targets = p.pieces[1 - us][ALL_PIECES] | p.ep_board;
  Bitboard pass[2];
  int delta[2];
  if (us == WHITE) {
    pass[0] = (pawns << 7) & NOT_FILE_H;
    delta[0] = 7;
    pass[1] = (pawns << 9) & NOT_FILE_A;
    delta[1] = 9;
  } else {
    pass[0] = (pawns >> 9) & NOT_FILE_H;
    delta[0] = -9;
    pass[1] = (pawns >> 7) & NOT_FILE_A;
    delta[1] = -7;
  }
  for (int i = 0; i < 2; ++i) {
    for (Bitboard t = pass[i] & targets; t;) {
      int to = pop_lowest_bit(&t);
      int from = to - delta[i];
      if (square_bit(to) & p.ep_board)
        out = add_move(out, from, to, KIND_EN_PASSANT);
      else
        out = pawn_move(out, from, to, all_promotions);
    }
  }
  return out;
}

// Single pushes to empty squares by pawns not on their relative 7th rank.
Move* single_pushes(Move* out, const Position& p, Bitboard targets) {
  int us = side_to_move(p);
  Bitboard pawns = p.pieces[us][PAWN] & ~relative_rank[0][us];
  Bitboard to_set = push_forward(pawns, us) & ~occupancy(p) & targets;
  while (to_set) {
    int to = pop_lowest_bit(&to_set);
    out = add_move(out, to - forward(us), to, KIND_NORMAL);
  }
  return out;
}

Move* double_steps(Move* out, const Position& p, Bitboard targets) {
  int us = side_to_move(p);
  Bitboard empty = ~occupancy(p);
  Bitboard middle = push_forward(p.pieces[us][PAWN] & start_rank[us], us) & empty;
  Bitboard to_set = push_forward(middle, us) & empty & targets;
  while (to_set) {
    int to = pop_lowest_bit(&to_set);
    out = add_move(out, to - 2 * forward(us), to, KIND_DOUBLE_STEP);
  }
  return out;
}

// Pushes of pawns on the relative 7th rank onto an empty last-rank square.
Move* promotion_pushes(Move* out, const Position& p, bool all_promotions) {
  int us = side_to_move(p);
  Bitboard to_set = push_forward(p.pieces[us][PAWN] & relative_rank[0][us], us) & ~occupancy(p);
  while (to_set) {
    int to = pop_lowest_bit(&to_set);
    out = pawn_move(out, to - forward(us), to, all_promotions);
  }
  return out;
}

// Non-capturing moves of a piece that stands between a slider of ours and
// the enemy king, so that moving it uncovers a check.  `line` is true for a
// rook-type line, false for a diagonal.  Moves that stay on the line through
// the king uncover nothing and are left out.
Move* uncovering_moves(Move* out, const Position& p, int blocker, int king, bool line) {
  int us = side_to_move(p);
  Bitboard occ = occupancy(p);
  Bitboard empty = ~occ;
  int type = piece_type_on(p, us, blocker);
  switch (type) {
    case PAWN: {
      // A push keeps the pawn on its file: it uncovers a line check only
      // when the pawn is not on the king's file.
      if (line && file_of(blocker) == file_of(king)) break;
      Bitboard b = square_bit(blocker);
      Bitboard ahead = push_forward(b, us) & empty;
      if (ahead && !(b & relative_rank[0][us])) out = add_move(out, blocker, blocker + forward(us), KIND_NORMAL);
      if (ahead && (b & start_rank[us]) && (push_forward(ahead, us) & empty))
        out = add_move(out, blocker, blocker + 2 * forward(us), KIND_DOUBLE_STEP);
      break;
    }
    case KNIGHT:
      out = add_targets(out, blocker, knight_attacks[blocker] & empty);
      break;
    case BISHOP:
      if (line) out = add_targets(out, blocker, bishop_attacks(blocker, occ) & empty);
      break;
    case ROOK:
      if (!line) out = add_targets(out, blocker, rook_attacks(blocker, occ) & empty);
      break;
    case KING:
      out = add_targets(out, blocker, king_attacks[blocker] & empty & ~(line ? rook_ray[king] : bishop_ray[king]));
      break;
    default:
      break;  // a queen (or a bishop on a diagonal, a rook on a line) uncovers nothing
  }
  return out;
}

// Chess960 castling.  King and rook end on the g- and f-files (short) or
// the c- and d-files (long) of their rank, whatever their start squares.
// Every square either man passes over or lands on must be empty apart from
// the two of them, and no square the king stands on, passes over or lands on
// may be attacked.  Those squares are tested with the castling rook lifted
// off the board: the rook may screen a slider that hits the king's target
// square once it has moved (say a Black queen on a1 behind a rook on b1).
// The move is written as the king taking its own rook.
int generate_castling_chess960(const Position& p, Move* out) {
  Move* start = out;
  int us = side_to_move(p);
  int them = 1 - us;
  int base = us == WHITE ? 0 : 56;
  int king = king_square(p, us);
  Bitboard occ = occupancy(p);
  for (int side = 0; side < 2; ++side) {  // short first
    int right = 2 * us + side;
    if (p.castle_lost & CASTLE_RIGHTS[right]) continue;
    int rook = p.castle_rook[right];
    int king_to = base + (side == 0 ? 6 : 2);
    int rook_to = base + (side == 0 ? 5 : 3);
    Bitboard king_path = between[king][king_to] | square_bit(king) | square_bit(king_to);
    Bitboard rook_path = between[rook][rook_to] | square_bit(rook_to);
    if ((king_path | rook_path) & occ & ~(square_bit(king) | square_bit(rook))) continue;
    Position lifted = p;
    lifted.pieces[us][ROOK] ^= square_bit(rook);
    lifted.pieces[us][ALL_PIECES] ^= square_bit(rook);
    bool attacked = false;
    for (Bitboard b = king_path; b && !attacked;) attacked = square_attacked(lifted, pop_lowest_bit(&b), them);
    if (!attacked) out = add_move(out, king, rook, KIND_CASTLING);
  }
  return static_cast<int>(out - start);
}

}  // namespace

int generate_castling(const Position& p, Move* out) {
  if (p.chess960) return generate_castling_chess960(p, out);
  Move* start = out;
  int us = side_to_move(p);
  int them = 1 - us;
  Bitboard occ = occupancy(p);
  int base = us == WHITE ? 0 : 56;  // a1 or a8
  Bitboard short_mask = us == WHITE ? CASTLE_WHITE_SHORT : CASTLE_BLACK_SHORT;
  Bitboard long_mask = us == WHITE ? CASTLE_WHITE_LONG : CASTLE_BLACK_LONG;
  int e = base + 4;
  if (!(p.castle_lost & short_mask) && !(occ & (square_bit(base + 5) | square_bit(base + 6))) &&
      !square_attacked(p, e, them) && !square_attacked(p, base + 5, them) && !square_attacked(p, base + 6, them))
    out = add_move(out, e, base + 6, KIND_CASTLING);
  if (!(p.castle_lost & long_mask) && !(occ & (square_bit(base + 1) | square_bit(base + 2) | square_bit(base + 3))) &&
      !square_attacked(p, base + 2, them) && !square_attacked(p, base + 3, them) && !square_attacked(p, e, them))
    out = add_move(out, e, base + 2, KIND_CASTLING);
  return static_cast<int>(out - start);
}

int generate_all(const Position& p, Move* out) {
  Move* start = out;
  int us = side_to_move(p);
  Bitboard occ = occupancy(p);
  Bitboard not_ours = ~p.pieces[us][ALL_PIECES];
  out = promotion_pushes(out, p, true);
  out += generate_castling(p, out);
  out = pawn_captures(out, p, true);
  out = single_pushes(out, p, ~Bitboard{0});
  out = moves_of_every_piece(out, p, not_ours, occ);
  out = double_steps(out, p, ~Bitboard{0});
  return static_cast<int>(out - start);
}

int generate_captures(const Position& p, Move* out) {
  Move* start = out;
  int us = side_to_move(p);
  Bitboard occ = occupancy(p);
  Bitboard theirs = p.pieces[1 - us][ALL_PIECES];
  out = pawn_captures(out, p, false);
  out = promotion_pushes(out, p, false);
  out = piece_moves(out, p.pieces[us][KNIGHT], KNIGHT, theirs, occ);
  out = diagonal_moves(out, p.pieces[us][BISHOP] | p.pieces[us][QUEEN], theirs, occ);
  out = line_moves(out, p.pieces[us][ROOK] | p.pieces[us][QUEEN], theirs, occ);
  out = piece_moves(out, p.pieces[us][KING], KING, theirs, occ);
  return static_cast<int>(out - start);
}

int generate_quiet(const Position& p, Move* out) {
  Move* start = out;
  Bitboard occ = occupancy(p);
  Bitboard empty = ~occ;
  out += generate_castling(p, out);
  out = single_pushes(out, p, ~Bitboard{0});
  out = moves_of_every_piece(out, p, empty, occ);
  out = double_steps(out, p, ~Bitboard{0});
  return static_cast<int>(out - start);
}

int generate_captures_to(const Position& p, Move* out, int square) {
  Move* start = out;
  int us = side_to_move(p);
  Bitboard occ = occupancy(p);
  Bitboard target = square_bit(square);
  // Our pawns that attack the square stand where an enemy pawn on it would attack.
  for (Bitboard b = pawn_attacks(target, 1 - us) & p.pieces[us][PAWN]; b;)
    out = pawn_move(out, pop_lowest_bit(&b), square, false);
  for (Bitboard b = knight_attacks[square] & p.pieces[us][KNIGHT]; b;)
    out = add_move(out, pop_lowest_bit(&b), square, KIND_NORMAL);
  for (Bitboard b = bishop_ray[square] & ~target & (p.pieces[us][BISHOP] | p.pieces[us][QUEEN]); b;) {
    int from = pop_lowest_bit(&b);
    if (!(between[from][square] & occ)) out = add_move(out, from, square, KIND_NORMAL);
  }
  for (Bitboard b = rook_ray[square] & ~target & (p.pieces[us][ROOK] | p.pieces[us][QUEEN]); b;) {
    int from = pop_lowest_bit(&b);
    if (!(between[from][square] & occ)) out = add_move(out, from, square, KIND_NORMAL);
  }
  return static_cast<int>(out - start);
}

int generate_blocks(const Position& p, Move* out, Bitboard targets) {
  Move* start = out;
  int us = side_to_move(p);
  Bitboard occ = occupancy(p);
  Bitboard allowed = targets & ~occ;
  Bitboard to_set = push_forward(p.pieces[us][PAWN], us) & allowed;
  while (to_set) {
    int to = pop_lowest_bit(&to_set);
    int kind = (square_bit(to) & BACK_RANKS) ? KIND_PROMOTE_QUEEN : KIND_NORMAL;
    out = add_move(out, to - forward(us), to, kind);
  }
  out = double_steps(out, p, allowed & double_step_rank[us]);
  out = piece_moves(out, p.pieces[us][KNIGHT], KNIGHT, allowed, occ);
  out = diagonal_moves(out, p.pieces[us][BISHOP] | p.pieces[us][QUEEN], allowed, occ);
  out = line_moves(out, p.pieces[us][ROOK] | p.pieces[us][QUEEN], allowed, occ);
  return static_cast<int>(out - start);
}

int generate_en_passant(const Position& p, Move* out) {
  if (!p.ep_board) return 0;
  Move* start = out;
  int us = side_to_move(p);
  int to = lowest_bit(p.ep_board);
  Bitboard pawns = p.pieces[us][PAWN];
  // The same two passes as the pawn captures.
  if (us == WHITE) {
    if (((pawns << 7) & NOT_FILE_H) & p.ep_board) out = add_move(out, to - 7, to, KIND_EN_PASSANT);
    if (((pawns << 9) & NOT_FILE_A) & p.ep_board) out = add_move(out, to - 9, to, KIND_EN_PASSANT);
  } else {
    if (((pawns >> 9) & NOT_FILE_H) & p.ep_board) out = add_move(out, to + 9, to, KIND_EN_PASSANT);
    if (((pawns >> 7) & NOT_FILE_A) & p.ep_board) out = add_move(out, to + 7, to, KIND_EN_PASSANT);
  }
  return static_cast<int>(out - start);
}

namespace {

// Captures of, and blocks against, each of the sliders that stands on a line
// to the king with nothing in between (the ones that give check).
inline Move* answer_slider_checks(const Position& p, Move* out, Bitboard sliders, int king, Bitboard occ) {
  for (Bitboard b = sliders; b;) {
    int checker = pop_lowest_bit(&b);
    if (between[checker][king] & occ) continue;
    out += generate_captures_to(p, out, checker);
    out += generate_blocks(p, out, between[checker][king]);
  }
  return out;
}

}  // namespace

int generate_evasions(const Position& p, Move* out) {
  Move* start = out;
  int us = side_to_move(p);
  int them = 1 - us;
  int king = king_square(p, us);
  Bitboard occ = occupancy(p);
  out = add_targets(out, king, king_attacks[king] & ~p.pieces[us][ALL_PIECES]);
  Bitboard knights = knight_attacks[king] & p.pieces[them][KNIGHT];
  Bitboard pawns = pawn_attacks(square_bit(king), us) & p.pieces[them][PAWN];
  if (knights) {
    // The checking knight is found on the board: in a game it is always the
    // piece that just moved, and in a set-up position there is no such move.
    out += generate_captures_to(p, out, lowest_bit(knights));
  } else if (pawns) {
    out += generate_captures_to(p, out, lowest_bit(pawns));
    out += generate_en_passant(p, out);
  } else {
    // Diagonal checkers first, then those on ranks and files.
    const Bitboard diagonal = p.pieces[them][BISHOP] | p.pieces[them][QUEEN];
    const Bitboard straight = p.pieces[them][ROOK] | p.pieces[them][QUEEN];
    out = answer_slider_checks(p, out, bishop_ray[king] & diagonal, king, occ);
    out = answer_slider_checks(p, out, rook_ray[king] & straight, king, occ);
  }
  return static_cast<int>(out - start);
}

int generate_quiet_checks(const Position& p, Move* out) {
  Move* start = out;
  int us = side_to_move(p);
  int them = 1 - us;
  int king = king_square(p, them);
  Bitboard occ = occupancy(p);
  Bitboard empty = ~occ;
  Bitboard ours = p.pieces[us][ALL_PIECES];
  Bitboard excluded = 0;  // pieces that uncover a check; their direct checks are not looked for

  // Discovered checks: one piece of ours between our slider and the king.
  for (int line = 0; line < 2; ++line) {
    Bitboard sliders = line ? (p.pieces[us][ROOK] | p.pieces[us][QUEEN]) & rook_ray[king]
                            : (p.pieces[us][BISHOP] | p.pieces[us][QUEEN]) & bishop_ray[king];
    while (sliders) {
      int slider = pop_lowest_bit(&sliders);
      Bitboard blockers = between[slider][king] & occ;
      if (!blockers || (blockers & (blockers - 1)) || !(blockers & ours)) continue;
      int blocker = lowest_bit(blockers);
      out = uncovering_moves(out, p, blocker, king, line == 1);
      excluded |= blockers;
    }
  }
  excluded &= ~p.pieces[us][PAWN];

  // Pawn pushes onto a square that attacks the king.
  for (Bitboard b = p.pieces[us][PAWN] & pawn_check_sources[them][king]; b;) {
    int from = pop_lowest_bit(&b);
    Bitboard bit = square_bit(from);
    Bitboard ahead = push_forward(bit, us) & empty;
    if (knight_attacks[king] & bit) {
      if (ahead && !(bit & relative_rank[0][us])) out = add_move(out, from, from + forward(us), KIND_NORMAL);
    } else if ((bit & start_rank[us]) && ahead && (push_forward(ahead, us) & empty)) {
      out = add_move(out, from, from + 2 * forward(us), KIND_DOUBLE_STEP);
    }
  }

  // Knights onto squares a knight's jump from the king.
  out = piece_moves(out, p.pieces[us][KNIGHT] & ~excluded, KNIGHT, knight_attacks[king] & empty, occ);

  // Rooks and queens onto the king's lines, bishops and queens onto its
  // diagonals, with a clear path to the square and from it to the king.
  for (int line = 1; line >= 0; --line) {
    Bitboard king_lines = line ? rook_ray[king] : bishop_ray[king];
    Bitboard movers = (p.pieces[us][line ? ROOK : BISHOP] | p.pieces[us][QUEEN]) & ~excluded;
    while (movers) {
      int from = pop_lowest_bit(&movers);
      Bitboard reach = line ? rook_ray[from] : bishop_ray[from];
      if (p.pieces[us][QUEEN] & square_bit(from)) reach |= line ? bishop_ray[from] : rook_ray[from];
      for (Bitboard c = reach & king_lines & empty; c;) {
        int to = pop_lowest_bit(&c);
        if (!(between[to][king] & occ) && !(between[from][to] & occ)) out = add_move(out, from, to, KIND_NORMAL);
      }
    }
  }
  return static_cast<int>(out - start);
}

int is_pseudo_legal(const Position& p, Move m) {
  // Only the low 15 bits may be set in a move as it is passed around.
  if (m == 0 || (m & ~Move{0x7fff}) || move_kind(m) == KIND_EN_PASSANT) return 0;
  int kind = move_kind(m);
  if (kind == KIND_CASTLING) {
    Move castles[2];
    int n = generate_castling(p, castles);
    for (int i = 0; i < n; ++i)
      if (castles[i] == m) return 1;
    return 0;
  }
  int us = side_to_move(p);
  int from = move_from(m), to = move_to(m);
  if (!(p.pieces[us][ALL_PIECES] & square_bit(from)) || (p.pieces[us][ALL_PIECES] & square_bit(to))) return 0;
  Bitboard occ = occupancy(p);
  int type = piece_type_on(p, us, from);
  if (type != PAWN) {
    if (kind != KIND_NORMAL) return 0;
    switch (type) {
      case KNIGHT:
        return (knight_attacks[from] & square_bit(to)) ? 1 : 0;
      case KING:
        return (king_attacks[from] & square_bit(to)) ? 1 : 0;
      case BISHOP:
        return (bishop_ray[from] & square_bit(to)) && !(between[from][to] & occ) ? 1 : 0;
      case ROOK:
        return (rook_ray[from] & square_bit(to)) && !(between[from][to] & occ) ? 1 : 0;
      default:
        return (queen_ray[from] & square_bit(to)) && !(between[from][to] & occ) ? 1 : 0;
    }
  }
  int ahead = from + forward(us);  // always on the board: no pawn stands on a back rank
  bool promoting = (square_bit(ahead) & BACK_RANKS) != 0;
  if (promoting != (kind >= KIND_PROMOTE_QUEEN)) return 0;
  if (!(occ & square_bit(to))) {
    if (to == ahead) return kind != KIND_DOUBLE_STEP ? 1 : 0;
    return kind == KIND_DOUBLE_STEP && (square_bit(from) & start_rank[us]) && !(occ & square_bit(ahead)) &&
                   to == ahead + forward(us)
               ? 1
               : 0;
  }
  // A capture: one file to either side of the square ahead, on its rank.
  if (kind == KIND_DOUBLE_STEP) return 0;
  return (to == ahead + 1 || to == ahead - 1) && rank_of(to) == rank_of(ahead) ? 1 : 0;
}
