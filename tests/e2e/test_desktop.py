#!/usr/bin/env python3
"""End-to-end desktop tests: the real wingscribe and the demo feed on an X display, driven only
from outside (xdotool, xprop, xwininfo, ImageMagick). Run through scripts/with-display.sh."""
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

EXE, FEED = os.environ.get("WINGSCRIBE_EXE", ""), os.environ.get("WINGSCRIBE_FEED", "")
ARTIFACTS = os.environ.get("E2E_ARTIFACTS", os.path.join(tempfile.gettempdir(), "e2e-artifacts"))
TWIPS = 15  # per pixel at 96 dpi
DEFAULTS = dict(FirstRun=0, BackCol=0, TextCol=65280, HBackCol=0, HTextCol=65280, Font="Arial",
                FontSize=12, FontBold=0, FontItalic=0, Border=1, KVEServer="127.0.0.1",
                KVEPort=1008, AtcComs=1, OwnComs=1, MsgDelay=30, LastMsg=1, HighlightTX2U=0,
                AlwaysOnTop=0, ShowATIS=0)
CHOICE = dict(options=120, setup=1800, close=3480, end=5160)  # button lefts in the choice window
OPT_BORDER, OPT_ATIS = (180, 1770, 1815, 510), (180, 5160, 255, 255)  # options controls, twips
WM = None  # a window manager of our own, when the display came without one


def rgb(colour):  # a colour as stored (0x00BBGGRR) -> (r, g, b)
    return colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF


def run(*args):
    done = subprocess.run(args, capture_output=True, text=True, timeout=30)
    if done.stderr:
        print(f"{' '.join(args)}: {done.stderr.strip()}", file=sys.stderr)
    return done.stdout


def wait_until(predicate, timeout=10, what="condition"):
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(0.03)


def setUpModule():  # scripts/with-display.sh may start openbox before Xvfb takes clients
    global WM
    has_wm = lambda: "window id" in run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK")
    if not has_wm():
        WM = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(has_wm, what="the window manager")


def tearDownModule():
    if WM:
        WM.kill()
        WM.wait()


def windows(name):
    return [int(w) for w in run("xdotool", "search", "--onlyvisible", "--name", name).split()]


def geometry(wid):
    info = run("xwininfo", "-id", str(wid))
    return tuple(int(re.search(label + r":\s+(-?\d+)", info).group(1)) for label in
                 ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))


def shown(name, old=()):
    """A new visible window of that name, once painted (before that it may drop clicks)."""
    def ready():
        new = [w for w in windows(name) if w not in old]
        return new and Shot(*geometry(new[0])[:2], 1, 1).at(0, 0) != (0, 0, 0) and new[0]
    return wait_until(ready, what=f"a window {name}")


def frame(wid):  # the outer rectangle, title bar and borders included
    x, y, w, h = geometry(wid)
    extents = re.search(r"= (\d+), (\d+), (\d+), (\d+)", run("xprop", "-id", str(wid),
                                                              "_NET_FRAME_EXTENTS"))
    left, right, top, bottom = map(int, extents.groups()) if extents else (0, 0, 0, 0)
    return x - left, y - top, w + left + right, h + top + bottom


def click(x, y, button=1):  # button None: only move there
    run("xdotool", "mousemove", str(x), str(y))  # (--sync hangs when the pointer is there)
    wait_until(lambda: run("xdotool", "getmouselocation").startswith(f"x:{x} y:{y} "),
               what="the pointer")
    if button:
        run("xdotool", "click", str(button))


def click_twips(wid, left, top, width, height):  # the middle of a control placed in twips
    x, y, _, _ = geometry(wid)
    click(x + int((left + width / 2) / TWIPS + 0.5), y + int((top + height / 2) / TWIPS + 0.5))


def key(wid, *keys):  # to that window, activated first
    run("xdotool", "windowactivate", "--sync", str(wid), "key", *keys)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Shot:
    """The screen under a window's rectangle, as RGB bytes."""

    def __init__(self, x, y, w, h):
        self.w, self.h = w, h
        self.data = subprocess.run(["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}",
                                    "-depth", "8", "rgb:-"], capture_output=True, check=True,
                                   timeout=30).stdout

    def at(self, x, y):
        i = 3 * (y * self.w + x)
        return tuple(self.data[i:i + 3])

    def ink(self, colour, inset=6, tolerance=60):
        """Where text of that colour lies, away from the frame: (count, last column, last row)."""
        (r0, g0, b0), (r1, g1, b1) = ([c + d for c in colour] for d in (-tolerance, tolerance))
        count, right, bottom = 0, -1, -1
        for y in range(inset, self.h - inset):
            row = self.data[3 * (y * self.w + inset):3 * ((y + 1) * self.w - inset)]
            for x, (r, g, b) in enumerate(zip(row[0::3], row[1::3], row[2::3]), inset):
                if r0 <= r <= r1 and g0 <= g <= g1 and b0 <= b <= b1:
                    count, right, bottom = count + 1, max(right, x), y
        return count, right, bottom


class DesktopTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="wingscribe-e2e-")
        home = os.path.join(self.dir, "home")
        os.makedirs(os.path.join(home, "run"), mode=0o700)
        self.exe = os.path.join(self.dir, "wingscribe")
        shutil.copy2(EXE, self.exe)
        self.ini = self.exe + ".ini"
        self.procs, self.feeds, self.caption, self.spot = [], 0, None, 0
        self.env = dict(os.environ, HOME=home, QT_QPA_PLATFORM="xcb",
                        XDG_CONFIG_HOME=os.path.join(home, ".config"),
                        XDG_RUNTIME_DIR=os.path.join(home, "run"))

    def tearDown(self):
        result = self._outcome.result
        if any(test is self for test, _ in result.failures + result.errors):
            os.makedirs(ARTIFACTS, exist_ok=True)
            path = os.path.join(ARTIFACTS, self._testMethodName + ".png")
            subprocess.run(["import", "-window", "root", path], timeout=30)
            print(f"\nscreenshot of the failure: {path}", file=sys.stderr)
        for proc in self.procs:
            if proc.poll() is None:
                proc.kill()
            proc.wait(10)
            if proc.stdout:
                proc.stdout.close()
        shutil.rmtree(self.dir, ignore_errors=True)

    def write_ini(self, **values):  # the settings file as a user would leave it: CR LF lines
        with open(self.ini, "w", newline="") as f:
            f.write("".join(f"{line}\r\n" for line in
                            ["[Config]"] + [f"{k}={v}" for k, v in values.items()]))

    def read_ini(self):
        with open(self.ini, newline="") as f:
            return dict(line.split("=", 1) for line in f.read().split("\r\n") if "=" in line)

    def start_feed(self, lines, port=0, *options):
        self.feeds += 1
        script = os.path.join(self.dir, f"feed{self.feeds}.txt")
        with open(script, "w") as f:
            f.write("\n".join(lines) + "\n")
        feed = subprocess.Popen([FEED, "--port", str(port), "--script", script, *options],
                                stdout=subprocess.PIPE, text=True)
        self.procs.append(feed)
        return int(re.match(r"listening on (\d+)", feed.stdout.readline()).group(1))

    def start_app(self):
        with open(os.path.join(self.dir, "wingscribe.log"), "a") as log:
            proc = subprocess.Popen([self.exe], cwd=self.dir, env=self.env, stdout=log, stderr=log)
        self.procs.append(proc)
        return proc

    def start(self, **settings):  # the program with its start run to the end
        if settings:
            self.write_ini(**dict(DEFAULTS, **settings))
        proc = self.start_app()
        self.caption = shown("^Wingscribe$")
        wait_until(lambda: os.path.exists(self.ini) and self.read_ini().get("FirstRun") == "1",
                   what="FirstRun=1 in the settings file")
        return proc

    def text(self, colour=rgb(DEFAULTS["TextCol"])):
        """The caption text in that colour: (last column, last row), or None when none shows."""
        count, right, bottom = Shot(*geometry(self.caption)).ink(colour)
        return (right, bottom) if count else None

    def states(self, stop, timeout=30):
        """The caption texts seen one after the other (each change once), until stop(texts)."""
        seen = []

        def step():
            state = self.text()
            if not seen or seen[-1] != state:
                seen.append(state)
            return stop(seen)
        wait_until(step, timeout, "caption states")
        return seen

    def popup(self):
        return shown("^Wingscribe$", [self.caption])

    def right_click(self):  # on the caption text, never twice on one spot (a double click)
        x, y, w, h = geometry(self.caption)
        self.spot = (self.spot + 40) % 400
        click(x + w // 4 + self.spot, y + h // 2, 3)
        return self.popup()

    def choose(self, button):  # right click, then a button of the choice window
        click_twips(self.right_click(), CHOICE[button], 120, 1575, 375)

    def options(self):
        self.choose("options")
        return shown("^Wingscribe Options$")

    def close_options(self, options):
        key(options, "Escape")
        wait_until(lambda: not windows("^Wingscribe Options$"), what="the options to close")

    def test_first_run_asks_for_the_server_then_shows_messages(self):
        proc = self.start()  # without a settings file: the default one appears
        self.assertEqual(self.read_ini()["KVEServer"], "0.0.0.0")
        setup = shown("^Setup$")
        sx, sy, sw, sh = geometry(setup)
        self.assertEqual((sx, sy), geometry(self.caption)[:2])
        self.assertEqual(Shot(sx, sy, sw, sh).at(3, sh // 2), rgb(0x000080))
        port = free_port()
        self.write_ini(**dict(self.read_ini(), KVEPort=port))  # read again when it closes
        run("xdotool", "windowactivate", "--sync", str(setup), "type", "127.0.0.1")
        run("xdotool", "key", "Return")
        info = shown("^Setup$", [setup])
        self.assertNotIn(setup, windows("^Setup$"))
        key(info, "Return")
        wait_until(lambda: not windows("^Setup$"), what="the message to close")
        self.assertEqual(self.read_ini()["KVEServer"], "127.0.0.1")
        # Nothing listens yet: the waiting text grows a full stop a second.
        waiting = self.states(lambda s: len(s) >= 2 and None not in s[-2:] and s[-1] > s[-2])
        self.start_feed(["1 " + "M" * 60], port)
        self.states(lambda s: s[-1] and s[-1][0] > waiting[-1][0] + 100)
        self.assertIsNone(proc.poll())

    def test_each_message_type_and_atis_after_ticking_it_in_options(self):
        self.start(KVEPort=self.start_feed(
            ["0 " + "M" * 8 + r"\nM", "wait 1500", "1 " + "M" * 16, "wait 1500", "2 " + "M" * 24,
             "wait 1500", "8 " + "M" * 40, "wait 1500", "repeat"]))
        h = geometry(self.caption)[3]

        def cycle():  # the texts from one two-line type-0 message to the next
            seen = self.states(lambda s: sum(1 for t in s if t and t[1] > h // 2) >= 2, 40)
            marks = [i for i, t in enumerate(seen) if t and t[1] > h // 2]
            return seen[marks[-2]:marks[-1]]
        seen = cycle()  # longer texts, in the order sent
        self.assertEqual(len(seen), 3, f"types 0, 1 and 2 shown, ATIS hidden: {seen}")
        self.assertEqual([t[0] for t in seen], sorted({t[0] for t in seen}))
        options = self.options()
        click_twips(options, *OPT_ATIS)
        wait_until(lambda: self.read_ini()["ShowATIS"] == "1", what="ShowATIS=1")
        self.close_options(options)
        seen = cycle()
        self.assertEqual(len(seen), 4, f"types 0, 1, 2 and 8 shown: {seen}")
        self.assertEqual([t[0] for t in seen], sorted({t[0] for t in seen}))

    def test_highlighted_message_to_you_is_kept_and_others_are_cleared(self):
        back, text, hback, htext = 0x000000, 0x00FF00, 0x00FFFF, 0x800000
        self.start(BackCol=back, TextCol=text, HBackCol=hback, HTextCol=htext, HighlightTX2U=1,
                   MsgDelay=1, LastMsg=1, KVEPort=self.start_feed(
                       ["1 " + "M" * 20, "wait 3000", "1    ", "wait 1500", "0 " + "M" * 10]))

        def sample():  # background, highlight text shown, normal text shown
            shot = Shot(*geometry(self.caption))
            bg = shot.at(shot.w - 12, shot.h // 2)
            return bg, shot.ink(rgb(htext))[0] > 0, shot.ink(rgb(text))[0] > 0
        highlighted, plain = (rgb(hback), True, False), (rgb(back), False, True)
        wait_until(lambda: sample() == highlighted, what="the highlighted message")
        kept = [time.monotonic()]

        def through():  # the blank message to you changes nothing; then the plain one shows
            state = sample()
            if state == highlighted:
                kept.append(time.monotonic())
            self.assertNotEqual(state, (rgb(back), True, False), "highlight background lost")
            return state == plain
        wait_until(through, 15, "the plain message")
        self.assertGreater(kept[-1] - kept[0], 2 * 1, "the message to you went after MsgDelay")
        wait_until(lambda: sample() == (rgb(back), False, False), 4,
                   "the plain message to be cleared after MsgDelay")

    def test_lost_connection_then_waiting_then_regained(self):
        red, green = 0x0000FF, 0x00FF00
        # Sent when the first tick connects; closed 0.9 s before the tick that finds it closed.
        message = ["2 " + "M" * 30 + r"\nM", "wait 1100", "close"]
        port = self.start_feed(message, 0, "--exit-after-close")
        self.start(BackCol=red, TextCol=green, KVEPort=port)
        h = geometry(self.caption)[3]
        first = self.states(lambda s: s[-1] and s[-1][1] > h // 2)[-1]  # two lines
        seen = self.states(lambda s: first in s and len(s) - s.index(first) >= 4)
        lost, *waiting = seen[seen.index(first) + 1:]
        stop = waiting[1][0] - waiting[0][0]  # the waiting text grows a full stop a tick
        self.assertGreater(stop, 0, f"waiting texts: {seen}")
        self.assertTrue(lost and waiting[0][0] - lost[0] > 3 * stop,
                        f"Lost Connection!, shorter than any waiting text, first: {seen}")
        shot = Shot(*geometry(self.caption))
        self.assertEqual(shot.at(shot.w - 12, shot.h // 2), rgb(red))
        self.start_feed(message, port)
        self.states(lambda s: s[-1] == first, 10)

    def test_drag_keys_and_layout_kept_after_end(self):
        proc = self.start(KVEPort=free_port())
        x, y, w, h = geometry(self.caption)
        click(x + 300, y + 30, None)
        run("xdotool", "mousedown", "1", "mousemove", str(x + 200), str(y + 100),
            "mousemove", str(x + 100), str(y + 180), "mouseup", "1")
        moved = (x - 200, y + 150, w, h)
        wait_until(lambda: geometry(self.caption) == moved, what=f"the window at {moved}")
        spot = lambda: tuple(self.read_ini().get(key) for key in ("LeftPos", "TopPos"))
        written = wait_until(lambda: None not in spot() and spot(), what="LeftPos, TopPos")
        self.assertEqual(tuple(map(float, written)), (moved[0] * TWIPS, moved[1] * TWIPS))
        key(self.caption, "shift+Right")
        wait_until(lambda: geometry(self.caption)[:2] == (moved[0] + 1, moved[1]),
                   what="Shift+Right")
        key(self.caption, "ctrl+Down")
        final = (moved[0] + 1, moved[1], w, h + 1)
        wait_until(lambda: geometry(self.caption) == final, what="Ctrl+Down")
        self.assertEqual(spot(), written)
        self.choose("end")
        wait_until(lambda: proc.poll() is not None, what="the program to end")
        self.start()
        wait_until(lambda: geometry(self.caption) == final, what=f"the layout {final} restored")

    def test_border_toggle_from_options(self):
        self.start(KVEPort=free_port(), Border=1)
        edge = lambda: Shot(*geometry(self.caption)).at(2, geometry(self.caption)[3] // 2)
        self.assertNotEqual(edge(), rgb(0))
        options = self.options()
        click_twips(options, *OPT_BORDER)
        wait_until(lambda: self.read_ini()["Border"] == "0", what="Border=0")
        wait_until(lambda: edge() == rgb(0), what="the frame to go")
        self.close_options(options)
        self.assertEqual(edge(), rgb(0))

    def test_always_on_top_follows_the_setting_after_the_choice_window(self):
        self.start(KVEPort=free_port(), AlwaysOnTop=1)
        above = lambda: "_NET_WM_STATE_ABOVE" in run("xprop", "-id", str(self.caption),
                                                     "_NET_WM_STATE")
        wait_until(above, what="top-most at start")
        for setting in (1, 0):
            self.write_ini(**dict(self.read_ini(), AlwaysOnTop=setting))
            popup = self.right_click()
            wait_until(lambda: not above(), what="not top-most under the choice window")
            key(popup, "Escape")
            wait_until(lambda: popup not in windows("^Wingscribe$"), what="the choice to close")
            if setting:
                wait_until(above, what="top-most again")
            end = time.monotonic() + 1.5
            while not setting and time.monotonic() < end:  # not top-most, and it stays so
                self.assertFalse(above(), "top-most with AlwaysOnTop=0")
                time.sleep(0.03)

    def test_setup_from_the_choice_window_shows_the_stored_server(self):
        self.start(KVEPort=free_port())
        self.write_ini(**dict(self.read_ini(), KVEServer="192.0.2.7"))  # by hand, while it runs
        self.choose("setup")
        setup = shown("^Setup$")
        self.assertEqual(geometry(setup)[:2], geometry(self.caption)[:2])
        key(setup, "End")
        run("xdotool", "type", "9")
        run("xdotool", "key", "Return")
        key(shown("^Setup$", [setup]), "Return")
        wait_until(lambda: self.read_ini()["KVEServer"] == "192.0.2.79", what="the server + 9")
        popup = self.popup()  # the choice window stays
        click_twips(popup, CHOICE["close"], 120, 1575, 375)
        wait_until(lambda: popup not in windows("^Wingscribe$"), what="the choice to close")

    def keys_then_settle(self, *keys):  # keys to the caption, then until all were handled
        x = geometry(self.caption)[0]
        key(self.caption, *keys)
        run("xdotool", "key", "shift+Right")
        wait_until(lambda: geometry(self.caption)[0] == x + 1, 20, "the keys to be handled")
        return geometry(self.caption)

    def test_shrinking_stops_at_a_floor_that_stays_visible(self):
        self.start(KVEPort=free_port())
        _, _, w, h = geometry(self.caption)
        floor = self.keys_then_settle("--repeat", "120", "--delay", "2", "ctrl+Up")[3]
        self.assertTrue(16 <= floor < h, f"height {floor} from {h}")
        width = self.keys_then_settle("--repeat", "1100", "--delay", "1", "ctrl+Left")[2]
        self.assertEqual(width, 100)
        self.assertEqual(self.keys_then_settle("ctrl+Up", "ctrl+Left")[2:], (100, floor))
        self.assertIn(self.caption, windows("^Wingscribe$"))
        self.assertEqual(self.keys_then_settle("ctrl+Down")[3], floor + 1)  # still answers
        click_twips(self.right_click(), CHOICE["close"], 120, 1575, 375)  # and can be grabbed

    def test_tick_leaves_the_setup_dialog_of_the_choice_window_alone(self):
        self.start(KVEPort=free_port())
        self.write_ini(**dict(self.read_ini(), KVEServer="0.0.0.0"))  # by hand, while it runs
        self.choose("setup")
        setup = shown("^Setup$")
        key(setup, "ctrl+a")
        run("xdotool", "type", "192.0.2.5")
        log = os.path.join(self.dir, "wingscribe.log")
        end = time.monotonic() + 2.5  # two supervisor ticks pass; the typing stays
        while time.monotonic() < end:
            with open(log) as f:
                self.assertNotIn("Recursive", f.read())
            time.sleep(0.1)
        run("xdotool", "key", "Return")
        key(shown("^Setup$", [setup]), "Return")
        wait_until(lambda: self.read_ini()["KVEServer"] == "192.0.2.5", what="the typed server")

    def test_enter_presses_the_focused_button_and_windows_sit_by_their_frame(self):
        self.start(KVEPort=free_port())
        x, _, w, h = geometry(self.caption)
        bottom = geometry(int(re.search(r"Window id: (0x[0-9a-f]+)",
                                        run("xwininfo", "-root")).group(1), 16))[3]
        run("xdotool", "windowmove", str(self.caption), str(x), str(bottom - h - 4))
        wait_until(lambda: geometry(self.caption)[1] == bottom - h - 4, what="the caption low")
        for low in (True, False):  # the options window's first showing is the low one
            popup = self.right_click()
            self.assertEqual(frame(popup)[1], geometry(self.caption)[1])
            key(popup, "Return")  # "Go to Options" has the focus, "Go to Setup" is the default
            options = shown("^Wingscribe Options$")
            ox, oy, ow, oh = frame(options)
            cx, cy, cw, _ = geometry(self.caption)
            self.assertLessEqual(abs(ox + ow / 2 - (cx + cw / 2)), 1)
            self.assertEqual(oy + oh if low else oy, bottom if low else cy)
            self.close_options(options)
            run("xdotool", "windowmove", str(self.caption), str(x), "300")
            wait_until(lambda: geometry(self.caption)[1] == 300, what="the caption higher")

    def test_second_instance_is_refused(self):
        self.start(KVEPort=free_port())
        file = lambda: (open(self.ini, "rb").read(), os.stat(self.ini).st_mtime_ns)
        before, visible = file(), windows(".")
        self.start_app().wait(10)
        self.assertEqual(windows("."), visible)
        self.assertEqual(file(), before)


if __name__ == "__main__":
    unittest.main(verbosity=2)
