#!/usr/bin/env python3
"""A long capture at 100 Mbit/s with --service into a file and a second output to
udp://127.0.0.1: test packets lost on the network (the selection carries the simulated
tuner's numbered test packets with --pids 0x100), datagrams the output dropped, packets in
the file, and the CPU seconds per second of capture of qltscap and of the wineserver.

  service_udp_bench.py --qltscap EXE --setup EXE --work DIR --prefix WINEPREFIX [--seconds 60]
"""
import argparse
import os
import re
import socket
import subprocess
import threading
import time

TICK = os.sysconf("SC_CLK_TCK")
WINE = "/usr/lib/wine/wine64"
TEST_PID = 0x100
SETTLE_S = 3.0

SCENARIO = """[tuner]
name = Quillon Bench Terrestrial Tuner
kind = terrestrial
lock_delay = 0
channel = 506000 bw=8
bitrate = 100000000
sample_size = 65424
programs = 20
[receiver]
name = Quillon BDA Receiver Component
"""


def cpu_ticks(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])
    except (OSError, TypeError):
        return None


def find(predicate):
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if predicate(pid):
                return int(pid)
        except OSError:
            continue
    return None


def is_capture(pid, marker):
    with open(f"/proc/{pid}/cmdline", "rb") as f:
        args = f.read().split(b"\0")
    return args[0].endswith(b"qltscap.exe") and any(marker.encode() in a for a in args)


def is_wineserver(pid, prefix):
    with open(f"/proc/{pid}/comm") as f:
        if not f.read().startswith("wineserver"):
            return False
    with open(f"/proc/{pid}/environ", "rb") as f:
        return f"WINEPREFIX={prefix}".encode() in f.read().split(b"\0")


class Receiver(threading.Thread):
    """Counts datagrams and follows the test packets' sequence numbers."""

    def __init__(self):
        super().__init__(daemon=True)
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 16 << 20)
        self.sock.bind(("127.0.0.1", 0))
        self.sock.settimeout(0.5)
        self.port = self.sock.getsockname()[1]
        self.datagrams = self.test_packets = self.lost = self.disorder = 0
        self.last = None
        self.stop = False

    def run(self):
        while not self.stop:
            try:
                data = self.sock.recv(65536)
            except socket.timeout:
                continue
            self.datagrams += 1
            for at in range(0, len(data) - 187, 188):
                if ((data[at + 1] & 0x1F) << 8 | data[at + 2]) != TEST_PID:
                    continue
                n = int.from_bytes(data[at + 4:at + 8], "little")
                self.test_packets += 1
                if self.last is not None:
                    if n > self.last + 1:
                        self.lost += n - self.last - 1
                    elif n <= self.last:
                        self.disorder += 1
                self.last = n


def main():
    parser = argparse.ArgumentParser()
    for name in ("--qltscap", "--setup", "--work", "--prefix"):
        parser.add_argument(name, required=True)
    parser.add_argument("--seconds", type=int, default=60)
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    env = dict(os.environ, WINEPREFIX=args.prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    scenario = os.path.join(args.work, "scenario.txt")
    with open(scenario, "w") as f:
        f.write(SCENARIO)
    subprocess.run([WINE, args.setup, "Z:" + scenario], env=env, check=True, capture_output=True)
    out = os.path.join(args.work, "service.ts")
    receiver = Receiver()
    receiver.start()
    capture = subprocess.Popen([WINE, args.qltscap, "capture", "Quillon Bench Terrestrial Tuner", "--freq", "506000",
                                "--bw", "8", "--service", "1", "--pids", "0x100", "-o", "Z:" + out, "--overwrite",
                                "-o", f"udp://127.0.0.1:{receiver.port}", "--seconds", str(args.seconds)],
                               env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    pid = server = None
    while pid is None and capture.poll() is None:
        pid = find(lambda p: is_capture(p, out.split("/")[-1]))
        time.sleep(0.1)
    server = find(lambda p: is_wineserver(p, args.prefix))
    time.sleep(SETTLE_S)
    start = (time.monotonic(), cpu_ticks(pid), cpu_ticks(server))
    end = start
    while capture.poll() is None:
        sample = (time.monotonic(), cpu_ticks(pid), cpu_ticks(server))
        if sample[1] is not None:
            end = sample
        time.sleep(0.25)
    stdout, stderr = capture.communicate()
    time.sleep(1)
    receiver.stop = True
    receiver.join()
    subprocess.run([WINE, args.setup, "/remove"], env=env, capture_output=True)

    span = end[0] - start[0]
    cpu = (end[1] - start[1]) / TICK / span if span > 0 and start[1] is not None else float("nan")
    cpu_server = (end[2] - start[2]) / TICK / span if span > 0 and start[2] is not None else float("nan")
    sent = re.search(r"Sent to \S+: (\d+) datagrams; (\d+) dropped \((\d+) packets\)", stderr)
    size = os.path.getsize(out) if os.path.exists(out) else 0
    print(f"capture of {args.seconds} s at 100 Mbit/s, --service 1 --pids 0x100, a file and udp://127.0.0.1 "
          f"(exit {capture.returncode})")
    print(f"  datagrams sent / received        {sent.group(1) if sent else '-'} / {receiver.datagrams}")
    print(f"  datagrams dropped by the output  {sent.group(2) if sent else '-'} ({sent.group(3) if sent else '-'} packets)")
    print(f"  test packets received            {receiver.test_packets}, lost {receiver.lost}, "
          f"out of order {receiver.disorder}")
    print(f"  file                             {size} bytes ({size // 188} packets)")
    print(f"  CPU s per s of capture           qltscap {cpu:.3f}, wineserver {cpu_server:.3f}")
    # When the output fell behind: the progress line before each report of drops.
    lines = stderr.splitlines()
    behind = [lines[i - 1].split()[0] for i, line in enumerate(lines) if "falls behind" in line and i > 0]
    print(f"  drops reported at                {', '.join(behind) if behind else 'never'}; "
          f"load average {os.getloadavg()[0]:.1f} on {os.cpu_count()} CPUs")
    if capture.returncode != 0:
        print(stderr[-600:])


if __name__ == "__main__":
    main()
