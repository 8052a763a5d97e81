#!/usr/bin/python3
"""kwt ui in a real headless Chromium, clicked and typed into as a person would.

Usage: browser_test.py KWT MAKE_DEMO_RECORDINGS

Exits 77 (skipped) only when Chromium cannot start on this machine; every
other trouble is a failure.
"""
import io
import json
import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request
import zipfile

from selenium import webdriver
from selenium.common.exceptions import WebDriverException
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.select import Select

KWT, MAKE_DEMO = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
SKIPPED = 77
BROWSER = None
WORK = tempfile.mkdtemp(prefix="kwt-browser-")


def start_browser():
    options = Options()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--window-size=1400,1000"):
        options.add_argument(flag)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def wait_for(what, predicate, timeout=20):
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError("waited in vain for " + what)
        time.sleep(0.05)


class Session:
    """One `kwt ui` process and the page it serves, open in the browser."""

    def __init__(self, *commands):
        self.prefs = os.path.join(WORK, "prefs.bin")
        self.errors = tempfile.TemporaryFile(mode="w+")
        self.process = subprocess.Popen(
            [KWT, "--prefs", self.prefs, "ui", "--no-open", *commands],
            stdout=subprocess.PIPE, stderr=self.errors, text=True, cwd=WORK)
        line = self.process.stdout.readline()
        if not line.startswith("kwt ui: http://127.0.0.1:"):
            self.process.wait()
            self.errors.seek(0)
            raise AssertionError("kwt ui printed %r; %s" % (line, self.errors.read()))
        self.url = line.split(": ", 1)[1].strip()
        self.token = self.url.split("t=", 1)[1]
        BROWSER.get(self.url)
        wait_for("the menu", lambda: BROWSER.find_elements(By.CSS_SELECTOR, "#kwt-items .menu-item"))

    def close(self):
        if self.process.poll() is None:
            BROWSER.find_element(By.CSS_SELECTOR, "#menu-session .menu-title").click()
            BROWSER.find_element(By.ID, "quit").click()
        return self.process.wait(timeout=20)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.process.stdout.close()
        self.errors.seek(0)
        errors = self.errors.read()
        self.errors.close()
        if exc[0] is None and "ERROR" in errors:  # what a sanitizer found
            raise AssertionError(errors)

    # ---- what the page shows ----
    def history(self):
        return BROWSER.find_element(By.ID, "transcript").text

    def wait_history(self, text):
        return wait_for(repr(text) + " in the history",
                        lambda: text in self.history() and self.history())

    def run(self, line, expect=None):
        box = BROWSER.find_element(By.ID, "command")
        box.clear()
        box.send_keys(line, Keys.ENTER)
        self.wait_history("\u2022" + line)
        wait_for("the command to end", lambda: BROWSER.find_element(By.ID, "spinner")
                 .get_attribute("hidden") is not None)
        if expect is not None:
            self.wait_history(expect)

    def menu(self, text):
        BROWSER.find_element(By.CSS_SELECTOR, "#menu-kwt .menu-title").click()
        items = BROWSER.find_elements(By.CSS_SELECTOR, "#kwt-items .menu-item")
        next(i for i in items if i.text == text).click()

    def dialog(self):
        return wait_for("a dialog", lambda: BROWSER.find_elements(By.CSS_SELECTOR, ".dialog"))[0]

    def dialog_gone(self):
        wait_for("the dialog to close", lambda: not BROWSER.find_elements(By.CSS_SELECTOR, ".dialog"))

    def control(self, dialog, control_id):
        return dialog.find_element(By.CSS_SELECTOR, '.control[data-id="%d"]' % control_id)

    def graph_axis(self, name):
        """The bottom axis of the picture the page last drew for a graph."""
        return BROWSER.execute_script(
            "const s = windowState.get(arguments[0]);"
            "return s && s.picture && s.picture.axes.find((a) => a.name === 'bottom');", name)

    def choose_file(self, dialog, button, name):
        """Opens the file chooser with `button` and picks `name` in it; the
        folder and the file names it showed."""
        self.control(dialog, button).click()
        chooser = wait_for("the file chooser", lambda: BROWSER.find_elements(By.CSS_SELECTOR, ".chooser"))[0]
        rows = lambda: {r.text.split("\n")[0]: r for r in chooser.find_elements(By.CSS_SELECTOR, ".row.file")}
        wait_for(name + " in the chooser", lambda: name in rows())
        shown = (chooser.find_element(By.CSS_SELECTOR, ".folder").text, list(rows()))
        rows()[name].click()
        chooser.find_element(By.CSS_SELECTOR, ".open").click()
        wait_for("the chooser to close", lambda: not BROWSER.find_elements(By.CSS_SELECTOR, ".chooser"))
        return shown

    def download(self, name):
        with urllib.request.urlopen("%sapi/download/%s?t=%s" % (
                self.url.split("?")[0], name, self.token)) as reply:
            return reply.read()


def scripted_dialog(name, actions, *commands):
    """The history text and the controls' values that `kwt --dialog` gives."""
    out = tempfile.mkdtemp(dir=WORK)
    run = subprocess.run([KWT, "--prefs", os.path.join(out, "prefs.bin"), "--dump", out,
                          *commands, "--dialog", name, *actions],
                         capture_output=True, text=True, check=True)
    with open(os.path.join(out, "session.json"), encoding="utf-8") as f:
        controls = json.load(f)["dialogs"][0]["controls"]
    return {"history": run.stdout, "values": {c["id"]: control_value(c) for c in controls
                                               if c["kind"] in ("edit", "popup", "checkbox")}}


def control_value(c):
    return c["text"] if c["kind"] == "edit" else c.get("selection", c.get("checked"))


def dialog_values(dialog):
    """The same values as the page shows them."""
    shown = BROWSER.execute_script("""
        const v = {};
        for (const el of arguments[0].querySelectorAll('.control')) {
          if (el.classList.contains('edit')) v[el.dataset.id] = el.value;
          else if (el.classList.contains('popup')) v[el.dataset.id] = el.selectedIndex + 1;
          else if (el.classList.contains('checkbox')) v[el.dataset.id] = el.querySelector('input').checked;
        }
        return v;""", dialog)
    return {int(k): v for k, v in shown.items()}


class BrowserFace(unittest.TestCase):
    maxDiff = None

    def test_command_line_graph_zoom_and_history(self):
        with Session() as s:
            s.run("Make/O/N=200 w = sin(x/8)")
            s.run("Display w")
            img = wait_for("the graph's picture",
                           lambda: BROWSER.find_elements(By.CSS_SELECTOR, ".window.graph .plot img"))[0]
            wait_for("the first drawing", lambda: s.graph_axis("Graph0"))
            whole = s.graph_axis("Graph0")
            self.assertEqual((whole["min"], whole["max"]), (0, 199))

            # Drag across the middle third: the server draws that x range.
            ActionChains(BROWSER).move_to_element_with_offset(img, -img.size["width"] // 6, 0) \
                .click_and_hold().move_by_offset(img.size["width"] // 3, 0).release().perform()
            zoomed = wait_for("the zoomed drawing",
                              lambda: (a := s.graph_axis("Graph0")) and a["min"] > 0 and a)
            self.assertLess(zoomed["max"], 199)
            self.assertLess(zoomed["max"] - zoomed["min"], 120)
            # The arrow pans by half the range; a double-click shows it all again.
            BROWSER.find_element(By.CSS_SELECTOR, ".window.graph header button[title^='Show the range after']").click()
            wait_for("the panned drawing", lambda: s.graph_axis("Graph0")["min"] > zoomed["min"])
            ActionChains(BROWSER).double_click(img).perform()
            wait_for("autoscale", lambda: s.graph_axis("Graph0")["min"] == 0
                     and s.graph_axis("Graph0")["max"] == 199)

            # A long sweep is drawn by its envelope: the picture stays small.
            s.run("Make/O/N=2000000 big = sin(p/1000) + p*1e-7")
            s.run("Display big")
            wait_for("the second graph", lambda: s.graph_axis("Graph1"))
            svg = BROWSER.execute_script("return windowState.get('Graph1').picture.svg")
            self.assertLess(len(svg), 400_000)

            # Windows-1252 bytes of the history shown as their characters.
            s.run('print "5 \u00b5m, 37 \u00b0C"', expect="5 \u00b5m, 37 \u00b0C")
            # The waves list by data folder.
            tree = BROWSER.find_element(By.ID, "tree").text
            self.assertIn("w 200", tree)
            self.assertIn("big 2000000", tree)
            # Up and down recall earlier commands.
            box = BROWSER.find_element(By.ID, "command")
            box.send_keys(Keys.ARROW_UP)
            self.assertEqual(box.get_attribute("value"), 'print "5 \u00b5m, 37 \u00b0C"')
            box.send_keys(Keys.ARROW_UP, Keys.ARROW_UP)
            self.assertEqual(box.get_attribute("value"), "Make/O/N=2000000 big = sin(p/1000) + p*1e-7")
            box.send_keys(Keys.ARROW_DOWN)
            self.assertEqual(box.get_attribute("value"), "Display big")
            # A drawing area's picture as the dialog service hands it over.
            markup = BROWSER.execute_script("""
                const svg = document.createElementNS(SVG, 'svg');
                svg.classList.add('control');
                svg.dataset.id = '30';
                drawPicture(svg, [
                    {step: 'clip', values: [2, 2, 66, 33]},
                    {step: 'fill', colour: [255, 255, 255], values: [2, 2, 66, 33]},
                    {step: 'pen', colour: [255, 0, 0], dotted: true, values: []},
                    {step: 'polyline', values: [2, 18, 68, 18]}]);
                return svg.innerHTML;""")
            self.assertEqual(markup, '<clipPath id="clip-30-0"><rect x="2" y="2" width="66" height="33">'
                             '</rect></clipPath><g clip-path="url(#clip-30-0)"><rect x="2" y="2" '
                             'width="66" height="33" fill="rgb(255,255,255)"></rect><polyline '
                             'points="2,18 68,18" fill="none" stroke="rgb(255,0,0)" stroke-width="1" '
                             'vector-effect="non-scaling-stroke" stroke-dasharray="1 2"></polyline></g>')
            # The table window shows the values.
            s.run("Edit w")
            cells = wait_for("the table", lambda: BROWSER.execute_script(
                "return [...document.querySelectorAll('.window.table tr')].slice(0, 3)"
                ".map((r) => r.textContent.trim())"))
            self.assertEqual(cells, ["xw", "00", "10.12467473"])
            self.assertEqual(s.close(), 0)

    # One worked case of each calculator, as `kwt --dialog` actions.
    CALCULATORS = (
        ("Buffer Capacity", ("--set", "9=1m", "--set", "10=10m", "--set", "14=1u")),
        ("Calcium & Magnesium", ("--choose", "5=3", "--set", "14=10m", "--set", "21=1m")),
        ("Patcher's Calculator", ("--choose", "5=2", "--set", "9=10", "--set", "10=20")),
        ("Liquid Junction Potential", ("--toggle", "9", "--choose", "19=3", "--set", "29=150",
                                       "--set", "39=10", "--toggle", "10", "--choose", "20=5",
                                       "--set", "30=150", "--set", "40=10")),
    )

    def test_dialogs_give_what_the_scripted_driver_gives(self):
        with Session() as s:
            items = [i.get_attribute("textContent")
                     for i in BROWSER.find_elements(By.CSS_SELECTOR, "#kwt-items .menu-item")]
            self.assertEqual(len(items) + len(BROWSER.find_elements(
                By.CSS_SELECTOR, "#kwt-items .menu-separator")), 13)
            self.assertEqual(items[0], "Load PULSE/PM File")
            for name, actions in self.CALCULATORS:
                with self.subTest(name):
                    # Calculate, then To History.
                    actions = actions + ("--press", "1", "--press", "3")
                    expected = scripted_dialog(name, actions)
                    s.menu(name)
                    dialog = s.dialog()
                    for flag, arg in zip(actions[::2], actions[1::2]):
                        control, _, text = arg.partition("=")
                        el = s.control(dialog, int(control))
                        if flag == "--set":
                            el.clear()
                            el.send_keys(text, Keys.TAB)
                        elif flag == "--choose":
                            Select(el).select_by_index(int(text) - 1)
                        elif flag == "--toggle":
                            el.find_element(By.TAG_NAME, "input").click()
                        else:
                            el.click()
                    s.wait_history(expected["history"].splitlines()[-1])
                    self.assertIn(expected["history"], s.history() + "\n")
                    try:
                        wait_for("the fields", lambda: dialog_values(dialog) == expected["values"], 5)
                    except AssertionError:
                        self.assertEqual(dialog_values(dialog), expected["values"])
                    s.control(dialog, 2).click()  # Exit
                    s.dialog_gone()

            # The About box, and its OK.
            s.menu("About KWT...")
            about = s.dialog()
            self.assertIn("KWT", about.text)
            next(b for b in about.find_elements(By.TAG_NAME, "button") if b.text == "OK").click()
            s.dialog_gone()
            self.assertEqual(s.close(), 0)

    WAVES = ("Make/N=10 a=p", "Make/N=10 b=2*p", "Make/N=10 c=3*p", "NewDataFolder root:sub",
             "Make/N=10 root:sub:d=4*p")

    def test_wave_tree_picks_by_clicks_and_keys(self):
        scripted = scripted_dialog("Wave Statistics", ("--click", "8=sub", "--select", "8=a,c,d",
                                                       "--check", "11=1", "--press", "1"), *self.WAVES)
        with Session(*self.WAVES) as s:
            s.menu("Wave Statistics")
            dialog = s.dialog()
            tree = s.control(dialog, 8)
            rows = lambda: tree.find_elements(By.CSS_SELECTOR, ".row")
            row = lambda name: next(r for r in rows() if r.text.endswith(name))
            picked = lambda: [r.text.strip() for r in rows() if "selected" in r.get_attribute("class")]

            # The folder row is a closed folder; clicking it opens it, one level in.
            row("sub").click()
            wait_for("the open folder", lambda: len(rows()) == 5)
            self.assertEqual([r.get_attribute("data-level") for r in rows()], ["0", "0", "0", "0", "1"])
            self.assertEqual(row("sub").get_attribute("aria-expanded"), "true")
            # (selected after, the row clicked or the key typed, the key held)
            for expect, name, key in (("a", "a", None), ("b", Keys.ARROW_DOWN, None),
                                      ("bc", Keys.ARROW_DOWN, Keys.SHIFT),
                                      ("d", "d", None), ("ad", "a", Keys.CONTROL),
                                      ("abcd", "d", Keys.SHIFT),  # from the anchor a, folder aside
                                      ("acd", "b", Keys.CONTROL)):
                chain = ActionChains(BROWSER)
                if key:
                    chain.key_down(key)
                chain.send_keys(name) if name == Keys.ARROW_DOWN else chain.click(row(name))
                if key:
                    chain.key_up(key)
                chain.perform()
                wait_for(expect + " selected", lambda: picked() == list(expect), 5)
            if not s.control(dialog, 11).find_element(By.TAG_NAME, "input").is_selected():
                s.control(dialog, 11).find_element(By.TAG_NAME, "input").click()
            s.control(dialog, 1).click()  # Do It
            s.dialog_gone()
            s.wait_history(scripted["history"].splitlines()[-1])
            self.assertIn(scripted["history"].split("\u2022AutoStats", 1)[1].rstrip(), s.history())
            wait_for("the statistics waves", lambda: "swave_mean 10" in BROWSER.find_element(By.ID, "tree").text)
            wait_for("their graph", lambda: len(BROWSER.find_elements(By.CSS_SELECTOR, ".window.graph")) == 1)
            self.assertEqual(s.close(), 0)

    def test_loader_dialogs_choose_files_and_load(self):
        subprocess.run([MAKE_DEMO, WORK], check=True, capture_output=True)
        with Session() as s:
            # The chooser starts in the working folder and lists only the
            # files its filter admits.
            s.menu("Load X-Chart File")
            dialog = s.dialog()
            self.assertEqual(s.choose_file(dialog, 7, "chart.tree"), (os.path.realpath(WORK), ["chart.tree"]))
            wait_for("the group's information", lambda: "traces shown" in s.control(dialog, 24).get_attribute("value"))
            s.control(dialog, 1).click()  # Do It
            s.dialog_gone()
            s.wait_history("Total Number of Waves loaded: 3")
            self.assertIn('\u2022LoadXChart/G=1/P/O "%s/chart.tree"' % os.path.realpath(WORK),
                          s.history())
            waves = wait_for("the loaded waves", lambda: [
                w.text.split()[0] for w in BROWSER.find_elements(By.CSS_SELECTOR, "#tree .wave")])
            self.assertEqual(len([w for w in waves if w.startswith("XC_")]), 3)
            wait_for("the chart", lambda: BROWSER.find_elements(By.CSS_SELECTOR, ".window.graph"))

            # A PatchMaster recording from the chooser, a sweep and its preview, then Do It.
            s.menu("Load PULSE/PM File")
            dialog = s.dialog()
            s.choose_file(dialog, 6, "patch.dat")
            for popup in (10, 11, 12):  # group 1, series 1, sweep 1
                wait_for("popup %d" % popup, lambda: len(Select(s.control(dialog, popup)).options) > 1)
                Select(s.control(dialog, popup)).select_by_index(1)
            wait_for("the trace in the preview", lambda: s.control(dialog, 30).find_elements(
                By.CSS_SELECTOR, 'polyline[stroke="rgb(0,0,0)"]'))
            s.control(dialog, 1).click()  # Do It
            s.dialog_gone()
            s.wait_history('\u2022LoadPM/A=1/B=1/C=1 "%s/patch.dat"' % os.path.realpath(WORK))
            wait_for("the sweep's wave", lambda: "PMPulse_1_1_1_1_Imon" in BROWSER.find_element(By.ID, "tree").text)
            self.assertEqual(s.close(), 0)

    def test_interrupt_ends_the_session(self):
        with Session("Make/O/N=3 kept = p") as s:
            s.process.send_signal(signal.SIGINT)
            self.assertEqual(s.process.wait(timeout=20), 0)
            wait_for("the page to see the end", lambda: "The KWT session has ended"
                     in BROWSER.find_element(By.ID, "overlay").text)

    def test_yes_no_question(self):
        with Session("Make/O/N=4 a = p", "Make/O/N=4 b = 2*p", "SetScale/P x 0, 2, b") as s:
            for answer, made in (("No", False), ("Yes", True)):
                BROWSER.find_element(By.ID, "command").send_keys("KillWaves/Z st_mean", Keys.ENTER)
                BROWSER.find_element(By.ID, "command").send_keys("AutoStats/N=st a, b", Keys.ENTER)
                box = wait_for("the question", lambda: BROWSER.find_elements(By.CSS_SELECTOR, ".dialog.message"))[0]
                self.assertIn("different x-scaling", box.text)
                next(b for b in box.find_elements(By.TAG_NAME, "button") if b.text == answer).click()
                wait_for("the question to go", lambda: not BROWSER.find_elements(By.CSS_SELECTOR, ".dialog.message"))
                wait_for("the data list", lambda: ("st_mean" in BROWSER.find_element(By.ID, "tree").text) == made)
            self.assertEqual(s.close(), 0)

    def test_recording_loaded_at_start_and_downloads(self):
        subprocess.run([MAKE_DEMO, WORK], check=True, capture_output=True)
        with Session('LoadPM/P "%s"' % os.path.join(WORK, "patch.dat")) as s:
            wait_for("the sweep's graph", lambda: BROWSER.find_elements(By.CSS_SELECTOR, ".window.graph .plot img"))
            waves = [w.text.split()[0] for w in BROWSER.find_elements(By.CSS_SELECTOR, "#tree .wave")]
            self.assertTrue(waves)
            listed = json.loads(zipfile.ZipFile(io.BytesIO(s.download("session.zip"))).read("session.json"))
            self.assertEqual(sorted(w["path"].rsplit(":", 1)[1] for w in listed["waves"]), sorted(waves))
            self.assertTrue(s.download("session.itx").startswith(b"IGOR"))
            # (Their contents are read back by igor_files_test.py.)
            self.assertIn(b"EndMacro", s.download("session.pxp"))

            # A calculator over the recording's graph: the picture of the page
            # that the README shows (KWT_UI_SCREENSHOT says where to keep it).
            s.menu("Buffer Capacity")
            dialog = s.dialog()
            for control, text in ((9, "1m"), (10, "10m"), (14, "1u")):
                s.control(dialog, control).clear()
                s.control(dialog, control).send_keys(text, Keys.TAB)
            s.control(dialog, 1).click()
            wait_for("the result", lambda: s.control(dialog, 18).get_attribute("value").strip())
            BROWSER.save_screenshot(os.environ.get("KWT_UI_SCREENSHOT",
                                                   os.path.join(WORK, "kwt-ui.png")))
            s.control(dialog, 2).click()
            s.dialog_gone()
            self.assertEqual(s.close(), 0)


if __name__ == "__main__":
    try:
        BROWSER = start_browser()
    except WebDriverException as e:
        print("SKIPPED: Chromium cannot start here: %s" % e.msg, file=sys.stderr)
        sys.exit(SKIPPED)
    try:
        result = unittest.main(argv=[sys.argv[0]], exit=False, verbosity=2).result
    finally:
        BROWSER.quit()
    sys.exit(0 if result.wasSuccessful() else 1)
