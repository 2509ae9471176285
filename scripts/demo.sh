#!/usr/bin/env bash
# The product's main job on a built-in example. For now: what the build made.
set -euo pipefail
build=${1:-build/x64}
echo "Built:"
ls -l build/i686/app/Update.exe "$build/app/Update.exe"
file build/i686/app/Update.exe
