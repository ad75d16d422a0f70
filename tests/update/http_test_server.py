#!/usr/bin/env python3
"""The local HTTP server of the update tests.

Listens on 127.0.0.1 at a free port and writes it to DIR/port; stops when DIR/quit
appears, when DIR is gone or after --lifetime seconds, then writes DIR/stopped. Each
request is logged to DIR/requests.log as "<path>\\t<Range header as sent, or ->", a
transfer the client breaks off as "<path>\\taborted".

/data/ANY?size=N serves N bytes (byte i is (31 i + 7) mod 256), honouring "Range:
bytes=S-" with 206 (416 from the end on). The update server's paths serve the files of
DIR/update (see UPDATE_FILES; 404 when missing) with options from NAME.options.
Options: ignore_range=1, http10=1 (answer as HTTP/1.0), chunked=1 (no Content-Length),
slow=MS (1024 bytes every MS ms), cut=K (announce all, send K bytes, close),
silent=1 (take the request and never answer, keeping the connection open until the
client gives up or for 30 s), drip=MS (the whole answer, status line first, one byte
every MS ms; a transfer the client gives up is logged as "aborted after N bytes"),
status=CODE.

DIR/full_port names a second port whose listener never accepts and whose queue is
full: a connection to it is never established, as to a host that does not answer.
"""
import argparse
import os
import select
import socket
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

PATTERN = bytes((i * 31 + 7) & 0xFF for i in range(256))
UPDATE_FILES = {
    "/php/UpdateCheck.php": "version.txt",
    "/util/7za.exe": "7za.exe",
    "/downloads.php": "FF_Update.zip",
    "/util/Kest_Vandrel_Updater.bat": "Kest_Vandrel_Updater.bat",
}


def pattern(start, end):
    first = start - start % 256
    return (PATTERN * ((end - first) // 256 + 1))[start - first:end - first] if end > start else b""


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        value = self.headers.get("Range")
        self.record("Range:" + value.strip() if value is not None else "-")
        if url.path.startswith("/data/"):
            options = dict(urllib.parse.parse_qsl(url.query))
            return self.answer(pattern, int(options.get("size", "0")), options)
        path = os.path.join(self.server.folder, "update", UPDATE_FILES.get(url.path, "-"))
        if not os.path.isfile(path):
            return self.answer(lambda s, e: b"Not found"[s:e], 9, {"status": "404"})
        with open(path, "rb") as f:
            content = f.read()
        options = {}
        if os.path.isfile(path + ".options"):
            with open(path + ".options") as f:
                options = dict(urllib.parse.parse_qsl(f.read().strip()))
        return self.answer(lambda s, e: content[s:e], len(content), options)

    def record(self, seen):
        with self.server.log_lock, open(os.path.join(self.server.folder, "requests.log"), "a") as log:
            log.write("%s\t%s\n" % (self.path, seen))

    def wait_for_client_to_give_up(self):
        self.close_connection = True
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            if select.select([self.connection], [], [], 0.05)[0] and not self.connection.recv(1, socket.MSG_PEEK):
                return

    def drip(self, answer, delay):
        self.close_connection = True
        sent = 0
        try:
            for byte in answer:
                self.connection.sendall(bytes((byte,)))
                sent += 1
                # Wakes at once when the client closes its end.
                if select.select([self.connection], [], [], delay)[0] and not self.connection.recv(1, socket.MSG_PEEK):
                    break
        except OSError:
            pass
        if sent < len(answer):
            self.record("aborted after %d bytes" % sent)

    def answer(self, body_of, size, options):
        if options.get("silent") == "1":
            return self.wait_for_client_to_give_up()
        if "drip" in options:
            head = "HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % size
            return self.drip(head.encode() + body_of(0, size), int(options["drip"]) / 1000.0)
        if options.get("http10") == "1":
            self.protocol_version = "HTTP/1.0"
        status = int(options.get("status", "200"))
        value = (self.headers.get("Range") or "").strip()
        start = 0
        if status == 200 and value.startswith("bytes=") and options.get("ignore_range") != "1":
            start = int(value[len("bytes="):].split("-", 1)[0])
            if start >= size > 0:
                self.send_response(416)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            status = 206
        body = body_of(start, size)
        self.send_response(status)
        if status == 206:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, max(size - 1, start), size))
        chunked = options.get("chunked") == "1"
        self.send_header("Transfer-Encoding" if chunked else "Content-Length", "chunked" if chunked else str(len(body)))
        if "cut" in options:
            self.send_header("Connection", "close")
            self.close_connection = True
            body = body[:int(options["cut"])]
        self.end_headers()
        delay = int(options.get("slow", "0")) / 1000.0
        piece = 1024 if delay else max(len(body), 1)
        try:
            if chunked:
                self.wfile.write(b"%x\r\n%s\r\n0\r\n\r\n" % (len(body), body))
            else:
                for i in range(0, len(body), piece):
                    self.wfile.write(body[i:i + piece])
                    self.wfile.flush()
                    time.sleep(delay)
        except (BrokenPipeError, ConnectionResetError, ConnectionAbortedError):
            self.close_connection = True
            self.record("aborted")


def full_listener():
    """A listener with a queue of one that is never accepted from, filled: the system
    drops every further connection request, and the client's connect waits."""
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(0)
    fillers = []
    for _ in range(4):
        filler = socket.socket()
        filler.setblocking(False)
        filler.connect_ex(listener.getsockname())
        fillers.append(filler)
    return listener, fillers


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--lifetime", type=float, default=600)
    args = parser.parse_args()
    folder, lifetime = args.dir, args.lifetime
    # Started from a test under wine, this process inherits the test's standard streams;
    # keep none, or whoever reads the test's output would wait for this process too.
    log = os.open(os.path.join(folder, "server.log"), os.O_WRONLY | os.O_CREAT | os.O_APPEND, 0o644)
    os.dup2(os.open(os.devnull, os.O_RDONLY), 0)
    os.dup2(log, 1)
    os.dup2(log, 2)
    os.closerange(3, 1024)

    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.folder = folder
    server.log_lock = threading.Lock()
    full, _ = full_listener()
    for name, port in (("full_port", full.getsockname()[1]), ("port", server.server_address[1])):
        with open(os.path.join(folder, name + ".tmp"), "w") as f:
            f.write("%d\n" % port)
        os.replace(os.path.join(folder, name + ".tmp"), os.path.join(folder, name))

    def watch(deadline):
        while time.monotonic() < deadline and os.path.isdir(folder) and not os.path.exists(os.path.join(folder, "quit")):
            time.sleep(0.05)
        server.shutdown()

    threading.Thread(target=watch, args=(time.monotonic() + lifetime,), daemon=True).start()
    server.serve_forever(poll_interval=0.05)
    server.server_close()
    if os.path.isdir(folder):
        with open(os.path.join(folder, "stopped"), "w") as f:
            f.write("stopped\n")


if __name__ == "__main__":
    main()
