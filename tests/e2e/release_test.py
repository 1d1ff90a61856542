"""The release zip as a user gets it: the program, the guide, the read-me, the
licence and the notices, nothing else; under Wine the program runs from a
folder holding them and ends cleanly on scripts/run.sh's taskkill.
  release_test.py sketchhaven-VERSION-win64.zip --launcher wine-run
"""

import os
import re
import subprocess
import sys
import tempfile
import unittest
import zipfile

import road

FILES = ["Help.chm", "LICENSE.txt", "THIRD-PARTY-NOTICES.txt", "readme.txt", "sketchhaven.exe"]


class TestReleaseZip(unittest.TestCase):
    def setUp(self):
        self.top = os.path.basename(road.PROGRAM)[:-len(".zip")]
        with zipfile.ZipFile(road.PROGRAM) as z:
            self.names = z.namelist()
            self.files = {n: z.read("%s/%s" % (self.top, n)) for n in FILES}

    def test_the_zip_holds_the_program_its_guide_and_its_notices_only(self):
        self.assertEqual(sorted(n for n in self.names if not n.endswith("/")), ["%s/%s" % (self.top, n) for n in FILES])
        self.assertEqual((self.files["Help.chm"][:4], self.files["sketchhaven.exe"][:2]), (b"ITSF", b"MZ"))
        for page in (b"/ja.html", b"/en.html", b"/painter.png", b"/save.png", b"/gallery.png"):
            self.assertIn(page, self.files["Help.chm"], "the guide's directory names its pages and pictures")
        text = self.files["readme.txt"].decode("utf-8")
        self.assertTrue(text.startswith("\ufeffSketchhaven %s (win64)\r\n" % self.top.split("-")[1]), text[:40])
        self.assertLess(text.index("【日本語】"), text.index("[English]"))
        self.assertNotIn("\n", text.replace("\r\n", ""))
        self.assertIn(b"MIT License", self.files["LICENSE.txt"])
        for phrase in [b"Jean-loup Gailly and Mark Adler", b"libjpeg-turbo",
                       b"This software is based in part on the work of the Independent JPEG Group"]:
            self.assertIn(phrase, self.files["THIRD-PARTY-NOTICES.txt"])
        # The program carries its manifest (the controls in the system's visual
        # style) and its version in the version information.
        exe, version = self.files["sketchhaven.exe"], self.top.split("-")[1]
        self.assertIn(b'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"', exe)
        for key in ("FileVersion", "ProductVersion"):
            self.assertRegex(exe, (key + "\0").encode("utf-16-le") + b"(\0\0)?" + re.escape(version.encode("utf-16-le")))

    def test_the_program_starts_serves_and_ends_cleanly(self):
        with tempfile.TemporaryDirectory() as unpacked:
            with open(os.path.join(unpacked, "sketchhaven.exe"), "wb") as f:
                f.write(self.files["sketchhaven.exe"])
            p = road.program(self, program=f.name, files=self.files, SaveDir=None, SaveFile=None, OptionFlag=None)
        self.assertEqual(p.get("/readme.txt")[::2], (200, self.files["readme.txt"]))
        subprocess.run([road.LAUNCHER, "taskkill", "/im", "sketchhaven.exe"], stdin=subprocess.DEVNULL,
                       capture_output=True, timeout=60)
        self.assertEqual(p.process.wait(30), 0)
        # The program's exit wrote its settings: more than the port given.
        setting = road.read_ini(p.path("set.ini"))["Setting"]
        self.assertEqual((setting["Port"], setting["OptionFlag"]), (str(p.port), "23"))


if __name__ == "__main__":
    sys.exit(road.main())
