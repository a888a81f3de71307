#include "search/search_state.h"

std::atomic<int> stop_requested{0};
std::atomic<int> pondering{0};
uint64_t node_limit = NO_NODE_LIMIT;
int test_mode = 0;
int max_goal_percent = 500;
