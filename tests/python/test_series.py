"""zarudiv.series: a series database read as it is, while a series writes it."""

import hashlib
import subprocess
import time

import numpy as np
import pandas
import pytest

import zarudiv
from conftest import SERIES


@pytest.fixture
def tiny_series(series_program, tmp_path):
    series_program("--generations", "8,12", "--mutants", 4, "--step", 300, "--repeat", 2,
                   "--seed", 5, "--db", "s.sqlite", "--threads", 1)
    return tmp_path / "s.sqlite"


def test_each_stored_law_evaluates_to_its_runs_q_bit_for_bit(tiny_series):
    before = tiny_series.read_bytes()
    with zarudiv.series(tiny_series) as s:
        runs = s.runs()
        assert len(runs) == 4 and (runs.status == "done").all()
        for run in runs.itertuples():
            law = s.law(run.id)
            assert law.evaluate()[0] == run.best_q
            assert law.campaign == (f"--generations {run.generations} --mutants 4 --step 300 "
                                    f"--seed {run.seed} --save")
            assert law.text() == run.best_law
    assert tiny_series.read_bytes() == before


def test_tables_are_the_runs_of_the_same_settings_and_seeds(tiny_series):
    with zarudiv.series(tiny_series) as s:
        runs = s.runs("done")
        plans = s.plans()
        columns = ["generations", "mutants", "step_ppm", "first_seed", "repeat", "runs"]
        assert list(plans[columns].iloc[0]) == ["8,12", "4", "300", 5, 2, 4]
        for run in runs.itertuples():
            result = zarudiv.run(run.generations, run.mutants, run.step_ppm, run.seed, save=True)
            rows = s.generations(run.id)
            assert np.array_equal(rows.generation, result.generation)
            assert np.array_equal(rows.best_q, result.best_q)
            assert np.array_equal(rows.step_width, result.step_width)
            assert np.array_equal(rows.accepted, result.accepted)
            assert run.best_q == result.q and run.evaluations == result.evaluations[-1]
            after_name = result.protocol.split(b"\r\n", 1)[1]
            assert run.protocol_sha256 == hashlib.sha256(after_name).hexdigest()


def test_a_series_being_written_reads_whole_runs(tmp_path):
    args = ["--generations", 40, "--mutants", 5, "--step", 500, "--repeat", 60, "--seed", 1,
            "--db", "w.sqlite", "--threads", 1]
    writer = subprocess.Popen([SERIES, *map(str, args)],
                              cwd=tmp_path, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    db = tmp_path / "w.sqlite"
    seen = []
    try:
        while writer.poll() is None:
            if db.exists():
                try:
                    with zarudiv.series(db) as s:
                        done = s.runs("done")
                        counts = s.generations().groupby("run_id").size()
                        # Every run stored is stored whole: all its generations.
                        assert all(counts.get(i, 0) == 40 for i in done.id)
                        seen.append(len(done))
                except ValueError as error:
                    # The moment before the series has made its tables.
                    assert "not a series database" in str(error) and not seen
            time.sleep(0.05)
    finally:
        writer.wait(timeout=120)
    assert writer.returncode == 0, writer.stderr.read().decode()
    assert seen == sorted(seen) and any(0 < n < 60 for n in seen)
    with zarudiv.series(db) as s:
        assert len(s.runs("done")) == 60


def test_a_file_that_is_not_a_series_is_refused(tmp_path):
    (tmp_path / "x.sqlite").write_bytes(b"not a database, but long enough to look like one" * 20)
    with pytest.raises(ValueError, match="not a series database"):
        zarudiv.series(tmp_path / "x.sqlite")
    with pytest.raises(FileNotFoundError):
        zarudiv.series(tmp_path / "none.sqlite")


def test_the_report_tables_are_the_reports_own(series_program, tmp_path):
    # Two settings on the same seeds, so that the paired tests have pairs.
    series_program("--generations", 20, "--mutants", "3,6", "--step", 400, "--repeat", 4,
                   "--seed", 9, "--db", "r.sqlite", "--threads", 1)
    with zarudiv.series(tmp_path / "r.sqlite") as s:
        tables = s.report(budgets=[60])
    assert sorted(tables) == ["budget-60", "final-q", "omnibus", "runs", "targets"]
    # The same numbers as the report's --csv, which the program writes.
    subprocess.run([SERIES, "report", "--db", "r.sqlite", "--budget", "60", "--csv", "csv"],
                   cwd=tmp_path, check=True, stdout=subprocess.DEVNULL)
    for name, table in tables.items():
        expected = pandas.read_csv(tmp_path / "csv" / f"{name}.csv", float_precision="round_trip",
                                   keep_default_na=False, na_values=[""])
        pandas.testing.assert_frame_equal(table, expected, check_exact=True)
    final = tables["final-q"]
    assert len(final) == 2 and final.vs_best.iloc[0] == "best"
    # A run's value within 60 evaluations is its best Q after 60 / M generations.
    runs = tables["runs"]
    with zarudiv.series(tmp_path / "r.sqlite") as s:
        for run in runs[runs.mutants == 6].itertuples():
            rows = s.generations(run.run_id)
            assert run.q_within_60 == rows.best_q[rows.generation == 10].iloc[0]


def test_a_report_the_database_cannot_answer_is_a_value_error(series_program, tmp_path):
    series_program("--generations", 5, "--mutants", 2, "--step", 100, "--repeat", 2,
                   "--seed", 1, "--db", "b.sqlite", "--threads", 1)
    with zarudiv.series(tmp_path / "b.sqlite") as s:
        with pytest.raises(ValueError, match="b.sqlite"):
            s.report(budgets=[10**9])
