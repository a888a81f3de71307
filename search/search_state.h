// Flags and limits shared by the command interpreter and every search
// thread.  The interpreter runs on the main thread (also re-entered from the
// main thread's search); helper threads only read the flags, so the two
// that change while a search runs are atomic.  The limits are set by "go"
// before the search starts and only read while it runs.
#pragma once

#include <atomic>
#include <cstdint>

extern std::atomic<int> stop_requested;  // the running search must end
extern std::atomic<int> pondering;       // while set, running out of time does not stop the search
extern uint64_t node_limit;              // node budget of "go nodes", all threads together; all bits set = none
extern int test_mode;                    // self-test or test-data run: silent, deterministic, one thread
extern double fixed_move_time;           // "go movetime" in seconds; 0 = none
extern int max_goal_percent;             // hard time limit as a percentage of the goal

constexpr uint64_t NO_NODE_LIMIT = ~uint64_t{0};
