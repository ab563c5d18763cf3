#!/usr/bin/env python3
"""End-to-end check of the Windows build under Wine: the program from the portable zip, in an
empty folder with nothing else installed, on an X display with a window manager (run through
scripts/with-display.sh), driven from outside with xdotool and ImageMagick; then the installer.
The demo feed is the cross-built wingscribe-feed.exe, run through scripts/windows/wine-run.sh.
Wine has no Arial: nothing here depends on the caption font's metrics."""
import getpass
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

ZIP, SETUP, FEED = (os.environ[k]
                    for k in ("WINGSCRIBE_ZIP", "WINGSCRIBE_SETUP", "WINGSCRIBE_FEED"))
WINE_RUN, PREFIX = os.environ["WINE_RUN"], os.environ["WINE_PREFIX"]
DLL_DIRS, PLUGINS = os.environ.get("WINE_DLL_DIRS", ""), os.environ.get("WINE_PLUGINS", "")
ARTIFACTS = os.environ.get("E2E_ARTIFACTS", os.path.join(tempfile.gettempdir(), "e2e-windows"))
WINE = "/usr/lib/wine/wine64" if os.path.exists("/usr/lib/wine/wine64") else "wine64"
USER_DIR = os.path.join(PREFIX, "drive_c", "users", getpass.getuser())
STORE = os.path.join(USER_DIR, "AppData", "Roaming", "Wingscribe")  # the saved layouts
TWIPS = 15  # per pixel at Wine's 96 dpi
CHOICE = dict(options=120, setup=1800, close=3480, end=5160)  # button lefts in the choice window
DEFAULTS = dict(FirstRun=1, BackCol=0, TextCol=65280, HBackCol=0, HTextCol=65280, Font="Arial",
                FontSize=12, FontBold=0, FontItalic=0, Border=1, KVEServer="127.0.0.1",
                KVEPort=1008, AtcComs=1, OwnComs=1, MsgDelay=30, LastMsg=1, HighlightTX2U=0,
                AlwaysOnTop=0, ShowATIS=0)


def program_env():
    """Wine for the shipped program: no DLL path and no Qt variables of the build."""
    env = {k: v for k, v in os.environ.items()
           if not re.match(r"(WINE)?QT_|WINEPATH$", k)}
    env.update(WINEPREFIX=PREFIX, WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    return env


def run(*args):
    return subprocess.run(args, capture_output=True, text=True, timeout=60).stdout


def wait_until(predicate, timeout=15, what="condition"):
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(0.03)


def windows(name):
    return [int(w) for w in run("xdotool", "search", "--onlyvisible", "--name", name).split()]


def geometry(wid):
    info = run("xwininfo", "-id", str(wid))
    return tuple(int(re.search(label + r":\s+(-?\d+)", info).group(1)) for label in
                 ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))


def shown(name, old=()):
    """A new visible window of that name, once something is painted in it."""
    def ready():
        new = [w for w in windows(name) if w not in old]
        return new and Shot(*geometry(new[0])[:2], 1, 1).at(0, 0) != (0, 0, 0) and new[0]
    return wait_until(ready, what=f"a window {name}")


def click(x, y, button=1):
    run("xdotool", "mousemove", str(x), str(y))
    wait_until(lambda: run("xdotool", "getmouselocation").startswith(f"x:{x} y:{y} "),
               what="the pointer")
    run("xdotool", "click", str(button))


def click_twips(wid, left, top, width, height):  # the middle of a control placed in twips
    x, y, _, _ = geometry(wid)
    click(x + int((left + width / 2) / TWIPS + 0.5), y + int((top + height / 2) / TWIPS + 0.5))


def key(wid, *keys):
    run("xdotool", "windowactivate", "--sync", str(wid), "key", *keys)


def rgb(colour):  # 0x00BBGGRR -> (r, g, b)
    return colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF


def save_screenshot(name, wid=None):
    os.makedirs(ARTIFACTS, exist_ok=True)
    crop = ["-crop", "{2}x{3}+{0}+{1}".format(*geometry(wid)), "+repage"] if wid else []
    subprocess.run(["import", "-window", "root", *crop, os.path.join(ARTIFACTS, name + ".png")],
                   timeout=30, check=True)


def setUpModule():  # no Wine server left from the unit tests: each check starts its own
    subprocess.run(["/usr/lib/wine/wineserver", "-k"], env=program_env(), timeout=30)


class Shot:
    """The screen under a rectangle, as RGB bytes."""

    def __init__(self, x, y, w, h):
        self.w, self.h = w, h
        self.data = subprocess.run(["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}",
                                    "-depth", "8", "rgb:-"], capture_output=True, check=True,
                                   timeout=30).stdout

    def at(self, x, y):
        i = 3 * (y * self.w + x)
        return tuple(self.data[i:i + 3])

    def ink(self, colour, inset=6, tolerance=60):
        """How many pixels away from the frame are near that colour."""
        lo, hi = [c - tolerance for c in colour], [c + tolerance for c in colour]
        count = 0
        for y in range(inset, self.h - inset):
            row = self.data[3 * (y * self.w + inset):3 * ((y + 1) * self.w - inset)]
            count += sum(1 for p in zip(row[0::3], row[1::3], row[2::3])
                         if all(lo[i] <= p[i] <= hi[i] for i in range(3)))
        return count


class WindowsProgramTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="wingscribe-wine-")
        shutil.rmtree(STORE, ignore_errors=True)
        with zipfile.ZipFile(ZIP) as z:
            z.extractall(self.dir)
        self.folder = os.path.join(self.dir, "Wingscribe")
        self.ini = os.path.join(self.folder, "wingscribe.ini")
        self.procs, self.caption = [], None

    def tearDown(self):
        result = self._outcome.result
        if any(test is self for test, _ in result.failures + result.errors):
            save_screenshot("failed-" + self._testMethodName)
        for proc in self.procs:
            if proc.poll() is None:
                proc.kill()
            proc.wait(10)
            if proc.stdout:
                proc.stdout.close()
        subprocess.run(["/usr/lib/wine/wineserver", "-k"], env=program_env(), timeout=30)
        shutil.rmtree(self.dir, ignore_errors=True)

    def write_ini(self, **values):
        with open(self.ini, "w", newline="") as f:
            f.write("".join(f"{line}\r\n" for line in
                            ["[Config]"] + [f"{k}={v}" for k, v in values.items()]))

    def read_ini(self):
        with open(self.ini, newline="") as f:
            return dict(line.split("=", 1) for line in f.read().split("\r\n") if "=" in line)

    def start_feed(self, lines, port=0):
        script = os.path.join(self.dir, f"feed{len(self.procs)}.txt")
        with open(script, "w") as f:
            f.write("\n".join(lines) + "\n")
        windows_script = "Z:" + script.replace("/", "\\")
        feed = subprocess.Popen([WINE_RUN, PREFIX, DLL_DIRS, PLUGINS, FEED, "--port", str(port),
                                 "--exit-after-close", "--script", windows_script],
                                stdout=subprocess.PIPE, text=True, cwd=self.dir,
                                env=dict(os.environ, WINE_RUN_STREAM="1"))
        self.procs.append(feed)
        return int(re.match(r"listening on (\d+)", feed.stdout.readline()).group(1))

    def start(self, then=lambda: None):  # then: runs once the process is started
        proc = subprocess.Popen([WINE, "wingscribe.exe"], cwd=self.folder, env=program_env(),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(proc)
        then()
        self.caption = shown("^Wingscribe$")
        return proc

    def shot(self):
        return Shot(*geometry(self.caption))

    def background(self, shot):
        return shot.at(shot.w - 12, shot.h // 2)

    def test_first_run_in_an_empty_folder(self):
        self.assertEqual(os.listdir(self.folder).count("wingscribe.ini"), 0)
        # FirstRun=1 ends the start sequence, which started the supervisor's one-second timer.
        def first_run():
            with open(self.ini, "rb") if os.path.exists(self.ini) else open(os.devnull, "rb") as f:
                return b"FirstRun=1" in f.read()
        started = []
        self.start(lambda: started.append(wait_until(first_run, what="FirstRun=1") and
                                          time.monotonic()))
        setup = shown("^Setup$")
        delay = time.monotonic() - started[0]
        print(f"\nsetup dialog {delay:.2f} s after the start", file=sys.stderr)
        self.assertTrue(0.5 < delay < 2.5, f"setup dialog after {delay:.2f} s")
        save_screenshot("setup-dialog", setup)
        # The default file, byte for byte, with the position computed for this screen.
        root = run("xwininfo", "-root")
        width, height = (int(re.search(k + r":\s+(\d+)", root).group(1))
                         for k in ("Width", "Height"))
        number = lambda v: f"{v:g}" if v != int(v) else str(int(v))
        expected = dict(FirstRun=1, LeftPos=number((width * TWIPS - 15510) / 2),
                        TopPos=number((height * TWIPS - 1425) / 2), **{
                            k: v for k, v in DEFAULTS.items() if k != "FirstRun"})
        expected["KVEServer"] = "0.0.0.0"
        with open(self.ini, "rb") as f:
            self.assertEqual(f.read(), ("[Config]\r\n" + "".join(
                f"{k}={v}\r\n" for k, v in expected.items())).encode())
        # Confirm a host; the port and the normal colours are read from the file when used.
        port, back, text = self.start_feed(["0 " + "M" * 40, "wait 60000"]), 0x402010, 0x00FFFF
        self.write_ini(**dict(self.read_ini(), KVEPort=port, BackCol=back, TextCol=text))
        run("xdotool", "windowactivate", "--sync", str(setup), "type", "127.0.0.1")
        run("xdotool", "key", "Return")
        info = shown("^Setup$", [setup])
        key(info, "Return")
        wait_until(lambda: not windows("^Setup$"), what="the dialog and its message to close")
        self.assertEqual(self.read_ini()["KVEServer"], "127.0.0.1")
        wait_until(lambda: self.background(self.shot()) == rgb(back), what="the message")
        self.assertGreater(self.shot().ink(rgb(text)), 50)
        save_screenshot("caption-message", self.caption)

    def test_highlight_and_lost_connection(self):
        back, text, hback, htext = 0x202020, 0x00FF00, 0x00FFFF, 0x800000
        port = self.start_feed(["0 Lost Connection!", "wait 1500", "1 " + "M" * 20, "wait 1500",
                                "0 " + "M" * 10, "wait 1100", "close"])
        self.write_ini(**dict(DEFAULTS, KVEPort=port, BackCol=back, TextCol=text, HBackCol=hback,
                              HTextCol=htext, HighlightTX2U=1))
        self.start()
        # The caption's pictures one after the other. The same text in the same colours draws
        # the same picture, so the closed link must show the first message's picture again.
        seen, kinds = [], []  # kinds: "normal", "highlight" or None

        def kind(shot):
            if self.background(shot) == rgb(hback) and shot.ink(rgb(htext)) > 50:
                return None if shot.ink(rgb(text)) else "highlight"
            return "normal" if self.background(shot) == rgb(back) and shot.ink(rgb(text)) > 50 \
                else None

        def step():
            shot = self.shot()
            if not seen or seen[-1].data != shot.data:
                seen.append(shot)
                kinds.append(kind(shot))
            h = kinds.index("highlight") if "highlight" in kinds else -1
            return h > 0 and len(seen) > h + 2 and seen[-1].data == seen[h - 1].data
        wait_until(step, 20, "the first message's picture after the highlighted one")
        h = kinds.index("highlight")
        self.assertEqual(kinds[h - 1], "normal", "the type 0 message before, in normal colours")
        self.assertIn("normal", kinds[h + 1:-1], "the type 0 message after, in normal colours")
        self.assertEqual(kinds[-1], "normal", "Lost Connection! in the normal colours")
        wait_until(lambda: self.shot().data != seen[-1].data, what="Waiting for connection")

    def test_drag_choice_window_options_and_end(self):
        self.write_ini(**dict(DEFAULTS, KVEPort=9))  # nothing listens: "Waiting for connection"
        proc = self.start()
        x, y, w, h = geometry(self.caption)
        save_screenshot("caption-window", self.caption)
        # Wine hands the drag to the window manager, whose move loop starts a moment after the
        # press and follows the pointer from there: the hand here pauses as a user's would.
        run("xdotool", "mousemove", str(x + 300), str(y + 30))
        run("xdotool", "mousedown", "1", "sleep", "0.5", "mousemove", str(x + 200), str(y + 100),
            "sleep", "0.2", "mousemove", str(x + 100), str(y + 180), "sleep", "0.2", "mouseup", "1")
        moved = (x - 200, y + 150, w, h)
        wait_until(lambda: geometry(self.caption) == moved, what=f"the window at {moved}")
        spot = lambda: tuple(self.read_ini().get(k) for k in ("LeftPos", "TopPos"))
        wait_until(lambda: None not in spot(), what="LeftPos, TopPos")
        self.assertEqual(tuple(map(float, spot())), (moved[0] * TWIPS, moved[1] * TWIPS))
        click(moved[0] + w // 3, moved[1] + h // 2, 3)
        popup = shown("^Wingscribe$", [self.caption])
        save_screenshot("choice-window", popup)
        click_twips(popup, CHOICE["options"], 120, 1575, 375)
        options = shown("^Wingscribe Options$")
        save_screenshot("options-dialog", options)
        key(options, "Escape")
        wait_until(lambda: not windows("^Wingscribe Options$"), what="the options to close")
        click(moved[0] + w // 3 + 40, moved[1] + h // 2, 3)  # not twice on one spot
        click_twips(shown("^Wingscribe$", [self.caption]), CHOICE["end"], 120, 1575, 375)
        wait_until(lambda: proc.poll() is not None, what="the program to end")
        # The layout is kept in the user's own settings folder, never in the registry.
        with open(os.path.join(STORE, "layouts.ini")) as f:
            self.assertIn(f"frame=@Rect({moved[0]} {moved[1]} {w} {h})", f.read())


class InstallerTest(unittest.TestCase):
    folder = os.path.join(USER_DIR, "AppData", "Local", "Programs", "Wingscribe")
    link = os.path.join(USER_DIR, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu",
                        "Programs", "Wingscribe.lnk")

    def wine(self, *args):
        subprocess.run([WINE, *args], env=program_env(), timeout=120, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def registered(self):
        out = subprocess.run([WINE, "reg", "query", r"HKCU\Software\Microsoft\Windows"
                              r"\CurrentVersion\Uninstall\Wingscribe"], env=program_env(),
                             capture_output=True, text=True, timeout=60).stdout
        return "DisplayName" in out

    def test_install_and_uninstall_for_this_user_only(self):
        with open(SETUP, "rb") as f:  # no administrator prompt
            self.assertIn(b'level="asInvoker"', f.read())
        shutil.rmtree(self.folder, ignore_errors=True)
        for remove_settings in (False, True):
            self.wine(SETUP, "/S")
            with zipfile.ZipFile(ZIP) as z:
                shipped = {n.split("/", 1)[1] for n in z.namelist() if not n.endswith("/")}
            for name in shipped | {"uninstall.exe"}:
                self.assertTrue(os.path.isfile(os.path.join(self.folder, name)), name)
            self.assertTrue(os.path.isfile(self.link))
            self.assertTrue(self.registered())
            with open(os.path.join(self.folder, "wingscribe.ini"), "w") as f:
                f.write("[Config]\r\nKVEServer=sim-pc\r\n")
            uninstaller = os.path.join(self.folder, "uninstall.exe")
            self.wine(uninstaller, "/S", *(["/REMOVESETTINGS"] if remove_settings else []))
            # It goes on in a copy of itself, which removes the original last.
            wait_until(lambda: not os.path.exists(uninstaller), 60, "the uninstaller to end")
            self.assertFalse(os.path.exists(self.link))
            self.assertFalse(self.registered())
            left = os.listdir(self.folder) if os.path.isdir(self.folder) else []
            self.assertEqual(left, [] if remove_settings else ["wingscribe.ini"])
            self.assertEqual(os.path.isdir(self.folder), not remove_settings)


if __name__ == "__main__":
    unittest.main(verbosity=2)
