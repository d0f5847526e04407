#!/usr/bin/env bash
# Configures and builds the trees: x64 (runs under Wine), x86 (compile and link only),
# native (pure logic under AddressSanitizer and UndefinedBehaviorSanitizer) and tsan
# (pure logic under ThreadSanitizer). QLTS_BUILD_DIR moves them (default: build/).
#   build.sh [x64|x86|native|tsan ...]   default: all four
# QLTS_TARGETS="a b" builds only those targets of each tree.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
trees=("$@"); [ ${#trees[@]} -eq 0 ] && trees=(x64 x86 native tsan)
jobs=$(nproc)

for tree in "${trees[@]}"; do
  dir=${QLTS_BUILD_DIR:-$root/build}/$tree
  case $tree in
    x64) args=(-DCMAKE_TOOLCHAIN_FILE=$root/cmake/toolchain-x86_64-mingw.cmake -DCMAKE_BUILD_TYPE=Release) ;;
    x86) args=(-DCMAKE_TOOLCHAIN_FILE=$root/cmake/toolchain-i686-mingw.cmake -DCMAKE_BUILD_TYPE=Release) ;;
    native) args=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
    tsan) args=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQLTS_SANITIZE=thread) ;;
    *) echo "build.sh: unknown tree $tree" >&2; exit 2 ;;
  esac
  # A compiler cache, when the machine has one, makes rebuilds in other checkouts cheap.
  command -v ccache >/dev/null && args+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$dir" "${args[@]}" >/dev/null
  fi
  targets=()
  if [ -n "${QLTS_TARGETS:-}" ]; then
    read -ra names <<<"$QLTS_TARGETS"
    targets=(--target "${names[@]}")
  elif [ "$tree" = x86 ]; then
    # The 32-bit tree cannot run here: it compiles and links what ships, not the tests.
    targets=(--target QLTSCapture qltscap QLSimTuner QLSimTunerSetup)
  fi
  cmake --build "$dir" -j "$jobs" "${targets[@]}" -- --no-print-directory
done
