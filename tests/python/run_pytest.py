# Runs pytest on the kwt tests; exits 77 (skipped) when pytest or Dask is
# not installed, saying which.  Guarded by __main__: Dask's worker
# processes import this file again as they start.
import sys


def main():
    try:
        import pytest
        import dask.distributed  # noqa: F401
    except ImportError as e:
        print("python_kwt skipped: %s (install python3-pytest python3-dask "
              "python3-distributed)" % e)
        return 77
    return pytest.main(sys.argv[1:])


if __name__ == "__main__":
    sys.exit(main())
