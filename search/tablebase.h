// Syzygy endgame tablebases: loading the tables of a folder list, the
// win/draw/loss probe the search makes at its nodes, the ranking of the root
// moves by distance to zeroing, and the scores these results stand for.
//
// The tables are read by the Fathom library (Debian's libfathom-dev).  A
// program built without it (the 32-bit one: there is no 32-bit library) has
// the same functions: they find no tables and never probe.
//
// Threads: tb_init_path and tb_rank_root are for the main thread, between
// searches and at the start of one before the helpers run (Fathom's loading
// and its root probe share state without locks).  tb_probe_wdl may be called
// by every search thread at once: every table is opened and set up while the
// tables are loaded, so a probe only reads.
#pragma once

#include <cstdint>

#include "board/movegen.h"
#include "board/position.h"
#include "board/types.h"
#include "search/score.h"

// The tablebase options as the search reads them ("SyzygyProbeDepth",
// "Syzygy50MoveRule", "SyzygyProbeLimit").
struct TablebaseSettings {
  int probe_depth;  // plies: nodes shallower than this are not probed
  bool rule50;      // a win the fifty-move rule turns into a draw counts as a draw
  int probe_limit;  // positions with more men than this are not probed
};
constexpr TablebaseSettings DEFAULT_TABLEBASE_SETTINGS = {.probe_depth = 1, .rule50 = true, .probe_limit = 7};
// For the searches that never probe (the self-test, the bench, the data
// generator): a probe limit of 0 keeps every position out of the tables.
constexpr TablebaseSettings TABLEBASES_OFF = {.probe_depth = 1, .rule50 = true, .probe_limit = 0};
constexpr int TB_PROBE_DEPTH_MIN = 1, TB_PROBE_DEPTH_MAX = 100;
constexpr int TB_PROBE_LIMIT_MIN = 0, TB_PROBE_LIMIT_MAX = 7;

// Win/draw/loss codes for the side to move.  A cursed win is won but the
// fifty-move rule draws it first; a blessed loss is its counterpart.
constexpr int TBWDL_LOSS = -2;
constexpr int TBWDL_BLESSED_LOSS = -1;
constexpr int TBWDL_DRAW = 0;
constexpr int TBWDL_CURSED_WIN = 1;
constexpr int TBWDL_WIN = 2;
constexpr int TBWDL_FAILED = 3;  // no table holds the position, or it cannot be probed

// Scores.  A tablebase win is worth more than any evaluation and less than
// any mate: TB_WIN_SCORE less a distance (the ply at a node, the distance to
// zeroing at the root), which is capped at TB_DISTANCE_LIMIT, so every win
// scores from TB_WIN_BOUND to TB_WIN_SCORE (losses the same, negated).
// Evaluations stay far below TB_WIN_BOUND; mates lie above MATE_BOUND.
constexpr int TB_WIN_SCORE = 31000;
constexpr int TB_DISTANCE_LIMIT = 500;
constexpr int TB_WIN_BOUND = TB_WIN_SCORE - TB_DISTANCE_LIMIT;
static_assert(TB_WIN_SCORE < MATE_BOUND);
constexpr bool is_tb_score(int score) {
  return !is_mate_score(score) && (score >= TB_WIN_BOUND || score <= -TB_WIN_BOUND);
}
// A tablebase score, like a mate score, counts from the root: the table
// keeps it relative to the node that stores it.
constexpr int tb_score_to_table(int score, int ply) {
  return !is_tb_score(score) ? score : score > 0 ? score + ply : score - ply;
}
constexpr int tb_score_from_table(int score, int ply) {
  return !is_tb_score(score) ? score : score > 0 ? score - ply : score + ply;
}

// What loading found.
constexpr int TB_MESSAGE_SIZE = 512;
struct TablebaseLoad {
  int tables;      // endings with a usable win/draw/loss table
  int dtz_tables;  // of them, endings with a distance-to-zeroing table too
  int largest;     // men of the largest ending; 0 without tables
  char message[TB_MESSAGE_SIZE];  // one line for the GUI, "info string ..." without a newline
};

// False in a build without the prober.
bool tb_available();

// (Re)loads the tables of a ':'-separated folder list; "" or "<empty>"
// unloads them without touching a disk.  Every table file is checked before
// the prober sees it (its size, its magic number, a header that fits the
// ending its name gives and a file long enough for the data the header
// describes); a folder that holds a damaged table, that cannot be read or
// that is not a folder is left out, and the message names the first such
// folder.  Never ends the program.  Between searches only.
TablebaseLoad tb_init_path(const char* path);

// Men of the largest loaded ending, 0 when there are none.
int tb_largest();

// Number of men on the board.
int tb_men(const Position& p);

// The position as Fathom reads it: the piece sets by colour and type, the
// fifty-move counter, castling rights (bit 1 White short, 2 White long, 4
// Black short, 8 Black long), the en-passant square (0 if none) and the side
// to move (true: White).
struct FathomPosition {
  uint64_t white, black, kings, queens, rooks, bishops, knights, pawns;
  unsigned rule50, castling, ep;
  bool turn;
};
FathomPosition to_fathom(const Position& p);

// Whether a node's position may be probed at all: no more men than the
// probe limit and the largest table, no castling right and a fifty-move
// counter of 0 (a capture or pawn move was just made; only then does the
// win/draw/loss table tell the truth about the fifty-move rule).
bool tb_can_probe(const Position& p, int probe_limit);

// The win/draw/loss code of the position for the side to move, or
// TBWDL_FAILED (also when tb_can_probe is false).  Thread-safe.
int tb_probe_wdl(const Position& p);

// The score a win/draw/loss code stands for at a node ply plies from the
// root, from the side to move's point of view: a win TB_WIN_SCORE - ply, a
// loss its negation, a draw the draw value the node uses.  With the
// fifty-move rule (rule50) a cursed win is one centipawn above the draw and
// a blessed loss one below (the opponent may yet go wrong); without it they
// are a win and a loss.  A win is a lower bound of the node's true score (a
// mate may be found), a loss an upper bound, a draw exact: tb_wdl_bound
// gives the table bound (BOUND_LOWER, BOUND_UPPER, BOUND_EXACT of
// search/tt.h).
int tb_wdl_score(int wdl, int ply, bool rule50, int draw);
int tb_wdl_bound(int wdl, bool rule50);

// The root ranking: of the given legal root moves, those that keep the best
// result the tables promise.  In a win the winning moves, the shortest
// distance to zeroing first (the surest way to make progress within the
// fifty-move rule); in a loss the losing moves, the longest resistance
// first; in a draw the drawing moves.  With rule50 off a cursed win counts
// as a win and a blessed loss as a loss; with it on they are draws, still
// preferred to a plain draw (or to the plain loss).  Without the
// distance-to-zeroing table of an ending the moves are ranked by the
// win/draw/loss tables alone (dtz -1).
struct TbRootResult {
  int wdl;         // TBWDL_* of the kept moves, with rule50 applied
  int score;       // the score to report for the root (tb_wdl_score at ply 0, the distance from dtz)
  int dtz;         // distance to zeroing of the first kept move in plies; -1 if unknown
  int kept_count;  // at least 1 when the ranking succeeded
  Move kept[MAX_MOVES];
  int kept_score[MAX_MOVES];  // the root's score when that move is played (its own distance to zeroing)
};
// Returns false (and keeps nothing) when the root cannot be probed: no
// table, more men than the probe limit, castling rights, a probe failed, or
// a given move is unknown to the tables.  Main thread only.
bool tb_rank_root(const Position& root, bool rule50, int probe_limit, int draw, const Move* moves, int move_count,
                  TbRootResult* out);
