import math
import re
import subprocess

import pytest

import kwt

RT_F = 25.69273169348507  # mV


@pytest.mark.parametrize("ions, expected", [
    ([("K", 150, 0), ("Cl", 150, 150), ("Na", 0, 150)], 4.285),
    ([("K", 0, 150), ("Cl", 150, 150), ("Na", 150, 0)], -4.285),
    # Potassium's own mobility as an ion of one's own gives the same.
    ([("mine", 150, 0, 1.0, 1.0), ("Cl", 150, 150), ("Na", 0, 150)], 4.285),
])
def test_junction_potential(ions, expected):
    result = kwt.junction_potential(ions=ions, temperature=20)
    assert result["potential"] == pytest.approx(expected, abs=5e-4)
    assert result["rows_used"] == 3


def test_buffer_capacity_completes_the_concentrations():
    ct, bt, kd = 1e-3, 10e-3, 1e-6
    r = kwt.buffer_capacity(total_ion=ct, total_buffer=bt, kd=kd)
    # Mass action and both mass balances hold.
    assert r["free_ion"] * r["free_buffer"] / r["complexed_buffer"] == pytest.approx(kd)
    assert r["free_ion"] + r["complexed_buffer"] == pytest.approx(ct)
    assert r["free_buffer"] + r["complexed_buffer"] == pytest.approx(bt)
    assert r["max_binding_ratio"] == pytest.approx(bt / kd)
    # From the free ion and the total buffer the same solution comes back.
    back = kwt.buffer_capacity(free_ion=r["free_ion"], total_buffer=bt, kd=kd)
    assert back["total_ion"] == pytest.approx(ct)
    assert back["capacity"] == pytest.approx(r["capacity"])


@pytest.mark.parametrize("function, quantity, params, expected", [
    ("Geometry", "Volume", dict(p2=10.0), 10.0 ** 3 * 0.5235988333333332),
    ("Reversal Potential", "E rev K", dict(p1=140.0, p2=5.0), RT_F * math.log(5 / 140)),
    ("Reversal Potential", "E rev Ca", dict(p1=1e-4, p2=2.0), RT_F / 2 * math.log(2 / 1e-4)),
    ("Reversal Potential", "EMF Cl", dict(p1=10.0, p2=150.0, p3=-60.0),
     -60.0 + RT_F * math.log(150 / 10)),
])
def test_patcher(function, quantity, params, expected):
    assert kwt.patcher(function=function, quantity=quantity, **params)["result"] == \
        pytest.approx(expected)


def test_free_calcium_and_magnesium_balance(kwt_binary):
    r = kwt.free_ca_mg(total_ca=1e-3, total_mg=2e-3, buffers={"EGTA": 10e-3, "ATP": 4e-3},
                       ph=7.2)
    assert r["converged"]
    bound_ca = sum(b["free"] * b["k_ca"] for b in r["buffers"])
    bound_mg = sum(b["free"] * b["k_mg"] for b in r["buffers"])
    assert r["free_ca"] * (1 + bound_ca) == pytest.approx(1e-3, rel=1e-3)
    assert r["free_mg"] * (1 + bound_mg) == pytest.approx(2e-3, rel=1e-3)
    # The same as kwt calc prints, to the digits it prints.
    shown = subprocess.run([kwt_binary, "calc", "freeca", "--buffer1", "EGTA", "--total1", "10m",
                            "--buffer2", "ATP", "--total2", "4m", "--total-ca", "1m",
                            "--total-mg", "2m", "--ph", "7.2"],
                           check=True, capture_output=True, text=True).stdout
    scale = {"": 1, "m": 1e-3, "µ": 1e-6, "n": 1e-9, "p": 1e-12}
    for ion, key in (("Calcium", "free_ca"), ("Magnesium", "free_mg")):
        value, prefix = re.search(ion + r":.*free\s+([0-9.]+) (\S?)M", shown).groups()
        assert float(value) * scale[prefix] == pytest.approx(r[key], rel=5e-3), ion


@pytest.mark.parametrize("call, message", [
    (lambda: kwt.buffer_capacity(total_ion=1e-3), ""),
    (lambda: kwt.junction_potential(ions=[("Unobtainium", 1, 1)]), "no ion"),
    (lambda: kwt.patcher(function="Geometry", quantity="Mass"), "no quantity"),
    (lambda: kwt.free_ca_mg(total_ca=1e-3, buffers={"EGTA": 1e-3, "x": 1}), "no buffer"),
])
def test_refusals_raise_calculator_errors(call, message):
    with pytest.raises(kwt.CalculatorError, match=message) as raised:
        call()
    assert raised.value.text and raised.value.code is None
