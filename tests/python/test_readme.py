"""The README's example from Python runs and does what it says."""

import os
import re
import subprocess
import sys

from conftest import ROOT


def test_the_readme_example_runs(tmp_path):
    readme = (ROOT / "README.md").read_text()
    section = readme.split("\n## From Python\n", 1)[1].split("\n## ", 1)[0]
    example = re.search(r"```python\n(.*?)```", section, re.S).group(1)
    done = subprocess.run([sys.executable, "-c", example], cwd=tmp_path, capture_output=True,
                          text=True, timeout=600, env={**os.environ, "MPLBACKEND": "Agg"})
    assert done.returncode == 0, done.stderr
    assert "equals the run's: True" in done.stdout
    assert (tmp_path / "medians.png").read_bytes().startswith(b"\x89PNG")
    assert (tmp_path / "best.law").read_text().startswith("zarudiv law 1\n")
