#!/bin/bash
# Reruns the whole evaluation fit: builds the engine and the tools, makes
# the training data (tools/tuning/make_data.sh) and fits the weights.
#
#   tools/tuning/run_pipeline.sh [DATA_DIR]      (default: ../tuning-data)
#
# Environment: everything make_data.sh reads (GAMES, WORKERS, NODES,
# SAMPLES, SEED), and for the fit FIT_GROUPS (comma-separated, default all),
# ITERATIONS (default 2000; the fit stops earlier once the held-out games
# stop improving), LAMBDA (share of the game result in the label, default
# 0.5), L2 (default 1e-10).  Interrupted, it resumes the data where it
# stopped.  The fitted tables land in DATA_DIR/fitted.txt in source form:
# paste them over their counterparts in eval/eval_params.cpp, rebuild,
# regenerate the self-test table and prove the result by games.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
data=${1:-$root/../tuning-data}

cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$root/build" -j2 --target engine64-popcnt engine-tool
"$root/tools/tuning/make_data.sh" "$data"

groups=()
[ -n "${FIT_GROUPS:-}" ] && groups=(--groups "$FIT_GROUPS")
"$root/build/engine-tool" tune "$data/data.txt" "${groups[@]}" --iterations "${ITERATIONS:-2000}" \
  --lambda "${LAMBDA:-0.5}" --l2 "${L2:-1e-10}" --out "$data/fitted.txt" | tee "$data/tune.log"
echo "fitted weights: $data/fitted.txt"
