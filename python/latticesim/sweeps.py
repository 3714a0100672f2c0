"""Reading the MAT-files latticesweep writes as labelled arrays.

The file is HDF5 underneath, but read raw its arrays come with their
dimensions reversed and unnamed. load_sweep names them: run, step, site
(ring) or row and column (torus), snapshot, observation and level, with the
summary's dimensions in the order the description lists the swept
arguments.
"""

import numpy as np

__all__ = ["load_sweep"]


def _name(chars):
    """A struct field name, stored as an array of one-byte strings."""
    return b"".join(bytes(c) for c in chars).decode("ascii")


def _fields(group):
    return [_name(chars) for chars in group.attrs["MATLAB_fields"]] if "MATLAB_fields" in group.attrs else []


def _text(dataset):
    """A char array of UTF-16 code units as text."""
    return dataset[()].astype("<u2").ravel().tobytes().decode("utf-16-le")


def _matlab(dataset):
    """The array in MATLAB's order of dimensions (HDF5 stores them reversed)."""
    return np.asarray(dataset[()]).transpose()


def _is_empty(dataset):
    return "MATLAB_empty" in dataset.attrs


def load_sweep(path):
    """The sweep in the MAT-file at path as an xarray.Dataset.

    Variables: initial_levels and final_levels (run, site) for a ring or
    (run, row, column) for a torus; mean_levels (run, step), steps counted
    from 1 (or the kept steps of a sweep that keeps the mean every K steps);
    snapshots (run, snapshot, ...) with the steps as the snapshot
    coordinate; stream_wraps (run); observed_<quantity> (run, observation,
    and level for level_counts); summary_<statistic> with one dimension per
    swept argument in the description's order, their values as coordinates
    (summary_observed_<quantity> likewise). Every column of the run table
    is a coordinate of run named run_<column> (run_noise, run_seed,
    run_replicate, run_combination): the swept arguments' own names are
    the summary's dimensions.
    The description, model, version and summary's last_steps are
    attributes. Requires h5py and xarray.
    """
    import h5py
    import xarray as xr

    with h5py.File(path, "r") as f:
        torus = _text(f["model"]) == "gridsim"
        lattice = ("row", "column") if torus else ("site",)
        runs = f["runs"]
        run_fields = _fields(runs)
        # The run table's columns, named run_<column>: the summary's
        # dimensions take the swept arguments' own names.
        coords = {"run_" + name: ("run", runs[name][()].ravel()) for name in run_fields}
        count = len(coords["run_seed"][1])
        coords["run"] = np.arange(1, count + 1)
        data = {}

        for name in ("initial_levels", "final_levels"):
            if name in f and not _is_empty(f[name]):
                # sites x runs (ring) or rows x columns x runs (torus): run first.
                data[name] = (("run",) + lattice, np.moveaxis(_matlab(f[name]), -1, 0))
        if "snapshots" in f and not _is_empty(f["snapshots"]):
            shots = np.moveaxis(_matlab(f["snapshots"]), -1, 0)  # run, lattice..., snapshot
            shots = np.moveaxis(shots, -1, 1)
            data["snapshots"] = (("run", "snapshot") + lattice, shots)
            coords["snapshot"] = f["snapshot_steps"][()].ravel()
        if "mean_levels" in f and not _is_empty(f["mean_levels"]):
            means = _matlab(f["mean_levels"]).T  # run, step
            data["mean_levels"] = (("run", "step"), means)
            steps = f["mean_steps"][()].ravel() if "mean_steps" in f else np.arange(1, means.shape[1] + 1)
            coords["step"] = steps
        data["stream_wraps"] = (("run",), f["stream_wraps"][()].ravel())
        if "observed" in f:
            coords["observation"] = f["observed/steps"][()].ravel()
            for name in _fields(f["observed"]):
                if name == "steps":
                    continue
                values = np.moveaxis(_matlab(f["observed/" + name]), -1, 0)  # run, [level,] observation
                dims = ("run", "observation")
                if name == "level_counts":
                    values = np.moveaxis(values, 1, 2)
                    dims = ("run", "observation", "level")
                data["observed_" + name] = (dims, values)

        summary = f["summary"]
        axes = _fields(summary["axes"]) if "axes" in summary else []
        for name in axes:
            coords[name] = summary["axes/" + name][()].ravel()

        def summarised(prefix, group, names):
            for name in names:
                values = _matlab(group[name])
                lead = ("level",) if name == "level_counts" else ()
                values = values.reshape(values.shape[: len(lead) + len(axes)] if axes or lead else ())
                data[prefix + name] = (lead + tuple(axes), values)

        statistics = [n for n in _fields(summary) if n not in ("axes", "observed", "last_steps")]
        summarised("summary_", summary, statistics)
        if "observed" in summary:
            summarised("summary_observed_", summary["observed"], _fields(summary["observed"]))
        attrs = {
            "model": _text(f["model"]),
            "version": _text(f["version"]),
            "description": _text(f["description"]),
            "last_steps": float(summary["last_steps"][()].ravel()[0]),
        }
    return xr.Dataset(data, coords=coords, attrs=attrs)
