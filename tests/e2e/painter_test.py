"""Drawing in headless Chromium with a stand-in HTML5 painter of our own
(painter/neo.js): the program writes the page and starts the browser (a
stand-in noting the address), Chromium loads it, the painter draws, posts and
reads the reply. Saved files are checked with the real decoders, continued
drawings by reading the canvas back. Skipped without chromium."""

import base64
import os
import sys
import unittest

import chromium
import road

HERE = os.path.dirname(os.path.abspath(__file__))
SAVED_TEXT = road.SAVED_TEXT.decode("cp932").replace("\r\n", "\n")
FAILED_TEXT = road.FAILED_TEXT.decode("cp932").replace("\r\n", "\n")
# The heart of the refusal of a Java applet's animation (anything that does
# not start with "NEO "), readable only when it reaches the user as Japanese.
JAVA_REFUSAL = "Javaアプレットのアニメーション（PCH・SPCH）を再生できません"

# The pixels of the canvas's top left corner of width x height, red, green
# and blue, rows top first.
CANVAS_RGB = """(function (width, height) {
  var d = standInPainter.canvas.getContext("2d").getImageData(0, 0, width, height).data, s = "";
  for (var i = 0; i < d.length; i += 4) s += String.fromCharCode(d[i], d[i + 1], d[i + 2]);
  return btoa(s);
})(%d, %d)"""

FIRST_STROKES = [(200, 30, 10, 5, 5, 40, 20), (10, 60, 220, 50, 30, 60, 70), (0, 0, 0, 199, 149, 1, 1)]
SECOND_STROKE = (30, 170, 40, 120, 10, 30, 130)


def painter_files():
    # The palette's script is loaded in the page's head and started in its
    # body (without it the call would be a script error).
    files = {"paletteHLS.js": b"function PaletteInit() {}\n"}
    for name in ("neo.js", "neo.css"):
        with open(os.path.join(HERE, "painter", name), "rb") as f:
            files[name] = f.read()
    return files


@unittest.skipIf(chromium.EXECUTABLE is None, "chromium is not installed (Debian package chromium)")
class TestPainter(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.chrome = chromium.Chromium()
        cls.addClassCleanup(cls.chrome.close)

    def start_drawing(self, p, *arguments):
        """The program started with PaintBBS and -r; the address the browser got."""
        p.start("-a0", *arguments, "-r")
        address = p.browser_address()
        self.assertEqual(address, "http://localhost:%d/draw.html" % p.port, p.error_text())
        return address

    def open_painter(self, address, mode="draw"):
        """Loads the page and waits for the painter; fails on a script error."""
        del self.chrome.errors[:]
        self.chrome.open(address)
        self.chrome.wait_for("window.standInPainter && (standInPainter.ready || standInPainter.failure !== '')")
        self.assertEqual(self.chrome.errors, [])
        self.assertEqual(self.chrome.evaluate("[standInPainter.failure, standInPainter.mode]"), ["", mode])

    def canvas_size(self):
        return tuple(self.chrome.evaluate("[standInPainter.canvas.width, standInPainter.canvas.height]"))

    def canvas_rgb(self, size=None):
        """The canvas's pixels, or those of its top left corner of size."""
        return base64.b64decode(self.chrome.evaluate(CANVAS_RGB % (size or self.canvas_size())))

    def draw(self, *strokes):
        for s in strokes:
            self.chrome.evaluate("standInPainter.stroke(%s), 0" % ", ".join(str(v) for v in s))

    def send(self, p, steps):
        """Posts the drawing; the alert it showed (it stays on the page with one)."""
        with road.answered(steps, p.root) as pressed:
            self.assertEqual(self.chrome.evaluate("standInPainter.send()"), "alerted", self.chrome.alerts)
        if road.windows():
            self.assertEqual([caption for caption, _ in pressed], [caption for caption, _, _ in steps])
        return self.chrome.alerts.pop()

    def assertSaved(self, alert, p, names):
        """The alert names the files, each with its size, then the completion
        text; a sound PNG with the canvas's pixels and the painter's animation."""
        self.assertEqual(alert, "".join(road.expected_line(p.saved, n) + "\n" for n in names) + SAVED_TEXT)
        picture, animation = (os.path.join(p.saved, n) for n in names)
        self.assertIn("No errors detected", road.pngcheck(picture))
        self.assertEqual(road.rgb_of(picture), self.canvas_rgb())
        with open(animation, "rb") as f:
            self.assertEqual(list(f.read()), self.chrome.evaluate("Array.from(standInPainter.animation())"))

    def assertContinued(self, address, size, rgb, mode="draw"):
        self.open_painter(address, mode)
        params = self.chrome.evaluate("standInPainter.params")
        # A replay's canvas is as large as its page says.
        self.assertEqual(self.canvas_size(), (int(params["image_width"]), int(params["image_height"])))
        if mode == "draw":
            self.assertEqual(self.canvas_size(), size)
        self.assertEqual(self.canvas_rgb(size), rgb)
        return params

    def native_page(self, setting, *arguments):
        """The native program's draw.html for the same settings, files and command line."""
        native = os.environ.get("SKETCHHAVEN_NATIVE_PROGRAM", "")
        self.assertTrue(os.path.exists(native), "the native program is not built: %r" % native)
        other = road.Program(browser=True, files=painter_files(), program=native, native=True, **dict(setting, Port=None))
        self.addCleanup(other.stop)
        other.start(*arguments)
        self.assertIsNotNone(other.browser_address(), "the native program started no browser")
        return other.read("draw.html")  # written whole before the browser starts

    def test_draw_save_replay_continue_and_a_failed_save(self):
        p = road.program(self, browser=True, files=painter_files(), start=False, Palette=3)
        address = self.start_drawing(p, "-w200", "-h150")
        if road.windows():
            # The Windows program's pages carry the texts of its own resources.
            setting = road.read_ini(p.path("set.ini"))["Setting"]
            self.assertEqual(p.read("draw.html"), self.native_page(setting, "-a0", "-w200", "-h150", "-r"))
        self.open_painter(address)
        self.assertEqual(self.canvas_size(), (200, 150))
        self.assertEqual(self.chrome.evaluate("getComputedStyle(standInPainter.canvas).borderTopStyle"), "solid",
                         "neo.css was not applied")
        self.draw(*FIRST_STROKES)
        first = self.canvas_rgb()
        self.assertSaved(self.send(p, [(road.SAVE, road.OK, {})]), p, ["000.png", "000.pch"])
        # Back in its folder after the save, the program serves it again.
        p.put("probe.txt", b"probe")
        self.assertEqual(p.get("/probe.txt")[::2], (200, b"probe"))
        self.draw(SECOND_STROKE)
        second = self.canvas_rgb()
        # Natively a taken name gets the next number; in the dialog it is typed.
        self.assertSaved(self.send(p, [(road.SAVE, road.OK, {road.SAVE_FILE_BOX: "001"})]), p, ["001.png", "001.pch"])
        self.assertEqual(road.rgb_of(os.path.join(p.saved, "000.png")), first)
        if road.windows():
            self.play_back(p, os.path.join(p.saved, "000.pch"), first)
        p.exit()
        self.assertEqual(road.read_ini(p.path("set.ini"))["Setting"]["SaveFile"], "001")

        # The animation's own size wins over the size fields. Nothing chosen
        # to save (natively) or the dialog cancelled: the failure is shown
        # and the painter stays with its drawing.
        if not road.windows():
            setting = road.read_ini(p.path("set.ini"))
            setting["Setting"]["OptionFlag"] = 1
            road.write_ini(p.path("set.ini"), setting)
        address = self.start_drawing(p, p.host_path(os.path.join(p.saved, "000.pch")), "-w300", "-h300")
        self.assertEqual(self.assertContinued(address, (200, 150), first)["pch_file"], "_load.pch")
        self.draw(SECOND_STROKE)
        self.assertEqual(self.send(p, [(road.SAVE, road.CANCEL, {})]), FAILED_TEXT)
        self.assertEqual(len(os.listdir(p.saved)), 4)
        self.assertEqual(self.chrome.evaluate("standInPainter.strokes.length"), len(FIRST_STROKES) + 1)
        self.assertEqual(self.chrome.errors, [])
        p.exit()

        # A picture named relative to the folder the program is started in.
        picture = os.path.join(p.saved, "001.png")
        address = self.start_drawing(p, p.host_path(picture) if road.windows() else os.path.relpath(picture, p.root))
        self.assertEqual(self.assertContinued(address, (200, 150), second)["image_canvas"], "_load.dat")

    def play_back(self, p, animation, rgb):
        """The playback command of the Windows program: its page, served
        over HTTP, replays the animation where only the painter's files are."""
        steps = [(road.PLAYBACK, road.OK, {road.PLAYBACK_PATH: road.windows_path(animation)})]
        with road.answered(steps, p.root) as pressed:
            road.command("post", road.CAPTION, road.PLAYBACK_COMMAND)
        self.assertEqual(len(pressed), 1)
        address = p.browser_address()
        self.assertEqual(address, "http://localhost:%d/anim.html" % p.port)
        with open(os.path.join(HERE, "..", "..", "resources", "anim_head.html"), encoding="utf-8") as f:
            # The painter replays by itself: the Java viewer's script is left out.
            head = f.read().replace('<script type="text/javascript" src="animex.js"></script>\n', "")
        status, _, page = p.get("/anim.html")
        self.assertTrue(page.startswith(head.replace("\n", "\r\n").encode("cp932")), page[:300])
        self.assertIn(b'<script type="text/javascript" src="neo.js" charset="UTF-8"></script>', page)
        with open(animation, "rb") as f:
            self.assertEqual(p.get("/_load.pch")[::2], (200, f.read()))
        # The dialog's size fields are filled only by its browse button and a
        # drop; the typed path leaves them at their start values.
        self.assertContinued(address, (200, 150), rgb, "replay")

    def test_a_java_animation_is_refused_before_the_page_is_written(self):
        p = road.program(self, browser=True, files=painter_files(), start=False)
        with open(os.path.join(p.root, "java.pch"), "wb") as f:
            f.write(bytes(range(256)) * 4)
        # Named relative to the folder the program is started in.
        p.start("-a0", p.host_path(f.name) if road.windows() else "java.pch", "-r", wait=False)
        self.assertIn(JAVA_REFUSAL, p.wait_for_message(JAVA_REFUSAL))
        self.assertFalse(os.path.exists(p.path("draw.html")))
        self.assertIsNone(p.browser_address(0.5))


if __name__ == "__main__":
    sys.exit(road.main())
