#!/usr/bin/env bash
# Times zarudiv-series report on two made-up series databases, their rows
# written directly with SQL (no campaign runs):
#   large: 10 settings x 10^4 seeds = 10^5 runs x 100 generations (10^7 rows)
#   small: 9 settings x 10 seeds = 90 runs x 1000 generations
# and prints the median wall time and the peak memory of three runs each,
# for the tables alone and with every output (--csv, --plots, --html).
#   bench/report_speed.sh [build-dir] [repetitions]
set -euo pipefail
build=${1:-build}
reps=${2:-3}
series="$build/bin/zarudiv-series"
[ -x "$series" ] || { echo "no $series: build first (tools/build.sh)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "needs GNU time (apt-get install time)" >&2; exit 1; }
command -v sqlite3 >/dev/null || { echo "needs sqlite3 (apt-get install sqlite3)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# make DB GENERATIONS SEEDS MUTANTS STEPS: the schema from a one-run series
# (so that it is the program's own), then the rows. A run's best Q falls
# from about 284 to a final Q that depends on its setting and, through a
# hash of its id, on its seed; it never rises.
make_db() {
  local db=$1 g=$2 seeds=$3 mutants=$4 steps=$5
  "$series" --generations 1 --mutants 1 --step 1 --repeat 1 --seed 1 --threads 1 \
    --db "$db" >/dev/null 2>&1
  sqlite3 "$db" <<SQL
PRAGMA synchronous = OFF;
BEGIN;
DELETE FROM generations; DELETE FROM runs; DELETE FROM plans;
INSERT INTO plans VALUES (1, 'made up by bench/report_speed.sh', '2026-01-01T00:00:00Z', 'bench',
  'bench', '$g', '$mutants', '$steps', 1, $seeds, 0);
CREATE TEMP TABLE m(v INTEGER, i INTEGER); CREATE TEMP TABLE p(v INTEGER, i INTEGER);
INSERT INTO m VALUES $(echo "$mutants" | awk -F, '{for (i = 1; i <= NF; i++) printf "%s(%d, %d)", (i > 1 ? "," : ""), $i, i}');
INSERT INTO p VALUES $(echo "$steps" | awk -F, '{for (i = 1; i <= NF; i++) printf "%s(%d, %d)", (i > 1 ? "," : ""), $i, i}');
WITH RECURSIVE s(seed) AS (SELECT 1 UNION ALL SELECT seed + 1 FROM s WHERE seed < $seeds)
INSERT INTO runs(plan_id, generations, mutants, step_ppm, seed, status, best_q, best_generation, evaluations)
  SELECT 1, $g, m.v, p.v, s.seed, 'done', 0, $g, $g * m.v FROM s, m, p ORDER BY s.seed, m.i, p.i;
UPDATE plans SET runs = (SELECT count(*) FROM runs);
UPDATE runs SET best_q = 150.0 + 10.0 * abs(mutants - 30) / 30.0 + step_ppm / 200.0
                         + ((id * 2654435761) % 1000) / 40.0;
WITH RECURSIVE gen(g) AS (SELECT 1 UNION ALL SELECT g + 1 FROM gen WHERE g < $g)
INSERT INTO generations(run_id, generation, best_q, step_width, accepted)
  SELECT runs.id, gen.g, runs.best_q + (284.0 - runs.best_q) * (1.0 - gen.g * 1.0 / $g)
                                      * (1.0 - gen.g * 1.0 / $g), 1e-6, 1
  FROM runs, gen ORDER BY runs.id, gen.g;
COMMIT;
SQL
}

# measure NAME DB ARGS...: median seconds and KB of peak memory of reps runs.
measure() {
  local name=$1 db=$2
  shift 2
  local times=() peaks=()
  for ((r = 0; r < reps; r++)); do
    rm -rf "$work/out"
    /usr/bin/time -f "%e %M" -o "$work/time" "$series" report --db "$db" "$@" >/dev/null
    read -r seconds kb <"$work/time"
    times+=("$seconds")
    peaks+=("$kb")
  done
  local median peak
  median=$(printf "%s\n" "${times[@]}" | sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}')
  peak=$(printf "%s\n" "${peaks[@]}" | sort -g | tail -1)
  printf "%-44s median %6.2f s of %d, peak RSS %7d KB\n" "$name" "$median" "$reps" "$peak"
}

echo "making the databases ..." >&2
make_db "$work/large.sqlite" 100 10000 5,10,20,40,80 100,1000
make_db "$work/small.sqlite" 1000 10 10,20,30 100,500,1000
for db in large small; do
  printf "%s: %s runs, %s generation rows, %s KB\n" "$db" \
    "$(sqlite3 "$work/$db.sqlite" "SELECT count(*) FROM runs")" \
    "$(sqlite3 "$work/$db.sqlite" "SELECT count(*) FROM generations")" \
    "$(du -k "$work/$db.sqlite" | cut -f1)"
done
for db in small large; do
  measure "$db: tables" "$work/$db.sqlite"
  measure "$db: tables, --budget 500,5000" "$work/$db.sqlite" --budget 500,5000
  measure "$db: every output" "$work/$db.sqlite" --budget 500,5000 \
    --csv "$work/out/csv" --plots "$work/out/plots" --html "$work/out/report.html"
done
