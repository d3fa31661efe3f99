"""Campaigns, laws and series of zarudiv from Python, exact.

numpy.longdouble on x86-64 is the 80-bit extended type the campaign computes
in: laws and vectors cross as their bits.

    run(generations, mutants, step_ppm, seed, *, save=False, threads=1, start_law=None)
    Law(activator, inhibitor, step), Law.load(path), law.save(path), law.evaluate()
    step(state, law), literal_step(state, law), start_vector(), target_vector()
    series(db)
"""

from zarudiv._core import (
    Law,
    RunResult,
    literal_step,
    run,
    start_vector,
    step,
    target_vector,
)
from zarudiv.series import Series, series

__all__ = [
    "Law",
    "RunResult",
    "Series",
    "literal_step",
    "run",
    "series",
    "start_vector",
    "step",
    "target_vector",
]

# Shown as zarudiv.Law, not as the extension's name.
for _type in (Law, RunResult):
    _type.__module__ = "zarudiv"
del _type
