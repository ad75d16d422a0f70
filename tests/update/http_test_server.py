#!/usr/bin/env python3
"""The local HTTP server of the update tests.

Started by a test with a folder of its own; it listens on 127.0.0.1 at a free port and
writes that port to FOLDER/port. It stops when FOLDER/quit appears, when the folder is
gone, or after --lifetime seconds, and then writes FOLDER/stopped.

Every request is appended to FOLDER/requests.log as "<path and query>\t<Range header>"
("Range:" and the value as sent, or "-" without one).

/data/<name>?size=N serves N bytes of a fixed pattern (byte i is (31 i + 7) mod 256) and
honours "Range: bytes=S-" with 206. Options, combinable:
  ignore_range=1   always the whole body with 200
  http10=1         answer as HTTP/1.0
  chunked=1        no Content-Length, chunked transfer coding
  slow=MS          send the body 1024 bytes at a time, MS milliseconds apart
  cut=K            announce the whole body, send K bytes and close the connection
  status=CODE      answer with this status code
A transfer the client breaks off is logged as "<path and query>\taborted".

The update server's paths serve the files of FOLDER/update:
  /php/UpdateCheck.php        version.txt (missing: 404)
  /util/7za.exe               7za.exe
  /downloads.php?...update=.. FF_Update.zip
  /util/Kest_Vandrel_Updater.bat   Kest_Vandrel_Updater.bat
A file NAME.options beside one holds options as above in query form ("cut=5000").
"""
import argparse
import os
import sys
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
PIECE = 1024


def pattern(start, end):
    if end <= start:
        return b""
    first = start - start % 256
    body = PATTERN * ((end - first) // 256 + 1)
    return body[start - first:end - first]


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "VandrelTestServer/1"

    def log_message(self, fmt, *args):
        sys.stderr.write("%s\n" % (fmt % args))

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        self.record()
        if url.path.startswith("/data/"):
            options = dict(urllib.parse.parse_qsl(url.query))
            size = int(options.get("size", "0"))
            return self.answer(lambda s, e: pattern(s, e), size, options)
        name = UPDATE_FILES.get(url.path)
        path = os.path.join(self.server.folder, "update", name) if name else None
        if not path or not os.path.isfile(path):
            return self.answer(lambda s, e: b"Not found"[s:e], 9, {"status": "404"})
        with open(path, "rb") as f:
            content = f.read()
        options = {}
        if os.path.isfile(path + ".options"):
            with open(path + ".options") as f:
                options = dict(urllib.parse.parse_qsl(f.read().strip()))
        return self.answer(lambda s, e: content[s:e], len(content), options)

    def record(self, seen=None):
        if seen is None:
            value = self.headers.get("Range")
            seen = "Range:" + value.strip() if value is not None else "-"
        with self.server.log_lock:
            with open(os.path.join(self.server.folder, "requests.log"), "a") as log:
                log.write("%s\t%s\n" % (self.path, seen))

    def requested_start(self, size, options):
        value = self.headers.get("Range")
        if value is None or options.get("ignore_range") == "1":
            return None
        value = value.strip()
        if not value.startswith("bytes=") or "-" not in value:
            return None
        first = value[len("bytes="):].split("-", 1)[0].strip()
        return int(first) if first.isdigit() else None

    def answer(self, body_of, size, options):
        if options.get("http10") == "1":
            self.protocol_version = "HTTP/1.0"
            self.close_connection = True
        status = int(options.get("status", "200"))
        start = self.requested_start(size, options) if status == 200 else None
        end = size
        if start is not None:
            if start >= size and size > 0:
                self.send_response(416)
                self.send_header("Content-Range", "bytes */%d" % size)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            status = 206
        start = start or 0
        body = body_of(start, end)
        self.send_response(status)
        if status == 206:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, max(end - 1, start), size))
        self.send_header("Content-Type", "application/octet-stream")
        chunked = options.get("chunked") == "1"
        if chunked:
            self.send_header("Transfer-Encoding", "chunked")
        else:
            self.send_header("Content-Length", str(len(body)))
        cut = int(options["cut"]) if "cut" in options else None
        if cut is not None:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        if cut is not None:
            body = body[:cut]
        delay = int(options.get("slow", "0")) / 1000.0
        try:
            if chunked:
                self.wfile.write(b"%x\r\n%s\r\n0\r\n\r\n" % (len(body), body))
            elif delay:
                for i in range(0, len(body), PIECE):
                    self.wfile.write(body[i:i + PIECE])
                    self.wfile.flush()
                    time.sleep(delay)
            else:
                self.wfile.write(body)
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError, ConnectionAbortedError):
            self.close_connection = True
            self.record("aborted")


def watch(server, folder, deadline):
    while time.monotonic() < deadline:
        if os.path.exists(os.path.join(folder, "quit")) or not os.path.isdir(folder):
            break
        time.sleep(0.05)
    server.shutdown()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--lifetime", type=float, default=600)
    args = parser.parse_args()
    folder = args.dir
    # Started by a test under wine, this process inherits the test's standard streams;
    # keep none of them, or whoever reads the test's output would wait for us too.
    log = os.open(os.path.join(folder, "server.log"), os.O_WRONLY | os.O_CREAT | os.O_APPEND, 0o644)
    null = os.open(os.devnull, os.O_RDONLY)
    os.dup2(null, 0)
    os.dup2(log, 1)
    os.dup2(log, 2)
    os.closerange(3, 1024)

    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.folder = folder
    server.log_lock = threading.Lock()
    port_file = os.path.join(folder, "port")
    with open(port_file + ".tmp", "w") as f:
        f.write("%d\n" % server.server_address[1])
    os.replace(port_file + ".tmp", port_file)

    threading.Thread(target=watch, args=(server, folder, time.monotonic() + args.lifetime), daemon=True).start()
    server.serve_forever(poll_interval=0.05)
    server.server_close()
    if os.path.isdir(folder):
        with open(os.path.join(folder, "stopped"), "w") as f:
            f.write("stopped\n")


if __name__ == "__main__":
    main()
