"""The demo's Python example: a PatchMaster bundle loaded in a kwt session,
its sweeps as NumPy arrays, and one calculator.

    PYTHONPATH=build/default/python python3 examples/python_session.py patch.dat
"""
import sys

import numpy as np

import kwt

path = sys.argv[1]
tree = kwt.info(path)
print("groups in %s: %d" % (path, len(tree["groups"])))
with kwt.Session(memory_prefs=True) as s:
    s.run('LoadPM/A=1/B=2/G/Q "%s"' % path)
    for w in s.waves():
        if w.path.endswith("_Cm"):
            cm = w.data  # a view of the session's memory, no copy
            print("%s: %d cycles, mean Cm %.2f pF" % (w.name, len(cm), np.nanmean(cm) * 1e12))
    print("variables:", {k: v for k, v in s.variables.items() if k.startswith("root:kwtAct")})
sweeps = kwt.load(path, group=1, series=1, quiet=True)
i = sweeps[0]
print("%s: %d points at %g %s steps, peak %.3g %s at x = %.4g %s" % (
    i.name, len(i), i.x_delta, i.x_units, i.data.max(), i.data_units,
    i.x[np.argmax(i.data)], i.x_units))
print("buffer capacity of 10 mM buffer, Kd 1 uM, 1 mM ion: %.1f" %
      kwt.buffer_capacity(total_ion=1e-3, total_buffer=10e-3, kd=1e-6)["capacity"])
