"""Headless Chromium driven over its DevTools pipe, without any library: the
browser reads NUL-ended JSON messages from our fd 3 and writes its own to fd
4. One page, whose uncaught exceptions are collected and whose alerts are
accepted and recorded."""

import base64
import ctypes
import fcntl
import json
import os
import select
import signal
import shutil
import subprocess
import tempfile
import time

EXECUTABLE = shutil.which("chromium")
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--remote-debugging-pipe"]


class ChromiumError(Exception):
    pass


def description(details):
    return details.get("exception", {}).get("description") or details.get("text")


class Chromium:
    timeout = 60

    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="sh-chromium-")
        self.errors = []   # texts of the page's uncaught exceptions
        self.alerts = []   # texts of the alerts accepted, oldest first
        self._next_id = 0
        self._pending = b""
        self._answers = {}
        to_browser, self._write = os.pipe()
        self._read, from_browser = os.pipe()

        def connect():
            # The pipes' ends become fds 3 and 4, through copies above both
            # so that neither is overwritten before it is copied.
            ends = [fcntl.fcntl(fd, fcntl.F_DUPFD_CLOEXEC, 10) for fd in (to_browser, from_browser)]
            os.dup2(ends[0], 3)
            os.dup2(ends[1], 4)
            ctypes.CDLL(None).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG: it ends with the test

        # Descriptors are made non-inheritable by Python, so only 0 to 4 reach the browser.
        self.process = subprocess.Popen([EXECUTABLE] + FLAGS + ["--user-data-dir=" + self.profile, "about:blank"],
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL, close_fds=False, preexec_fn=connect)
        os.close(to_browser)
        os.close(from_browser)
        self.session = None
        targets = self.command("Target.getTargets")["targetInfos"]
        page = next(t for t in targets if t["type"] == "page")
        self.session = self.command("Target.attachToTarget", {"targetId": page["targetId"], "flatten": True})["sessionId"]
        for domain in ("Page", "Runtime", "Network"):
            self.command(domain + ".enable")
        # Every load asks the server afresh.
        self.command("Network.setCacheDisabled", {"cacheDisabled": True})

    def close(self):
        self._send("Browser.close")
        self.process.wait(30)
        os.close(self._write)
        os.close(self._read)
        shutil.rmtree(self.profile, ignore_errors=True)

    def _send(self, method, params=None):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params or {}}
        if self.session:
            message["sessionId"] = self.session
        os.write(self._write, json.dumps(message).encode() + b"\0")
        return self._next_id

    def command(self, method, params=None):
        """The result of one command (in the page's session once attached),
        the browser's messages handled meanwhile; raises on a protocol error."""
        number = self._send(method, params)
        while number not in self._answers:
            if not select.select([self._read], [], [], self.timeout)[0]:
                raise ChromiumError("the browser did not answer " + method)
            chunk = os.read(self._read, 1 << 16)
            if not chunk:
                raise ChromiumError("the browser has ended")
            *messages, self._pending = (self._pending + chunk).split(b"\0")
            for message in messages:
                self._dispatch(json.loads(message))
        answer = self._answers.pop(number)
        if "error" in answer:
            raise ChromiumError("%s: %s" % (method, answer["error"]))
        return answer.get("result", {})

    def _dispatch(self, message):
        if "id" in message:
            self._answers[message["id"]] = message
            return
        method, params = message.get("method"), message.get("params", {})
        if method == "Page.javascriptDialogOpening":
            self.alerts.append(params["message"])
            self._send("Page.handleJavaScriptDialog", {"accept": True})
        elif method == "Runtime.exceptionThrown":
            self.errors.append(description(params["exceptionDetails"]))

    def open(self, address):
        """Loads address and waits until its load event has fired; raises
        when it cannot be loaded."""
        # The mark tells the old page, at the same address, from the new one.
        self.evaluate("window.leftByDriver = true")
        result = self.command("Page.navigate", {"url": address})
        if result.get("errorText"):
            raise ChromiumError("%s: %s" % (address, result["errorText"]))
        self.wait_for("!window.leftByDriver && document.readyState === 'complete'")

    def evaluate(self, expression):
        """The value of a JavaScript expression in the page, a promise
        awaited; raises with the exception's text when it throws."""
        result = self.command("Runtime.evaluate", {"expression": expression, "awaitPromise": True,
                                                   "returnByValue": True})
        if "exceptionDetails" in result:
            raise ChromiumError(description(result["exceptionDetails"]))
        return result["result"].get("value")

    def wait_for(self, expression):
        """Waits until the expression is true in the page; its last value."""
        deadline = time.time() + self.timeout
        while time.time() < deadline:
            try:
                value = self.evaluate(expression)
                if value:
                    return value
            except ChromiumError:
                pass  # a page on its way
            time.sleep(0.05)
        raise ChromiumError("never true: " + expression)

    def view(self, width=1280, height=720, scale=1):
        """The page's window: its size in CSS pixels and the device scale (1.5 is 144 DPI)."""
        self.command("Emulation.setDeviceMetricsOverride",
                     {"width": width, "height": height, "deviceScaleFactor": scale, "mobile": False})

    def drag(self, points, pointer="mouse", pressure=0.5):
        """One press, moves through points and a release, as real input:
        pointer "mouse" or "pen" (with its pressure)."""
        def send(kind, x, y, buttons):
            self.command("Input.dispatchMouseEvent",
                         {"type": kind, "x": x, "y": y, "button": "left", "buttons": buttons, "clickCount": 1,
                          "pointerType": pointer, "force": pressure if buttons else 0})
        send("mouseMoved", *points[0], 0)
        send("mousePressed", *points[0], 1)
        for x, y in points[1:]:
            send("mouseMoved", x, y, 1)
        send("mouseReleased", *points[-1], 0)

    def touch(self, fingers):
        """Fingers on the screen as real input: fingers is a list of paths,
        one per finger, each a list of points, all as long as each other.
        Every finger comes down at its first point in turn, they all move
        through their paths together and are lifted together."""
        def send(kind, down):
            self.command("Input.dispatchTouchEvent", {"type": kind, "touchPoints": [
                {"x": x, "y": y, "id": i, "force": 0.5, "radiusX": 4, "radiusY": 4} for i, (x, y) in down]})
        down = []
        for i, path in enumerate(fingers):
            down.append((i, path[0]))
            send("touchStart", down)
        for step in range(1, len(fingers[0])):
            down = [(i, path[step]) for i, path in enumerate(fingers)]
            send("touchMove", down)
        send("touchEnd", [])

    def key(self, key, code, modifiers=0, text=""):
        """A key pressed and released: key and code as KeyboardEvent names them,
        modifiers 2 Ctrl, 8 Shift."""
        for kind in ("keyDown", "keyUp"):
            self.command("Input.dispatchKeyEvent",
                         {"type": kind, "key": key, "code": code, "modifiers": modifiers, "text": text if kind == "keyDown" else "",
                          "windowsVirtualKeyCode": ord(key.upper()) if len(key) == 1 else 0})

    def screenshot(self, path):
        """The page as it shows, written to path as PNG."""
        with open(path, "wb") as f:
            f.write(base64.b64decode(self.command("Page.captureScreenshot", {"format": "png"})["data"]))
