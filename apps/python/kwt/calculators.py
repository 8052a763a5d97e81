"""The four lab calculators: keyword arguments in, numbers out.

Concentrations are molar and plain numbers (1e-3 for 1 mM), as the
calculators compute; the junction potential takes millimolar, as its
dialog does, and gives millivolts.
"""

from . import _kwt
from .errors import Error


class CalculatorError(Error, ValueError):
    """A calculation the calculator refuses, with the text its dialog
    shows."""

    def __init__(self, text):
        super().__init__(None, text)


def _calculate(fn, **kwargs):
    try:
        return fn(**kwargs)
    except ValueError as e:
        raise CalculatorError(str(e)) from None


def buffer_capacity(*, total_ion=None, free_ion=None, total_buffer=None, free_buffer=None,
                    kd=None):
    """One ion and one buffer: two of the four concentrations and Kd (M)
    give the others, the complexed buffer, the capacity and the maximal
    binding ratio (a dict)."""
    return _calculate(_kwt.buffer_capacity, total_ion=total_ion, free_ion=free_ion,
                      total_buffer=total_buffer, free_buffer=free_buffer, kd=kd)


def free_ca_mg(*, buffers, total_ca=None, total_mg=None, ph=None, correction=None,
               convergence=None, iterations=None):
    """Free calcium and magnesium (M) in a solution of up to six buffers,
    given as {name: total (M)} or (name, total) pairs in row order; the
    free amount of each buffer is in "buffers"."""
    pairs = list(buffers.items()) if isinstance(buffers, dict) else [tuple(b) for b in buffers]
    return _calculate(_kwt.free_ca_mg, buffers=pairs, total_ca=total_ca, total_mg=total_mg,
                      ph=ph, correction=correction, convergence=convergence,
                      iterations=iterations)


def junction_potential(*, ions, temperature=None):
    """The liquid junction potential of the bath relative to the pipette
    (mV).  ions: (name, pipette mM, bath mM) for an ion of the table, or
    (name, pipette, bath, valence, mobility) for one's own (two at most).
    temperature in degrees C (None: the calculator's default)."""
    rows = []
    for ion in ions:
        ion = tuple(ion)
        if len(ion) == 3:
            rows.append(ion + (None, None))
        elif len(ion) == 5:
            rows.append(ion)
        else:
            raise CalculatorError("an ion is (name, pipette, bath) or "
                                  "(name, pipette, bath, valence, mobility): %r" % (ion,))
    return _calculate(_kwt.junction_potential, ions=rows, temperature=temperature)


def patcher(*, function, quantity, p1=None, p2=None, p3=None):
    """One quantity of the patcher's calculator: ``function`` and
    ``quantity`` as the dialog lists them ("Geometry", "Diameter"), the
    parameters p1 to p3 in the units the dialog shows.  Gives the result,
    its unit and the completed parameters."""
    return _calculate(_kwt.patcher, function=function, quantity=quantity, p1=p1, p2=p2, p3=p3)
