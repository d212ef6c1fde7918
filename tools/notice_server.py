#!/usr/bin/env python3
"""Loopback web server for Qelvo's update and banner pages (tests and the run command).

Usage: tools/notice_server.py [--port 18650] [--pages DIR] [--log FILE]
                              [--new-version] [--port-file FILE] [--idle-exit SECONDS]

  --port N          port on 127.0.0.1 (default 18650, which the win64 build's addresses use;
                    0 picks a free port)
  --pages DIR       folder of pages to serve (default notices/pages beside this tool)
  --log FILE        append every request to FILE: the request line and the header lines
                    exactly as received, then a blank line
  --new-version     serve update-new.html, which announces a new version, for /update.html;
                    without it /update.html is the page of the current version (no notice)
  --port-file FILE  write the port actually bound to FILE once the server listens
  --idle-exit S     exit after S seconds without a request (default 0: never)

Besides the files of the pages folder it answers:
  /status/NNN       status NNN with a short text body (error pages still have bodies)
  /big/N            N bytes of 'x' (at most 64 MiB), for the read cap
  /echo?b=BYTES     the percent-decoded BYTES as the body (any page content a test needs)
  /quit             answers "bye" and stops the server
Every answer is HTTP/1.0 with Connection: close.
"""
import argparse
import os
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

HERE = os.path.dirname(os.path.abspath(__file__))


class TeeReader:
    """Keeps the raw lines of the request head as they were read."""

    def __init__(self, raw):
        self.raw = raw
        self.lines = []

    def readline(self, *args):
        line = self.raw.readline(*args)
        if len(self.lines) < 200:
            self.lines.append(line)
        return line

    def read(self, *args):
        return self.raw.read(*args)

    def __getattr__(self, name):
        return getattr(self.raw, name)


class Handler(BaseHTTPRequestHandler):
    server_version = "QelvoNoticeServer/1.0"
    protocol_version = "HTTP/1.0"

    def setup(self):
        super().setup()
        self.rfile = TeeReader(self.rfile)

    def log_message(self, fmt, *args):  # quiet on stderr; the --log file is the record
        pass

    def record(self):
        self.server.last_request = time.monotonic()
        if not self.server.log_path:
            return
        head = []
        for raw in self.rfile.lines:
            text = raw.decode("latin-1").rstrip("\r\n")
            if not text:
                break
            head.append(text)
        with self.server.log_lock, open(self.server.log_path, "a", encoding="latin-1") as log:
            log.write("\n".join(head) + "\n\n")

    def answer(self, status, body, content_type="text/html; charset=utf-8"):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-cache")
        self.send_header("Connection", "close")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def do_GET(self):
        self.record()
        path = self.path.split("?", 1)[0]
        if path == "/quit":
            self.answer(200, b"bye", "text/plain")
            threading.Thread(target=self.server.shutdown, daemon=True).start()
            return
        if path.startswith("/status/"):
            try:
                status = int(path.split("/")[2])
            except ValueError:
                status = 400
            status = status if 200 <= status <= 599 else 400
            self.answer(status, ("status %d body" % status).encode())
            return
        if path.startswith("/big/"):
            try:
                size = min(int(path.split("/")[2]), 64 << 20)
            except ValueError:
                size = 0
            self.answer(200, b"x" * size, "application/octet-stream")
            return
        if path == "/echo":
            query = self.path.split("?", 1)[1] if "?" in self.path else ""
            body = b""
            for part in query.split("&"):
                if part.startswith("b="):
                    body = urllib.parse.unquote_to_bytes(part[2:].replace("+", " "))
            self.answer(200, body)
            return
        name = path.lstrip("/") or "index.html"
        if name == "update.html" and self.server.new_version:
            name = "update-new.html"
        full = os.path.realpath(os.path.join(self.server.pages, name))
        if not full.startswith(self.server.pages + os.sep) or not os.path.isfile(full):
            self.answer(404, "<html><body>404 页面不存在</body></html>".encode("utf-8"))
            return
        with open(full, "rb") as f:
            self.answer(200, f.read())

    do_HEAD = do_GET


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=18650)
    parser.add_argument("--pages", default=os.path.join(HERE, "..", "notices", "pages"))
    parser.add_argument("--log")
    parser.add_argument("--new-version", action="store_true")
    parser.add_argument("--port-file")
    parser.add_argument("--idle-exit", type=float, default=0)
    args = parser.parse_args()

    server = ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.daemon_threads = True
    server.pages = os.path.realpath(args.pages)
    server.log_path = os.path.abspath(args.log) if args.log else None
    server.log_lock = threading.Lock()
    server.new_version = args.new_version
    server.last_request = time.monotonic()
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % server.server_address[1])
        os.replace(tmp, args.port_file)
    if args.idle_exit > 0:
        def watch():
            while time.monotonic() - server.last_request < args.idle_exit:
                time.sleep(0.5)
            server.shutdown()
        threading.Thread(target=watch, daemon=True).start()
    try:
        server.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
