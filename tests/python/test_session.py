import gc
import json
import re
import subprocess

import numpy as np
import pytest

import kwt
from conftest import damage


def loads(demo):
    return ['LoadPM/I/G "%s"' % (demo / "patch.dat"),
            'LoadPulse/I/G/A=1 "%s"' % (demo / "cell.dat"),
            'LoadXChart/G=1 "%s"' % (demo / "chart.tree")]


@pytest.fixture
def session():
    with kwt.Session(memory_prefs=True) as s:
        yield s


def test_waves_are_views_equal_to_the_dump(demo, session, kwt_binary, tmp_path):
    subprocess.run([kwt_binary, "-q", "--dump", str(tmp_path)] + loads(demo), check=True)
    for line in loads(demo):
        assert session.run(line) == 0
    dumped = json.loads((tmp_path / "session.json").read_text())
    assert [w.path for w in session.waves()] == [w["path"] for w in dumped["waves"]]
    assert [w.path for w in session.waves("root:")] == \
        [w["path"] for w in dumped["waves"] if w["path"].count(":") == 1]
    for entry in dumped["waves"]:
        wave = session.wave(entry["path"])
        expected = np.load(tmp_path / entry["file"])
        assert wave.data.dtype == expected.dtype, entry["path"]
        assert wave.data.tobytes() == expected.tobytes(), entry["path"]
        assert (wave.x_start, wave.x_delta, wave.x_units, wave.data_units, wave.note) == \
            (entry["x_start"], entry["x_delta"], entry["x_units"], entry["data_units"],
             entry["note"])
        assert wave.x[-1] == pytest.approx(wave.x_start + (len(wave) - 1) * wave.x_delta)
        # No copy: the array's memory is the session's, shared by every view.
        assert isinstance(wave.data.base, kwt._kwt.WaveMemory)
        assert not wave.data.flags.owndata
        assert np.asarray(wave) is wave.data
        assert np.shares_memory(wave.data, session.wave(entry["path"]).data)
    variables = session.variables
    assert sorted(dumped["variables"]) == sorted(variables)
    for key, entry in dumped["variables"].items():
        if entry["value"] is None:  # NaN, which JSON cannot hold
            assert np.isnan(variables[key]), key
        else:
            assert entry["value"] == variables[key], key


def test_a_change_through_the_view_is_the_sessions(demo, session):
    session.run('LoadPM/A=1/B=1 "%s"' % (demo / "patch.dat"))
    wave = session.waves()[0]
    wave.data[3] = 12.5
    assert session.wave(wave.path).data[3] == 12.5


@pytest.mark.parametrize("change", ["KillWaves {w}", "Redimension/N=3 {w}",
                                    "Make/O/N=5 {w}", "close"])
def test_a_view_outlives_what_frees_its_wave(demo, change):
    session = kwt.Session(memory_prefs=True)
    session.run('LoadPM/A=1/B=1 "%s"' % (demo / "patch.dat"))
    wave = session.waves()[0]
    view, before = wave.data, wave.data.copy()
    if change == "close":
        del session, wave
        gc.collect()
        # The workbench is gone: a new session can open and make waves.
        with kwt.Session(memory_prefs=True) as other:
            other.run("Make/N=%d filler" % len(before))
    else:
        session.run(change.format(w=wave.name))
        # Fresh blocks of the same size would take the old one's place.
        session.run("Make/N=%d filler1, filler2" % len(before))
        session.close()
    assert np.array_equal(view, before)
    view[:] = 1.0  # still memory of its own to write to


def test_one_session_at_a_time(session):
    with pytest.raises(RuntimeError, match="another kwt.Session is open"):
        kwt.Session()
    session.close()
    kwt.Session(memory_prefs=True).close()


@pytest.mark.parametrize("name", ["cell.dat", "patch.dat", "chart.tree"])
def test_info_is_kwt_info_json(demo, kwt_binary, name):
    shown = subprocess.run([kwt_binary, "info", "--json", str(demo / name)],
                           check=True, capture_output=True, text=True).stdout
    assert kwt.info(demo / name) == json.loads(shown)


LOADS = [
    ("patch.dat", dict(group=1, series=2, lockin=True), "LoadPM/A=1/B=2/G"),
    ("patch.dat", dict(group=1, series=1, sweep=2, stimulus=True, name="iv"),
     "LoadPM/A=1/B=1/C=2/I/N=iv"),
    ("cell.dat", dict(group=2, overwrite=True, relative_time=True), "LoadPM/A=2/O/T"),
    ("chart.tree", dict(group=1, name="rest"), "LoadXChart/G=1/B=rest"),
]


@pytest.mark.parametrize("name, options, flags", LOADS)
def test_load_keywords_are_the_command(demo, name, options, flags):
    waves = kwt.load(demo / name, **options)
    with kwt.Session(memory_prefs=True) as s:
        s.run('%s "%s"' % (flags, demo / name))
        expected = s.waves()
        assert waves, flags
        assert [w.path for w in waves] == [w.path for w in expected]
        for got, want in zip(waves, expected):
            assert got.data.tobytes() == want.data.tobytes(), got.path
            assert (got.x_start, got.x_delta, got.note) == (want.x_start, want.x_delta, want.note)


def test_load_refuses_an_unknown_keyword(demo):
    with pytest.raises(TypeError, match="no option 'grup'"):
        kwt.load(demo / "patch.dat", grup=1)


@pytest.mark.parametrize("how", ["truncate", "header"])
def test_a_damaged_recording_raises_the_code_kwt_reports(demo, kwt_binary, tmp_path, how):
    path = tmp_path / "patch.dat"
    path.write_bytes((demo / "patch.dat").read_bytes())
    damage(path, how)
    line = 'LoadPM/G "%s"' % path
    shown = subprocess.run([kwt_binary, "-q", line], capture_output=True, text=True)
    code = int(re.search(r"kwt: error (\d+): (.*)", shown.stderr).group(1))
    with kwt.Session(memory_prefs=True) as s, pytest.raises(kwt.Error) as raised:
        s.run(line)
    assert raised.value.code == code
    assert raised.value.text == re.search(r"kwt: error \d+: (.*)", shown.stderr).group(1)
    with pytest.raises(kwt.Error):
        kwt.info(path)


@pytest.mark.parametrize("name", ["patch.dat", "cell.pul", "chart.tree"])
def test_cut_recordings_raise_errors_never_crash(demo, tmp_path, name):
    whole = (demo / name).read_bytes()
    for other in demo.glob(name.split(".")[0] + ".*"):
        (tmp_path / other.name).write_bytes(other.read_bytes())
    data = tmp_path / ("cell.dat" if name == "cell.pul" else name)
    for size in (0, 16, 100, 300, len(whole) // 3, len(whole) // 2, len(whole) - 7):
        (tmp_path / name).write_bytes(whole[:size])
        with kwt.Session(memory_prefs=True) as s:
            try:
                s.run('%s "%s"' % ("LoadXChart" if name.endswith("tree") else "LoadPM", data))
            except kwt.Error as e:
                assert e.text, size
        try:
            kwt.info(data)
        except kwt.Error as e:
            assert e.text, size


def test_missing_things_raise_with_the_hosts_codes(session):
    with pytest.raises(kwt.Error) as raised:
        session.wave("nowhere")
    assert raised.value.code == kwt._kwt.NO_SUCH_WAVE
    with pytest.raises(kwt.Error) as raised:
        session.waves("root:nowhere:")
    assert raised.value.code == kwt._kwt.NO_SUCH_FOLDER
    with pytest.raises(kwt.Error) as raised:
        session.run("KillWaves nowhere")
    assert raised.value.code != 0 and raised.value.text
