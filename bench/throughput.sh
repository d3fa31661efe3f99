#!/usr/bin/env bash
# Mutants per second of the runner on one fixed campaign, sequential and on
# all cores, and a check that both wrote the same protocol.
#   bench/throughput.sh [build-dir] [generations] [mutants]   (REPEATS=3 runs each, best kept)
set -euo pipefail
build=${1:-build}
generations=${2:-100}
mutants=${3:-20}
runner="$build/bin/zarudiv-run"
[ -x "$runner" ] || { echo "no $runner: build first (tools/build.sh)" >&2; exit 1; }
cores=$(nproc)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

repeats=${REPEATS:-3}

# The best of a few runs: a shared machine only ever makes a run slower.
run() {
  local threads=$1
  local best=""
  for _ in $(seq "$repeats"); do
    local start end
    start=$(date +%s.%N)
    "$runner" --generations "$generations" --mutants "$mutants" --step 500 --seed 1 --save \
      --threads "$threads" --protocol "$work/t$threads.doc" >/dev/null
    end=$(date +%s.%N)
    best=$(awk -v s="$start" -v e="$end" -v b="$best" 'BEGIN { d = e - s; print (b == "" || d < b) ? d : b }')
  done
  awk -v d="$best" -v n="$((generations * mutants))" -v t="$threads" \
    'BEGIN { printf "threads %2d: %8.3f s  %10.0f mutants/s\n", t, d, n / d }'
}

echo "campaign: $generations generations x $mutants mutants"
one=$(run 1)
all=$(run "$cores")
echo "$one"
echo "$all"
awk -v a="$one" -v b="$all" 'BEGIN { split(a, x, " "); split(b, y, " ");
  printf "speed-up on %d threads: %.2f\n", y[2], y[5] / x[5] }'
tail -n +2 "$work/t1.doc" > "$work/a"
tail -n +2 "$work/t$cores.doc" > "$work/b"
if cmp -s "$work/a" "$work/b"; then echo "protocols identical"; else echo "PROTOCOLS DIFFER" >&2; exit 1; fi
