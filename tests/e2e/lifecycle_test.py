#!/usr/bin/env python3
"""The native program's start and stop: one instance at a time, its own
folder whatever the current folder, the command line with -r writing the
drawing page and starting the browser of section Browser, and the exit on
SIGINT or SIGTERM that writes set.ini and removes the temporary files.

  lifecycle_test.py build/native/sketchhaven [Group ...]
"""

import html.parser
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

import road

TEMPORARY_FILES = ["_post.dat", "_tmppng.dat", "_tmppch.dat", "_load.dat"]
FALLBACK_PORTS = [80, 8010, 8011, 8012]


def write_ini(path, sections):
    """set.ini from {section: {key: value}}, in code page 932 with CR LF."""
    with open(path, "w", encoding="cp932", newline="\r\n") as f:
        for section, values in sections.items():
            f.write("[%s]\n" % section)
            for key, value in values.items():
                f.write("%s=%s\n" % (key, value))


def read_ini(path):
    """{section: {key: value}} of a profile file, read by this script's own parser."""
    sections = {}
    current = None
    with open(path, encoding="cp932") as f:
        for line in f.read().splitlines():
            if line.startswith("[") and line.endswith("]"):
                current = sections.setdefault(line[1:-1], {})
            elif "=" in line and current is not None:
                key, value = line.split("=", 1)
                current[key] = value
    return sections


def listening(port):
    try:
        socket.create_connection(("127.0.0.1", port), timeout=1).close()
        return True
    except OSError:
        return False


def blocker(port):
    """A listener holding port on every interface, or None when it is taken."""
    s = socket.socket()
    try:
        s.bind(("0.0.0.0", port))
        s.listen(1)
        return s
    except OSError:
        s.close()
        return None


def block_port(test, port):
    """Holds port until the test's clean-up; skips the test when it is taken."""
    b = blocker(port)
    if b is None:
        test.skipTest("port %d is in use on this machine" % port)
    test.addCleanup(b.close)


class StandInBrowser:
    """A tiny program that writes the arguments it was started with to a file."""

    def __init__(self, folder):
        self.path = os.path.join(folder, "browser.py")
        self.record = os.path.join(folder, "browser-arguments.txt")
        with open(self.path, "w") as f:
            f.write("#!%s\nimport sys\nopen(%r + '.part', 'w').write('\\n'.join(sys.argv[1:]))\n"
                    "import os\nos.rename(%r + '.part', %r)\n" % (sys.executable, self.record, self.record,
                                                                 self.record))
        os.chmod(self.path, 0o755)

    def arguments(self, timeout=20):
        deadline = time.time() + timeout
        while not os.path.exists(self.record) and time.time() < deadline:
            time.sleep(0.05)
        if not os.path.exists(self.record):
            return None
        with open(self.record) as f:
            return f.read().split("\n")


class Lifecycle(unittest.TestCase):
    """Each test gets a program folder with the program in it, a session
    folder (where the instance lock lives) and an outside folder it is
    started from."""

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="sh-e2e-life-")
        self.folder = os.path.join(self.root, "program")
        self.session = os.path.join(self.root, "session")
        self.outside = os.path.join(self.root, "outside")
        for f in [self.folder, self.session, self.outside]:
            os.mkdir(f)
        self.program = road.place_program(self.folder)
        self.processes = []
        self.browser = StandInBrowser(self.root)

    def tearDown(self):
        for p in self.processes:
            if p.poll() is None:
                p.kill()
            p.wait()
            p.stdout.close()
            p.errors.seek(0)
            text = p.errors.read().decode("utf-8", "replace")
            p.errors.close()
            if "Sanitizer" in text or "runtime error:" in text:
                self.fail("sanitizer report:\n" + text)
        shutil.rmtree(self.root, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.folder, name)

    def write_settings(self, port, **extra):
        sections = {"Setting": {"Port": port}}
        sections.update(extra)
        write_ini(self.path("set.ini"), sections)

    def start(self, *arguments, program=None, session=None):
        """The program started from the outside folder with arguments."""
        errors = tempfile.TemporaryFile()
        p = subprocess.Popen([program or self.program] + list(arguments), cwd=self.outside,
                             stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=errors,
                             env=road.session_environment(session or self.session),
                             preexec_fn=road.die_with_parent)
        p.errors = errors
        self.processes.append(p)
        return p

    def wait_listening(self, process, port):
        deadline = time.time() + 20
        while time.time() < deadline:
            self.assertIsNone(process.poll(), "the program ended")
            if listening(port):
                return
            time.sleep(0.05)
        self.fail("the program does not listen on %d" % port)

    def stop(self, process, sig=signal.SIGTERM):
        process.send_signal(sig)
        self.assertEqual(process.wait(timeout=20), 0)


class TestSingleInstance(Lifecycle):
    def test_a_second_instance_ends_at_once_with_0_and_prints_nothing(self):
        port = road.free_port()
        self.write_settings(port)
        first = self.start()
        self.wait_listening(first, port)
        started = time.time()
        second = self.start("-r")
        self.assertEqual(second.wait(timeout=10), 0)
        self.assertLess(time.time() - started, 5)
        self.assertEqual(second.stdout.read(), b"")
        second.errors.seek(0)
        self.assertEqual(second.errors.read(), b"")
        self.assertFalse(os.path.exists(self.path("draw.html")))
        self.assertIsNone(first.poll())
        self.assertTrue(listening(port))

    def test_once_the_first_has_ended_a_new_one_runs(self):
        port = road.free_port()
        self.write_settings(port)
        first = self.start()
        self.wait_listening(first, port)
        self.stop(first)
        again = self.start()
        self.wait_listening(again, port)

    def test_a_link_planted_at_the_locks_name_is_not_followed(self):
        port = road.free_port()
        self.write_settings(port)
        target = os.path.join(self.root, "planted-target")
        os.symlink(target, os.path.join(self.session, "_Sketchhaven_-%d.lock" % os.getuid()))
        p = self.start()
        self.assertEqual(p.wait(timeout=10), 0)
        self.assertFalse(os.path.exists(target))
        self.assertFalse(listening(port))

    def test_another_session_has_an_instance_of_its_own(self):
        port = road.free_port()
        self.write_settings(port)
        first = self.start()
        self.wait_listening(first, port)
        other = os.path.join(self.root, "other")
        os.mkdir(other)
        os.mkdir(os.path.join(other, "session"))
        program = road.place_program(other)
        other_port = road.free_port()
        write_ini(os.path.join(other, "set.ini"), {"Setting": {"Port": other_port}})
        p = self.start(program=program, session=os.path.join(other, "session"))
        self.wait_listening(p, other_port)


class AppletTags(html.parser.HTMLParser):
    """The applet tags of a page and the params inside them."""

    def __init__(self):
        super().__init__()
        self.applets = []

    def handle_starttag(self, tag, attributes):
        if tag == "applet":
            self.applets.append({"attributes": dict(attributes), "params": {}})
        elif tag == "param" and self.applets:
            values = dict(attributes)
            self.applets[-1]["params"][values.get("name")] = values.get("value")


def applets_of(path):
    parser = AppletTags()
    with open(path, encoding="cp932") as f:
        parser.feed(f.read())
    return parser.applets


class TestCommandLine(Lifecycle):
    def prepare(self, port):
        for name in ["spainter.jar", "paletteHLS.js"]:
            with open(self.path(name), "wb") as f:
                f.write(b"stand-in " + name.encode())
        self.write_settings(port, Browser={"Flag": 1, "Path": self.browser.path})

    def test_a2_w640_h480_r_writes_the_page_and_starts_the_browser(self):
        port = road.free_port()
        self.prepare(port)
        p = self.start("-a2", "-w640", "-h480", "-r")
        self.wait_listening(p, port)
        self.assertEqual(self.browser.arguments(), ["http://localhost:%d/draw.html" % port])
        applets = applets_of(self.path("draw.html"))
        self.assertEqual(len(applets), 1)
        applet = applets[0]
        # Entry 2 of the list: Shi-Painter pro with its resource archive.
        self.assertEqual(applet["attributes"]["code"], "c.ShiPainter.class")
        self.assertEqual(applet["attributes"]["archive"], "spainter.jar,res/pro.zip")
        self.assertEqual(applet["params"]["tools"], "pro")
        self.assertEqual(applet["params"]["image_width"], "640")
        self.assertEqual(applet["params"]["image_height"], "480")
        # The page is served from the program folder.
        with open(self.path("draw.html"), "rb") as f:
            self.assertEqual(road.run("curl", "-s", "http://127.0.0.1:%d/draw.html" % port), f.read())
        self.stop(p)
        setting = read_ini(self.path("set.ini"))["Setting"]
        self.assertEqual((setting["Applet"], setting["ImageWidth"], setting["ImageHeight"]), ("2", "640", "480"))

    def test_without_r_nothing_is_drawn(self):
        port = road.free_port()
        self.prepare(port)
        p = self.start("-a2", "-w640")
        self.wait_listening(p, port)
        time.sleep(0.5)
        self.assertFalse(os.path.exists(self.path("draw.html")))
        self.assertIsNone(self.browser.arguments(timeout=0.5))

    def test_a_missing_archive_is_warned_about_and_the_program_serves_on(self):
        port = road.free_port()
        self.prepare(port)
        os.remove(self.path("spainter.jar"))
        p = self.start("-a1", "-r")
        self.wait_listening(p, port)
        self.assertIsNone(self.browser.arguments(timeout=1))
        self.assertFalse(os.path.exists(self.path("draw.html")))
        p.errors.seek(0)
        self.assertIn("spainter.jarが見つかりません", p.errors.read().decode("utf-8"))

    def test_a_browser_that_cannot_start_is_warned_about_and_the_page_stays(self):
        port = road.free_port()
        self.prepare(port)
        self.write_settings(port, Browser={"Flag": 1, "Path": os.path.join(self.root, "no-such-browser")})
        p = self.start("-a2", "-r")
        self.wait_listening(p, port)
        deadline = time.time() + 10
        text = ""
        while "ブラウザ起動エラー" not in text and time.time() < deadline:
            time.sleep(0.1)
            p.errors.seek(0)
            text = p.errors.read().decode("utf-8")
        self.assertIn("ブラウザ起動エラー", text)
        self.assertTrue(os.path.exists(self.path("draw.html")))
        self.assertIsNone(p.poll())

    def test_port_80_leaves_the_port_out_of_the_address(self):
        if not blocker_free(80):
            self.skipTest("port 80 is in use on this machine")
        self.prepare(80)
        p = self.start("-a2", "-r")
        self.wait_listening(p, 80)
        self.assertEqual(self.browser.arguments(), ["http://localhost/draw.html"])


def blocker_free(port):
    b = blocker(port)
    if b is None:
        return False
    b.close()
    return True


class TestExit(Lifecycle):
    def put_files(self):
        for name in TEMPORARY_FILES + ["draw.html", "anim.html", "_prev.dat"]:
            with open(self.path(name), "wb") as f:
                f.write(name.encode())

    def check_exit(self, sig):
        port = road.free_port()
        self.write_settings(port)
        self.put_files()
        p = self.start()
        self.wait_listening(p, port)
        self.stop(p, sig)
        self.assertFalse(listening(port))
        for name in TEMPORARY_FILES:
            self.assertFalse(os.path.exists(self.path(name)), name)
        for name in ["draw.html", "anim.html", "_prev.dat"]:
            with open(self.path(name), "rb") as f:
                self.assertEqual(f.read(), name.encode(), name)
        sections = read_ini(self.path("set.ini"))
        self.assertEqual(sections["Setting"]["Port"], str(port))
        # The rest of the section and the presets are written too.
        self.assertEqual(sections["Setting"]["OptionFlag"], "23")
        self.assertEqual(sections["Setting"]["SaveDir"], self.folder)
        self.assertEqual(sections["ImgPreset"]["preset0"], "100x100")
        self.assertFalse(os.path.exists(os.path.join(self.outside, "set.ini")))

    def test_sigterm(self):
        self.check_exit(signal.SIGTERM)

    def test_sigint(self):
        self.check_exit(signal.SIGINT)

    def test_nothing_is_deleted_at_start(self):
        port = road.free_port()
        self.write_settings(port)
        self.put_files()
        p = self.start()
        self.wait_listening(p, port)
        for name in TEMPORARY_FILES:
            self.assertTrue(os.path.exists(self.path(name)), name)

    def test_a_killed_program_writes_nothing(self):
        port = road.free_port()
        self.write_settings(port)
        with open(self.path("set.ini"), "rb") as f:
            before = f.read()
        p = self.start()
        self.wait_listening(p, port)
        p.kill()
        p.wait()
        with open(self.path("set.ini"), "rb") as f:
            self.assertEqual(f.read(), before)


class TestBoundPortAtExit(Lifecycle):
    def test_a_taken_port_is_replaced_by_the_bound_fallback(self):
        port = road.free_port()
        block_port(self, port)
        bound = next((p for p in FALLBACK_PORTS if blocker_free(p)), None)
        if bound is None:
            self.skipTest("every fallback port is in use on this machine")
        self.write_settings(port)
        p = self.start()
        self.wait_listening(p, bound)
        self.stop(p)
        self.assertEqual(read_ini(self.path("set.ini"))["Setting"]["Port"], str(bound))

    def test_a_failed_start_writes_no_settings_and_ends_with_1(self):
        port = road.free_port()
        block_port(self, port)
        for fallback in FALLBACK_PORTS:
            block_port(self, fallback)
        self.write_settings(port)
        with open(self.path("_post.dat"), "wb") as f:
            f.write(b"older")
        p = self.start()
        self.assertEqual(p.wait(timeout=20), 1)
        self.assertEqual(read_ini(self.path("set.ini")), {"Setting": {"Port": str(port)}})
        # The shut-down after a failed start removes the temporary files too.
        self.assertFalse(os.path.exists(self.path("_post.dat")))


class TestSavingAcrossTheRun(unittest.TestCase):
    """Saves in the middle of a run: the program is back in its folder after
    each, serves on, saves again under the next name, and the saved files and
    the name last used outlast the exit."""

    def test_two_saves_then_sigterm(self):
        program = road.Program(OptionFlag=20)  # picture and record, no overwrite question
        self.addCleanup(program.stop)
        for round, size in enumerate([(61, 43), (47, 29)]):
            picture = road.drawn_picture(*size)
            status, _, reply, _ = program.post(road.record_body(b"P", picture, road.animation_record()))
            self.assertEqual(status, 200)
            names = ["00%d.png" % round, "00%d.pch" % round]
            self.assertEqual(road.saved_lines(reply), [road.expected_line(program.saved, n) for n in names])
            saved = os.path.join(program.saved, names[0])
            self.assertEqual(road.size_of(saved), size)
            # Back in the program folder: a file beside set.ini is served.
            marker = b"round %d" % round
            with open(program.path("probe.txt"), "wb") as f:
                f.write(marker)
            self.assertEqual(road.run("curl", "-s", "http://127.0.0.1:%d/probe.txt" % program.port), marker)
        self.assertTrue(os.path.exists(program.path("_tmppng.dat")))
        program.process.send_signal(signal.SIGTERM)
        self.assertEqual(program.process.wait(20), 0)
        for name in TEMPORARY_FILES:
            self.assertFalse(os.path.exists(program.path(name)), name)
        self.assertIn("No errors detected", road.pngcheck(saved))
        with open(os.path.join(program.saved, "000.pch"), "rb") as f:
            self.assertEqual(f.read(), road.animation_record())
        self.assertEqual(read_ini(program.path("set.ini"))["Setting"]["SaveFile"], "001")


if __name__ == "__main__":
    road.PROGRAM = os.path.abspath(sys.argv.pop(1))
    unittest.main()
