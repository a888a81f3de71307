// Flags and counters shared by the command interpreter, make-move and the
// search.  All of them live on the main thread: the search polls the
// interpreter, which sets the flags, so no lock is needed.
#pragma once

#include <cstdint>

extern int stop_requested;      // the running search must end
extern int pondering;           // while set, running out of time does not stop the search
extern uint64_t node_counter;   // nodes of the current search, counted by make_move
extern uint64_t node_limit;     // node budget of "go nodes"; all bits set = none
extern int first_iteration;     // 1 during iteration 1 (no polling, node limit not enforced)
extern int test_mode;           // self-test or test-data run: silent, deterministic
extern double fixed_move_time;  // "go movetime" in seconds; 0 = none
extern int max_goal_percent;    // hard time limit as a percentage of the goal

constexpr uint64_t NO_NODE_LIMIT = ~uint64_t{0};
