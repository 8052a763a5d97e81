"""kwt.load: the load command built from keyword arguments."""

import os

from .errors import Error

# Keyword -> flag letter.  Numbers and names take "=value"; True switches
# take the letter alone.
_PM_VALUES = {"group": "A", "series": "B", "sweep": "C", "trace": "D", "count": "R",
              "name": "N", "phase": "H", "reversal": "V", "only": "J", "exclude": "K"}
_PM_SWITCHES = {"lockin": "G", "stimulus": "I", "relative_time": "T", "overwrite": "O",
                "plot": "P", "quiet": "Q", "zero_offset": "Z", "variables_only": "U"}
_XCHART_VALUES = {"group": "G", "name": "B", "suffix": "S"}
_XCHART_SWITCHES = {"overwrite": "O", "plot": "P", "quiet": "Q"}


def _quote(path):
    if '"' in path or "\\" in path:
        raise Error(None, "a path with a double quote or backslash cannot be written in a "
                          "command line: %s" % path)
    return '"%s"' % path


def _value(key, value):
    if isinstance(value, bool):
        raise Error(None, "%s takes a number or a name, not %r" % (key, value))
    if isinstance(value, (list, tuple)):
        # Several stimulation names: the operations take them from a string
        # variable, which the load command cannot make; one name only.
        raise Error(None, "%s takes one name" % key)
    return str(value)


def load_command(path, **options):
    """The command line kwt.load runs for these options: LoadXChart for
    an X-Chart tree file, LoadPM (Pulse and PatchMaster) for the rest.
    A keyword the loader does not take raises TypeError."""
    path = os.fspath(path)
    xchart = path.lower().endswith(".tree")
    values, switches = ((_XCHART_VALUES, _XCHART_SWITCHES) if xchart
                        else (_PM_VALUES, _PM_SWITCHES))
    command = "LoadXChart" if xchart else "LoadPM"
    for key, value in options.items():
        if value is None or value is False:
            continue
        if key in values:
            command += "/%s=%s" % (values[key], _value(key, value))
        elif key in switches:
            if value is not True:
                raise TypeError("%s takes True or False" % key)
            command += "/" + switches[key]
        else:
            known = ", ".join(sorted(list(values) + list(switches)))
            raise TypeError("%s: no option %r (options: %s)" % (command, key, known))
    return command + " " + _quote(path)


def _same_samples(a, b):
    if isinstance(a.data, list) or isinstance(b.data, list):
        return a.data == b.data
    return a.data.__array_interface__["data"][0] == b.data.__array_interface__["data"][0]


def load(path, session=None, **options):
    """Loads from the recording at ``path`` with the options of the load
    operations as keywords (group=1, series=2, stimulus=True, lockin=True,
    ...; see load_command) and returns the waves it made.  Runs in
    ``session``, or in a session of its own that is closed again (the
    arrays stay valid)."""
    from . import Session
    line = load_command(path, **options)
    own = session is None
    if own:
        session = Session(memory_prefs=True)
    try:
        # A wave the load made anew has a new path or, overwritten, a new
        # block: the views held here keep the old blocks from being reused.
        before = {w.path: w for w in session.waves()}
        session.run(line)
        return [w for w in session.waves() if w.path not in before or
                not _same_samples(w, before[w.path])]
    finally:
        if own:
            session.close()
