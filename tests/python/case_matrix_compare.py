# The builds' case matrix made through latticesim: its printout must be the
# stand-in host's line for line, but for the rejected calls below, where
# Python's rules are not the host's; there it must be what is listed.
#
#   case_matrix_compare.py CASE_MATRIX WORK_DIR
import hashlib
import os
import subprocess
import sys

from case_matrix_driver import write_outcomes

TYPE_ERROR = "a wrong argument count is Python's TypeError"
OWN_TYPES = "the message names Python's type and gives no host conversion hint"
# Rejected call (its label less the function) -> (what Python gives, its message, why).
PYTHON_DIFFERS = {
    "nrhs: no inputs": ("TypeError", "missing a required argument: 'traits'", TYPE_ERROR),
    "nrhs: one input too few": ("TypeError", "missing a required argument: 'seed'", TYPE_ERROR),
    "nrhs: one input too many": ("TypeError", "too many positional arguments", TYPE_ERROR),
    "nlhs: three outputs": ("no error", "made for both results: Python has no output count (3 asked)",
                            "Python has no output count"),
    "traitsClass: traits int32 2x3": ("no error", "the same bits as float64 inputs", "exact int32 arrays are taken"),
    "traitsClass: traits single 2x3": ("no error", "the same bits as float64 inputs", "exact float32 arrays are taken"),
    "traitsClass: traits sparse 2x3": ("n/a", "a sparse array has no NumPy form", "no NumPy form"),
    "notScalar: noise sparse 1x1 0.29999999999999999": ("n/a", "a sparse array has no NumPy form", "no NumPy form"),
    "traitsClass: traits complex 2x3": ("{f}:traitsClass", "traits must be a real, full double array; got a complex "
                                        "array.", OWN_TYPES),
    "traitsClass: traits char 2x3": ("{f}:traitsClass", "traits must be a real, full double array; got a str "
                                     "array.", OWN_TYPES),
    "traitsClass: traits logical 2x3": ("{f}:traitsClass", "traits must be a real, full double array; got a bool "
                                        "array.", OWN_TYPES),
    "notScalar: intercept double 1x2": ("{f}:notScalar", "intercept must be a real numeric scalar; got a float64 "
                                        "array of 2 elements.", OWN_TYPES),
    "notScalar: levels char 1x1 53": ("{f}:notScalar", "levels must be a real numeric scalar; got a str value.",
                                      OWN_TYPES),
    "notScalar: mutation_rate logical 1x1 1": ("{f}:notScalar", "mutation_rate must be a real numeric scalar; got "
                                               "a bool value.", OWN_TYPES),
    "notScalar: seed double 0x0": ("{f}:notScalar", "seed must be a real numeric scalar; got a float64 array of 0 "
                                   "elements.", OWN_TYPES),
}


def printout(*args, statuses=(0,)):
    run = subprocess.run([sys.argv[1], *args], capture_output=True, text=True)
    assert run.returncode in statuses, (args, run.returncode, run.stderr)
    return run.stdout.splitlines()


def case_digest(lines):
    return hashlib.sha256("\n".join(l for l in lines if l.startswith("case ")).encode()).hexdigest()


os.makedirs(sys.argv[2], exist_ok=True)
calls, outcomes = (os.path.join(sys.argv[2], name) for name in ("calls.txt", "outcomes.txt"))
host = printout()
printout("--calls", calls)
write_outcomes(calls, outcomes)
python = printout("--outcomes", outcomes, statuses=(0, 1))
assert len(python) == len(host), (len(python), len(host))
seen, other_status = [], 0  # other_status: listed calls whose status is not the host's identifier
for ours, theirs in zip(python, host):
    words = ours.split(" | ")[0].split(" ", 3)
    if words[0] == "reject" and words[3] in PYTHON_DIFFERS:
        status, message, why = PYTHON_DIFFERS[words[3]]
        same_identifier = status.startswith("{f}")
        assert ours.split(" | ")[1:] == [status.format(f=words[2]) + " (UNEXPECTED)" * (not same_identifier),
                                         message], ours
        other_status += not same_identifier
        seen.append(words[3])
        print(f"python differs: {ours}  [{why}]")
    elif ours.startswith("cases "):
        assert ours == theirs.replace(" errors 0", f" errors {other_status}"), (ours, theirs)
    else:
        assert ours == theirs, (ours, theirs)
assert sorted(seen) == sorted(2 * list(PYTHON_DIFFERS)), "each listed difference shows in ringsim and gridsim"
print(f"case lines sha256: stand-in {case_digest(host)}  python {case_digest(python)}")
print(f"{sum(l.startswith('case ') for l in python)} case lines identical, {len(seen)} rejected calls as listed, "
      "every other line as the stand-in's")
