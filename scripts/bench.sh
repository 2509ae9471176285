#!/usr/bin/env bash
# The benchmarks, one after the other: CRC-32 throughput, packing and extraction of a
# 256 MiB mixed release folder on one thread and on all, and the peak memory of packing a
# 1 GiB file. Each prints its figures and ratios against a baseline run in the same process.
# Usage: scripts/bench.sh <build-folder>
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$top/build/x64}" && pwd)
run() { "$top/scripts/wine-run.sh" "$build/bench/$1.exe" "${@:2}"; }

echo "== CRC-32"
run crc_bench
echo
echo "== packing and extraction"
run pack_bench
run pack_bench --peak
echo
echo "== framework window procedure"
run wnd_bench
