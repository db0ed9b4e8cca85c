#!/usr/bin/env python3
"""The bundled SiO2 example reduced from Python, on NumPy arrays.

    PYTHONPATH=build/python python3 examples/python/reduce.py [OUTDIR]

Reads the raw and background counts of examples/sio2 into arrays, reduces them with the
settings of sio2.nap, prints the values the steps report and draws S(Q) and G(r) into
OUTDIR/sio2.png (with matplotlib, when it is installed). Then a series of three
patterns made from the same counts (scaled by 1, 1.01 and 1.02) is reduced with
reduce_series, and its summary and its G(r) are shown the same way. OUTDIR defaults to
a folder in the temporary directory.
"""

import os
import sys
import tempfile

import amoq
import numpy as np

here = os.path.dirname(os.path.abspath(__file__))
example = os.path.join(here, "..", "sio2")
outdir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(tempfile.gettempdir(), "amoq-example")
os.makedirs(outdir, exist_ok=True)

# 2-theta (degrees) and counts per second, as an integration program would hand them over.
two_theta, counts = np.loadtxt(os.path.join(example, "sio2_raw.dat"), unpack=True)
_, background = np.loadtxt(os.path.join(example, "sio2_background.dat"), unpack=True)

project = amoq.Project(os.path.join(example, "sio2.nap"))
res = project.reduce(raw=(two_theta, counts), background=(two_theta, background),
                     coordination=[("Si", "O", 1.45, 1.8)])
print("curves:", ", ".join(res))
print("normalisation constant: %f" % res.normalisation_constant)
print("density used: %f atoms/A^3" % res.density_used)
print("first peak of S(Q): %.3f at Q = %.3f 1/A" % (res.sq_first_peak, res.sq_first_peak_q))
print("O around Si (1.45-1.8 A): %.3f" % res.coordination[0]["n"])

# The same counts scaled by 1.00, 1.01 and 1.02: the constant follows the scale.
inputs = [(two_theta, counts * (1 + 0.01 * k)) for k in range(3)]
summary, matrices = amoq.reduce_series(project, inputs, values=[0.0, 1.0, 2.0])
rows = summary.to_dict("records") if hasattr(summary, "to_dict") else summary
for row in rows:
    print("series %s (value %g): constant %f" % (row["input"], row["value"], row["normalisation_constant"]))

try:
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
except ImportError:
    print("matplotlib is not installed (apt-get install python3-matplotlib): no plots")
    sys.exit(0)

fig, (left, right) = plt.subplots(1, 2, figsize=(10, 4))
left.plot(*res["sq"][:2])
left.set(xlabel="Q (1/A)", ylabel="S(Q)", title="SiO2: S(Q)")
right.plot(*res["Gr"][:2])
right.set(xlabel="r (A)", ylabel="G(r)", title="SiO2: G(r)")
fig.tight_layout()
fig.savefig(os.path.join(outdir, "sio2.png"), dpi=100)

gr = matrices["Gr"]
fig, ax = plt.subplots(figsize=(6, 4))
for k, row in enumerate(rows):
    ax.plot(gr[:, 0], gr[:, 1 + k], label="value %g" % row["value"])
ax.set(xlabel="r (A)", ylabel="G(r)", title="SiO2 series: G(r)")
ax.legend()
fig.savefig(os.path.join(outdir, "sio2-series.png"), dpi=100)
print("plots: %s, %s" % (os.path.join(outdir, "sio2.png"), os.path.join(outdir, "sio2-series.png")))
