"""Type stubs: the call signatures ringsim and gridsim take at run time."""

from os import PathLike
from typing import Literal, Tuple, Union, overload

import numpy as np
import numpy.typing as npt
import xarray

__version__: str

Number = Union[int, float, np.integer, np.floating]
Traits = npt.ArrayLike

class LatticeError(ValueError):
    identifier: str
    def __init__(self, message: str, identifier: str) -> None: ...

class LatticeMemoryError(MemoryError):
    identifier: str
    def __init__(self, message: str, identifier: str) -> None: ...

class StreamPeriodWarning(Warning): ...

@overload
def ringsim(traits: Traits, intercept: Number, slope: Number, levels: Number, radius: Number, noise: Number,
            mutation_rate: Number, steps: Number, seed: Number, *,
            means: Literal[True] = ...) -> Tuple[npt.NDArray[np.int32], npt.NDArray[np.float64]]: ...
@overload
def ringsim(traits: Traits, intercept: Number, slope: Number, levels: Number, radius: Number, noise: Number,
            mutation_rate: Number, steps: Number, seed: Number, *, means: Literal[False]) -> npt.NDArray[np.int32]: ...
@overload
def gridsim(traits: Traits, intercept: Number, slope: Number, levels: Number, payoff_mode: Number,
            neighbourhood: Number, noise: Number, mutation_rate: Number, steps: Number, seed: Number, *,
            means: Literal[True] = ...) -> Tuple[npt.NDArray[np.int32], npt.NDArray[np.float64]]: ...
@overload
def gridsim(traits: Traits, intercept: Number, slope: Number, levels: Number, payoff_mode: Number,
            neighbourhood: Number, noise: Number, mutation_rate: Number, steps: Number, seed: Number, *,
            means: Literal[False]) -> npt.NDArray[np.int32]: ...
def load_sweep(path: Union[str, PathLike]) -> xarray.Dataset: ...
def selfcheck(path: Union[str, PathLike] = ..., verbose: bool = ...) -> int: ...
