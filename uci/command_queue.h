// Input reader and command queue.  A second thread copies each line of
// standard input into a fixed ring of slots; the main thread takes lines out
// by polling, so it never blocks on input, not even in the middle of a search.
#pragma once

#include <cstdio>

constexpr int QUEUE_SLOTS = 128;
constexpr int QUEUE_SLOT_SIZE = 8192;
// One read takes at most this many characters; a longer line arrives in pieces.
constexpr int QUEUE_MAX_PIECE = QUEUE_SLOT_SIZE - 2;

// Starts the reader thread on standard input.  Called once at start-up.
void start_input_reader();

// Takes the oldest unread line into out (at least QUEUE_SLOT_SIZE bytes).
// Returns false when the queue is empty.  Main thread only.
bool queue_pop(char* out);

// Waits until a line is unread or the input has ended, at most the given
// time.  Returns at once when a line is already waiting.  Main thread only.
void queue_wait_for_line(int milliseconds);

// The reader's loop over any stream: each line (with its line end when it
// fitted into the read) goes into the next slot.  When every slot is full the
// reader waits for the main thread to take one, so no line is ever lost.
// Returns at end of input or on a read error.
void input_reader_loop(std::FILE* in);

// True once standard input has ended (or failed) and every line read from
// it has been taken.  Only the reader started by start_input_reader records
// the end.
bool queue_at_end_of_input();

// Number of unread lines (for tests and diagnostics).
int queue_size();
