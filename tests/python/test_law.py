"""zarudiv.Law: exact values, the law file, evaluation and the model step."""

import numpy as np
import pytest

import zarudiv
from conftest import evaluate_output, same_bits


@pytest.fixture
def law_file(runner, tmp_path):
    runner("--generations", 40, "--mutants", 6, "--step", 500, "--seed", 42,
           "--law-out", "best.law")
    return tmp_path / "best.law"


def file_values(path):
    # The decimals of the file, read by numpy alone (as the README shows).
    kinds = ("activator ", "inhibitor ", "step ")
    rows = [line.split() for line in open(path) if line.startswith(kinds)]
    pick = lambda kind: np.array([np.longdouble(r[-1]) for r in rows if r[0] == kind])
    return pick("activator"), pick("inhibitor"), pick("step")


def test_load_save_round_trip_is_bit_exact(law_file, tmp_path):
    law = zarudiv.Law.load(str(law_file))
    activator, inhibitor, step = file_values(law_file)
    assert same_bits(law.activator, activator) and same_bits(law.inhibitor, inhibitor)
    assert same_bits(law.step, step[0])
    law.save(str(tmp_path / "again.law"))
    assert (tmp_path / "again.law").read_bytes() == law_file.read_bytes()

    # Values no double holds, through a law made here, the file and back.
    thirds = np.longdouble(1) / np.arange(3, 23, dtype=np.longdouble) * np.longdouble(1e-4)
    made = zarudiv.Law(thirds, -thirds[::-1], np.longdouble(1) / 3 * np.longdouble(1e-6))
    assert made.campaign is None and made.generation == 0
    made.save(str(tmp_path / "made.law"))
    back = zarudiv.Law.load(str(tmp_path / "made.law"))
    assert same_bits(back.activator, thirds) and same_bits(back.inhibitor, -thirds[::-1])
    assert same_bits(back.step, made.step) and back.q == made.q == made.evaluate()[0]
    assert same_bits(file_values(tmp_path / "made.law")[0], thirds)


def test_evaluate_is_the_runners_evaluate(law_file, runner):
    q, developed = zarudiv.Law.load(str(law_file)).evaluate()
    runner_q, runner_developed = evaluate_output(runner("--evaluate", law_file).stdout)
    assert q == runner_q and same_bits(developed, runner_developed)


def damaged(text, how):
    lines = text.splitlines(keepends=True)
    if how == "cut":
        return "".join(lines[:30])
    if how == "edited":
        # Activator 14 (line 19 of 0..) negated, its hexadecimal and decimal alike.
        words = lines[19].split()
        assert words[:2] == ["activator", "14"]
        flip = lambda w: w[1:] if w.startswith("-") else "-" + w
        lines[19] = " ".join(words[:2] + [flip(words[2]), flip(words[3])]) + "\n"
        return "".join(lines)
    if how == "foreign":
        return "hello\n"
    if how == "format":
        return "zarudiv law 2\n" + "".join(lines[1:])
    raise ValueError(how)


@pytest.mark.parametrize("how, line", [
    ("cut", 31), ("edited", 47), ("foreign", 1), ("format", 1), ("missing", 0)])
def test_a_bad_law_file_raises_the_runners_message(how, line, law_file, runner, tmp_path):
    bad = tmp_path / f"{how}.law"
    if how != "missing":
        bad.write_text(damaged(law_file.read_text(), how))
    with pytest.raises(ValueError) as refused:
        zarudiv.Law.load(str(bad))
    where = f"{bad}:{line}: " if line else f"{bad}: "
    assert str(refused.value).startswith(where)
    done = runner("--evaluate", bad, check=False)
    assert done.returncode == 2
    assert done.stderr.decode().strip() == "zarudiv-run: " + str(refused.value)


def test_the_step_is_the_literal_step_and_develops_as_evaluate(law_file):
    law = zarudiv.Law.load(str(law_file))
    state = zarudiv.start_vector()
    for _ in range(20):
        fast, literal = zarudiv.step(state, law), zarudiv.literal_step(state, law)
        assert same_bits(fast, literal)
        state = fast
    assert same_bits(state, law.evaluate()[1])
    # A state of another size, and one of numpy's doubles, step too.
    short = np.linspace(0.0, 50.0, 7)
    assert same_bits(zarudiv.step(short, law),
                     zarudiv.literal_step(short.astype(np.longdouble), law))


def test_overflow_raises_floating_point_error():
    huge = np.full(20, np.longdouble("1e4000"))
    with pytest.raises(FloatingPointError, match="^Gleitkommaüberlauf$"):
        zarudiv.Law(huge, np.zeros(20), 1e-6)
    doubling = zarudiv.Law(np.full(20, 2.0), np.zeros(20), 1e-6)
    with pytest.raises(FloatingPointError, match="^Gleitkommaüberlauf$"):
        zarudiv.step(np.full(20, np.longdouble("1e4932")), doubling)
