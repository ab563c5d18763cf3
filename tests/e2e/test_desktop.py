#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end desktop tests: the real wingscribe and the demo feed on an X display with a window
manager, driven only from outside. Run through scripts/with-display.sh."""
import os, pathlib, shutil, unittest  # noqa: E401

from xdesk import TWIPS, Case, Shot, click_twips, frame, geometry, holds, key, rgb, run, shown, \
    wait_until

OPT_BORDER = (180, 1770, 1815, 510)  # the border button of the options window, in twips
NO_FEED = 9  # a port nothing listens on: "Waiting for connection"

class DesktopTest(Case):
    def setUp(self):
        super().setUp()
        home = os.path.join(self.dir, "home")
        os.makedirs(os.path.join(home, "run"), mode=0o700)
        self.program = [shutil.copy2(os.environ["WINGSCRIBE_EXE"], self.dir)]
        self.ini = self.program[0] + ".ini"
        self.env = dict(os.environ, HOME=home, QT_QPA_PLATFORM="xcb",
                        XDG_CONFIG_HOME=os.path.join(home, ".config"),
                        XDG_RUNTIME_DIR=os.path.join(home, "run"))

    def feed_command(self, script):
        return [os.environ["WINGSCRIBE_FEED"], "--script", script], None

    def test_first_run_asks_for_the_server_then_shows_messages(self):
        self.start()  # without a settings file: the default one has no server
        setup = shown("^Setup$")
        sx, sy, sw, sh = frame(setup)
        self.assertEqual((sx, sy), frame(self.caption)[:2])
        self.assertEqual(Shot(sx + 3, sy + sh // 2, 1, 1).at(0, 0), rgb(0x000080))
        self.edit_ini(KVEPort=self.start_feed(["0 " + "M" * 60]))  # read when it closes
        self.confirm_setup(setup, "127.0.0.1")
        self.assertEqual(self.read_ini()["KVEServer"], "127.0.0.1")
        w = geometry(self.caption)[2]  # far longer than "Waiting for connection.........."
        wait_until(lambda: self.caption_shot().ink(rgb(65280))[1] > w // 2, what="the message")

    def test_highlighted_message_to_you_is_kept_and_others_are_cleared(self):
        back, text, hback, htext = 0x000000, 0x00FF00, 0x00FFFF, 0x800000
        self.start(BackCol=back, TextCol=text, HBackCol=hback, HTextCol=htext, HighlightTX2U=1,
                   MsgDelay=1, LastMsg=1, KVEPort=self.start_feed(
                       ["1 " + "M" * 20, "wait 3000", "1    ", "wait 2500", "0 " + "M" * 10]))

        def sample():  # background, highlight text shown, normal text shown
            shot = self.caption_shot()
            return shot.back(), shot.ink(rgb(htext))[0] > 0, shot.ink(rgb(text))[0] > 0
        highlighted, plain = (rgb(hback), True, False), (rgb(back), False, True)
        wait_until(lambda: sample() == highlighted, what="the highlighted message")

        def replaced():  # the feed times its script from the connection, not from our look
            now = sample()
            self.assertIn(now, (highlighted, plain), "the message to you went")
            return now == plain
        # Kept past MsgDelay, and the blank message to you after 3 s changes nothing, until
        # the plain message replaces it after 5.5 s.
        wait_until(replaced, 20, "the plain message")
        wait_until(lambda: sample() == (rgb(back), False, False), what="cleared after MsgDelay")

    def keys(self, *keys):  # to the caption, then a Shift+Right to know all were handled
        x = geometry(self.caption)[0]
        key(self.caption, *keys)
        run("xdotool", "key", "shift+Right")
        return wait_until(lambda: (now := geometry(self.caption))[0] == x + 1 and now, 20,
                          "the keys to be handled")

    def test_drag_keys_size_floor_and_layout_kept_after_end(self):
        proc = self.start(KVEPort=NO_FEED)
        x, y, w, h = self.drag()
        self.assertEqual(self.keys("ctrl+Down"), (x + 1, y, w, h + 1))
        self.assertEqual(float(self.read_ini()["LeftPos"]), x * TWIPS)  # keys do not save it
        floor = self.keys("--repeat", "120", "--delay", "2", "ctrl+Up")[3]
        self.assertTrue(16 <= floor < h, f"height {floor} from {h}")
        self.assertEqual(self.keys("--repeat", "1100", "--delay", "1", "ctrl+Left")[2], 100)
        self.assertEqual(self.keys("ctrl+Up", "ctrl+Left")[2:], (100, floor))
        final = self.keys("ctrl+Down")  # still there, answering and big enough to grab
        self.assertEqual(final[2:], (100, floor + 1))
        self.choose("end")
        wait_until(lambda: proc.poll() is not None, what="the program to end")
        self.start()
        wait_until(lambda: geometry(self.caption) == final, what=f"the layout {final} restored")

    def test_choice_and_options_windows_by_their_frame_enter_and_on_top(self):
        self.start(KVEPort=NO_FEED, AlwaysOnTop=1)
        above = lambda: "_NET_WM_STATE_ABOVE" in run("xprop", "-id", str(self.caption),
                                                     "_NET_WM_STATE")
        edge = lambda: self.caption_shot().at(2, geometry(self.caption)[3] // 2)
        wait_until(above, what="top-most at start")
        self.assertNotEqual(edge(), rgb(0))
        (x, _, w, h), bottom = geometry(self.caption), geometry()[3]
        for low in (True, False):  # the options window's first showing is the low one
            top = bottom - h - 4 if low else 300
            run("xdotool", "windowmove", str(self.caption), str(x), str(top))
            wait_until(lambda: geometry(self.caption)[1] == top, what=f"the caption at {top}")
            popup = self.right_click()
            wait_until(lambda: not above(), what="not top-most under the choice window")
            self.assertEqual(frame(popup)[1], top)
            key(popup, "Return")  # "Go to Options" has the focus, "Go to Setup" is the default
            options = shown("^Wingscribe Options$")
            ox, oy, ow, oh = frame(options)
            self.assertLessEqual(abs(ox + ow / 2 - (x + w / 2)), 1)
            self.assertEqual(oy + oh if low else oy, bottom if low else top)
            if not low:  # the keyboard: focus marks, and the focus back after a chooser
                bar = lambda c=geometry(options): Shot(c[0] + 243, c[1] + 232, 17, 30).data  # delay
                unfocused = bar()
                key(options, *["Tab"] * 6)  # from "Change Text Font"
                wait_until(lambda: bar() != unfocused, what="the scroll bar's focus mark")
                key(options, *["Tab"] * 3, "space")  # "Highlight Text Colour"
                key(chooser := shown("^Select$"), "Escape")
                key(options, "space")  # the same button again, not "Change Text Font"
                key(shown("^Select$", [chooser]), "Escape")
                click_twips(options, *OPT_BORDER)
                wait_until(lambda: edge() == rgb(0), what="the frame to go")
                self.assertEqual(self.read_ini()["Border"], "0")
            self.close_options(options)  # the choice window's call returns: top-most as set
            if low:
                wait_until(above, what="top-most again")
                self.edit_ini(AlwaysOnTop=0)
            else:  # once a later key is handled, the close has been
                moved = geometry(self.caption)[0] + 1
                key(self.caption, "shift+Right")
                wait_until(lambda: geometry(self.caption)[0] == moved, what="a key after the close")
                self.assertFalse(above(), "top-most with AlwaysOnTop=0")

    def test_dialogs_partly_off_the_screen_and_keys_past_its_edge(self):
        proc = self.start(KVEPort=NO_FEED)
        x, y, w = -300, -20, geometry(self.caption)[2]  # the caption partly off the screen
        run("xdotool", "windowmove", str(self.caption), str(x), str(y))
        wait_until(lambda: geometry(self.caption)[:2] == (x, y), what="the caption moved")
        placed = lambda wid, centred: wait_until(lambda: (f := frame(wid))[1] == y and abs(
            f[0] + centred * (f[2] - w) / 2 - x) <= 1, what="a dialog where it was put")
        placed(popup := self.right_click(), True)  # so are its dialogs, as they are put
        key(popup, "Tab", "Tab", "Tab", "space")  # "Go to Setup"
        placed(setup := shown("^Setup$"), False)
        key(setup, "Escape")
        key(popup, "Tab", "space")  # "Go to Options"
        placed(options := shown("^Wingscribe Options$"), True)
        self.close_options(options)

        def handled(*keys):  # the caption after these keys (and a Ctrl+Down to know)
            height = geometry(self.caption)[3]
            key(self.caption, *keys, "key", "ctrl+Down")
            return wait_until(lambda: (g := geometry(self.caption))[3] == height + 1 and g, 60)
        stopped = handled("--repeat", "1000", "--delay", "1", "shift+Left")[0]
        self.assertGreater(stopped, x - 1000)  # by the window manager; one key back is a pixel
        self.assertEqual((final := handled("shift+Right"))[0], stopped + 1)
        key(self.right_click(), "Tab", "Tab", "space")  # "End Wingscribe" keeps the real place
        wait_until(lambda: proc.poll() is not None, what="the program to end")
        self.start()
        wait_until(lambda: geometry(self.caption) == final, what=f"the layout {final} restored")

    def test_setup_from_the_choice_window_is_left_alone_by_the_ticks(self):
        self.start(KVEPort=NO_FEED)
        self.edit_ini(KVEServer="0.0.0.0")  # no server: each tick asks for one
        self.choose("setup")
        setup = shown("^Setup$")
        self.assertEqual(frame(setup)[:2], frame(self.caption)[:2])
        key(setup, "End")
        run("xdotool", "type", "1")  # after the stored server
        # Two ticks pass; what is typed stays, and the dialog is not shown again.
        holds(lambda: "Recursive" not in pathlib.Path(self.log).read_text(), 2.5, "shown again")
        run("xdotool", "key", "Return")
        key(shown("^Setup$", [setup]), "Return")
        wait_until(lambda: self.read_ini()["KVEServer"] == "0.0.0.01", what="the typed server")

if __name__ == "__main__":  # E2E_SHARD=K/N: every Nth test from the Kth, for shards side by side
    shard, shards = map(int, os.environ.get("E2E_SHARD", "0/1").split("/"))
    tests = unittest.defaultTestLoader.loadTestsFromTestCase(DesktopTest)
    suite = unittest.TestSuite(t for i, t in enumerate(tests) if i % shards == shard)
    raise SystemExit(not unittest.TextTestRunner(verbosity=2).run(suite).wasSuccessful())
