// Ending the process.  The input reader thread may be blocked on standard
// input at any time, so the process never returns through static
// destructors: it flushes its streams and ends at once.
#pragma once

[[noreturn]] void exit_process(int status);
