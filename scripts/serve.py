#!/usr/bin/env python3
"""Serves the files of one folder over HTTP on 127.0.0.1, for the demo and the pictures.

It binds a free port, writes "http://127.0.0.1:<port>" to --url-file, and serves each file
of the folder at /<name>, optionally at a limited rate so that a download can be watched.
It stops by itself after --lifetime seconds.

Usage: serve.py <folder> --url-file <file> [--rate BYTES_PER_SECOND] [--lifetime S]
"""
import argparse
import http.server
import os
import threading
import time


def handler_for(folder, rate):
    class Handler(http.server.BaseHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def do_GET(self):
            path = os.path.join(folder, os.path.basename(self.path))
            if not os.path.isfile(path):
                self.send_error(404)
                return
            with open(path, "rb") as f:
                body = f.read()
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            piece = max(1024, rate // 20) if rate else len(body)
            for start in range(0, len(body), piece):
                self.wfile.write(body[start:start + piece])
                if rate:
                    self.wfile.flush()
                    time.sleep(piece / rate)

    return Handler


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--url-file", required=True)
    parser.add_argument("--rate", type=int, default=0)
    parser.add_argument("--lifetime", type=float, default=300)
    options = parser.parse_args()
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), handler_for(os.path.abspath(options.folder), options.rate))
    server.daemon_threads = True
    timer = threading.Timer(options.lifetime, server.shutdown)
    timer.daemon = True
    timer.start()
    with open(options.url_file + ".part", "w") as f:
        f.write("http://127.0.0.1:%d" % server.server_address[1])
    os.replace(options.url_file + ".part", options.url_file)
    server.serve_forever()
    server.server_close()


if __name__ == "__main__":
    main()
