#!/usr/bin/env bash
# The end-to-end demo: starts the real QLTSCapture.exe with the default simulated tuners
# under Xvfb and operates it from a separate program (QLTSDemoDriver.exe) the way a user
# would, for each kind of tuner. It checks the captures and saves a screenshot of every
# step into docs/screenshots/. Exit status 0 when every step went as expected.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QLTS_BUILD_DIR:-$root/build}/x64
shots=${QLTS_DEMO_SHOTS:-$root/docs/screenshots}
work=$build/demo
rm -rf "$work"; mkdir -p "$work" "$shots"

export WINEPREFIX=$build/wineprefix-demo WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
"$root/scripts/wine-prefix.sh" "$WINEPREFIX" x11
"$WINE" regsvr32 /s "$build/simtuner/QLSimTuner.dll" </dev/null >/dev/null 2>&1

display=:$((100 + $$ % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  /usr/lib/wine/wineserver64 -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
sleep 1

# The program's working folder holds the captures it proposes: a folder under C:\, as a
# Windows user would keep them, so that the screenshots show such paths.
recordings=$WINEPREFIX/drive_c/Recordings
rm -rf "$recordings"; mkdir -p "$recordings"
(cd "$recordings" && exec "$WINE" "$build/app/QLTSCapture.exe" </dev/null >"$work/app.log" 2>&1) &
cd "$work"

L=1087 FREQ=1002 BW=1032 SR=1036 QAM=1037 LNBTYPE=1096 HORIZONTAL=1100 TUNE=1039 RESET=1088
LIMIT=1097 LIMITMB=1052 START=1046

steps=(
  shot 01-start.bmp
  # Satellite: Universal LNB, 12188 MHz, 27500 ksps, horizontal; record 5 MB.
  device "DTV-DVB S2"
  choose $LNBTYPE "Universal LNB" type $FREQ 12188 type $SR 27500 click $HORIZONTAL
  shot 02-satellite-fields.bmp
  click $TUNE status "Locked" 8000
  shot 03-satellite-locked.bmp
  click $LIMIT type $LIMITMB 5 click $START
  shot 04-satellite-recording.bmp
  boxshot "Stream Capture Done!" 60000 05-satellite-done.bmp
  report verify 5
  # A transponder that does not lock.
  click $RESET type $FREQ 12000 click $TUNE status "FAILED!" 8000
  shot 06-satellite-no-lock.bmp
  # Terrestrial: empty fields, then 506000 kHz at 8 MHz; record 2 MB.
  device "Quillon DVB-T" click $TUNE status "FAILED: Invalid Arguments!" 8000
  shot 07-terrestrial-empty-fields.bmp
  type $FREQ 506000 type $BW 8 click $TUNE status "Locked" 8000
  shot 08-terrestrial-locked.bmp
  click $LIMIT type $LIMITMB 2 click $START box "Stream Capture Done!" 60000 report verify 2
  # Cable: 346000 kHz, 6900 ksps, 256-QAM; record 2 MB.
  device "DTV-DVB C" type $FREQ 346000 type $SR 6900 type $QAM 256 click $TUNE status "Locked" 8000
  shot 09-cable-locked.bmp
  click $LIMIT type $LIMITMB 2 click $START box "Stream Capture Done!" 60000 report verify 2
  # ATSC: a channel typed in whole MHz is tuned 1750 kHz lower; record 2 MB.
  device "DTV-ATSC" type $FREQ 575000 click $TUNE status "Locked" 8000
  shot 10-atsc-locked.bmp
  click $LIMIT type $LIMITMB 2 click $START box "Stream Capture Done!" 60000 report verify 2
)
status=0
"$WINE" "$build/tests/e2e/QLTSDemoDriver.exe" "${steps[@]}" \
  </dev/null >"$work/driver.log" 2>&1 || status=1
sed 's/\r$//' "$work/driver.log" | grep '^demo:' | tee "$work/demo.log" || true
grep -q '^demo: OK' "$work/demo.log" || status=1

for bmp in "$work"/*.bmp; do
  [ -f "$bmp" ] && convert "$bmp" -crop 1024x768+0+0 "$shots/demo-$(basename "${bmp%.bmp}").png"
done

# The satellite capture must be an MPEG transport stream that ffprobe understands.
capture=$(sed -n 's/^demo: capture file //p' "$work/demo.log" | head -1 | sed 's/\r$//')
if [ -n "$capture" ]; then
  unix=$(/usr/lib/wine/wine64 winepath -u "$capture" 2>/dev/null | tail -1)
  if ffprobe -v error -show_entries format=format_name -of csv=p=0 "$unix" | grep -q mpegts; then
    echo "demo: ffprobe accepts $unix as MPEG-TS"
  else
    echo "demo: FAILED: ffprobe does not accept $unix"; status=1
  fi
else
  status=1
fi
echo "demo: screenshots in $shots"
exit $status
