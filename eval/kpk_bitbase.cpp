#include "eval/kpk_bitbase.h"

#include "board/bits.h"
#include "board/types.h"

uint8_t kpk_bitbase[KPK_BYTES];

namespace {

enum : uint8_t { UNKNOWN = 0, WIN = 1, DRAW = 2, INVALID = 3 };

int bit_number(int pawn_index, int strong_king, int weak_king, bool strong_to_move) {
  return 2 * (pawn_index * 4096 + strong_king * 64 + weak_king) + (strong_to_move ? 1 : 0);
}

int pawn_index_of(int pawn) { return 4 * (rank_of(pawn) - 1) + file_of(pawn); }

// Neighbours of every square, counted and listed once.
struct KingSteps {
  int count[64];
  int to[64][8];
};

KingSteps make_king_steps() {
  KingSteps k{};
  for (int s = 0; s < 64; ++s)
    for (int df = -1; df <= 1; ++df)
      for (int dr = -1; dr <= 1; ++dr) {
        int f = file_of(s) + df, r = rank_of(s) + dr;
        if ((df || dr) && f >= 0 && f < 8 && r >= 0 && r < 8) k.to[s][k.count[s]++] = r * 8 + f;
      }
  return k;
}

const KingSteps& king_steps() {
  static const KingSteps steps = make_king_steps();
  return steps;
}

// A pawn moving towards rank 1 attacks the two squares diagonally below it.
bool pawn_attacks_square(int pawn, int square) {
  return rank_of(square) == rank_of(pawn) - 1 &&
         (file_of(square) - file_of(pawn) == 1 || file_of(pawn) - file_of(square) == 1);
}

// Squares a queen (or rook) on `from` attacks, with `blocker` the only piece
// that stops its lines.  The defending king is not a blocker: stepping back
// along a checking line does not escape the check.
Bitboard slider_attacks(int from, int blocker, bool diagonals) {
  static const int rook_dirs[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  static const int bishop_dirs[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
  Bitboard attacked = 0;
  for (int kind = 0; kind < (diagonals ? 2 : 1); ++kind)
    for (int d = 0; d < 4; ++d) {
      const int* dir = kind == 0 ? rook_dirs[d] : bishop_dirs[d];
      int f = file_of(from) + dir[0], r = rank_of(from) + dir[1];
      while (f >= 0 && f < 8 && r >= 0 && r < 8) {
        int s = r * 8 + f;
        attacked |= square_bit(s);
        if (s == blocker) break;
        f += dir[0];
        r += dir[1];
      }
    }
  return attacked;
}

// Solves every placement of one pawn square.  All pawn squares nearer to
// promotion are already solved and stored in the bitbase.
void solve_pawn_square(int pawn) {
  const KingSteps& steps = king_steps();
  // state[strong_to_move][strong king][weak king]
  static uint8_t state[2][64][64];
  for (int sk = 0; sk < 64; ++sk)
    for (int wk = 0; wk < 64; ++wk) {
      bool invalid = sk == wk || sk == pawn || wk == pawn || distance(sk, wk) <= 1;
      state[0][sk][wk] = invalid ? INVALID : UNKNOWN;
      // The weak king cannot be in check with the strong side to move.
      state[1][sk][wk] = invalid || pawn_attacks_square(pawn, wk) ? INVALID : UNKNOWN;
    }

  const int push = pawn - 8;
  const bool can_double = rank_of(pawn) == 6;

  bool changed = true;
  while (changed) {
    changed = false;
    for (int sk = 0; sk < 64; ++sk)
      for (int wk = 0; wk < 64; ++wk) {
        // Strong side to move: won when some move wins, drawn when all draw.
        if (state[1][sk][wk] == UNKNOWN) {
          bool any_win = false, all_draw = true;
          for (int i = 0; i < steps.count[sk] && !any_win; ++i) {
            int t = steps.to[sk][i];
            if (t == pawn || distance(t, wk) <= 1) continue;
            uint8_t child = state[0][t][wk];
            if (child == WIN)
              any_win = true;
            else if (child != DRAW)
              all_draw = false;
          }
          if (!any_win && push != sk && push != wk) {
            if (rank_of(push) == 0) {
              any_win = kpk_promotion_wins(sk, wk, push);
            } else {
              any_win = kpk_bit(pawn_index_of(push), sk, wk, false);
              int twice = push - 8;
              if (!any_win && can_double && twice != sk && twice != wk)
                any_win = kpk_bit(pawn_index_of(twice), sk, wk, false);
            }
          }
          if (any_win || all_draw) {
            state[1][sk][wk] = any_win ? WIN : DRAW;
            changed = true;
          }
        }
        // Weak side to move: drawn when some move draws, won when all win.
        if (state[0][sk][wk] == UNKNOWN) {
          bool any_draw = false, all_win = true, has_move = false;
          for (int i = 0; i < steps.count[wk] && !any_draw; ++i) {
            int t = steps.to[wk][i];
            if (distance(t, sk) <= 1 || pawn_attacks_square(pawn, t)) continue;
            has_move = true;
            if (t == pawn) {
              any_draw = true;  // takes the undefended pawn
              break;
            }
            uint8_t child = state[1][sk][t];
            if (child == DRAW)
              any_draw = true;
            else if (child != WIN)
              all_win = false;
          }
          if (!has_move) {
            // Mate when in check, stalemate otherwise.
            any_draw = !pawn_attacks_square(pawn, wk);
            all_win = !any_draw;
          }
          if (any_draw || all_win) {
            state[0][sk][wk] = any_draw ? DRAW : WIN;
            changed = true;
          }
        }
      }
  }

  // Whatever is still undecided can be held forever by the defender.
  int index = pawn_index_of(pawn);
  for (int stm = 0; stm < 2; ++stm)
    for (int sk = 0; sk < 64; ++sk)
      for (int wk = 0; wk < 64; ++wk) {
        int b = bit_number(index, sk, wk, stm == 1);
        if (state[stm][sk][wk] == WIN)
          kpk_bitbase[b >> 3] |= static_cast<uint8_t>(1u << (b & 7));
        else
          kpk_bitbase[b >> 3] &= static_cast<uint8_t>(~(1u << (b & 7)));
      }
}

}  // namespace

bool kpk_promotion_wins(int strong_king, int weak_king, int square) {
  // The new piece is simply taken.
  if (distance(weak_king, square) == 1 && distance(strong_king, square) > 1) return false;
  const KingSteps& steps = king_steps();
  for (int diagonals = 1; diagonals >= 0; --diagonals) {  // queen first, then rook
    Bitboard attacked = slider_attacks(square, strong_king, diagonals == 1);
    bool has_move = false;
    for (int i = 0; i < steps.count[weak_king] && !has_move; ++i) {
      int t = steps.to[weak_king][i];
      if (distance(t, strong_king) > 1 && !(attacked & square_bit(t))) has_move = true;
    }
    // A free move or mate: queen or rook against a bare king wins.
    if (has_move || (attacked & square_bit(weak_king))) return true;
  }
  return false;  // both leave the defender stalemated
}

bool kpk_bit(int pawn_index, int strong_king, int weak_king, bool strong_to_move) {
  int b = bit_number(pawn_index, strong_king, weak_king, strong_to_move);
  return (kpk_bitbase[b >> 3] >> (b & 7)) & 1;
}

bool kpk_probe(int strong_king, int pawn, int weak_king, bool weak_to_move) {
  if (file_of(pawn) > 3) {
    strong_king ^= 7;
    pawn ^= 7;
    weak_king ^= 7;
  }
  return kpk_bit(pawn_index_of(pawn), strong_king, weak_king, !weak_to_move);
}

void build_kpk_bitbase() {
  static bool built = false;
  if (built) return;
  // Pawn indices rise with the distance from promotion, so every pawn move
  // leads to a square solved before.
  for (int rank = 1; rank <= 6; ++rank)
    for (int file = 0; file < 4; ++file) solve_pawn_square(rank * 8 + file);
  built = true;
}
