#!/usr/bin/env python3
"""An HTTP server on 127.0.0.1 (a free port) for the tests, the demo and the benchmarks; it
misbehaves on purpose for the download tests, and stops by itself after its lifetime.

  test_server.py command [arguments...]
      runs the command with UPDATE_TEST_SERVER=http://127.0.0.1:<port>, returns its exit code
  test_server.py --serve <folder> <url file> [bytes a second] [lifetime s]
      serves the folder's files, and writes their <url> to the file once it listens

Paths ("-" for no length): /file/NAME (the served folder's), /rate/R/NAME (at R bytes a
second), /length/N, /nolength/N, /short/N/M (N announced, M sent), /stall/N/M (M bytes, then
silence), /silent/MS, /status/CODE (an HTML page),
/pair/A/B/NAME (the bytes of hexadecimal A, or of B when NAME ends in ".sig"; "-": a 404).
Bodies are the pattern byte(i) = i % 251. A last segment with a dot is a file name that
the other paths ignore, for clients that insist on an ending such as ".upd".
"""

import http.server
import os
import subprocess
import sys
import threading
import time

BLOCK = bytes(i % 251 for i in range(251 * 1043))  # whole periods: blocks join seamlessly
LIFETIME = 550  # seconds: within CTest's time-out, so that the server never outlives a run
ARGUMENTS = {"file": 0, "rate": 1, "length": 1, "nolength": 1, "short": 2, "status": 1,
             "silent": 1, "stall": 2}


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
            return self.page(numbers[0])
        if kind in ("file", "rate"):
            return self.file(name, numbers[0] if numbers else 0)
        announced = None if kind == "nolength" else numbers[0]
        count = numbers[1] if kind in ("short", "stall") else numbers[0]
        self.head(announced)
        for sent in range(0, count, len(BLOCK)):
            self.wfile.write(BLOCK[:min(count - sent, len(BLOCK))])
        if kind == "stall":
            self.wfile.flush()
            return self.silent(LIFETIME * 1000)

    def page(self, code):
        body = ("<html><head><title>%d</title></head><body><h1>Error %d</h1></body></html>"
                % (code, code)).encode()
        self.head(len(body), code, "text/html")
        self.wfile.write(body)

    def pair(self, hexadecimal):
        try:
            body = bytes.fromhex(hexadecimal)
        except ValueError:  # "-": no such file
            return self.page(404)
        self.head(len(body))
        self.wfile.write(body)

    def file(self, name, rate):
        path = os.path.join(self.server.folder or "", name)
        if not self.server.folder or not name or not os.path.isfile(path):
            return self.page(404)
        with open(path, "rb") as f:
            body = f.read()
        self.head(len(body))
        piece = max(1024, rate // 20) if rate else len(body)
        for start in range(0, len(body), piece):
            self.wfile.write(body[start:start + piece])
            if rate:
                self.wfile.flush()
                time.sleep(piece / rate)

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

    def __init__(self, max_requests, folder):
        super().__init__(("127.0.0.1", 0), Handler)
        self.limit, self.requests, self.folder = max_requests, 0, folder

    def verify_request(self, request, address):
        self.requests += 1  # requests are accepted on one thread
        if self.requests > self.limit:
            threading.Thread(target=self.shutdown, daemon=True).start()
        return self.requests <= self.limit

    def handle_error(self, request, address):
        pass  # clients that hang up are part of the tests


def start(max_requests=10000, lifetime=900, folder=None):
    """Starts a server in this process that stops itself after lifetime seconds; requests
    counts the requests it has accepted."""
    server = Server(max_requests, folder)
    server.thread = threading.Thread(target=server.serve_forever, daemon=True)
    server.thread.start()
    timer = threading.Timer(lifetime, server.shutdown)
    timer.daemon = True
    timer.start()
    return server, "http://127.0.0.1:%d" % server.server_address[1]


def serve(folder, url_file, rate="0", lifetime="120"):
    server, url = start(lifetime=float(lifetime), folder=os.path.abspath(folder))
    with open(url_file + ".part", "w") as f:
        f.write(url + ("/rate/%d" % int(rate) if int(rate) else "/file"))
    os.replace(url_file + ".part", url_file)
    server.thread.join()
    server.server_close()
    return 0


def main():
    if len(sys.argv) < 2 or sys.argv[1] == "--serve" and not 4 <= len(sys.argv) <= 6:
        sys.exit(__doc__)
    if sys.argv[1] == "--serve":
        return serve(*sys.argv[2:])
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
