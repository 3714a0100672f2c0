#!/usr/bin/env python3
"""Writes the seed corpora of the fuzzers of what latticesweep reads:
corpus/sweep_description/ (the descriptions of README.md and
docs/sweeps.md, of tests/sweep/ and sweep/bench/, and those inside
tests/sweep/*.cpp),
corpus/initial_file/ (small MAT-files of versions 6 and 7 written by
Octave and of version 7.3 written by write_mat73_seeds.c, some holding the
levels inside a struct or a cell, and damaged copies) and
corpus/journal/ (journals of a small sweep stopped part way by latticesweep
--halt-after, and damaged copies).

    make_sweep_seeds.py LATTICESWEEP [OCTAVE]

Rewrites the three corpus folders from scratch."""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def fresh(name):
    folder = os.path.join(HERE, "corpus", name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    return folder


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def damaged(data, seed):
    """Copies of data cut short, with bytes flipped, and with a stretch
    repeated: the faults a disk or a stopped writer leaves."""
    n = len(data)
    flipped = bytearray(data)
    for k in range(seed % 7 + 1):
        at = (n * (2 * k + 1)) // (2 * (seed % 7 + 2))
        flipped[at] ^= 0x5A
    third = n // 3
    return {
        "cut": data[: n - n // 5],
        "half": data[: n // 2],
        "flipped": bytes(flipped),
        "repeated": data[:third] + data[third : 2 * third] + data[third:],
    }


def description_seeds():
    folder = fresh("sweep_description")
    texts = {}
    for path in sorted(glob.glob(os.path.join(ROOT, "tests/sweep/*.toml")) +
                       glob.glob(os.path.join(ROOT, "sweep/bench/*.toml"))):
        with open(path, encoding="utf-8") as f:
            texts[os.path.basename(path)] = f.read()
    for doc in ("README.md", "docs/sweeps.md"):
        with open(os.path.join(ROOT, doc), encoding="utf-8") as f:
            blocks = re.findall(r"```toml\n(.*?)```", f.read(), re.S)
        for k, block in enumerate(blocks):
            texts[f"{doc.replace('/', '_')}_{k}.toml"] = block
    for path in sorted(glob.glob(os.path.join(ROOT, "tests/sweep/*.cpp"))):
        with open(path, encoding="utf-8") as f:
            raw = re.findall(r'R"\((.*?)\)"', f.read(), re.S)
        for k, text in enumerate(t for t in raw if "model" in t):
            texts[f"{os.path.basename(path)[:-4]}_{k}.toml"] = text
    # The ring's levels from the fuzzer's own levels.mat.
    texts["levels_file.toml"] = ('model = "ring"\n[parameters]\nintercept = 0.5\nslope = 1.0\nlevels = 3\n'
                                 'radius = 1\nnoise = 0.1\nmutation_rate = 0.01\nsteps = 5\n'
                                 '[initial]\nfile = "levels.mat"\nvariable = "traits"\n')
    for name, text in texts.items():
        write(folder, name, text.encode())
    return len(texts)


OCTAVE_SCRIPT = """
traits = [0 1 2 1 0 2]'; save('-v6', 'ring_v6.mat', 'traits');
save('-v7', 'ring_v7.mat', 'traits');
traits = [0 1 2; 2 1 0]; save('-v7', 'torus_v7.mat', 'traits');
save('-v6', 'torus_v6.mat', 'traits');
traits = int32([0 1 2]); save('-v7', 'int32_v7.mat', 'traits');
traits = zeros(0, 1); save('-v6', 'empty_v6.mat', 'traits');
levels = [1 2]; save('-v7', 'other_name_v7.mat', 'levels');
traits = struct('traits', [0 1 2]'); save('-v7', 'struct_field_v7.mat', 'traits');
traits = {[0 1 2]'}; save('-v6', 'cell_v6.mat', 'traits');
traits = struct('inner', struct('traits', [0 1; 2 1])); save('-v7', 'nested_struct_v7.mat', 'traits');
s.traits = [0 1 2]; save('-v6', 'field_only_v6.mat', 's');
"""

def initial_file_seeds(octave):
    folder = fresh("initial_file")
    with tempfile.TemporaryDirectory() as work:
        subprocess.run([octave, "--no-gui", "--norc", "--quiet", "--eval", OCTAVE_SCRIPT], cwd=work, check=True)
        # Version 7.3, which Octave cannot write, through the MAT-file library.
        writer = os.path.join(work, "write_mat73_seeds")
        flags = subprocess.run(["pkg-config", "--cflags", "--libs", "matio"], check=True, capture_output=True,
                               text=True).stdout.split()
        subprocess.run(["cc", "-o", writer, os.path.join(HERE, "write_mat73_seeds.c")] + flags, check=True)
        subprocess.run([writer], cwd=work, check=True)
        os.remove(writer)
        count = 0
        for k, name in enumerate(sorted(os.listdir(work))):
            with open(os.path.join(work, name), "rb") as f:
                data = f.read()
            write(folder, name, data)
            count += 1
            if name in ("ring_v6.mat", "ring_v7.mat", "torus_v7.mat", "ring_v73.mat", "torus_zlib_v73.mat"):
                for kind, copy in damaged(data, k).items():
                    write(folder, f"{name[:-4]}_{kind}.mat", copy)
                    count += 1
    return count


JOURNAL_SWEEP = """model = "ring"
[parameters]
intercept = 0.5
slope = 1.0
levels = 3
radius = 1
mutation_rate = 0.01
steps = 4
[sweep]
noise = [0.0, 0.5]
[replicates]
count = 3
[initial]
random = { size = 5 }
"""


def journal_seeds(latticesweep):
    folder = fresh("journal")
    count = 0
    with tempfile.TemporaryDirectory() as work:
        description = os.path.join(work, "small.toml")
        with open(description, "w") as f:
            f.write(JOURNAL_SWEEP)
        count += halted_journals(latticesweep, work, description, folder, "halt_after")
        with open(os.path.join(work, "halt_after_4.journal"), "rb") as f:
            data = f.read()
        write(folder, "header_only", data[:32])
        write(folder, "stub", data[:10])
        count += 2
        # The same sweep keeping snapshots: records of the second form.
        snapshots = os.path.join(work, "snapshots.toml")
        with open(snapshots, "w") as f:
            f.write(JOURNAL_SWEEP + "[snapshots]\nsteps = [0, 2]\n")
        count += halted_journals(latticesweep, work, snapshots, folder, "snapshots_halt_after")
        # Observing (and keeping snapshots): records of the third form.
        observed = os.path.join(work, "observed.toml")
        with open(observed, "w") as f:
            f.write(JOURNAL_SWEEP + "[snapshots]\nsteps = [2]\n[observe]\nsteps = [0, 4]\n[means]\nevery = 2\n")
        count += halted_journals(latticesweep, work, observed, folder, "observed_halt_after")
    return count


def halted_journals(latticesweep, work, description, folder, name):
    """Journals of description stopped after 1 and 4 runs, with damaged
    copies; each kept in work as NAME_H.journal too."""
    count = 0
    for halt in (1, 4):
        out = os.path.join(work, f"{name}_{halt}.mat")
        subprocess.run([latticesweep, "sweep", description, "-o", out, "--threads", "1", "--quiet",
                        "--halt-after", str(halt)], cwd=work)
        with open(out + ".journal", "rb") as f:
            data = f.read()
        shutil.copy(out + ".journal", os.path.join(work, f"{name}_{halt}.journal"))
        write(folder, f"{name}_{halt}", data)
        count += 1
        for kind, copy in damaged(data, halt).items():
            write(folder, f"{name}_{halt}_{kind}", copy)
            count += 1
    return count


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    octave = sys.argv[2] if len(sys.argv) > 2 else "octave-cli"
    print("descriptions:", description_seeds())
    print("initial files:", initial_file_seeds(octave))
    print("journals:", journal_seeds(os.path.abspath(sys.argv[1])))


if __name__ == "__main__":
    main()
