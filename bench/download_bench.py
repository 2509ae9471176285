#!/usr/bin/env python3
"""Download speed of SNetwork::Download against plain clients, in one run.

Starts the test server in this process, times Python's urllib (64 KiB and 1 KiB reads) and
curl (when installed) reading the same 256 MiB URL, runs download_bench.exe under Wine
against it, and prints MiB/s and each figure's ratio to the fastest plain client.

Usage: download_bench.py <download_bench.exe> <wine-run.sh> [rounds]
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "support"))
import test_server  # noqa: E402

SIZE = 256 * 1024 * 1024
MIB = 1024.0 * 1024.0


def best_of(rounds, run):
    best = None
    for _ in range(rounds):
        start = time.perf_counter()
        count = run()
        seconds = time.perf_counter() - start
        if count != SIZE:
            sys.exit("a plain client read %d bytes instead of %d" % (count, SIZE))
        best = seconds if best is None else min(best, seconds)
    return SIZE / MIB / best


def urllib_read(url, size):
    def run():
        total = 0
        with urllib.request.urlopen(url) as response:
            while True:
                piece = response.read(size)
                if not piece:
                    return total
                total += len(piece)
    return run


def curl_read(url):
    def run():
        out = subprocess.run(["curl", "-s", "-o", "/dev/null", "-w", "%{size_download}", url],
                             stdout=subprocess.PIPE, check=True).stdout
        return int(out)
    return run


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    exe, wine = sys.argv[1], sys.argv[2]
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 2
    server, base = test_server.start(max_requests=100, lifetime=600)
    url = "%s/length/%d" % (base, SIZE)

    figures = [("urllib, 64 KiB reads", best_of(rounds, urllib_read(url, 65536))),
               ("urllib, 1 KiB reads", best_of(rounds, urllib_read(url, 1024)))]
    if shutil.which("curl"):
        figures.append(("curl", best_of(rounds, curl_read(url))))
    baseline = max(speed for _, speed in figures)

    # Wine's output is read from a file: a pipe can be held open by Wine's own services.
    with tempfile.TemporaryFile(mode="w+") as output:
        code = subprocess.run([wine, exe, str(rounds)], stdout=output,
                              env=dict(os.environ, UPDATE_TEST_SERVER=base)).returncode
        output.seek(0)
        for line in output:
            words = line.split()
            if len(words) == 3 and words[0] == "download":
                figures.append(("Download, %s-byte chunks" % words[1], float(words[2])))
    server.shutdown()
    server.server_close()

    print("256 MiB over 127.0.0.1, best of %d rounds; ratio to the fastest plain client" % rounds)
    print("%-28s %10s %8s" % ("", "MiB/s", "ratio"))
    for name, speed in figures:
        print("%-28s %10.1f %8.3f" % (name, speed, speed / baseline))
    return code


if __name__ == "__main__":
    sys.exit(main())
