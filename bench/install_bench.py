#!/usr/bin/env python3
"""Install time of the real Update.exe against a plain download plus updtool extract, in
one run, over the same package served from 127.0.0.1.

A deterministic 100 MiB release (text, incompressible data, many small files) is packed
with updtool and served by tests/support/test_server.py. Update.exe is timed from its start
until the host program it restarts has recorded its start; the baseline is Python's urllib
saving the archive to a file (64 KiB reads) followed by `updtool extract` of it, under the same
Wine. A second baseline downloads with the installer's own client (SNetwork::Download in
64 KiB chunks, through download_bench.exe --save) before the same extraction: what the
install takes beyond it is the installer's own overhead (its start, the wait for the host,
the dialog, the temporary file and its checksum, the restart). Prints seconds, MiB/s of
release and the ratios.

Usage: install_bench.py <build folder> <wine-run.sh> [rounds]
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.request
import zlib

TOP = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
RELEASE_SIZE = 100 * 1024 * 1024
MIB = 1024.0 * 1024.0


def win(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def make_release(root):
    """Half text, a quarter random bytes, a quarter in 2000 small files."""
    rng = random.Random(7)
    words = [b"update", b"archive", b"release", b"window", b"folder", b"install", b"block"]
    os.makedirs(os.path.join(root, "small"))
    text = b" ".join(rng.choice(words) for _ in range(RELEASE_SIZE // 2 // 7))
    with open(os.path.join(root, "manual.txt"), "wb") as f:
        f.write(text[:RELEASE_SIZE // 2])
    with open(os.path.join(root, "media.bin"), "wb") as f:
        f.write(rng.randbytes(RELEASE_SIZE // 4))
    piece = RELEASE_SIZE // 4 // 2000
    for i in range(2000):
        with open(os.path.join(root, "small", "f%04d.dat" % i), "wb") as f:
            f.write(rng.randbytes(piece // 2) + b"\0" * (piece - piece // 2))


def run(wine, *args):
    subprocess.run([wine] + list(args), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=True, timeout=600)


def main():
    build, wine = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 2
    update = os.path.join(build, "app", "Update.exe")
    updtool = os.path.join(build, "cli", "updtool.exe")
    hostprog = os.path.join(build, "tests", "hostprog.exe")
    downloader = os.path.join(build, "bench", "download_bench.exe")
    work = tempfile.mkdtemp(prefix="install-bench-")
    server = None
    try:
        make_release(os.path.join(work, "release"))
        os.makedirs(os.path.join(work, "site"))
        run(wine, updtool, "pack", win(os.path.join(work, "release")),
            win(os.path.join(work, "site", "app.upd")))
        archive = os.path.join(work, "site", "app.bin")
        with open(archive, "rb") as f:
            crc = zlib.crc32(f.read())
        signed = crc - (1 << 32) if crc >= 1 << 31 else crc
        url_file = os.path.join(work, "url")
        server = subprocess.Popen([sys.executable, os.path.join(TOP, "tests", "support",
                                   "test_server.py"), "--serve", os.path.join(work, "site"),
                                   url_file, "0", "1800"])
        while not os.path.exists(url_file):
            time.sleep(0.05)
        with open(url_file) as f:
            url = f.read() + "/app.bin"
        run(wine, "cmd", "/c", "exit")  # Wine up before anything is timed

        best_update = best_plain = best_own = None
        for round_ in range(rounds):
            dest = os.path.join(work, "dest%d" % round_)
            os.makedirs(dest)
            host = os.path.join(work, "host%d.exe" % round_)
            shutil.copy(hostprog, host)
            start = time.perf_counter()
            process = subprocess.Popen([wine, update, str(signed), url, win(dest) + "\\",
                                        win(host)], stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            while not os.path.exists(host + ".started"):
                if process.poll() is not None and not os.path.exists(host + ".started"):
                    sys.exit("Update.exe ended without starting the host")
                time.sleep(0.01)
            seconds = time.perf_counter() - start
            process.wait(600)
            best_update = seconds if best_update is None else min(best_update, seconds)

            plain = os.path.join(work, "plain%d" % round_)
            start = time.perf_counter()
            with urllib.request.urlopen(url) as response, open(plain + ".bin", "wb") as out:
                shutil.copyfileobj(response, out, 65536)
            run(wine, updtool, "extract", win(plain + ".bin"), win(plain))
            seconds = time.perf_counter() - start
            best_plain = seconds if best_plain is None else min(best_plain, seconds)

            own = os.path.join(work, "own%d" % round_)
            start = time.perf_counter()
            run(wine, downloader, "--save", url, win(own + ".bin"))
            run(wine, updtool, "extract", win(own + ".bin"), win(own))
            seconds = time.perf_counter() - start
            best_own = seconds if best_own is None else min(best_own, seconds)

        size = os.path.getsize(archive) / MIB
        print("release %.0f MiB, archive %.1f MiB, best of %d" % (RELEASE_SIZE / MIB, size,
                                                                   rounds))
        print("Update.exe, start to host restart   %6.2f s  %7.1f MiB/s" %
              (best_update, RELEASE_SIZE / MIB / best_update))
        print("urllib download + updtool extract   %6.2f s  %7.1f MiB/s" %
              (best_plain, RELEASE_SIZE / MIB / best_plain))
        print("Download (64 KiB) + updtool extract %6.2f s  %7.1f MiB/s" %
              (best_own, RELEASE_SIZE / MIB / best_own))
        print("ratio Update.exe / plain            %6.2f" % (best_update / best_plain))
        print("ratio Update.exe / Download+extract %6.2f  (own overhead %.2f s)" %
              (best_update / best_own, best_update - best_own))
    finally:
        if server:
            server.kill()
            server.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
