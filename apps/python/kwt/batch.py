"""Runs KWT command lines over many recordings on Dask.

    python3 -m kwt.batch --workers 2 --out results \\
        --command 'LoadPM/G/O "{file}"' recordings/

Each recording runs in a fresh session on a worker: "{file}" in each
command stands for its path.  Its outputs go to DIR/<name>.itx (or the
dump DIR/<name>/ with --dump), its row to DIR/<name>.row.json, and all
rows to DIR/summary.csv: file, kind, counts, result code and text, time,
and the variables the commands left.  A recording that fails is a row
with its code and text; a worker that dies has its recordings run again
by Dask; a second run with the same DIR reuses the rows it finds unless
asked to redo them.
"""

import argparse
import csv
import hashlib
import json
import os
import sys
import threading
import time

# A worker runs one recording at a time whatever its thread count: the
# module serves one session per process.
_one_session = threading.Lock()

# The summary's first columns; the variables follow, by full path.
COLUMNS = ["file", "kind", "groups", "series", "sweeps", "traces", "waves", "code", "text",
           "seconds", "output"]
# Files a folder argument contributes: the data file of a Pulse or
# PatchMaster recording, the tree file of an X-Chart one.
RECORDING_EXTENSIONS = (".dat", ".tree")


def recordings(arguments):
    """The recordings named by files and folders (searched below), each
    once, in a stable order."""
    found = []
    for arg in arguments:
        if os.path.isdir(arg):
            for root, dirs, files in os.walk(arg):
                dirs.sort()
                found += [os.path.join(root, f) for f in sorted(files)
                          if f.lower().endswith(RECORDING_EXTENSIONS)]
        else:
            found.append(arg)
    seen, unique = set(), []
    for path in found:
        key = os.path.realpath(path)
        if key not in seen:
            seen.add(key)
            unique.append(path)
    return unique


def output_name(path):
    """The name of a recording's outputs: its file name and a digest of its
    full path, so that recordings of one name in different folders do not
    meet and a later run finds the same name."""
    digest = hashlib.sha1(os.path.realpath(path).encode("utf-8", "surrogateescape"))
    return "%s-%s" % (os.path.basename(path), digest.hexdigest()[:10])


def _counts(path):
    """The kind and the group, series, sweep and trace counts that kwt.info
    gives; empty when it cannot describe the file."""
    import kwt
    try:
        tree = kwt.info(path)
    except kwt.Error:
        return {}
    counts = {"kind": " ".join(filter(None, [tree.get("format"), tree.get("arrangement")]))}
    # PatchMaster and Pulse give their totals in "counts"; X-Chart lists
    # its groups.
    totals = tree.get("counts") or {}
    for key in ("groups", "series", "sweeps", "traces"):
        if key in totals:
            counts[key] = totals[key]
    if "groups" not in counts and isinstance(tree.get("groups"), list):
        counts["groups"] = len(tree["groups"])
    return counts


def run_one(path, commands, out, dump=False, allow_partial=False):
    """Runs the commands on one recording in a fresh session; writes its
    outputs and its row under ``out`` and returns the row."""
    import kwt
    name = output_name(path)
    row = {"file": path, "code": 0, "text": "", "variables": {}}
    with _one_session:
        started = time.monotonic()
        row.update(_counts(path))
        with kwt.Session(memory_prefs=True, allow_partial=allow_partial) as session:
            # Every command runs, as in kwt; the row keeps the first failure.
            for command in commands:
                try:
                    session.run(command.replace("{file}", path))
                except kwt.Error as e:
                    if row["code"] == 0 and not row["text"]:
                        row["code"], row["text"] = e.code, e.text
            row["waves"] = len(session.waves())
            row["variables"] = session.variables
            # What was made before a failure is written all the same, as
            # kwt does.
            if dump:
                row["output"] = name
                session.dump(os.path.join(out, name))
            else:
                row["output"] = name + ".itx"
                session.save(os.path.join(out, name + ".itx"))
        row["seconds"] = round(time.monotonic() - started, 4)
    # The row is written last and in one step: a run that dies before
    # leaves no row, and the recording runs again next time.
    final = os.path.join(out, name + ".row.json")
    with open(final + ".part", "w", encoding="utf-8") as f:
        json.dump(row, f)
    os.replace(final + ".part", final)
    return row


def failed(row):
    """True for a recording that kwt would report as failed."""
    return row.get("code") != 0 or bool(row.get("text"))


def _done_row(path, out):
    try:
        with open(os.path.join(out, output_name(path) + ".row.json"), encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError):
        return None


def _cell(value):
    # Numbers in the fewest digits that give them back, whole ones without
    # ".0", as the session dump has them.
    if isinstance(value, float):
        text = repr(value)
        return text[:-2] if text.endswith(".0") else text
    return value


def write_summary(rows, path):
    """One CSV row per recording: COLUMNS, then one column per variable."""
    variables = sorted({v for row in rows for v in row.get("variables", {})})
    with open(path, "w", newline="", encoding="utf-8") as f:
        writer = csv.writer(f)
        writer.writerow(COLUMNS + variables)
        for row in rows:
            values = row.get("variables", {})
            writer.writerow([_cell(row.get(c, "")) for c in COLUMNS] +
                            [_cell(values.get(v, "")) for v in variables])


def local_cluster(workers):
    """A cluster of ``workers`` processes on this machine, one thread each,
    reachable on localhost only; its HTTP routes on a free port."""
    from dask.distributed import LocalCluster
    return LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                        host="127.0.0.1", dashboard_address="127.0.0.1:0")


def run(files, command, out, client=None, workers=2, redo=False, dump=False,
        allow_partial=False, on_row=None):
    """Runs ``command`` (a line or a list of lines, "{file}" standing for
    the recording) on every recording of ``files`` (files and folders),
    each in a fresh session on a Dask worker of ``client`` (None: a local
    cluster of ``workers`` processes, closed again).  Writes the outputs
    and DIR/summary.csv under ``out``; returns the rows in the order of
    the recordings.  Rows found from an earlier run are kept unless
    ``redo``.  ``on_row(row)`` is called as each recording finishes."""
    from dask.distributed import as_completed
    commands = [command] if isinstance(command, str) else list(command)
    paths = recordings([os.fspath(f) for f in files])
    os.makedirs(out, exist_ok=True)
    rows = {}
    if not redo:
        for path in paths:
            row = _done_row(path, out)
            if row is not None:
                rows[path] = row
    todo = [p for p in paths if p not in rows]
    own = client is None and todo
    if own:
        from dask.distributed import Client
        client = Client(local_cluster(workers))
    try:
        futures = {client.submit(run_one, path, commands, out, dump, allow_partial,
                                 pure=False, key="kwt-" + output_name(path) + "-" +
                                 str(time.time_ns())): path for path in todo}
        for future in as_completed(futures):
            path = futures[future]
            try:
                row = future.result()
            except Exception as e:  # the engine gave up on it: still a row
                row = {"file": path, "code": None, "text": "%s: %s" % (type(e).__name__, e)}
            rows[path] = row
            if on_row is not None:
                on_row(row)
    finally:
        if own:
            cluster = client.cluster
            client.close()
            cluster.close()
    ordered = [rows[p] for p in paths]
    write_summary(ordered, os.path.join(out, "summary.csv"))
    return ordered


def main(argv=None):
    parser = argparse.ArgumentParser(
        prog="python3 -m kwt.batch",
        description="Run KWT command lines over many recordings on Dask, one fresh session "
                    "per recording; outputs and summary.csv under --out.")
    where = parser.add_mutually_exclusive_group()
    where.add_argument("--scheduler", metavar="ADDR",
                       help="a running Dask scheduler (tcp://host:8786); its workers need kwt")
    where.add_argument("--workers", type=int, default=os.cpu_count() or 1, metavar="N",
                       help="worker processes of a local cluster (default: one per core)")
    parser.add_argument("--out", required=True, metavar="DIR", help="where outputs go")
    parser.add_argument("--command", action="append", required=True, metavar="LINE",
                        help='a command line, "{file}" for the recording (repeatable)')
    parser.add_argument("--dump", action="store_true",
                        help="write the session dump (session.json, .npy) instead of .itx")
    parser.add_argument("--redo", action="store_true",
                        help="run recordings again that an earlier run finished")
    parser.add_argument("--allow-partial", action="store_true",
                        help="missing samples and damaged items do not fail a recording")
    parser.add_argument("files", nargs="+", metavar="FILE_OR_FOLDER")
    args = parser.parse_args(argv)
    if args.workers < 1:
        parser.error("--workers must be at least 1")
    if not recordings(args.files):
        parser.error("no recordings found")
    client = None
    if args.scheduler:
        from dask.distributed import Client
        client = Client(args.scheduler)

    def show(row):
        status = "error %s: %s" % (row["code"], row["text"]) if failed(row) else "ok"
        print("%s: %s" % (row["file"], status), flush=True)

    try:
        rows = run(args.files, args.command, args.out, client=client, workers=args.workers,
                   redo=args.redo, dump=args.dump, allow_partial=args.allow_partial,
                   on_row=show)
    finally:
        if client is not None:
            client.close()
    failures = sum(1 for r in rows if failed(r))
    print("%d recordings, %d failed; summary in %s" %
          (len(rows), failures, os.path.join(args.out, "summary.csv")))
    return 1 if failures else 0


if __name__ == "__main__":
    # Through the module kwt.batch, not this __main__ copy of it: Dask then
    # sends run_one to the workers by name rather than by value.
    from kwt.batch import main as batch_main
    sys.exit(batch_main())
