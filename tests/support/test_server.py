#!/usr/bin/env python3
"""A small HTTP server on 127.0.0.1 that misbehaves on purpose, for the download tests.

Run as a wrapper: it binds a free port, puts "http://127.0.0.1:<port>" in the environment
variable UPDATE_TEST_SERVER, runs the command after "--", stops and returns the command's
exit code. The server lives in this process, so nothing is left behind; it also stops by
itself after --lifetime seconds or --max-requests requests.

Bodies are the pattern byte(i) = i % 251. Paths ("-" for a length means none is sent):
  /length/N          N bytes with their length
  /nolength/N        N bytes, no length, ended by closing
  /short/N/M         length N announced, M < N bytes sent, clean close
  /extra/N/M         length N announced, M > N bytes sent
  /status/C          status C with a small HTML page (with its length)
  /slow/N/P/MS       N bytes with their length, in pieces of P bytes, MS ms apart
  /reset/N/M         length N (or "-"), M bytes, then a reset (RST)

Usage: test_server.py [--lifetime S] [--max-requests N] -- command [arguments...]
"""

import argparse
import http.server
import os
import socket
import struct
import subprocess
import sys
import threading
import time

BLOCK = bytes(i % 251 for i in range(251 * 1044))  # whole periods: blocks join seamlessly


def pattern(count):
    return (BLOCK * (count // len(BLOCK) + 1))[:count]


def error_page(code):
    return ("<html><head><title>%d</title></head><body><h1>Error %d</h1></body></html>"
            % (code, code)).encode()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        self.close_connection = True  # one response per connection: extra bytes stay in it
        parts = self.path.strip("/").split("/")
        kind, args = parts[0], parts[1:]
        try:
            number = [None if a == "-" else int(a) for a in args]
        except ValueError:
            number = []
        handlers = {"length": (1, self.length), "nolength": (1, self.no_length),
                    "short": (2, self.sent), "extra": (2, self.sent),
                    "status": (1, self.status), "slow": (3, self.slow),
                    "reset": (2, self.reset)}
        if kind not in handlers or len(number) != handlers[kind][0]:
            return self.status(404)
        handlers[kind][1](*number)

    def head(self, length, code=200, kind="application/octet-stream"):
        self.send_response(code)
        self.send_header("Content-Type", kind)
        if length is not None:
            self.send_header("Content-Length", str(length))
        self.send_header("Connection", "close")
        self.end_headers()

    def body(self, count):
        left = count
        while left > 0:
            piece = BLOCK[:min(left, len(BLOCK))]
            self.wfile.write(piece)
            left -= len(piece)

    def length(self, count):
        self.head(count)
        self.body(count)

    def no_length(self, count):
        self.head(None)
        self.body(count)

    def sent(self, announced, count):
        self.head(announced)
        self.body(count)

    def status(self, code):
        page = error_page(code)
        self.head(len(page), code, "text/html")
        self.wfile.write(page)

    def slow(self, count, piece, pause_ms):
        self.head(count)
        data = pattern(count)
        for start in range(0, count, max(piece, 1)):
            self.wfile.write(data[start:start + max(piece, 1)])
            self.wfile.flush()
            time.sleep(pause_ms / 1000.0)

    def reset(self, announced, count):
        self.head(announced)
        self.body(count)
        self.wfile.flush()
        time.sleep(0.05)  # let the bytes leave before the reset overtakes them
        # Closing with a zero linger time sends RST instead of FIN.
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.connection.close()


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, max_requests):
        super().__init__(("127.0.0.1", 0), Handler)
        self.left = max_requests
        self.lock = threading.Lock()

    def verify_request(self, request, address):
        with self.lock:
            self.left -= 1
            if self.left < 0:
                threading.Thread(target=self.shutdown, daemon=True).start()
                return False
        return True

    def handle_error(self, request, address):
        pass  # clients that hang up and the deliberate resets are part of the tests


def start(max_requests=10000, lifetime=900):
    """Starts a server in this process; it stops itself after lifetime seconds."""
    server = Server(max_requests)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    timer = threading.Timer(lifetime, server.shutdown)
    timer.daemon = True
    timer.start()
    return server, "http://127.0.0.1:%d" % server.server_address[1]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--lifetime", type=float, default=900)
    parser.add_argument("--max-requests", type=int, default=10000)
    parser.add_argument("command", nargs=argparse.REMAINDER)
    options = parser.parse_args()
    command = options.command[1:] if options.command[:1] == ["--"] else options.command
    if not command:
        parser.error("no command")
    server, url = start(options.max_requests, options.lifetime)
    environment = dict(os.environ, UPDATE_TEST_SERVER=url)
    try:
        code = subprocess.run(command, env=environment, timeout=options.lifetime).returncode
    except subprocess.TimeoutExpired:
        print("test_server: command still running after %g s" % options.lifetime)
        code = 1
    server.shutdown()
    server.server_close()
    return code


if __name__ == "__main__":
    sys.exit(main())
