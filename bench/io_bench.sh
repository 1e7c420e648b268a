#!/usr/bin/env bash
# Times otl import and export of a generated parent-child file of a million
# rows (one dimension: 100 groups of 100 families of 100 members, plus their
# parents), and reports the time per row and the peak memory of each.
#   bench/io_bench.sh [BUILD_DIR] [WORK_DIR]
# BUILD_DIR holds a build of otl, best a Release one (default build-release).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
work=${2:-$(mktemp -d)}
otl=$build/tools/otl
[ -x "$otl" ] || { echo "no otl in $build: build it first (scripts/build.sh $build -DCMAKE_BUILD_TYPE=Release)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 1; }
mkdir -p "$work"

csv=$work/million.csv
awk 'BEGIN {
  print "dimension,parent,member,alias"
  print "Items,,Items,"
  for (g = 0; g < 100; g++) {
    printf "Items,Items,G%03d,Group %d\n", g, g
    for (f = 0; f < 100; f++) {
      printf "Items,G%03d,G%03dF%03d,\n", g, g, f
      for (m = 0; m < 100; m++)
        printf "Items,G%03dF%03d,M%03d%03d%03d,\n", g, f, g, f, m
    }
  }
}' > "$csv"
rows=$(($(wc -l < "$csv") - 1))

# Runs a command under /usr/bin/time; prints seconds, microseconds per row
# and the peak resident memory.
measure() {
  local label=$1 out=$2
  shift 2
  /usr/bin/time -v -o "$work/time.txt" "$@" > "$out"
  awk -v label="$label" -v rows="$rows" '
    /Elapsed \(wall clock\)/ { n = split($NF, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i] }
    /User time|System time/ { cpu += $NF }
    /Maximum resident set size/ { kb = $NF }
    END { printf "%-8s %7.2f s wall %7.2f s cpu  %6.2f us/row (cpu)  %6.0f MB peak\n",
                 label, s, cpu, cpu * 1e6 / rows, kb / 1024 }
  ' "$work/time.txt"
}

echo "$rows rows in $csv"
measure import /dev/null "$otl" import -q -o "$work/million.otl" "$csv"
measure export "$work/export.csv" "$otl" export -q "$work/million.otl"
measure json /dev/null "$otl" export -q --format json "$work/million.otl"
measure diff /dev/null "$otl" diff -q "$work/million.otl" "$work/million.otl"
