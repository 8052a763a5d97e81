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
"$kwt" -q --prefs "$KWT_DEMO_PREFS" --dump "$out/dialog" --dialog 'Buffer Capacity' \
  --set 9=1m --set 10=10m --set 14=1u --press 1 --press 3 --press 2
python3 -c 'import json, sys
run = json.load(open(sys.argv[1]))["dialogs"][0]
print(run["title"], "ended by", run["ended_by"], "with", run["result"])
for c in run["controls"]:
    if c["kind"] == "edit": print("  %-13s %r" % (c.get("name", c["id"]), c["text"]))' "$out/dialog/session.json"
