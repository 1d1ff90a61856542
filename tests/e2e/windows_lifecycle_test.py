"""The Windows program's start and stop, sketchhaven.exe under Wine driven
from outside: one instance at a time (a second ends by itself without a
window), the command line with -r writing the drawing page and starting the
browser of section Browser (a stand-in program), File > Exit and the close
box writing set.ini and removing the temporary files, and a start that finds
every port taken ending with its message box.

Usage: windows_lifecycle_test.py sketchhaven.exe ui_window_commander.exe ui_dialog_presser.exe
       ui_browser_stand_in.exe wine-run [unittest options]
(starts Xvfb itself when no display is set)."""

import http.client
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

import road
from lifecycle_test import (FALLBACK_PORTS, TEMPORARY_FILES, applets_of, block_port, blocker_free, listening, read_ini,
                            write_ini)

PROGRAM = COMMANDER = PRESSER = STAND_IN = LAUNCHER = None

CAPTION = "Sketchhaven"   # the main window's
PLAYBACK_CAPTION = "アニメーション再生"
PLAYBACK, PLAYBACK_PATH = 40004, 1125
BOX_CAPTION = "Error"     # Wine's caption of a box given none, in its English texts
EXIT, CLOSE_BOX = 40001, 2
OK = 1
KEPT_FILES = ["draw.html", "anim.html", "_prev.dat"]


def wait_for_file(path, seconds):
    deadline = time.time() + seconds
    while not os.path.exists(path) and time.time() < deadline:
        time.sleep(0.1)
    return os.path.exists(path)


class WindowsLifecycle(unittest.TestCase):
    """Each test gets a program folder with the program in it, started from
    the folder above it."""

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="sh-e2e-wine-life-")
        self.folder = os.path.join(self.root, "program")
        os.mkdir(self.folder)
        self.program = road.place_program(self.folder, PROGRAM)
        self.port = road.free_port()
        self.processes = []

    def tearDown(self):
        for p in self.processes:
            if p.poll() is None:
                p.kill()
            p.wait(30)
        shutil.rmtree(self.root, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.folder, name)

    def write_settings(self, **extra):
        sections = {"Setting": {"Port": self.port}}
        sections.update(extra)
        write_ini(self.path("set.ini"), sections)

    def start(self, *arguments, environment=None):
        p = subprocess.Popen([LAUNCHER, self.program] + list(arguments), cwd=self.root, stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=environment)
        self.processes.append(p)
        return p

    def start_listening(self, *arguments, port=None):
        p = self.start(*arguments)
        self.assertTrue(road.wait_listening(p, port or self.port, 60), "the program does not listen")
        return p

    def command(self, *arguments):
        """The commander's output; fails when it fails."""
        r = subprocess.run([LAUNCHER, COMMANDER] + [str(a) for a in arguments], stdin=subprocess.DEVNULL,
                           capture_output=True, timeout=90)
        self.assertEqual(r.returncode, 0, "window_commander %s: %r %r" % (" ".join(str(a) for a in arguments),
                                                                        r.stdout, r.stderr[-2000:]))
        return r.stdout.decode().strip()

    def windows_captioned(self, caption, seconds=0):
        return int(self.command("count", caption, seconds))

    def exit_through(self, process, command):
        self.command("post", CAPTION, command)
        self.assertEqual(process.wait(30), 0)

    def get(self, name):
        c = http.client.HTTPConnection("127.0.0.1", self.port, timeout=20)
        c.request("GET", "/" + name)
        r = c.getresponse()
        body = r.read()
        c.close()
        return r.status, body

    def put(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)


class TestSingleInstance(WindowsLifecycle):
    def test_a_second_instance_ends_by_itself_without_a_window(self):
        self.write_settings()
        first = self.start_listening()
        self.assertEqual(self.windows_captioned(CAPTION, 30), 1)
        # The commander starts the second and looks at its windows until it ends.
        started = time.time()
        code, seen = self.command("watch", 20, road.windows_path(self.program), "-r").split()
        self.assertEqual((code, seen), ("0", "0"))
        self.assertLess(time.time() - started, 10)
        self.assertFalse(os.path.exists(self.path("draw.html")))
        self.assertIsNone(first.poll())
        self.assertEqual(self.windows_captioned(CAPTION), 1)
        self.put("probe.txt", b"still the first")
        self.assertEqual(self.get("probe.txt"), (200, b"still the first"))

    def test_the_watch_sees_a_program_that_shows_its_window(self):
        # Without a first instance the watched program runs and shows its
        # window: the watch above could have seen one.
        self.write_settings()
        r = subprocess.run([LAUNCHER, COMMANDER, "watch", "10", road.windows_path(self.program)],
                           stdin=subprocess.DEVNULL, capture_output=True, timeout=90)
        self.assertEqual((r.returncode, r.stdout.decode().split()), (1, ["running", "1"]))

    def test_once_the_first_has_ended_a_new_one_runs(self):
        self.write_settings()
        first = self.start_listening()
        self.exit_through(first, EXIT)
        again = self.start_listening()
        self.assertEqual(self.windows_captioned(CAPTION, 30), 1)
        self.assertIsNone(again.poll())


class TestCommandLine(WindowsLifecycle):
    def test_a2_w640_h480_r_writes_the_page_and_starts_the_browser(self):
        for name in ["spainter.jar", "paletteHLS.js"]:
            self.put(name, b"stand-in " + name.encode())
        browser = os.path.join(self.root, "browser")
        os.mkdir(browser)
        stand_in = shutil.copy2(STAND_IN, browser)
        address_file = os.path.join(browser, "stand_in_address.txt")
        self.write_settings(Browser={"Flag": 1, "Path": road.windows_path(stand_in)})
        p = self.start_listening("-a2", "-w640", "-h480", "-r")
        self.assertTrue(wait_for_file(address_file, 30), "the browser was not started")
        with open(address_file, encoding="utf-8") as f:
            self.assertEqual(f.read(), "http://localhost:%d/draw.html" % self.port)
        applets = applets_of(self.path("draw.html"))
        self.assertEqual(len(applets), 1)
        applet = applets[0]
        # Entry 2 of the list: Shi-Painter pro with its resource archive.
        self.assertEqual(applet["attributes"]["code"], "c.ShiPainter.class")
        self.assertEqual(applet["attributes"]["archive"], "spainter.jar,res/pro.zip")
        self.assertEqual(applet["params"]["tools"], "pro")
        self.assertEqual((applet["params"]["image_width"], applet["params"]["image_height"]), ("640", "480"))
        with open(self.path("draw.html"), "rb") as f:
            self.assertEqual(self.get("draw.html"), (200, f.read()))
        self.exit_through(p, EXIT)
        setting = read_ini(self.path("set.ini"))["Setting"]
        self.assertEqual((setting["Applet"], setting["ImageWidth"], setting["ImageHeight"]), ("2", "640", "480"))
        self.assertEqual(setting["Port"], str(self.port))


class TestPages(WindowsLifecycle):
    """The pages the Windows program writes carry the texts of its own
    resources: draw.html is byte for byte the native program's for the same
    set.ini and command line, anim.html starts with its head text."""

    ARGUMENTS = ["-a0", "-p3", "-w123", "-h77", "-r"]
    FILES = ["PaintBBS.jar", "paletteHLS.js", "neo.js", "neo.css"]

    def native_page(self):
        native = os.environ.get("SKETCHHAVEN_NATIVE_PROGRAM", "")
        self.assertTrue(os.path.exists(native), "the native program is not built: %r" % native)
        folder = os.path.join(self.root, "native")
        os.mkdir(folder)
        for name in self.FILES:
            shutil.copy2(self.path(name), folder)
        write_ini(os.path.join(folder, "set.ini"), {"Setting": {"Port": road.free_port()},
                                                    "Browser": {"Flag": 1, "Path": "/bin/true"}})
        p = subprocess.Popen([road.place_program(folder, native)] + self.ARGUMENTS, cwd=self.root,
                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(p)
        page = os.path.join(folder, "draw.html")
        self.assertTrue(wait_for_file(page, 30), "the native program wrote no page")
        time.sleep(0.5)  # written whole before the browser starts; the browser is /bin/true
        p.terminate()
        p.wait(20)
        with open(page, "rb") as f:
            return f.read()

    def test_draw_and_anim_pages_carry_the_programs_texts(self):
        for name in self.FILES:
            self.put(name, b"stand-in " + name.encode())
        self.put("own.pch", b"NEO \x20\x00\x10\x00strokes")
        browser = os.path.join(self.root, "browser")
        os.mkdir(browser)
        stand_in = shutil.copy2(STAND_IN, browser)
        address_file = os.path.join(browser, "stand_in_address.txt")
        self.write_settings(Browser={"Flag": 1, "Path": road.windows_path(stand_in)})
        p = self.start_listening(*self.ARGUMENTS)
        self.assertTrue(wait_for_file(address_file, 30), "the browser was not started")
        os.remove(address_file)
        with open(self.path("draw.html"), "rb") as f:
            self.assertEqual(f.read(), self.native_page())

        presser = road.Presser(LAUNCHER, PRESSER, [(PLAYBACK_CAPTION, OK, {PLAYBACK_PATH: road.windows_path(
            self.path("own.pch"))})], self.root)
        self.command("post", CAPTION, PLAYBACK)
        self.assertEqual(len(presser.pressed()), 1)
        self.assertTrue(wait_for_file(address_file, 30), "the browser was not started for the playback")
        with open(address_file, encoding="utf-8") as f:
            self.assertEqual(f.read(), "http://localhost:%d/anim.html" % self.port)
        head_source = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources",
                                   "anim_head.html")
        with open(head_source, encoding="utf-8") as f:
            # The painter replays by itself: the Java viewer's script is left out.
            head = f.read().replace('<script type="text/javascript" src="animex.js"></script>\n', "")
            head = head.replace("\n", "\r\n").encode("cp932")
        status, page = self.get("anim.html")
        self.assertEqual(status, 200)
        self.assertTrue(page.startswith(head), page[:300])
        self.assertIn(b'<script type="text/javascript" src="neo.js" charset="UTF-8"></script>', page)
        self.assertEqual(self.get("_load.pch"), (200, b"NEO \x20\x00\x10\x00strokes"))
        self.exit_through(p, EXIT)


class TestExit(WindowsLifecycle):
    def check_exit(self, command):
        self.write_settings()
        for name in TEMPORARY_FILES + KEPT_FILES:
            self.put(name, name.encode())
        p = self.start_listening("-a3", "-w320", "-h200")
        for name in TEMPORARY_FILES:
            self.assertTrue(os.path.exists(self.path(name)), "%s deleted at start" % name)
        self.exit_through(p, command)
        self.assertFalse(listening(self.port))
        for name in TEMPORARY_FILES:
            self.assertFalse(os.path.exists(self.path(name)), name)
        for name in KEPT_FILES:
            with open(self.path(name), "rb") as f:
                self.assertEqual(f.read(), name.encode(), name)
        sections = read_ini(self.path("set.ini"))
        setting = sections["Setting"]
        self.assertEqual(setting["Port"], str(self.port))
        self.assertEqual((setting["Applet"], setting["ImageWidth"], setting["ImageHeight"]), ("3", "320", "200"))
        # The rest of the section and the presets are written too.
        self.assertEqual(setting["OptionFlag"], "23")
        self.assertEqual(setting["SaveDir"], road.windows_path(self.folder))
        self.assertEqual(sections["ImgPreset"]["preset0"], "100x100")
        self.assertFalse(os.path.exists(os.path.join(self.root, "set.ini")))

    def test_file_exit(self):
        self.check_exit(EXIT)

    def test_close_box(self):
        self.check_exit(CLOSE_BOX)

    def test_a_taken_port_is_replaced_by_the_bound_fallback(self):
        block_port(self, self.port)
        bound = next((p for p in FALLBACK_PORTS if blocker_free(p)), None)
        if bound is None:
            self.skipTest("every fallback port is in use on this machine")
        self.write_settings()
        p = self.start_listening(port=bound)
        self.exit_through(p, EXIT)
        self.assertEqual(read_ini(self.path("set.ini"))["Setting"]["Port"], str(bound))


class TestFailedStart(WindowsLifecycle):
    def test_every_port_taken_ends_with_the_message_box_and_no_window(self):
        for port in [self.port] + FALLBACK_PORTS:
            block_port(self, port)
        self.write_settings()
        with open(self.path("set.ini"), "rb") as f:
            settings = f.read()
        self.put("_post.dat", b"older")
        p = self.start(environment=dict(os.environ, LC_ALL="C.UTF-8"))
        self.assertEqual(self.windows_captioned(BOX_CAPTION, 60), 1, "no message box")
        self.assertEqual(self.windows_captioned(CAPTION), 0, "the main window is shown")
        presser = road.Presser(LAUNCHER, PRESSER, [(BOX_CAPTION, OK, {})], self.root)
        self.assertEqual(presser.pressed(), [(BOX_CAPTION, "error bind 10048")])
        self.assertEqual(p.wait(30), 0)
        with open(self.path("set.ini"), "rb") as f:
            self.assertEqual(f.read(), settings, "settings are not written on a failed start")
        # The shut-down after a failed start removes the temporary files too.
        self.assertFalse(os.path.exists(self.path("_post.dat")))


def main():
    global PROGRAM, COMMANDER, PRESSER, STAND_IN, LAUNCHER
    if len(sys.argv) < 6:
        print(__doc__)
        return 2
    PROGRAM, COMMANDER, PRESSER, STAND_IN, LAUNCHER = (os.path.abspath(a) for a in sys.argv[1:6])
    return road.run_tests_under_wine(LAUNCHER, sys.argv[6:])


if __name__ == "__main__":
    sys.exit(main())
