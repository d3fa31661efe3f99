#!/usr/bin/env bash
# What scaling out costs on one machine: the same series as one process on
# 2 threads and as `mpirun -np 2` with 1 thread per process (with Open MPI's
# default binding of each process to a core, and with --bind-to none),
# alternating, medians compared; and the bytes the processes exchange per
# run, with and without the protocols.
#   bench/series_mpi.sh [build-dir]
#   env: GENERATIONS=60 MUTANTS=10 RUNS=120 REPEATS=5
# "total" is the command's wall time, process start-up included; "series" the
# time the series itself reports for its runs (from the plan to the last run
# stored), which is what a long series sees.
set -euo pipefail
build=${1:-build}
series="$build/bin/zarudiv-series"
[ -x "$series" ] || { echo "no $series: build first (tools/build.sh)" >&2; exit 1; }
command -v mpirun >/dev/null || { echo "needs mpirun (apt-get install openmpi-bin)" >&2; exit 1; }
generations=${GENERATIONS:-60}
mutants=${MUTANTS:-10}
runs=${RUNS:-120}
repeats=${REPEATS:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1
export OMPI_MCA_btl_vader_single_copy_mechanism=none

plan="--generations $generations --mutants $mutants --step 500 --repeat $runs --seed 1"
now() { date +%s.%N; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One series: "alone" (1 process, 2 threads), "mpi" (2 x 1, default binding)
# or "unbound" (2 x 1, --bind-to none). Appends the total and the series'
# own seconds to $work/<how>.total and $work/<how>.series.
timed() {
  local how=$1 start
  rm -rf "$work"/s.sqlite*
  start=$(now)
  case $how in
    alone) "$series" $plan --threads 2 --db "$work/s.sqlite" >/dev/null 2>"$work/err" ;;
    mpi) mpirun --oversubscribe -np 2 "$series" $plan --threads 1 --db "$work/s.sqlite" \
           >/dev/null 2>"$work/err" ;;
    unbound) mpirun --oversubscribe --bind-to none -np 2 "$series" $plan --threads 1 \
               --db "$work/s.sqlite" >/dev/null 2>"$work/err" ;;
  esac
  awk -v s="$start" -v e="$(now)" 'BEGIN { print e - s }' >>"$work/$how.total"
  sed -n 's/.* runs in \([0-9.]*\) s:.*/\1/p' "$work/err" >>"$work/$how.series"
}

for how in alone mpi unbound; do : >"$work/$how.total"; : >"$work/$how.series"; done
for _ in $(seq "$repeats"); do
  for how in alone mpi unbound; do timed "$how"; done
done

echo "series: $runs runs of $generations generations x $mutants mutants; median of $repeats each"
a=$(median <"$work/alone.series")
for how in alone mpi unbound; do
  t=$(median <"$work/$how.total"); s=$(median <"$work/$how.series")
  case $how in
    alone) name="1 process x 2 threads      " ;;
    mpi) name="mpirun -np 2 x 1 thread    " ;;
    unbound) name="  the same, --bind-to none " ;;
  esac
  awk -v n="$name" -v t="$t" -v s="$s" -v a="$a" -v r="$runs" 'BEGIN {
    printf "%s total %7.3f s   series %7.3f s  %6.2f runs/s  (%.3f of one process)\n", n, t, s, r / s, a / s }'
done
for how in alone mpi unbound; do
  echo "  $how, series seconds of each repetition: $(paste -sd' ' "$work/$how.series")"
done

rm -rf "$work"/s.sqlite*
mpirun --oversubscribe -np 2 "$series" $plan --threads 1 --db "$work/s.sqlite" >/dev/null 2>"$work/err"
grep "MPI:" "$work/err" | sed 's/^zarudiv-series: MPI: /traffic without protocols: /'
rm -rf "$work"/s.sqlite*
mpirun --oversubscribe -np 2 "$series" $plan --threads 1 --db "$work/s.sqlite" --protocols "$work/prot" \
  >/dev/null 2>"$work/err"
grep "MPI:" "$work/err" | sed 's/^zarudiv-series: MPI: /traffic with --protocols:    /'
echo "a protocol of this plan: $(wc -c <"$(ls "$work"/prot/*.doc | head -1)") bytes"
