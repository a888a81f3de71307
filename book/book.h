// Opening book in the Polyglot format: a file of 16-byte big-endian records
// (key, move, weight, learn), sorted by key.
#pragma once

#include <cstdint>
#include <cstdio>

#include "board/position.h"

// The book's settings, set by the protocol's options OwnBook, Book File and
// Best Line; the defaults are the options' defaults (on, "pelion.bin", on).
// The file settings take effect at the next open_book().
constexpr int BOOK_FILE_NAME_SIZE = 4096;
void set_own_book(bool on);
// A name of BOOK_FILE_NAME_SIZE characters or more is kept as no name.
void set_book_file(const char* name);
// With Best Line only the moves of the top weight are played.
void set_best_line(bool on);
bool own_book();
const char* book_file_name();

// Closes the open book, if any; then, when OwnBook is on, opens the file
// named by "Book File".  A name that names nothing means no book, silently.
// A file that is there but cannot be read as a book (a directory, an
// unreadable or empty file, records out of key order) also means no book,
// and open_book returns false so that the caller can say so.
bool open_book();

// Says that the book file cannot be read and is not used: an "info string"
// line on standard output, a plain line on any other stream.
void print_unreadable_book(std::FILE* out);

// True while a book file is open.
bool book_is_open();

// The Polyglot key of a position.
uint64_t polyglot_key(const Position& p);

// The book's move for the position (one of its legal moves), or 0; always 0
// in a Chess960 position.
Move probe_book(const Position& p);

// One record as stored in the file, decoded.
struct BookEntry {
  uint64_t key;
  uint16_t move;
  uint16_t weight;
  uint32_t learn;
};
