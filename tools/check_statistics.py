#!/usr/bin/python3
"""Compares the statistics of `zarudiv-series report` with scipy's.

Writes series databases whose final Qs are chosen here (no campaign runs),
runs `zarudiv-series report --csv` on each, and checks every p-value and
statistic of the report against scipy.stats (wilcoxon, friedmanchisquare,
kruskal) on the same values read back from the database, and the Holm
p-values and A12 against the plain definitions written out below. Prints
the largest difference and exits 1 when one exceeds 1e-9.

    /usr/bin/python3 tools/check_statistics.py [build-dir]

Needs Debian's python3-scipy (the /usr/bin/python3 that has it).
"""

import csv
import os
import sqlite3
import subprocess
import sys
import tempfile

import numpy as np
from scipy import stats

TOLERANCE = 1e-9
EXACT_PAIRS = 50  # the report's limit for the exact Wilcoxon distribution


def make_database(series, path, finals):
    """finals: {(G, M, P): {seed: final Q}}. The schema comes from a one-run
    series, so that it is the program's own."""
    subprocess.run([series, "--generations", "1", "--mutants", "1", "--step", "1", "--repeat", "1",
                    "--seed", "1", "--threads", "1", "--db", path],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    db = sqlite3.connect(path)
    db.execute("DELETE FROM generations")
    db.execute("DELETE FROM runs")
    for (g, m, p), runs in finals.items():
        for seed, q in runs.items():
            run_id = db.execute(
                "INSERT INTO runs(plan_id, generations, mutants, step_ppm, seed, status, best_q, "
                "best_generation, evaluations) VALUES (1, ?, ?, ?, ?, 'done', ?, ?, ?)",
                (g, m, p, seed, q, g, g * m)).lastrowid
            # The best Q falls to the final Q in the last generation.
            db.executemany("INSERT INTO generations VALUES (?, ?, ?, 1e-6, 1)",
                           [(run_id, k, q + (g - k)) for k in range(1, g + 1)])
    db.commit()
    db.close()


def report(series, db, out):
    subprocess.run([series, "report", "--db", db, "--csv", out], check=True,
                   stdout=subprocess.DEVNULL)
    with open(os.path.join(out, "final-q.csv")) as f:
        rows = list(csv.DictReader(f))
    with open(os.path.join(out, "omnibus.csv")) as f:
        omnibus = [r for r in csv.DictReader(f) if r["view"] == "final-q"][0]
    return rows, omnibus


def holm(p):
    order = np.argsort(p, kind="stable")
    m = len(p)
    adjusted = np.empty(m)
    running = 0.0
    for i, k in enumerate(order):
        running = max(running, min(1.0, (m - i) * p[k]))
        adjusted[k] = running
    return adjusted


def a12(best, other):
    """The chance that a value of best is lower than one of other, ties half."""
    wins = sum((b < o) + 0.5 * (b == o) for b in best for o in other)
    return wins / (len(best) * len(other))


class Comparison:
    def __init__(self):
        self.largest = 0.0
        self.checked = 0
        self.failures = []
        self.modes = {"exact": 0, "approx": 0, "zeros": 0}

    def check(self, case, what, ours, theirs):
        difference = abs(float(ours) - float(theirs))
        self.checked += 1
        self.largest = max(self.largest, difference)
        if not difference <= TOLERANCE:
            self.failures.append(f"{case}: {what}: report {ours}, reference {theirs}")


def check_case(series, work, name, finals, result):
    db = os.path.join(work, name + ".sqlite")
    make_database(series, db, finals)
    rows, omnibus = report(series, db, os.path.join(work, name))
    key = lambda r: (int(r["generations"]), int(r["mutants"]), int(r["step_ppm"]))
    best = key(rows[0])
    tested = []
    for row in rows[1:]:
        if not row["p"]:
            continue
        other = key(row)
        seeds = sorted(set(finals[best]) & set(finals[other]))
        x = np.array([finals[other][s] for s in seeds])
        y = np.array([finals[best][s] for s in seeds])
        d = x - y
        result.modes["zeros"] += int(np.sum(d == 0))
        d = d[d != 0]  # Wilcoxon's zero method: the report drops them before it ranks
        ties = len(np.unique(np.abs(d))) < len(d)
        mode = "exact" if len(d) <= EXACT_PAIRS and not ties else "approx"
        assert (row["exact"] == "yes") == (mode == "exact"), (name, other)
        result.modes[mode] += 1
        if len(d) == 0:
            reference_p, reference_w = 1.0, 0.0
        else:
            w = stats.wilcoxon(d, zero_method="wilcox", correction=False, mode=mode)
            reference_p, reference_w = w.pvalue, w.statistic
        result.check(name, f"{other} Wilcoxon p ({mode})", row["p"], reference_p)
        result.check(name, f"{other} Wilcoxon W", row["w"], reference_w)
        result.check(name, f"{other} A12", row["a12"], a12(y, x))
        tested.append((row, float(row["p"]), reference_p))
    if tested:
        ours = holm([t[1] for t in tested])
        theirs = holm([t[2] for t in tested])
        for (row, _, _), a, b in zip(tested, ours, theirs):
            result.check(name, f"{key(row)} Holm p", row["holm_p"], b)
            result.check(name, f"{key(row)} Holm p of the report's p", row["holm_p"], a)

    settings = [key(r) for r in rows if r["runs"] and int(r["runs"]) >= 2]
    common = sorted(set.intersection(*(set(finals[s]) for s in settings)))
    if omnibus["test"] == "friedman":
        assert len(common) >= 2
        columns = [[finals[s][seed] for seed in common] for s in settings]
        f = stats.friedmanchisquare(*columns)
        result.check(name, "Friedman chi2", omnibus["statistic"], f.statistic)
        result.check(name, "Friedman p", omnibus["p"], f.pvalue)
    else:
        assert omnibus["test"] == "kruskal-wallis" and len(common) < 2
        k = stats.kruskal(*[list(finals[s].values()) for s in settings])
        result.check(name, "Kruskal-Wallis H", omnibus["statistic"], k.statistic)
        result.check(name, "Kruskal-Wallis p", omnibus["p"], k.pvalue)
    return len(tested)


def settings_grid(count):
    return [(100, m, p) for m in (2, 5, 10, 20) for p in (100, 500, 1000)][:count]


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    series = os.path.join(build, "bin", "zarudiv-series")
    rng = np.random.default_rng(20261208)
    cases = {}

    def shifted(count, seeds, spread, shift, decimals=None, seed_list=None):
        finals = {}
        base = rng.normal(200.0, spread, size=len(seed_list or range(seeds)))
        for i, s in enumerate(settings_grid(count)):
            values = base + rng.normal(i * shift, spread, size=len(base))
            if decimals is not None:
                values = np.round(values, decimals)
            finals[s] = {seed: float(v) for seed, v in zip(seed_list or range(1, seeds + 1), values)}
        return finals

    cases["exact, 12 seeds"] = shifted(4, 12, 3.0, 1.5)
    cases["exact, 50 seeds"] = shifted(3, 50, 3.0, 0.8)
    cases["normal, 51 seeds"] = shifted(3, 51, 3.0, 0.8)
    cases["normal, 300 seeds"] = shifted(6, 300, 5.0, 0.5)
    cases["ties, 30 seeds"] = shifted(5, 30, 2.0, 0.6, decimals=0)
    # Zeros: settings that agree with the best on some seeds.
    zeros = shifted(4, 25, 3.0, 1.0)
    first = min(zeros, key=lambda s: np.median(list(zeros[s].values())))
    for s in zeros:
        if s != first:
            for seed in range(1, 8):
                zeros[s][seed] = zeros[first][seed]
    cases["zeros, 25 seeds"] = zeros
    # Seeds that do not line up: Kruskal-Wallis, and no paired tests.
    cases["disjoint seeds"] = {
        (100, 2, 100): {s: float(v) for s, v in zip(range(1, 11), rng.normal(200, 3, 10))},
        (100, 5, 100): {s: float(v) for s, v in zip(range(11, 26), rng.normal(202, 3, 15))},
        (100, 10, 100): {s: float(v) for s, v in zip(range(26, 34), rng.normal(199, 3, 8))},
    }
    cases["disjoint seeds, ties"] = {
        (100, 2, 100): {s: float(v) for s, v in zip(range(1, 21), np.round(rng.normal(200, 2, 20)))},
        (100, 5, 100): {s: float(v) for s, v in zip(range(21, 41), np.round(rng.normal(201, 2, 20)))},
    }

    result = Comparison()
    with tempfile.TemporaryDirectory() as work:
        for name, finals in cases.items():
            tests = check_case(series, work, name.replace(" ", "_").replace(",", ""), finals, result)
            print(f"{name:24s} {len(finals)} settings, {tests} paired tests")
    print(f"{result.checked} values compared with scipy {__import__('scipy').__version__} "
          f"({result.modes['exact']} exact and {result.modes['approx']} normal Wilcoxon tests, "
          f"{result.modes['zeros']} pairs without a difference); largest difference "
          f"{result.largest:.3g}")
    for failure in result.failures:
        print("MISMATCH", failure)
    return 1 if result.failures else 0


if __name__ == "__main__":
    sys.exit(main())
