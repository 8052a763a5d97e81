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
echo
echo "== Pictures: graphs as SVG and PNG, tables as CSV ($out/pictures)"
# A family of five voltage steps, shown the way LoadPulse/P/L/I lays out a
# loaded series (leak, stimulus and sweep on stacked axes), the mean and
# spread of the sweeps with error bars and their table, and the sweeps on
# bands of their own as PlotWaves/G/C/B draws them.
"$kwt" -q --prefs "$KWT_DEMO_PREFS" --plot "$out/pictures" -s - <<'KWT'
Variable/G k
Make/O/N=1500 Pulse_1_1_1, Pulse_1_1_2, Pulse_1_1_3, Pulse_1_1_4, Pulse_1_1_5
Make/O/N=1500 Pulse_1_1_1_leak, Pulse_1_1_2_leak, Pulse_1_1_3_leak, Pulse_1_1_4_leak, Pulse_1_1_5_leak
Make/O/N=1500 Pulse_1_1_1_stim, Pulse_1_1_2_stim, Pulse_1_1_3_stim, Pulse_1_1_4_stim, Pulse_1_1_5_stim
SetScale/P x 0, 5e-5, "s", Pulse_1_1_1, Pulse_1_1_2, Pulse_1_1_3, Pulse_1_1_4, Pulse_1_1_5
SetScale/P x 0, 5e-5, "s", Pulse_1_1_1_leak, Pulse_1_1_2_leak, Pulse_1_1_3_leak, Pulse_1_1_4_leak, Pulse_1_1_5_leak
SetScale/P x 0, 5e-5, "s", Pulse_1_1_1_stim, Pulse_1_1_2_stim, Pulse_1_1_3_stim, Pulse_1_1_4_stim, Pulse_1_1_5_stim
SetScale d 0, 0, "A", Pulse_1_1_1, Pulse_1_1_2, Pulse_1_1_3, Pulse_1_1_4, Pulse_1_1_5
SetScale d 0, 0, "A", Pulse_1_1_1_leak, Pulse_1_1_2_leak, Pulse_1_1_3_leak, Pulse_1_1_4_leak, Pulse_1_1_5_leak
SetScale d 0, 0, "V", Pulse_1_1_1_stim, Pulse_1_1_2_stim, Pulse_1_1_3_stim, Pulse_1_1_4_stim, Pulse_1_1_5_stim
k = 0; Pulse_1_1_1_stim = -0.08 + (0.02 + 0.02 * k) * (x >= 0.01) * (x < 0.06)
k = 1; Pulse_1_1_2_stim = -0.08 + (0.02 + 0.02 * k) * (x >= 0.01) * (x < 0.06)
k = 2; Pulse_1_1_3_stim = -0.08 + (0.02 + 0.02 * k) * (x >= 0.01) * (x < 0.06)
k = 3; Pulse_1_1_4_stim = -0.08 + (0.02 + 0.02 * k) * (x >= 0.01) * (x < 0.06)
k = 4; Pulse_1_1_5_stim = -0.08 + (0.02 + 0.02 * k) * (x >= 0.01) * (x < 0.06)
k = 0; Pulse_1_1_1_leak = 3e-11 * (k + 1) * (exp(-(x - 0.01) / 4e-4) * (x >= 0.01) - exp(-(x - 0.06) / 4e-4) * (x >= 0.06))
k = 1; Pulse_1_1_2_leak = 3e-11 * (k + 1) * (exp(-(x - 0.01) / 4e-4) * (x >= 0.01) - exp(-(x - 0.06) / 4e-4) * (x >= 0.06))
k = 2; Pulse_1_1_3_leak = 3e-11 * (k + 1) * (exp(-(x - 0.01) / 4e-4) * (x >= 0.01) - exp(-(x - 0.06) / 4e-4) * (x >= 0.06))
k = 3; Pulse_1_1_4_leak = 3e-11 * (k + 1) * (exp(-(x - 0.01) / 4e-4) * (x >= 0.01) - exp(-(x - 0.06) / 4e-4) * (x >= 0.06))
k = 4; Pulse_1_1_5_leak = 3e-11 * (k + 1) * (exp(-(x - 0.01) / 4e-4) * (x >= 0.01) - exp(-(x - 0.06) / 4e-4) * (x >= 0.06))
k = 0; Pulse_1_1_1 = (-1.6e-9 * sin(0.6 * k + 0.4) * exp(-(x - 0.01) / 0.0015) * (1 - exp(-(x - 0.01) / 0.0003)) + 4e-10 * k * (1 - exp(-(x - 0.01) / 0.006))) * (x >= 0.01) * (x < 0.06) + 1e-11 * sin(p * 1.3)
k = 1; Pulse_1_1_2 = (-1.6e-9 * sin(0.6 * k + 0.4) * exp(-(x - 0.01) / 0.0015) * (1 - exp(-(x - 0.01) / 0.0003)) + 4e-10 * k * (1 - exp(-(x - 0.01) / 0.006))) * (x >= 0.01) * (x < 0.06) + 1e-11 * sin(p * 1.7)
k = 2; Pulse_1_1_3 = (-1.6e-9 * sin(0.6 * k + 0.4) * exp(-(x - 0.01) / 0.0015) * (1 - exp(-(x - 0.01) / 0.0003)) + 4e-10 * k * (1 - exp(-(x - 0.01) / 0.006))) * (x >= 0.01) * (x < 0.06) + 1e-11 * sin(p * 2.3)
k = 3; Pulse_1_1_4 = (-1.6e-9 * sin(0.6 * k + 0.4) * exp(-(x - 0.01) / 0.0015) * (1 - exp(-(x - 0.01) / 0.0003)) + 4e-10 * k * (1 - exp(-(x - 0.01) / 0.006))) * (x >= 0.01) * (x < 0.06) + 1e-11 * sin(p * 2.9)
k = 4; Pulse_1_1_5 = (-1.6e-9 * sin(0.6 * k + 0.4) * exp(-(x - 0.01) / 0.0015) * (1 - exp(-(x - 0.01) / 0.0003)) + 4e-10 * k * (1 - exp(-(x - 0.01) / 0.006))) * (x >= 0.01) * (x < 0.06) + 1e-11 * sin(p * 3.1)
Display;ModifyGraph margin(left)=60
AppendToGraph/L=l1 'Pulse_1_1_1_leak'
ModifyGraph axisEnab(l1)={0.0000,0.3200},freePos(l1)=0,lblPos(l1)=60
AppendToGraph/L=l2 'Pulse_1_1_1_stim'
ModifyGraph axisEnab(l2)={0.3400,0.6600},freePos(l2)=0,lblPos(l2)=60
ModifyGraph mode('Pulse_1_1_1_stim')=6
AppendToGraph/L=l3 'Pulse_1_1_1'
ModifyGraph axisEnab(l3)={0.6800,1.0000},freePos(l3)=0,lblPos(l3)=60
AppendToGraph/L=l1 'Pulse_1_1_2_leak'; AppendToGraph/L=l2 'Pulse_1_1_2_stim'; ModifyGraph mode('Pulse_1_1_2_stim')=6; AppendToGraph/L=l3 'Pulse_1_1_2'
AppendToGraph/L=l1 'Pulse_1_1_3_leak'; AppendToGraph/L=l2 'Pulse_1_1_3_stim'; ModifyGraph mode('Pulse_1_1_3_stim')=6; AppendToGraph/L=l3 'Pulse_1_1_3'
AppendToGraph/L=l1 'Pulse_1_1_4_leak'; AppendToGraph/L=l2 'Pulse_1_1_4_stim'; ModifyGraph mode('Pulse_1_1_4_stim')=6; AppendToGraph/L=l3 'Pulse_1_1_4'
AppendToGraph/L=l1 'Pulse_1_1_5_leak'; AppendToGraph/L=l2 'Pulse_1_1_5_stim'; ModifyGraph mode('Pulse_1_1_5_stim')=6; AppendToGraph/L=l3 'Pulse_1_1_5'
Make/O/D/N=1500 swave_mean, swave_sdev
SetScale/P x 0, 5e-5, "s", swave_mean, swave_sdev
SetScale d 0, 0, "A", swave_mean, swave_sdev
swave_mean = (Pulse_1_1_1 + Pulse_1_1_2 + Pulse_1_1_3 + Pulse_1_1_4 + Pulse_1_1_5) / 5
swave_sdev = sqrt(((Pulse_1_1_1 - swave_mean) * (Pulse_1_1_1 - swave_mean) + (Pulse_1_1_2 - swave_mean) * (Pulse_1_1_2 - swave_mean) + (Pulse_1_1_3 - swave_mean) * (Pulse_1_1_3 - swave_mean) + (Pulse_1_1_4 - swave_mean) * (Pulse_1_1_4 - swave_mean) + (Pulse_1_1_5 - swave_mean) * (Pulse_1_1_5 - swave_mean)) / 4)
Display 'swave_mean'
ErrorBars 'swave_mean' Y,wave=('swave_sdev','swave_sdev')
SetAxis bottom 0.005, 0.03
Label left "Mean current (\U)"
Label bottom "Time (\U)"
Edit 'swave_mean' 'swave_sdev'
Display/W=(10,40,436,520)
AppendToGraph/L=l1 root:Pulse_1_1_2
ModifyGraph axisEnab(l1)={0.71,1.00},freePos(l1)=0, lblPos(l1)=60
SetAxis/A/N=1 l1
SetAxis l1 -1.2e-09,1.6e-09
SetDrawEnv xcoord=prel,ycoord=l1,linefgc=(0,0,39321),dash=3
DrawLine 0,0.000000,1,0.000000
ModifyGraph rgb('Pulse_1_1_2')=(0,0,0)
ModifyGraph lstyle('Pulse_1_1_2')=(0)
AppendToGraph/L=l2 root:Pulse_1_1_3
ModifyGraph axisEnab(l2)={0.37,0.67},freePos(l2)=0, lblPos(l2)=60
SetAxis/A/N=1 l2
SetAxis l2 -1.2e-09,1.6e-09
SetDrawEnv xcoord=prel,ycoord=l2,linefgc=(0,0,39321),dash=3
DrawLine 0,0.000000,1,0.000000
ModifyGraph rgb('Pulse_1_1_3')=(39321,0,0)
ModifyGraph lstyle('Pulse_1_1_3')=(0)
AppendToGraph/L=l3 root:Pulse_1_1_4
ModifyGraph axisEnab(l3)={0.04,0.33},freePos(l3)=0, lblPos(l3)=60
SetAxis/A/N=1 l3
SetAxis l3 -1.2e-09,1.6e-09
SetDrawEnv xcoord=prel,ycoord=l3,linefgc=(0,0,39321),dash=3
DrawLine 0,0.000000,1,0.000000
ModifyGraph rgb('Pulse_1_1_4')=(0,39321,0)
ModifyGraph lstyle('Pulse_1_1_4')=(0)
ModifyGraph margin(left)=72
Legend/N=legend
ModifyGraph gaps=0
KWT
ls -l "$out/pictures"
head -n 4 "$out/pictures/Table0.csv"
