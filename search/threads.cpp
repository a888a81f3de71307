#include "search/threads.h"

#include <pthread.h>

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <mutex>
#include <type_traits>

#include "core/exit.h"
#include "search/search_state.h"

// Records are taken zeroed from calloc, which makes a plain record of that
// kind (and only such a record) valid without running any constructor.
static_assert(std::is_trivially_copyable_v<SearchThread> && std::is_trivially_default_constructible_v<SearchThread>);

namespace {

// Room for the deepest recursion with a full move list per frame, with a
// wide margin (the main thread usually has as much).
constexpr size_t HELPER_STACK_BYTES = size_t{8} << 20;

// The pool lives on the heap and is never destroyed: "quit" ends the process
// at once, whatever the helpers are doing, and no destructor may run then.
struct Pool {
  std::mutex mutex;
  std::condition_variable wake;  // helpers wait here for a search or their end
  std::condition_variable idle;  // the main thread waits here for the helpers to finish
  int count = 1;                 // threads in use; a helper whose index reaches it ends
  uint64_t job_number = 0;       // searches handed out so far
  int running = 0;               // helpers inside the current search
  bool job_out = false;          // start_helpers ran and stop_helpers has not
  HelperJob job;
  SearchThread* records[MAX_THREADS] = {};
  pthread_t threads[MAX_THREADS];
};

Pool& pool() {
  static Pool* p = new Pool;
  return *p;
}

// A zeroed record: empty caches and history.  The memory is taken from
// the system already zeroed, so a helper's megabytes of caches cost nothing
// until it searches.
SearchThread* new_record(int index) {
  auto* t = static_cast<SearchThread*>(std::calloc(1, sizeof(SearchThread)));
  if (t) {
    t->index = index;
    t->fresh_tables_due = 1;
    reset_strength(&t->strength);
  }
  return t;
}

void delete_record(SearchThread* t) { std::free(t); }

void* helper_main(void* argument) {
  SearchThread* t = static_cast<SearchThread*>(argument);
  Pool& p = pool();
  std::unique_lock<std::mutex> lock(p.mutex);
  for (;;) {
    p.wake.wait(lock, [&] { return t->index >= p.count || p.job_number != t->job_seen; });
    if (t->index >= p.count) return nullptr;
    t->job_seen = p.job_number;
    const HelperJob job = p.job;
    lock.unlock();
    helper_search(t, job);
    lock.lock();
    if (--p.running == 0) p.idle.notify_all();
  }
}

}  // namespace

void clear_history(SearchThread* t) { std::memset(&t->history, 0, sizeof t->history); }

void begin_thread_search(SearchThread* t, bool clear_move_history) {
  t->nodes = 0;
  t->helper_nodes = 0;
  t->tbhits = 0;
  t->tb_root = nullptr;
  t->poll_counter = 0;
  t->first_iteration = 1;
  t->seldepth = 0;
  clear_killers(t);
  if (clear_move_history) clear_history(t);
}

SearchThread* new_search_record() { return new_record(0); }

void free_search_record(SearchThread* t) { delete_record(t); }

SearchThread* main_search_thread() {
  Pool& p = pool();
  if (!p.records[0]) {
    p.records[0] = new_record(0);
    if (!p.records[0]) {
      std::fprintf(stderr, "Not enough memory for the search\n");
      exit_process(1);
    }
  }
  return p.records[0];
}

int search_thread_count() { return pool().count; }

int set_search_thread_count(int count) {
  Pool& p = pool();
  main_search_thread();
  if (count < 1) count = 1;
  if (count > MAX_THREADS) count = MAX_THREADS;
  if (count < p.count) {
    const int old = p.count;
    {
      std::lock_guard<std::mutex> lock(p.mutex);
      p.count = count;
    }
    p.wake.notify_all();
    for (int i = count; i < old; ++i) {
      pthread_join(p.threads[i], nullptr);
      delete_record(p.records[i]);
      p.records[i] = nullptr;
    }
  }
  while (p.count < count) {
    const int i = p.count;
    SearchThread* t = new_record(i);
    if (!t) break;
    t->job_seen = p.job_number;
    p.records[i] = t;
    {
      std::lock_guard<std::mutex> lock(p.mutex);
      p.count = i + 1;
    }
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, HELPER_STACK_BYTES);
    const int failed = pthread_create(&p.threads[i], &attributes, helper_main, t);
    pthread_attr_destroy(&attributes);
    if (failed) {
      {
        std::lock_guard<std::mutex> lock(p.mutex);
        p.count = i;
      }
      delete_record(t);
      p.records[i] = nullptr;
      break;
    }
  }
  return p.count;
}

void start_helpers(const HelperJob& job) {
  Pool& p = pool();
  if (p.count < 2) return;
  // No helper has counted anything for this search yet.
  for (int i = 1; i < p.count; ++i) {
    std::atomic_ref<uint64_t>(p.records[i]->shared_nodes).store(0);
    std::atomic_ref<uint64_t>(p.records[i]->shared_tbhits).store(0);
  }
  {
    std::lock_guard<std::mutex> lock(p.mutex);
    p.job = job;
    ++p.job_number;
    p.running = p.count - 1;
    p.job_out = true;
  }
  p.wake.notify_all();
}

void stop_helpers() {
  Pool& p = pool();
  if (!p.job_out) return;
  p.job.control->stop = 1;
  std::unique_lock<std::mutex> lock(p.mutex);
  p.idle.wait(lock, [&] { return p.running == 0; });
  p.job_out = false;
}

uint64_t helper_nodes() {
  const Pool& p = pool();
  uint64_t sum = 0;
  for (int i = 1; i < p.count; ++i) sum += read_shared_nodes(p.records[i]);
  return sum;
}

uint64_t helper_tbhits() {
  const Pool& p = pool();
  uint64_t sum = 0;
  for (int i = 1; i < p.count; ++i) sum += read_shared_tbhits(p.records[i]);
  return sum;
}

void clear_all_eval_caches() {
  const Pool& p = pool();
  main_search_thread();
  for (int i = 0; i < p.count; ++i) clear_eval_caches(&p.records[i]->eval);
}
