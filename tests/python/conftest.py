# The Python tests run against the build tree: ctest puts its python/
# folder on PYTHONPATH and names the programs in the environment.
import os
import subprocess

import pytest


def program(variable):
    path = os.environ.get(variable)
    if not path or not os.path.exists(path):
        pytest.skip("%s is not set to a built program (run through ctest)" % variable)
    return path


@pytest.fixture(scope="session")
def kwt_binary():
    return program("KWT_BINARY")


@pytest.fixture(scope="session")
def demo(tmp_path_factory):
    """The demo's recordings: cell.dat (Pulse), patch.dat (PatchMaster
    bundle), chart.tree (X-Chart)."""
    folder = tmp_path_factory.mktemp("demo")
    subprocess.run([program("KWT_DEMO_WRITER"), str(folder)], check=True, capture_output=True)
    return folder


def write_batch(folder, count, points=20000):
    subprocess.run([program("KWT_BATCH_WRITER"), str(folder), str(count), str(points)],
                   check=True, capture_output=True)
    return sorted(folder.glob("*.dat"))


def damage(path, how):
    """Damages a recording in place: "truncate" keeps its first 300
    bytes, "header" overwrites its signature."""
    data = bytearray(path.read_bytes())
    if how == "truncate":
        data = data[:300]
    else:
        data[0:4] = b"XXXX"
    path.write_bytes(bytes(data))
