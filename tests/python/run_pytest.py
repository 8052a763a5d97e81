# Runs pytest on the kwt tests; exits 77 (skipped) when pytest or Dask is
# not installed, saying which.
import sys

try:
    import pytest
    import dask.distributed  # noqa: F401
except ImportError as e:
    print("python_kwt skipped: %s (install python3-pytest python3-dask python3-distributed)"
          % e)
    sys.exit(77)

sys.exit(pytest.main(sys.argv[1:]))
