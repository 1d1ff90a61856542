"""The gallery of saved drawings in headless Chromium, through the program
users run: a drawing saved through the built-in painter (picture, thumbnail
and record) and pictures put into the save folder are listed newest first,
with thumbnails, names, sizes and times, and paged at 100; 続きから描く opens
the painter with the drawing, 再生 replays its record to the end. Pages of
other sites get nothing from it, and no name outside the listing is found.
Skipped without chromium."""

import base64
import datetime
import http.server
import os
import re
import shutil
import sys
import threading
import unittest
import urllib.parse

import chromium
import road

WIDTH, HEIGHT = 120, 90
NAME = "絵 テスト"  # a blank, and Shift_JIS
GALLERY_COMMAND = 40011
ADDRESSES = ["/_sketchhaven/gallery/" + a for a in ("thumb", "picture", "timelapse", "continue", "play")]

# The merged picture (or the player's) as red, green and blue, rows top first.
MERGED_RGB = """(function (drawing) {
  var d = drawing.merged().data, s = "";
  for (var i = 0; i < d.length; i += 4) s += String.fromCharCode(d[i], d[i + 1], d[i + 2]);
  return btoa(s);
})(%s.drawing)"""

LISTING = """[...document.querySelectorAll('li.picture')].map(li => ({
  name: li.dataset.name, bytes: Number(li.dataset.bytes), time: li.querySelector('time').dateTime,
  facts: li.querySelector('.facts').textContent, play: !!li.querySelector('a.play'),
  picture: li.querySelector('a.thumb').getAttribute('href'),
  timelapse: (a => a && a.getAttribute('href'))(li.querySelector('a.timelapse')),
  thumbnail: [li.querySelector('img').naturalWidth, li.querySelector('img').naturalHeight]}))"""


def query(name):
    return "?f=" + urllib.parse.quote(name.encode("cp932"), safe="")


def utc_text(path):
    moment = datetime.datetime.fromtimestamp(int(os.path.getmtime(path)), datetime.timezone.utc)
    return moment.strftime("%Y-%m-%dT%H:%M:%SZ")


class ForeignSite:
    """A page of another site on this machine, which shows the gallery's
    thumbnail, presses its buttons through images and fetches its page."""

    def __init__(self, port, name):
        own = "http://localhost:%d" % port
        page = ("<!DOCTYPE html><body>" + "".join('<img src="%s%s%s">' % (own, a, query(name)) for a in ADDRESSES) +
                "<script>window.fetched = fetch('%s/gallery.html').then(r => r.status, e => 'failed');</script>"
                % own).encode()

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                self.send_response(200)
                self.send_header("Content-Type", "text/html")
                self.end_headers()
                self.wfile.write(page)

            def log_message(self, *arguments):
                pass

        self.server = http.server.HTTPServer(("127.0.0.1", road.free_port()), Handler)
        self.address = "http://127.0.0.1:%d/" % self.server.server_port
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def close(self):
        self.server.shutdown()
        self.server.server_close()


@unittest.skipIf(chromium.EXECUTABLE is None, "chromium is not installed (Debian package chromium)")
class TestGallery(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.chrome = chromium.Chromium()
        cls.addClassCleanup(cls.chrome.close)
        cls.chrome.view(1280, 720)

    # ---- the browser ---------------------------------------------------------------

    def open(self, address, hook=None):
        del self.chrome.errors[:]
        self.chrome.open(address)
        if hook:
            self.ready(hook)

    def follow(self, selector, path, hook):
        """Clicks the link and waits for the page it leads to, and its painter or player."""
        self.chrome.evaluate("window.leftByDriver = true")
        self.chrome.evaluate("document.querySelector(%r).click()" % selector)
        self.chrome.wait_for("!window.leftByDriver && document.readyState === 'complete' && "
                             "location.pathname === %r" % path)
        self.ready(hook)

    def ready(self, hook):
        self.chrome.wait_for("window.%s && (%s.ready || %s.failure !== '')" % (hook, hook, hook))
        self.assertEqual(self.chrome.evaluate("%s.failure" % hook), "")

    def merged(self, hook):
        return base64.b64decode(self.chrome.evaluate(MERGED_RGB % hook))

    def button(self, text):
        return "[...document.querySelectorAll('button')].find(b => b.textContent === %r)" % text

    def start_anew(self):
        """Passes over the offer of a drawing the browser kept, once the page has shown it or begun."""
        self.chrome.wait_for("document.querySelector('.skh-cover').hidden || !!%s" % self.button("新しく描く"))
        self.chrome.evaluate("(b => b && b.click())(%s)" % self.button("新しく描く"))

    # ---- the drawing saved ---------------------------------------------------------

    def save_a_drawing(self, p):
        """A stroke of the built-in painter sent and saved: 000.png, s_000.png, 000.pch, 000_timelapse.gif."""
        p.start("-a0", "-w%d" % WIDTH, "-h%d" % HEIGHT, "-r")
        self.open(p.browser_address(), "sketchhavenPainter")
        rect = self.chrome.evaluate("(r => [r.left, r.top, r.width, r.height])"
                                    "(document.querySelector('.skh-canvas').getBoundingClientRect())")
        self.chrome.drag([(rect[0] + rect[2] * k / 10, rect[1] + rect[3] * (2 + k % 3) / 6) for k in range(1, 10)])
        alerts = len(self.chrome.alerts)
        with road.answered([(road.SAVE, road.OK, {})], p.root):
            self.chrome.evaluate("document.querySelector('button.skh-send').click()")
            road.wait_until(lambda: self.chrome.evaluate("0") == 0 and len(self.chrome.alerts) > alerts, 120)
        for name in ("000.png", "s_000.png", "000.pch", "000_timelapse.gif"):
            self.assertTrue(os.path.exists(os.path.join(p.saved, name)), (name, self.chrome.alerts))

    def fill_the_folder(self, p):
        """The saved drawing also under NAME, pictures put beside it and files
        that are no pictures of the gallery, each picture a minute older than
        the one before. The pictures' names, newest first."""
        saved = lambda name: os.path.join(p.saved, name)
        for ending in (".png", ".pch", "_timelapse.gif"):
            shutil.copyfile(saved("000" + ending), saved(NAME + ending))
        shutil.copyfile(saved("s_000.png"), saved("s_" + NAME + ".png"))
        drawn = road.drawn_picture(61, 43)
        road.run(road.CONVERT, "png:-", saved("ソース 画.gif"), data=drawn)
        road.run(road.CONVERT, "-size", "400x300", "gradient:red-blue", saved("plain.JPG"))
        road.run(road.CONVERT, "png:-", "BMP3:" + saved("old.bmp"), data=drawn)
        for other in ("s_orphan.png", ".hidden.png"):
            shutil.copyfile(saved("000.png"), saved(other))
        with open(saved("notes.txt"), "w") as f:
            f.write("not a picture")
        os.mkdir(saved("folder.png"))
        names = [NAME + ".png", "000.png", "ソース 画.gif", "plain.JPG", "old.bmp"]
        now = int(os.path.getmtime(saved("000.png")))
        for age, name in enumerate(names):
            os.utime(saved(name), (now - 60 * age, now - 60 * age))
        return names

    # ---- the test --------------------------------------------------------------------

    def test_the_gallery_lists_continues_and_replays_for_its_own_pages_only(self):
        # Picture, thumbnail, record and the GIF timelapse.
        p = road.program(self, browser=True, start=False, OptionFlag=30, Timelapse=1)
        gallery = "http://localhost:%d/gallery.html" % p.port
        p.start("--gallery")
        self.assertEqual(p.browser_address(), gallery, p.error_text())
        if road.windows():
            road.command("post", road.CAPTION, GALLERY_COMMAND)
            self.assertEqual(p.browser_address(), gallery)
        p.exit()
        self.save_a_drawing(p)
        names = self.fill_the_folder(p)
        self.listing(p, gallery, names)
        self.continuing(p, gallery)
        self.replaying(p, gallery)
        self.foreign_pages(p)
        self.names_outside_the_listing(p)
        self.paging(p, names)

    def listing(self, p, gallery, names):
        self.open(gallery)
        self.assertEqual(self.chrome.evaluate("document.characterSet"), "Shift_JIS")
        self.chrome.wait_for("[...document.images].every(i => i.complete)")
        shown = self.chrome.evaluate(LISTING)
        self.assertEqual([s["name"] for s in shown], names)
        for entry in shown:
            path = os.path.join(p.saved, entry["name"])
            self.assertEqual((entry["bytes"], entry["time"]), (os.path.getsize(path), utc_text(path)), entry)
            self.assertIn("%.1f KB" % (os.path.getsize(path) / 1024), entry["facts"])
            self.assertGreater(min(entry["thumbnail"]), 0, entry)
        by_name = {s["name"]: s for s in shown}
        self.assertEqual([n for n in names if by_name[n]["play"]], [NAME + ".png", "000.png"])
        self.assertEqual([n for n in names if by_name[n]["timelapse"]], [NAME + ".png", "000.png"])
        # The thumbnail leads to the picture's file, the timelapse link to its timelapse's.
        for name, kind in (("ソース 画.gif", "image/gif"), ("plain.JPG", "image/jpeg"), ("old.bmp", "image/bmp")):
            self.assertEqual(p.get(by_name[name]["picture"]), (200, kind, self.bytes_of(p, name)))
        self.assertEqual(p.get(by_name[NAME + ".png"]["timelapse"]),
                         (200, "image/gif", self.bytes_of(p, NAME + "_timelapse.gif")))
        self.assertEqual(p.get(ADDRESSES[2] + query("plain.JPG"))[0], 404, "no timelapse saved")
        self.assertIn("400 × 300", by_name["plain.JPG"]["facts"])
        self.assertEqual(by_name["plain.JPG"]["thumbnail"], [160, 120], "made from the picture")
        # The thumbnail saved beside the drawing is served as it is.
        status, kind, body = p.get(ADDRESSES[0] + query(NAME + ".png"))
        self.assertEqual((status, kind), (200, "image/png"))
        with open(os.path.join(p.saved, "s_" + NAME + ".png"), "rb") as f:
            self.assertEqual(body, f.read())
        self.assertEqual(self.chrome.errors, [])

    def bytes_of(self, p, name):
        with open(os.path.join(p.saved, name), "rb") as f:
            return f.read()

    def continuing(self, p, gallery):
        picture = road.rgb_of(os.path.join(p.saved, NAME + ".png"))
        self.open(gallery)
        self.follow('li[data-name="%s.png"] a.continue' % NAME, "/draw.html", "sketchhavenPainter")
        self.assertIn(b'<param name="pch_file" value="_load.dat">', p.read("draw.html"))
        self.start_anew()
        self.chrome.wait_for("sketchhavenPainter.ready && sketchhavenPainter.drawing.actionCount > 0")
        self.assertEqual(self.merged("sketchhavenPainter"), picture, "the record continued")
        self.chrome.key("z", "KeyZ", modifiers=2)
        self.assertNotEqual(self.merged("sketchhavenPainter"), picture, "with its history")

        # A picture without a record is continued from the picture.
        self.open(gallery)
        self.follow('li[data-name="ソース 画.gif"] a.continue', "/draw.html", "sketchhavenPainter")
        self.assertIn(b'<param name="image_canvas" value="_load.dat">', p.read("draw.html"))
        self.start_anew()
        self.chrome.wait_for("sketchhavenPainter.ready && sketchhavenPainter.drawing.width === 61 && "
                             "sketchhavenPainter.drawing.actionCount > 0")
        self.assertEqual(self.merged("sketchhavenPainter"), road.rgb_of(os.path.join(p.saved, "ソース 画.gif")))

    def replaying(self, p, gallery):
        self.open(gallery)
        self.follow('li[data-name="%s.png"] a.play' % NAME, "/anim.html", "sketchhavenPlayer")
        self.chrome.evaluate("%s.click()" % self.button("最後まで"))
        self.chrome.wait_for("sketchhavenPlayer.done")
        self.assertEqual(self.merged("sketchhavenPlayer"), road.rgb_of(os.path.join(p.saved, NAME + ".png")))

    def foreign_pages(self, p):
        """Every address refuses what another site's page sends, before it
        writes anything."""
        page = p.read("draw.html")
        for path in ["/gallery.html"] + [a + query(NAME + ".png") for a in ADDRESSES]:
            self.assertIn(p.get(path)[0], (200, 303), path)
            for fields in ({"Origin": "http://evil.example"}, {"Origin": "null"}, {"Sec-Fetch-Site": "cross-site"},
                           {"Sec-Fetch-Site": "same-site"}, {"Host": "evil.example"}):
                self.assertEqual(p.request("GET", path, headers=fields)[:2], (403, "text/plain"), (path, fields))
        os.remove(p.path("draw.html"))
        site = ForeignSite(p.port, NAME + ".png")
        self.addCleanup(site.close)
        self.open(site.address)
        self.assertEqual(self.chrome.evaluate("window.fetched"), "failed")
        self.chrome.wait_for("[...document.images].every(i => i.complete)")
        self.assertEqual(self.chrome.evaluate("[...document.images].map(i => i.naturalWidth)"), [0] * len(ADDRESSES))
        self.assertFalse(os.path.exists(p.path("draw.html")), "no page was written for another site")
        p.put("draw.html", page)

    def names_outside_the_listing(self, p):
        names = ["../program/set.ini", "..\\set.ini", "notes.txt", "s_%s.png" % NAME, "000_timelapse.gif",
                 ".hidden.png", "folder.png", "missing.png", NAME + ".pch", "000.PNG"]
        for address in ADDRESSES:
            for name in names:
                self.assertEqual(p.get(address + query(name))[0], 404, (address, name))
            for rest in ("", "?f=", "?f=%zz.png", "?name=000.png", "?f=000.png&f=000.png"):
                self.assertEqual(p.get(address + rest)[0], 404, (address, rest))
        self.assertEqual(p.get("/_sketchhaven/gallery/other" + query("000.png"))[0], 404)

    def paging(self, p, names):
        tiny = road.drawn_picture(3, 2)
        oldest = int(os.path.getmtime(os.path.join(p.saved, names[-1])))
        for n in range(100):
            path = os.path.join(p.saved, "more%03d.png" % n)
            with open(path, "wb") as f:
                f.write(tiny)
            os.utime(path, (oldest - 60 - n, oldest - 60 - n))
        pages = [p.get("/gallery.html" + rest)[2].decode("cp932") for rest in ("", "?page=2", "?page=9")]
        listed = [re.findall(r'<li class="picture" data-name="([^"]*)"', page) for page in pages]
        self.assertEqual(listed[0], names + ["more%03d.png" % n for n in range(95)])
        self.assertEqual(listed[1], ["more%03d.png" % n for n in range(95, 100)])
        self.assertEqual(listed[2], listed[1], "a page past the end is the last")
        self.assertIn('rel="next" href="/gallery.html?page=2"', pages[0])
        self.assertIn('rel="prev" href="/gallery.html?page=1"', pages[1])


if __name__ == "__main__":
    sys.exit(road.main())
