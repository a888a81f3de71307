#!/usr/bin/env bash
# Runs "bench" on every program given and checks that all of them print the
# same node count on their last line ("NNN nodes NNN nps"):
#   run_bench_check.sh PROGRAM...
# A program the kernel cannot run (engine32 without 32-bit support) runs in
# the user-mode emulator.
set -u
first=""
status=0
for program in "$@"; do
  runner=()
  "$program" -help >/dev/null 2>&1 || runner=(qemu-i386)
  last=$("${runner[@]}" "$program" bench 2>/dev/null | tail -n 1)
  echo "$(basename "$program"): $last"
  if ! [[ "$last" =~ ^[0-9]+\ nodes\ [0-9]+\ nps$ ]]; then
    echo "  malformed bench line"
    status=1
    continue
  fi
  nodes=${last%% *}
  if [ -z "$first" ]; then
    first=$nodes
  elif [ "$nodes" != "$first" ]; then
    echo "  signature differs: $nodes against $first"
    status=1
  fi
done
exit $status
