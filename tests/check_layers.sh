#!/usr/bin/env bash
# The engine is built in layers, each of which may include only its own
# headers and those of the layers below it:
#
#   core < board < eval < book < search < selftest < uci < app
#
# core: clock, log, exit, version, number text; board: positions, moves and
# their text; eval: the static evaluation; book: the opening book; search:
# the search, its threads and time control; selftest: the self-test and the
# bench; uci: the protocol; app: the program's entry.  tools/ and tests/
# stand above them all.  Prints every include that reaches up, or into a
# folder that is no layer, and fails when there is one.
set -u
cd "$(dirname "$0")/.."

layers=(core board eval book search selftest uci app)
above_all=(tools tests)

rank_of() {
  local i
  for i in "${!layers[@]}"; do
    if [ "${layers[$i]}" = "$1" ]; then
      echo "$i"
      return
    fi
  done
  echo -1
}

bad=0

# Every folder with engine sources must be a layer (or stand above them all).
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  for dir in $(git ls-files '*.cpp' '*.h' | grep / | cut -d/ -f1 | sort -u); do
    if [ "$(rank_of "$dir")" -lt 0 ] && [[ " ${above_all[*]} " != *" $dir "* ]]; then
      echo "not a layer: $dir/ (add it to the order in $0)"
      bad=$((bad + 1))
    fi
  done
fi

for dir in "${layers[@]}"; do
  [ -d "$dir" ] || continue
  own=$(rank_of "$dir")
  while IFS= read -r hit; do
    [ -n "$hit" ] || continue
    target=$(sed -E 's/^[^:]*:[0-9]+:[[:space:]]*#[[:space:]]*include[[:space:]]*"([^/"]*)\/.*/\1/' <<<"$hit")
    if [ "$target" = "$hit" ]; then
      echo "include without its folder: $hit"
      bad=$((bad + 1))
      continue
    fi
    theirs=$(rank_of "$target")
    if [ "$theirs" -lt 0 ] || [ "$theirs" -gt "$own" ]; then
      echo "reaches up from $dir/ to $target/: $hit"
      bad=$((bad + 1))
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$dir" --include='*.h' --include='*.cpp')
done

if [ "$bad" -gt 0 ]; then
  echo "FAILED: $bad place(s) break the layer order ${layers[*]}"
  exit 1
fi
echo "layers ok: ${layers[*]}"
