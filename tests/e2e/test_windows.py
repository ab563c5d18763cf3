#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end check of the Windows build under Wine, run through scripts/with-display.sh: the
program from the zip in an empty folder, with the cross-built feed; then the installer. Wine has
no Arial: nothing here depends on the caption font's metrics."""
import getpass, os, pathlib, re, shutil, subprocess, sys, time, unittest, zipfile  # noqa: E401

from xdesk import DEFAULTS, TWIPS, Case, geometry, rgb, screenshot, shown, wait_until

ZIP, SETUP, FEED, WINE_RUN, PREFIX = (os.environ[k] for k in (
    "WINGSCRIBE_ZIP", "WINGSCRIBE_SETUP", "WINGSCRIBE_FEED", "WINE_RUN", "WINE_PREFIX"))
WINE = "/usr/lib/wine/wine64" if os.path.exists("/usr/lib/wine/wine64") else "wine64"
USER_DIR = os.path.join(PREFIX, "drive_c", "users", getpass.getuser())
STORE = os.path.join(USER_DIR, "AppData", "Roaming", "Wingscribe")  # the saved layouts

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

    def test_first_run_in_an_empty_folder(self):
        self.assertNotIn("wingscribe.ini", os.listdir(os.path.dirname(self.ini)))
        self.start()  # FirstRun=1 ends the start, which starts the supervisor's 1 s timer
        setup = shown("^Setup$")
        delay = time.monotonic() - self.started
        print(f"\nsetup dialog {delay:.2f} s after the start", file=sys.stderr)
        self.assertTrue(0.5 < delay < 2.5, f"setup dialog after {delay:.2f} s")
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
        proc = self.start(BackCol=back, TextCol=text, HBackCol=hback, HTextCol=htext,
                          HighlightTX2U=1, KVEPort=self.start_feed(
                              ["0 Lost Connection!", "wait 1500", "1 " + "M" * 20, "wait 1500",
                               "0 " + "M" * 10, "wait 1100", "close"]))
        # The caption's pictures one after the other. The same text in the same colours draws
        # the same picture, so the closed link must show the first message's picture again.
        seen, kinds = [], []
        colours = {(rgb(back), True, False): "normal", (rgb(hback), False, True): "highlight"}

        def step():
            shot = self.caption_shot()
            if not seen or seen[-1].data != shot.data:
                seen.append(shot)
                inks = (shot.ink(rgb(c))[0] > 50 for c in (text, htext))
                kinds.append(colours.get((shot.back(), *inks)))
            h = kinds.index("highlight") if "highlight" in kinds else -1
            return h > 0 and len(seen) > h + 2 and seen[-1].data == seen[h - 1].data
        wait_until(step, 20, "the first message's picture after the highlighted one")
        h = kinds.index("highlight")
        self.assertEqual(kinds[h - 1], "normal", "the type 0 message before, in normal colours")
        self.assertIn("normal", kinds[h + 1:-1], "the type 0 message after, in normal colours")
        self.assertEqual(kinds[-1], "normal", "Lost Connection! in the normal colours")
        wait_until(lambda: self.caption_shot().data != seen[-1].data, what="Waiting for...")
        screenshot("caption-window", self.caption)
        # Wine hands the drag to the window manager, whose move loop starts a moment after the
        # press and follows the pointer from there: the hand pauses as a user's would.
        x, y, w, h = self.drag(pause=0.5)
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
        shutil.rmtree(self.folder, ignore_errors=True)
        uninstaller = os.path.join(self.folder, "uninstall.exe")
        for remove_settings in (False, True):
            self.assertEqual(wine(SETUP, "/S").wait(120), 0)
            for name in shipped | {"uninstall.exe"}:
                self.assertTrue(os.path.isfile(os.path.join(self.folder, name)), name)
            self.assertTrue(os.path.isfile(self.link) and self.registered())
            pathlib.Path(self.folder, "wingscribe.ini").write_text("[Config]\nKVEServer=sim-pc\n")
            args = ["/REMOVESETTINGS"] if remove_settings else []
            self.assertEqual(wine(uninstaller, "/S", *args).wait(120), 0)
            # It goes on in a copy of itself, which removes the original last.
            wait_until(lambda: not os.path.exists(uninstaller), 60, "the uninstaller to end")
            self.assertFalse(os.path.exists(self.link) or self.registered())
            left = os.listdir(self.folder) if os.path.isdir(self.folder) else None
            self.assertEqual(left, None if remove_settings else ["wingscribe.ini"])

if __name__ == "__main__":
    unittest.main(verbosity=2)
