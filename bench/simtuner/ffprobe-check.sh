#!/usr/bin/env bash
# Captures a stream of three programs from the simulated tuner and checks that ffprobe
# reads it as MPEG-TS with exactly those programs, their PMT PIDs, the test stream on
# PID 0x100 in each, and their service names and provider from the service table.
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
expected=$'1,1,4097,0x100\n2,1,4098,0x100\n3,1,4099,0x100'
services=$(ffprobe -v error -show_entries program=program_num:program_tags=service_name,service_provider \
  -of csv=p=0 "$capture" | grep -v '^$' | sed 's/,$//' | sort)
expected_services=$'1,Bench News,QL Bench\n2,Bench Sport,QL Bench\n3,QLSim Service 3,QL Bench'
if [ "$format" != "mpegts" ] || [ "$programs" != "$expected" ] || [ "$services" != "$expected_services" ]; then
  echo "ffprobe-check: format '$format', programs:"; echo "$programs"; echo "services:"; echo "$services"
  exit 1
fi
echo "ffprobe-check: mpegts with programs 1, 2, 3 (PMT PIDs 0x1001-0x1003), test stream 0x100 in each,"
echo "  services Bench News, Bench Sport, QLSim Service 3 of QL Bench"
