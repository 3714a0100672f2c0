# Makes the calls that `case_matrix --calls` wrote through latticesim, as a
# Python user makes them, and writes each outcome in the form that
# `case_matrix --outcomes` reads back (both described in case_matrix.cpp).
#
#   case_matrix_driver.py CALLS OUTCOMES
import sys

import numpy as np

import latticesim


def read_calls(path):
    """(function, nlhs, [(kind, dims, values)]) for each call in the file."""
    calls = []
    for line in open(path):
        words = line.split()
        if words[0] == "call":
            calls.append((words[1], int(words[2]), []))
        else:
            colon = words.index(":")
            values = np.array([int(w, 16) for w in words[colon + 1:]], np.uint64).view(np.float64)
            calls[-1][2].append((words[1], tuple(int(d) for d in words[2:colon]), values))
    return calls


def python_argument(function, kind, dims, values):
    """The input as a Python user passes it, or None where Python has no form for it."""
    if kind == "sparse":
        return None
    if kind == "char":
        return "".join(chr(int(v)) for v in values)
    if dims == (1, 1):
        return {"real": float, "complex": complex, "int32": np.int32, "logical": bool,
                "single": np.float32}[kind](values[0])
    dtype = {"real": np.float64, "complex": np.complex128, "int32": np.int32, "logical": bool,
             "single": np.float32}[kind]
    array = values.astype(dtype).reshape(dims, order="F")
    # A ring's column of sites is a 1-D array; its other matrices are read in column-major order.
    return array.reshape(-1) if function == "ringsim" and len(dims) == 2 and dims[1] == 1 else array


def results(function, args, means):
    """A call's final levels in the host's (column-major) order and its means' bits."""
    call = getattr(latticesim, function)
    final, mean_levels = call(*args) if means else (call(*args, means=False), np.zeros(0))
    return np.asarray(final).reshape(-1, order="F").tolist(), mean_levels.view(np.uint64).tolist()


def outcome(function, nlhs, inputs):
    args = [python_argument(function, *input) for input in inputs]
    if any(a is None for a in args):
        return "error n/a | a sparse array has no NumPy form"
    notes = []
    if nlhs > 2:
        notes.append(f"made for both results: Python has no output count ({nlhs} asked)")
    try:
        final, means = results(function, args, nlhs >= 2)
    except latticesim.LatticeError as refused:
        return f"error {refused.identifier} | {refused}"
    except TypeError as refused:
        return f"error TypeError | {refused}"
    if any(kind != "real" for kind, _, _ in inputs):
        doubles = [np.asarray(a, np.float64) for a in args]
        same = results(function, doubles, nlhs >= 2) == (final, means)
        notes.append("the same bits as float64 inputs" if same else "NOT the bits of float64 inputs")
    line = f"ok {len(final)} {' '.join(map(str, final))} {len(means)} {' '.join(f'{m:016x}' for m in means)}"
    return line + (" | " + "; ".join(notes) if notes else "")


def write_outcomes(calls_path, outcomes_path):
    with open(outcomes_path, "w") as out:
        for call in read_calls(calls_path):
            out.write(outcome(*call) + "\n")


if __name__ == "__main__":
    write_outcomes(sys.argv[1], sys.argv[2])
