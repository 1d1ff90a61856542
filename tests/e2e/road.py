"""The one harness of the end-to-end scripts: the program users run (native,
or under Wine with tests/win32/window_commander.cpp answering its windows and
standing in for its browser), pictures, bodies and the real decoders that
check saved files. Every script runs
  script.py PROGRAM [--launcher wine-run --commander C] [unittest arguments]
"""

import argparse
import configparser
import contextlib
import ctypes
import http.client
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

PROGRAM = LAUNCHER = COMMANDER = None
CONVERT = shutil.which("convert-im6.q16") or "/usr/bin/convert"
TEMPORARY_FILES = ["_post.dat", "_tmppng.dat", "_tmppch.dat", "_load.dat"]
FALLBACK_PORTS = [80, 8010, 8011, 8012]

REPLY_HEAD = b"error\r\n"
SAVED_TEXT = ("====================\r\n保存完了。\r\n終了する場合はブラウザを閉じてください。\r\n"
              "続けて描くこともできます。\r\n \r\n---以下のメッセージは関係なし---").encode("cp932")
FAILED_TEXT = "保存ができませんでした\r\n----------".encode("cp932")

# The Windows program's windows and commands.
CAPTION, SAVE, QUESTION, PLAYBACK = "Sketchhaven", "保存", "確認", "アニメーション再生"
BOX_CAPTION = "Error"  # Wine's caption of a box given none, in its English texts
OK, CANCEL, YES, NO = 1, 2, 6, 7
EXIT, CLOSE_BOX, PLAYBACK_COMMAND = 40001, 2, 40004
SAVE_FILE_BOX, PLAYBACK_PATH = 1118, 1125


def windows():
    return LAUNCHER is not None


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def listening(port):
    with socket.socket() as s:
        return s.connect_ex(("127.0.0.1", port)) == 0


def wait_until(condition, seconds):
    """Whether condition() came true within the seconds."""
    deadline = time.time() + seconds
    while not condition():
        if time.time() > deadline:
            return False
        time.sleep(0.05)
    return True


def run(*command, data=None):
    """Output of a tool, failing loudly."""
    return subprocess.run(command, input=data, capture_output=True, check=True).stdout


def windows_path(path):
    """The name a Windows program under Wine gives a file of this system."""
    return "Z:" + path.replace("/", "\\")


def command(*arguments, expect=0):
    """The window commander's output (tests/win32/window_commander.cpp)."""
    r = subprocess.run([LAUNCHER, COMMANDER] + [str(a) for a in arguments], stdin=subprocess.DEVNULL,
                       capture_output=True, timeout=90)
    if r.returncode != expect:
        raise AssertionError("window_commander %r: %r" % (arguments, r.stdout))
    return r.stdout.decode().strip()


@contextlib.contextmanager
def answered(steps, folder):
    """Under Wine the window commander presses through steps (caption, button
    id, {edit id: text}) while the block runs, each window waited for a minute
    at most; the list yielded then holds its report: (caption, message text or
    "-") per step pressed. Natively nothing is asked, and the list stays empty."""
    report = []
    if not windows() or not steps:
        yield report
        return
    script = os.path.join(folder, "steps.txt")
    with open(script, "w", encoding="utf-8") as f:
        for caption, button, texts in steps:
            f.write("\t".join([caption, str(button)] + ["%d=%s" % kv for kv in texts.items()]) + "\n")
    commander = subprocess.Popen([LAUNCHER, COMMANDER, "press", windows_path(script)],
                                 stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        yield report
    finally:
        printed = commander.communicate(timeout=60 * len(steps) + 60)[0].decode("utf-8")
        for line in printed.splitlines():  # a message's own line breaks go on its text
            if "\t" in line:
                report.append(tuple(line.split("\t", 1)))
            else:
                report[-1] = (report[-1][0], report[-1][1] + "\n" + line)
        os.remove(script)


def request(port, method, path, body=None, headers=None):
    """(status, content type, body) of one request by http.client."""
    c = http.client.HTTPConnection("127.0.0.1", port, timeout=180)
    c.request(method, path, body, dict({"Content-Type": "application/octet-stream"} if body else {},
                                       **(headers or {})))
    r = c.getresponse()
    answer = (r.status, r.getheader("Content-Type"), r.read())
    c.close()
    return answer


def write_ini(path, sections):
    """A profile file from {section: {key: value}}, in code page 932 with CR LF."""
    with open(path, "w", encoding="cp932", newline="\r\n") as f:
        for section, values in sections.items():
            f.write("[%s]\n" % section + "".join("%s=%s\n" % kv for kv in values.items()))


def read_ini(path):
    parser = configparser.ConfigParser(delimiters=("=",), interpolation=None, strict=False)
    parser.optionxform = str  # keys keep their case
    parser.read(path, encoding="cp932")
    return {name: dict(parser[name]) for name in parser.sections()}


class Program:
    """The program in root/program, saving into root/saved, its browser a stand-in
    in root/browser (browser=True), started from root. Setting: set.ini's [Setting]
    values (None leaves one out); files: {name: bytes} beside the program;
    program: another one to run (native=True: natively). Natively each has an
    instance lock of its own; under Wine all share the wineserver's."""

    def __init__(self, browser=False, files=None, program=None, native=False, **setting):
        self.launcher = None if native else LAUNCHER
        self.root = tempfile.mkdtemp(prefix="sh-e2e-")
        self.folder, self.saved, self.browser = (os.path.join(self.root, n) for n in ("program", "saved", "browser"))
        self.address_file = os.path.join(self.browser, "stand_in_address.txt")
        for folder in (self.folder, self.saved, self.browser, self.path("..", "session")):
            os.mkdir(folder)
        self.port = setting.pop("Port", None) or free_port()
        values = {"Port": self.port, "SaveDir": self.host_path(self.saved), "SaveFile": "000", "OptionFlag": 22}
        values.update(setting)
        sections = {"Setting": {k: v for k, v in values.items() if v is not None}}
        if browser:
            sections["Browser"] = {"Flag": 1, "Path": self.host_path(self.stand_in())}
        write_ini(self.path("set.ini"), sections)
        for name, data in (files or {}).items():
            self.put(name, data)
        self.program = shutil.copy2(program or PROGRAM, self.folder)
        self.processes = []
        self.process = None

    def path(self, *names):
        """A file of the program folder (put and read take any path too)."""
        return os.path.join(self.folder, *names)

    def host_path(self, path):
        return windows_path(path) if self.launcher else path

    def put(self, name, data):
        os.makedirs(os.path.dirname(self.path(name)), exist_ok=True)
        with open(self.path(name), "wb") as f:
            f.write(data)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def stand_in(self):
        if self.launcher:
            return shutil.copy2(COMMANDER, self.browser)  # its stand-in mode
        path = os.path.join(self.browser, "browser.py")
        with open(path, "w") as f:
            f.write("#!%s\nimport os, sys\nopen(%r, 'w').write(' '.join(sys.argv[1:]))\nos.rename(%r, %r)\n"
                    % (sys.executable, path + ".part", path + ".part", self.address_file))
        os.chmod(path, 0o755)
        return path

    def browser_address(self, seconds=60):
        """The address the browser stand-in was last started with, or None
        when it was not started within the seconds."""
        if not wait_until(lambda: os.path.exists(self.address_file), seconds):
            return None
        with open(self.address_file, encoding="utf-8") as f:
            address = f.read()
        os.remove(self.address_file)
        return address

    def start(self, *arguments, wait=True, environment=None):
        """Starts the program with arguments (the latest one is self.process)
        and unless wait=False waits until it listens on its port."""
        errors = tempfile.TemporaryFile()
        if self.launcher:
            command, env = [LAUNCHER, self.program], dict(os.environ, WINEDEBUG="-all,+msgbox")
        else:
            command, env = [self.program], dict(os.environ, XDG_RUNTIME_DIR=self.path("..", "session"))
        # Natively what it prints is kept (a second instance must print nothing).
        out = subprocess.DEVNULL if self.launcher else subprocess.PIPE
        self.process = subprocess.Popen(command + list(arguments), cwd=self.root, stdin=subprocess.DEVNULL,
                                        stdout=out, stderr=errors, env=dict(env, **(environment or {})),
                                        preexec_fn=lambda: ctypes.CDLL(None).prctl(1, signal.SIGTERM))  # ends with us
        self.process.errors = errors
        self.processes.append(self.process)
        if wait:
            wait_until(lambda: listening(self.port) or self.process.poll() is not None, 90)
            if not listening(self.port):
                raise AssertionError("the program does not listen on %d: %s" % (self.port, self.error_text()))
        return self.process

    def error_text(self, process=None):
        """Standard error: natively the message boxes' texts, under Wine its
        trace of them (its \\xxxx escapes decoded)."""
        errors = (process or self.process).errors
        errors.seek(0)
        text = errors.read().decode("utf-8", "replace")
        return re.sub(r"\\([0-9a-f]{4})", lambda m: chr(int(m.group(1), 16)), text)

    def wait_for_message(self, text, seconds=60):
        wait_until(lambda: text in self.error_text(), seconds)
        return self.error_text()

    def exit(self, how=None):
        """Ends the program as a user does (natively SIGTERM or how, under
        Wine the command how, File > Exit by default); it must end with 0."""
        if self.launcher:
            command("post", CAPTION, how or EXIT)
        else:
            self.process.send_signal(how or signal.SIGTERM)
        assert self.process.wait(30) == 0, "exit code %r" % self.process.returncode

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def request(self, method, path, body=None, headers=None):
        return request(self.port, method, path, body, headers)

    def get(self, path):
        return self.request("GET", path)

    def post(self, body, steps=((SAVE, OK, {}),)):
        """Posts body to the save address, the save dialog answered by steps
        under Wine; (status, content type, reply)."""
        with answered(steps, self.root):
            return self.request("POST", "/cgi/save.cgi", body)

    def stop(self):
        """Ends whatever still runs; raises when a sanitizer reported a fault."""
        for p in self.processes:
            if p.poll() is None:
                p.kill()
            p.wait(30)
        reports = [t for t in map(self.error_text, self.processes) if "Sanitizer" in t or "runtime error:" in t]
        for p in self.processes:
            p.errors.close()
            if p.stdout:
                p.stdout.close()
        self.processes = []
        shutil.rmtree(self.root, ignore_errors=True)
        if reports:
            raise AssertionError("sanitizer report:\n" + "\n".join(reports))


_made = []


def program(test, *arguments, wait=True, **options):
    """A Program for the test, started with arguments (start=False: not
    started), stopped at its clean-up. Under Wine, where all programs share
    one instance lock, the one made before is stopped first."""
    start = options.pop("start", True)
    while windows() and _made:
        _made.pop().stop()
    p = Program(**options)
    test.addCleanup(p.stop)
    _made.append(p)
    if start:
        p.start(*arguments, wait=wait)
    return p


# ---- Pictures and bodies ------------------------------------------------------

def drawn_picture(width=61, height=43):
    """A picture with a few flat colours, as a drawing has them (under 256)."""
    return run(CONVERT, "-size", "%dx%d" % (width, height), "xc:white", "+antialias", "-fill", "#c03010",
               "-draw", "rectangle 3,4 %d,%d" % (width // 2, height // 3), "-fill", "#1040e0",
               "-draw", "circle %d,%d %d,%d" % (width * 2 // 3, height // 2, width - 3, height // 2), "PNG24:-")


def many_coloured_picture(width, height):
    """A smooth picture with many thousands of colours."""
    return run(CONVERT, "-seed", "11", "-size", "%dx%d" % (width, height), "plasma:fractal", "PNG24:-")


def colours_picture(count, width=20, height=15):
    """A picture with exactly count distinct colours."""
    pixels = [((k * 37) % 256, (k * 91) % 256, k // 7 % 256) for k in (i % count for i in range(width * height))]
    ppm = b"P6 %d %d 255\n" % (width, height) + bytes(c for p in pixels for c in p)
    return run(CONVERT, "ppm:-", "PNG24:-", data=ppm)


def record_body(letter, picture, animation=None):
    header = b"1" if animation is not None else b"0"
    body = letter + b"%08d" % len(header) + header + b"%08d" % len(picture) + b"\r\n" + picture
    return body + (b"%08d" % len(animation) + animation if animation is not None else b"")


# ---- Replies and real decoders ------------------------------------------------

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


def rgb_of(picture):
    """ImageMagick's 8-bit red, green, blue of a file or of PNG bytes, alpha left out."""
    png = isinstance(picture, bytes)
    return run(CONVERT, "png:-" if png else picture, "-alpha", "off", "-depth", "8", "rgb:-",
               data=picture if png else None)


def identify(path, what):
    return run("identify", "-format", what, path).decode()


def pngcheck(path):  # raises when the file is not sound
    return run("pngcheck", "-v", path).decode()


# ---- Running a script -----------------------------------------------------------

def main():
    """Runs the calling script's tests; under Wine in a fresh prefix (under Xvfb
    without a display), a console program keeping Wine's own processes up."""
    global PROGRAM, LAUNCHER, COMMANDER
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    for option in ("launcher", "commander"):
        parser.add_argument("--" + option, type=os.path.abspath)
    options, rest = parser.parse_known_args()
    PROGRAM = os.path.abspath(options.program)
    LAUNCHER, COMMANDER = options.launcher, options.commander
    if windows():
        if not os.environ.get("DISPLAY"):
            os.execvp("xvfb-run", ["xvfb-run", "-a", sys.executable] + sys.argv)
        prefix = os.environ["WINEPREFIX"] = tempfile.mkdtemp(prefix="sh-e2e-wine-")
        subprocess.run([os.path.join(os.path.dirname(LAUNCHER), "wine-prefix"), prefix], stdout=subprocess.DEVNULL)
        keeper = subprocess.Popen([LAUNCHER, "cmd", "/c", "pause"], stdin=subprocess.PIPE,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        result = unittest.main(argv=sys.argv[:1] + rest, exit=False).result
    finally:
        if windows():
            keeper.stdin.close()
            subprocess.run(["/usr/lib/wine/wineserver", "-k"])
            keeper.wait(30)
            shutil.rmtree(prefix, ignore_errors=True)
    return 0 if result.wasSuccessful() else 1
