#!/usr/bin/env python3
"""The drawing page in a real browser: the native program writes draw.html
(-r, with a stand-in browser in section Browser), serves it with a palette
script of our own, and headless Chromium loads it over loopback. The DOM
Chromium leaves shows that the script was fetched and ran, and holds the
applet tag with its parameters. And posts from pages: the program's own
page saves a drawing; a page of another site on this machine cannot.

  browser_page_test.py build/native/sketchhaven [Group ...]

Skipped when chromium is not installed.
"""

import html.parser
import os
import shutil
import subprocess
import sys
import tempfile
import tempfile
import unittest

import lifecycle_test
import road

CHROMIUM = shutil.which("chromium")

# Runs in the page's head, then its start call runs in the body, after the
# applet: each leaves a mark in the DOM.
PALETTE_SCRIPT = b"""document.documentElement.setAttribute("data-palette-script", "fetched");
function PaletteInit() {
  var mark = document.createElement("div");
  mark.id = "palette-mark";
  mark.textContent = "palette ran " + document.getElementsByTagName("param").length;
  document.body.appendChild(mark);
}
"""


class DomElements(html.parser.HTMLParser):
    """Every element of a dumped DOM with its attributes, and the text of the
    palette mark."""

    def __init__(self):
        super().__init__()
        self.elements = []
        self.mark_text = None
        self._in_mark = False

    def handle_starttag(self, tag, attributes):
        values = dict(attributes)
        self.elements.append((tag, values))
        self._in_mark = tag == "div" and values.get("id") == "palette-mark"

    def handle_data(self, data):
        if self._in_mark:
            self.mark_text = (self.mark_text or "") + data

    def handle_endtag(self, tag):
        self._in_mark = False

    def first(self, tag):
        return next((values for t, values in self.elements if t == tag), None)

    def params(self):
        return {values.get("name"): values.get("value") for t, values in self.elements if t == "param"}


@unittest.skipIf(CHROMIUM is None, "chromium is not installed (Debian package chromium)")
class TestPageInChromium(lifecycle_test.Lifecycle):
    def dump_dom(self, address):
        profile = os.path.join(self.root, "chromium-profile")
        result = subprocess.run([CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                                 "--disable-dev-shm-usage", "--user-data-dir=" + profile, "--dump-dom", address],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, stdin=subprocess.DEVNULL,
                                timeout=120, check=False)
        self.assertEqual(result.returncode, 0, result.stderr.decode("utf-8", "replace")[-2000:])
        return result.stdout.decode("utf-8")

    def test_the_served_page_runs_its_palette_script_and_holds_the_applet(self):
        port = road.free_port()
        with open(self.path("PaintBBS.jar"), "wb") as f:
            f.write(b"stand-in archive")
        with open(self.path("paletteHLS.js"), "wb") as f:
            f.write(PALETTE_SCRIPT)
        self.write_settings(port, Browser={"Flag": 1, "Path": self.browser.path})
        program = self.start("-a0", "-p3", "-w123", "-h77", "-r")
        self.wait_listening(program, port)
        self.assertEqual(self.browser.arguments(), ["http://localhost:%d/draw.html" % port])

        dom = DomElements()
        dom.feed(self.dump_dom("http://127.0.0.1:%d/draw.html" % port))
        self.assertEqual(dom.first("html").get("data-palette-script"), "fetched")
        self.assertIsNotNone(dom.mark_text, "the palette's start call left no mark")
        self.assertTrue(dom.mark_text.startswith("palette ran "), dom.mark_text)
        self.assertGreater(int(dom.mark_text.split()[-1]), 0)
        applet = dom.first("applet")
        self.assertIsNotNone(applet)
        self.assertEqual(applet["code"], "pbbs.PaintBBS.class")
        self.assertEqual(applet["archive"], "PaintBBS.jar")
        params = dom.params()
        self.assertEqual(params["image_width"], "123")
        self.assertEqual(params["image_height"], "77")
        self.assertEqual(params["header_magic"], "P")
        self.assertEqual(int(dom.mark_text.split()[-1]), len(params))
        self.assertIsNone(program.poll())
        self.stop(program)


@unittest.skipIf(CHROMIUM is None, "chromium is not installed (Debian package chromium)")
class TestPostsFromPages(unittest.TestCase):
    def setUp(self):
        self.program = road.Program(OptionFlag=20)  # picture and record
        self.addCleanup(self.program.stop)
        self.scratch = tempfile.mkdtemp(prefix="sh-e2e-pages-")
        self.addCleanup(shutil.rmtree, self.scratch, True)
        self.picture = road.drawn_picture()
        self.body = road.record_body(b"P", self.picture, road.animation_record())

    def outcome(self, address):
        return road.page_outcome(address, tempfile.mkdtemp(prefix="profile-", dir=self.scratch))

    def test_the_programs_own_page_saves_a_drawing(self):
        with open(self.program.path("own.html"), "wb") as f:
            f.write(road.posting_page("/cgi/save.cgi", self.body))
        self.assertEqual(self.outcome("http://localhost:%d/own.html" % self.program.port), "basic")
        self.assertEqual(sorted(os.listdir(self.program.saved)), ["000.pch", "000.png"])
        self.assertIn("No errors detected", road.pngcheck(os.path.join(self.program.saved, "000.png")))

    def test_a_page_of_another_site_saves_nothing(self):
        with open(os.path.join(self.scratch, "foreign.html"), "wb") as f:
            f.write(road.posting_page("http://127.0.0.1:%d/cgi/save.cgi" % self.program.port, self.body))
        site = road.OtherSite(self.scratch)
        self.addCleanup(site.stop)
        # The answer came (an opaque one, as for any cross-site no-cors fetch), and it was the refusal.
        self.assertEqual(self.outcome(site.url("/foreign.html")), "opaque")
        self.assertEqual(os.listdir(self.program.saved), [])
        self.assertFalse(os.path.exists(self.program.path("_post.dat")))
        self.assertEqual(self.program.error_text(), "")


if __name__ == "__main__":
    road.PROGRAM = os.path.abspath(sys.argv.pop(1))
    unittest.main()
