#include "core/clock.h"

#include <chrono>
#include <cmath>

int clock_mode = 0;

double wall_clock_seconds(int mode) {
  auto since_epoch = std::chrono::steady_clock::now().time_since_epoch();
  double seconds = std::chrono::duration<double>(since_epoch).count();
  return mode ? std::trunc(seconds) : seconds;
}
