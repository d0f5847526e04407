#!/usr/bin/env bash
# Builds and runs the throughput benchmarks: natively from an optimised tree without
# sanitizers, and the x64 build under Wine. QLTS_BUILD_DIR moves the trees (default: build/).
#   bench.sh [MB per run]   default 128; the capture file goes into the build tree
# Then the console capture's figures (bench/capture_cli, two captures of QLTS_CLI_SECONDS,
# default 60; 0 leaves them out).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QLTS_BUILD_DIR:-$root/build}
mb=${1:-128}

configure() {  # dir, cmake arguments...
  local dir=$1; shift
  [ -f "$dir/CMakeCache.txt" ] || cmake -S "$root" -B "$dir" "$@" >/dev/null
  cmake --build "$dir" --target bench_receive_path bench_analysis bench_selection bench_report -j "$(nproc)" -- --no-print-directory >/dev/null
}

configure "$build/bench" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Release -DQLTS_SANITIZE=none
cmake --build "$build/bench" --target bench_stream_match -j "$(nproc)" -- --no-print-directory >/dev/null
echo "== native: clang, Release, no sanitizers"
"$build/bench/bench/receive_path/bench_receive_path" "$build/bench/bench_capture.ts" "$mb"
"$build/bench/bench/analysis/bench_analysis" "$mb"
"$build/bench/bench/selection/bench_selection" "$((mb * 2))"
"$build/bench/bench/report/bench_report" 1024 "$build/bench/bench_report.html"

configure "$build/x64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-mingw.cmake" -DCMAKE_BUILD_TYPE=Release
echo "== x64: mingw-w64, Release, under Wine"
cmake --build "$build/x64" --target bench_receive_path bench_capture_pin -j "$(nproc)" -- --no-print-directory >/dev/null
WINEPREFIX=$build/x64/wineprefix "$root/cmake/wine-run.sh" "$build/x64/bench/receive_path/bench_receive_path.exe" \
  "$build/x64/bench_capture.ts" "$mb"
WINEPREFIX=$build/x64/wineprefix "$root/cmake/wine-run.sh" "$build/x64/bench/capture_pin/bench_capture_pin.exe" \
  "$build/x64"

if [ "${QLTS_CLI_SECONDS:-60}" != 0 ]; then
  cmake --build "$build/x64" --target qltscap QLSimTuner QLSimTunerSetup bench_dialog -j "$(nproc)" \
    -- --no-print-directory >/dev/null
  QLTS_BUILD_DIR=$build "$root/bench/capture_cli/capture-bench.sh" "${QLTS_CLI_SECONDS:-60}"
  python3 "$root/bench/selection/service_udp_bench.py" --seconds "${QLTS_CLI_SECONDS:-60}" \
    --qltscap "$build/x64/cli/qltscap.exe" --setup "$build/x64/simtuner/QLSimTunerSetup.exe" \
    --work "$build/x64/bench/selection/run" --prefix "$build/x64/wineprefix"
fi
