#!/usr/bin/env bash
# The demo: a session with KWT from the command line, on recordings that the
# demo writes first (no recording is checked in).
set -euo pipefail
build=${1:-build/default}
kwt="$build/apps/kwt/kwt"
out="$build/demo"
rm -rf "$out"
mkdir -p "$out"
prefs="$out/prefs.bin"

echo "== Sample recordings"
"$build/examples/make_demo_recordings" "$out/pulse"

echo
echo "== kwt info: the tree of the Pulse recording"
"$kwt" info "$out/pulse/cell.dat"
echo
echo "== kwt info: the tree of the PatchMaster bundle"
"$kwt" info "$out/pulse/patch.dat"
echo
echo "== kwt info: the X-Chart recording"
"$kwt" info "$out/pulse/chart.tree"

# ---- Loading, statistics, plots ----------------------------------------------
# Series 1 of cell 1 (voltage steps with leak and voltage monitor) with its
# stimulus, series 2 (a 1 kHz sine) with the LockIn, cell 2 alone; then the
# mean of the step sweeps with its spread, cell 2's sweeps on bands of their
# own, and a thinned copy of a sine sweep.  Every graph and table becomes a
# picture in $out/pictures.  Then the PatchMaster bundle with its stimulus
# waves, the LockIn of its sine series and a graph per trace, and the X-Chart
# recording of the same cell at rest as a stacked chart.
echo
echo "== LoadPulse, AutoStats, PlotWaves, SlimWaves and LoadPM: the history"
"$kwt" --prefs "$prefs" --save "$out/session.itx" --save "$out/session.pxp" \
  --dump "$out/session" --plot "$out/pictures" \
  "LoadPulse/I/L/S/P/A=1/B=1 \"$out/pulse/cell.dat\"" \
  "LoadPulse/G/I/P/A=1/B=2 \"$out/pulse/cell.dat\"" \
  "LoadPulse/Q/A=2 \"$out/pulse/cell.dat\"" \
  'print "last wave:", kwtLastPulseWave, " selected group:", kwtActGroup, " its series:", kwtSeries' \
  'AutoStats/G/T/S/N=steps Pulse_1_1_1,Pulse_1_1_2,Pulse_1_1_3,Pulse_1_1_4,Pulse_1_1_5' \
  'PlotWaves/G/C/B Pulse_2_1_1,Pulse_2_1_2,Pulse_2_1_3,Pulse_2_1_4,Pulse_2_1_5' \
  'SlimWaves/A=10 Pulse_1_2_1' \
  'print "Cm of sine cycle 100 (F):", Pulse_1_2_1_Cm[100]' \
  "LoadPM/I/G/P \"$out/pulse/patch.dat\"" \
  'print "PatchMaster LockIn, Cm of cycle 100 (F):", PMPulse_1_2_1_1_Imon_Cm[100]' \
  "LoadXChart/G=1/P/H/L \"$out/pulse/chart.tree\"" \
  'print "X-Chart, membrane potential at 17 s (V):", XC_Vm[170]'

echo
echo "== Pictures ($out/pictures)"
ls "$out/pictures"
echo "the table of the mean (first lines):"
head -n 3 "$out/pictures/Table0.csv"

echo
echo "== The session saved as an Igor text file, read back into a new session"
echo "$(tr '\r' '\n' < "$out/session.itx" | grep -c '^WAVES') waves in $out/session.itx"
"$kwt" --prefs "$prefs" "LoadWave/T \"$out/session.itx\"" \
  'print Pulse_1_1_3[100], steps_mean[100], Pulse_1_2_1_Cm[100]'
echo "the same values from the dump ($out/session/session.json and its .npy files):"
/usr/bin/python3 - "$out/session" <<'PY'
import json, os, sys
import numpy
d = sys.argv[1]
s = json.load(open(os.path.join(d, "session.json")))
for w in s["waves"]:
    if w["path"] in ("root:Pulse_1_1_3", "root:steps_mean", "root:Pulse_1_2_1_Cm"):
        a = numpy.load(os.path.join(d, w["file"]))
        i = 100
        print("  %-22s %-8s %6d points, x step %g %s, [%d] = %.6g %s"
              % (w["path"], w["type"], w["points"], w["x_delta"], w["x_units"], i, a[i], w["data_units"]))
PY

echo
echo "== The same session as a packed experiment ($out/session.pxp), as python3-igor reads it"
/usr/bin/python3 - "$out/session.pxp" <<'PY' || echo "  (python3-igor is not installed: scripts/bootstrap installs it)"
import sys
import igor.packed
records, tree = igor.packed.load(sys.argv[1])
root = tree["root"]
waves = [k.decode() for k, v in root.items() if type(v).__name__ == "WaveRecord"]
print("  %d records; root holds %d waves and %d variables"
      % (len(records), len(waves), sum(not isinstance(v, dict) and type(v).__name__ != "WaveRecord" for v in root.values())))
w = root[b"Pulse_1_1_3"].wave["wave"]
print("  Pulse_1_1_3: %d points, x step %g, [100] = %.6g, note begins %r"
      % (len(w["wData"]), w["wave_header"]["sfA"][0], w["wData"][100], bytes(w["note"][:30])))
macros = [r for r in records if type(r).__name__ == "RecreationRecord"][0].text
print("  windows to recreate:", bytes(macros).count(b"EndMacro"))
PY

# ---- The lab calculators ------------------------------------------------------
echo
echo "== The lab calculators, one calculation each (kwt calc NAME --help lists the fields)"
"$kwt" calc buffer --total-ion 1m --total-buffer 10m --kd 1u
"$kwt" calc freeca --buffer1 EGTA --total1 10m --buffer2 ATP --total2 4m \
  --total-ca 1m --total-mg 2m --ph 7.2
"$kwt" calc patcher --function Geometry --quantity Diameter --p1 10
"$kwt" calc ljp --ion1 Cs --pip1 135 --ion2 F --pip2 135 \
  --ion3 Na --pip3 10 --bath3 145 --ion4 Cl --pip4 10 --bath4 145 --temperature 20
echo
echo "== A scripted dialog: Buffer Capacity, Calculate, To History, Exit ($out/dialog/session.json)"
"$kwt" -q --prefs "$prefs" --dump "$out/dialog" --dialog 'Buffer Capacity' \
  --set 9=1m --set 10=10m --set 14=1u --press 1 --press 3 --press 2
/usr/bin/python3 -c 'import json, sys
run = json.load(open(sys.argv[1]))["dialogs"][0]
print(run["title"], "ended by", run["ended_by"], "with", run["result"])
for c in run["controls"]:
    if c["kind"] == "edit": print("  %-13s %r" % (c.get("name", c["id"]), c["text"]))' "$out/dialog/session.json"

# ---- From Python ----------------------------------------------------------------
echo
echo "== From Python: the bundle in a kwt session, its sweeps as NumPy arrays (examples/python_session.py)"
PYTHONPATH="$build/python" /usr/bin/python3 examples/python_session.py "$out/pulse/patch.dat"
