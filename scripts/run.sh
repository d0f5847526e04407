#!/usr/bin/env bash
# Runs QLTSCapture.exe with the default simulated tuners registered as the system's BDA
# devices. Installs and builds what is missing first. With a display it opens the program
# there; without one it runs it under Xvfb and saves a screenshot to docs/screenshots/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QLTS_BUILD_DIR:-$root/build}/x64
"$root/scripts/setup.sh" --no-build
"$root/scripts/build.sh" x64

export WINEPREFIX=$build/wineprefix-run WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
"$root/scripts/wine-prefix.sh" "$WINEPREFIX" x11

if [ -f "$build/simtuner/QLSimTuner.dll" ]; then
  "$WINE" regsvr32 /s "$build/simtuner/QLSimTuner.dll" </dev/null >/dev/null 2>&1
fi

exe=$build/app/QLTSCapture.exe
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$WINE" "$exe"
fi

# No display: a virtual one, a Wine desktop window for the caption bar, and a screenshot.
shots=$root/docs/screenshots
mkdir -p "$shots"
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
sleep 1
"$WINE" explorer /desktop=QLTSCapture,800x600 "$exe" </dev/null >/dev/null 2>&1 &
app=$!
for _ in $(seq 1 60); do
  sleep 0.5
  xwininfo -root -tree 2>/dev/null | grep -q "Quillon BDA Transport Stream Capture" && break
done
sleep 2
import -window root -crop 800x600+0+0 "$shots/control-panel.png"
echo "run.sh: screenshot saved to $shots/control-panel.png"
kill $app 2>/dev/null || true
/usr/lib/wine/wineserver64 -k 2>/dev/null || true
