#!/usr/bin/env python3
"""Campaigns from Python threads: the module releases the interpreter's lock
while a campaign runs, so 4 campaigns on 2 threads take about half the time
of the same 4 one after another (on a machine with 2 free cores). The same
4 campaigns as runner processes, two at a time, show what the machine gives
at the moment: on a shared machine the threads should match them.

    /usr/bin/python3 bench/python_threads.py [build-dir] [generations] [mutants] [repeats]

The two ways alternate, and the medians are compared; each campaign runs its
mutants on one engine thread. The results of both ways are checked equal.
"""

import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from concurrent.futures import ThreadPoolExecutor

build = sys.argv[1] if len(sys.argv) > 1 else "build"
generations = int(sys.argv[2]) if len(sys.argv) > 2 else 300
mutants = int(sys.argv[3]) if len(sys.argv) > 3 else 20
repeats = int(sys.argv[4]) if len(sys.argv) > 4 else 3
sys.path.insert(0, f"{build}/python")
import zarudiv  # noqa: E402

seeds = [1, 2, 3, 4]
scratch = tempfile.mkdtemp()


def campaign(seed):
    return zarudiv.run(generations, mutants, 500, seed, save=True, threads=1)


def sequential():
    return [campaign(s) for s in seeds]


def two_threads():
    with ThreadPoolExecutor(max_workers=2) as pool:
        return list(pool.map(campaign, seeds))


def two_processes():
    def one(seed):
        subprocess.run([f"{build}/bin/zarudiv-run", "--generations", str(generations), "--mutants",
                        str(mutants), "--step", "500", "--seed", str(seed), "--save", "--threads",
                        "1", "--protocol", f"{scratch}/p{seed}.doc"], check=True,
                       stdout=subprocess.DEVNULL)
    with ThreadPoolExecutor(max_workers=2) as pool:
        list(pool.map(one, seeds))
    return None


times = {"one after another": [], "2 Python threads": [], "2 runner processes": []}
# The process's CPU seconds per second of wall time: about 2 while both
# threads compute on a free machine, 1 when the lock serialises them (the
# runner processes' time is not the script's: about 0 there).
busy = {name: [] for name in times}
for _ in range(repeats):
    for name, way in [("one after another", sequential), ("2 Python threads", two_threads),
                      ("2 runner processes", two_processes)]:
        start, cpu = time.perf_counter(), time.process_time()
        results = way()
        times[name].append(time.perf_counter() - start)
        busy[name].append((time.process_time() - cpu) / times[name][-1])
        if results is None:
            continue
        protocols = [r.protocol for r in results]
        if name == "one after another":
            expected = protocols
        elif protocols != expected:
            sys.exit("the threaded campaigns differ from the sequential ones")

print(f"4 campaigns of {generations} generations x {mutants} mutants, {repeats} times each way")
for name, seconds in times.items():
    print(f"{name:>18}: median {statistics.median(seconds):7.3f} s  "
          f"(all: {', '.join(f'{s:.3f}' for s in seconds)}); "
          f"CPU per wall second {statistics.median(busy[name]):.2f}")
median = {name: statistics.median(seconds) for name, seconds in times.items()}
print(f"threads / sequential: {median['2 Python threads'] / median['one after another']:.2f}; "
      f"threads / processes: {median['2 Python threads'] / median['2 runner processes']:.2f}")
shutil.rmtree(scratch)
