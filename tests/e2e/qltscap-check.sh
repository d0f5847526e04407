#!/usr/bin/env bash
# qltscap under Wine against the simulated tuners: every way a capture ends, with its exit
# code, a file that holds every byte counted, and the printed summary; bad arguments that
# create no file; list --json that parses.
#   qltscap-check.sh <qltscap.exe> <QLSimTunerSetup.exe> <work folder>
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exe=$1 setup=$2 work=$3
rm -rf "$work"; mkdir -p "$work"
source "$here/check-lib.sh"

cat >"$work/scenario.txt" <<'SCENARIO'
[tuner]
name = DTV-DVB S2 Satellite Tuner
kind = satellite
lock_delay = 0
channel = 11778000 pol=V sr=27500
[tuner]
name = Quillon DVB-T Terrestrial Tuner
kind = terrestrial
mac = 00-1B-C5-0A-0B-0C
lock_delay = 0
channel = 506000 bw=8
[receiver]
name = Quillon BDA Receiver Component
SCENARIO
register_scenario "Z:$work/scenario.txt"

# The file holds exactly the bytes the capture reported, and the summary was printed.
expect_complete() {
  local file=$1 what=$2 counted
  counted=$(sed -n 's/^Capture ended: .*; \([0-9]*\) bytes in .*/\1/p' "$work/err")
  [ -n "$counted" ] && [ "$counted" -gt 0 ] && [ "$(size "$file")" = "$counted" ] ||
    fail "$what: file size $(size "$file"), bytes counted '${counted}'"
  grep -q '^Stream health' "$work/out" || grep -q '"packets"' "$work/out" || fail "$what: no summary"
}
# Waits until a capture running in the background has written its first bytes.
wait_for_data() {
  for _ in $(seq 600); do [ "$(size "$1")" -gt 0 ] && return; sleep 0.1; done
  fail "$1: no data"
}
# Presses Ctrl+C in the capture whose command line matches $1 and waits for its runner $2.
press_ctrl_c() {
  # The Wine process's command line starts with the exe; the wrapper's starts with bash.
  local pattern=$1 runner=$2 pid
  pid=$(pgrep -f "^[^ ]*qltscap\.exe $pattern" | head -1)
  if [ -n "$pid" ]; then kill -INT "$pid"; else fail "ctrl+c: no process for $pattern"; fi
  for _ in $(seq 600); do kill -0 "$runner" 2>/dev/null || return; sleep 0.1; done
  fail "ctrl+c did not stop $pattern"
  [ -n "$pid" ] && kill -KILL "$pid"
}
# The analysis of the file finds no continuity error and no packet lost inside it.
expect_clean_file() {
  q analyze "Z:$1" --json
  expect_rc 0 "analyze $2"
  python3 - "$work/out" "$(size "$1")" "$2" <<'PY' || fail "$2: analysis of the file"
import json, sys
s = json.load(open(sys.argv[1]))
size = int(sys.argv[2])
ok = s["bytes"] == size and s["cc_errors"] == 0 and s["packets"] * 188 + s["skipped_bytes"] <= size
ok = ok and size - s["packets"] * 188 < 2 * 188
if not ok:
    print(sys.argv[3], s["bytes"], size, s["packets"], s["skipped_bytes"], s["cc_errors"])
sys.exit(0 if ok else 1)
PY
}

# list --json parses, names both tuners with their MACs.
q list --json
expect_rc 0 "list --json"
python3 -m json.tool "$work/out" >/dev/null || fail "list --json does not parse"
grep -q '"mac":"00-1B-C5-0A-0B-0C"' "$work/out" || fail "list --json: MAC missing: $(cat "$work/out")"

# Bad arguments: exit 2, no file created.
for args in "capture 1 --freq 12abc -o" "capture 1 --freq 506000 -o" "capture 1 --freq 506000 --bw 8 --qam 64 -o" \
            "capture 0 --freq 11778 --sr 27500 -o"; do
  q $args "Z:$work/bad.ts"
  expect_rc 2 "$args"
  [ -e "$work/bad.ts" ] && fail "$args created the file"
  grep -q '^usage:' "$work/err" || fail "$args: no usage"
done
q capture 5 --freq 506000 --bw 8 -o "Z:$work/bad.ts"
expect_rc 3 "no such tuner"
[ -e "$work/bad.ts" ] && fail "no such tuner created the file"

# No lock: exit 4 and no file; tune by MAC.
q capture 00-1b-c5-0a-0b-0c --freq 650000 --bw 8 -o "Z:$work/nolock.ts"
expect_rc 4 "no lock"
[ -e "$work/nolock.ts" ] && fail "no lock created the file"
q tune 00-1b-c5-0a-0b-0c --freq 506000 --bw 8
expect_rc 0 "tune"
grep -q '^locked  strength' "$work/out" || fail "tune: $(cat "$work/out")"

# An existing non-empty file is kept unless --overwrite.
printf 'keep' >"$work/keep.ts"
q capture 1 --freq 506000 --bw 8 -o "Z:$work/keep.ts" --seconds 1
expect_rc 5 "existing file"
[ "$(cat "$work/keep.ts")" = keep ] || fail "existing file was touched"

# Limit reached.
q capture 1 --freq 506000 --bw 8 -o "Z:$work/limit.ts" --limit-mb 2
expect_rc 0 "limit"
grep -q 'size limit reached' "$work/err" || fail "limit: $(tail -1 "$work/err")"
# Whole packets up to the limit: the last one that fits ends the file.
[ "$(size "$work/limit.ts")" = $((2097152 - 2097152 % 188)) ] || fail "limit: $(size "$work/limit.ts") bytes for 2 MB"
expect_complete "$work/limit.ts" limit
expect_clean_file "$work/limit.ts" limit

# Time reached, JSON summary, replacing the kept file.
q capture 1 --freq 506000 --bw 8 -o "Z:$work/keep.ts" --seconds 2 --overwrite --json
expect_rc 0 "time"
grep -q 'time reached' "$work/err" || fail "time: $(tail -1 "$work/err")"
python3 -m json.tool "$work/out" >/dev/null || fail "capture --json does not parse"
grep -cq '^00:00:0[0-9]  ' "$work/err" || fail "time: no progress line"
expect_complete "$work/keep.ts" time
expect_clean_file "$work/keep.ts" time

# Ctrl+C: the Linux process that runs the exe gets SIGINT once the file grows.
"$run" "$exe" capture 1 --freq 506000 --bw 8 -o "Z:$work/ctrlc.ts" >"$work/out" 2>"$work/err" &
runner=$!
wait_for_data "$work/ctrlc.ts"
press_ctrl_c "capture 1 .*ctrlc\.ts" "$runner"
wait "$runner"; rc=$?
expect_rc 0 "ctrl+c"
grep -q 'stopped by Ctrl+C' "$work/err" || fail "ctrl+c: $(tail -1 "$work/err")"
expect_complete "$work/ctrlc.ts" ctrl+c
expect_clean_file "$work/ctrlc.ts" ctrl+c

# Two programs at once: while one records from a tuner, a second cannot tune it (busy), still
# lists it with its index, and records from the other tuner; the first then ends complete.
"$run" "$exe" capture 1 --freq 506000 --bw 8 -o "Z:$work/first.ts" --seconds 600 >"$work/first.out" 2>"$work/first.err" &
runner=$!
wait_for_data "$work/first.ts"
q tune 1 --freq 506000 --bw 8
expect_rc 7 "tune a tuner in use"
grep -q "'Quillon DVB-T Terrestrial Tuner' is in use by another program" "$work/err" || fail "busy: $(cat "$work/err")"
q list
expect_rc 0 "list while a tuner is in use"
grep -q '^1  Quillon DVB-T Terrestrial Tuner  terrestrial  00-1B-C5-0A-0B-0C' "$work/out" ||
  fail "list while a tuner is in use: $(cat "$work/out")"
q capture 0 --freq 11778 --sr 27500 --pol V --lnb universal -o "Z:$work/other.ts" --seconds 2
expect_rc 0 "capture from the other tuner"
expect_complete "$work/other.ts" "other tuner"
expect_clean_file "$work/other.ts" "other tuner"
press_ctrl_c "capture 1 .*first\.ts" "$runner"
wait "$runner"; rc=$?
expect_rc 0 "capture while another program tried the tuner"
cp "$work/first.out" "$work/out"; cp "$work/first.err" "$work/err"
expect_complete "$work/first.ts" "first program"
expect_clean_file "$work/first.ts" "first program"

# Zero is no limit and is refused; a capture that fails before recording still answers in JSON.
q capture 1 --freq 506000 --bw 8 -o "Z:$work/zero.ts" --json --seconds 0
expect_rc 2 "--seconds 0"
[ -e "$work/zero.ts" ] && fail "--seconds 0 created the file"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); sys.exit(d["exit_code"] != 2 or "--seconds" not in d["reason"])' \
  "$work/out" || fail "--seconds 0 --json: $(cat "$work/out")"
q capture 5 --freq 506000 --bw 8 -o "Z:$work/bad.ts" --json
expect_rc 3 "no such tuner, JSON"
python3 -c 'import json,sys; sys.exit(json.load(open(sys.argv[1]))["exit_code"] != 3)' "$work/out" ||
  fail "no such tuner --json: $(cat "$work/out")"

# Split parts: each starts with a packet, each is read alone, together they are the capture.
q capture 1 --freq 506000 --bw 8 -o "Z:$work/part.ts" --split-mb 1 --seconds 2 --json
expect_rc 0 "split"
parts=("$work"/part-0*.ts)
[ "${#parts[@]}" -ge 3 ] || fail "split: ${#parts[@]} parts"
total=0
for part in "${parts[@]}"; do
  [ "$(head -c 1 "$part" | od -An -tx1 | tr -d ' ')" = 47 ] || fail "split: $part does not start with a packet"
  [ "$(size "$part")" -le 1048576 ] || fail "split: $part is larger than 1 MB"
  ffprobe -v error -i "$part" -show_entries format=nb_streams >/dev/null 2>&1 || fail "split: ffprobe cannot read $part"
  total=$((total + $(size "$part")))
done
python3 -c 'import json,sys; r=json.load(open(sys.argv[1]))["recording"]; sys.exit(r["bytes_written"] != int(sys.argv[2]) or r["parts"] != int(sys.argv[3]) or r["end"] != "time")' \
  "$work/out" "$total" "${#parts[@]}" || fail "split: the JSON does not name $total bytes in ${#parts[@]} parts"
cat "${parts[@]}" >"$work/joined.ts"
expect_clean_file "$work/joined.ts" "split parts joined"

# Standard output: the stream alone goes there, ffprobe reads it from the pipe; a reader
# that goes away ends the capture with code 6.
wine_pipe() { WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" /usr/lib/wine/wine64 "$exe" "$@" </dev/null 2>"$work/err"; }
wine_pipe capture 1 --freq 506000 --bw 8 -o - --seconds 2 | tee "$work/piped.ts" |
  ffprobe -v error -show_entries stream=codec_type -i - >/dev/null 2>"$work/ffprobe.err"
rc=${PIPESTATUS[0]}
expect_rc 0 "standard output"
[ -s "$work/ffprobe.err" ] && fail "standard output: ffprobe: $(head -2 "$work/ffprobe.err")"
grep -q '^Stream health' "$work/err" || fail "standard output: no summary on standard error"
counted=$(sed -n 's/^Capture ended: .*; \([0-9]*\) bytes in standard output.*/\1/p' "$work/err")
[ -n "$counted" ] && [ "$(size "$work/piped.ts")" = "$counted" ] || fail "standard output: $(size "$work/piped.ts") bytes, '$counted' counted"
expect_clean_file "$work/piped.ts" "standard output"
wine_pipe capture 1 --freq 506000 --bw 8 -o - --seconds 30 | head -c 100000 >/dev/null
rc=${PIPESTATUS[0]}
expect_rc 6 "reader closed"
grep -q 'the output was closed by its reader' "$work/err" || fail "reader closed: $(tail -1 "$work/err")"

# A write that fails: the disk is full.
q capture 1 --freq 506000 --bw 8 -o 'Z:\dev\full' --seconds 30
expect_rc 6 "write failure"
grep -q 'a write failed' "$work/err" || fail "write failure: $(tail -1 "$work/err")"
grep -q '^Stream health' "$work/out" || fail "write failure: no summary"

"$run" "$setup" /remove >/dev/null
[ "$failures" = 0 ] && echo "qltscap-check: every capture ending checked" || echo "qltscap-check: $failures failures"
[ "$failures" = 0 ]
