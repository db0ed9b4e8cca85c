"""X-ray diffraction of amorphous materials: AMOQ's reduction to S(Q), G(r), g(r) on NumPy arrays.

SYNOPSIS
    import amoq
    p = amoq.Project("sio2.nap")          # or amoq.Project() for an empty project
    p.set(rmax=10, deltar=0.01, window=1)  # the keys of amoq-reduce --set
    res = p.reduce(raw=(two_theta, counts), background="background.dat")
    q, s = res["sq"]                       # S(Q); res["Gr"] is G(r), res["gr"] g(r)
    res.normalisation_constant, res.density_used, res.warnings
    summary, matrices = amoq.reduce_series(p, ["a.dat", "b.dat", (x, y)])

OVERVIEW
    A Project holds a project file (.nap or .apf) as read, and the settings given to it
    since. Project.reduce runs the calculation steps in this process, as amoq-reduce
    runs them on one INPUT, and returns the result curves as arrays and the values the
    steps report; nothing is written. The steps are those of the program: 0 the raw data
    correction, 1 S(Q), 2 the bending correction, 3 G(r) and g(r). The numbers are the
    program's to the last digit: the module calls the same libraries and adds no science
    of its own.

    reduce_series reduces many inputs with one project's settings in worker processes,
    as amoq-reduce does with several INPUTs, and returns the summary and the matrices of
    the series.

ARRAYS
    Data are given as (x, y) or (x, y, sigma): a sequence of two or three one-dimensional
    arrays (or a 2 x N / 3 x N array) of real numbers of any dtype, contiguous or not;
    sigma holds the standard deviations of y. The abscissa must increase, every value be
    finite, sigma not be negative, and there must be at least {min_points} points;
    otherwise ValueError names the array and the fault. A file path (str or os.PathLike)
    may stand for any of them: it is read as the program reads data files.

    Result curves are tuples of NumPy arrays (x, y), or (x, y, sigma) when uncertainties
    were propagated.

SETTINGS
    Project.set takes the keys of amoq-reduce --set (a '_' may stand for a '-'):
{keys}

ERRORS
    ValueError    an array, a setting or an argument that cannot be used, with the
                  reason (for a setting, the program's own message)
    RuntimeError  a step the program refuses, with the program's own message (e.g.
                  "Please select a data format", and the --set key that sets it)
    OSError       a file that cannot be read or written, with the program's message
    Messages of a reduction that succeeded are in Result.warnings and are also issued
    as warnings of the class ReductionWarning (see the warnings module to silence them).

THREADS
    The program's model is one per process. Every call that uses it (Project(), set,
    save, reduce, reduce_series) holds the module's lock, so calls from several threads
    run one after the other; the interpreter's lock is released while a call runs, so
    other Python threads go on meanwhile. reduce_series runs its inputs in worker
    processes forked from this one.

INTERPRETER
    The compiled part is built for the system's Python {python} (the Debian package
    installs it where that interpreter finds it). Another interpreter of that version (a
    virtual environment, pyenv) may import it too: when it has no NumPy of its own, the
    system's packages are added to the end of sys.path:
        {system}

SEE ALSO
    amoq-reduce(1), amoq(1), examples/python/reduce.py
"""

import collections.abc as _abc
import os as _os
import sys as _sys
import tempfile as _tempfile
import warnings as _warnings

_BUILT_FOR = "@AMOQ_PYTHON_VERSION@"
_SYSTEM_PACKAGES = "/usr/lib/python3/dist-packages"


def _import_numpy():
    """NumPy, from the system's packages when this interpreter has none of its own."""
    running = "%d.%d" % _sys.version_info[:2]
    if running != _BUILT_FOR:
        raise ImportError(
            "amoq is built for Python %s (the system's python3); this is Python %s (%s). "
            "Run the script with /usr/bin/python3, or build AMOQ with "
            "-DPython3_EXECUTABLE=<this interpreter>." % (_BUILT_FOR, running, _sys.executable))
    try:
        import numpy
    except ImportError:
        if not _os.path.isdir(_os.path.join(_SYSTEM_PACKAGES, "numpy")):
            raise ImportError(
                "amoq needs NumPy: install python3-numpy (apt-get install python3-numpy)") from None
        _sys.path.append(_SYSTEM_PACKAGES)
        import numpy
    return numpy


_np = _import_numpy()

from . import _amoq  # noqa: E402

__version__ = _amoq.__version__
__all__ = ["Project", "Result", "ReductionWarning", "reduce_series", "setting_keys"]


class ReductionWarning(UserWarning):
    """A message of a reduction that succeeded: a step's warning or note."""


def setting_keys():
    """The keys Project.set takes, in the order amoq-reduce --help lists them."""
    return list(_amoq.setting_keys())


def _issue(messages, stacklevel):
    for text in messages:
        _warnings.warn(text, ReductionWarning, stacklevel=stacklevel + 1)


class Project:
    """A project: its file as read, and the settings given to it since.

    Project(path) reads a project file (.nap) or an XML project file (.apf); Project()
    makes an empty project (no species, nothing set). The file is read once: later
    changes to it are not seen. OSError when the file cannot be read or is no project.
    """

    def __init__(self, path=None):
        self._handle = _amoq._Project(path)

    @property
    def path(self):
        """The project file as given ("" for an empty project)."""
        return self._handle.path

    @property
    def settings(self):
        """The settings given with set, in order, as (key, value) pairs."""
        return list(self._handle.settings)

    def __repr__(self):
        return "amoq.Project(%r)" % (self.path or None,)

    def set(self, **settings):
        """Sets parameters as amoq-reduce --set KEY=VALUE does, in the order given.

        p.set(rmax=10, deltar=0.01, window=1, method=2, formatbox=1)

        Each value is applied to the project as the program's entry applies it; a '_' in
        a key stands for '-' (fp_from_tables=1). An unknown key or a value out of range
        raises ValueError with the program's message, and the project keeps the settings
        it had. See setting_keys() and help(amoq) for the keys.
        """
        self._handle.set(**settings)
        return self

    def save(self, path):
        """Saves the project with its settings: an XML project file when path ends in
        .apf, a project file (.nap) otherwise. OSError when it cannot be written."""
        self._handle.save(path)

    def reduce(self, raw=None, background=None, cell=None, errors=None, steps=None, optimise=None,
               coordination=()):
        """Runs the calculation steps and returns a Result; nothing is written.

        raw          the input of the first step run: (x, y) or (x, y, sigma) arrays or a
                     file path (the raw data for step 0, else the input of that step);
                     None: the project's own curves
        background   background scattering, arrays or a path; switches its subtraction on
        cell         substrate/cell scattering, arrays or a path; switches its
                     subtraction on
        errors       uncertainties propagated through the steps: "poisson" (the raw,
                     background and cell intensities are counts), "column" (the sigma of
                     the arrays, the third column of files), "none"; None: "column" when a
                     sigma is given, else the project's own choice
        steps        the steps run: one step (0..3) or (first, last); None: from the
                     first step with data (0 with raw) to 3, the bending correction when
                     a bending point is set
        optimise     r_min (A) of the low-r optimisation of S(Q), or
                     {"r_min": r, "density": True} to refine the density too
        coordination ranges of R(r) to count: (r1, r2) for the total, ("Si", "O", r1, r2)
                     for the O atoms around a Si atom; any number of them

        Each call starts from the project and its settings; the project is not changed.
        ValueError for arguments that cannot be used, RuntimeError when a step is
        refused (the program's message), OSError for a file that cannot be read.
        """
        raw_result = self._handle.reduce(raw, background, cell, errors, steps, optimise,
                                         list(coordination))
        _issue(raw_result["warnings"], 2)
        return Result(raw_result)


class Result(_abc.Mapping):
    """The outcome of Project.reduce: curves by name, and the values the steps reported.

    res["corrected"]  the corrected intensity (step 0)
    res["qsq"]        Q[S(Q)-1] and res["sq"] S(Q) (step 1)
    res["qsq_bent"]   Q[S(Q)-1] after the bending correction (step 2)
    res["Gr"]         G(r), res["gr"] g(r) and res["rdf"] R(r) (step 3)
    Each is (x, y), or (x, y, sigma) with uncertainties; only the curves of the steps
    that ran are present (list(res) names them).

    normalisation_constant   the constant of S(Q) (the one given for the trial-and-error
                             method, else the estimate, refined by the optimisation)
    density_used             the density g(r) used: typed, from the slope of G(r) or
                             refined (atoms/A^3)
    optimised_density        the density refined by the low-r optimisation
    low_r_chi2               chi^2 of the optimised curve
    sq_first_peak_q, sq_first_peak, gr_first_peak_r, gr_first_peak
                             the first peak of S(Q) and g(r), as in series.csv
    normalisation_constant_sigma, density_used_sigma, optimised_density_sigma
                             their standard deviations where the steps computed them
                             (with uncertainties; the constant's and the refined
                             density's also from the low-r optimisation's fit)
    coordination             one dict per range asked for: pair ("total" or "Si-O"), r1,
                             r2, n, sigma, fit (n, r0, sigma, residual of the Gaussian
                             shell fitted on the range and n_sigma, r0_sigma, sigma_sigma,
                             or None) and not_reported (why not)
    warnings                 every message of the reduction, in order
    A value that does not apply (its step did not run, no optimisation) is None.
    """

    def __init__(self, raw):
        self._curves = dict(raw["curves"])
        for name, value in raw["values"].items():
            setattr(self, name, value)
        self.coordination = list(raw["coordination"])
        self.warnings = list(raw["warnings"])

    def __getitem__(self, name):
        try:
            return self._curves[name]
        except KeyError:
            raise KeyError("%r: no such curve in this result (it has %s)"
                           % (name, ", ".join(self._curves) or "none")) from None

    def __iter__(self):
        return iter(self._curves)

    def __len__(self):
        return len(self._curves)

    def __repr__(self):
        return "<amoq.Result %s>" % ", ".join(self._curves)


def _typed(column, text):
    if column in ("input", "warnings"):
        return text
    if text == "":
        return None
    return int(text) if column == "exit" else float(text)


def reduce_series(project, inputs, workers=None, progress=None, outdir=None, values=None):
    """Reduces many inputs with one project's settings; returns (summary, matrices).

    project    a Project: its settings, as given with set, apply to every input
    inputs     a list of inputs of the first step: file paths, or (x, y) / (x, y, sigma)
               arrays (named array1, array2, ... by their position)
    workers    worker processes (None: one per processor); the results are the same
    progress   called as progress(done, total) as inputs finish (an exception raised
               there, or Ctrl-C, stops the series: no further input is started)
    outdir     where each input's results (outdir/<its name>/) and the summary files go,
               as amoq-reduce -o writes them; None: a temporary folder, removed after
    values     the series value of each input: a list of numbers, or the key of a
               header line KEY=VALUE in each input file; the rows are sorted by it

    summary is series.csv: a list of dicts, one per input (input, value, exit,
    normalisation_constant, density_used, optimised_density, low_r_chi2,
    sq_first_peak_q, sq_first_peak, gr_first_peak_r, gr_first_peak, warnings; None where
    a value does not apply), or a pandas DataFrame when pandas can be imported. matrices
    maps "sq", "qsq", "Gr" and "gr" to 2-D arrays: the abscissa in column 0, then one
    column per row of the summary (other grids interpolated linearly, NaN outside them),
    as series_<name>.dat; a curve no input has is absent. An input that fails has exit
    1 or 2 and its messages in its row; OSError when the summary cannot be written.
    """
    items = list(inputs)
    if not items:
        raise ValueError("inputs: give at least one input")
    names = ["array%d" % (k + 1) for k in range(len(items))]
    scratch = None
    if outdir is None:
        scratch = _tempfile.TemporaryDirectory(prefix="amoq-series-")
        outdir = scratch.name
    try:
        rows, matrices, messages = _amoq._reduce_series(
            project._handle, items, names, 0 if workers is None else int(workers), progress,
            _os.fspath(outdir), values)
    finally:
        if scratch is not None:
            scratch.cleanup()
    _issue(messages, 2)
    header = rows[0]
    summary = [{c: _typed(c, f) for c, f in zip(header, row)} for row in rows[1:]]
    arrays = {name: m[1] for name, m in matrices.items() if m is not None}
    try:
        import pandas
    except ImportError:
        return summary, arrays
    return pandas.DataFrame(summary, columns=header), arrays


__doc__ = __doc__.format(
    min_points=_amoq.min_points,
    keys="\n".join("        " + line for line in
                   __import__("textwrap").wrap(" ".join(_amoq.setting_keys()), 80)),
    python=_BUILT_FOR, system=_SYSTEM_PACKAGES)
