"""Exact lattice runs of imitation with mutation, as the host functions make them.

ringsim(traits, intercept, slope, levels, radius, noise, mutation_rate, steps, seed, *, means=True)
gridsim(traits, intercept, slope, levels, payoff_mode, neighbourhood, noise, mutation_rate, steps,
        seed, *, means=True)

Each returns (final_levels, mean_levels), or final_levels alone with means=False (the means are
then not computed). The same arguments give the same bits as the host call.

traits is any array of exact whole or real numbers (lists, integer arrays, views of any memory
order). The torus takes an M x N array indexed [row, column] and returns M x N int32 levels.
The ring takes its sites in the host's order: a 1-D array as it stands, a 2-D array (or more
dimensions) in column-major (Fortran) order, as the host reads a matrix; its final levels are a
1-D array. A 1-D array given to gridsim is an M x 1 column. Refused calls raise LatticeError,
whose identifier and message are the host's ("ringsim:notInt32"); a run whose stream wraps
warns with StreamPeriodWarning.

load_sweep(path) reads a MAT-file latticesweep wrote as an xarray.Dataset with named dimensions;
selfcheck() makes the host's recorded self-check cases again and compares the bits.
"""

import inspect
import math

import numpy as np

from . import _core
from ._version import __version__
from .selfcheck import selfcheck
from .sweeps import load_sweep

__all__ = ["__version__", "ringsim", "gridsim", "LatticeError", "LatticeMemoryError", "StreamPeriodWarning",
           "load_sweep", "selfcheck"]


class LatticeError(ValueError):
    """A refused call; identifier is the host's "<function>:<reason>"."""

    def __init__(self, message, identifier):
        super().__init__(message)
        self.identifier = identifier


class LatticeMemoryError(MemoryError):
    """A call whose outputs or scratch memory cannot be allocated; identifier is "<function>:outOfMemory"."""

    def __init__(self, message, identifier):
        super().__init__(message)
        self.identifier = identifier


class StreamPeriodWarning(Warning):
    """The run draws more than the random stream's period: valid and exact, but repeating."""


def _exact_doubles(values):
    """values as float64, or None when some value does not convert exactly."""
    if values.dtype == np.float64:
        return values
    kind = values.dtype.kind
    if kind in "iu":
        # Integers of 32 bits or fewer, or of magnitude at most 2^53, are exact as doubles.
        if values.dtype.itemsize <= 4 or values.size == 0 or (-2**53 <= values.min() and values.max() <= 2**53):
            return values.astype(np.float64)
        bound = 2.0 ** (values.dtype.itemsize * 8 - (kind == "i"))
        converted = values.astype(np.float64)
        if np.any((converted >= bound) | (converted < -bound)):
            return None
        return converted if np.array_equal(converted.astype(values.dtype), values) else None
    converted = values.astype(np.float64)
    if values.dtype.itemsize > 8 and not np.array_equal(converted.astype(values.dtype), values, equal_nan=True):
        return None
    return converted


def _traits(function, name, dims, value):
    values = np.asarray(value)
    kind = values.dtype.kind
    what = {"c": "complex", "U": "str", "S": "bytes"}.get(kind, values.dtype.name)
    got = f"{name} must be a real, full double array; got {_core.indefinite_article(what)} {what} array"
    if kind not in "iuf":
        raise LatticeError(got + ".", f"{function}:traitsClass")
    converted = _exact_doubles(values)
    if converted is None:
        raise LatticeError(got + " whose values do not all convert exactly to double.", f"{function}:traitsClass")
    if dims == 2 and converted.ndim > 2:
        raise LatticeError(f"{name} must be a two-dimensional matrix; got {converted.ndim} dimensions.",
                           f"{function}:traitsDims")
    shape = converted.shape + (1, 1)
    rows, cols = shape[0], math.prod(shape[1:])
    return np.asfortranarray(converted).reshape(-1, order="F"), rows, cols


def _scalar(function, name, value):
    if type(value) is float:  # the common case, exact as it stands
        return value
    fault = f"{function}:notScalar"
    if isinstance(value, int) and not isinstance(value, bool):  # Python's ints have no bound
        try:
            exact = float(value) == value
        except OverflowError:
            exact = False
        if not exact:
            raise LatticeError(f"{name} must be a real numeric scalar; got {value}, which double cannot "
                               "hold exactly.", fault)
        return float(value)
    values = np.asarray(value)
    kind = values.dtype.kind
    what = values.dtype.name if isinstance(value, (np.ndarray, np.generic)) else type(value).__name__
    article = _core.indefinite_article(what)
    if kind == "c":
        raise LatticeError(f"{name} must be a real numeric scalar; got a complex value.", fault)
    if kind not in "iuf":
        raise LatticeError(f"{name} must be a real numeric scalar; got {article} {what} value.", fault)
    if values.size != 1:
        raise LatticeError(f"{name} must be a real numeric scalar; got {article} {what} array of "
                           f"{values.size} elements.", fault)
    converted = _exact_doubles(values.reshape(1))
    if converted is None:
        raise LatticeError(f"{name} must be a real numeric scalar; got {values.reshape(1)[0]}, which double "
                           "cannot hold exactly.", fault)
    return float(converted[0])


def _model_function(function, doc):
    names = _core.argument_names(function)
    parameters = [inspect.Parameter(n, inspect.Parameter.POSITIONAL_OR_KEYWORD) for n in names]
    parameters.append(inspect.Parameter("means", inspect.Parameter.KEYWORD_ONLY, default=True))
    signature = inspect.Signature(parameters)

    def call(*args, **kwargs):
        if len(args) == len(names) and not kwargs:  # all by position: no binding needed
            return _core.call(function, args, True, _traits, _scalar)
        bound = signature.bind(*args, **kwargs)
        bound.apply_defaults()
        given = bound.arguments
        return _core.call(function, tuple(given[n] for n in names), bool(given["means"]), _traits, _scalar)

    call.__name__ = call.__qualname__ = function
    call.__signature__ = signature
    call.__doc__ = doc
    return call


_LATTICES = {
    "ringsim": ("ring", "a 1-D array of the sites in ring order (a matrix's elements in column-major order,\n"
                "                 as the host takes them); every value in 0 .. levels-1 after truncation",
                "final_levels, int32, one per site"),
    "gridsim": ("torus", "an M x N array indexed [row, column], any memory order; every value in\n"
                "                 0 .. levels-1 after truncation",
                "final_levels, int32, M x N as given"),
}


def _help(function):
    """The docstring of function, its arguments described from the host's argument table."""
    lattice, traits, final = _LATTICES[function]
    rows = []
    for name, text in _core.argument_help(function):
        text = traits if name == "traits" else text.replace("\n", " ")
        rows.append(f"  {name:14} {text}")
    rows.append(f"  {'means':14} False: return the final levels alone and skip computing the means")
    return (f"A run of imitation with mutation on a {lattice}, the same bits as the host's {function}.\n\n"
            "Arguments, by position or by name, as the host function takes them:\n" + "\n".join(rows) +
            f"\n\nReturns ({final}; mean_levels, float64, the mean level after each step),\n"
            "or the final levels alone with means=False. Whole-number arguments are truncated toward zero\n"
            "and must lie in the int32 range. Refused calls raise LatticeError with the host's identifier\n"
            f"(\"{function}:levels\"...) and message; a run whose random stream repeats warns with\n"
            "StreamPeriodWarning.")


ringsim = _model_function("ringsim", _help("ringsim"))
gridsim = _model_function("gridsim", _help("gridsim"))
