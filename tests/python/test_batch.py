import csv
import os
import signal
import subprocess
import sys

import pytest

pytest.importorskip("dask.distributed")
from dask.distributed import Client  # noqa: E402

import kwt.batch  # noqa: E402
from conftest import damage, write_batch  # noqa: E402

COMMANDS = ['LoadPM/O "{file}"', "print kwtGroups"]
# What a row says about its recording, apart from where and how long.
SAME = ("file", "kind", "groups", "series", "sweeps", "traces", "waves", "code", "text",
        "variables")


@pytest.fixture(scope="module")
def folder(tmp_path_factory):
    folder = tmp_path_factory.mktemp("recordings")
    files = write_batch(folder, 20)
    damage(files[4], "truncate")
    damage(files[11], "header")
    return folder


@pytest.fixture(scope="module")
def sequential(folder, tmp_path_factory):
    """Each recording run alone, one after the other, in this process."""
    out = tmp_path_factory.mktemp("sequential")
    return out, {str(p): kwt.batch.run_one(str(p), COMMANDS, str(out))
                 for p in kwt.batch.recordings([str(folder)])}


@pytest.fixture(scope="module")
def client():
    cluster = kwt.batch.local_cluster(2)
    with Client(cluster) as c:
        yield c
    cluster.close()


def assert_same_as_sequential(rows, out, sequential):
    alone_out, alone = sequential
    assert [r["file"] for r in rows] == sorted(alone)
    for row in rows:
        want = alone[row["file"]]
        assert {k: row.get(k) for k in SAME} == {k: want.get(k) for k in SAME}
        made = os.path.join(out, row["output"])
        assert open(made, "rb").read() == open(os.path.join(alone_out, want["output"]), "rb").read()


def test_twenty_recordings_on_two_workers(folder, sequential, client, tmp_path):
    rows = kwt.batch.run([folder], COMMANDS, str(tmp_path), client=client)
    assert_same_as_sequential(rows, tmp_path, sequential)
    failed = {os.path.basename(r["file"]): r for r in rows if r["code"] != 0}
    assert sorted(failed) == ["cell05.dat", "cell12.dat"]
    assert all(r["code"] > 10000 and r["text"] for r in failed.values())
    assert all(r["waves"] > 0 and r["variables"]["root:kwtGroups"] == 1
               for r in rows if r["code"] == 0)
    with open(tmp_path / "summary.csv", newline="") as f:
        table = list(csv.DictReader(f))
    assert [t["file"] for t in table] == [r["file"] for r in rows]
    assert [int(t["code"]) for t in table] == [r["code"] for r in rows]
    assert table[0]["root:kwtGroups"] == "1"

    # A second run finds every row and runs nothing; redo runs them again.
    stamps = {p: p.stat().st_mtime_ns for p in tmp_path.glob("*.row.json")}
    again = kwt.batch.run([folder], COMMANDS, str(tmp_path), client=client)
    assert again == rows
    assert {p: p.stat().st_mtime_ns for p in tmp_path.glob("*.row.json")} == stamps
    redone = kwt.batch.run([folder], COMMANDS, str(tmp_path), client=client, redo=True)
    assert [r["code"] for r in redone] == [r["code"] for r in rows]
    assert any(p.stat().st_mtime_ns != stamps[p] for p in tmp_path.glob("*.row.json"))


def test_a_worker_killed_part_way(folder, sequential, client, tmp_path):
    pids = list(client.run(os.getpid).values())
    killed = []

    def kill_one(row):
        if not killed:
            os.kill(pids[0], signal.SIGKILL)
            killed.append(row["file"])

    rows = kwt.batch.run([folder], COMMANDS, str(tmp_path), client=client, on_row=kill_one)
    assert killed
    assert_same_as_sequential(rows, tmp_path, sequential)


def test_the_command_line(folder, tmp_path):
    shown = subprocess.run(
        [sys.executable, "-m", "kwt.batch", "--workers", "1", "--out", str(tmp_path), "--dump",
         "--command", COMMANDS[0], str(folder / "cell01.dat"), str(folder / "cell05.dat")],
        capture_output=True, text=True)
    assert shown.returncode == 1, shown.stderr
    assert "2 recordings, 1 failed" in shown.stdout
    dumped = [d for d in tmp_path.iterdir() if d.is_dir()]
    assert len(dumped) == 2 and all((d / "session.json").exists() for d in dumped)
