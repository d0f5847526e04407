#!/usr/bin/env bash
# The console capture's figures under Wine (see capture_bench.py): a long capture at
# 100 Mbit/s into a file and into a FIFO that stalls, checked against the simulated tuner's
# stream, and the time to the first byte beside the dialog's. Takes two captures' length
# and about a minute more. Needs the x64 tree (qltscap, QLSimTuner, QLSimTunerSetup,
# bench_dialog) and a native tree with bench_stream_match; QLTS_BUILD_DIR moves them.
#   capture-bench.sh [seconds, default 60] [--keep]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QLTS_BUILD_DIR:-$root/build}
x64=$build/x64 native=${QLTS_NATIVE_TREE:-$build/bench}
export WINEPREFIX=${WINEPREFIX:-$x64/wineprefix}
"$root/scripts/wine-prefix.sh" "$WINEPREFIX" null
seconds=${1:-60}; shift || true
exec python3 "$root/bench/capture_cli/capture_bench.py" --seconds "$seconds" \
  --qltscap "$x64/cli/qltscap.exe" --setup "$x64/simtuner/QLSimTunerSetup.exe" \
  --dialog "$x64/bench/dialog/bench_dialog.exe" --match "$native/bench/capture_cli/bench_stream_match" \
  --work "$x64/bench/capture_cli/run" --prefix "$WINEPREFIX" "$@"
