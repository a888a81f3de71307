#include "book/book.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "board/bits.h"
#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "book/polyglot_random.h"
#include "core/log.h"

namespace {

bool own_book_setting = true;
char book_name[BOOK_FILE_NAME_SIZE] = "pelion.bin";
bool best_line_setting = true;

std::FILE* book_file = nullptr;

constexpr int ENTRY_SIZE = 16;

uint64_t read_big_endian(const unsigned char* bytes, int count) {
  uint64_t v = 0;
  for (int i = 0; i < count; ++i) v = (v << 8) | bytes[i];
  return v;
}

// Decodes entry index into *e.  A failed seek or read (the file shrank, an
// I/O error) returns false.
bool read_entry(int64_t index, BookEntry* e) {
  unsigned char bytes[ENTRY_SIZE];
  if (fseeko(book_file, static_cast<off_t>(index * ENTRY_SIZE), SEEK_SET) != 0 ||
      std::fread(bytes, ENTRY_SIZE, 1, book_file) != 1)
    return false;
  e->key = read_big_endian(bytes, 8);
  e->move = static_cast<uint16_t>(read_big_endian(bytes + 8, 2));
  e->weight = static_cast<uint16_t>(read_big_endian(bytes + 10, 2));
  e->learn = static_cast<uint32_t>(read_big_endian(bytes + 12, 4));
  return true;
}

// Number of whole entries, or -1 when the size cannot be learnt.
int64_t entry_count() {
  if (fseeko(book_file, 0, SEEK_END) != 0) return -1;
  off_t size = ftello(book_file);
  return size < 0 ? -1 : size / ENTRY_SIZE;
}

// Entries checked for key order when a book is opened: a real book is
// sorted by key (the probe's binary search needs it); a file of anything
// else almost never is, even at a few dozen places.
constexpr int64_t ORDER_SAMPLES = 64;

// Whether the open file reads as a book: at least one whole entry, and the
// sampled keys (the first and the last entry among them) in order.
bool looks_like_book() {
  int64_t n = entry_count();
  if (n < 1) return false;
  int64_t samples = n < ORDER_SAMPLES ? n : ORDER_SAMPLES;
  uint64_t previous = 0;
  for (int64_t s = 0; s < samples; ++s) {
    int64_t index = samples == 1 ? 0 : s * (n - 1) / (samples - 1);
    BookEntry e;
    if (!read_entry(index, &e) || e.key < previous) return false;
    previous = e.key;
  }
  return true;
}

// A book that stops being readable in play is dropped: the search goes on
// without it.
void drop_unreadable_book() {
  std::fclose(book_file);
  book_file = nullptr;
  print_unreadable_book(stdout);
  std::fflush(stdout);
}

// The text of a book move as the engine writes moves.  Castling is stored as
// the king taking its own rook; with the king on its square it becomes the
// king's two-square move.
void book_move_text(const Position& p, uint16_t move, char* text) {
  int to = move & 63;
  int from = (move >> 6) & 63;
  int promotion = (move >> 12) & 7;
  text[0] = static_cast<char>('a' + file_of(from));
  text[1] = static_cast<char>('1' + rank_of(from));
  text[2] = static_cast<char>('a' + file_of(to));
  text[3] = static_cast<char>('1' + rank_of(to));
  text[4] = promotion >= 1 && promotion <= 4 ? " nbrq"[promotion] : '\0';
  text[5] = '\0';
  if (p.pieces[WHITE][KING] & square_bit(4)) {
    if (!std::strcmp(text, "e1h1"))
      std::strcpy(text, "e1g1");
    else if (!std::strcmp(text, "e1a1"))
      std::strcpy(text, "e1c1");
  }
  if (p.pieces[BLACK][KING] & square_bit(60)) {
    if (!std::strcmp(text, "e8h8"))
      std::strcpy(text, "e8g8");
    else if (!std::strcmp(text, "e8a8"))
      std::strcpy(text, "e8c8");
  }
}

struct Candidate {
  Move move;
  uint32_t weight;
};

// A uniform draw from 0 to total - 1: mask off the bits that can matter and
// draw again until the value fits.  Two calls of rand() cover any total.
uint64_t uniform_below(uint64_t total) {
  uint64_t mask = 0;
  while (mask < total - 1) mask = (mask << 1) | 1;
  for (;;) {
    uint64_t r = (static_cast<uint64_t>(std::rand()) << 31) ^ static_cast<uint64_t>(std::rand());
    r &= mask;
    if (r < total) return r;
  }
}

}  // namespace

void set_own_book(bool on) { own_book_setting = on; }

void set_book_file(const char* name) {
  if (std::strlen(name) < BOOK_FILE_NAME_SIZE)
    std::strcpy(book_name, name);
  else
    book_name[0] = '\0';
}

void set_best_line(bool on) { best_line_setting = on; }

bool own_book() { return own_book_setting; }

const char* book_file_name() { return book_name; }

bool open_book() {
  if (book_file) std::fclose(book_file);
  book_file = nullptr;
  if (!own_book_setting) return true;
  // A name that names nothing means no book, silently.
  struct stat status;
  if (stat(book_name, &status) != 0) return true;
  book_file = S_ISREG(status.st_mode) ? std::fopen(book_name, "rb") : nullptr;
  if (book_file && looks_like_book()) return true;
  if (book_file) std::fclose(book_file);
  book_file = nullptr;
  return false;
}

void print_unreadable_book(std::FILE* out) {
  std::fprintf(out, "%sbook file %s cannot be read as a book: playing without a book\n",
               out == stdout ? "info string " : "", book_name);
}

bool book_is_open() { return book_file != nullptr; }

uint64_t polyglot_key(const Position& p) {
  uint64_t key = 0;
  for (int c = 0; c < 2; ++c)
    for (int t = PAWN; t <= KING; ++t) {
      int kind = 2 * (t - 1) + (c == WHITE ? 1 : 0);
      for (Bitboard b = p.pieces[c][t]; b;) key ^= polyglot_random[64 * kind + pop_lowest_bit(&b)];
    }
  if (!(p.castle_lost & CASTLE_WHITE_SHORT)) key ^= polyglot_random[768];
  if (!(p.castle_lost & CASTLE_WHITE_LONG)) key ^= polyglot_random[769];
  if (!(p.castle_lost & CASTLE_BLACK_SHORT)) key ^= polyglot_random[770];
  if (!(p.castle_lost & CASTLE_BLACK_LONG)) key ^= polyglot_random[771];
  // The position records an en-passant square only when a pawn of the side
  // to move can capture there, which is the book format's rule too.
  if (p.ep_board) key ^= polyglot_random[772 + file_of(lowest_bit(p.ep_board))];
  if (side_to_move(p) == WHITE) key ^= polyglot_random[780];
  return key;
}

Move probe_book(const Position& p) {
  uint64_t key = polyglot_key(p);
  // Polyglot books are standard chess: no book move is played in a Chess960
  // game, not even from a start position that a book happens to hold.
  if (!book_file || p.chess960) return 0;
  int64_t n = entry_count();
  if (n < 0) {
    drop_unreadable_book();
    return 0;
  }
  if (n < 1) return 0;

  BookEntry e;
  int64_t lo = 0, hi = n - 1, found = -1;
  while (lo <= hi) {
    int64_t mid = lo + (hi - lo) / 2;
    if (!read_entry(mid, &e)) {
      drop_unreadable_book();
      return 0;
    }
    uint64_t k = e.key;
    if (k == key) {
      found = mid;
      break;
    }
    if (key < k)
      hi = mid - 1;
    else
      lo = mid + 1;
  }
  if (found < 0) return 0;

  // The legal moves of the position and their texts.
  Move pseudo[MAX_MOVES];
  int count = generate_all(p, pseudo);
  std::vector<Move> legal;
  std::vector<std::string> legal_text;
  for (int i = 0; i < count; ++i) {
    Position child;
    make_move(p, &child, pseudo[i]);
    if (king_attacked(child, side_to_move(p))) continue;
    char text[8];
    move_to_text(pseudo[i], text);
    legal.push_back(pseudo[i]);
    legal_text.emplace_back(text);
  }

  for (; found > 0; --found) {
    if (!read_entry(found - 1, &e)) {
      drop_unreadable_book();
      return 0;
    }
    if (e.key != key) break;
  }

  std::vector<Candidate> candidates;
  uint64_t total = 0;
  for (int64_t i = found; i < n; ++i) {
    if (!read_entry(i, &e)) {
      drop_unreadable_book();
      return 0;
    }
    if (e.key != key) break;
    if (e.weight == 0) continue;
    char text[8];
    book_move_text(p, e.move, text);
    size_t m = 0;
    while (m < legal.size() && legal_text[m] != text) ++m;
    if (m == legal.size()) {
      log_printf("book move %s is not legal here: the book does not fit this position\n", text);
      return 0;
    }
    candidates.push_back({legal[m], e.weight});
    total += e.weight;
    log_printf("book: %-5s %5d\n", text, e.weight);
  }
  if (total == 0) return 0;

  if (best_line_setting) {
    // Strongest first; keep only the moves that share the top weight.
    for (size_t i = 0; i + 1 < candidates.size(); ++i)
      for (size_t j = i + 1; j < candidates.size(); ++j)
        if (candidates[j].weight > candidates[i].weight) std::swap(candidates[i], candidates[j]);
    size_t keep = 1;
    while (keep < candidates.size() && candidates[keep].weight == candidates[0].weight) ++keep;
    candidates.resize(keep);
    total = 0;
    for (const Candidate& c : candidates) total += c.weight;
  }

  uint64_t r = uniform_below(total);
  uint64_t sum = 0;
  for (const Candidate& c : candidates) {
    sum += c.weight;
    if (sum > r) return c.move;
  }
  return candidates.back().move;
}
