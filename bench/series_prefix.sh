#!/usr/bin/env bash
# What a series' kept work saves, in one run, alternating, medians:
#   prefix sharing: a plan over G = 250,500,1000 against the G = 1000 plan
#     alone (and against the three plans each alone: what computing every run
#     costs);
#   extension: a stored G = 1000 series extended to G = 2000 against a fresh
#     G = 1000 series (the same 1000 generations per run, computed anew).
# Also checks that the runs come out the same whichever way they were come by.
# Each series is timed by the clock and by the CPU time it used (user +
# system): on a machine that others share the CPU time tells the work done.
#   bench/series_prefix.sh [build-dir]   (REPEATS=5 MUTANTS=10,20 SEEDS=2 THREADS=1)
set -euo pipefail
build=${1:-build}
series="$build/bin/zarudiv-series"
[ -x "$series" ] || { echo "no $series: build first (tools/build.sh)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is needed (Debian's package time)" >&2; exit 1; }
command -v sqlite3 >/dev/null || { echo "sqlite3 is needed to compare the databases" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
repeats=${REPEATS:-5}
mutants=${MUTANTS:-10,20}
seeds=${SEEDS:-2}
threads=${THREADS:-1}

# "WALL CPU" seconds of one series into a fresh database $1 (kept), generations $2.
seconds() {
  local db=$1 generations=$2
  rm -f "$work/$db"*
  /usr/bin/time -f "%e %U %S" -o "$work/time" "$series" --generations "$generations" \
    --mutants "$mutants" --step 500 --repeat "$seeds" --seed 1 --threads "$threads" \
    --db "$work/$db" >/dev/null 2>"$work/$db.err"
  awk '{ print $1, $2 + $3 }' "$work/time"
}

# The same for extending a copy of the stored G = 1000 series to G = 2000.
extension() {
  rm -f "$work/ext.sqlite"*
  cp "$work/base.sqlite" "$work/ext.sqlite"
  /usr/bin/time -f "%e %U %S" -o "$work/time" "$series" --generations 2000 --mutants "$mutants" \
    --step 500 --repeat "$seeds" --seed 1 --threads "$threads" --db "$work/ext.sqlite" \
    >/dev/null 2>"$work/ext.err"
  awk '{ print $1, $2 + $3 }' "$work/time"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# The medians of a file's two columns: "WALL CPU".
medians() { echo "$(cut -d' ' -f1 "$1" | median) $(cut -d' ' -f2 "$1" | median)"; }

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
  seconds g2000.sqlite 2000 >> "$work/g2000"
done

grep -q "taken from longer runs" "$work/shared.sqlite.err" || { echo "no run was shared" >&2; exit 1; }
grep -q "went on from kept states" "$work/ext.err" || { echo "no run was extended" >&2; exit 1; }
for g in 250 500 1000; do
  cmp -s <(runs "$work/shared.sqlite" $g) <(runs "$work/g$g.sqlite" $g) ||
    { echo "the shared runs of G = $g differ from those computed alone" >&2; exit 1; }
done
cmp -s <(runs "$work/ext.sqlite" 2000) <(runs "$work/g2000.sqlite" 2000) ||
  { echo "the extended runs differ from those computed alone" >&2; exit 1; }

read -r g1000 c1000 < <(medians "$work/g1000"); read -r shared cshared < <(medians "$work/shared")
read -r g250 c250 < <(medians "$work/g250"); read -r g500 c500 < <(medians "$work/g500")
read -r ext cext < <(medians "$work/ext"); read -r g2000 c2000 < <(medians "$work/g2000")
state=$(sqlite3 "$work/base.sqlite" "SELECT avg(length(state)) FROM run_states")
echo "series: mutants $mutants x $seeds seeds, $threads thread(s), medians of $repeats; seconds by the clock / of CPU"
line() { awk -v w="$2" -v c="$3" -v bw="$4" -v bc="$5" -v t="$1" -v what="$6" 'BEGIN {
  if (bw > 0) printf "%-38s %8.3f / %8.3f s  (%.3f x / %.3f x %s)\n", t, w, c, w / bw, c / bc, what
  else printf "%-38s %8.3f / %8.3f s\n", t, w, c }'; }
line "G = 1000 alone:" "$g1000" "$c1000" 0 0 ""
line "G = 250,500,1000 (shared):" "$shared" "$cshared" "$g1000" "$c1000" "the G = 1000 series"
line "G = 250, 500, 1000 each alone, added:" "$(awk -v a="$g250" -v b="$g500" -v c="$g1000" 'BEGIN { print a + b + c }')" \
  "$(awk -v a="$c250" -v b="$c500" -v c="$c1000" 'BEGIN { print a + b + c }')" "$g1000" "$c1000" "the G = 1000 series"
line "G = 1000 extended to 2000:" "$ext" "$cext" "$g1000" "$c1000" "1000 generations computed anew"
line "G = 2000 from the start:" "$g2000" "$c2000" 0 0 ""
line "  extension against G 2000 - G 1000:" "$ext" "$cext" "$(awk -v a="$g2000" -v b="$g1000" 'BEGIN { print a - b }')" \
  "$(awk -v a="$c2000" -v b="$c1000" 'BEGIN { print a - b }')" "that difference"
echo "state kept per done run: $state bytes"
