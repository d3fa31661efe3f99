#!/usr/bin/env bash
# Wall time of the same campaign in the window (on a virtual X display,
# driven through its test hooks) and in the runner, with saving on and the
# same thread count (all cores), alternating and repeated; prints the median
# of each and the ratios. The window draws its pictures every generation; the
# runner is timed without pictures and with them (--plots), which is the
# same work as the window's.
#   bench/window_vs_runner.sh [build-dir]        (REPEATS=5 runs each)
set -euo pipefail
build=${1:-build}
repeats=${REPEATS:-5}
window="$(realpath "$build")/bin/zarudiv_window_bench"
runner="$(realpath "$build")/bin/zarudiv-run"
for f in "$window" "$runner"; do
  [ -x "$f" ] || { echo "no $f: build first (tools/build.sh)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export window runner work repeats

xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" bash -c '
median() { sort -g | awk "{ v[NR] = \$1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }"; }
printf "%-14s %10s %10s %10s %8s %8s\n" "campaign" "window s" "runner s" "+plots s" "ratio" "ratio+p"
for setting in "400 20" "2000 5" "1000 50"; do
  set -- $setting
  : > "$work/w"; : > "$work/r"; : > "$work/p"
  for _ in $(seq "$repeats"); do
    (cd "$work" && "$window" "$1" "$2" 500 7) >> "$work/w"
    start=$(date +%s.%N)
    "$runner" --generations "$1" --mutants "$2" --step 500 --seed 7 --save --protocol "$work/r.doc" > /dev/null
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" "BEGIN { print e - s }" >> "$work/r"
    start=$(date +%s.%N)
    "$runner" --generations "$1" --mutants "$2" --step 500 --seed 7 --save --protocol "$work/p.doc" --plots "$work/pictures" > /dev/null
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" "BEGIN { print e - s }" >> "$work/p"
  done
  w=$(median < "$work/w"); r=$(median < "$work/r"); p=$(median < "$work/p")
  printf "%-14s %10.3f %10.3f %10.3f %8.3f %8.3f\n" "$1 x $2" "$w" "$r" "$p" \
    "$(awk -v w="$w" -v r="$r" "BEGIN { print w / r }")" "$(awk -v w="$w" -v p="$p" "BEGIN { print w / p }")"
  tail -n +2 "$work/C:/QX_000_000.doc" | cmp -s - <(tail -n +2 "$work/r.doc") || { echo "PROTOCOLS DIFFER for $1 x $2" >&2; exit 1; }
done
echo "protocols identical (window and runner, from line 2 on)"
'
