#!/usr/bin/env bash
# Installs the built package into a fresh virtual environment without the
# network, as docs/python.md says, and uses it from outside the build:
# the install must hold everything the package reads (the compiled _core,
# the version, the self-check's cases, the type marker).
#
#     tests/python/install_check.sh PYTHON BUILD/python
#
# Exits 77 (the test's SKIP_RETURN_CODE), saying why, where this Python
# cannot make such an environment.
set -euo pipefail
python=$1
package=$(cd "$2" && pwd)
unset PYTHONPATH  # the build's folder must not stand in for the install

missing=()
for module in ensurepip:python3-venv setuptools:python3-setuptools wheel:python3-wheel; do
  "$python" -c "import ${module%%:*}" 2>/dev/null || missing+=("${module#*:} (no module ${module%%:*})")
done
if ((${#missing[@]})); then
  echo "SKIPPED: $python cannot install the package offline here; missing: ${missing[*]}." \
       "scripts/setup.sh installs them." >&2
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$python" -m venv --system-site-packages "$work/venv"
"$work/venv/bin/pip" install --quiet --no-index --no-build-isolation "$package"
cd "$work"
"$work/venv/bin/python" - "$work/venv" <<'EOF'
import importlib.metadata
import os
import sys

import latticesim

installed = os.path.realpath(os.path.dirname(latticesim.__file__))
assert installed.startswith(os.path.realpath(sys.argv[1]) + os.sep), f"latticesim imported from {installed}"
assert importlib.metadata.version("latticesim") == latticesim.__version__
for name in ("py.typed", "__init__.pyi"):
    assert os.path.isfile(os.path.join(installed, name)), f"{name} is not installed"
final = latticesim.gridsim([[0, 1, 2], [2, 1, 0]], 0.5, 1, 3, 1, 1, 0.3, 0.05, 5, 7, means=False)
assert final.shape == (2, 3), final.shape
print(f"latticesim {latticesim.__version__} installed in {installed}")
latticesim.selfcheck()
EOF
