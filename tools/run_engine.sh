#!/usr/bin/env bash
# Builds Pelion if needed and starts engine64-popcnt in protocol mode on this
# terminal (type "uci", "position startpos", "go depth 10", "quit").
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -x build/engine64-popcnt ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build build -j"$(nproc)" --target engine64-popcnt >/dev/null
exec build/engine64-popcnt "$@"
