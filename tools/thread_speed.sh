#!/usr/bin/env bash
# Node rate of the search with one thread and with N threads, on the same
# positions with the same time per position (run it on an idle machine):
#   tools/thread_speed.sh ENGINE [THREADS] [SECONDS]
# THREADS defaults to 2, SECONDS (per position) to 10.
set -euo pipefail
engine=$1
threads=${2:-2}
seconds=${3:-10}
fens=(
  "r1bq1rk1/pp2bppp/2n1pn2/2pp4/2P5/1P3NP1/PB1PPPBP/RN1Q1RK1 w - - 0 1"
  "2rr2k1/1pqnbppp/p2p1n2/Pb2p3/4P3/2NNBB2/1PPQ1PPP/R2R2K1 b - - 0 1"
  "r3k2r/p1qbnpp1/1p2p2p/n1ppP2P/P2P4/B1P2N2/2PQ1PP1/R3KB1R w KQkq - 0 1"
  "8/8/pr1ppk1p/R4pP1/8/3K2P1/P3PP2/8 b - - 0 1"
)

# Nodes per second over all positions with the given thread count.
rate() {
  local total=0 nodes fen
  for fen in "${fens[@]}"; do
    nodes=$( (printf 'uci\nsetoption name Threads value %s\nsetoption name OwnBook value false\n' "$1"
      printf 'position fen %s\ngo movetime %d\n' "$fen" $((seconds * 1000))
      sleep $((seconds + 2))
      printf 'quit\n') | "$engine" 2>/dev/null | awk '/^info nodes/ { n = $3 } END { print n + 0 }')
    total=$((total + nodes))
  done
  echo $((total / (seconds * ${#fens[@]})))
}

one=$(rate 1)
many=$(rate "$threads")
echo "1 thread:  $one nodes/s"
echo "$threads threads: $many nodes/s"
awk -v a="$one" -v b="$many" 'BEGIN { if (a > 0) printf "ratio: %.2f\n", b / a }'
