"""A series database, read without changing it.

series(db) opens the file read-only (SQLite's mode=ro), so it can be read
while a series is writing it: a reader sees every run committed when it
reads. The tables come as pandas DataFrames when pandas is there, otherwise
as dicts of numpy arrays, one per column.
"""

import csv
import io
import os
import sqlite3
import urllib.parse

import numpy as np

from zarudiv import _core
from zarudiv._core import Law

# PRAGMA application_id of a series database ("ZSER") and the schema
# versions this module reads.
APPLICATION_ID = 0x5A534552
SCHEMA_VERSIONS = range(1, 6)

try:
    import pandas as _pandas
except ImportError:  # pragma: no cover - Debian's python3-pandas is installed here
    _pandas = None


class Series:
    """The plans, runs and generations of a series database."""

    def __init__(self, db):
        self.path = os.fspath(db)
        if not os.path.isfile(self.path):
            raise FileNotFoundError(f"{self.path}: no such series database")
        uri = "file:" + urllib.parse.quote(os.path.abspath(self.path)) + "?mode=ro"
        try:
            self._db = sqlite3.connect(uri, uri=True, timeout=10.0)
            application_id = self._db.execute("PRAGMA application_id").fetchone()[0]
            version = self._db.execute("PRAGMA user_version").fetchone()[0]
        except sqlite3.DatabaseError as error:
            raise ValueError(f"{self.path}: not a series database ({error})") from None
        if application_id != APPLICATION_ID:
            self._db.close()
            raise ValueError(f"{self.path}: not a series database")
        if version not in SCHEMA_VERSIONS:
            self._db.close()
            raise ValueError(
                f"{self.path}: a series database of schema version {version}, which this "
                f"module does not know (it reads {SCHEMA_VERSIONS.start} to "
                f"{SCHEMA_VERSIONS.stop - 1})")
        self.schema_version = version

    def close(self):
        self._db.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _table(self, sql, parameters=()):
        # One read transaction: a series writing meanwhile commits whole runs,
        # and this sees each run whole or not at all.
        cursor = self._db.execute(sql, parameters)
        columns = [d[0] for d in cursor.description]
        rows = cursor.fetchall()
        if _pandas is not None:
            return _pandas.DataFrame.from_records(rows, columns=columns)
        return {c: np.array([r[i] for r in rows]) for i, c in enumerate(columns)}

    def plans(self):
        """Every plan recorded: its command line, start, program, lists, seeds."""
        return self._table("SELECT * FROM plans ORDER BY id")

    def runs(self, status=None):
        """The runs (all, or those of one status: 'done', 'pending', 'failed').

        best_law holds each done run's law file; law(run_id) reads it."""
        if status is None:
            return self._table("SELECT * FROM runs ORDER BY id")
        return self._table("SELECT * FROM runs WHERE status = ? ORDER BY id", (status,))

    def generations(self, run_id=None):
        """Each stored run's generations (run_id, generation, best_q, step_width, accepted)."""
        if run_id is None:
            return self._table("SELECT * FROM generations ORDER BY run_id, generation")
        return self._table(
            "SELECT * FROM generations WHERE run_id = ? ORDER BY generation", (int(run_id),))

    def law(self, run_id):
        """The best law of a done run, exactly as the run wrote it (a zarudiv.Law)."""
        row = self._db.execute("SELECT status FROM runs WHERE id = ?", (int(run_id),)).fetchone()
        if row is None:
            raise KeyError(f"{self.path}: the database has no run {run_id}")
        if row[0] != "done":
            raise ValueError(
                f"{self.path}: run {run_id} is {row[0]}, not done: it has no best law yet")
        text = None
        columns = {r[1] for r in self._db.execute("PRAGMA table_info(runs)")}
        if "best_law" in columns:
            text = self._db.execute(
                "SELECT best_law FROM runs WHERE id = ?", (int(run_id),)).fetchone()[0]
        if not text:
            raise ValueError(
                f"{self.path}: run {run_id} was stored by a version that kept no law; "
                "zarudiv-run --law-out FILE with the run's settings and seed writes it")
        return Law.from_text(text, f"{self.path} run {run_id}")

    def report(self, budgets=(), targets=(), alpha=0.05, bootstrap_seed=1):
        """The tables of zarudiv-series report over this database, by name.

        'final-q' and one 'budget-E' per budget (evaluations): a row per
        setting with the quartiles, the paired test against the best (W, p,
        Holm p, A12, the bootstrap interval) and its best and median runs;
        'omnibus': the Friedman or Kruskal-Wallis test of each view;
        'targets': successes, ERT and median evaluations per target (a ladder
        when none are given); 'runs': every done run's values. The numbers
        are the report's own, read back exactly (17 significant digits)."""
        tables = _core.report_tables(self.path, [int(b) for b in budgets],
                                     [float(t) for t in targets], float(alpha),
                                     int(bootstrap_seed))
        if _pandas is not None:
            return {name: _pandas.read_csv(io.BytesIO(data), float_precision="round_trip",
                                           keep_default_na=False, na_values=[""])
                    for name, data in tables.items()}
        return {name: list(csv.DictReader(io.StringIO(data.decode("utf-8"))))
                for name, data in tables.items()}


def series(db):
    """Opens a series database read-only: Series(db)."""
    return Series(db)
