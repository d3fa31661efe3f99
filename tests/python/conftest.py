"""The programs the module is compared with, run as processes."""

import os
import pathlib
import subprocess

import numpy as np
import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
RUNNER = os.environ.get("ZARUDIV_RUN", str(ROOT / "build/bin/zarudiv-run"))
SERIES = os.environ.get("ZARUDIV_SERIES", str(ROOT / "build/bin/zarudiv-series"))


def run_program(program, *args, cwd, check=True):
    done = subprocess.run([program, *map(str, args)], cwd=cwd, capture_output=True, timeout=300)
    if check and done.returncode != 0:
        raise AssertionError(f"{program} {args} exited {done.returncode}: {done.stderr.decode()}")
    return done


@pytest.fixture
def runner(tmp_path):
    return lambda *args, check=True: run_program(RUNNER, *args, cwd=tmp_path, check=check)


@pytest.fixture
def series_program(tmp_path):
    return lambda *args: run_program(SERIES, *args, cwd=tmp_path)


def evaluate_output(stdout):
    """The runner's --evaluate output: Q and the developed vector (read from
    its 21-digit decimals, which numpy reads back exactly)."""
    lines = [line.split() for line in stdout.decode().splitlines()]
    assert lines[0][0] == "q"
    developed = np.array(
        [np.longdouble(words[3]) for words in lines[1:] if words[0] == "developed"])
    return float(lines[0][1]), developed


def same_bits(a, b):
    a, b = np.asarray(a, dtype=np.longdouble), np.asarray(b, dtype=np.longdouble)
    # The 80-bit value is the low ten bytes of each sixteen.
    view = lambda x: np.frombuffer(x.tobytes(), dtype=np.uint8).reshape(-1, 16)[:, :10]
    return a.shape == b.shape and np.array_equal(view(a), view(b))
