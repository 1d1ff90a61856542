"""The built-in painter in headless Chromium, in a program folder without any
outside painter: the program writes the page, Chromium loads it and the
painter's script from the program, real pointer and key input draws with each
tool, the drawing is saved (checked with the real decoders), kept over a
restart of the program, continued from the saved picture and record, and the
record replayed; the timelapse saved with it is read by gifsicle, ImageMagick
and Chromium's own decoder. Skipped without chromium."""

import base64
import os
import re
import sys
import unittest

import chromium
import road

SAVED_TEXT = road.SAVED_TEXT.decode("cp932").replace("\r\n", "\n")
FAILED_TEXT = road.FAILED_TEXT.decode("cp932").replace("\r\n", "\n")
WIDTH, HEIGHT = 200, 150
FRAMES, LAPSE_SIDE = 12, 100  # the timelapse asked for in set.ini: 100 x 75
LAPSE = ["000_timelapse.gif", "000_timelapse.png"]

# The frame count of an animated PNG and its last frame as red, green and blue, by Chromium's decoder.
APNG_FRAMES = """(async function (data) {
  var bytes = Uint8Array.from(atob(data), function (c) { return c.charCodeAt(0); });
  var decoder = new ImageDecoder({data: bytes, type: "image/png"});
  await decoder.tracks.ready;
  var count = decoder.tracks.selectedTrack.frameCount;
  var frame = (await decoder.decode({frameIndex: count - 1})).image;
  var canvas = new OffscreenCanvas(frame.displayWidth, frame.displayHeight), g = canvas.getContext("2d");
  g.drawImage(frame, 0, 0);
  var d = g.getImageData(0, 0, canvas.width, canvas.height).data, s = "";
  for (var i = 0; i < d.length; i += 4) s += String.fromCharCode(d[i], d[i + 1], d[i + 2]);
  return [count, btoa(s)];
})(%r)"""

# The merged picture (or the player's) as red, green and blue, rows top first.
MERGED_RGB = """(function (drawing) {
  var d = drawing.merged().data, s = "";
  for (var i = 0; i < d.length; i += 4) s += String.fromCharCode(d[i], d[i + 1], d[i + 2]);
  return btoa(s);
})(%s)"""

# Whether the browser keeps a record of the drawing on the page (the save cleared the one before).
KEPT_WHOLE = """(async function () {
  var kept = await new Promise(function (done) {
    var open = indexedDB.open("sketchhaven");
    open.onerror = function () { done(-1); };
    open.onsuccess = function () {
      var get = open.result.transaction("drawings").objectStore("drawings").get("current");
      get.onsuccess = function () { done(get.result ? get.result.byteLength : 0); };
      get.onerror = function () { done(-1); };
    };
  });
  return kept > 0;
})()"""

RED, BLUE, GREEN, BLACK, WHITE = (0xe6, 0x00, 0x12), (0x00, 0xa0, 0xe9), (0x8f, 0xc3, 0x1f), (0, 0, 0), (255, 255, 255)


def pixel(rgb, x, y):
    at = 3 * (y * WIDTH + x)
    return tuple(rgb[at:at + 3])


@unittest.skipIf(chromium.EXECUTABLE is None, "chromium is not installed (Debian package chromium)")
class TestBuiltInPainter(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.chrome = chromium.Chromium()
        cls.addClassCleanup(cls.chrome.close)
        cls.chrome.view(1280, 720)

    # ---- the page and its input ------------------------------------------------

    def start(self, p, *arguments):
        p.start("-a0", *arguments, "-r")
        address = p.browser_address()
        self.assertEqual(address, "http://localhost:%d/draw.html" % p.port, p.error_text())
        return address

    def open(self, address, hook="sketchhavenPainter"):
        del self.chrome.errors[:]
        self.chrome.open(address)
        self.chrome.wait_for("window.%s && (%s.ready || %s.failure !== '')" % (hook, hook, hook))
        self.assertEqual(self.chrome.evaluate("%s.failure" % hook), "")
        self.assertEqual(self.chrome.errors, [])

    def merged(self, hook="sketchhavenPainter"):
        return base64.b64decode(self.chrome.evaluate(MERGED_RGB % (hook + ".drawing")))

    def click(self, selector):
        self.chrome.evaluate("document.querySelector(%r).click()" % selector)

    def tool(self, title):
        self.click('button.skh-tool[title^="%s"]' % title)

    def colour(self, rgb):
        self.click('button.skh-swatch[title="#%02x%02x%02x"]' % rgb)

    def on_screen(self, x, y):
        """Where canvas pixel x, y shows in the page."""
        rect = self.chrome.evaluate("(function (r) { return [r.left, r.top, r.width, r.height]; })"
                                    "(document.querySelector('.skh-canvas').getBoundingClientRect())")
        return rect[0] + (x + 0.5) * rect[2] / WIDTH, rect[1] + (y + 0.5) * rect[3] / HEIGHT

    def drag(self, *points, pointer="mouse", pressure=0.5):
        # In steps of a few pixels, as a hand moves.
        path = [points[0]]
        for (x0, y0), (x1, y1) in zip(points, points[1:]):
            steps = max(1, int(max(abs(x1 - x0), abs(y1 - y0)) / 4))
            path += [(x0 + (x1 - x0) * k / steps, y0 + (y1 - y0) * k / steps) for k in range(1, steps + 1)]
        self.chrome.drag([self.on_screen(x, y) for x, y in path], pointer, pressure)

    def send(self, p, steps):
        """Presses 送信; the text it shows, and whether it says saved."""
        alerts = len(self.chrome.alerts)

        def answer_shown():
            self.chrome.evaluate("0")  # takes in the browser's messages, the alert among them
            return len(self.chrome.alerts) > alerts

        with road.answered(steps, p.root):
            self.click("button.skh-send")
            road.wait_until(answer_shown, 120)
        self.assertEqual(len(self.chrome.alerts), alerts + 1, "no answer shown")
        self.chrome.wait_for("document.querySelector('.skh-cover').hidden")  # ready to draw on
        text = self.chrome.alerts[-1]
        messages = self.chrome.evaluate("sketchhavenPainter.messages")
        self.assertIn(text, messages, "the answer is shown on the page too")
        return text

    # ---- the tools -----------------------------------------------------------------

    def draw_with_every_tool(self):
        """Strokes and shapes with each tool, each checked where it must show;
        the merged picture after them."""
        before = self.merged()
        self.assertEqual(set(before), {255}, "a new drawing is white")
        self.colour(RED)
        self.chrome.key("b", "KeyB", text="b")
        self.drag((20, 30), (120, 30), pointer="pen", pressure=1.0)
        after = self.merged()
        self.assertEqual(pixel(after, 70, 30), RED)
        self.assertEqual(pixel(after, 70, 60), WHITE)

        self.chrome.key("e", "KeyE", text="e")
        self.drag((70, 10), (70, 50))
        rgb = self.merged()
        self.assertEqual((pixel(rgb, 70, 30), pixel(rgb, 30, 30)), (WHITE, RED))

        self.colour(BLUE)
        self.tool("Rectangle")
        self.drag((130, 60), (190, 140))
        rgb = self.merged()
        self.assertEqual((pixel(rgb, 130, 100), pixel(rgb, 160, 100)), (BLUE, WHITE))
        self.colour(GREEN)
        self.chrome.key("g", "KeyG", text="g")
        self.drag((160, 100), (160, 100))
        rgb = self.merged()
        self.assertEqual((pixel(rgb, 160, 100), pixel(rgb, 140, 70), pixel(rgb, 130, 100)), (GREEN, GREEN, BLUE))

        self.colour(BLACK)
        self.tool("Line")
        self.drag((10, 140), (100, 140))
        self.tool("Ellipse")
        self.drag((20, 70), (80, 120))
        rgb = self.merged()
        self.assertEqual((pixel(rgb, 55, 140), pixel(rgb, 50, 95)), (BLACK, WHITE))
        self.assertLess(max(pixel(rgb, 20, 95)), 32, "the ellipse's left edge, smoothed")

        self.tool("Soft brush")
        self.drag((30, 90), (70, 90))
        brushed = self.merged()
        self.assertNotEqual(pixel(brushed, 50, 90), WHITE)

        # The eyedropper takes the red of the pen; the next stroke is red.
        self.chrome.key("i", "KeyI", text="i")
        self.drag((30, 30), (30, 30))
        self.chrome.key("b", "KeyB", text="b")
        self.drag((100, 5), (110, 5))
        rgb = self.merged()
        self.assertEqual(pixel(rgb, 105, 5), RED)

        self.tool("Move")
        self.drag((100, 100), (110, 100))
        moved = self.merged()
        self.assertEqual((pixel(moved, 40, 30), pixel(moved, 20, 30)), (RED, WHITE))
        return moved

    def undo_and_redo(self, expected_before):
        after = self.merged()
        self.chrome.key("z", "KeyZ", modifiers=2)
        self.assertEqual(self.merged(), expected_before)
        self.chrome.key("y", "KeyY", modifiers=2)
        self.assertEqual(self.merged(), after)

    # ---- the drawing's road ------------------------------------------------------

    def assertSaved(self, text, p, names, rgb):
        self.assertEqual(text, "".join(road.expected_line(p.saved, n) + "\n" for n in names) + SAVED_TEXT)
        picture, record = (os.path.join(p.saved, n) for n in names[:2])
        self.assertIn("No errors detected", road.pngcheck(picture))
        self.assertEqual(road.rgb_of(picture), rgb)
        with open(record, "rb") as f:
            self.assertEqual(list(f.read()),
                             self.chrome.evaluate("sketchhavenPainter.drawing.recordBytes().then(Array.from)"))

    def assertNear(self, rgb, expected, what):
        self.assertEqual(len(rgb), len(expected), what)
        error = sum(abs(a - b) for a, b in zip(rgb, expected)) / len(rgb)
        self.assertLess(error, 3, what)

    def assertTimelapse(self, p, picture):
        """Every frame decodes; the count and delays are those asked; the last
        frame is the saved picture scaled (by ImageMagick's Lanczos here)."""
        gif, png = (os.path.join(p.saved, n) for n in LAPSE)
        info = road.run("gifsicle", "--info", gif).decode()
        self.assertIn("%d images" % FRAMES, info)
        self.assertIn("loop forever", info)
        self.assertEqual(re.findall(r"delay ([\d.]+)s", info), ["0.10"] * (FRAMES - 1) + ["2.00"])
        self.assertEqual(road.identify(gif, "%w %h\n").split("\n")[0], "%d 75" % LAPSE_SIDE)
        scaled = road.run(road.CONVERT, picture, "-filter", "Lanczos", "-resize", "%dx75!" % LAPSE_SIDE,
                          "-depth", "8", "rgb:-")
        frames = road.run(road.CONVERT, gif, "-coalesce", "-depth", "8", "rgb:-")
        size = len(scaled)
        self.assertEqual(len(frames), FRAMES * size)
        self.assertNear(frames[-size:], scaled, "the GIF's last frame")
        self.assertNotEqual(frames[:size], frames[-size:], "the drawing grows")
        with open(png, "rb") as f:
            count, last = self.chrome.evaluate(APNG_FRAMES % base64.b64encode(f.read()).decode())
        self.assertEqual(count, FRAMES)
        self.assertNear(base64.b64decode(last), scaled, "the APNG's last frame")

    def test_draw_save_keep_continue_and_replay(self):
        p = road.program(self, browser=True, start=False, Timelapse=3, TimelapseFrames=FRAMES,
                         TimelapseSize=LAPSE_SIDE)
        address = self.start(p, "-w%d" % WIDTH, "-h%d" % HEIGHT)
        page = p.read("draw.html")
        self.assertIn(b'src="_sketchhaven/painter.js"', page)
        self.open(address)
        drawn = self.draw_with_every_tool()
        self.chrome.key("b", "KeyB", text="b")
        self.drag((150, 10), (190, 20))
        self.undo_and_redo(drawn)
        first = self.merged()
        self.assertSaved(self.send(p, [(road.SAVE, road.OK, {})]), p, ["000.png", "000.pch"] + LAPSE, first)
        self.assertTimelapse(p, os.path.join(p.saved, "000.png"))

        # Drawn on after the save; the program ends, the page is opened anew
        # and offers the drawing kept in the browser.
        self.colour(BLUE)
        self.drag((10, 10), (10, 60))
        kept = self.merged()
        self.assertNotEqual(kept, first)
        self.chrome.wait_for(KEPT_WHOLE)
        p.exit()
        if not road.windows():  # natively nothing to save: the save fails
            setting = road.read_ini(p.path("set.ini"))
            setting["Setting"]["OptionFlag"] = 1
            road.write_ini(p.path("set.ini"), setting)
        self.start(p)
        self.open(address)
        self.chrome.wait_for("[...document.querySelectorAll('button')].some(b => b.textContent === '前回の続きから描く')")
        self.chrome.evaluate("[...document.querySelectorAll('button')].find(b => b.textContent === '前回の続きから描く')"
                             ".click()")
        self.chrome.wait_for("sketchhavenPainter.ready && sketchhavenPainter.drawing.width === %d" % WIDTH)
        self.assertEqual(self.merged(), kept)
        # A failed save (cancelled in the dialog) keeps the drawing on the page.
        self.assertEqual(self.send(p, [(road.SAVE, road.CANCEL, {})]), FAILED_TEXT)
        self.assertEqual(self.merged(), kept)
        self.assertEqual(sorted(os.listdir(p.saved)), ["000.pch", "000.png"] + LAPSE)
        p.exit()

        # Continued from the saved record: every layer and the history.
        self.start(p, p.host_path(os.path.join(p.saved, "000.pch")))
        self.assertIn(b'<param name="pch_file" value="_load.dat">', p.read("draw.html"))
        self.open(address)
        self.chrome.wait_for("document.querySelector('.skh-cover').hidden || "
                             "[...document.querySelectorAll('button')].some(b => b.textContent === '新しく描く')")
        self.chrome.evaluate("(b => b && b.click())([...document.querySelectorAll('button')]"
                             ".find(b => b.textContent === '新しく描く'))")
        self.chrome.wait_for("sketchhavenPainter.ready && sketchhavenPainter.drawing.actionCount > 0")
        self.assertEqual(self.merged(), first)
        self.chrome.key("z", "KeyZ", modifiers=2)
        self.assertNotEqual(self.merged(), first, "the history came with the record")
        p.exit()

        # Continued from the saved picture: it is the first layer.
        self.start(p, p.host_path(os.path.join(p.saved, "000.png")))
        self.open(address)
        self.chrome.evaluate("(b => b && b.click())([...document.querySelectorAll('button')]"
                             ".find(b => b.textContent === '新しく描く'))")
        self.chrome.wait_for("sketchhavenPainter.ready && sketchhavenPainter.drawing.actionCount > 0")
        self.assertEqual(self.merged(), first)
        p.exit()

        # The record replayed to its end is the saved picture.
        self.play(p, os.path.join(p.saved, "000.pch"))
        self.assertEqual(self.merged("sketchhavenPlayer"), first)

    def test_the_painter_fits_the_window(self):
        """A canvas that fits beside the panels opens at 100 %; a larger one
        keeps the painter, its send button included, inside the window."""
        p = road.program(self, browser=True, start=False)
        for width, height, whole in ((640, 480, True), (2000, 2000, False)):
            self.open(self.start(p, "-w%d" % width, "-h%d" % height))
            shown = self.chrome.evaluate(
                "(r => [r.right <= innerWidth && r.bottom <= innerHeight, document.querySelector('.skh-zoom')"
                ".textContent === '100%'])(document.querySelector('.skh').getBoundingClientRect())")
            self.assertEqual(shown, [True, whole], (width, height))
            p.exit()

    def test_one_finger_draws_and_two_zoom_and_pan(self):
        p = road.program(self, browser=True, start=False)
        self.open(self.start(p, "-w%d" % WIDTH, "-h%d" % HEIGHT))
        self.chrome.touch([[self.on_screen(x, 75) for x in range(20, 181, 6)]])
        self.chrome.wait_for("sketchhavenPainter.drawing.actionCount === 1")
        drawn = self.merged()
        self.assertNotEqual(pixel(drawn, 100, 75), WHITE)
        x, y = self.on_screen(120, 40)
        apart = lambda side: [(x + side * (15 + 5 * k), y + 2 * k) for k in range(12)]
        self.chrome.touch([apart(-1), apart(1)])  # spread and moved 22 px down
        zoom = self.chrome.evaluate("parseInt(document.querySelector('.skh-zoom').textContent)")
        self.assertGreater(zoom, 250)
        moved = self.on_screen(120, 40)
        self.assertLess(max(abs(moved[0] - x), abs(moved[1] - y - 22)), 3, "the point under the fingers follows them")
        self.assertEqual((self.chrome.evaluate("sketchhavenPainter.drawing.actionCount"), self.merged()), (1, drawn))
        p.exit()

    def play(self, p, record):
        if road.windows():
            p.start()
            steps = [(road.PLAYBACK, road.OK, {road.PLAYBACK_PATH: road.windows_path(record)})]
            with road.answered(steps, p.root):
                road.command("post", road.CAPTION, road.PLAYBACK_COMMAND)
        else:
            p.start("-v", record)
        address = p.browser_address()
        self.assertEqual(address, "http://localhost:%d/anim.html" % p.port)
        self.open(address, "sketchhavenPlayer")
        self.chrome.evaluate("[...document.querySelectorAll('button')].find(b => b.textContent === '最後まで').click()")
        self.chrome.wait_for("sketchhavenPlayer.done")


if __name__ == "__main__":
    sys.exit(road.main())
