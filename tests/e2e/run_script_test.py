"""scripts/run.sh as a new user starts it without a display: in an empty
program folder the native program writes the drawing page at once, sends the
browser there, the page draws with the built-in painter, and Ctrl+C ends it
cleanly. Run by scripts/test.sh after the native build, not through ctest,
since the script itself configures and builds."""

import os
import signal
import subprocess
import sys
import tempfile
import unittest

import road

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))


class TestRunScript(unittest.TestCase):
    def test_a_fresh_folder_draws_with_the_built_in_painter_and_ctrl_c_ends_it(self):
        with tempfile.TemporaryDirectory() as temp:
            folder, bin_folder = os.path.join(temp, "run"), os.path.join(temp, "bin")
            os.makedirs(folder)
            os.makedirs(bin_folder)
            port = road.free_port()
            road.write_ini(os.path.join(folder, "set.ini"), {"Setting": {"Port": port}})
            opened = os.path.join(temp, "opened")
            opener = os.path.join(bin_folder, "xdg-open")
            with open(opener, "w") as f:
                f.write("#!/bin/sh\nprintf %%s \"$1\" > %s\n" % opened)
            os.chmod(opener, 0o755)
            env = dict(os.environ, SKETCHHAVEN_RUN_FOLDER=folder, PATH=bin_folder + os.pathsep + os.environ["PATH"])
            env.pop("DISPLAY", None)
            script = subprocess.Popen([os.path.join(ROOT, "scripts", "run.sh")], env=env, stdout=subprocess.PIPE,
                                      stderr=subprocess.STDOUT, text=True)
            try:
                lines = []
                for line in script.stdout:
                    lines.append(line)
                    if line.startswith("Ctrl+C"):
                        break
                address = "http://localhost:%d/draw.html" % port
                self.assertIn("drawing: %s\n" % address, lines, "".join(lines))
                self.assertTrue(road.wait_until(lambda: os.path.exists(opened), 10))
                with open(opened) as f:
                    self.assertEqual(f.read(), address)
                page = self.get(port, "/draw.html")
                self.assertIn(b'src="_sketchhaven/painter.js"', page)
                self.assertIn(b"window.sketchhavenPainter", self.get(port, "/_sketchhaven/painter.js"))
                script.send_signal(signal.SIGINT)
                rest = script.stdout.read()
                self.assertEqual(script.wait(30), 0, rest)
                self.assertIn("Sketchhaven ended (exit status 0)", rest)
                self.assertFalse(road.listening(port))
            finally:
                # The program runs in a session of its own: the script's
                # Ctrl+C is what ends it.
                if script.poll() is None:
                    script.send_signal(signal.SIGINT)
                    script.wait(30)
                script.stdout.close()

    def get(self, port, path):
        status, _, body = road.request(port, "GET", path)
        self.assertEqual(status, 200, path)
        return body


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
