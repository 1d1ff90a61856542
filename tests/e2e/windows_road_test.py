"""The whole road of a drawing on Windows: sketchhaven.exe under Wine in a
program folder of its own, a loopback client posting real bodies, the save
dialog answered from outside by the presser program, and the saved files
checked with real decoders.

Usage: windows_road_test.py sketchhaven.exe ui_dialog_presser.exe wine-run [unittest options]
(starts Xvfb itself when no display is set)."""

import http.client
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import chromium
import road

PROGRAM = PRESSER = LAUNCHER = None

SAVE = "保存"            # the save dialog's caption
QUESTION = "確認"        # the overwrite question's caption
OK, CANCEL, YES, NO = 1, 2, 6, 7
SAVE_FILE_BOX = 1118


class WineProgram:
    """A copy of sketchhaven.exe serving its own folder on a free port and
    saving into its folder 'saved'."""

    def __init__(self, **setting):
        self.folder = tempfile.mkdtemp(prefix="sh-road-wine-")
        self.saved = os.path.join(self.folder, "saved")
        os.mkdir(self.saved)
        self.port = road.free_port()
        values = {"Port": self.port, "SaveDir": road.windows_path(self.saved), "SaveFile": "000", "OptionFlag": 22}
        values.update(setting)
        with open(os.path.join(self.folder, "set.ini"), "w", encoding="cp932", newline="\r\n") as f:
            f.write("[Setting]\n" + "".join("%s=%s\n" % kv for kv in values.items()))
        program = road.place_program(self.folder, PROGRAM)
        self.process = subprocess.Popen([LAUNCHER, program], cwd=self.folder, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not road.wait_listening(self.process, self.port, 90):
            raise RuntimeError("sketchhaven.exe ended at start or does not listen")

    def post(self, body, headers=None):
        """Posts body with the given header fields besides Content-Type; the
        reply body (the status is kept in self.status)."""
        c = http.client.HTTPConnection("127.0.0.1", self.port, timeout=180)
        c.request("POST", "/cgi/save.cgi", body, dict({"Content-Type": "application/octet-stream"}, **(headers or {})))
        r = c.getresponse()
        reply = r.read()
        c.close()
        self.status = r.status
        return reply

    def post_answered(self, body, steps, headers=None):
        """Posts body while the presser works through steps (caption, button,
        {edit id: text}); returns the reply body and the presser's report
        lines (caption, message text)."""
        presser = road.Presser(LAUNCHER, PRESSER, steps, self.folder)
        try:
            reply = self.post(body, headers)
        finally:
            lines = presser.pressed()
        return reply, lines

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait(30)
        shutil.rmtree(self.folder, ignore_errors=True)


class WindowsRoad(unittest.TestCase):
    def start(self, **setting):
        program = WineProgram(**setting)
        self.addCleanup(program.stop)
        return program

    def saved_names(self, program, reply):
        self.assertEqual(program.status, 200)
        return road.saved_names(self, program.saved, reply)

    def assertSamePixels(self, path, picture):
        with tempfile.NamedTemporaryFile(suffix=".png") as f:
            f.write(picture)
            f.flush()
            self.assertEqual(road.rgb_of(path), road.rgb_of(f.name), path)

    def test_saved_as_the_dialog_opens(self):
        p = self.start()
        picture, record = road.drawn_picture(), road.animation_record()
        reply, pressed = p.post_answered(road.record_body(b"P", picture, record), [(SAVE, OK, {})])
        self.assertEqual(pressed, [(SAVE, "-")])
        self.assertEqual(self.saved_names(p, reply), ["000.png", "000.pch"])
        saved = os.path.join(p.saved, "000.png")
        self.assertIn("No errors detected", road.pngcheck(saved))
        self.assertSamePixels(saved, picture)
        with open(os.path.join(p.saved, "000.pch"), "rb") as f:
            self.assertEqual(f.read(), record)

    def test_raw_form(self):
        p = self.start()
        picture = road.drawn_picture(33, 17)
        reply, _ = p.post_answered(road.raw_body(picture), [(SAVE, OK, {})])
        self.assertEqual(self.saved_names(p, reply), ["000.png"])
        self.assertSamePixels(os.path.join(p.saved, "000.png"), picture)

    def test_name_typed_into_the_dialog(self):
        p = self.start(SaveType=2, JPEGSave=90)
        picture = road.many_coloured_picture(120, 80)
        reply, _ = p.post_answered(road.record_body(b"S", picture), [(SAVE, OK, {SAVE_FILE_BOX: "絵日記"})])
        self.assertEqual(self.saved_names(p, reply), ["絵日記.jpg"])
        decoded, _ = road.djpeg(os.path.join(p.saved, "絵日記.jpg"))
        self.assertTrue(decoded.startswith(b"P6\n120 80\n"))
        with open(os.path.join(p.folder, "set.ini"), encoding="cp932") as f:
            self.assertIn("SaveFile=000\n", f.read(), "settings are written at exit only")

    def test_cancel_saves_nothing(self):
        p = self.start()
        reply, pressed = p.post_answered(road.record_body(b"P", road.drawn_picture(), b"rec"), [(SAVE, CANCEL, {})])
        self.assertEqual(pressed, [(SAVE, "-")])
        self.assertIsNone(road.saved_lines(reply))
        self.assertEqual(os.listdir(p.saved), [])

    def test_overwrite_question_no_keeps_and_yes_replaces(self):
        p = self.start(OptionFlag=23)
        with open(os.path.join(p.saved, "000.png"), "wb") as f:
            f.write(b"older")
        body = road.record_body(b"P", road.drawn_picture(), b"rec")
        reply, pressed = p.post_answered(body, [(SAVE, OK, {}), (QUESTION, NO, {})])
        self.assertIsNone(road.saved_lines(reply))
        self.assertEqual(pressed[1][0], QUESTION)
        self.assertIn("000.png", pressed[1][1])
        with open(os.path.join(p.saved, "000.png"), "rb") as f:
            self.assertEqual(f.read(), b"older")
        self.assertFalse(os.path.exists(os.path.join(p.saved, "000.pch")))

        picture = road.drawn_picture(50, 30)
        reply, _ = p.post_answered(road.record_body(b"P", picture, b"rec"), [(SAVE, OK, {}), (QUESTION, YES, {})])
        self.assertEqual(self.saved_names(p, reply), ["000.png", "000.pch"])
        self.assertSamePixels(os.path.join(p.saved, "000.png"), picture)


class PostsFromOtherSites(unittest.TestCase):
    """The request gate in front of the save dialog: posts of other sites'
    pages open no dialog and write nothing; the program's own page saves."""

    def setUp(self):
        self.program = WineProgram()
        self.addCleanup(self.program.stop)
        self.body = road.record_body(b"P", road.drawn_picture(), road.animation_record())

    def assertNothingSaved(self, pressed):
        self.assertEqual(pressed, [("missing", SAVE)], "a save dialog opened")
        self.assertFalse(os.path.exists(os.path.join(self.program.folder, "_post.dat")))
        self.assertEqual(os.listdir(self.program.saved), [])

    def test_refused_posts_open_no_dialog_and_the_own_pages_post_is_saved(self):
        p = self.program
        presser = road.Presser(LAUNCHER, PRESSER, [(SAVE, CANCEL, {})], p.folder, seconds=10)
        try:
            for headers in [{"Origin": "http://evil.example"}, {"Host": "evil.example:%d" % p.port},
                            {"Origin": "http://127.0.0.1:%d" % (p.port + 1), "Sec-Fetch-Site": "same-site"},
                            {"Sec-Fetch-Site": "cross-site"}]:
                with self.subTest(headers=headers):
                    self.assertEqual(p.post(self.body, headers), b"Forbidden")
                    self.assertEqual(p.status, 403)
        finally:
            pressed = presser.pressed()
        self.assertNothingSaved(pressed)

        own = {"Host": "localhost:%d" % p.port, "Origin": "http://localhost:%d" % p.port,
               "Sec-Fetch-Site": "same-origin"}
        reply, pressed = p.post_answered(self.body, [(SAVE, OK, {})], own)
        self.assertEqual(pressed, [(SAVE, "-")])
        self.assertEqual(road.saved_names(self, p.saved, reply), ["000.png", "000.pch"])

    @unittest.skipIf(chromium.EXECUTABLE is None, "chromium is not installed (Debian package chromium)")
    def test_a_page_of_another_site_in_chromium_opens_no_dialog(self):
        scratch = tempfile.mkdtemp(prefix="sh-road-site-")
        self.addCleanup(shutil.rmtree, scratch, True)
        with open(os.path.join(scratch, "foreign.html"), "wb") as f:
            f.write(road.posting_page("http://127.0.0.1:%d/cgi/save.cgi" % self.program.port, self.body))
        site = road.OtherSite(scratch)
        self.addCleanup(site.stop)
        presser = road.Presser(LAUNCHER, PRESSER, [(SAVE, CANCEL, {})], self.program.folder, seconds=10)
        try:
            outcome = road.page_outcome(site.url("/foreign.html"))
        finally:
            pressed = presser.pressed()
        self.assertEqual(outcome, "opaque")
        self.assertNothingSaved(pressed)


def main():
    global PROGRAM, PRESSER, LAUNCHER
    if len(sys.argv) < 4:
        print(__doc__)
        return 2
    PROGRAM, PRESSER, LAUNCHER = (os.path.abspath(a) for a in sys.argv[1:4])
    return road.run_tests_under_wine(LAUNCHER, sys.argv[4:])


if __name__ == "__main__":
    sys.exit(main())
