#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end check of the Windows build under Wine, run through scripts/with-display.sh: the
program from the zip in an empty folder, with the cross-built feed; then the installer. Wine has
no Arial: nothing here depends on the caption font's metrics."""
import getpass, os, pathlib, re, shutil, socket, subprocess, time, unittest, zipfile  # noqa: E401

from xdesk import DEFAULTS, TWIPS, Case, Shot, geometry, rgb, run, screenshot, shown, wait_until

ZIP, SETUP, FEED, WINE_RUN, PREFIX = (os.environ[k] for k in (
    "WINGSCRIBE_ZIP", "WINGSCRIBE_SETUP", "WINGSCRIBE_FEED", "WINE_RUN", "WINE_PREFIX"))
WINE = "/usr/lib/wine/wine64" if os.path.exists("/usr/lib/wine/wine64") else "wine64"
USER_DIR = os.path.join(PREFIX, "drive_c", "users", getpass.getuser())
STORE = os.path.join(USER_DIR, "AppData", "Roaming", "Wingscribe")  # the saved layouts
INSTALLED = rf"C:\users\{getpass.getuser()}\AppData\Local\Programs\Wingscribe"
ctimes = lambda folder: {p: p.stat().st_ctime_ns for p in pathlib.Path(folder).rglob("*")}  # noqa

def wine_env():  # for the shipped program: no DLL path and no Qt variables of the build
    env = {k: v for k, v in os.environ.items() if not re.match(r"(WINE)?QT_|WINEPATH$", k)}
    return dict(env, WINEPREFIX=PREFIX, WINEDEBUG="-all",
                WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")

def wine(*args, out=subprocess.DEVNULL, **options):
    return subprocess.Popen([WINE, *args], env=wine_env(), stdout=out, stderr=subprocess.DEVNULL,
                            text=True, **options)

def end_wine():  # no Wine server left from the unit tests or the test before
    subprocess.run(["/usr/lib/wine/wineserver", "-k"], env=wine_env(), timeout=30)

setUpModule = end_wine

class WindowsProgramTest(Case):
    def setUp(self):
        super().setUp()
        shutil.rmtree(STORE, ignore_errors=True)
        with zipfile.ZipFile(ZIP) as z:
            z.extractall(self.dir)
        self.ini = os.path.join(self.dir, "Wingscribe", "wingscribe.ini")
        self.program, self.env = [WINE, "wingscribe.exe"], wine_env()
        self.addCleanup(end_wine)  # after tearDown

    def feed_command(self, script):
        return ([WINE_RUN, PREFIX, os.environ.get("WINE_DLL_DIRS", ""),
                 os.environ.get("WINE_PLUGINS", ""), FEED, "--script",
                 "Z:" + script.replace("/", "\\")], dict(os.environ, WINE_RUN_STREAM="1"))

    def drag(self):  # by the window manager, from where Wine gets to the press: the hand moves
        x, y, w, h = geometry(self.caption)  # on until the window follows, then lets go
        run("xdotool", "mousemove", str(x + 300), str(y + 30), "mousedown", "1")
        wait_until(lambda: not run("xdotool", "mousemove_relative", "--", "-2", "2")
                   and geometry(self.caption)[0] < x - 40, what="the window to follow")
        run("xdotool", "mouseup", "1")
        wait_until(lambda: [float(self.read_ini().get(k, "nan")) for k in ("LeftPos", "TopPos")]
                   == [v * TWIPS for v in geometry(self.caption)[:2]], what="LeftPos, TopPos")
        return geometry(self.caption)

    def test_first_run_in_an_empty_folder(self):
        self.assertNotIn("wingscribe.ini", os.listdir(os.path.dirname(self.ini)))
        self.start()
        setup, seen = shown("^Setup$"), time.time()
        # The 1 s tick starts as the caption window is made, just after the missing settings
        # file is written, and comes once the start has ended: timed from the file's times.
        born, ended = float(run("stat", "-c", "%.9W", self.ini)), os.stat(self.ini).st_mtime
        self.assertGreater(seen - born, 0.9, "the setup dialog before the first tick")
        self.assertLess(seen - max(born + 1, ended), 10, "the setup dialog after the first tick")
        screenshot("setup-dialog", setup)
        # The default file, byte for byte, with the position computed for this screen.
        (_, _, width, height), defaults = geometry(), dict(DEFAULTS, KVEServer="0.0.0.0")
        del defaults["FirstRun"]
        expected = dict(FirstRun=1, LeftPos=f"{(width * TWIPS - 15510) / 2:g}",
                        TopPos=f"{(height * TWIPS - 1425) / 2:g}", **defaults)
        with open(self.ini, "rb") as f:
            self.assertEqual(f.read(), "".join(f"{k}={v}\r\n" for k, v in expected.items())
                             .join(["[Config]\r\n", ""]).encode())
        # Confirm a host; the port and the normal colours are read from the file when used.
        port, back, text = self.start_feed(["0 " + "M" * 40, "wait 60000"]), 0x402010, 0x00FFFF
        self.edit_ini(KVEPort=port, BackCol=back, TextCol=text)
        self.confirm_setup(setup, "127.0.0.1")
        self.assertEqual(self.read_ini()["KVEServer"], "127.0.0.1")
        wait_until(lambda: self.caption_shot().back() == rgb(back), what="the message")
        self.assertGreater(self.caption_shot().ink(rgb(text))[0], 50)
        screenshot("caption-message", self.caption)

    def test_highlight_lost_connection_then_drag_choice_options_end(self):
        back, text, hback, htext = 0x202020, 0x00FF00, 0x00FFFF, 0x800000
        with socket.create_server(("127.0.0.1", 0)) as free:  # the feed starts once we look
            port = free.getsockname()[1]
        proc = self.start(BackCol=back, TextCol=text, HBackCol=hback, HTextCol=htext,
                          HighlightTX2U=1, KVEPort=port)
        self.start_feed(["0 Lost Connection!", "wait 1500", "1 " + "M" * 20, "wait 1500",
                         "0 " + "M" * 10, "wait 1100", "close"], port)
        seen, box = [], geometry(self.caption)  # its pictures until one comes back; told apart

        def step():
            shot = Shot(*box)
            if not seen or seen[-1].data != shot.data:
                seen.append(shot)
            return any(earlier.data == seen[-1].data for earlier in seen[:-2])
        wait_until(step, 20, "the first message's picture again")
        colours = {(rgb(back), True, False): "normal", (rgb(hback), False, True): "highlight"}
        kinds = [colours.get((shot.back(), *(shot.ink(rgb(c))[0] > 50 for c in (text, htext))))
                 for shot in seen]
        h = kinds.index("highlight")
        self.assertEqual(seen[h - 1].data, seen[-1].data, "Lost Connection! as before")
        self.assertEqual(kinds[h - 1], "normal", "the type 0 message before, in normal colours")
        self.assertIn("normal", kinds[h + 1:-1], "the type 0 message after, in normal colours")
        wait_until(lambda: self.caption_shot().data != seen[-1].data, what="Waiting for...")
        screenshot("caption-window", self.caption)
        x, y, w, h = self.drag()
        popup = self.right_click()
        screenshot("choice-window", popup)
        self.choose("options", popup)
        options = shown("^Wingscribe Options$")
        screenshot("options-dialog", options)
        self.close_options(options)
        self.choose("end")
        wait_until(lambda: proc.poll() is not None, what="the program to end")
        # The layout is kept in the user's own settings folder, never in the registry.
        with open(os.path.join(STORE, "layouts.ini")) as f:
            self.assertIn(f"frame=@Rect({x} {y} {w} {h})", f.read())

class InstallerTest(unittest.TestCase):
    folder = os.path.join(USER_DIR, "AppData", "Local", "Programs", "Wingscribe")
    locks = os.path.join(USER_DIR, "AppData", "Local", "Wingscribe")
    link = os.path.join(USER_DIR, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu",
                        "Programs", "Wingscribe.lnk")

    def registered(self):
        query = wine("reg", "query", r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall"
                     r"\Wingscribe", out=subprocess.PIPE)
        return "DisplayName" in query.communicate(timeout=60)[0]

    def test_install_and_uninstall_for_this_user_only(self):
        self.assertIn(b'level="asInvoker"', pathlib.Path(SETUP).read_bytes())  # no admin prompt
        with zipfile.ZipFile(ZIP) as z:
            shipped = {n.split("/", 1)[1] for n in z.namelist() if not n.endswith("/")}
            exe = z.read("Wingscribe/wingscribe.exe")  # its manifest: no prompt, ANSI texts
        self.assertTrue(b'level="asInvoker"' in exe and b"activeCodePage" not in exe)
        shutil.rmtree(self.folder, ignore_errors=True)
        uninstaller = os.path.join(self.folder, "uninstall.exe")
        for remove_settings in (False, True):
            self.assertEqual(wine(SETUP, "/S").wait(120), 0)
            for name in shipped | {"uninstall.exe", "licenses/README.txt"}:  # licences too
                self.assertTrue(os.path.isfile(os.path.join(self.folder, name)), name)
            self.assertTrue(os.path.isfile(self.link) and self.registered())
            (ini := pathlib.Path(self.folder, "wingscribe.ini")).write_text("[Config]\n")
            if remove_settings:  # while a copy runs, neither touches its folder; its lock goes
                program = wine("wingscribe.exe", cwd=self.folder)
                wait_until(lambda: "FirstRun=1" in ini.read_text(), what="the program to start")
                before = ctimes(self.folder)
                self.assertEqual(wine(SETUP, "/S").wait(120), 2)
                self.assertEqual(wine(uninstaller, "/S", "_?=" + INSTALLED).wait(120), 2)
                self.assertEqual(ctimes(self.folder), before)
                program.kill()
                wait_until(lambda: program.poll() is not None and not os.listdir(self.locks),
                           what="the killed copy, and its lock with it")
            args = ["/REMOVESETTINGS"] if remove_settings else []
            self.assertEqual(wine(uninstaller, "/S", *args).wait(120), 0)
            # It goes on in a copy of itself, which removes the original last.
            wait_until(lambda: not os.path.exists(uninstaller), 60, "the uninstaller to end")
            self.assertFalse(os.path.exists(self.link) or self.registered())
            left = os.listdir(self.folder) if os.path.isdir(self.folder) else None
            self.assertEqual(left, None if remove_settings else ["wingscribe.ini"])
        self.assertEqual(list(pathlib.Path(USER_DIR).rglob("*[Ww]ingscribe*")), [])  # no trace

if __name__ == "__main__":
    unittest.main(verbosity=2)
