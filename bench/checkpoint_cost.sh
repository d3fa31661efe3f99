#!/usr/bin/env bash
# What --checkpoint costs a campaign: the runner on one campaign without a
# checkpoint, with the default (at most every 60 s: here only at the end), and
# with one after every generation (the cost of each), alternating, medians.
# Also checks that the three protocols are the same.
#   bench/checkpoint_cost.sh [build-dir] [generations] [mutants]   (REPEATS=5)
set -euo pipefail
build=${1:-build}
generations=${2:-3000}
mutants=${3:-10}
runner="$build/bin/zarudiv-run"
[ -x "$runner" ] || { echo "no $runner: build first (tools/build.sh)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
repeats=${REPEATS:-5}

# Seconds of one run; $1 names it, the rest are extra options.
seconds() {
  local name=$1 start end
  shift
  start=$(date +%s.%N)
  "$runner" --generations "$generations" --mutants "$mutants" --step 500 --seed 1 --save \
    --threads 1 --protocol "$work/$name.doc" "$@" >/dev/null
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" 'BEGIN { print e - s }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: > "$work/none" ; : > "$work/every60" ; : > "$work/every0"
for _ in $(seq "$repeats"); do
  seconds none >> "$work/none"
  seconds every60 --checkpoint "$work/c60.ckpt" >> "$work/every60"
  seconds every0 --checkpoint "$work/c0.ckpt" --checkpoint-every 0 >> "$work/every0"
done
cmp -s <(tail -n +2 "$work/none.doc") <(tail -n +2 "$work/every0.doc") || { echo "the protocols differ" >&2; exit 1; }
none=$(median < "$work/none"); every60=$(median < "$work/every60"); every0=$(median < "$work/every0")
size=$(stat -c %s "$work/c0.ckpt")
echo "campaign: $generations generations x $mutants mutants, 1 thread, medians of $repeats"
awk -v n="$none" -v a="$every60" -v z="$every0" -v g="$generations" -v b="$size" 'BEGIN {
  printf "no checkpoint:                   %8.3f s\n", n
  printf "--checkpoint (every 60 s, end):  %8.3f s  (%.4f x)\n", a, a / n
  printf "--checkpoint-every 0 (%d files): %8.3f s  (%.4f x)\n", g, z, z / n
  each = (z - n) / g
  printf "each checkpoint (%d bytes at the end): %.3f ms; once a minute that is %.4f %% of the time\n", b, 1000 * each, 100 * each / 60 }'
