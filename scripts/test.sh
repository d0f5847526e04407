#!/usr/bin/env bash
# Runs every test: installs what is missing, builds x64, x86 and native, then runs the
# native tests and the Windows tests under Wine in one ctest run (the x64 tree also
# runs the native tree's tests), ending with ctest's summary line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" --no-build
"$root/scripts/build.sh"
cd "${QLTS_BUILD_DIR:-$root/build}/x64"
ctest --output-on-failure -j "$(nproc)" "$@"
