"""The program in a folder of its own, and what a test needs to talk to it:
set.ini, pictures made by ImageMagick, submission bodies, a POST over
loopback with http.client, the real decoders that check saved files, and for
the Windows program the Wine session it runs in and the presser that answers
its dialogs."""

import atexit
import base64
import ctypes
import http.client
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

import chromium

PROGRAM = os.environ.get("SKETCHHAVEN_PROGRAM", "")
CONVERT = shutil.which("convert-im6.q16") or "/usr/bin/convert"

SAVED_TEXT = ("====================\r\n保存完了。\r\n終了する場合はブラウザを閉じてください。\r\n"
              "続けて描くこともできます。\r\n \r\n---以下のメッセージは関係なし---").encode("cp932")
FAILED_TEXT = "保存ができませんでした\r\n----------".encode("cp932")
REPLY_HEAD = b"error\r\n"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


# ---- Copies of the program -----------------------------------------------------
#
# The program serves the folder it was started from (its executable's), so
# every program folder holds the program itself. One real copy is made per
# run of a script; each program folder gets a hard link to it, which the
# system names by the link's own path.

_master_copy = None


def place_program(folder, program=None):
    """Puts the program (PROGRAM unless given) into folder under its own
    name and returns the path there."""
    global _master_copy
    source = program or PROGRAM
    if _master_copy is None or os.path.basename(_master_copy) != os.path.basename(source):
        holder = tempfile.mkdtemp(prefix="sh-e2e-program-")
        atexit.register(shutil.rmtree, holder, True)
        _master_copy = shutil.copy2(source, os.path.join(holder, os.path.basename(source)))
    target = os.path.join(folder, os.path.basename(source))
    try:
        os.link(_master_copy, target)
    except OSError:
        shutil.copy2(_master_copy, target)
    return target


def session_environment(session_folder, base=None):
    """The environment of a program whose instance lock lives in session_folder:
    programs with different session folders run side by side, as in two
    sessions; two with the same one are a second instance."""
    return dict(base or os.environ, XDG_RUNTIME_DIR=session_folder)


def wait_listening(process, port, seconds):
    """True once port accepts a loopback connection; False when process
    ended first or the seconds have passed."""
    deadline = time.time() + seconds
    while time.time() < deadline:
        if process.poll() is not None:
            return False
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return True
        except OSError:
            time.sleep(0.1)
    return False


def die_with_parent():
    # The program stops by itself when the test that started it ends.
    ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def run(*command, data=None):
    """Output of a tool, failing loudly."""
    return subprocess.run(command, input=data, capture_output=True, check=True).stdout


# ---- Windows programs under Wine ----------------------------------------------

def windows_path(path):
    """The name a Windows program under Wine gives a file of this system."""
    return "Z:" + path.replace("/", "\\")


def run_tests_under_wine(launcher, arguments):
    """Runs the calling script's tests (unittest arguments) in a Wine session
    of their own and returns the exit status: under Xvfb (the script starts
    itself again under xvfb-run when no display is set) with a fresh Wine
    prefix, made by the wine-prefix script beside launcher, whose wineserver
    is ended and which is removed afterwards. All programs started there
    share that wineserver: while one holds the instance lock, another is a
    second instance. A console program waits in the session throughout, so
    that Wine's own processes are not ended and started again whenever the
    tests' programs have all ended (a program started meanwhile can be cut
    off)."""
    if not os.environ.get("DISPLAY"):
        os.execvp("xvfb-run", ["xvfb-run", "-a", sys.executable] + sys.argv)
    prefix = tempfile.mkdtemp(prefix="sh-e2e-wine-")
    os.environ["WINEPREFIX"] = prefix
    keeper = None
    try:
        subprocess.run([os.path.join(os.path.dirname(launcher), "wine-prefix"), prefix], check=True,
                       stdout=subprocess.DEVNULL)
        keeper = subprocess.Popen([launcher, "cmd", "/c", "pause"], stdin=subprocess.PIPE,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        result = unittest.main(argv=[sys.argv[0]] + list(arguments), exit=False).result
    finally:
        if keeper:
            keeper.stdin.close()
        subprocess.run(["/usr/lib/wine/wineserver", "-k"], check=False)
        if keeper:
            keeper.wait(30)
        shutil.rmtree(prefix, ignore_errors=True)
    return 0 if result.wasSuccessful() else 1


class Presser:
    """The presser program (tests/win32/dialog_presser.cpp) working through
    steps (caption, button id, {edit id: text}) in the background, with its
    script and report in folder."""

    def __init__(self, launcher, presser, steps, folder, seconds=60):
        self.script = os.path.join(folder, "presser-steps.txt")
        self.report = os.path.join(folder, "presser-report.txt")
        with open(self.script, "w", encoding="utf-8") as f:
            for caption, button, texts in steps:
                f.write("\t".join([caption, str(button)] + ["%d=%s" % kv for kv in texts.items()]) + "\n")
        self.process = subprocess.Popen([launcher, presser, windows_path(self.script), windows_path(self.report),
                                         str(seconds)],
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def pressed(self):
        """Waits for the presser to end; its report lines (caption, message
        text or "-"), or (missing, caption) for a dialog that never came."""
        self.process.wait(120)
        with open(self.report, encoding="utf-8") as f:
            lines = [tuple(line.split("\t", 1)) for line in f.read().splitlines()]
        os.remove(self.script)
        os.remove(self.report)
        return lines


# ---- Pictures and bodies ------------------------------------------------------

def picture_from_ppm(width, height, pixels):
    """A 24-bit PNG made by ImageMagick from (r, g, b) tuples, rows top first."""
    ppm = b"P6 %d %d 255\n" % (width, height) + bytes(c for p in pixels for c in p)
    return run(CONVERT, "ppm:-", "PNG24:-", data=ppm)


def drawn_picture(width=61, height=43):
    """A picture with a few flat colours, as a drawing has them (under 256)."""
    return run(CONVERT, "-size", "%dx%d" % (width, height), "xc:white", "+antialias",
               "-fill", "#c03010", "-draw", "rectangle 3,4 %d,%d" % (width // 2, height // 3),
               "-fill", "#1040e0", "-draw", "circle %d,%d %d,%d" % (width * 2 // 3, height // 2, width - 3, height // 2),
               "-fill", "black", "-draw", "point 1,%d" % (height - 2), "PNG24:-")


def many_coloured_picture(width, height):
    """A smooth picture with many thousands of colours."""
    return run(CONVERT, "-seed", "11", "-size", "%dx%d" % (width, height), "plasma:fractal", "PNG24:-")


def colours_picture(count, width=20, height=15):
    """A picture with exactly count distinct colours."""
    pixels = []
    for i in range(width * height):
        k = i % count
        pixels.append(((k * 37) % 256, (k * 91 + k // 256 * 7) % 256, k // 7 % 256))
    assert len(set(pixels)) == count
    return picture_from_ppm(width, height, pixels)


def record_body(letter, picture, animation=None):
    header = b"1" if animation is not None else b"0"
    body = letter + b"%08d" % len(header) + header + b"%08d" % len(picture) + b"\r\n" + picture
    if animation is not None:
        body += b"%08d" % len(animation) + animation
    return body


def raw_body(picture):
    return b"junji.gif\r\n" + picture


def animation_record(size=3000):
    return bytes((i * 131 + i // 251) & 0xFF for i in range(size))


# ---- The program -------------------------------------------------------------

class Program:
    """A copy of sketchhaven in a fresh program folder, serving it on a free
    port. Without a SaveDir of the caller's it saves into the folder 'saved'
    there."""

    def __init__(self, **setting):
        self.folder = tempfile.mkdtemp(prefix="sh-e2e-")
        self.port = free_port()
        self.saved = None
        if "SaveDir" not in setting:
            self.saved = self.path("saved")
            os.mkdir(self.saved)
            setting["SaveDir"] = self.saved
        lines = ["[Setting]", "Port=%d" % self.port] + ["%s=%s" % kv for kv in setting.items()]
        with open(self.path("set.ini"), "w", encoding="cp932", newline="\r\n") as f:
            f.write("\n".join(lines) + "\n")
        program = place_program(self.folder)
        self.session = tempfile.mkdtemp(prefix="sh-e2e-session-")
        self.errors = tempfile.TemporaryFile()
        # Started from elsewhere: the program finds its folder by itself.
        self.process = subprocess.Popen([program], cwd=self.session, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=self.errors,
                                        env=session_environment(self.session), preexec_fn=die_with_parent)
        self.wait_until_listening()

    def path(self, *names):
        return os.path.join(self.folder, *names)

    def wait_until_listening(self):
        for _ in range(200):
            if self.process.poll() is not None:
                raise RuntimeError("program ended: " + self.error_text())
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return
            except OSError:
                time.sleep(0.05)
        raise RuntimeError("program does not listen")

    def post(self, body):
        """(status, content type, reply body, seconds from the last body byte to the status line)."""
        c = http.client.HTTPConnection("127.0.0.1", self.port, timeout=60)
        c.request("POST", "/cgi/save.cgi", body, {"Content-Type": "application/octet-stream"})
        sent = time.perf_counter()
        r = c.getresponse()
        answered = time.perf_counter()
        text = r.read()
        c.close()
        return r.status, r.getheader("Content-Type"), text, answered - sent

    def error_text(self):
        """What the program wrote to standard error (its message boxes, and
        the sanitizers' reports in a sanitizer build)."""
        self.errors.seek(0)
        return self.errors.read().decode("utf-8", "replace")

    def stop(self):
        """Stops the program; raises when a sanitizer reported a fault."""
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        text = self.error_text()
        self.errors.close()
        shutil.rmtree(self.folder, ignore_errors=True)
        shutil.rmtree(self.session, ignore_errors=True)
        if "Sanitizer" in text or "runtime error:" in text:
            raise AssertionError("sanitizer report:\n" + text)


def saved_lines(reply):
    """The file lines of a success reply, or None for the failure reply."""
    assert reply.startswith(REPLY_HEAD), reply
    rest = reply[len(REPLY_HEAD):]
    if rest == FAILED_TEXT:
        return None
    assert rest.endswith(SAVED_TEXT), rest
    return rest[:-len(SAVED_TEXT)].decode("cp932").split("\r\n")[:-1]


def expected_line(folder, name):
    return "%s (%.2fKB)" % (name, os.path.getsize(os.path.join(folder, name)) / 1024)


def saved_names(test, folder, reply):
    """The names of a success reply, each line's size checked by test
    against the file in folder."""
    lines = saved_lines(reply)
    test.assertIsNotNone(lines, "failure reply")
    names = [line.rsplit(" (", 1)[0] for line in lines]
    test.assertEqual(lines, [expected_line(folder, n) for n in names])
    return names


# ---- Pages in headless Chromium -------------------------------------------------

def posting_page(address, body):
    """A page that posts body to address with fetch (no-cors: a simple request,
    sent without asking the server first) and leaves the outcome in the body
    element's data-outcome: the response type, or "failed"."""
    return (b"""<!DOCTYPE html><html><head><meta charset="utf-8"></head><body><script>
var bytes = Uint8Array.from(atob("%s"), function (c) { return c.charCodeAt(0); });
fetch("%s", {method: "POST", mode: "no-cors", body: new Blob([bytes])}).then(
  function (r) { document.body.setAttribute("data-outcome", r.type); },
  function () { document.body.setAttribute("data-outcome", "failed"); });
</script></body></html>""" % (base64.b64encode(body), address.encode()))


def page_outcome(address):
    """Loads address in headless Chromium and returns the page's
    data-outcome once its fetch has ended."""
    with chromium.Chromium() as browser:
        browser.open(address)
        return browser.wait_for("document.body.getAttribute('data-outcome')")


class OtherSite:
    """Another web server on this machine (Python's http.server on its own
    loopback port), serving folder: the site of a stranger's page."""

    def __init__(self, folder):
        self.port = free_port()
        self.process = subprocess.Popen([sys.executable, "-m", "http.server", "--bind", "127.0.0.1",
                                         "--directory", folder, str(self.port)],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                        preexec_fn=die_with_parent)
        if not wait_listening(self.process, self.port, 20):
            raise RuntimeError("http.server does not listen")

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def stop(self):
        self.process.terminate()
        self.process.wait(10)


# ---- Real decoders -----------------------------------------------------------

def rgb_of(path):
    """ImageMagick's 8-bit red, green, blue of a file, alpha left out."""
    return run(CONVERT, path, "-alpha", "off", "-depth", "8", "rgb:-")


def size_of(path):
    w, h = run("identify", "-format", "%w %h", path).split()
    return int(w), int(h)


def pngcheck(path):
    """pngcheck's verbose report; raises when the file is not sound."""
    return run("pngcheck", "-v", path).decode()


def djpeg(path):
    """The picture as libjpeg decodes it (PPM), and whether it is progressive."""
    decoded = run("djpeg", "-pnm", path)
    interlace = run("identify", "-format", "%[interlace]", path).decode()
    return decoded, interlace == "JPEG"


def giftext(path):
    return run("giftext", path).decode()


def psnr(a, b):
    """Peak signal-to-noise ratio of two files, in dB, by ImageMagick's compare."""
    r = subprocess.run(["compare", "-metric", "PSNR", a, b, "null:"], capture_output=True)
    value = r.stderr.decode().split()[0]
    return float("inf") if value == "inf" else float(value)
