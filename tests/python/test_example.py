# The worked example of docs/python.md, run as a reader runs it but headless
# in a folder of its own: it makes the demonstration sweep, draws two figures
# and exits non-zero unless a snapshot equals a direct gridsim call.
import os
import subprocess
import sys
from pathlib import Path

import matplotlib.pyplot as plt

EXAMPLE = Path(__file__).resolve().parents[2] / "docs" / "python_example.py"


def test_the_example_runs_headless_and_its_snapshot_is_a_direct_call(tmp_path):
    done = subprocess.run([sys.executable, str(EXAMPLE)], cwd=tmp_path, capture_output=True, text=True,
                          env={**os.environ, "MPLBACKEND": "Agg"})
    assert done.returncode == 0, done.stderr
    assert "equals latticesim.gridsim's levels" in done.stdout
    for figure in ("python_summary.png", "python_snapshots.png"):
        assert (tmp_path / figure).read_bytes()[:8] == b"\x89PNG\r\n\x1a\n", figure
        assert plt.imread(tmp_path / figure).std() > 0, figure + " is blank"


def test_the_page_quotes_the_example_whole():
    assert "```python\n" + EXAMPLE.read_text() + "```\n" in (EXAMPLE.parent / "python.md").read_text()
