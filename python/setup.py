# With pyproject.toml beside it in the build folder: the package holds a
# compiled module (_core), so its wheel is tagged for this Python and platform.
# setuptools' own files go to .setuptools/, not into a folder named build,
# made afresh each time so that no file left by an older build is packed.
import os
import shutil

from setuptools import setup
from setuptools.dist import Distribution


class CompiledDistribution(Distribution):
    def has_ext_modules(self):
        return True


shutil.rmtree(".setuptools", ignore_errors=True)
os.makedirs(".setuptools")
setup(distclass=CompiledDistribution,
      options={"build": {"build_base": ".setuptools/build"}, "egg_info": {"egg_base": ".setuptools"}})
