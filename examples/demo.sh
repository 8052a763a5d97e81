#!/usr/bin/env bash
# The demo: what a session with KWT looks like from the command line.
set -euo pipefail
build=${1:-build/default}
kwt="$build/apps/kwt/kwt"
out="$build/demo"
rm -rf "$out"
mkdir -p "$out"
export KWT_DEMO_PREFS="$out/prefs.bin"

echo "== Waves, variables and the command line"
"$kwt" --prefs "$KWT_DEMO_PREFS" --save "$out/demo.itx" --dump "$out/session" \
  'Make/O/N=5 w = {1, 2, NaN, 4, 5}' \
  'SetScale/P x 0, 0.001, "s", w; SetScale d 0, 0, "A", w' \
  'Note w, "made by the demo"' \
  'Variable/G gain = 2.5e-12 * 4' \
  'print "gain:", gain' \
  'NewDataFolder/O/S cells; Make/D/N=3 cell1 = p * 0.5; SetDataFolder root:'
echo
echo "== The Igor text file it saved ($out/demo.itx)"
tr '\r' '\n' < "$out/demo.itx" | head -n 30
echo
echo "== The saved file read back into a new session"
"$kwt" --prefs "$KWT_DEMO_PREFS" "LoadWave/T \"$out/demo.itx\"" 'print w[1], cells:cell1[2], gain'
echo
echo "== The module's operations in this build"
for op in AutoStats PlotWaves SlimWaves LoadPulse LoadXChart LoadPM; do
  printf '%-11s ' "$op"
  "$kwt" -q --prefs "$KWT_DEMO_PREFS" "$op" 2>&1 || true
done

# ---- Pulse recordings: LoadPulse ---------------------------------------------
# A recording of two cells written by the test writer (steps with leak and
# voltage monitor, a sine series for the LockIn), its tree, and one load of
# everything with the LockIn, stimulus templates, leak and second traces and
# the stacked graph.
pulse="$out/pulse"
echo
echo "== A Pulse recording"
"$build/examples/make_demo_recordings" "$pulse"
"$kwt" info "$pulse/cell.dat"
echo
echo "== LoadPulse/G/I/L/S/P: the history"
"$kwt" --prefs "$KWT_DEMO_PREFS" --save "$out/pulse.itx" \
  "LoadPulse/G/I/L/S/P \"$pulse/cell.dat\"" \
  'print kwtGroups, kwtSeries, kwtSweeps, kwtLastPulseWave, kwtPulseTime'
echo
echo "== Saved $out/pulse.itx: $(tr '\r' '\n' < "$out/pulse.itx" | grep -c '^WAVES') waves"
tr '\r' '\n' < "$out/pulse.itx" | grep -m 1 -A 3 'Pulse_1_2_1_Cm' || true
