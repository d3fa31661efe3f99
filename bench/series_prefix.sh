#!/usr/bin/env bash
# What a series' kept work saves, in one run, alternating, medians:
#   prefix sharing: a plan over G = 250,500,1000 against the G = 1000 plan
#     alone (and against the three plans each alone: what computing every run
#     costs);
#   extension: a stored G = 1000 series extended to G = 2000 against a fresh
#     G = 1000 series (the same 1000 generations per run, computed anew).
# Also checks that the runs come out the same whichever way they were come by.
#   bench/series_prefix.sh [build-dir]   (REPEATS=5 MUTANTS=10,20 SEEDS=4 THREADS=1)
set -euo pipefail
build=${1:-build}
series="$build/bin/zarudiv-series"
[ -x "$series" ] || { echo "no $series: build first (tools/build.sh)" >&2; exit 1; }
command -v sqlite3 >/dev/null || { echo "sqlite3 is needed to compare the databases" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
repeats=${REPEATS:-5}
mutants=${MUTANTS:-10,20}
seeds=${SEEDS:-4}
threads=${THREADS:-1}

# Seconds of one series into a fresh database $1 (kept as $1), generations $2.
seconds() {
  local db=$1 generations=$2 start end
  rm -f "$work/$db"*
  start=$(date +%s.%N)
  "$series" --generations "$generations" --mutants "$mutants" --step 500 --repeat "$seeds" \
    --seed 1 --threads "$threads" --db "$work/$db" >/dev/null 2>"$work/$db.err"
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" 'BEGIN { print e - s }'
}

# Seconds of extending a copy of the stored G = 1000 series to G = 2000.
extension() {
  local start end
  rm -f "$work/ext.sqlite"*
  cp "$work/base.sqlite" "$work/ext.sqlite"
  start=$(date +%s.%N)
  "$series" --generations 2000 --mutants "$mutants" --step 500 --repeat "$seeds" --seed 1 \
    --threads "$threads" --db "$work/ext.sqlite" >/dev/null 2>"$work/ext.err"
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" 'BEGIN { print e - s }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# The runs of a database by campaign, timings, hosts and ids aside.
runs() {
  sqlite3 "$1" "SELECT r.generations, r.mutants, r.seed, r.best_q, r.best_generation,
    r.protocol_sha256, r.best_law, r.best_step, count(g.generation), sum(g.best_q), sum(g.accepted)
    FROM runs AS r JOIN generations AS g ON g.run_id = r.id WHERE r.generations IN ($2)
    GROUP BY r.id ORDER BY 1, 2, 3"
}

seconds base.sqlite 1000 >/dev/null  # the stored series the extensions start from
: > "$work/g1000"; : > "$work/shared"; : > "$work/g250"; : > "$work/g500"; : > "$work/ext"; : > "$work/g2000"
for _ in $(seq "$repeats"); do
  seconds g1000.sqlite 1000 >> "$work/g1000"
  seconds shared.sqlite 250,500,1000 >> "$work/shared"
  seconds g250.sqlite 250 >> "$work/g250"
  seconds g500.sqlite 500 >> "$work/g500"
  extension >> "$work/ext"
done
seconds g2000.sqlite 2000 >> "$work/g2000"

grep -q "taken from longer runs" "$work/shared.sqlite.err" || { echo "no run was shared" >&2; exit 1; }
grep -q "went on from kept states" "$work/ext.err" || { echo "no run was extended" >&2; exit 1; }
for g in 250 500 1000; do
  cmp -s <(runs "$work/shared.sqlite" $g) <(runs "$work/g$g.sqlite" $g) ||
    { echo "the shared runs of G = $g differ from those computed alone" >&2; exit 1; }
done
cmp -s <(runs "$work/ext.sqlite" 2000) <(runs "$work/g2000.sqlite" 2000) ||
  { echo "the extended runs differ from those computed alone" >&2; exit 1; }

g1000=$(median < "$work/g1000"); shared=$(median < "$work/shared"); g250=$(median < "$work/g250")
g500=$(median < "$work/g500"); ext=$(median < "$work/ext"); g2000=$(cat "$work/g2000")
state=$(sqlite3 "$work/base.sqlite" "SELECT avg(length(state)) FROM run_states")
echo "series: mutants $mutants x $seeds seeds, $threads thread(s), medians of $repeats"
awk -v a="$g1000" -v s="$shared" -v q="$g250" -v h="$g500" -v e="$ext" -v d="$g2000" -v b="$state" 'BEGIN {
  printf "G = 1000 alone:                       %8.3f s\n", a
  printf "G = 250,500,1000 (shared):            %8.3f s  (%.3f x the G = 1000 series)\n", s, s / a
  printf "G = 250, 500, 1000 each alone, added: %8.3f s  (%.3f x)\n", q + h + a, (q + h + a) / a
  printf "G = 1000 extended to 2000:            %8.3f s  (%.3f x the 1000 generations computed anew)\n", e, e / a
  printf "G = 2000 from the start (once):       %8.3f s  (minus G = 1000: %.3f s; extension / that %.3f x)\n", d, d - a, e / (d - a)
  printf "state kept per done run:              %8.0f bytes\n", b }'
