#!/usr/bin/env python3
"""Per-call cost of latticesim from Python, beside the same calls in Octave,
and large runs' cost per site-step beside the C++ benchmark's.

    PYTHONPATH=build/python /usr/bin/python3 bench/call_overhead.py [build/mex [build/bench/lattice_bench]]

Times a 16-site ring and a 4 x 4 torus for 10 steps and for 0 steps (the
call's own overhead), the best of 5 rounds of many calls each, then the
same calls through the Octave plug-ins in build/mex when octave-cli is
found. Then a 100,000-site ring and a 300 x 300 torus, run from Python
with the C++ benchmark's parameters, in nanoseconds per site-step beside
that benchmark's figure for the same lattice (when lattice_bench is
found). A benchmark: it asserts nothing and prints its figures.
"""
import os
import shutil
import json
import subprocess
import sys
import tempfile
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

# Large runs with the C++ benchmark's parameters (bench/bench_cases.h):
# levels 10, radius 2, noise 0.1, intercept 1, slope 0.5, rate 0.01.
LARGE = {
    "ring/100000/rate:0.01/fast": ("ringsim", (100000,), (1.0, 0.5, 10, 2, 0.1, 0.01), 300),
    "torus/300x300/payoff:0/neighbours:4/rate:0.01/fast": ("gridsim", (300, 300), (1.0, 0.5, 10, 0, 0, 0.1, 0.01), 300),
}


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


def python_ns_per_site_step(function, shape, args, steps):
    traits = np.random.default_rng(1).integers(0, 10, shape)
    call = getattr(latticesim, function)
    seconds = min(timeit.repeat(lambda: call(traits, *args, steps, 2024, means=True), number=1, repeat=3))
    return seconds / (np.prod(shape) * steps) * 1e9


def cpp_ns_per_site_step(bench):
    if not os.access(bench, os.X_OK):
        return {}
    pattern = "|".join(name + "/" for name in LARGE)
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "bench.json")
        subprocess.run([bench, f"--benchmark_filter=^({pattern})", "--benchmark_repetitions=3",
                        f"--benchmark_out={out}", "--benchmark_out_format=json"], capture_output=True)
        try:
            runs = json.load(open(out))["benchmarks"]
        except (OSError, ValueError, KeyError):
            return {}
    best = {}
    for run in runs:
        for name in LARGE:
            if run["name"].startswith(name + "/") and run.get("run_type") == "iteration":
                best[name] = min(best.get(name, float("inf")), run["ns_per_site_step"] * 1e9)
    return best


def main():
    mex_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join("build", "mex")
    bench = sys.argv[2] if len(sys.argv) > 2 else os.path.join("build", "bench", "lattice_bench")
    octave = octave_us(mex_dir) or {}
    print(f"{'call':28} {'Python us':>10} {'Octave us':>10}")
    for label, (function, traits, args) in CALLS.items():
        print(f"{label:28} {python_us(function, traits, args):10.2f} {octave.get(label, 'n/a'):>10}")
    cpp = cpp_ns_per_site_step(bench)
    print(f"\n{'large run':52} {'Python ns':>10} {'C++ ns':>8} {'ratio':>6}  (per site-step)")
    for label, (function, shape, args, steps) in LARGE.items():
        ns = python_ns_per_site_step(function, shape, args, steps)
        ref = cpp.get(label)
        print(f"{label:52} {ns:10.3f} " + (f"{ref:8.3f} {ns / ref:6.3f}" if ref else f"{'n/a':>8} {'':>6}"))


if __name__ == "__main__":
    main()
