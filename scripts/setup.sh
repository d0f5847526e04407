#!/usr/bin/env bash
# Installs what the project needs on a fresh Debian machine (idempotent), then configures and builds.
set -euo pipefail
cd "$(dirname "$0")/.."

PKGS=(cmake make mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
      wine wine64 xvfb x11-apps x11-utils imagemagick xdotool googletest libgtest-dev libgmock-dev
      clang libclang-rt-14-dev ffmpeg util-linux fonts-wine dtv-scan-tables zip unzip ccache chromium)

missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ "${1:-}" != "--no-build" ]; then
  scripts/build.sh
fi
