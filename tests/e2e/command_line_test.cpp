#include <gtest/gtest.h>

#include "tests/support/engine_process.h"

TEST(CommandLine, ProgramsStart) {
  RunResult r = run_program(PELION_ENGINE64, {}, 10);
  EXPECT_EQ(r.status, 0);
}
