#!/usr/bin/env bash
# One rank 0's ceiling, measured without a cluster: runs of 60 x 10 and of
# 1000 x 20 taken and stored per second by the coordinator from simulated
# processes whose runs end at once, the rank 0 CPU it takes, and the cores
# one rank 0 keeps busy at that run length; then the MPI path between two
# local processes and the running rows' heartbeats.
#   bench/series_store.sh [build-dir [before-build-dir]]
#   env: REPEATS=3 RUNS60=20000 RUNS1000=2000 PROCESSES=250 CORES=4 MPI=1
# With a second build directory, the two programs run alternately in the
# same loop and their medians are compared (after / before).
set -euo pipefail
after=${1:-build}/bin/zarudiv_series_store_bench
before=${2:+$2/bin/zarudiv_series_store_bench}
for bench in "$after" ${before:+"$before"}; do
  [ -x "$bench" ] || { echo "no $bench: build first" >&2; exit 1; }
done
repeats=${REPEATS:-3}
runs60=${RUNS60:-20000}
runs1000=${RUNS1000:-2000}
groups=${PROCESSES:-250}
cores=${CORES:-4}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
field() { sed -n "s/^RESULT .*\\b$1=\\([0-9.]*\\).*/\\1/p"; }

# A run's time on one core, measured once for both programs (a real run each).
echo "measuring one run of each length ..."
s60=$("$after" store --generations 60 --mutants 10 --runs 1 --groups 1 --cores 1 --templates 4 | field seconds_per_run)
s1000=$("$after" store --generations 1000 --mutants 20 --runs 1 --groups 1 --cores 1 --templates 1 | field seconds_per_run)
echo "one run of 60 x 10: $s60 s; of 1000 x 20: $s1000 s"

names=(after)
[ -n "$before" ] && names+=(before)
for _ in $(seq "$repeats"); do
  for name in "${names[@]}"; do
    bench=$after
    [ "$name" = before ] && bench=$before
    "$bench" store --generations 60 --mutants 10 --runs "$runs60" --groups "$groups" --cores "$cores" \
      --seconds-per-run "$s60" >"$work/out" && grep '^RESULT' "$work/out" >>"$work/$name.60"
    # Rows of the same length from a run of one mutant, which takes a
    # twentieth of the time to compute; the ceiling takes 1000 x 20's time.
    "$bench" store --generations 1000 --mutants 1 --runs "$runs1000" --groups "$groups" --cores "$cores" \
      --templates 1 --seconds-per-run "$s1000" >"$work/out" && grep '^RESULT' "$work/out" >>"$work/$name.1000"
  done
done

echo
echo "store, $groups processes x $cores cores simulated; medians of $repeats"
printf '%-8s %-10s %12s %16s %10s %12s %10s\n' program run runs/s "generation rows/s" "us/run" "rank0 CPU" cores
for length in 60 1000; do
  for name in "${names[@]}"; do
    f="$work/$name.$length"
    printf '%-8s %-10s %12.0f %16.0f %10.1f %11.0f%% %10.0f\n' "$name" "$length gen" \
      "$(field runs_per_s <"$f" | median)" "$(field rows_per_s <"$f" | median)" \
      "$(field us_per_run <"$f" | median)" "$(awk '{ print 100 * $1 }' < <(field cpu_share <"$f" | median))" \
      "$(field cores <"$f" | median)"
  done
  if [ -n "$before" ]; then
    a=$(field runs_per_s <"$work/after.$length" | median)
    b=$(field runs_per_s <"$work/before.$length" | median)
    awk -v a="$a" -v b="$b" -v l="$length" 'BEGIN { printf "  %s generations: after / before = %.2f\n", l, a / b }'
  fi
done

if [ "${MPI:-1}" = 1 ] && command -v mpirun >/dev/null; then
  export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1
  export OMPI_MCA_btl_vader_single_copy_mechanism=none
  echo
  for name in "${names[@]}"; do
    bench=$after
    [ "$name" = before ] && bench=$before
    for length in 60 1000; do
      if [ "$length" = 60 ]; then args="--generations 60 --mutants 10 --runs $runs60 --seconds-per-run $s60"
      else args="--generations 1000 --mutants 1 --runs $runs1000 --templates 1 --messages 2000 --seconds-per-run $s1000"; fi
      echo "$name:"
      mpirun --oversubscribe --bind-to none -np 2 "$bench" mpi $args --worker-threads 16 | grep -v '^RESULT'
    done
  done
fi

echo
"$after" heartbeat --runs 100000 | grep -v '^RESULT'
