"""The program's start and stop: one instance at a time, the command line
(-r writes the page and starts the browser stand-in), the exit (natively a
signal, under Wine File > Exit or the close box) writing set.ini and removing
the temporary files, and the fallback ports."""

import contextlib
import os
import re
import shutil
import signal
import socket
import sys
import time
import unittest

import road

KEPT_FILES = ["draw.html", "anim.html", "_prev.dat"]


def native_only(test):
    if road.windows():
        test.skipTest("the native program only")


class TestSingleInstance(unittest.TestCase):
    def test_a_second_instance_ends_at_once_and_after_the_first_a_new_one_runs(self):
        p = road.program(self)
        started = time.time()
        if road.windows():
            # The commander starts the second and looks at its windows until it ends.
            self.assertEqual(road.command("watch", 20, road.windows_path(p.program), "-r"), "0 0")
            self.assertEqual(road.command("count", road.CAPTION), "1")
        else:
            first, second = p.process, p.start("-r", wait=False)
            self.assertEqual(second.wait(10), 0)
            self.assertEqual((second.stdout.read(), p.error_text()), (b"", ""))
            p.process = first
        self.assertLess(time.time() - started, 10)
        self.assertFalse(os.path.exists(p.path("draw.html")))
        p.put("probe.txt", b"still the first")
        self.assertEqual(p.get("/probe.txt")[::2], (200, b"still the first"))
        p.exit()
        if road.windows():
            # Without a first instance the watched program runs and shows its
            # window: the watch above could have seen one.
            self.assertEqual(road.command("watch", 10, road.windows_path(p.program), expect=1), "running 1")
        else:
            p.start()

    def test_a_link_planted_at_the_locks_name_is_not_followed(self):
        native_only(self)
        p = road.program(self, start=False)
        target = os.path.join(p.root, "planted-target")
        os.symlink(target, os.path.join(p.root, "session", "_Sketchhaven_-%d.lock" % os.getuid()))
        self.assertEqual(p.start(wait=False).wait(10), 0)
        self.assertFalse(os.path.exists(target))
        self.assertFalse(road.listening(p.port))

    def test_another_session_has_an_instance_of_its_own(self):
        native_only(self)
        road.program(self)
        road.program(self)


class TestCommandLine(unittest.TestCase):
    def test_a2_w640_h480_r_writes_the_page_and_starts_the_browser(self):
        files = {name: b"stand-in " + name.encode() for name in ("spainter.jar", "paletteHLS.js")}
        p = road.program(self, "-a2", "-w640", "-h480", "-r", browser=True, files=files)
        self.assertEqual(p.browser_address(), "http://localhost:%d/draw.html" % p.port)
        # The attributes and params of the page's one applet tag.
        page = p.read("draw.html").decode("cp932")
        (tag,) = re.findall(r"<applet ([^>]*)>", page)
        applet = dict(re.findall(r'(\w+)="([^"]*)"', tag) + re.findall(r'<param name="(\w+)" value="([^"]*)"', page))
        # Entry 2 of the list: Shi-Painter pro with its resource archive.
        self.assertEqual([applet[k] for k in ("code", "archive", "tools", "image_width", "image_height")],
                         ["c.ShiPainter.class", "spainter.jar,res/pro.zip", "pro", "640", "480"])
        self.assertEqual(p.get("/draw.html")[::2], (200, p.read("draw.html")))
        self.assertNotIn("Applet", road.read_ini(p.path("set.ini"))["Setting"], "settings are written at exit only")
        p.exit()
        setting = road.read_ini(p.path("set.ini"))["Setting"]
        self.assertEqual([setting[k] for k in ("Applet", "ImageWidth", "ImageHeight")], ["2", "640", "480"])

    def test_a_browser_that_cannot_start_is_warned_about_and_the_page_stays(self):
        native_only(self)  # under Wine the box waits for a click
        p = road.program(self, start=False, browser=True,
                         files={n: b"stand-in" for n in ("PaintBBS.jar", "paletteHLS.js")})
        shutil.rmtree(p.browser)
        p.start("-r")
        self.assertIn("ブラウザ起動エラー", p.wait_for_message("ブラウザ起動エラー"))
        self.assertEqual(p.get("/draw.html")[0], 200)


class TestExit(unittest.TestCase):
    def test_the_exit_writes_the_settings_and_removes_the_temporary_files(self):
        for how in ((road.EXIT, road.CLOSE_BOX) if road.windows() else (signal.SIGTERM, signal.SIGINT)):
            with self.subTest(how=how):
                p = road.program(self, "-a3", "-w320", "-h200", files={n: n.encode() for n in
                                                                        road.TEMPORARY_FILES + KEPT_FILES})
                for name in road.TEMPORARY_FILES:
                    self.assertTrue(os.path.exists(p.path(name)), "%s deleted at start" % name)
                p.exit(how)
                self.assertFalse(road.listening(p.port))
                self.assertEqual([n for n in road.TEMPORARY_FILES if os.path.exists(p.path(n))], [])
                # Kept, draw.html too: without -r no page is written.
                self.assertEqual([p.read(n) for n in KEPT_FILES], [n.encode() for n in KEPT_FILES])
                sections = road.read_ini(p.path("set.ini"))
                setting = sections["Setting"]
                self.assertEqual([setting[k] for k in ("Port", "Applet", "ImageWidth", "ImageHeight", "SaveDir")],
                                 [str(p.port), "3", "320", "200", p.host_path(p.saved)])
                # The rest of the section and the presets are written too.
                self.assertEqual((setting["Palette"], sections["ImgPreset"]["preset0"]), ("3", "100x100"))
                self.assertFalse(os.path.exists(os.path.join(p.root, "set.ini")))


class TestPorts(unittest.TestCase):
    def hold(self, ports):
        """Holds the ports on every interface until the clean-up; one that
        cannot be had is taken, or out of reach, for the program too."""
        for port in ports:
            s = socket.socket()
            self.addCleanup(s.close)
            with contextlib.suppress(OSError):
                s.bind(("0.0.0.0", port))
                s.listen(1)

    def test_a_taken_port_falls_back_along_the_list_and_the_bound_one_is_kept(self):
        if road.listening(8012):
            self.skipTest("port 8012 is in use on this machine")
        p = road.program(self, start=False)
        self.hold([p.port] + road.FALLBACK_PORTS[:-1])
        p.put("marker.txt", b"marker")
        p.port = 8012
        p.start()
        self.assertEqual(p.get("/marker.txt")[::2], (200, b"marker"))
        p.exit()
        self.assertEqual(road.read_ini(p.path("set.ini"))["Setting"]["Port"], "8012")

    def test_every_port_taken_ends_the_start_with_its_message_and_writes_nothing(self):
        p = road.program(self, start=False)
        self.hold([p.port] + road.FALLBACK_PORTS)
        settings = p.read("set.ini")
        p.put("_post.dat", b"older")
        process = p.start(wait=False, environment={"LC_ALL": "C.UTF-8"})
        if road.windows():
            self.assertEqual(road.command("count", road.BOX_CAPTION, 60), "1", "no message box")
            self.assertEqual(road.command("count", road.CAPTION), "0", "the main window is shown")
            with road.answered([(road.BOX_CAPTION, road.OK, {})], p.root) as pressed:
                pass
            self.assertEqual(pressed, [(road.BOX_CAPTION, "error bind 10048")])
        self.assertEqual(process.wait(30), 0 if road.windows() else 1)
        self.assertIn("error bind 10048", p.error_text())
        self.assertEqual(p.read("set.ini"), settings)
        # The shut-down after a failed start removes the temporary files too.
        self.assertFalse(os.path.exists(p.path("_post.dat")))


if __name__ == "__main__":
    sys.exit(road.main())
