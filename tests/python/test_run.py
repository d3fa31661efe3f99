"""zarudiv.run against the runner: same seed, same arrays, protocol and law."""

import csv
import os
import signal
import threading
import time

import numpy as np
import pytest

import zarudiv
from conftest import evaluate_output, same_bits

CAMPAIGNS = [
    pytest.param(dict(generations=30, mutants=6, step_ppm=500, seed=42, save=True, threads=1),
                 id="saved"),
    pytest.param(dict(generations=25, mutants=5, step_ppm=900, seed=7, save=False, threads=2),
                 id="unsaved-2-threads"),
]


def runner_arguments(c):
    args = ["--generations", c["generations"], "--mutants", c["mutants"], "--seed", c["seed"],
            "--threads", c["threads"]]
    if c.get("step_ppm") is not None:
        args += ["--step", c["step_ppm"]]
    return args + (["--save"] if c["save"] else [])


def law_lines(text):
    # Everything but the program line (its commit says "-dirty" in a tree with
    # changes) and the checksum over it.
    return [line for line in text.splitlines() if not line.startswith(("program ", "crc32 "))]


def compare_with_runner(result, c, runner, tmp_path, extra=()):
    protocol = tmp_path / "runner.doc"
    runner(*runner_arguments(c), *extra, "--log", "log.csv", "--protocol", protocol,
           "--law-out", "best.law")
    with open(tmp_path / "log.csv") as f:
        rows = list(csv.DictReader(f))
    for column, kind in [("generation", int), ("evaluations", int), ("best_q", float),
                         ("step_width", float), ("accepted", int)]:
        logged = np.array([kind(row[column]) for row in rows])
        assert np.array_equal(getattr(result, column), logged), column
    assert result.q == result.best_q[-1]
    # The first line names the file; from the second on the bytes are the runner's.
    assert result.protocol.split(b"\r\n", 1)[1] == protocol.read_bytes().split(b"\r\n", 1)[1]
    assert law_lines(result.best_law.text()) == law_lines((tmp_path / "best.law").read_text())
    q, developed = evaluate_output(runner("--evaluate", "best.law").stdout)
    assert q == result.q
    assert same_bits(result.best_evolved, developed)


@pytest.mark.parametrize("c", CAMPAIGNS)
def test_same_seed_gives_the_runners_arrays_protocol_and_law(c, runner, tmp_path):
    result = zarudiv.run(c["generations"], c["mutants"], c["step_ppm"], c["seed"],
                         save=c["save"], threads=c["threads"])
    assert result.protocol.startswith(
        b"##### QX++ Document #####  BEGIN of Savefile: > C:/QX_000_000.doc <")
    compare_with_runner(result, c, runner, tmp_path)
    named = zarudiv.run(c["generations"], c["mutants"], c["step_ppm"], c["seed"], save=c["save"],
                        protocol_name=str(tmp_path / "runner.doc"))
    assert named.protocol == (tmp_path / "runner.doc").read_bytes()


@pytest.mark.parametrize("step_ppm", [None, 300], ids=["law-step", "value-step"])
def test_start_law_continues_as_the_runner_does(step_ppm, runner, tmp_path):
    runner("--generations", 20, "--mutants", 5, "--step", 700, "--seed", 3,
           "--law-out", "first.law")
    start = zarudiv.Law.load(str(tmp_path / "first.law"))
    c = dict(generations=15, mutants=4, step_ppm=step_ppm, seed=11, save=True, threads=1)
    result = zarudiv.run(15, 4, step_ppm, 11, save=True, start_law=start)
    which = "law-step " if step_ppm is None else "value-step "
    assert result.best_law.start_law.endswith(which + str(tmp_path / "first.law"))
    compare_with_runner(result, c, runner, tmp_path, extra=("--start-law", tmp_path / "first.law"))


def test_floating_point_fault_raises_with_the_runners_message_and_rows(runner, tmp_path):
    zeros = np.zeros(20, dtype=np.longdouble)
    zarudiv.Law(zeros, zeros, 1e6).save(str(tmp_path / "huge.law"))
    start = zarudiv.Law.load(str(tmp_path / "huge.law"))
    with pytest.raises(FloatingPointError) as fault:
        zarudiv.run(12, 4, None, 3, save=True, start_law=start,
                    protocol_name=str(tmp_path / "p.doc"))
    done = runner("--generations", 12, "--mutants", 4, "--seed", 3, "--save", "--start-law",
                  tmp_path / "huge.law", "--protocol", tmp_path / "p.doc", check=False)
    assert done.returncode == 1
    assert done.stderr.decode().strip() == "zarudiv-run: " + str(fault.value)
    assert str(fault.value) == "Gleitkommaüberlauf"
    # The fault comes in generation 7: six rows, then the protocol ends.
    assert fault.value.generations_done == 6
    assert fault.value.protocol == (tmp_path / "p.doc").read_bytes()


@pytest.mark.parametrize("args, word", [
    ((10001, 5, 500, 1), "generations"),
    ((10, 101, 500, 1), "mutants"),
    ((10, 5, 1001, 1), "step_ppm"),
    ((10, 5, 500, -1), "seed"),
    ((10, 5, 500, 2 ** 32), "seed"),
    ((10, 5, None, 1), "step_ppm"),
])
def test_settings_outside_the_runners_ranges_are_refused(args, word):
    with pytest.raises(ValueError, match=word):
        zarudiv.run(*args)


def test_ctrl_c_stops_the_campaign_and_raises_keyboard_interrupt():
    # The campaign would run for minutes; a signal Python handled only after
    # it returned would still raise, but that late.
    previous = signal.signal(signal.SIGINT, signal.default_int_handler)
    timer = threading.Timer(0.3, lambda: os.kill(os.getpid(), signal.SIGINT))
    try:
        started = time.monotonic()
        timer.start()
        with pytest.raises(KeyboardInterrupt):
            zarudiv.run(10000, 100, 500, 1)
        assert time.monotonic() - started < 30
    finally:
        timer.cancel()
        signal.signal(signal.SIGINT, previous)
