# latticesim from Python against the host: the self-check's recorded host
# results bit for bit, any memory order or exact dtype alike, the host's
# refusals and warning, and runs that overlap in threads.
import inspect
import os
import sys
import threading
import warnings

import numpy as np
import pytest

import latticesim

CASES_FILE = os.environ.get("LATTICESIM_SELFCHECK_CASES", os.path.join(
    os.path.dirname(__file__), "..", "..", "selfcheck", "latticesim_selfcheck_cases.txt"))


def read_cases(path):
    """The self-check's records: label, function, size, arguments, traits, final levels, mean bits."""
    runs, lines = [], [line for line in open(path) if not line.startswith("%")]
    words = iter(" ".join(lines).split())
    for word in words:
        if word == "case":
            label = []
            while (w := next(words)) != "function":
                label.append(w)
            run = {"label": " ".join(label), "function": next(words)}
            runs.append(run)
        elif word == "size":
            run["size"] = (int(next(words)), int(next(words)))
        else:
            n = int(next(words))
            items = [next(words) for _ in range(n)]
            parse = {"arguments": lambda w: np.frombuffer(bytes.fromhex(w)[::-1], np.float64)[0],
                     "means": lambda w: int(w, 16)}.get(word, int)
            run[word] = [parse(w) for w in items]
    return runs


CASES = read_cases(CASES_FILE)


def host_call(run, means=True):
    """run's call as the host made it: the traits as a rows x cols matrix (the ring's as a 1-D array)."""
    rows, cols = run["size"]
    traits = np.array(run["traits"], np.float64).reshape(rows, cols, order="F")
    if run["function"] == "ringsim":
        traits = traits.reshape(-1, order="F")
    return getattr(latticesim, run["function"])(traits, *run["arguments"], means=means)


@pytest.mark.parametrize("run", CASES, ids=[r["label"] for r in CASES])
def test_same_bits_as_the_host(run):
    final, means = host_call(run)
    assert final.dtype == np.int32 and means.dtype == np.float64
    assert final.reshape(-1, order="F").tolist() == run["final"]
    assert means.view(np.uint64).tolist() == run["means"]
    assert np.array_equal(host_call(run, means=False), final)


TORUS = np.array([[0, 2, 1, 1], [1, 0, 2, 2], [2, 1, 0, 1]], np.float64)
TORUS_ARGS = (0.5, 1.0, 3, 1, 1, 0.3, 0.05, 40, 7)


def read_only(a):
    a = a.copy()
    a.flags.writeable = False
    return a


@pytest.mark.parametrize("make", [
    lambda t: t.tolist(), lambda t: np.asfortranarray(t), lambda t: t.astype(np.int32),
    lambda t: t.astype(np.uint8), lambda t: t.astype(np.int64), lambda t: t.astype(np.float32),
    lambda t: t.astype(np.longdouble), read_only,
    lambda t: np.kron(t, np.ones((2, 3)))[::2, ::3],  # strided view
    lambda t: np.ascontiguousarray(t[::-1, ::-1])[::-1, ::-1],  # negative strides
    lambda t: np.ascontiguousarray(t.T).T, lambda t: t.astype(np.int16), lambda t: t.astype(np.uint64),
    lambda t: t.astype(">f8"), lambda t: np.kron(t, np.ones((1, 2), np.int64))[:, ::2], lambda t: t[0, 0].copy(),
], ids=["list", "fortran", "int32", "uint8", "int64", "float32", "longdouble", "read-only", "strided",
        "negative", "transposed", "int16", "uint64", "big-endian", "strided-int64", "0-d"])
def test_any_memory_order_or_exact_dtype_gives_the_same_run(make):
    expected = np.asarray(make(TORUS), np.float64).reshape(np.shape(make(TORUS)) + (1, 1)[np.ndim(make(TORUS)):])
    final, means = latticesim.gridsim(np.array(expected), *TORUS_ARGS)
    got_final, got_means = latticesim.gridsim(make(TORUS), *TORUS_ARGS)
    assert got_final.shape == expected.shape and np.array_equal(got_final, final)
    assert got_means.view(np.uint64).tolist() == means.view(np.uint64).tolist()
    # The ring takes a matrix's sites in column-major order.
    ring = latticesim.ringsim(make(TORUS), 1.0, 0.5, 3, 2, 0.1, 0.05, 30, 7, means=False)
    assert np.array_equal(ring, latticesim.ringsim(expected.reshape(-1, order="F"), 1.0, 0.5, 3, 2, 0.1, 0.05, 30,
                                                    7, means=False))


RING = dict(traits=[0, 1, 2, 1], intercept=1, slope=0.5, levels=3, radius=2, noise=0.1, mutation_rate=0.05,
            steps=10, seed=7)


@pytest.mark.parametrize("change, identifier, message", [
    (dict(traits=np.array([0, 1j])), "ringsim:traitsClass",
     "traits must be a real, full double array; got a complex array."),
    (dict(traits=[True, False]), "ringsim:traitsClass", None),
    (dict(traits=["a"]), "ringsim:traitsClass", None),
    (dict(traits=np.array([2**53 + 1])), "ringsim:traitsClass", None),
    (dict(traits=np.array([2**64 - 1], np.uint64)), "ringsim:traitsClass", None),
    (dict(intercept=[1, 2]), "ringsim:notScalar", None),
    (dict(levels=[]), "ringsim:notScalar", None),
    (dict(noise=True), "ringsim:notScalar", None),
    (dict(seed="x"), "ringsim:notScalar", None),
    (dict(seed=2**53 + 1), "ringsim:notScalar", None),
    (dict(levels=np.nan), "ringsim:notInt32", None),
    (dict(steps=1.5e10), "ringsim:notInt32", "steps must be a finite number within the int32 range "
     "-2147483648 .. 2147483647; got 15000000000."),
    (dict(slope=-np.inf), "ringsim:notFinite", "slope must be finite; got -Inf."),
    (dict(levels=0.5), "ringsim:levels", "levels must be at least 1 after truncation toward zero; got 0."),
    (dict(steps=-1), "ringsim:steps", None),
    (dict(radius=2**30), "ringsim:radius", "radius must be at most 1073741823; got 1073741824."),
    (dict(traits=[]), "ringsim:emptyTraits", None),
    (dict(traits=[0, 1, 3]), "ringsim:traitOutOfRange", "traits(3) is 3; every initial level must lie in "
     "0 .. levels-1 = 0 .. 2 after truncation toward zero."),
])
def test_refused_calls_give_the_host_identifier(change, identifier, message):
    with pytest.raises(latticesim.LatticeError) as refused:
        latticesim.ringsim(**{**RING, **change})
    assert refused.value.identifier == identifier
    assert message is None or str(refused.value) == message


@pytest.mark.parametrize("traits, identifier", [
    (np.zeros((2, 2, 2)), "gridsim:traitsDims"), (np.zeros((3, 0)), "gridsim:emptyTraits"),
    (np.array([[0, 1, 2], [2, 1, 3]]), "gridsim:traitOutOfRange")])
def test_refused_torus_calls(traits, identifier):
    with pytest.raises(latticesim.LatticeError) as refused:
        latticesim.gridsim(traits, *TORUS_ARGS)
    assert refused.value.identifier == identifier


@pytest.mark.parametrize("function", ["ringsim", "gridsim"])
def test_help_describes_every_argument_in_call_order(function):
    call = getattr(latticesim, function)
    places = [call.__doc__.find(f"\n  {name} ") for name in inspect.signature(call).parameters]
    assert -1 not in places and places == sorted(places)


def test_memory_failures_are_refused_with_the_hosts_identifier():
    # In a child under a 2 GB address-space limit: each call needs far more than that.
    import subprocess
    script = ("import resource, latticesim\n"
              "resource.setrlimit(resource.RLIMIT_AS, (2 << 30, 2 << 30))\n"
              "for call in (lambda: latticesim.ringsim([0, 1], 1, 0.5, 3, 1, 0.1, 0.01, 2**30, 7),\n"
              "             lambda: latticesim.ringsim([0, 1], 1, 0.5, 2**30, 1, 0.1, 0.01, 1, 7, means=False)):\n"
              "    try:\n"
              "        call()\n"
              "    except latticesim.LatticeMemoryError as e:\n"
              "        print(e.identifier, e)\n")
    out = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, check=True).stdout
    assert out.splitlines() == [
        "ringsim:outOfMemory out of memory: cannot allocate the 8589934592 bytes of the mean_levels output. Use "
        "fewer steps or a smaller lattice, means=False, or free memory.",
        "ringsim:outOfMemory out of memory: cannot allocate the 12884902048 bytes of the run's scratch arrays. Use "
        "fewer steps or a smaller lattice, means=False, or free memory."]


def test_stream_period_warning_is_the_hosts():
    # Turned into an error by a filter, it stops the call before its 2^31 site-steps.
    with warnings.catch_warnings():
        warnings.simplefilter("error", latticesim.StreamPeriodWarning)
        with pytest.raises(latticesim.StreamPeriodWarning) as warned:
            latticesim.gridsim(np.zeros((1024, 1024)), 1, 0.5, 3, 1, 1, 0.1, 0.01, 2048, 7)
    assert str(warned.value) == ("the random stream repeats after 2147483646 draws, and this run's mutation sweeps "
                                 "alone draw 1048576 per step: from step 2048 of 2048 on (sooner, counting its "
                                 "other draws) it reuses its randomness.")


def test_calls_in_two_threads_overlap():
    long_run = dict(RING, traits=np.arange(1000) % 3, steps=200000)
    state = {"inside": False, "seen": None}
    go = threading.Event()

    def other():
        go.wait()
        state["seen"] = state["inside"]  # this thread runs only once the first lets the interpreter go
        state["result"] = latticesim.ringsim(**RING)

    interval = sys.getswitchinterval()
    sys.setswitchinterval(1000)  # no forced switches between the threads
    try:
        thread = threading.Thread(target=other)
        thread.start()
        state["inside"] = True
        go.set()
        latticesim.ringsim(**long_run)
        state["inside"] = False
        thread.join()
    finally:
        sys.setswitchinterval(interval)
    assert state["seen"] is True
    assert np.array_equal(state["result"][0], latticesim.ringsim(**RING)[0])


SWEEPS = {
    # The summary's dimensions follow the description's order (mutation_rate
    # first), snapshots include the initial levels, clusters are observed.
    "torus": ("model = 'torus'\n[parameters]\nintercept = 0.5\nslope = 1.0\nlevels = 4\npayoff_mode = 1\n"
              "neighbourhood = 1\nsteps = 12\n[sweep]\nmutation_rate = [0.0, 0.05]\nnoise = [0.1, 0.5, 0.9]\n"
              "[replicates]\ncount = 2\n[initial]\nrandom = { size = [5, 7] }\n[snapshots]\nsteps = [0, 6]\n"
              "[observe]\nquantities = ['clusters']\nsteps = [6, 12]\n", ("mutation_rate", "noise")),
    # Means kept every 4 steps, a ring's sites as one dimension.
    "ring": ("model = 'ring'\n[parameters]\nintercept = 0.5\nslope = 1.0\nlevels = 3\nradius = 2\nnoise = 0.2\n"
             "mutation_rate = 0.01\n[sweep]\nsteps = [8, 16]\n[replicates]\ncount = 3\n[initial]\n"
             "random = { size = 11 }\n[snapshots]\nevery = 4\n[means]\nevery = 4\n", ("steps",)),
}


@pytest.mark.parametrize("model", sorted(SWEEPS))
def test_load_sweep_names_what_latticesweep_stores(model, tmp_path):
    import subprocess
    text, axes = SWEEPS[model]
    (tmp_path / "s.toml").write_text(text)
    subprocess.run([os.environ["LATTICESWEEP"], "sweep", "s.toml", "-o", "s.mat", "--quiet"], cwd=tmp_path, check=True)
    ds = latticesim.load_sweep(tmp_path / "s.mat")
    call = latticesim.gridsim if model == "torus" else latticesim.ringsim
    names = ["intercept", "slope", "levels"] + (["payoff_mode", "neighbourhood"] if model == "torus" else ["radius"]) \
        + ["noise", "mutation_rate", "steps", "seed"]
    for k in range(ds.sizes["run"]):
        run = ds.isel(run=k)
        args = [run["run_" + n].item() for n in names]
        final, means = call(run.initial_levels.values, *args)
        assert np.array_equal(final, run.final_levels.values), k
        kept = run.mean_levels.values[~np.isnan(run.mean_levels.values)]
        assert np.array_equal(means[ds.step.values[: len(kept)].astype(int) - 1], kept), k
        for j, step in enumerate(ds.snapshot.values):
            assert np.array_equal(call(run.initial_levels.values, *args[:-2], int(step), args[-1], means=False),
                                  run.snapshots.values[j]), (k, step)
    # Each summary cell is the mean over its runs, found by their arguments.
    last = ds.summary_final_mean
    assert last.dims == axes
    for cell in np.ndindex(last.shape):
        at = {a: last[a].values[i] for a, i in zip(axes, cell)}
        chosen = np.logical_and.reduce([ds["run_" + a].values == v for a, v in at.items()])
        finals = [ds.mean_levels.values[k][~np.isnan(ds.mean_levels.values[k])][-1] for k in np.flatnonzero(chosen)]
        assert abs(last.sel(at).item() - np.mean(finals)) < 1e-12, at
    assert ds.attrs["description"] == text
    if model == "torus":
        assert ds.observed_cluster_count.dims == ("run", "observation") and list(ds.observation.values) == [6, 12]


def test_a_call_in_stretches_is_the_same_run(tmp_path):
    # 10^6 sites for 45 steps: the module steps it in stretches (Ctrl-C is
    # checked between them); latticesweep makes it at once.
    import subprocess
    args = ["--model", "ring", "--intercept", "0.5", "--slope", "1", "--levels", "5", "--radius", "2", "--noise",
            "0.3", "--mutation-rate", "0.01", "--steps", "45", "--seed", "9", "--random", "1000000"]
    subprocess.run([os.environ["LATTICESWEEP"], "run", *args, "-o", "one.mat", "--quiet"], cwd=tmp_path, check=True)
    ds = latticesim.load_sweep(tmp_path / "one.mat")
    final, means = latticesim.ringsim(ds.initial_levels.values[0], 0.5, 1, 5, 2, 0.3, 0.01, 45, 9)
    assert np.array_equal(final, ds.final_levels.values[0]) and np.array_equal(means, ds.mean_levels.values[0])


def test_ctrl_c_stops_a_long_call():
    import _thread
    import time
    traits = np.zeros(1000000)
    timer = threading.Timer(0.3, _thread.interrupt_main)
    started = time.monotonic()
    timer.start()
    with pytest.raises(KeyboardInterrupt):
        latticesim.ringsim(traits, 0.5, 1, 5, 2, 0.3, 0.01, 100000, 9, means=False)  # minutes, uninterrupted
    timer.join()
    assert time.monotonic() - started < 5


def test_selfcheck_makes_every_recorded_case(tmp_path):
    assert latticesim.selfcheck(verbose=False) == len(CASES)
    # A recorded result changed by one bit is reported by its case.
    text = open(CASES_FILE).read().replace("final 8\n0 0 0 0 0 0 2 0", "final 8\n0 0 0 0 0 0 2 1", 1)
    (tmp_path / "cases.txt").write_text(text)
    with pytest.raises(AssertionError, match="worked ring: 8 sites"):
        latticesim.selfcheck(tmp_path / "cases.txt", verbose=False)


def test_one_version_everywhere():
    import subprocess
    shown = subprocess.run([os.environ["LATTICESWEEP"], "--version"], capture_output=True, text=True, check=True)
    assert shown.stdout.split() == ["latticesweep", latticesim.__version__]


@pytest.mark.parametrize("function", ["ringsim", "gridsim"])
def test_type_stubs_name_the_arguments_the_calls_take(function):
    import ast
    import inspect
    stubs = ast.parse(open(os.path.join(os.path.dirname(latticesim.__file__), "__init__.pyi")).read())
    declared = [node for node in stubs.body if isinstance(node, ast.FunctionDef) and node.name == function]
    taken = list(inspect.signature(getattr(latticesim, function)).parameters)
    assert len(declared) == 2
    for stub in declared:
        assert [a.arg for a in stub.args.args] + [a.arg for a in stub.args.kwonlyargs] == taken
