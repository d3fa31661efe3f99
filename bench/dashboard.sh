#!/usr/bin/env bash
# The dashboard under load, and a series beside a busy dashboard.
#   bench/dashboard.sh [build-dir]
#   env: RUNS=100000 GENERATIONS=100 CLIENTS=20 SECONDS_PER_LOAD=30 REPEATS=5 PARTS="1 2"
# 1. A database of RUNS runs with GENERATIONS rows each (10^5 x 100 = 10^7
#    generation rows), made with SQL in the series' own schema; `serve` over
#    it; CLIENTS clients ask for the overview, the comparison, a page of runs,
#    a setting's best runs and a random run's page, 50 ms apart, for SECONDS
#    seconds. Prints p50 and p95 per endpoint.
# 2. The same series alone and with --serve and CLIENTS clients polling as the
#    page does (every 2 s), alternating, REPEATS times each; medians of the
#    wall time and of the series process's CPU time (which the machine's other
#    load does not change) compared.
set -euo pipefail
build=${1:-build}
series="$build/bin/zarudiv-series"
load="$build/bin/zarudiv_dashboard_load"
for program in "$series" "$load"; do
  [ -x "$program" ] || { echo "no $program: build first (cmake --build $build --target zarudiv-series zarudiv_dashboard_load)" >&2; exit 1; }
done
command -v sqlite3 >/dev/null || { echo "sqlite3 is missing (tools/install-deps.sh installs it)" >&2; exit 1; }
runs=${RUNS:-100000}
generations=${GENERATIONS:-100}
clients=${CLIENTS:-20}
seconds=${SECONDS_PER_LOAD:-30}
repeats=${REPEATS:-5}
parts=${PARTS:-1 2}
work=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
now() { date +%s.%N; }

# Waits for "http://127.0.0.1:PORT/" in a file and prints the port.
port_of() {
  for _ in $(seq 600); do
    if grep -qo 'http://127.0.0.1:[0-9]*/' "$1" 2>/dev/null; then
      grep -o 'http://127.0.0.1:[0-9]*/' "$1" | head -1 | sed 's/.*:\([0-9]*\)\//\1/'
      return
    fi
    sleep 0.1
  done
  echo "the server did not start: $(cat "$1")" >&2
  exit 1
}

if [[ " $parts " == *" 1 "* ]]; then
echo "== 1. $runs runs x $generations generations, $clients clients"
db="$work/big.sqlite"
# The schema exactly as the series makes it, emptied.
"$series" --generations 1 --mutants 1 --step 1 --repeat 1 --seed 1 --db "$db" >/dev/null 2>&1
repeat=$((runs / 20))
start=$(now)
sqlite3 "$db" <<SQL
DELETE FROM generations; DELETE FROM runs; DELETE FROM plans;
INSERT INTO plans VALUES (1, 'zarudiv-series --generations $generations --mutants 10,20,50,100 --step 100,200,300,500,1000 --repeat $repeat --seed 1 (made by bench/dashboard.sh)',
  '2026-01-01T00:00:00Z', '0.1', 'bench', '$generations', '10,20,50,100', '100,200,300,500,1000', 1, $repeat, $((repeat * 20)));
WITH RECURSIVE i(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM i WHERE n < $((repeat * 20)) - 1)
INSERT INTO runs(id, plan_id, generations, mutants, step_ppm, seed, status, best_q, best_generation,
                 evaluations, seconds, protocol_sha256, host)
SELECT n + 1, 1, $generations,
       CASE (n % 20) / 5 WHEN 0 THEN 10 WHEN 1 THEN 20 WHEN 2 THEN 50 ELSE 100 END,
       CASE n % 5 WHEN 0 THEN 100 WHEN 1 THEN 200 WHEN 2 THEN 300 WHEN 3 THEN 500 ELSE 1000 END,
       1 + n / 20, 'done', 150.0 + (abs(random()) % 100000) / 1000.0, $generations,
       $generations * 10, 1.0, 'bench', 'bench'
FROM i;
WITH RECURSIVE g(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM g WHERE k < $generations)
INSERT INTO generations(run_id, generation, best_q, step_width, accepted)
SELECT r.id, g.k, r.best_q + ($generations - g.k) * 0.25, 1e-6, 1 FROM runs AS r, g ORDER BY r.id, g.k;
SQL
echo "database made in $(awk -v s="$start" -v e="$(now)" 'BEGIN { printf "%.0f", e - s }') s:" \
  "$(sqlite3 "$db" 'SELECT count(*) FROM runs') runs, $(sqlite3 "$db" 'SELECT count(*) FROM generations') generation rows," \
  "$(du -m "$db" | cut -f1) MB"

"$series" serve --db "$db" --port 0 2>"$work/serve.err" &
server=$!
port=$(port_of "$work/serve.err")
# The comparison is computed once on its own thread; the load then reads it.
start=$(now)
until [ "$(curl -s -o /dev/null -w '%{http_code}' "http://127.0.0.1:$port/api/plans/1/comparison")" = 200 ]; do sleep 0.2; done
echo "comparison over the 10^7 rows computed in $(awk -v s="$start" -v e="$(now)" 'BEGIN { printf "%.1f", e - s }') s (once, beside the requests)"
RUNS=$runs "$load" "$port" "$clients" "$seconds" 50 \
  /api/overview /api/plans/1/comparison "/api/runs?plan=1&limit=50" \
  "/api/runs?plan=1&generations=$generations&mutants=50&step_ppm=300&order=best_q&limit=50" \
  "/api/runs/{run}"
kill "$server"; wait "$server" 2>/dev/null || true; server=
fi
[[ " $parts " == *" 2 "* ]] || exit 0

echo
echo "== 2. a series alone and beside a busy dashboard ($clients clients every 2 s), $repeats times each"
plan="--generations 120 --mutants 20 --step 500 --repeat 20 --seed 1 --threads 2"
# "wall cpu" of one series; cpu is the process's user + system seconds. Its
# own output goes to $work/out and $work/err.
timed() {
  /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" >"$work/out" 2>"$work/err"
  awk '{ print $1, $2 + $3 }' "$work/time"
}
alone() {
  rm -f "$work"/s.sqlite*
  timed "$series" $plan --db "$work/s.sqlite"
}
busy() {
  rm -f "$work"/s.sqlite*
  local port loader
  port=$((20000 + RANDOM % 20000))
  # The page's own polling: the overview, the comparison and a run's page,
  # from CLIENTS pages; the load waits for the server to answer.
  ( for _ in $(seq 200); do curl -s -o /dev/null "http://127.0.0.1:$port/api/overview" && break; sleep 0.05; done
    RUNS=20 exec "$load" "$port" "$clients" 600 2000 /api/overview /api/plans/1/comparison "/api/runs/{run}" ) \
    >/dev/null 2>&1 &
  loader=$!
  timed "$series" $plan --db "$work/s.sqlite" --serve "$port"
  grep -q "shows the series while it runs" "$work/err" || { echo "no dashboard: $(cat "$work/err")" >&2; exit 1; }
  kill "$loader" 2>/dev/null || true
  wait "$loader" 2>/dev/null || true
}
aw=(); ac=(); bw=(); bc=()
for _ in $(seq "$repeats"); do
  read -r w c < <(alone); aw+=("$w"); ac+=("$c")
  read -r w c < <(busy); bw+=("$w"); bc+=("$c")
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "alone:          wall ${aw[*]} s (median $(median "${aw[@]}")), cpu ${ac[*]} s (median $(median "${ac[@]}"))"
echo "busy dashboard: wall ${bw[*]} s (median $(median "${bw[@]}")), cpu ${bc[*]} s (median $(median "${bc[@]}"))"
awk -v a="$(median "${aw[@]}")" -v b="$(median "${bw[@]}")" -v ca="$(median "${ac[@]}")" -v cb="$(median "${bc[@]}")" \
  'BEGIN { printf "speed beside a busy dashboard: %.3f x by wall time, %.3f x by CPU time (target >= 0.98)\n", a / b, ca / cb }'
