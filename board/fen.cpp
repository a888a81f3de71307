#include "board/fen.h"

#include <cstdio>
#include <cstring>

#include "board/bits.h"
#include "board/keys.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "core/exit.h"

namespace {

int piece_of_letter(char c, int* colour) {
  const char* letters = "PNBRQKpnbrqk";
  const char* at = c ? std::strchr(letters, c) : nullptr;
  if (!at) return 0;
  int index = static_cast<int>(at - letters);
  *colour = index / 6;
  return index % 6 + 1;
}

bool fail(char* error, const char* fen, const char* reason) {
  std::snprintf(error, FEN_ERROR_SIZE, "Error in fen \"%s\": %s\n", fen, reason);
  return false;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// A castling right stays only when its king and rook stand on their start
// squares; otherwise castling would move pieces that are not there.  A
// missing king marks the king's square lost (both rights of the side go), a
// missing rook its corner only.
void drop_impossible_rights(Position* p) {
  const int kings[2] = {4, 60};
  const int corners[4] = {0, 7, 56, 63};
  for (int colour = 0; colour < 2; ++colour)
    if (!(p->pieces[colour][KING] & square_bit(kings[colour]))) p->castle_lost |= square_bit(kings[colour]);
  for (int corner : corners) {
    int colour = corner < 8 ? WHITE : BLACK;
    if (!(p->pieces[colour][ROOK] & square_bit(corner))) p->castle_lost |= square_bit(corner);
  }
}

// Chess960 castling field, read once the kings are known to be sound: X-FEN
// letters (K, Q, k, q: the outermost rook on that side of the king) or
// Shredder-FEN file letters (A to H for White, a to h for Black: the rook on
// that file).  Each right needs its king on its first rank and a rook of its
// colour where the letter says; a right that asks for anything else is an
// error.  "-" and unknown characters grant nothing.
bool read_chess960_rights(Position* p, const char* field, const char* fen, char* error) {
  for (const char* c = field; *c && *c != ' '; ++c) {
    char upper = *c >= 'a' && *c <= 'z' ? static_cast<char>(*c - 'a' + 'A') : *c;
    if (upper != 'K' && upper != 'Q' && (upper < 'A' || upper > 'H')) continue;
    int colour = *c == upper ? WHITE : BLACK;
    int base = colour == WHITE ? 0 : 56;
    int king = king_square(*p, colour);
    if (rank_of(king) != rank_of(base)) return fail(error, fen, "a castling right for a king off its first rank");
    Bitboard rooks = p->pieces[colour][ROOK] & (RANK_1 << base);
    Bitboard candidates;
    if (upper == 'K')
      candidates = rooks & ~((square_bit(king) << 1) - 1);  // toward the h-file
    else if (upper == 'Q')
      candidates = rooks & (square_bit(king) - 1);  // toward the a-file
    else
      candidates = rooks & square_bit(base + upper - 'A');
    if (!candidates) return fail(error, fen, "a castling right without its rook");
    // The outermost: the highest square on the h-side, the lowest otherwise.
    int rook = upper == 'K' ? 63 - __builtin_clzll(candidates) : lowest_bit(candidates);
    int right = 2 * colour + (rook > king ? 0 : 1);
    if (!(p->castle_lost & CASTLE_RIGHTS[right]) && p->castle_rook[right] != rook)
      return fail(error, fen, "two rooks for one castling right");
    p->castle_lost &= ~CASTLE_RIGHTS[right];
    p->castle_rook[right] = static_cast<uint8_t>(rook);
  }
  return true;
}

}  // namespace

bool fen_parse(Position* out, const char* text, char* error, bool chess960) {
  Position p{};
  p.castle_lost = 0xff000000000000ffULL;
  p.ply = -1;
  p.chess960 = chess960 ? 1 : 0;
  for (int right = 0; right < 4; ++right) p.castle_rook[right] = STANDARD_CASTLE_ROOKS[right];

  char fen[FEN_MAX_LENGTH + 1];
  std::snprintf(fen, sizeof fen, "%s", text && text[0] ? text : START_FEN);

  // Piece placement: eight ranks, rank 8 first, each describing exactly
  // eight squares (a digit counts empty squares; any other character but
  // "/" takes one square, and a piece letter puts its piece there).
  int k = 0;
  int rank_index = 0;  // ranks begun so far, minus one
  int square = 0;      // squares described so far in this rank
  for (; fen[k] && fen[k] != ' '; ++k) {
    char c = fen[k];
    int colour = 0;
    int type = piece_of_letter(c, &colour);
    if (c == '/') {
      if (square != 8) return fail(error, fen, "a rank that does not describe eight squares");
      if (++rank_index >= 8) return fail(error, fen, "more than eight ranks");
      square = 0;
    } else if (c >= '0' && c <= '9') {
      square += c - '0';
    } else {
      if (square >= 8) return fail(error, fen, "a rank that does not describe eight squares");
      if (type) p.pieces[colour][type] |= square_bit((rank_index * 8 + square) ^ 56);  // a8 = 0 ... h1 = 63
      ++square;
    }
    if (square > 8) return fail(error, fen, "a rank that does not describe eight squares");
  }
  if (square != 8) return fail(error, fen, "a rank that does not describe eight squares");
  if (rank_index != 7) return fail(error, fen, "fewer than eight ranks");
  for (int colour = 0; colour < 2; ++colour)
    for (int type = PAWN; type <= KING; ++type) p.pieces[colour][ALL_PIECES] |= p.pieces[colour][type];

  // Side to move: the character after the blank that ends the placement.
  char side = fen[k] ? fen[k + 1] : '\0';
  if (side != 'w' && side != 'b') {
    std::snprintf(error, FEN_ERROR_SIZE, "Error in ctm for fen \"%s\"", fen);
    return false;
  }
  p.ply = side == 'w' ? 0 : 1;
  k += 2;

  // Castling rights, from the second character after the side letter.
  // Chess960 rights are read below, once the kings have been checked.
  const char* castling_field = fen[k] ? fen + k + 1 : "";
  if (fen[k]) {
    for (k += 1; fen[k] && fen[k] != ' '; ++k) {
      if (chess960) continue;
      if (fen[k] == 'K') p.castle_lost &= ~CASTLE_WHITE_SHORT;
      if (fen[k] == 'Q') p.castle_lost &= ~CASTLE_WHITE_LONG;
      if (fen[k] == 'k') p.castle_lost &= ~CASTLE_BLACK_SHORT;
      if (fen[k] == 'q') p.castle_lost &= ~CASTLE_BLACK_LONG;
    }
  }

  // Positions that no game can reach and that the engine cannot handle.
  for (int colour = 0; colour < 2; ++colour) {
    if (popcount(p.pieces[colour][KING]) != 1)
      return fail(error, fen, colour == WHITE ? "White needs exactly one king" : "Black needs exactly one king");
    if (popcount(p.pieces[colour][ALL_PIECES]) > 16) return fail(error, fen, "more than 16 men of one colour");
  }
  if ((p.pieces[WHITE][PAWN] | p.pieces[BLACK][PAWN]) & BACK_RANKS)
    return fail(error, fen, "a pawn on the first or last rank");
  if (king_attacked(p, 1 - side_to_move(p))) return fail(error, fen, "the side not to move is in check");
  if (!chess960)
    drop_impossible_rights(&p);
  else if (!read_chess960_rights(&p, castling_field, fen, error))
    return false;

  p.in_check = static_cast<uint16_t>(king_attacked(p, side_to_move(p)));
  p.key = compute_key(p);
  p.pawn_key = compute_pawn_key(p);
  p.material_key = compute_material_key(p);

  // En-passant square, after any number of blanks.
  while (fen[k] == ' ') ++k;
  char file = fen[k];
  char rank = file ? fen[k + 1] : '\0';
  if (file >= 'a' && file <= 'h' && (rank == '3' || rank == '6')) {
    int e = (rank - '1') * 8 + (file - 'a');
    int step_from = rank == '3' ? e - 8 : e + 8;
    int step_to = rank == '3' ? e + 8 : e - 8;
    int mover = rank == '3' ? WHITE : BLACK;
    // Only a double step that can have happened counts: the side that made
    // it is not to move, its pawn stands on the step's end and the squares
    // it passed are empty.  Anything else would let an en-passant capture
    // take a pawn that is not there.
    bool happened = side_to_move(p) != mover && (p.pieces[mover][PAWN] & square_bit(step_to)) &&
                    !(occupancy(p) & (square_bit(e) | square_bit(step_from)));
    if (happened) {
      p.last_move = move_code(step_from, step_to, KIND_NORMAL);
      Bitboard to_bit = square_bit(step_to);
      Bitboard beside = ((to_bit << 1) & NOT_FILE_A) | ((to_bit >> 1) & NOT_FILE_H);
      if (p.pieces[1 - mover][PAWN] & beside) {
        p.ep_board = square_bit(e);
        p.key ^= zobrist[1][0][e];
      }
    }
  }

  // Halfmove clock: the fifth field, after the en-passant field and its
  // blanks.  A missing field, or one that is not a plain number, means 0.
  // Nothing draws on more than the fifty-move rule's 100 half-moves, so a
  // larger value is kept at FEN_MAX_HALFMOVES, where the counter cannot run
  // out of range however long the game and the search go on.  The fullmove
  // number that may follow is not needed by anything and is not read.
  while (fen[k] && fen[k] != ' ') ++k;
  while (fen[k] == ' ') ++k;
  int halfmoves = 0;
  int digits = 0;
  for (; fen[k] >= '0' && fen[k] <= '9'; ++k, ++digits)
    if (halfmoves < FEN_MAX_HALFMOVES) halfmoves = halfmoves * 10 + (fen[k] - '0');
  if (digits > 0 && (fen[k] == '\0' || fen[k] == ' '))
    p.fifty = static_cast<uint16_t>(halfmoves < FEN_MAX_HALFMOVES ? halfmoves : FEN_MAX_HALFMOVES);
  *out = p;
  return true;
}

void position_from_fen(Position* out, const char* text, bool chess960) {
  char error[FEN_ERROR_SIZE];
  if (fen_parse(out, text, error, chess960)) return;
  std::fputs(error, stderr);
  exit_process(1);
}

void position_to_fen(const Position& p, char* out) {
  char* o = out;
  for (int rank = 7; rank >= 0; --rank) {
    int empty = 0;
    for (int file = 0; file < 8; ++file) {
      const int square = rank * 8 + file;
      char letter = 0;
      for (int colour = 0; colour < 2; ++colour) {
        const int type = piece_type_on(p, colour, square);
        if (type) letter = (colour == WHITE ? " PNBRQK" : " pnbrqk")[type];
      }
      if (!letter) {
        ++empty;
        continue;
      }
      if (empty) *o++ = static_cast<char>('0' + empty);
      empty = 0;
      *o++ = letter;
    }
    if (empty) *o++ = static_cast<char>('0' + empty);
    if (rank) *o++ = '/';
  }
  *o++ = ' ';
  *o++ = side_to_move(p) == WHITE ? 'w' : 'b';
  *o++ = ' ';
  const char* const standard_letters = "KQkq";
  const char* const start = o;
  for (int right = 0; right < 4; ++right) {
    if (p.castle_lost & CASTLE_RIGHTS[right]) continue;
    if (p.chess960)
      *o++ = static_cast<char>((right < 2 ? 'A' : 'a') + file_of(p.castle_rook[right]));
    else
      *o++ = standard_letters[right];
  }
  if (o == start) *o++ = '-';
  *o++ = ' ';
  if (p.ep_board) {
    const int e = lowest_bit(p.ep_board);
    *o++ = static_cast<char>('a' + file_of(e));
    *o++ = static_cast<char>('1' + rank_of(e));
  } else {
    *o++ = '-';
  }
  std::snprintf(o, FEN_TEXT_SIZE - (o - out), " %d %d", p.fifty, 1 + p.ply / 2);
}

void move_to_text(Move m, char* text) {
  if (m == 0) {
    std::strcpy(text, "null");
    return;
  }
  int from = move_from(m), to = move_to(m);
  text[0] = static_cast<char>('a' + file_of(from));
  text[1] = static_cast<char>('1' + rank_of(from));
  text[2] = static_cast<char>('a' + file_of(to));
  text[3] = static_cast<char>('1' + rank_of(to));
  int n = 4;
  if (move_kind(m) >= KIND_PROMOTE_QUEEN) text[n++] = "qnrb"[move_kind(m) - KIND_PROMOTE_QUEEN];
  text[n] = '\0';
}

bool apply_move_text(const Position& p, Position* next, const char* text) {
  Move moves[MAX_MOVES];
  int count = generate_all(p, moves);
  for (int n = 0; n < count; ++n) {
    char candidate[8];
    move_to_text(moves[n], candidate);
    int c = 0;
    while (candidate[c] && lower(text[c]) == candidate[c]) ++c;
    if (candidate[c] || text[c]) continue;
    make_move(p, next, moves[n]);
    if (king_attacked(*next, side_to_move(p))) return false;
    next->in_check = static_cast<uint16_t>(in_check(*next, side_to_move(*next)));
    return true;
  }
  return false;
}

void pv_to_text(const Move* moves, char* text) {
  text[0] = '\0';
  char* out = text;
  for (int n = 0; n < 64 && moves[n]; ++n) {
    move_to_text(moves[n], out);
    out += std::strlen(out);
    *out++ = ' ';
    *out = '\0';
  }
}
