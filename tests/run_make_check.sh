#!/usr/bin/env bash
# The root makefile builds the same engine as CMake: "make EXE=NAME" into a
# temporary folder (objects there too, so nothing is left in the tree), then
# its bench signature against the CMake build's engine64-popcnt:
#   run_make_check.sh CMAKE_ENGINE64_POPCNT
set -u
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! make -s -C "$here/.." -j"$(nproc)" EXE="$work/pelion-make" OBJ_DIR="$work/objects" >"$work/make.log" 2>&1; then
  cat "$work/make.log"
  echo "make EXE=... failed"
  exit 1
fi
"$here/run_bench_check.sh" "$1" "$work/pelion-make"
