#!/usr/bin/env bash
# The benchmarks, one after the other: CRC-32 throughput, packing and extraction of a
# 256 MiB mixed release folder on one thread and on all, and the peak memory of packing a
# 1 GiB file, the reading of big entry tables, downloads from a local test server against
# plain clients, the framework's window procedure against a plain one, the verifying of a
# signature against CRC-32, SHA-256 and openssl, and a whole install by Update.exe against a
# plain download plus extraction. Each prints its figures and ratios against a baseline run
# in the same process or script.
# Usage: scripts/bench.sh <build-folder>
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$top/build/x64}" && pwd)
run() { "$top/scripts/wine-run.sh" "$build/bench/$1.exe" "${@:2}"; }
# The window and install benchmarks need a screen: a private one unless one is given.
if [ -z "${DISPLAY:-}" ]; then
  source "$top/scripts/xvfb.sh"
  start_xvfb 1280x1024
  trap stop_xvfb EXIT
fi

echo "== CRC-32"
run crc_bench
echo
echo "== packing and extraction"
run pack_bench
run pack_bench --peak
echo
echo "== reading a table of entries"
run table_bench
echo
echo "== download over 127.0.0.1"
python3 "$top/bench/download_bench.py" "$build/bench/download_bench.exe" "$top/scripts/wine-run.sh"
echo
echo "== framework window procedure"
run wnd_bench
echo
echo "== verifying the signature of a 100 MiB file"
python3 "$top/bench/sig_bench.py" "$build/bench/sig_bench.exe" "$top/scripts/wine-run.sh"
echo
echo "== installing a 100 MiB release with Update.exe over 127.0.0.1"
python3 "$top/bench/install_bench.py" "$build" "$top/scripts/wine-run.sh"
