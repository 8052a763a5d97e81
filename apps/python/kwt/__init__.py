"""KWT from Python: the readers, the stimulus rebuild, the LockIn and the
lab calculators, with waves as NumPy arrays.

    import kwt
    with kwt.Session() as s:
        s.run('LoadPM/A=1/B=1 "cell.dat"')
        w = s.wave("PMPulse_1_1_1_1_Imon")
        w.data          # a NumPy view of the wave's samples, not a copy
        w.x             # its x values

One session is open at a time (the module runs in one host per process);
arrays taken from a session stay valid after it is closed.  kwt.batch runs
a command over many recordings on Dask.
"""

import json as _json

import numpy as _numpy

from . import _kwt
from .calculators import (CalculatorError, buffer_capacity, free_ca_mg,
                          junction_potential, patcher)
from .errors import Error
from .loading import load, load_command

__all__ = ["Error", "CalculatorError", "Session", "Wave", "info", "load", "load_command",
           "buffer_capacity", "free_ca_mg", "junction_potential", "patcher"]

class Wave:
    """One wave: its samples (``data``, a NumPy view of the session's
    memory; a list of str for a text wave) with its scaling, units and
    note.  ``numpy.asarray(wave)`` gives the same view."""

    __slots__ = ("name", "path", "type", "x_start", "x_delta", "x_units", "data_units",
                 "note", "data")

    def __init__(self, fields):
        for key in self.__slots__:
            setattr(self, key, fields[key])

    @property
    def x(self):
        """The x value of every point, computed now."""
        return self.x_start + _numpy.arange(len(self.data)) * self.x_delta

    def __len__(self):
        return len(self.data)

    def __array__(self, dtype=None):
        if isinstance(self.data, list):
            return _numpy.array(self.data, dtype=dtype)
        return self.data if dtype is None else self.data.astype(dtype, copy=False)

    def __repr__(self):
        return "<kwt.Wave %s: %d points of %s, x from %g step %g %s, %s>" % (
            self.path, len(self.data), self.type, self.x_start, self.x_delta, self.x_units,
            self.data_units)


def _failure(result, allow_partial):
    """The Error for a line that kwt would count as failed, or None."""
    code, text = result["code"], result["text"]
    if code != 0:
        if result["diagnosis"]:
            text = text + "; " + result["diagnosis"] if text else result["diagnosis"]
        return Error(code, text, result["problems"], result["alerts"])
    reasons = [title + ": " + body for title, body in result["alerts"] if title != "KWT Note"]
    for p in result["problems"]:
        if p["kind"] == "nothing_loaded" or (
                p["kind"] in ("damaged", "missing_samples") and not allow_partial):
            reasons.append(p["kind"] + ": " + p["text"])
    if reasons:
        return Error(0, "; ".join(reasons), result["problems"], result["alerts"])
    return None


class Session:
    """A workbench session that runs command lines as the kwt program does.

    answer: "yes" or "no" to every question a command asks.
    prefs: the file of the stored preferences (None: kwt's own place);
    memory_prefs: start from empty preferences kept in memory only.
    allow_partial: a line that loaded with samples missing or items
    damaged does not raise (kwt's --allow-partial); its problems are in
    ``problems``.
    """

    def __init__(self, answer="yes", prefs=None, memory_prefs=False, allow_partial=False):
        if answer not in ("yes", "no"):
            raise ValueError('answer must be "yes" or "no"')
        self._core = _kwt.SessionCore(answer, prefs or "", memory_prefs)
        self.allow_partial = allow_partial
        self.alerts = []    # (title, text) of every alert shown so far
        self.problems = []  # what the last line reported beyond its code

    def run(self, line):
        """Runs one command line; returns its result code (0).  Raises
        kwt.Error when kwt would report the line as failed: a result code,
        an alert, a load that made nothing, or, without allow_partial,
        missing samples or damaged items."""
        result = self._core.run(line)
        self.alerts.extend(result["alerts"])
        self.problems = result["problems"]
        error = _failure(result, self.allow_partial)
        if error is not None:
            raise error
        return result["code"]

    @property
    def history(self):
        """The history so far, as text with "\\n" line ends."""
        return self._core.history()

    @property
    def variables(self):
        """Every global variable by its full path: a float or a str."""
        return self._core.variables()

    def wave(self, path):
        """The wave at ``path`` ("w", "root:folder:w"); kwt.Error when
        there is none."""
        fields = self._core.wave(path)
        if fields is None:
            raise Error(_kwt.NO_SUCH_WAVE, _kwt.error_text(_kwt.NO_SUCH_WAVE) + ": " + path)
        return Wave(fields)

    def waves(self, folder=None):
        """Every wave, depth-first from root, or those of one data folder."""
        fields = self._core.waves(folder or "")
        if fields is None:
            raise Error(_kwt.NO_SUCH_FOLDER,
                        _kwt.error_text(_kwt.NO_SUCH_FOLDER) + ": " + folder)
        return [Wave(f) for f in fields]

    def save(self, path):
        """Writes every wave and variable as an Igor text file (kwt --save)."""
        error = self._core.save_itx(str(path))
        if error:
            raise Error(None, error)

    def dump(self, folder):
        """Writes folder/session.json and one .npy file per wave (kwt --dump)."""
        error = self._core.dump(str(folder))
        if error:
            raise Error(None, error)

    def close(self):
        """Ends the session; arrays taken from it stay valid."""
        self._core.close()

    @property
    def closed(self):
        return self._core.closed

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def info(path):
    """The tree of a recording (kwt info --json) as dicts and lists."""
    ok, text = _kwt.info_json(str(path))
    if not ok:
        raise Error(None, text)
    return _json.loads(text)

