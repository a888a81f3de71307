// Self-test and benchmark (-test) and regeneration of its table (-makeTestData).
#pragma once

// Searches every test position pass after pass, checks move, score and node
// count against the table and prints the speed.  Ends the process.
struct TranspositionTable;
[[noreturn]] void run_self_test(TranspositionTable* table);

// Searches every test position once and prints a new table in source form.
// Ends the process.
[[noreturn]] void run_make_test_data(TranspositionTable* table);
