#!/usr/bin/env python3
"""The amoq module's whole chain in process: a 3000-point integrated pattern (Q data, the
bundled SiO2 counts and background resampled onto a uniform Q grid), raw data correction,
S(Q) by the integral normalisation, G(r) and g(r) with the Lorch window to R_max 10 A in
steps of 0.01 A. Prints the median and the minimum of RUNS calls of Project.reduce.

    PYTHONPATH=build/python python3 bench/python_reduce.py
"""

import os
import sys
import time

import amoq
import numpy as np

runs = int(os.environ.get("RUNS", "300"))
example = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples", "sio2")
two_theta, counts = np.loadtxt(os.path.join(example, "sio2_raw.dat"), unpack=True)
_, background = np.loadtxt(os.path.join(example, "sio2_background.dat"), unpack=True)
q_of = 4 * np.pi * np.sin(np.radians(two_theta) / 2) / 0.7093
q = np.linspace(q_of[0], q_of[-1], 3000)
raw, bkg = (q, np.interp(q, q_of, counts)), (q, np.interp(q, q_of, background))

project = amoq.Project(os.path.join(example, "sio2.nap"))
project.set(formatbox=1, method=2, window=1, rmax=10, deltar=0.01)
res = project.reduce(raw=raw, background=bkg)
if list(res) != ["corrected", "qsq", "sq", "Gr", "gr", "rdf"] or len(res["Gr"][0]) != 1000:
    sys.exit("python_reduce: the chain did not run: %s" % list(res))
times = []
for _ in range(runs):
    start = time.perf_counter()
    project.reduce(raw=raw, background=bkg)
    times.append((time.perf_counter() - start) * 1e3)
print("  Project.reduce, 3000 Q points to G(r) (%d runs): median %.3f ms   min %.3f ms"
      % (runs, float(np.median(times)), min(times)))
