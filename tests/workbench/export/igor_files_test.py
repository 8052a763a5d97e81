#!/usr/bin/python3
"""kwt --save FILE.pxp and --save DIR/ read back by an independent reader.

Usage: igor_files_test.py KWT MAKE_DEMO_RECORDINGS

Debian's python3-igor reads the packed experiment and the binary wave files;
every sample, the scaling, units, full scale and note of every wave, and
every variable, must equal what kwt's own session dump (session.json and its
.npy files) says of the same session.  Exits 77 (skipped) when python3-igor
cannot be imported.
"""
import json
import os
import subprocess
import sys
import tempfile

try:
    import numpy
    import igor.binarywave
    import igor.packed
except ImportError as e:
    print("skipped: python3-igor (and numpy) are needed: %s" % e)
    sys.exit(77)

KWT, MAKE_DEMO = sys.argv[1], sys.argv[2]
WORK = tempfile.mkdtemp(prefix="kwt-igor-")

# A long note with both kinds of line end and a byte beyond ASCII.
NOTE = "".join("line %d:\\tvalue \\xb0\\r" % i for i in range(120)) + "last\\nend"
SESSION = [
    "LoadPulse/I/L/P/A=1/B=1 \"%s\"" % os.path.join(WORK, "rec", "cell.dat"),
    "Make/O/N=6 f32 = {1.5, NaN, -INF, 3.4028235e38, 1e-45, -0}",
    "Make/O/D/N=5 f64 = {0.1, NaN, INF, -2.2250738585072014e-308, 1e300}",
    "SetScale/P x -0.001, 1e-4, \"s\", f64; SetScale d -3.2768e-8, 3.2767e-8, \"A\", f64",
    # Units of more than three bytes, with bytes beyond ASCII (the host's
    # Windows-1252 micro sign and degree sign).
    "SetScale/P x 2, 0.5, \"\xb5seconds\", f32; SetScale d 0, 1, \"\xb0C/\xb5m\", f32",
    "Note/K f32, \"%s\"" % NOTE,
    "Variable/G vn = 0.1, vnan = NaN; String/G vs = \"two words \xb5\"",
    "NewDataFolder/O/S 'my data'; Make/O/N=3 'w 1' = {7, 8, 9}; Variable/G inner = -1",
    "NewDataFolder/O/S deeper; Make/O/D/N=2 d = {42, -42}; String/G deep = \"\"",
    "SetDataFolder root:",
    "Display f32; AppendToGraph/R root:'my data':deeper:d",
]


def run(*args):
    # Command lines go as the host's bytes (Windows-1252), as a script would.
    args = [a.encode("cp1252") for a in args]
    r = subprocess.run([KWT.encode(), b"-q", *args], capture_output=True)
    if r.returncode != 0:
        sys.exit("kwt failed (%d): %s" % (r.returncode, r.stderr.decode(errors="replace")))


def host_text(b):
    """Host bytes as session.json shows them: Windows-1252, \\n line ends."""
    return b.decode("cp1252").replace("\r\n", "\n").replace("\r", "\n")


def number(v):
    return None if v is None or not numpy.isfinite(v) else v


def same_number(a, b):
    return number(a) == b or (number(a) is not None and b is not None and abs(a - b) <= 1e-12 * abs(b))


def check_wave(where, wave, entry, dump):
    """One python3-igor wave against the dump's description of it."""
    w = wave["wave"]
    h = w["wave_header"]
    expected = numpy.load(os.path.join(dump, entry["file"]))
    got = w["wData"]
    assert got.dtype.newbyteorder("<") == expected.dtype or got.dtype == expected.dtype, (where, got.dtype, expected.dtype)
    assert got.shape == expected.shape, (where, got.shape, expected.shape)
    assert got.astype(expected.dtype).tobytes() == expected.tobytes(), (where, "samples differ")
    assert h["bname"].decode("cp1252") == entry["path"].split(":")[-1].strip("'"), (where, h["bname"])
    assert same_number(h["sfB"][0], entry["x_start"]) and same_number(h["sfA"][0], entry["x_delta"]), where
    # Units of up to three bytes stand in the header, longer ones in a
    # section of their own (the only extended units here are x units).
    data_units = w["data_units"] or b"".join(h["dataUnits"])
    x_units = w["dimension_units"] or b"".join(h["dimUnits"][0])
    assert host_text(data_units) == entry["data_units"], (where, data_units, entry["data_units"])
    assert host_text(x_units) == entry["x_units"], (where, x_units, entry["x_units"])
    top, bottom = entry["full_scale"]
    assert same_number(h["topFullScale"], top) and same_number(h["botFullScale"], bottom), where
    assert host_text(w["note"]) == entry["note"], (where, w["note"][:80], entry["note"][:80])


def lookup(tree, path):
    parts = [p.strip("'") for p in path.split(":") if p]
    node = tree
    for p in parts:
        node = node[p if p == "root" and node is tree else p.encode("cp1252")]
    return node


def main():
    subprocess.run([MAKE_DEMO, os.path.join(WORK, "rec")], check=True, capture_output=True)
    dump = os.path.join(WORK, "dump")
    pxp = os.path.join(WORK, "s.pxp")
    run("--save", pxp, "--dump", dump, *SESSION)
    run("--save", os.path.join(WORK, "ibw") + "/", *SESSION)
    doc = json.load(open(os.path.join(dump, "session.json"), encoding="utf-8"))

    records, tree = igor.packed.load(pxp)
    waves = doc["waves"]
    assert len(waves) > 10, "the recording made its waves"
    for entry in waves:
        check_wave("pxp " + entry["path"], lookup(tree, entry["path"]).wave, entry, dump)
        ibw = os.path.join(WORK, "ibw", entry["file"][:-len(".npy")] + ".ibw")
        check_wave("ibw " + entry["path"], igor.binarywave.load(ibw), entry, dump)
    for path, var in doc["variables"].items():
        got = lookup(tree, path)
        if var["type"] == "string":
            assert host_text(got) == var["value"], (path, got, var["value"])
        else:
            assert same_number(got, var["value"]), (path, got, var["value"])

    kinds = {type(r).__name__: r for r in records}
    history = host_text(bytes(kinds["HistoryRecord"].text))
    assert "Make/O/N=6 f32" in history, history[:200]
    macros = host_text(bytes(kinds["RecreationRecord"].text))
    assert "Window Graph1() : Graph\n" in macros and "EndMacro\n" in macros, macros
    assert "\tDisplay root:f32\n" in macros and "\tAppendToGraph/R root:'my data':deeper:d\n" in macros, macros
    print("ok: %d waves and %d variables compared" % (len(waves), len(doc["variables"])))


if __name__ == "__main__":
    main()
