#!/usr/bin/env bash
# The tablebase conversion check: one engine with the tables plays both sides
# of every position of conversion.epd (each twice, the colours swapped, as
# the match runner does) at a fixed node count, and every game must end as
# the tables predict: a predicted win by the winner's mate, a predicted draw
# drawn.  Needs the match runner of the shared tools (or MATCH=path);
# OPENINGS=file plays other positions, with ids of the same form.
#   tools/syzygy/conversion.sh ENGINE TABLES [NODES]
# Prints the runner's report, then the games that went otherwise and one
# line "conversion: W of W wins mated, D of D draws held, F faults".
set -u
if [ $# -lt 2 ]; then
  echo "usage: $0 ENGINE TABLES [NODES]" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
engine=$1
tables=$2
nodes=${3:-20000}
match=${MATCH:-$here/../../../shared/tools/match/match}
openings=${OPENINGS:-$here/conversion.epd}
games=$((2 * $(grep -cv '^#' "$openings")))
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$match" --engine1 "$engine" --engine2 "$engine" --opt1 "SyzygyPath=$tables" --opt2 "SyzygyPath=$tables" \
  --nodes "$nodes" --openings "$openings" --games "$games" >"$out" 2>&1
status=$?
grep -v '^Game ' "$out"
# "Game i/N: A vs B: RESULT (REASON), P plies, openings line L (EXPECTED: NAME); ..."
awk '
  /^Game / {
    if (!match($0, /: (1-0|0-1|1\/2-1\/2) \(/)) next
    result = substr($0, RSTART + 2, RLENGTH - 4)
    rest = substr($0, RSTART + RLENGTH)
    reason = substr(rest, 1, index(rest, ")") - 1)
    if (!match(rest, /openings line [0-9]+ \((1-0|0-1|1\/2-1\/2):/)) next
    expected = substr(rest, RSTART, RLENGTH)
    sub(/.*\(/, "", expected)
    sub(/:$/, "", expected)
    if (expected == "1/2-1/2") {
      draws++
      if (result == expected) held++
      else print "  not as predicted: " $0
    } else {
      wins++
      if (result == expected && reason ~ /mates/) mated++
      else print "  not as predicted: " $0
    }
  }
  /^RESULT / { match($0, /faults1=[0-9]+/); f1 = substr($0, RSTART + 8, RLENGTH - 8)
               match($0, /faults2=[0-9]+/); f2 = substr($0, RSTART + 8, RLENGTH - 8) }
  END { printf "conversion: %d of %d wins mated, %d of %d draws held, %d faults\n", mated, wins, held, draws, f1 + f2
        exit !(mated == wins && held == draws && f1 + f2 == 0 && wins + draws > 0) }
' "$out" || status=1
exit $status
