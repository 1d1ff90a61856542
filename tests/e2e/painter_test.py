#!/usr/bin/env python3
"""Drawing in a real browser with an HTML5 painter: the program (native, or
sketchhaven.exe under Wine) writes the drawing page for neo.js, a stand-in
painter of our own (painter/neo.js), and starts the browser; headless
Chromium loads the page the browser was sent to, the painter draws, posts
and reads the reply. Saved files are checked with the real decoders, and
continued drawings by reading the painter's canvas back.

  painter_test.py build/native/sketchhaven [Group ...]
  painter_test.py sketchhaven.exe ui_window_commander.exe ui_dialog_presser.exe ui_browser_stand_in.exe wine-run
                  [Group ...]

Skipped when chromium is not installed.
"""

import base64
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

import chromium
import lifecycle_test
import road

PAINTER_FILES = [os.path.join(os.path.dirname(os.path.abspath(__file__)), "painter", name)
                 for name in ("neo.js", "neo.css")]
SAVED_TEXT = ("====================\n保存完了。\n終了する場合はブラウザを閉じてください。\n"
              "続けて描くこともできます。\n \n---以下のメッセージは関係なし---")
FAILED_TEXT = "保存ができませんでした\n----------"
# A Java applet's animation: anything that does not start with "NEO ".
JAVA_ANIMATION = bytes(range(256)) * 4
# The heart of the refusal, readable only when it reaches the user as Japanese.
JAVA_REFUSAL = "Javaアプレットのアニメーション（PCH・SPCH）を再生できません"

# Runs in the page's head; its start call runs in the body after the applet
# cell, before the painter replaces the applet. Each leaves a mark.
PALETTE_SCRIPT = b"""document.documentElement.setAttribute("data-palette-script", "fetched");
function PaletteInit() {
  document.documentElement.setAttribute("data-palette-params", document.getElementsByTagName("param").length);
}
"""

# The pixels of the canvas's top left corner of width x height, red, green
# and blue, rows top first.
CANVAS_RGB = """(function (width, height) {
  var d = standInPainter.canvas.getContext("2d").getImageData(0, 0, width, height).data, s = "";
  for (var i = 0; i < d.length; i += 4) s += String.fromCharCode(d[i], d[i + 1], d[i + 2]);
  return btoa(s);
})(%d, %d)"""


def put_painter(folder):
    for path in PAINTER_FILES:
        shutil.copy(path, folder)


class PainterPage:
    """The browser's side of the tests: one Chromium per test class."""

    @classmethod
    def setUpClass(cls):
        cls.chrome = chromium.Chromium()

    @classmethod
    def tearDownClass(cls):
        cls.chrome.close()

    def setUp(self):
        super().setUp()
        del self.chrome.errors[:]
        del self.chrome.alerts[:]

    def open_painter(self, address, mode="draw"):
        """Loads the page and waits for the painter; fails on a script error."""
        self.chrome.open(address)
        self.chrome.wait_for("window.standInPainter && (standInPainter.ready || standInPainter.failure !== '')")
        self.assertEqual(self.chrome.errors, [])
        self.assertEqual(self.chrome.evaluate("standInPainter.failure"), "")
        self.assertEqual(self.chrome.evaluate("standInPainter.mode"), mode)

    def canvas_size(self):
        return tuple(self.chrome.evaluate("[standInPainter.canvas.width, standInPainter.canvas.height]"))

    def canvas_rgb(self, size=None):
        """The canvas's pixels, or those of its top left corner of size."""
        return base64.b64decode(self.chrome.evaluate(CANVAS_RGB % (size or self.canvas_size())))

    def draw(self, *strokes):
        for s in strokes:
            self.chrome.evaluate("standInPainter.stroke(%s), 0" % ", ".join(str(v) for v in s))

    def send(self):
        """Posts the drawing; the alert it showed (a painter that stays
        always shows one). Fails when the painter left the page."""
        address = self.chrome.url()
        self.assertEqual(self.chrome.evaluate("standInPainter.send()"), "alerted", self.chrome.alerts)
        self.assertEqual(self.chrome.url(), address)
        return self.chrome.alerts.pop()

    def assertSaved(self, alert, folder, names):
        """The alert names the files, each with its size, then the completion text."""
        self.assertEqual(alert, "".join(road.expected_line(folder, n) + "\n" for n in names) + SAVED_TEXT)

    def assertDrawing(self, picture, animation, rgb):
        """A saved drawing: a sound PNG with the canvas's pixels, and the painter's animation."""
        self.assertIn("No errors detected", road.pngcheck(picture))
        self.assertEqual(road.rgb_of(picture), rgb)
        with open(animation, "rb") as f:
            self.assertEqual(list(f.read()), self.chrome.evaluate("Array.from(standInPainter.animation())"))

    def assertContinued(self, address, mode, size, rgb):
        self.open_painter(address, mode)
        self.assertEqual(self.canvas_size(), size)
        self.assertEqual(self.canvas_rgb(), rgb)

    def assertReplayed(self, address, size, rgb):
        """The replay's canvas is as large as its page says and begins with the drawing."""
        self.open_painter(address, "replay")
        params = self.chrome.evaluate("standInPainter.params")
        self.assertEqual(self.canvas_size(), (int(params["image_width"]), int(params["image_height"])))
        self.assertEqual(self.canvas_rgb(size), rgb)


FIRST_STROKES = [(200, 30, 10, 5, 5, 40, 20), (10, 60, 220, 50, 30, 60, 70), (0, 0, 0, 199, 149, 1, 1)]
SECOND_STROKES = [(30, 170, 40, 120, 10, 30, 130)]


# ---- The native program -------------------------------------------------------

@unittest.skipIf(chromium.EXECUTABLE is None, "chromium is not installed (Debian package chromium)")
class TestNativePainter(PainterPage, lifecycle_test.Lifecycle):
    def start_program(self, *arguments, **setting):
        """The program started with PaintBBS, arguments and -r, and the browser stand-in."""
        self.port = road.free_port()
        values = {"Port": self.port, "SaveDir": self.saved, "Palette": 0}
        values.update(setting)
        lifecycle_test.write_ini(self.path("set.ini"), {"Setting": values,
                                                        "Browser": {"Flag": 1, "Path": self.browser.path}})
        if os.path.exists(self.browser.record):
            os.remove(self.browser.record)
        self.running = self.start("-a0", *arguments, "-r")
        self.wait_listening(self.running, self.port)

    def start_drawing(self, *arguments, **setting):
        """The address the program sent the browser to."""
        self.start_program(*arguments, **setting)
        addresses = self.browser.arguments()
        self.assertIsNotNone(addresses, "the browser was not started: " + self.error_text(self.running))
        return addresses[0]

    def setUp(self):
        super().setUp()
        put_painter(self.folder)
        self.saved = os.path.join(self.root, "saved")
        os.mkdir(self.saved)

    def error_text(self, process):
        process.errors.seek(0)
        return process.errors.read().decode("utf-8", "replace")

    def test_the_page_loads_with_its_palette_and_a_failed_save_keeps_the_drawing(self):
        with open(self.path("paletteHLS.js"), "wb") as f:
            f.write(PALETTE_SCRIPT)
        address = self.start_drawing("-w123", "-h77", Palette=3, OptionFlag=1)  # nothing chosen to save
        self.assertEqual(address, "http://localhost:%d/draw.html" % self.port)
        self.open_painter(address)
        self.assertEqual(self.chrome.evaluate("document.documentElement.getAttribute('data-palette-script')"),
                         "fetched")
        params = self.chrome.evaluate("standInPainter.params")
        self.assertEqual(self.chrome.evaluate("document.documentElement.getAttribute('data-palette-params')"),
                         str(len(params)))
        self.assertEqual((params["image_width"], params["image_height"]), ("123", "77"))
        self.assertEqual(self.canvas_size(), (123, 77))
        self.assertEqual(self.chrome.evaluate("getComputedStyle(standInPainter.canvas).borderTopStyle"), "solid",
                         "neo.css was not applied")
        self.draw(*FIRST_STROKES[:1])
        self.assertEqual(self.send(), FAILED_TEXT)
        self.assertEqual(os.listdir(self.saved), [])
        self.assertEqual(self.chrome.evaluate("standInPainter.pixel(6, 6)"), [200, 30, 10, 255])
        self.assertEqual(self.chrome.errors, [])

    def test_drawings_are_saved_under_new_names_and_continue_from_the_animation_or_the_picture(self):
        address = self.start_drawing("-w200", "-h150")
        self.open_painter(address)
        self.assertEqual(self.canvas_size(), (200, 150))
        self.draw(*FIRST_STROKES)
        first = self.canvas_rgb()
        self.assertSaved(self.send(), self.saved, ["000.png", "000.pch"])
        self.assertDrawing(os.path.join(self.saved, "000.png"), os.path.join(self.saved, "000.pch"), first)

        self.draw(*SECOND_STROKES)
        second = self.canvas_rgb()
        self.assertSaved(self.send(), self.saved, ["001.png", "001.pch"])
        self.assertDrawing(os.path.join(self.saved, "001.png"), os.path.join(self.saved, "001.pch"), second)
        self.assertEqual(road.rgb_of(os.path.join(self.saved, "000.png")), first)
        self.stop(self.running)
        self.assertEqual(lifecycle_test.read_ini(self.path("set.ini"))["Setting"]["SaveFile"], "001")

        # The animation's own size wins over the size fields.
        address = self.start_drawing(os.path.join(self.saved, "000.pch"), "-w300", "-h300")
        self.assertContinued(address, "draw", (200, 150), first)
        self.assertEqual(self.chrome.evaluate("standInPainter.params.pch_file"), "_load.pch")
        self.stop(self.running)

        address = self.start_drawing(os.path.relpath(os.path.join(self.saved, "001.png"), self.outside))
        self.assertContinued(address, "draw", (200, 150), second)
        self.assertEqual(self.chrome.evaluate("standInPainter.params.image_canvas"), "_load.dat")

    def test_a_java_animation_is_refused_before_the_page_is_written(self):
        for name in ["java.pch", "java.spch"]:
            with self.subTest(name):
                # Named relative to the folder the program is started in.
                with open(os.path.join(self.outside, name), "wb") as f:
                    f.write(JAVA_ANIMATION)
                self.start_program(name)
                deadline = time.time() + 10
                while JAVA_REFUSAL not in self.error_text(self.running) and time.time() < deadline:
                    time.sleep(0.05)
                self.stop(self.running)
                self.assertIn(JAVA_REFUSAL, self.error_text(self.running))
                self.assertFalse(os.path.exists(self.path("draw.html")))
                self.assertIsNone(self.browser.arguments(timeout=0.5))


@unittest.skipIf(chromium.EXECUTABLE is None, "chromium is not installed (Debian package chromium)")
class TestPostsFromOtherSites(PainterPage, unittest.TestCase):
    """The request gate: a page of another site on this machine that posts
    to the program saves nothing (the program's own page, the painter's,
    saves above)."""

    def test_a_page_of_another_site_saves_nothing(self):
        program = road.Program(OptionFlag=20)  # picture and record
        self.addCleanup(program.stop)
        scratch = tempfile.mkdtemp(prefix="sh-e2e-site-")
        self.addCleanup(shutil.rmtree, scratch, True)
        body = road.record_body(b"P", road.drawn_picture(), road.animation_record())
        with open(os.path.join(scratch, "foreign.html"), "wb") as f:
            f.write(road.posting_page("http://127.0.0.1:%d/cgi/save.cgi" % program.port, body))
        site = road.OtherSite(scratch)
        self.addCleanup(site.stop)
        self.chrome.open(site.url("/foreign.html"))
        # The answer came (an opaque one, as for any cross-site no-cors fetch), and it was the refusal.
        self.assertEqual(self.chrome.wait_for("document.body.getAttribute('data-outcome')"), "opaque")
        self.assertEqual(os.listdir(program.saved), [])
        self.assertFalse(os.path.exists(program.path("_post.dat")))
        self.assertEqual(program.error_text(), "")


# ---- The Windows program under Wine --------------------------------------------

PROGRAM = COMMANDER = PRESSER = STAND_IN = LAUNCHER = None
CAPTION = "Sketchhaven"
SAVE, PLAYBACK = "保存", "アニメーション再生"
BOX_CAPTION = "Error"     # Wine's caption of a box given none, in its English texts
OK, CANCEL = 1, 2
EXIT, IDM_PLAYBACK = 40001, 40004
PLAYBACK_PATH = 1125


@unittest.skipIf(chromium.EXECUTABLE is None, "chromium is not installed (Debian package chromium)")
class TestWindowsPainter(PainterPage, unittest.TestCase):
    def setUp(self):
        super().setUp()
        self.root = tempfile.mkdtemp(prefix="sh-e2e-wine-painter-")
        self.addCleanup(shutil.rmtree, self.root, True)
        self.folder = os.path.join(self.root, "program")
        self.saved = os.path.join(self.root, "saved")
        browser = os.path.join(self.root, "browser")
        for f in (self.folder, self.saved, browser):
            os.mkdir(f)
        self.program = road.place_program(self.folder, PROGRAM)
        self.stand_in = shutil.copy2(STAND_IN, browser)
        self.address_file = os.path.join(browser, "stand_in_address.txt")
        put_painter(self.folder)
        self.port = road.free_port()
        lifecycle_test.write_ini(os.path.join(self.folder, "set.ini"), {
            "Setting": {"Port": self.port, "SaveDir": road.windows_path(self.saved), "SaveFile": "000",
                        "OptionFlag": 22, "Palette": 0},
            "Browser": {"Flag": 1, "Path": road.windows_path(self.stand_in)}})
        self.process = None

    def tearDown(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait(30)
        super().tearDown()

    def start(self, *arguments):
        self.process = subprocess.Popen([LAUNCHER, self.program] + list(arguments), cwd=self.root,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        self.assertTrue(road.wait_listening(self.process, self.port, 90), "the program does not listen")

    def exit(self):
        self.command("post", CAPTION, EXIT)
        self.assertEqual(self.process.wait(30), 0)

    def command(self, *arguments):
        r = subprocess.run([LAUNCHER, COMMANDER] + [str(a) for a in arguments], stdin=subprocess.DEVNULL,
                           capture_output=True, timeout=90)
        self.assertEqual(r.returncode, 0, "window_commander %r: %r" % (arguments, r.stdout))

    def browser_address(self, seconds=60):
        """The address the program started the browser with, once."""
        deadline = time.time() + seconds
        while not os.path.exists(self.address_file) and time.time() < deadline:
            time.sleep(0.1)
        self.assertTrue(os.path.exists(self.address_file), "the browser was not started")
        with open(self.address_file, encoding="utf-8") as f:
            address = f.read()
        os.remove(self.address_file)
        return address

    def start_drawing(self, *arguments):
        self.start("-a0", *arguments, "-r")
        address = self.browser_address()
        self.assertEqual(address, "http://localhost:%d/draw.html" % self.port)
        return address

    def send_answered(self, steps):
        presser = road.Presser(LAUNCHER, PRESSER, steps, self.root)
        try:
            alert = self.send()
        finally:
            pressed = presser.pressed()
        self.assertEqual([caption for caption, _ in pressed], [caption for caption, _, _ in steps])
        return alert

    def test_draw_save_cancel_replay_and_continue(self):
        self.start_drawing("-w200", "-h150")
        self.open_painter("http://localhost:%d/draw.html" % self.port)
        self.assertEqual(self.canvas_size(), (200, 150))
        self.draw(*FIRST_STROKES)
        drawn = self.canvas_rgb()
        self.assertSaved(self.send_answered([(SAVE, OK, {})]), self.saved, ["000.png", "000.pch"])
        picture, animation = os.path.join(self.saved, "000.png"), os.path.join(self.saved, "000.pch")
        self.assertDrawing(picture, animation, drawn)

        self.draw(*SECOND_STROKES)
        self.assertEqual(self.send_answered([(SAVE, CANCEL, {})]), FAILED_TEXT)
        self.assertEqual(sorted(os.listdir(self.saved)), ["000.pch", "000.png"])
        self.assertEqual(self.chrome.evaluate("standInPainter.strokes.length"), len(FIRST_STROKES) + 1)

        # Playback of the painter's own animation, through the server; the page
        # runs without a script error where only the painter's files are.
        presser = road.Presser(LAUNCHER, PRESSER, [(PLAYBACK, OK, {PLAYBACK_PATH: road.windows_path(animation)})],
                               self.root)
        self.command("post", CAPTION, IDM_PLAYBACK)
        self.assertEqual([caption for caption, _ in presser.pressed()], [PLAYBACK])
        address = self.browser_address()
        self.assertEqual(address, "http://localhost:%d/anim.html" % self.port)
        # The dialog's size fields are filled only by its browse button and a
        # drop; the typed path leaves them at their start values.
        self.assertReplayed(address, (200, 150), drawn)
        self.exit()

        self.start_drawing(road.windows_path(animation), "-w300", "-h300")
        self.assertContinued("http://localhost:%d/draw.html" % self.port, "draw", (200, 150), drawn)
        self.exit()

        self.start_drawing(road.windows_path(picture))
        self.assertContinued("http://localhost:%d/draw.html" % self.port, "draw", (200, 150), drawn)
        self.exit()

    def test_a_java_animation_is_refused_with_a_message(self):
        java = os.path.join(self.root, "java.pch")
        with open(java, "wb") as f:
            f.write(JAVA_ANIMATION)
        presser = road.Presser(LAUNCHER, PRESSER, [(BOX_CAPTION, OK, {})], self.root)
        self.start("-a0", road.windows_path(java), "-r")
        caption, text = presser.pressed()[0]  # the report's first line: the message's own line break follows
        self.assertEqual(caption, BOX_CAPTION)
        self.assertIn(JAVA_REFUSAL, text)
        self.assertFalse(os.path.exists(os.path.join(self.folder, "draw.html")))
        self.assertFalse(os.path.exists(self.address_file))
        self.exit()


def main():
    """Runs the group of the program given (or the groups named)."""
    global PROGRAM, COMMANDER, PRESSER, STAND_IN, LAUNCHER
    windows = len(sys.argv) >= 6 and sys.argv[1].endswith(".exe")
    given = sys.argv[6:] if windows else sys.argv[2:]
    if not [a for a in given if not a.startswith("-")]:
        given += ["TestWindowsPainter"] if windows else ["TestNativePainter", "TestPostsFromOtherSites"]
    if windows:
        PROGRAM, COMMANDER, PRESSER, STAND_IN, LAUNCHER = (os.path.abspath(a) for a in sys.argv[1:6])
        return road.run_tests_under_wine(LAUNCHER, given)
    road.PROGRAM = os.path.abspath(sys.argv[1])
    return 0 if unittest.main(argv=sys.argv[:1] + given, exit=False).result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
