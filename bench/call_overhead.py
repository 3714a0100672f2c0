#!/usr/bin/env python3
"""Per-call cost of latticesim from Python, beside the same calls in Octave.

    PYTHONPATH=build/python /usr/bin/python3 bench/call_overhead.py [build/mex]

Times a 16-site ring and a 4 x 4 torus for 10 steps and for 0 steps (the
call's own overhead), the best of 5 rounds of many calls each, then the
same calls through the Octave plug-ins in build/mex when octave-cli is
found. A benchmark: it asserts nothing and prints microseconds per call.
"""
import os
import shutil
import subprocess
import sys
import timeit

import numpy as np

import latticesim

CALLS = {
    "ring 16 sites, 10 steps": ("ringsim", "np.arange(16) % 3", "0.5, 1, 3, 1, 0.1, 0.01, 10, 7"),
    "ring 16 sites, 0 steps": ("ringsim", "np.arange(16) % 3", "0.5, 1, 3, 1, 0.1, 0.01, 0, 7"),
    "torus 4 x 4, 10 steps": ("gridsim", "np.arange(16).reshape(4, 4) % 3", "0.5, 1, 3, 1, 1, 0.1, 0.01, 10, 7"),
    "torus 4 x 4, 0 steps": ("gridsim", "np.arange(16).reshape(4, 4) % 3", "0.5, 1, 3, 1, 1, 0.1, 0.01, 0, 7"),
}
OCTAVE_TRAITS = {"ringsim": "mod((0:15)', 3)", "gridsim": "mod(reshape(0:15, 4, 4)', 3)"}
REPEATS = 20000


def python_us(function, traits, args):
    t = eval(traits)
    call = getattr(latticesim, function)
    f = eval(f"lambda: call(t, {args})", {"call": call, "t": t})
    return min(timeit.repeat(f, number=REPEATS, repeat=5)) / REPEATS * 1e6


def octave_us(mex_dir):
    if not shutil.which("octave-cli"):
        return None
    lines = [f"addpath('{mex_dir}');"]
    for label, (function, _, args) in CALLS.items():
        lines.append(f"t = {OCTAVE_TRAITS[function]}; best = inf; for r = 1:5, tic; "
                     f"for k = 1:{REPEATS}, [f, m] = {function}(t, {args}); end; best = min(best, toc); end; "
                     f"printf('%s\\t%.3f\\n', '{label}', best / {REPEATS} * 1e6);")
    out = subprocess.run(["octave-cli", "--no-history", "--eval", " ".join(lines)], capture_output=True, text=True)
    return dict(line.split("\t") for line in out.stdout.splitlines() if "\t" in line)


def main():
    mex_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join("build", "mex")
    octave = octave_us(mex_dir) or {}
    print(f"{'call':28} {'Python us':>10} {'Octave us':>10}")
    for label, (function, traits, args) in CALLS.items():
        print(f"{label:28} {python_us(function, traits, args):10.2f} {octave.get(label, 'n/a'):>10}")


if __name__ == "__main__":
    main()
