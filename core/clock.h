// Wall clock for time control.
#pragma once

// The "-cpu" switch; every caller passes it to wall_clock_seconds.
extern int clock_mode;

// Seconds since a fixed epoch, from a clock that never runs backwards.  A
// nonzero mode truncates the reading to whole seconds.
double wall_clock_seconds(int mode);
