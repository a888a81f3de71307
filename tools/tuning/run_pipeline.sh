#!/bin/bash
# Reruns the whole evaluation fit: builds the engine and the tuner, lets the
# engine play itself for training data, and fits the tuned weights.
#
#   tools/tuning/run_pipeline.sh [DATA_DIR]      (default: ../tuning-data)
#
# Environment: GAMES (per worker, default 1500), WORKERS (default 2; worker i
# uses seed i), NODES (per move, default 5000), ITERATIONS (default 400),
# LAMBDA (share of the game result in the label, default 0.5), L2 (default
# 1e-10).  With the defaults and the evaluation of commit 5dd9984 (the
# values before the first fit) it remakes the data of that fit exactly:
# fixed node counts make the games independent of the machine's load.
# The fitted initialiser lands in DATA_DIR/tuned.txt; paste it over the
# `.tuned` block of eval/eval_params.cpp, rebuild, regenerate the self-test
# table and prove the result by games.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
data=${1:-$root/../tuning-data}
games=${GAMES:-1500}
workers=${WORKERS:-2}
nodes=${NODES:-5000}
mkdir -p "$data"

cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$root/build" -j2 --target engine64-popcnt engine-tool
# The games are played by a copy, so that rebuilding meanwhile is harmless.
cp "$root/build/engine64-popcnt" "$data/engine-gen"

pids=()
for ((seed = 1; seed <= workers; ++seed)); do
  node "$root/tools/tuning/selfplay.js" --engine "$data/engine-gen" --games "$games" --seed "$seed" \
    --nodes "$nodes" --out "$data/games-$seed.txt" 2> "$data/gen-$seed.log" &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid"; done

"$root/build/engine-tool" tune "$data"/games-*.txt --iterations "${ITERATIONS:-400}" --lambda "${LAMBDA:-0.5}" \
  --l2 "${L2:-1e-10}" --out "$data/tuned.txt" | tee "$data/tune.log"
echo "fitted weights: $data/tuned.txt"
