"""The amoq module against amoq-reduce on the bundled SiO2 example: the same curves to the
last written digit, arrays against the file they came from, bad arrays and refused steps,
the series summary against series.csv. Run by ctest with PYTHONPATH at the built package,
AMOQ_REDUCE the program and AMOQ_SOURCE_DIR the sources."""

import contextlib
import csv
import os
import subprocess
import sys
import tempfile
import warnings
from concurrent.futures import ThreadPoolExecutor

import numpy as np
import pytest

import amoq

REDUCE = os.environ["AMOQ_REDUCE"]
EXAMPLE = os.path.join(os.environ["AMOQ_SOURCE_DIR"], "examples", "sio2")
NAP = os.path.join(EXAMPLE, "sio2.nap")
RAW = os.path.join(EXAMPLE, "sio2_raw.dat")
BACKGROUND = os.path.join(EXAMPLE, "sio2_background.dat")


def amoq_reduce(*args, cwd=None):
    return subprocess.run([REDUCE, *args], capture_output=True, text=True, cwd=cwd)


def same_as_file(curve, path):
    """Each value equals the file's to its last written digit (ten decimals)."""
    written = np.loadtxt(path)
    assert len(curve[0]) == len(written), path
    for values, column in zip(curve[:2], written.T):
        assert np.all(np.abs(values - column) <= 5e-11 * (1 + 1e-5 * np.abs(column))), path


@pytest.fixture(scope="module")
def raw():
    return np.loadtxt(RAW, unpack=True)


@pytest.fixture(autouse=True)
def no_warnings_shown():
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", amoq.ReductionWarning)
        yield


def test_curves_and_values_are_those_of_amoq_reduce(tmp_path, raw):
    cases = [  # (amoq-reduce arguments, Project.reduce arguments)
        ([], {}),
        (["--set", "rmax=12", "--coordination", "Si-O:1.45:1.8", RAW],
         {"raw": raw, "coordination": [("Si", "O", 1.45, 1.8)]}),
        (["--optimise", "1.4", "--optimise-density", "--background", BACKGROUND, RAW],
         {"raw": RAW, "background": BACKGROUND, "optimise": {"r_min": 1.4, "density": True}}),
    ]
    for k, (args, kwargs) in enumerate(cases):
        out = tmp_path / str(k)
        ran = amoq_reduce("-o", str(out), *args[:-1] if args else [], NAP, *args[-1:])
        assert ran.returncode == 0, ran.stderr
        res = amoq.Project(NAP).set(**({"rmax": 12} if "rmax=12" in args else {})).reduce(**kwargs)
        assert sorted(res) == sorted(f[:-4] for f in os.listdir(out) if f.endswith(".dat"))
        for name in res:
            same_as_file(res[name], out / (name + ".dat"))
        printed = dict(line.split(": ", 1) for line in ran.stdout.splitlines())
        assert "%f" % res.normalisation_constant == printed["normalisation constant"]
        if "optimise" in kwargs:
            assert "%f" % res.optimised_density == printed["optimised density"]
            assert res.density_used == res.optimised_density
            assert "%g" % res.low_r_chi2 == printed["low-r chi2"]
        if kwargs.get("coordination"):
            assert "%f" % res.coordination[0]["n"] == printed["coordination Si-O 1.45-1.8"]
            assert res.coordination[0]["pair"] == "Si-O"


def test_arrays_give_what_their_file_gives(tmp_path, raw):
    p = amoq.Project(NAP)
    from_file = p.reduce(raw=RAW, background=BACKGROUND)
    two_rows = np.stack(raw)
    as_columns = np.ascontiguousarray(two_rows.T)
    for given in [raw, list(raw), two_rows, (as_columns[:, 0], as_columns[:, 1]),  # strided
                  (raw[0].astype(">f8"), raw[1][::-1][::-1])]:
        res = p.reduce(raw=given, background=np.loadtxt(BACKGROUND, unpack=True))
        for name in from_file:
            assert np.array_equal(res[name][1], from_file[name][1]), name
    # Any real dtype: float32 values reduce as the doubles they are.
    x32, y32 = raw[0].astype(np.float32), raw[1].astype(np.float32)
    a = p.reduce(raw=(x32, y32), steps=(0, 1))
    b = p.reduce(raw=(x32.astype(float), y32.astype(float)), steps=(0, 1))
    assert np.array_equal(a["sq"][1], b["sq"][1])
    assert list(a) == ["corrected", "qsq", "sq"]
    # A file with a header is read by the instrument reader: its own program, found from the
    # module's place, not the interpreter's.
    path = tmp_path / "header.xy"
    np.savetxt(path, np.column_stack(raw), header="2theta intensity", comments="")
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        res = p.reduce(raw=str(path), steps=(0, 0))
    assert np.allclose(res["corrected"][1], p.reduce(raw=raw, steps=(0, 0))["corrected"][1], rtol=1e-12)


def test_bad_arrays_raise_value_error(raw):
    x, y = raw
    p = amoq.Project(NAP)
    nan, inf = y.copy(), y.copy()
    nan[5], inf[7] = np.nan, np.inf
    cases = [
        ((x, y[:-1]), "x and y differ in length"), ((x, y, y[:10]), "sigma and x differ in length"),
        ((x, nan), "point 6 is not a number"), ((x, inf), "point 8 is not a number"),
        ((x[::-1], y), "the abscissa does not increase at point 2"),
        ((np.r_[x[:3], x[2:]], np.r_[y[:3], y[2:]]), "the abscissa does not increase at point 4"),
        ((x, y, -np.ones_like(y)), "point 1 has a negative standard deviation"),
        (([], []), "no points"), (([1.0], [2.0]), "at least 2 are needed"), ((x, y, y, y), "not 4 arrays"),
        ((x, y.astype(complex)), "must be real numbers"), ((x, np.array(["a"] * len(x))), "must be real numbers"),
        ((x, np.ones((2, len(x)))), "one-dimensional"), (42, "give a file path or arrays"), ("bad\0path", "null byte"),

    ]
    for given, text in cases:
        with pytest.raises(ValueError, match=text.replace("(", r"\(")):
            p.reduce(raw=given)
        with pytest.raises(ValueError, match="background"):
            p.reduce(background=given)
    for kwargs in [{"steps": 4}, {"steps": (3, 1)}, {"steps": 1.0}, {"steps": "all"}, {"errors": "gauss"},
                   {"optimise": -1.0}, {"optimise": {"rmin": 1.4}}, {"coordination": [(2.0, 1.0)]},
                   {"coordination": (1.45, 1.8)}]:
        with pytest.raises(ValueError):
            p.reduce(**kwargs)
    with pytest.raises(ValueError, match="at least one input"):
        amoq.reduce_series(p, [])
    # Tiny patterns of random counts: a result or a refusal, never a crash.
    rng = np.random.default_rng(7)
    for n in [2, 3, 5, 9]:
        xs = np.cumsum(rng.uniform(0.1, 40, n))
        for steps in [None, (1, 3), 3]:
            with contextlib.suppress(RuntimeError):
                p.reduce(raw=(xs, rng.uniform(0, 1e3, n)), steps=steps)



def test_settings_refusals_and_files(tmp_path, raw):
    p = amoq.Project(NAP)
    for kwargs, text in [({"colour": 1}, "unknown setting"), ({"rmax": float("nan")}, "not a number")]:
        with pytest.raises(ValueError, match=text):
            p.set(**kwargs)
    for key, value in [("bdbox", 9), ("method", 7), ("mut_thickness", 1)]:
        ran = amoq_reduce("-o", str(tmp_path / "x"), "--set", "%s=%s" % (key.replace("_", "-"), value), NAP)
        with pytest.raises(ValueError) as refused:
            p.set(**{key: value})
        assert str(refused.value) == ran.stderr.strip()
    assert p.settings == []
    # A step the program refuses: its own message, as amoq-reduce prints it.
    ran = amoq_reduce("-o", str(tmp_path / "y"), "--set", "method=1", NAP)
    assert ran.returncode == 1
    with pytest.raises(RuntimeError) as refused:
        p.set(method=1).reduce()
    assert str(refused.value) == ran.stderr.strip()
    with pytest.raises(RuntimeError, match="species must be > 0"):
        amoq.Project().reduce(raw=raw)
    with pytest.raises(OSError, match="Impossible to open project file"):
        amoq.Project(tmp_path / "none.nap")
    # Saved with its settings, the project reduces as before.
    p = amoq.Project(NAP).set(rmax=8, window=1)
    for name in ["saved.nap", "saved.apf"]:
        p.save(tmp_path / name)
    again = amoq.Project(tmp_path / "saved.nap").reduce(raw=raw)
    assert np.array_equal(again["Gr"][1], p.reduce(raw=raw)["Gr"][1])
    assert amoq.Project(tmp_path / "saved.apf").path.endswith("saved.apf")
    with pytest.raises(OSError):
        p.save(tmp_path / "no" / "such.nap")


def test_uncertainties_warnings_and_threads(raw):
    p = amoq.Project(NAP)
    res = p.reduce(raw=raw, errors="poisson", coordination=[(1.45, 1.8)])
    assert all(len(res[name]) == 3 and np.all(res[name][2] >= 0) for name in ["corrected", "sq", "Gr"])
    assert res.normalisation_constant_sigma > 0 and res.coordination[0]["sigma"] > 0
    assert res.coordination[0]["fit"]["r0_sigma"] > 0
    plain = p.reduce(raw=raw)
    assert len(plain["sq"]) == 2 and plain.normalisation_constant_sigma is None
    assert np.array_equal(plain["sq"][1], res["sq"][1])
    bx, by = np.loadtxt(BACKGROUND, unpack=True)
    column = p.reduce(raw=(*raw, np.sqrt(raw[1])), background=(bx, by, np.sqrt(by)), steps=0)  # "column"
    assert np.array_equal(column["corrected"][1], plain["corrected"][1]) and len(column["corrected"]) == 3
    assert np.allclose(column["corrected"][2], res["corrected"][2], rtol=1e-12)  # sqrt(counts) both ways
    with pytest.raises(KeyError, match="no such curve"):
        column["Gr"]
    # Messages of a reduction that succeeded are warnings too.
    with pytest.warns(amoq.ReductionWarning, match="interpolated") as caught:
        res = p.reduce(raw=(raw[0][::2], raw[1][::2]), steps=(0, 1))
    assert [str(w.message) for w in caught] == res.warnings
    # Calls from several threads run one at a time and give the same curves.
    q = amoq.Project(NAP)
    with ThreadPoolExecutor(4) as pool:
        results = list(pool.map(lambda k: q.reduce(raw=raw)["gr"][1], range(4)))
    assert all(np.array_equal(r, plain["gr"][1]) for r in results)



def test_series_summary_and_matrices_are_amoq_reduce_s(tmp_path, raw, monkeypatch):
    inputs = [str(tmp_path / ("p%d.dat" % k)) for k in range(3)]
    for k, path in enumerate(inputs):
        np.savetxt(path, np.c_[raw[0], raw[1] * (1 + 0.02 * k)], fmt="%.6f")

    (tmp_path / "values").write_text("".join("p%d.dat %d\n" % (k, 5 - k) for k in range(3)))
    ran = amoq_reduce("-q", "-o", str(tmp_path / "cli"), "--series-values", str(tmp_path / "values"),
                      "--set", "rmax=9", NAP, *inputs)
    assert ran.returncode == 0, ran.stderr
    with open(tmp_path / "cli" / "series.csv", newline="") as f:
        expected = list(csv.DictReader(f))
    p = amoq.Project(NAP).set(rmax=9)
    seen = []
    monkeypatch.setitem(sys.modules, "pandas", None)  # the list of dicts
    summary, matrices = amoq.reduce_series(p, inputs, workers=2, values=[5, 4, 3],
                                           progress=lambda done, total: seen.append((done, total)),
                                           outdir=tmp_path / "py")
    assert seen[-1] == (3, 3)
    assert [r["input"] for r in summary] == [inputs[2], inputs[1], inputs[0]]  # by value
    for row, want in zip(summary, expected):
        assert row["exit"] == int(want["exit"]) == 0
        for column, text in want.items():
            if column not in ("input", "exit", "warnings"):
                assert row[column] == (float(text) if text else None), column
    for name in ["sq", "qsq", "Gr", "gr"]:
        assert np.array_equal(matrices[name], np.loadtxt(tmp_path / "cli" / ("series_%s.dat" % name)))
    # Arrays as inputs, a temporary folder, and pandas when it is there.
    monkeypatch.delitem(sys.modules, "pandas")
    (tmp_path / "tmp").mkdir()
    monkeypatch.setattr(tempfile, "tempdir", str(tmp_path / "tmp"))
    frame, arrays = amoq.reduce_series(p, [raw, inputs[0]], workers=1)
    rows = frame.to_dict("records") if hasattr(frame, "to_dict") else frame
    assert [r["input"] for r in rows] == ["array1", inputs[0]]
    assert np.array_equal(arrays["Gr"][:, 1], arrays["Gr"][:, 2])
    assert os.listdir(tmp_path / "tmp") == []  # the temporary folder is gone
    stopped = []
    def stop(done, total):
        stopped.append(done)
        raise KeyboardInterrupt
    with pytest.raises(KeyboardInterrupt):
        amoq.reduce_series(p, inputs * 4, workers=1, progress=stop)
    # Called once: one poll may bring more than one input when the machine is busy.
    assert len(stopped) == 1 and 1 <= stopped[0] < len(inputs * 4)


def test_package_imports_from_another_interpreter_and_reads_as_a_manual():
    # -S: no site packages, hence no NumPy of the interpreter's own; the package adds the
    # system's (a pyenv or virtual environment interpreter of the same version).
    env = dict(os.environ, PYTHONPATH=os.path.dirname(os.path.dirname(amoq.__file__)))
    ran = subprocess.run([sys.executable, "-S", "-c", "import amoq, numpy; print(amoq.__version__)"],
                         capture_output=True, text=True, env=env)
    assert ran.returncode == 0 and ran.stdout.strip() == amoq.__version__, ran.stderr
    text = amoq.__doc__
    for heading in ["SYNOPSIS", "OVERVIEW", "ARRAYS", "SETTINGS", "ERRORS", "THREADS"]:
        assert "\n" + heading + "\n" in text
    assert all(key in text for key in amoq.setting_keys())
    assert all(getattr(amoq, name).__doc__ for name in amoq.__all__)
    assert all(getattr(amoq.Project, method).__doc__ for method in ["set", "save", "reduce"])
