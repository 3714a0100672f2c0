# The worked example of docs/python.md. From the repository's root, after the build:
#     PYTHONPATH=build/python /usr/bin/python3 docs/python_example.py
# It writes patterns_sweep.mat, python_summary.png and python_snapshots.png into
# the current folder (LATTICESWEEP names another latticesweep program).
import os
import subprocess
import sys
from pathlib import Path

import matplotlib.pyplot as plt
import numpy as np

import latticesim

root = Path(__file__).resolve().parent.parent
latticesweep = os.environ.get("LATTICESWEEP", root / "build" / "sweep" / "latticesweep")

# The demonstration sweep: 24 runs of a 32 x 32 torus for 50,000 steps, a few seconds.
subprocess.run([latticesweep, "sweep", root / "demo" / "patterns_sweep.toml", "-o", "patterns_sweep.mat",
                "--overwrite", "--quiet"], check=True)
ds = latticesim.load_sweep("patterns_sweep.mat")

# The summary: the mean level over each run's last steps, averaged over the
# replicates, against noise; one line per mutation rate, standard errors as bars.
fig, ax = plt.subplots(figsize=(7, 4))
for rate in ds.mutation_rate.values:
    cell = ds.sel(mutation_rate=rate)
    ax.errorbar(cell.noise, cell.summary_last_mean, yerr=cell.summary_last_se, marker="o", capsize=3,
                label=f"mutation rate {rate:g}")
ax.set(xlabel="noise", ylabel=f"mean level over the last {ds.attrs['last_steps']:g} steps")
ax.legend()
fig.savefig("python_summary.png", dpi=90, bbox_inches="tight")

# The runs as a grid of the swept values and the replicate. Every combination
# has every replicate, so nothing is filled in: fill_value only spares xarray
# a warning about the integer levels.
swept = ["run_" + name for name in ds.summary_last_mean.dims] + ["run_replicate"]
grid = ds.set_index(run=swept).unstack("run", fill_value=-1)
run = grid.sel(run_noise=1.0, run_mutation_rate=1e-4, run_replicate=1)

# That run's torus at each snapshot step (step 0: its initial levels).
levels = int(run.run_levels)
fig, axes = plt.subplots(1, run.sizes["snapshot"], figsize=(3 * run.sizes["snapshot"], 3.2), layout="constrained")
for ax, step in zip(axes, run.snapshot.values):
    image = ax.imshow(run.snapshots.sel(snapshot=step), vmin=0, vmax=levels - 1, cmap="viridis")
    ax.set(title=f"step {step:g}", xticks=[], yticks=[])
fig.colorbar(image, ax=axes, label="level", ticks=range(levels), shrink=0.8)
fig.suptitle(f"noise 1.0, mutation rate 0.0001, seed {run.run_seed.item():g}")
fig.savefig("python_snapshots.png", dpi=90, bbox_inches="tight")

# A snapshot is the run stopped at its step: gridsim from the run's initial
# levels, with its own arguments (seed included) and steps = that step, gives
# the same levels, and the same means as the sweep's first steps.
names = ["intercept", "slope", "levels", "payoff_mode", "neighbourhood", "noise", "mutation_rate", "seed"]
arguments = {name: run["run_" + name].item() for name in names}
step = int(run.snapshot[1])
final, means = latticesim.gridsim(run.initial_levels.values, steps=step, **arguments)
same = (np.array_equal(run.snapshots.sel(snapshot=0), run.initial_levels)
        and np.array_equal(final, run.snapshots.sel(snapshot=step))
        and np.array_equal(means, run.mean_levels.sel(step=slice(1, step))))
if not same:
    sys.exit(f"the snapshot at step {step} differs from latticesim.gridsim(..., steps={step})")
print(f"the snapshot at step {step} of the run with seed {arguments['seed']:g} equals latticesim.gridsim's levels")
