#!/usr/bin/env bash
# The console capture's figures under Wine (see capture_bench.py): a long capture at
# 100 Mbit/s into a file and into a FIFO that stalls, checked against the simulated tuner's
# stream, beside an older qltscap that writes on the streaming thread (QLTS_BEFORE_QLTSCAP,
# for example main's build) when given. Takes eight captures' length (five without the older
# one). Needs the x64 tree (qltscap, QLSimTuner, QLSimTunerSetup, bench_dialog for
# --first-byte), a native tree with bench_stream_match, and ffprobe; QLTS_BUILD_DIR moves them.
#   capture-bench.sh [seconds, default 60] [--keep] [--first-byte]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QLTS_BUILD_DIR:-$root/build}
x64=$build/x64 native=${QLTS_NATIVE_TREE:-$build/bench}
export WINEPREFIX=${WINEPREFIX:-$x64/wineprefix}
"$root/scripts/wine-prefix.sh" "$WINEPREFIX" null
seconds=${1:-60}; shift || true
before=()
[ -n "${QLTS_BEFORE_QLTSCAP:-}" ] && before=(--before "$QLTS_BEFORE_QLTSCAP")
exec python3 "$root/bench/capture_cli/capture_bench.py" --seconds "$seconds" \
  --qltscap "$x64/cli/qltscap.exe" --setup "$x64/simtuner/QLSimTunerSetup.exe" \
  --dialog "$x64/bench/dialog/bench_dialog.exe" --match "$native/bench/capture_cli/bench_stream_match" \
  --work "$x64/bench/capture_cli/run" --prefix "$WINEPREFIX" "${before[@]}" "$@"
