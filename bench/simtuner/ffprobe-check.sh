#!/usr/bin/env bash
# Captures a stream of three programs from the simulated tuner and checks that ffprobe
# reads it as MPEG-TS with exactly those programs and their PMT PIDs, the first one carrying
# the test stream on PID 0x100.
#   ffprobe-check.sh <bench_simtuner.exe> <capture file>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exe=$1 capture=$2
rm -f "$capture"
"$here/../../cmake/wine-run.sh" "$exe" --capture "Z:$capture" 4000000
format=$(ffprobe -v error -show_entries format=format_name -of csv=p=0 "$capture")
# One line per program: number, streams, PMT PID, stream PID (stream lines follow their program).
programs=$(ffprobe -v error -show_entries program=program_num,pmt_pid,nb_streams:program_stream=id -of csv=p=0 \
  "$capture" | grep -v '^$' | sed 's/,$//' | sort)
expected=$'1,1,4097,0x100\n2,0,4098\n3,0,4099'
if [ "$format" != "mpegts" ] || [ "$programs" != "$expected" ]; then
  echo "ffprobe-check: format '$format', programs:"; echo "$programs"
  exit 1
fi
echo "ffprobe-check: mpegts with programs 1, 2, 3 (PMT PIDs 0x1001-0x1003), test stream 0x100 in program 1"
