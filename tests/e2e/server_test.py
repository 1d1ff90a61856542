"""The program's HTTP server against real clients over loopback (raw
sockets, http.client, curl). The rules behind each answer have unit tables;
these cases check that the program users run answers by them."""

import email.utils
import os
import random
import socket
import subprocess
import sys
import time
import unittest

import road

NOT_SAVED = b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\nerror\r\n" + road.FAILED_TEXT
NOT_FOUND = b"HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: 9\r\n\r\nNot Found"
REFUSED = (b"HTTP/1.1 403 Forbidden\r\nContent-Type: text/plain\r\nContent-Length: 9\r\nConnection: close\r\n\r\n"
           b"Forbidden")
DRAW = b"<html>draw</html>"


def random_bytes(n, seed):
    return random.Random(seed).randbytes(n)


def read_answer(s, to_end=False):
    """One answer from socket s (head and Content-Length bytes of body), or
    with to_end everything until the server closes or falls silent."""
    data = b""
    try:
        while to_end or b"\r\n\r\n" not in data:
            chunk = s.recv(65536)
            if not chunk:
                return data
            data += chunk
    except (socket.timeout, ConnectionResetError):
        return data
    head, _, body = data.partition(b"\r\n\r\n")
    length = next((int(line[15:]) for line in head.split(b"\r\n") if line.lower().startswith(b"content-length:")), 0)
    while len(body) < length:
        body += s.recv(65536)
    return head + b"\r\n\r\n" + body


def exchange(port, data, to_end=True, host="127.0.0.1"):
    with socket.create_connection((host, port), timeout=20) as s:
        s.sendall(data)
        return read_answer(s, to_end)


def curl(*arguments, data=None):
    return subprocess.run(["curl", "-s", "--max-time", "60"] + list(arguments), input=data,
                          stdout=subprocess.PIPE).stdout


def post_head(length, fields=b"Host: localhost"):
    return b"POST /cgi/save.cgi HTTP/1.1\r\n%s\r\nContent-Length: %d\r\n\r\n" % (fields, length)


def listening_addresses(port):
    """The local addresses of the listening TCP sockets on port, as the
    kernel lists them (a Windows program's under Wine too)."""
    found = set()
    for table in ("/proc/net/tcp", "/proc/net/tcp6"):
        with open(table) as f:
            for row in f.read().splitlines()[1:]:
                address, hex_port = row.split()[1].split(":")
                if int(hex_port, 16) == port and row.split()[3] == "0A":  # 0A: listening
                    raw = bytes.fromhex(address)
                    # Each 32-bit word is written in the machine's (little-endian) order.
                    raw = b"".join(raw[i:i + 4][::-1] for i in range(0, len(raw), 4))
                    found.add(socket.inet_ntop(socket.AF_INET if len(raw) == 4 else socket.AF_INET6, raw))
    return found


def loopback_addresses():
    """127.0.0.1, and ::1 where this machine has it."""
    try:
        with socket.socket(socket.AF_INET6) as s:
            s.bind(("::1", 0))
        return {"127.0.0.1", "::1"}
    except OSError:
        return {"127.0.0.1"}


def outside_address():
    """An IPv4 address of this machine that is not loopback, or None."""
    words = subprocess.run(["hostname", "-I"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout.split()
    return next((w.decode() for w in words if b"." in w and not w.startswith(b"127.")), None)


class Served(unittest.TestCase):
    """A group of tests against one running program serving files."""

    files = {"draw.html": DRAW}
    setting = {}

    @classmethod
    def setUpClass(cls):
        cls.program = road.Program(files=dict(cls.files, **{"../secret.txt": b"outside the program folder"}),
                                   **cls.setting)
        cls.addClassCleanup(cls.program.stop)
        cls.program.start()
        cls.port = cls.program.port

    def tearDown(self):
        self.assertIsNone(self.program.process.poll(), "the program ended")


class TestGet(Served):
    types = {"empty.txt": b"text/plain", "one.bin": b"application/octet-stream",
             "page.jar": b"application/java-archive", "big.zip": b"application/zip", "res/res.zip": b"application/zip",
             "A.PNG": b"image/png", "neo.css": b"text/css", "palette.js": b"application/x-javascript",
             "photo.jpeg": b"application/octet-stream", "draw.html": b"text/html", "b.jpg": b"image/jpeg",
             "c.Gif": b"image/gif", "d.bmp": b"image/bmp"}
    files = {name: random_bytes(3 * 1024 * 1024 if name == "big.zip" else len(name) * 3, name) for name in types}
    files["empty.txt"] = b""

    def test_files_over_one_connection_with_their_exact_head(self):
        with socket.create_connection(("127.0.0.1", self.port), timeout=20) as s:
            for name, content_type in self.types.items():
                with self.subTest(name=name):
                    s.sendall(b"GET /%s HTTP/1.1\r\nHost: localhost\r\n\r\n" % name.encode())
                    head, _, body = read_answer(s).partition(b"\r\n\r\n")
                    lines = head.split(b"\r\n")
                    served = email.utils.parsedate_to_datetime(lines[2][6:].decode()).timestamp()
                    self.assertLess(abs(served - time.time()), 5)
                    modified = email.utils.formatdate(int(os.stat(self.program.path(name)).st_mtime), usegmt=True)
                    self.assertEqual(lines, [b"HTTP/1.1 200 OK", b"MIME-Version: 1.0",
                                             b"Date: " + email.utils.formatdate(served, usegmt=True).encode(),
                                             b"Content-Type: " + content_type,
                                             b"Content-Length: %d" % len(self.files[name]),
                                             b"Last-Modified: " + modified.encode()])
                    self.assertEqual(body, self.files[name])

    def test_the_built_in_painter_comes_from_the_program_not_the_folder(self):
        # The program's folder holds a file of the same name, which is never served.
        self.program.put("_sketchhaven/painter.js", b"a file of the folder")
        with open(os.path.join(os.path.dirname(road.PROGRAM), "resources", "painter.js"), "rb") as f:
            bundle = f.read()
        for path in ["/_sketchhaven/painter.js", "/_sketchhaven/painter.js?v=2"]:
            with self.subTest(path=path):
                self.assertEqual(self.program.get(path), (200, "text/javascript; charset=UTF-8", bundle))

    def test_not_modified_for_the_servers_own_date_only(self):
        modified = email.utils.formatdate(int(os.stat(self.program.path("draw.html")).st_mtime), usegmt=True)
        self.assertEqual(curl("-D", "-", "-o", os.devnull, "-z", modified, self.program.url("/draw.html")),
                         b"HTTP/1.1 304 Not Modified\r\nLast-Modified: %s\r\n\r\n" % modified.encode())
        for date in ["Mon, 01 Jan 2001 00:00:00 GMT", "Fri, 31 Dec 9999 23:59:59 GMT"]:
            status, _, body = self.program.request("GET", "/draw.html", headers={"If-Modified-Since": date})
            self.assertEqual((status, body), (200, self.files["draw.html"]))

    def test_missing_and_forbidden_paths_are_not_found(self):
        for path in ["/", "/draw.html?x=1", "/missing.html", "/res/", "/../secret.txt", "/res/../../secret.txt",
                     "/res\\res.zip", "/c:/windows/win.ini", "/CON", "/draw.html::$DATA", "/draw*.html"]:
            with self.subTest(path=path):
                self.assertEqual(curl("-i", "--path-as-is", self.program.url(path)), NOT_FOUND)

    def test_other_methods_are_unanswered_and_the_connection_stays_open(self):
        with socket.create_connection(("127.0.0.1", self.port), timeout=20) as s:
            s.settimeout(0.3)
            for method in [b"HEAD", b"PUT", b"OPTIONS", b"get"]:
                s.sendall(method + b" /draw.html HTTP/1.1\r\nHost: localhost\r\n\r\n")
                self.assertRaises(socket.timeout, s.recv, 1)
            s.settimeout(20)
            s.sendall(b"GET /draw.html HTTP/1.1\r\nHost: localhost\r\n\r\n")
            self.assertTrue(read_answer(s).endswith(b"\r\n\r\n" + self.files["draw.html"]))


class TestPost(Served):
    def test_a_body_in_pieces_while_others_are_served_and_a_second_or_foreign_post_is_refused(self):
        body = random_bytes(40000, 12)
        with socket.create_connection(("127.0.0.1", self.port), timeout=20) as s:
            head = post_head(len(body))
            s.sendall(head[:25])
            time.sleep(0.2)
            s.sendall(head[25:] + body[:5000])
            time.sleep(0.2)
            self.assertTrue(exchange(self.port, b"GET /draw.html HTTP/1.1\r\n\r\n", False).endswith(DRAW))
            self.assertEqual(exchange(self.port, post_head(6) + b"second"), NOT_SAVED)
            foreign = post_head(5, b"Host: localhost\r\nOrigin: http://evil.example") + b"EVIL!"
            self.assertEqual(exchange(self.port, foreign), REFUSED)
            for at in range(5000, len(body), 3000):
                s.sendall(body[at:at + 3000])
                time.sleep(0.01)
            self.assertEqual(read_answer(s, True), NOT_SAVED)
        self.assertEqual(self.program.read("_post.dat"), body)

    def test_a_client_leaving_early_and_bytes_past_the_length(self):
        with socket.create_connection(("127.0.0.1", self.port), timeout=20) as s:
            s.sendall(post_head(100000) + b"x" * 5000)
            time.sleep(0.2)
        self.assertEqual(exchange(self.port, post_head(10) + b"0123456789" + b"EXTRA" * 1000), NOT_SAVED)
        self.assertEqual(self.program.read("_post.dat"), b"0123456789")

    def test_bad_or_missing_lengths_leave_the_post_file_and_the_second_shows_its_message(self):
        self.program.put("_post.dat", b"older")
        self.assertEqual(exchange(self.port, b"POST / HTTP/1.1\r\nContent-Length: 99999999999\r\n\r\n12345"), b"")
        self.assertEqual(exchange(self.port, b"POST / HTTP/1.1\r\nHost: localhost\r\n\r\nbody"), b"")
        self.assertIn("POSTのサイズが取得できません", self.program.wait_for_message("POSTのサイズ", 10))
        self.assertEqual(self.program.read("_post.dat"), b"older")
        # Under Wine the box is still open: its own loop goes on serving.
        self.assertEqual(self.program.get("/draw.html")[2], DRAW)


class TestGate(Served):
    """Loopback only, and only this machine's names and pages."""

    def test_it_listens_on_loopback_only_and_localhost_opens_at_once(self):
        expected = loopback_addresses()
        self.assertEqual(listening_addresses(self.port), expected)
        if outside_address():
            self.assertRaises(ConnectionRefusedError, socket.create_connection, (outside_address(), self.port), 5)
        for address in expected:
            answer = exchange(self.port, b"GET /draw.html HTTP/1.1\r\nHost: localhost:%d\r\n\r\n" % self.port,
                              False, address)
            self.assertTrue(answer.endswith(DRAW), address)
        started = time.time()
        self.assertEqual(curl("http://localhost:%d/draw.html" % self.port), DRAW)
        self.assertLess(time.time() - started, 5)

    def test_only_this_machines_names_are_served(self):
        set_ini = self.program.read("set.ini")
        for host, answered in [(b"evil.example:%d" % self.port, False), (b"127.0.0.2", False),
                               (b"localhost.", False), (b"", False), (b"LocalHost:%d" % self.port, True),
                               (b"[::1]:%d" % self.port, True), (b"127.0.0.1", True), (None, True)]:
            with self.subTest(host=host):
                request = (b"GET /set.ini HTTP/1.%s\r\n\r\n" % (b"0" if host is None else b"1\r\nHost: " + host))
                answer = exchange(self.port, request, not answered)
                self.assertEqual(answer.endswith(b"\r\n\r\n" + set_ini) if answered else answer, answered or REFUSED)

    def test_only_this_machines_pages_and_origin_less_clients_post(self):
        own = b"Host: localhost:%d" % self.port
        for fields, taken in [(b"Host: evil.example:%d" % self.port, False),
                              # What a browser sends from a page of another port of this machine.
                              (own + b"\r\nOrigin: http://127.0.0.1:%d\r\nSec-Fetch-Site: same-site" % (self.port + 1),
                               False),
                              (own + b"\r\nSec-Fetch-Site: cross-site", False),
                              (own + b"\r\nOrigin: http://localhost:%d\r\nSec-Fetch-Site: same-origin" % self.port, True),
                              (b"Host: [::1]:%d\r\nOrigin: http://[::1]:%d" % (self.port, self.port), True),
                              (b"Host: 127.0.0.1:%d" % self.port, True)]:
            with self.subTest(fields=fields):
                self.program.put("_post.dat", b"older")
                self.assertEqual(exchange(self.port, post_head(5, fields) + b"12345"), NOT_SAVED if taken else REFUSED)
                self.assertEqual(self.program.read("_post.dat"), b"12345" if taken else b"older")


class TestOpenToNetwork(Served):
    """With OpenToNetwork=1: every interface, and this machine's addresses as Host."""

    setting = {"OpenToNetwork": 1}

    def test_every_interface_and_this_machines_address(self):
        self.assertEqual(listening_addresses(self.port), {"0.0.0.0", "::"} if "::1" in loopback_addresses() else {"0.0.0.0"})
        outside = outside_address()
        if outside:
            for host, answer in [(b"%s:%d" % (outside.encode(), self.port), DRAW), (b"evil.example", b"Forbidden")]:
                request = b"GET /draw.html HTTP/1.1\r\nHost: %s\r\n\r\n" % host
                self.assertTrue(exchange(self.port, request, False, outside).endswith(b"\r\n\r\n" + answer), host)


class TestSlowPeers(Served):
    files = {"draw.html": DRAW, "huge.zip": random_bytes(24 * 1024 * 1024, 20)}

    def test_a_peer_that_takes_nothing_ends_its_transfer(self):
        with socket.socket() as stalled:
            stalled.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
            stalled.connect(("127.0.0.1", self.port))
            stalled.sendall(b"GET /huge.zip HTTP/1.1\r\nHost: localhost\r\n\r\n")
            time.sleep(0.5)
            started = time.time()
            self.assertEqual(self.program.get("/draw.html")[2], DRAW)
            self.assertGreater(time.time() - started, 5)
            # The server has closed it: every byte sent is there, then the end.
            stalled.settimeout(30)
            self.assertLess(len(read_answer(stalled, True)), len(self.files["huge.zip"]))

    def test_peers_that_leave_during_a_transfer_end_it_silently(self):
        for _ in range(3):
            s = socket.create_connection(("127.0.0.1", self.port), timeout=20)
            s.sendall(b"GET /huge.zip HTTP/1.1\r\nHost: localhost\r\n\r\n")
            s.recv(1000)
            s.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\x00\x00\x00\x00\x00\x00\x00")
            s.close()
        self.assertEqual(self.program.get("/draw.html")[2], DRAW)
        time.sleep(0.2)
        self.assertNotIn("error send", self.program.error_text())


if __name__ == "__main__":
    sys.exit(road.main())
