#!/usr/bin/env bash
# The series' peak memory for 10^4 and 10^5 runs of the smallest campaign
# (1 generation x 1 mutant): rows stream into the database, so the peak
# should not grow with the number of runs.
#   bench/series_memory.sh [build-dir] [threads]
set -euo pipefail
build=${1:-build}
threads=${2:-2}
series="$build/bin/zarudiv-series"
[ -x "$series" ] || { echo "no $series: build first (tools/build.sh)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "needs GNU time (apt-get install time)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for runs in 10000 100000; do
  rm -f "$work"/m.sqlite*
  /usr/bin/time -f "%M %e" -o "$work/time" "$series" --generations 1 --mutants 1 --step 500 \
    --repeat "$runs" --seed 1 --threads "$threads" --db "$work/m.sqlite" --csv "$work/t.csv" \
    >/dev/null 2>"$work/err"
  read -r kb seconds <"$work/time"
  rows=$(sqlite3 "$work/m.sqlite" "SELECT count(*) FROM runs WHERE status = 'done'" 2>/dev/null || echo "?")
  size=$(du -k "$work/m.sqlite" | cut -f1)
  printf "%6d runs: peak RSS %6d KB, %6.1f s, %s runs done, database %d KB\n" "$runs" "$kb" "$seconds" "$rows" "$size"
done
