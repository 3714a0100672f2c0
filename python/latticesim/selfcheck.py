"""The self-check: the recorded results of the host functions, made again.

The cases file is the one the host's latticesim_selfcheck reads (shipped
beside this module); each case is a call with its arguments as the bits of
doubles, its initial levels, and the final levels and means' bits the host
returned.
"""

import os

import numpy as np

__all__ = ["selfcheck"]

CASES_FILE = os.path.join(os.path.dirname(__file__), "latticesim_selfcheck_cases.txt")


def _cases(path):
    """Each case as a dict: label, function, size, arguments, traits, final, means."""
    lines = [line for line in open(path, encoding="ascii") if not line.startswith("%")]
    words = iter(" ".join(lines).split())
    cases = []
    for word in words:
        if word == "case":
            label = []
            while (w := next(words)) != "function":
                label.append(w)
            cases.append({"label": " ".join(label), "function": next(words)})
        elif word == "size":
            cases[-1]["size"] = (int(next(words)), int(next(words)))
        else:
            items = [next(words) for _ in range(int(next(words)))]
            if word == "arguments":
                cases[-1][word] = [np.frombuffer(bytes.fromhex(w)[::-1], np.float64)[0] for w in items]
            elif word == "means":
                cases[-1][word] = [int(w, 16) for w in items]
            else:
                cases[-1][word] = [int(w) for w in items]
    return cases


def selfcheck(path=CASES_FILE, verbose=True):
    """Makes every case of the cases file again and compares the bits.

    Returns the number of cases, all equal; raises AssertionError naming the
    first case that differs. verbose prints one line at the end.
    """
    from . import gridsim, ringsim

    cases = _cases(path)
    for case in cases:
        rows, cols = case["size"]
        traits = np.array(case["traits"], np.float64).reshape(rows, cols, order="F")
        call = ringsim if case["function"] == "ringsim" else gridsim
        if call is ringsim:
            traits = traits.reshape(-1, order="F")
        final, means = call(traits, *case["arguments"])
        if final.reshape(-1, order="F").tolist() != case["final"] or means.view(np.uint64).tolist() != case["means"]:
            raise AssertionError("latticesim self-check: case '%s' differs from the host's results" % case["label"])
    if verbose:
        print("latticesim self-check: %d cases, every one the same bits as the host" % len(cases))
    return len(cases)
