#!/usr/bin/env bash
# qltscap capture --service, --pids and the network outputs under Wine, against simulated
# tuners that replay streams ffmpeg makes: three named programs, and one whose PMT changes
# in the middle. ffprobe and ffmpeg judge the recorded files; a socket on 127.0.0.1 judges
# the datagrams.
#   qltscap-service-check.sh <qltscap.exe> <QLSimTunerSetup.exe> <work folder>
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exe=$1 setup=$2 work=$3
check="$here/service_check.py"
rm -rf "$work"; mkdir -p "$work"
source "$here/check-lib.sh"
command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null || { echo "ffmpeg/ffprobe missing"; exit 1; }

# Three programs of known ids, names and PIDs, intra-coded so a file decodes from any frame.
ffmpeg -v error -y \
  -f lavfi -i testsrc=size=96x64:rate=25:duration=8 -f lavfi -i sine=frequency=440:duration=8 \
  -f lavfi -i testsrc2=size=96x64:rate=25:duration=8 -f lavfi -i sine=frequency=660:duration=8 \
  -f lavfi -i testsrc=size=64x48:rate=25:duration=8 -f lavfi -i sine=frequency=880:duration=8 \
  -map 0:v -map 1:a -map 2:v -map 3:a -map 4:v -map 5:a -c:v mpeg2video -g 1 -b:v 400k -c:a mp2 -b:a 64k \
  -streamid 0:0x101 -streamid 1:0x102 -streamid 2:0x201 -streamid 3:0x202 -streamid 4:0x301 -streamid 5:0x302 \
  -program program_num=101:title=Alpha:st=0:st=1 -program program_num=202:title=Beta:st=2:st=3 \
  -program program_num=303:title=Gamma:st=4:st=5 \
  -metadata:p:0 service_name=Alpha -metadata:p:1 service_name=Beta -metadata:p:2 service_name=Gamma \
  -f mpegts "$work/three.ts" || { echo "ffmpeg could not make the three programs"; exit 1; }
# The same program twice, its audio on 0x102 and then on 0x105, joined: the PMT changes.
for part in 1:0x102 2:0x105; do
  ffmpeg -v error -y -f lavfi -i testsrc=size=96x64:rate=25:duration=3 -f lavfi -i sine=frequency=440:duration=3 \
    -f lavfi -i testsrc2=size=96x64:rate=25:duration=3 \
    -map 0:v -map 1:a -map 2:v -c:v mpeg2video -g 1 -b:v 400k -c:a mp2 -b:a 64k \
    -streamid 0:0x101 -streamid "1:${part#*:}" -streamid 2:0x201 \
    -program program_num=101:title=Alpha:st=0:st=1 -program program_num=202:title=Beta:st=2 \
    -f mpegts "$work/part${part%%:*}.ts" || { echo "ffmpeg could not make the PMT change"; exit 1; }
done
cat "$work/part1.ts" "$work/part2.ts" >"$work/change.ts"
# Replayed at their own rate, so a capture runs through them as a receiver would.
rate() { echo $(( $(stat -c %s "$1") * 8 / $2 )); }

cat >"$work/scenario.txt" <<SCENARIO
[tuner]
name = Quillon Service Tuner
kind = terrestrial
lock_delay = 0
channel = 506000 bw=8
source = file:Z:$work/three.ts
bitrate = $(rate "$work/three.ts" 8)
[tuner]
name = Quillon Change Tuner
kind = terrestrial
lock_delay = 0
channel = 514000 bw=8
source = file:Z:$work/change.ts
bitrate = $(rate "$work/change.ts" 6)
[tuner]
name = Quillon Test Stream Tuner
kind = terrestrial
lock_delay = 0
channel = 522000 bw=8
bitrate = 20000000
[receiver]
name = Quillon BDA Receiver Component
SCENARIO
register_scenario "Z:$work/scenario.txt"

# True once a UDP socket of this machine is bound to the port.
udp_bound() { awk -v p="$(printf ':%04X' "$1")" 'substr($2, length($2) - 4) == p { found = 1 } END { exit !found }' /proc/net/udp; }
free_port() { python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
# The file is exactly one program with exactly these PIDs, and ffmpeg decodes it to its end.
expect_service() {
  local file=$1 sid=$2 what=$3; shift 3
  python3 "$check" probe "$file" "$sid" "$@" || fail "$what: ffprobe"
  local errors
  errors=$(ffmpeg -v error -i "$file" -f null - 2>&1) || fail "$what: ffmpeg failed"
  [ -z "$errors" ] || fail "$what: ffmpeg decoding: ${errors:0:300}"
  [ "$(head -c 4 "$file" | od -An -tx1 | tr -d ' ')" = 47400010 ] || fail "$what: does not start with a PAT"
}

# By name, to a file and to UDP at once; ffprobe reads the datagrams.
port=$(free_port)
timeout 30 ffprobe -v error -show_programs -show_streams -of json "udp://127.0.0.1:$port?timeout=20000000" \
  >"$work/udp-probe.json" 2>"$work/udp-probe.err" &
prober=$!
# The capture starts once ffprobe's socket is bound, so that it reads the stream from its start.
for _ in $(seq 300); do udp_bound "$port" && break; sleep 0.1; done
udp_bound "$port" || fail "ffprobe did not listen on udp port $port"
q capture "Quillon Service Tuner" --freq 506000 --bw 8 --service Beta -o "Z:$work/beta.ts" -o "udp://127.0.0.1:$port" --seconds 4
expect_rc 0 "service by name"
expect_service "$work/beta.ts" 202 "service by name" 0x201 0x202
wait "$prober" || fail "ffprobe on udp: $(cat "$work/udp-probe.err")"
python3 - "$work/udp-probe.json" <<'PY' || fail "ffprobe on udp: $(cat "$work/udp-probe.json")"
import json, sys
info = json.load(open(sys.argv[1]))
sys.exit(0 if [p["program_num"] for p in info["programs"]] == [202] else 1)
PY
grep -q "^Sent to udp://127.0.0.1:$port: [1-9][0-9]* datagrams; 0 dropped" "$work/err" ||
  fail "udp output report: $(grep 'Sent to' "$work/err")"

# By id, names matched ignoring case, and a channel file's SERVICE_ID.
q capture "Quillon Service Tuner" --freq 506000 --bw 8 --service 303 -o "Z:$work/gamma.ts" --seconds 3
expect_rc 0 "service by id"
expect_service "$work/gamma.ts" 303 "service by id" 0x301 0x302
q capture "Quillon Service Tuner" --freq 506000 --bw 8 --service alpha -o "Z:$work/alpha.ts" --seconds 3 --pids 0x201
expect_rc 0 "service by name ignoring case, with a PID"
python3 "$check" pids "$work/alpha.ts" >"$work/alpha.pids"
grep -q '0x201:' "$work/alpha.pids" && ! grep -q '0x202:\|0x301:' "$work/alpha.pids" ||
  fail "--service alpha --pids 0x201: $(cat "$work/alpha.pids")"
printf '[Gamma]\n\tDELIVERY_SYSTEM = DVBT\n\tFREQUENCY = 506000000\n\tBANDWIDTH_HZ = 8000000\n\tSERVICE_ID = 303\n' \
  >"$work/channels.conf"
q capture "Quillon Service Tuner" --channel Gamma --channels "Z:$work/channels.conf" -o "Z:$work/channel.ts" --seconds 3
expect_rc 0 "channel with SERVICE_ID"
expect_service "$work/channel.ts" 303 "channel with SERVICE_ID" 0x301 0x302
q capture "Quillon Service Tuner" --channel Gamma --channels "Z:$work/channels.conf" --mux -o "Z:$work/mux.ts" --seconds 2
expect_rc 0 "channel with --mux"
python3 "$check" pids "$work/mux.ts" | grep -q '0x101:.*0x201:.*0x301:' || fail "--mux did not keep every program"

# A service the multiplex does not carry: code 9, and no file left behind.
q capture "Quillon Service Tuner" --freq 506000 --bw 8 --service Nowhere -o "Z:$work/none.ts" --seconds 60
expect_rc 9 "service not found"
grep -q "no service 'Nowhere' in the multiplex's SDT" "$work/err" || fail "not found: $(tail -2 "$work/err")"
[ -e "$work/none.ts" ] && fail "service not found left a file"

# The PMT changes in the middle: the new audio PID is followed, the other program never passes.
q capture "Quillon Change Tuner" --freq 514000 --bw 8 --service 101 -o "Z:$work/change-out.ts" --seconds 8
expect_rc 0 "PMT change"
python3 "$check" pids "$work/change-out.ts" >"$work/change.pids"
grep -q '0x102:' "$work/change.pids" && grep -q '0x105:' "$work/change.pids" && ! grep -q '0x201:' "$work/change.pids" ||
  fail "PMT change: $(cat "$work/change.pids")"

# Every test packet once and in order over UDP and over RTP, the file untouched beside them.
for scheme in udp rtp; do
  port=$(free_port)
  python3 "$check" receive "$port" 40 "$work/$scheme.json" ${scheme/udp/} &
  receiver=$!
  for _ in $(seq 300); do [ -e "$work/$scheme.json.ready" ] && break; sleep 0.1; done
  [ -e "$work/$scheme.json.ready" ] || fail "$scheme receiver did not start"
  q capture "Quillon Test Stream Tuner" --freq 522000 --bw 8 --pids 0x100 -o "$scheme://127.0.0.1:$port" --seconds 3
  expect_rc 0 "$scheme output"
  wait "$receiver"
  python3 "$check" datagrams "$work/$scheme.json" ${scheme/udp/} || fail "$scheme datagrams"
done

"$run" "$setup" /remove >/dev/null
[ "$failures" = 0 ] && echo "qltscap-service-check: selection and network outputs checked" ||
  echo "qltscap-service-check: $failures failures"
[ "$failures" = 0 ]
