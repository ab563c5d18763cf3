# SPDX-License-Identifier: GPL-3.0-or-later
"""What both end-to-end suites share: the X display driven and read from outside (xdotool, xprop,
xwininfo, ImageMagick), waits with a deadline, and a test case for the program and the feed."""
import os, pathlib, re, shutil, subprocess, sys, tempfile, time, unittest  # noqa: E401

ARTIFACTS = os.environ.get("E2E_ARTIFACTS", os.path.join(tempfile.gettempdir(), "e2e-artifacts"))
TWIPS = 15  # per pixel at 96 dpi
DEFAULTS = dict(FirstRun=0, BackCol=0, TextCol=65280, HBackCol=0, HTextCol=65280, Font="Arial",
                FontSize=12, FontBold=0, FontItalic=0, Border=1, KVEServer="127.0.0.1",
                KVEPort=1008, AtcComs=1, OwnComs=1, MsgDelay=30, LastMsg=1, HighlightTX2U=0,
                AlwaysOnTop=0, ShowATIS=0)
CHOICE = dict(options=120, setup=1800, close=3480, end=5160)  # button lefts in the choice window

def rgb(colour):  # a colour as stored (0x00BBGGRR) -> (r, g, b)
    return colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF

def run(*args):
    return subprocess.run(args, capture_output=True, text=True, timeout=60).stdout

def wait_until(predicate, timeout=15, what="condition"):
    end = time.monotonic() + timeout
    while not (value := predicate()):
        if time.monotonic() > end:
            what = what() if callable(what) else what  # told at the end, as things stand then
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(0.03)
    return value

def holds(predicate, seconds, what):  # true at every look for that long
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        assert predicate(), what
        time.sleep(0.03)

def windows(name):
    return [int(w) for w in run("xdotool", "search", "--onlyvisible", "--name", name).split()]

def geometry(wid=None):  # of a window, or of the screen
    info = run("xwininfo", *(["-id", str(wid)] if wid else ["-root"]))
    return tuple(int(re.search(label + r":\s+(-?\d+)", info).group(1)) for label in
                 ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

def frame(wid):  # the outer rectangle, title bar and borders included
    x, y, w, h = geometry(wid)
    found = re.search(r"= (\d+), (\d+), (\d+), (\d+)",
                      run("xprop", "-id", str(wid), "_NET_FRAME_EXTENTS"))
    left, right, top, bottom = map(int, found.groups()) if found else (0, 0, 0, 0)
    return x - left, y - top, w + left + right, h + top + bottom

def shown(name, old=()):
    """A new visible window of that name, once painted (before that it may drop clicks)."""
    def ready():
        new = [w for w in windows(name) if w not in old]
        return new and Shot(*geometry(new[0])[:2], 1, 1).at(0, 0) != (0, 0, 0) and new[0]
    return wait_until(ready, what=f"a window {name}")

def click(x, y, button=1):  # button 0: only move there
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

def screenshot(name, wid=None):
    os.makedirs(ARTIFACTS, exist_ok=True)
    crop = ["-crop", "{2}x{3}+{0}+{1}".format(*geometry(wid)), "+repage"] if wid else []
    path = os.path.join(ARTIFACTS, name + ".png")
    subprocess.run(["import", "-window", "root", *crop, path], timeout=30, check=True)
    return path

class Shot:  # the screen under a rectangle, as RGB bytes
    def __init__(self, x, y, w, h):
        self.w, self.h = w, h
        self.data = subprocess.run(["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}",
                                    "-depth", "8", "rgb:-"], capture_output=True, check=True,
                                   timeout=30).stdout

    def at(self, x, y):
        i = 3 * (y * self.w + x)
        return tuple(self.data[i:i + 3])

    def back(self):  # right of any text, inside the frame
        return self.at(self.w - 12, self.h // 2)

    def ink(self, colour, inset=6, tolerance=60):
        """Pixels near that colour away from the frame: (count, last column, last row)."""
        hits = [(x, y) for y in range(inset, self.h - inset) for x in range(inset, self.w - inset)
                if all(abs(a - b) <= tolerance for a, b in zip(self.at(x, y), colour))]
        return len(hits), max((x for x, _ in hits), default=-1), hits[-1][1] if hits else -1

class Case(unittest.TestCase):  # a subclass sets self.ini, self.program, self.env, feed_command
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="wingscribe-e2e-")
        self.log = os.path.join(self.dir, "program.log")
        self.procs, self.caption, self.spot = [], None, 0

    def tearDown(self):
        result = self._outcome.result
        if any(test is self for test, _ in result.failures + result.errors):
            print(f"\nscreenshot: {screenshot('failed-' + self._testMethodName)}", file=sys.stderr)
        for proc in self.procs:
            proc.kill()  # (nothing when it has ended)
            proc.wait(10)
            proc.stdout and proc.stdout.close()
        shutil.rmtree(self.dir, ignore_errors=True)

    def write_ini(self, **values):  # as a user would leave it: CR LF lines
        with open(self.ini, "w", newline="") as f:
            f.write("".join(f"{k}={v}\r\n" for k, v in values.items()).join(["[Config]\r\n", ""]))

    def read_ini(self):
        with open(self.ini, newline="") if os.path.exists(self.ini) else open(os.devnull) as f:
            return dict(line.split("=", 1) for line in f.read().split("\r\n") if "=" in line)

    def edit_ini(self, **values):  # by hand, while the program runs
        self.write_ini(**dict(self.read_ini(), **values))

    def start_feed(self, lines, port=0):  # the demo feed playing these script lines
        script = os.path.join(self.dir, f"feed{len(self.procs)}.txt")
        pathlib.Path(script).write_text("\n".join(lines) + "\n")
        command, env = self.feed_command(script)
        feed = subprocess.Popen([*command, "--port", str(port), "--exit-after-close"],
                                stdout=subprocess.PIPE, text=True, cwd=self.dir, env=env)
        self.procs.append(feed)  # it tells the port it took
        return int(re.match(r"listening on (\d+)", feed.stdout.readline()).group(1))

    def start(self, **settings):  # with these settings (none: no file), to the end of its start
        if settings:
            self.write_ini(**dict(DEFAULTS, **settings))
        with open(self.log, "a") as log:  # run beside its settings file
            self.procs.append(proc := subprocess.Popen(self.program, cwd=os.path.dirname(self.ini),
                                                       env=self.env, stdout=log, stderr=log))
        wait_until(lambda: self.read_ini().get("FirstRun") == "1", what="FirstRun=1")
        self.started = time.monotonic()
        self.caption = shown("^Wingscribe$")
        return proc

    def caption_shot(self):
        return Shot(*geometry(self.caption))

    def drag(self, pause=0):
        """Drags the caption by its text; checks where it lands and the position written."""
        x, y, w, h = geometry(self.caption)
        click(x + 300, y + 30, 0)
        run("xdotool", "mousedown", "1", "sleep", f"{pause:g}", "mousemove", str(x + 200),
            str(y + 100), "sleep", f"{pause / 2:g}", "mousemove", str(x + 100), str(y + 180),
            "sleep", f"{pause / 2:g}", "mouseup", "1")
        moved = (x - 200, y + 150, w, h)
        wait_until(lambda: geometry(self.caption) == moved, what=f"the window at {moved}")
        spot = (moved[0] * TWIPS, moved[1] * TWIPS)
        written = lambda: tuple(float(self.read_ini().get(k, "nan")) for k in ("LeftPos", "TopPos"))
        wait_until(lambda: written() == spot,
                   what=lambda: f"LeftPos, TopPos = {spot}, not {written()}")
        return moved

    def right_click(self):  # on the caption text on the screen, never twice on one spot
        x, y, w, h = geometry(self.caption)
        self.spot = (self.spot + 40) % 400
        left = max(x, 0) + 8  # the label's margins are 8 and 22 pixels
        click(left + (x + w // 4 + self.spot - left) % (x + w - 23 - left), y + h // 2, 3)
        return shown("^Wingscribe$", [self.caption])

    def choose(self, button, popup=None):  # a button of the choice window, opened if none
        click_twips(popup or self.right_click(), CHOICE[button], 120, 1575, 375)

    def confirm_setup(self, setup, host):  # and the message after it
        run("xdotool", "windowactivate", "--sync", str(setup), "type", host)
        run("xdotool", "key", "Return")
        key(shown("^Setup$", [setup]), "Return")
        wait_until(lambda: not windows("^Setup$"), what="the dialog and its message to close")

    def close_options(self, options):
        key(options, "Escape")
        wait_until(lambda: not windows("^Wingscribe Options$"), what="the options to close")
