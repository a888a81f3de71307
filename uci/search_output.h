// The UCI text of what a search reports: the "info" lines of its
// iterations, progress and current move, and the "bestmove" answer.  The
// search hands over plain records (search/report.h); only this file knows
// how the protocol writes them.
#pragma once

#include "board/position.h"
#include "search/report.h"

// The reporter that writes the protocol lines on standard output (and the
// answer into the log).
SearchReporter uci_reporter();

// "UCI_ShowWDL": whether lines with a score carry "wdl W D L", and the root
// whose material the chances are read with.  Set between searches.
void set_show_wdl(bool on);
void set_wdl_root(const Position& root);

// "cp N" or "mate N" for a score, followed by " wdl W D L" while the option
// is on.  out has room for 64 characters.
void score_text(int score, char* out);
