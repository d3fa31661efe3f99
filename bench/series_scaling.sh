#!/usr/bin/env bash
# How a series scales from 1 to 2 threads, against two separate series
# processes side by side (the best two cores can do), and what the database
# costs: the series' own account of the time spent storing, against the
# runs' compute time added up.
#   bench/series_scaling.sh [build-dir]
#   env: GENERATIONS=60 MUTANTS=10 RUNS=40 REPEATS=5
# The three ways alternate within each repetition, so that the slow spells
# of a shared machine fall on all of them; medians are compared.
set -euo pipefail
build=${1:-build}
series="$build/bin/zarudiv-series"
[ -x "$series" ] || { echo "no $series: build first (tools/build.sh)" >&2; exit 1; }
generations=${GENERATIONS:-60}
mutants=${MUTANTS:-10}
runs=${RUNS:-40}
repeats=${REPEATS:-5}
half=$((runs / 2))
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

plan="--generations $generations --mutants $mutants --step 500"
now() { date +%s.%N; }

# Wall seconds of one series on N threads; its stderr stays in $work/err.N.
one() {
  local threads=$1 start
  rm -f "$work"/s.sqlite*
  start=$(now)
  "$series" $plan --repeat "$runs" --seed 1 --threads "$threads" --db "$work/s.sqlite" \
    >/dev/null 2>"$work/err.$threads"
  awk -v s="$start" -v e="$(now)" 'BEGIN { print e - s }'
}

# Wall seconds of the same runs as two series processes of one thread each.
pair() {
  local start
  rm -f "$work"/a.sqlite* "$work"/b.sqlite*
  start=$(now)
  "$series" $plan --repeat "$half" --seed 1 --threads 1 --db "$work/a.sqlite" >/dev/null 2>&1 &
  "$series" $plan --repeat "$((runs - half))" --seed $((1 + half)) --threads 1 \
    --db "$work/b.sqlite" >/dev/null 2>&1 &
  wait
  awk -v s="$start" -v e="$(now)" 'BEGIN { print e - s }'
}

# "... compute 11.76 s (the runs added up), storing 0.006 s (0.05 % of compute)"
field() { sed -n "s/.*compute \([0-9.]*\) s.*storing \([0-9.]*\) s (\([0-9.]*\) %.*/\\$2/p" "$1"; }

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$work/t1"; : >"$work/t2"; : >"$work/tp"; : >"$work/share"; : >"$work/overhead"
for _ in $(seq "$repeats"); do
  t=$(one 1); echo "$t" >>"$work/t1"
  field "$work/err.1" 3 >>"$work/share"
  awk -v w="$t" -v c="$(field "$work/err.1" 1)" 'BEGIN { print 100 * (w - c) / c }' >>"$work/overhead"
  t=$(one 2); echo "$t" >>"$work/t2"
  field "$work/err.2" 3 >>"$work/share"
  t=$(pair); echo "$t" >>"$work/tp"
done

t1=$(median <"$work/t1"); t2=$(median <"$work/t2"); tp=$(median <"$work/tp")
echo "series: $runs runs of $generations generations x $mutants mutants; median of $repeats each"
awk -v a="$t1" -v b="$t2" -v p="$tp" -v n="$runs" 'BEGIN {
  printf "1 thread:                    %7.3f s  %6.2f runs/s\n", a, n / a
  printf "2 threads:                   %7.3f s  %6.2f runs/s  speed-up %.3f\n", b, n / b, a / b
  printf "2 processes of 1 thread:     %7.3f s  %6.2f runs/s  speed-up %.3f\n", p, n / p, a / p }'
echo "seconds of each repetition (1 thread | 2 threads | 2 processes): $(paste -sd' ' "$work/t1") | $(paste -sd' ' "$work/t2") | $(paste -sd' ' "$work/tp")"
# The ratio within each repetition, whose three ways ran close together.
echo "median of the ratios within a repetition: 2 threads $(paste "$work/t1" "$work/t2" | awk '{ print $1 / $2 }' | median), 2 processes $(paste "$work/t1" "$work/tp" | awk '{ print $1 / $2 }' | median), 2 threads against 2 processes $(paste "$work/tp" "$work/t2" | awk '{ print $1 / $2 }' | median)"
echo "storing (database and its transactions), median share of compute: $(median <"$work/share") %"
echo "everything besides the runs on 1 thread (start, plan, storing, table), median share: $(median <"$work/overhead" | awk '{ printf "%.2f", $1 }') %"
