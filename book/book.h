// Opening book in the Polyglot format: a file of 16-byte big-endian records
// (key, move, weight, learn), sorted by key.
#pragma once

#include <cstdint>

#include "board/position.h"

// Closes the open book, if any; then, when OwnBook is on, opens the file
// named by "Book File".  A file that cannot be opened means no book, silently.
void open_book();

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
