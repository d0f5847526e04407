#!/usr/bin/env bash
# Makes transport streams with ffmpeg (two programs with UTF-8 service and provider names,
# and one with a chosen service id) and checks that ts_health reads the programs, PMT, PCR
# and stream PIDs, stream types, service ids and names as ffprobe does, counts the packets of
# every PID as a plain loop over the file does, and finds no error in these clean streams.
#   ffprobe-compare.sh <ts_health> <work folder>
set -euo pipefail
tool=$1 dir=$2
mkdir -p "$dir"
lavfi=(-f lavfi -i testsrc=size=160x120:rate=25:duration=3 -f lavfi -i sine=frequency=440:duration=3
       -f lavfi -i testsrc2=size=160x120:rate=25:duration=3 -f lavfi -i sine=frequency=880:duration=3)

ffmpeg -v error -y "${lavfi[@]}" -map 0:v -map 1:a -map 2:v -map 3:a -c:v mpeg2video -c:a mp2 \
  -program program_num=101:title=Alpha:st=0:st=1 -program program_num=202:title=Beta:st=2:st=3 \
  -metadata:p:0 service_provider=QProv -metadata:p:1 $'service_name=Beta Zw\u00f6lf' \
  -metadata:p:1 $'service_provider=Caf\u00e9 \u041f\u0440\u043e\u0432' -f mpegts "$dir/two.ts"
ffmpeg -v error -y "${lavfi[@]:0:4}" -c:v mpeg2video -metadata 'service_name=Solo "Kanal"' \
  -metadata service_provider=Einzel -mpegts_service_id 0x1234 -f mpegts "$dir/one.ts"

for ts in "$dir/two.ts" "$dir/one.ts"; do
  "$tool" "$ts" > "$ts.health.json"
  ffprobe -v error -show_programs -show_streams -of json "$ts" > "$ts.probe.json"
  python3 - "$ts" <<'PY'
import json, sys
ts = sys.argv[1]
health = json.load(open(ts + ".health.json"))
probe = json.load(open(ts + ".probe.json"))
data = open(ts, "rb").read()
failures = []

def check(what, ours, theirs):
    if ours != theirs:
        failures.append(f"{what}: ts_health {ours!r}, ffprobe {theirs!r}")

# Packets per PID by a plain loop over the file.
assert len(data) % 188 == 0 and all(data[i] == 0x47 for i in range(0, len(data), 188)), "not a clean 188-byte stream"
counts = {}
for i in range(0, len(data), 188):
    pid = ((data[i + 1] & 0x1F) << 8) | data[i + 2]
    counts[pid] = counts.get(pid, 0) + 1
check("packets", health["packets"], len(data) // 188)
check("packets per PID", {p["pid"]: p["packets"] for p in health["pids"]}, counts)
for key in ("cc_errors", "psi_crc_errors", "sync_losses", "skipped_bytes", "tei_packets"):
    check(key, health[key], 0)

types = {"mpeg2video": 0x02, "mp2": 0x03}
services = {s["service_id"]: s for s in health["services"]}
ours = {}
for p in health["programs"]:
    s = services.get(p["program_number"], {})
    ours[p["program_number"]] = (p["pmt_pid"], p["pcr_pid"], s.get("name"), s.get("provider"),
                                 sorted((e["pid"], e["type"]) for e in p["streams"]))
theirs = {}
for p in probe["programs"]:
    tags = p.get("tags", {})
    theirs[p["program_num"]] = (p["pmt_pid"], p["pcr_pid"], tags.get("service_name"), tags.get("service_provider"),
                                sorted((int(s["id"], 16), types.get(s["codec_name"])) for s in p["streams"]))
check("programs", ours, theirs)
if failures:
    print(ts + ":\n  " + "\n  ".join(failures))
    sys.exit(1)
print(f"{ts}: {len(ours)} program(s), {len(data) // 188} packets agree with ffprobe and the file")
PY
done
