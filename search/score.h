// Search scores: centipawns from the side to move's point of view, with the
// mate scores at the ends of the range.  A mate in n plies from the root is
// MATE_SCORE - n, being mated in n plies is n - MATE_SCORE.
#pragma once

constexpr int MATE_SCORE = 32000;
// Beyond every score: the bounds of the full window.
constexpr int INFINITE_SCORE = 32001;
// A score whose magnitude exceeds this is a mate score: it is reported as
// "mate N", it is never refined by or pruned on like a material score.
constexpr int MATE_BOUND = 31800;
// Scores above this (or below its negation) are mates in the sense of the
// table's distance adjustment.
constexpr int MATE_REPORT_BOUND = MATE_BOUND - 1;
// A best score above this is not a mate against the side to move within
// 99 plies: a move that saves the node is known, so the pruning of further
// moves may begin.
constexpr int MATED_BOUND = -(MATE_SCORE - 99);
// Scores beyond this are never stored in the transposition table.
constexpr int STORABLE_SCORE = 32500;

constexpr int mate_in(int ply) { return MATE_SCORE - ply; }
constexpr int mated_in(int ply) { return ply - MATE_SCORE; }
constexpr bool is_mate_score(int score) { return score > MATE_BOUND || score < -MATE_BOUND; }

// Mate scores are stored relative to the node that stores them, so that the
// same entry means the same thing wherever the position recurs in the tree.
constexpr int mate_to_table(int score, int ply) {
  return score > MATE_REPORT_BOUND ? score + ply : score < -MATE_REPORT_BOUND ? score - ply : score;
}
constexpr int mate_from_table(int score, int ply) {
  return score > MATE_REPORT_BOUND ? score - ply : score < -MATE_REPORT_BOUND ? score + ply : score;
}
