#!/usr/bin/env python3
"""Signature cost against openssl, in one run.

Runs sig_bench.exe under Wine, which times CRC-32, SHA-256 and VerifyFile over a 100 MiB
file and leaves the file, its signature and the public key behind; then times
`openssl dgst -sha256` and `openssl dgst -sha256 -verify` (native) on the same files, and
prints their times beside VerifyFile's.

Usage: sig_bench.py <sig_bench.exe> <wine-run.sh> [rounds]
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time


def best_of(rounds, args):
    best = None
    for _ in range(rounds):
        start = time.perf_counter()
        done = subprocess.run(args, capture_output=True)
        seconds = time.perf_counter() - start
        if done.returncode != 0:
            sys.exit("%s failed: %s" % (args, done.stderr.decode(errors="replace")))
        best = seconds if best is None else min(best, seconds)
    return best


def main():
    exe, wine = sys.argv[1], sys.argv[2]
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    folder = tempfile.mkdtemp(prefix="sig-bench-", dir="/tmp")
    try:
        done = subprocess.run([wine, exe, "Z:" + folder.replace("/", "\\")],
                              stdin=subprocess.DEVNULL, capture_output=True, text=True)
        print(done.stdout, end="")
        if done.returncode != 0:
            sys.exit("sig_bench failed: " + done.stderr)
        ours = float(re.search(r"^VerifyFile\s+([\d.]+)", done.stdout, re.M).group(1))
        data = os.path.join(folder, "data.bin")
        digest = best_of(rounds, ["openssl", "dgst", "-sha256", data])
        verify = best_of(rounds, ["openssl", "dgst", "-sha256", "-verify",
                                  os.path.join(folder, "public.pem"), "-signature",
                                  data + ".sig", data])
        print("%-22s %10.3f  (a whole process, native)" % ("openssl dgst -sha256", digest))
        print("%-22s %10.3f  VerifyFile takes %.2f times as long" %
              ("openssl dgst -verify", verify, ours / verify))
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
