"""The release zip as a user gets it: unpacked into a fresh folder, it holds
the program, the guide, the read-me, the licence and the notices, nothing
else, and the program runs from there under Wine: it starts, serves its
folder and ends cleanly when asked to close the way scripts/run.sh asks it
(taskkill, a close message to its window).

Usage: release_test.py sketchhaven-VERSION-win64.zip wine-run [unittest options]
(starts Xvfb itself when no display is set)."""

import http.client
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

import road
from lifecycle_test import read_ini, write_ini

ZIP = LAUNCHER = None
FILES = ["Help.chm", "LICENSE.txt", "THIRD-PARTY-NOTICES.txt", "readme.txt", "sketchhaven.exe"]


class TestReleaseZip(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="sh-e2e-release-")
        with zipfile.ZipFile(ZIP) as z:
            self.names = z.namelist()
            z.extractall(self.root)
        self.top = os.path.basename(ZIP)[:-len(".zip")]
        self.folder = os.path.join(self.root, self.top)

    def tearDown(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def read(self, name):
        with open(os.path.join(self.folder, name), "rb") as f:
            return f.read()

    def test_the_zip_holds_the_program_its_guide_and_its_notices_only(self):
        self.assertEqual(sorted(n for n in self.names if not n.endswith("/")),
                         ["%s/%s" % (self.top, n) for n in FILES])
        self.assertEqual(self.read("Help.chm")[:4], b"ITSF")
        self.assertEqual(self.read("sketchhaven.exe")[:2], b"MZ")
        readme = self.read("readme.txt")
        self.assertTrue(readme.startswith(b"\xef\xbb\xbf"))
        text = readme.decode("utf-8")
        self.assertTrue(text.startswith("\ufeffSketchhaven %s (win64)\r\n" % self.top.split("-")[1]), text[:40])
        self.assertLess(text.index("【日本語】"), text.index("[English]"))
        self.assertNotIn("\n", text.replace("\r\n", ""))
        self.assertIn(b"MIT License", self.read("LICENSE.txt"))
        notices = self.read("THIRD-PARTY-NOTICES.txt")
        for phrase in [b"Jean-loup Gailly and Mark Adler", b"libjpeg-turbo",
                       b"This software is based in part on the work of the Independent JPEG Group"]:
            self.assertIn(phrase, notices)

    def test_the_unpacked_program_starts_serves_and_ends_cleanly(self):
        port = road.free_port()
        write_ini(os.path.join(self.folder, "set.ini"), {"Setting": {"Port": port}})
        p = subprocess.Popen([LAUNCHER, os.path.join(self.folder, "sketchhaven.exe")], cwd=self.root,
                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            self.assertTrue(road.wait_listening(p, port, 60), "the program does not listen")
            c = http.client.HTTPConnection("127.0.0.1", port, timeout=20)
            c.request("GET", "/readme.txt")
            r = c.getresponse()
            self.assertEqual((r.status, r.read()), (200, self.read("readme.txt")))
            c.close()
            subprocess.run([LAUNCHER, "taskkill", "/im", "sketchhaven.exe"], stdin=subprocess.DEVNULL,
                           capture_output=True, timeout=60)
            self.assertEqual(p.wait(30), 0)
        finally:
            if p.poll() is None:
                p.kill()
                p.wait(30)
        # The program's exit wrote its settings: more than the port given.
        setting = read_ini(os.path.join(self.folder, "set.ini"))["Setting"]
        self.assertEqual((setting["Port"], setting["OptionFlag"]), (str(port), "23"))


def main():
    global ZIP, LAUNCHER
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    ZIP, LAUNCHER = (os.path.abspath(a) for a in sys.argv[1:3])
    return road.run_tests_under_wine(LAUNCHER, sys.argv[3:])


if __name__ == "__main__":
    sys.exit(main())
