#!/usr/bin/env bash
# The stream report in a real browser: an impaired recorded file (qltscap analyze --html) and
# a simulated capture of it (qltscap capture --html --log) are opened in headless
# Chromium, which must log no error; the rendered page must hold the charts, series and
# marks the known impairments give, with the same totals as the JSON summary; the capture's
# page is photographed.
# The files lie in a folder under C:\ of the Wine prefix, as a Windows user would keep them.
#   report-check.sh <qltscap.exe> <QLSimTunerSetup.exe> <screenshot.png>
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exe=$1 setup=$2 shot=$3
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix of the build tree}"
work=$WINEPREFIX/drive_c/Recordings win='C:\Recordings'
rm -rf "$work"; mkdir -p "$work"
source "$here/check-lib.sh"

# scripts/setup.sh installs Debian's chromium: without it this check cannot pass.
browser=$(command -v chromium || command -v chromium-browser) || { echo "FAIL: chromium is not installed (run scripts/setup.sh)"; exit 1; }
command -v ffmpeg >/dev/null || { echo "FAIL: ffmpeg is not installed (run scripts/setup.sh)"; exit 1; }

# A recorded file of two services with one impairment of each kind at a known place.
ffmpeg -v error -y -f lavfi -i testsrc=size=160x120:rate=25:duration=8 -f lavfi -i sine=frequency=440:duration=8 \
    -f lavfi -i testsrc2=size=160x120:rate=25:duration=8 -f lavfi -i sine=frequency=880:duration=8 \
    -map 0:v -map 1:a -map 2:v -map 3:a -c:v mpeg2video -b:v 600k -c:a:0 mp2 -c:a:1 ac3 \
    -program program_num=1:title=News:st=0:st=1 -program program_num=2:title=Sport:st=2:st=3 \
    -metadata:p:0 service_name=News -metadata:p:1 service_name=Sport -f mpegts "$work/clean.ts" || fail "ffmpeg"
python3 - "$work/clean.ts" "$work/impaired.ts" <<'PY'
import sys
data = bytearray(open(sys.argv[1], 'rb').read())
n = len(data) // 188
out, dropped, crc = bytearray(), 0, False
for i in range(n):
    p = data[i * 188:(i + 1) * 188]
    pid = (p[1] & 0x1F) << 8 | p[2]
    if i >= n // 4 and dropped < 1 and pid == 0x100:  # one video packet lost
        dropped += 1
        continue
    if i == n // 2:                                    # transport error indicator
        p[1] |= 0x80
    if i >= 3 * n // 5 and pid == 0 and p[1] & 0x40 and not crc:  # one PAT with a bad CRC
        p[12] ^= 0xFF
        crc = True
    if i == 3 * n // 4:                                # garbage: sync lost and regained
        out += bytes(40)
    out += p
open(sys.argv[2], 'wb').write(out)
PY
"$run" "$exe" analyze "$win\\impaired.ts" --json --html "$win\\impaired.html" >"$work/impaired.json" \
    2>"$work/impaired.err" || fail "analyze: exit $?; $(tail -3 "$work/impaired.err")"

# The simulated tuner plays the impaired file, about once in the capture's six seconds.
rate=$(( $(stat -c %s "$work/impaired.ts") * 8 / 5 ))
cat >"$work/scenario.txt" <<SCENARIO
[tuner]
name = Quillon DVB-T Terrestrial Tuner
kind = terrestrial
lock_delay = 0
channel = 506000 bw=8 strength=72 quality=64
bitrate = $rate
source = file:$win\\impaired.ts
SCENARIO
register_scenario "$win\\scenario.txt"
"$run" "$exe" capture 0 --freq 506000 --bw 8 -o "$win\\capture.ts" --seconds 6 --json \
    --html "$win\\capture.html" --log "$win\\capture.csv" >"$work/capture.json" 2>"$work/capture.err" ||
    fail "capture: exit $?; $(tail -3 "$work/capture.err")"

# Opens a page in the browser: its rendered DOM in $1.dom, the browser's log in $1.log.
render() {
  timeout 120 "$browser" --headless --no-sandbox --disable-gpu --disable-background-networking --no-first-run \
      --user-data-dir="$work/profile" --enable-logging=stderr --v=0 --dump-dom "file://$work/$1.html" \
      >"$work/$1.dom" 2>"$work/$1.log" || fail "$1: chromium exit $?"
  # Console messages and failed loads are the page's own errors (D-Bus noise is not).
  if grep -E 'CONSOLE|Uncaught|net::ERR|Failed to load|Not allowed to load' "$work/$1.log"; then
    fail "$1: the browser logged errors"
  fi
}
render capture
render impaired

# Checks one page against its JSON summary: charts, series and the marks of each error kind.
#   check.py <dom> <json> <expected ids, comma-separated> <kinds that must show marks>
check() {
  python3 - "$@" <<'PY' || fail "$1: page content"
import json, re, sys
from html.parser import HTMLParser
dom, summary, ids, marked = open(sys.argv[1]).read(), json.load(open(sys.argv[2])), sys.argv[3], sys.argv[4]
class Page(HTMLParser):
    def __init__(self):
        super().__init__(); self.tag = None; self.ids, self.group, self.marks, self.cells, self.th = {}, None, {}, {}, None
    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if 'id' in a: self.ids[a['id']] = a
        if tag == 'g' and a.get('class') == 'marks': self.group = a['id']; self.marks[self.group] = 0
        elif self.group and tag in ('circle', 'rect', 'path'): self.marks[self.group] += 1
        self.tag = tag
    def handle_endtag(self, tag):
        if tag == 'g': self.group = None
    def handle_data(self, data):
        if self.tag == 'th': self.th = data
        elif self.tag == 'td' and self.th: self.cells[self.th] = data; self.th = None
page = Page(); page.feed(dom)
ok = True
def expect(cond, what):
    global ok
    if not cond: print(sys.argv[1], what); ok = False
for i in ids.split(','):
    expect(i in page.ids, 'no element ' + i)
totals = {'marks-cc': summary['cc_errors'], 'marks-tei': summary['tei_packets'],
          'marks-sync': summary['sync_losses'], 'marks-crc': summary['psi_crc_errors']}
for mark, total in totals.items():
    expect(int(page.ids.get(mark, {}).get('data-total', -1)) == total, f'{mark} total differs from the summary {total}')
    shown = page.marks.get(mark, 0)
    expect((shown > 0) == (mark in marked.split(',')), f'{mark}: {shown} marks')
for name, key in (('Continuity errors', 'cc_errors'), ('Transport errors', 'tei_packets'), ('Packets', 'packets')):
    expect(page.cells.get(name, '').split(' ')[0] == str(summary[key]), f'{name}: {page.cells.get(name)} vs {summary[key]}')
expect('Damaged:' in dom, 'no verdict naming the damage')
sys.exit(0 if ok else 1)
PY
}
sed -n '/^{/,$p' "$work/capture.json" >"$work/capture.summary.json"
# The capture keeps whole packets: the garbage between them is skipped, not written, so the
# file (and its page) holds no sync loss.
check "$work/capture.dom" "$work/capture.summary.json" \
    chart-bitrate,series-service-0,series-service-1,series-peak,chart-errors,chart-signal,series-lock,series-strength,series-quality \
    marks-cc,marks-tei,marks-crc
check "$work/impaired.dom" "$work/impaired.json" chart-bitrate,series-service-0,series-service-1,series-peak,chart-errors \
    marks-cc,marks-tei,marks-sync,marks-crc
grep -q 'id="chart-signal"' "$work/impaired.dom" && fail "impaired: a file's page shows tuner samples"

# The log: a header row and one line a second.
lines=$(wc -l <"$work/capture.csv")
head -1 "$work/capture.csv" | grep -q '^time_s,bytes,mbit_s,locked,strength,quality,cc_errors' || fail "log header"
[ "$lines" -ge 5 ] && [ "$lines" -le 8 ] || fail "log: $lines lines for 6 seconds"
grep -q ',1,72,64,' "$work/capture.csv" || fail "log: no locked line with the channel's levels"

mkdir -p "$(dirname "$shot")"
timeout 120 "$browser" --headless --no-sandbox --disable-gpu --disable-background-networking --no-first-run \
    --user-data-dir="$work/profile" --hide-scrollbars --window-size=1040,1560 --screenshot="$shot" \
    "file://$work/capture.html" >/dev/null 2>&1 || fail "screenshot"
[ -s "$shot" ] || fail "no screenshot"

echo "report sizes: capture $(stat -c %s "$work/capture.html") bytes, file $(stat -c %s "$work/impaired.html") bytes"
[ "$failures" = 0 ] && echo "report check passed" || echo "$failures failures"
[ "$failures" = 0 ]
