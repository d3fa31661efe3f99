#!/usr/bin/env bash
# What keeping the runs in flight in the database costs a series: the same
# plan by two builds (one without running rows, one with), alternating,
# medians of the wall time. Two plans: runs of one generation (the worst
# case: a row marked running for every few milliseconds of work) and runs of
# a few seconds (the refresh of their generations every 2 s).
#   bench/live_rows.sh BEFORE-BUILD AFTER-BUILD   (REPEATS=5 THREADS=2)
set -euo pipefail
before="$1/bin/zarudiv-series"
after="$2/bin/zarudiv-series"
for s in "$before" "$after"; do [ -x "$s" ] || { echo "no $s" >&2; exit 1; }; done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
repeats=${REPEATS:-5}
threads=${THREADS:-2}

# Wall seconds of one series into a fresh database.
seconds() {
  local series=$1; shift
  rm -f "$work/s.sqlite"*
  local start end
  start=$(date +%s.%N)
  "$series" "$@" --seed 1 --threads "$threads" --db "$work/s.sqlite" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

for plan in "--generations 1 --mutants 1 --step 10 --repeat 4000" \
            "--generations 400 --mutants 20 --step 10 --repeat 8"; do
  : >"$work/before"; : >"$work/after"
  for ((i = 0; i < repeats; ++i)); do
    # shellcheck disable=SC2086
    seconds "$before" $plan >>"$work/before"
    # shellcheck disable=SC2086
    seconds "$after" $plan >>"$work/after"
  done
  b=$(median <"$work/before"); a=$(median <"$work/after")
  printf '%s: before %.3f s, after %.3f s, after/before %.4f\n' "$plan" "$b" "$a" \
    "$(echo "$a / $b" | bc -l)"
done
