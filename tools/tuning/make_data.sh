#!/bin/bash
# Training data for the evaluation fit, in one command:
#
#   tools/tuning/make_data.sh OUT_DIR
#
# Environment (defaults in brackets):
#   GAMES    games in all [55000], shared out among the workers; about 20
#            distinct positions come from a game, so the default makes about
#            1.1 million
#   WORKERS  self-play processes running at once [2]
#   NODES    nodes per move [5000]; fixed nodes keep the games independent
#            of the machine's load
#   SAMPLES  at most this many positions per game [20]
#   SEED     seed of the whole run [1]; worker i uses SEED * 1000 + i
#   ENGINE   the engine that plays [build/engine64-popcnt]
#   TOOL     engine-tool, for the quiescence step [build/engine-tool]
#
# Steps:
# 1. WORKERS copies of tools/tuning/selfplay.js play the games (see its
#    header: openings-2k.epd plus random moves, at most SAMPLES quiet
#    positions sampled per game, labelled with the game result and the
#    search score) into OUT_DIR/raw-i.txt, logs in OUT_DIR/gen-i.log.
# 2. engine-tool resolve replaces each position by the quiet leaf of the
#    engine's quiescence search and drops duplicates over the whole set:
#    OUT_DIR/data.txt, lines "FEN | result | score | ply", ready for
#    engine-tool tune.
#
# Interrupting is safe: run the same command again and each worker goes on
# after its last finished game (OUT_DIR/raw-i.txt.progress); step 2 is
# redone from the raw files, which takes seconds.  The engine is copied to
# OUT_DIR/engine-gen at the first run and the settings are kept in
# OUT_DIR/settings, so a resumed run plays with the same engine and the
# same settings (it refuses other settings).  Raising GAMES and rerunning
# adds games to a finished set.  The data stays out of the repository.
#
# Cost (measured on a 2-core machine): about 0.7 s of processor time a game
# at 5000 nodes (0.45 s the engine's searches, about 120 of them; 0.09 s
# starting the engine; 0.15 s the driver), 0.75 s of wall time a game for
# each of two workers, and about 19.8 distinct positions a game: 55000 games
# take about 5.7 hours on two otherwise idle cores; 200 games, 4000
# positions, about a minute.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ $# -ne 1 ]; then
  sed -n '2,/^set -e/p' "$0" | grep '^#' | sed 's/^# \{0,1\}//'
  exit 2
fi
out=$1
games=${GAMES:-55000}
workers=${WORKERS:-2}
nodes=${NODES:-5000}
samples=${SAMPLES:-20}
seed=${SEED:-1}
engine=${ENGINE:-$root/build/engine64-popcnt}
tool=${TOOL:-$root/build/engine-tool}
mkdir -p "$out"

settings="workers=$workers nodes=$nodes samples=$samples seed=$seed"
if [ -f "$out/settings" ]; then
  if [ "$(cat "$out/settings")" != "$settings" ]; then
    echo "$out was made with $(cat "$out/settings"); these are $settings" >&2
    exit 2
  fi
else
  echo "$settings" > "$out/settings"
fi
# The games are played by a copy, so that rebuilding meanwhile is harmless
# and a resumed run plays with the same engine.
[ -x "$out/engine-gen" ] || cp "$engine" "$out/engine-gen"
cp "$tool" "$out/engine-tool"

start=$(date +%s)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; exit 130' INT TERM
for ((i = 0; i < workers; ++i)); do
  n=$((games / workers + (i < games % workers ? 1 : 0)))
  node "$root/tools/tuning/selfplay.js" --engine "$out/engine-gen" --games "$n" --seed $((seed * 1000 + i)) \
    --nodes "$nodes" --samples "$samples" --out "$out/raw-$i.txt" 2>> "$out/gen-$i.log" &
  pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
trap - INT TERM
for ((i = 0; i < workers; ++i)); do tail -n 1 "$out/gen-$i.log"; done
[ $status -eq 0 ] || { echo "a worker failed: see $out/gen-*.log" >&2; exit 1; }
echo "self-play: $(($(date +%s) - start)) s"

"$out/engine-tool" resolve "$out"/raw-*.txt > "$out/data.tmp"
mv "$out/data.tmp" "$out/data.txt"
echo "$(wc -l < "$out/data.txt") positions in $out/data.txt"
