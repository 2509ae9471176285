#!/usr/bin/env python3
"""An HTTP server on 127.0.0.1 (a free port) that misbehaves on purpose, for download tests.

As a wrapper it runs a command with UPDATE_TEST_SERVER=http://127.0.0.1:<port> and returns
its exit code; the server lives in this process and also stops by itself after LIFETIME
seconds or a number of requests. Bodies are the pattern byte(i) = i % 251.
Paths ("-" for no length): /length/N, /nolength/N (ended by closing), /short/N/M and
/extra/N/M (length N announced, M bytes sent), /status/CODE (an HTML page), /slow/N/P/MS
(pieces of P bytes, MS ms apart), /reset/N/M (M bytes, then a reset), /pair/A/B/NAME (the
bytes of hexadecimal A, or of B when NAME ends in ".sig"; "-" for a 404), /silent/MS (no
answer until the client hangs up, or MS ms), /stall/N/M (M bytes, then silence until the
client hangs up), /endless (no length, bytes until the client hangs up). A last segment with a dot is a file name that
the other paths ignore, for clients that insist on an ending such as ".upd".
"""

import http.server
import os
import socket
import struct
import subprocess
import sys
import threading
import time

BLOCK = bytes(i % 251 for i in range(251 * 1044))  # whole periods: blocks join seamlessly
LIFETIME = 550  # seconds: within CTest's time-out, so that the server never outlives a run
ARGUMENTS = {"length": 1, "nolength": 1, "short": 2, "extra": 2, "status": 1, "slow": 3,
             "reset": 2, "silent": 1, "stall": 2, "endless": 0}


def error_page(code):
    return ("<html><head><title>%d</title></head><body><h1>Error %d</h1></body></html>"
            % (code, code)).encode()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        self.close_connection = True  # one response per connection: extra bytes stay in it
        kind, *args = self.path.strip("/").split("/")
        name = args.pop() if args and "." in args[-1] else ""
        if kind == "pair" and len(args) == 2:
            return self.pair(args[1] if name.endswith(".sig") else args[0])
        try:
            numbers = [None if a == "-" else int(a) for a in args]
        except ValueError:
            numbers = []
        if ARGUMENTS.get(kind) != len(numbers):
            kind, numbers = "status", [404]
        if kind == "silent":
            return self.silent(numbers[0])
        if kind == "status":
            page = error_page(numbers[0])
            self.head(len(page), numbers[0], "text/html")
            self.wfile.write(page)
            return
        if kind == "endless":
            return self.endless()
        announced = None if kind == "nolength" else numbers[0]
        count = numbers[1] if kind in ("short", "extra", "reset", "stall") else numbers[0]
        self.head(announced)
        piece, pause = len(BLOCK) - 251, 0
        if kind == "slow":
            piece, pause = numbers[1], numbers[2] / 1000.0
        sent = 0
        while sent < count:
            size = min(count - sent, piece)
            self.wfile.write(BLOCK[sent % 251:sent % 251 + size])
            sent += size
            if pause:
                self.wfile.flush()
                time.sleep(pause)
        if kind == "stall":
            self.wfile.flush()
            return self.silent(LIFETIME * 1000)
        if kind == "reset":
            self.wfile.flush()
            time.sleep(0.05)  # let the bytes leave before the reset overtakes them
            # A zero linger time makes close send RST instead of FIN.
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                       struct.pack("ii", 1, 0))
            self.connection.close()

    def pair(self, hexadecimal):
        try:
            body, code, kind = bytes.fromhex(hexadecimal), 200, "application/octet-stream"
        except ValueError:  # "-": no such file
            body, code, kind = error_page(404), 404, "text/html"
        self.head(len(body), code, kind)
        self.wfile.write(body)

    def endless(self):
        self.head(None)
        try:
            while True:
                self.wfile.write(BLOCK)
        except OSError:  # the client has had enough
            pass

    def silent(self, ms):
        self.connection.settimeout(ms / 1000.0)
        try:
            self.connection.recv(1)  # returns when the client hangs up
        except OSError:
            pass

    def head(self, length, code=200, kind="application/octet-stream"):
        self.send_response(code)
        self.send_header("Content-Type", kind)
        if length is not None:
            self.send_header("Content-Length", str(length))
        self.send_header("Connection", "close")
        self.end_headers()


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, max_requests):
        super().__init__(("127.0.0.1", 0), Handler)
        self.left = max_requests

    def verify_request(self, request, address):
        self.left -= 1  # requests are accepted on one thread
        if self.left < 0:
            threading.Thread(target=self.shutdown, daemon=True).start()
        return self.left >= 0

    def handle_error(self, request, address):
        pass  # clients that hang up and the deliberate resets are part of the tests


def start(max_requests=10000, lifetime=900):
    """Starts a server in this process that stops itself after lifetime seconds."""
    server = Server(max_requests)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    timer = threading.Timer(lifetime, server.shutdown)
    timer.daemon = True
    timer.start()
    return server, "http://127.0.0.1:%d" % server.server_address[1]


def main():
    """Runs the command given with the server's address in UPDATE_TEST_SERVER."""
    if len(sys.argv) < 2:
        sys.exit("usage: test_server.py command [arguments...]")
    server, url = start(lifetime=LIFETIME)
    try:
        code = subprocess.run(sys.argv[1:], env=dict(os.environ, UPDATE_TEST_SERVER=url),
                              timeout=LIFETIME).returncode
    except subprocess.TimeoutExpired:
        print("test_server: command still running after %d s" % LIFETIME)
        code = 1
    server.shutdown()
    server.server_close()
    return code


if __name__ == "__main__":
    sys.exit(main())
