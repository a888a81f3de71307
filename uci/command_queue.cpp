#include "uci/command_queue.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

struct CommandQueue {
  char slots[QUEUE_SLOTS][QUEUE_SLOT_SIZE];
  int write_index = 0;
  int read_index = 0;
  std::mutex lock;
  std::condition_variable slot_freed;  // the reader waits on it when the ring is full
  std::condition_variable line_added;  // an idle main thread waits on it for the next line
  bool input_ended = false;            // standard input is at its end (or failed)
};

CommandQueue queue;

bool queue_full() { return ((queue.write_index + 1) & (QUEUE_SLOTS - 1)) == queue.read_index; }

}  // namespace

void input_reader_loop(std::FILE* in) {
  char line[QUEUE_MAX_PIECE + 1];
  while (std::fgets(line, sizeof line, in)) {
    std::unique_lock<std::mutex> guard(queue.lock);
    // The ring holds at most 127 unread lines; rather than overwrite the
    // oldest, wait until the main thread has taken one.
    queue.slot_freed.wait(guard, [] { return !queue_full(); });
    std::memcpy(queue.slots[queue.write_index], line, std::strlen(line) + 1);
    queue.write_index = (queue.write_index + 1) & (QUEUE_SLOTS - 1);
    guard.unlock();
    queue.line_added.notify_one();
  }
}

void start_input_reader() {
  // The thread blocks on standard input until it ends and is never joined:
  // the process ends through an explicit exit.  The end is recorded after
  // the last line has been queued, so every line before it is still taken.
  std::thread([] {
    input_reader_loop(stdin);
    {
      std::lock_guard<std::mutex> guard(queue.lock);
      queue.input_ended = true;
    }
    queue.line_added.notify_one();
  }).detach();
}

bool queue_pop(char* out) {
  {
    std::lock_guard<std::mutex> guard(queue.lock);
    if (queue.read_index == queue.write_index) return false;
    const char* slot = queue.slots[queue.read_index];
    std::memcpy(out, slot, std::strlen(slot) + 1);
    queue.read_index = (queue.read_index + 1) & (QUEUE_SLOTS - 1);
  }
  queue.slot_freed.notify_one();
  return true;
}

void queue_wait_for_line(int milliseconds) {
  std::unique_lock<std::mutex> guard(queue.lock);
  queue.line_added.wait_for(guard, std::chrono::milliseconds(milliseconds),
                            [] { return queue.read_index != queue.write_index || queue.input_ended; });
}

bool queue_at_end_of_input() {
  std::lock_guard<std::mutex> guard(queue.lock);
  return queue.input_ended && queue.read_index == queue.write_index;
}

int queue_size() {
  std::lock_guard<std::mutex> guard(queue.lock);
  return (queue.write_index - queue.read_index) & (QUEUE_SLOTS - 1);
}
