#!/usr/bin/env python3
"""The console capture's figures under Wine against a simulated tuner at 100 Mbit/s with a
200 ms driver buffer (capture-bench.sh sets the paths and the prefix):

1. A capture of SECONDS: the Linux process's CPU time per second of capture, and the file
   matched against the tuner's stream (bench_stream_match): one exact run, no test packet
   lost by the checker, no continuity error in the capture's JSON summary.
2. The same into a FIFO whose reader stalls for 1 s: the driver's buffer absorbs 200 ms and
   drops the rest; the checker's lost test packets must be those the gaps left out, the
   summary's continuity errors those the gaps predict, and the file otherwise exact runs.
3. Process start to the file's first byte (median of RUNS short captures), beside the
   dialog's Tune to first byte (bench_dialog --first-byte) on the same tuner.

Exits 1 when a capture is not exact or the counts disagree, 2 when a run fails.
"""
import argparse
import json
import os
import re
import statistics
import subprocess
import sys
import threading
import time

TUNER = "DTV-DVB S2 Satellite Tuner"
BITRATE = 100_000_000
SCENARIO = f"""[tuner]
name = {TUNER}
kind = satellite
lock_delay = 100
bitrate = {BITRATE}
buffer_ms = 200
channel = 12188000 pol=H sr=27500
"""
TUNE_ARGS = ["0", "--freq", "12188", "--sr", "27500", "--pol", "H", "--lnb", "universal"]
STALL_AFTER_S = int(os.environ.get("QLTS_STALL_AFTER", "20"))
STALL_S = 1.0
POLL_S = 0.002
CPU_SAMPLE_S = 0.25
SETTLE_S = 2.0  # CPU is taken from this long after the first byte to the last sample
TICK = os.sysconf("SC_CLK_TCK")
WINE = "/usr/lib/wine/wine64"


def wine_env():
    env = dict(os.environ)
    env.setdefault("WINEDEBUG", "-all")
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml="
    return env


def win_path(path):
    return "Z:" + path.replace("/", "\\")


def cpu_ticks(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])  # utime, stime of every thread
    except OSError:
        return None


def find_process(marker):
    """The Linux process that runs qltscap.exe: its command line names the exe and the file."""
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                args = f.read().split(b"\0")
        except OSError:
            continue
        if args and args[0].endswith(b"qltscap.exe") and any(marker.encode() in a for a in args):
            return int(pid)
    return None


def find_wineserver(prefix):
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/comm") as f:
                if not f.read().strip().startswith("wineserver"):
                    continue
            with open(f"/proc/{pid}/environ", "rb") as f:
                if f"WINEPREFIX={prefix}".encode() in f.read().split(b"\0"):
                    return int(pid)
        except OSError:
            continue
    return None


class FifoReader(threading.Thread):
    """Copies the FIFO to a real file, sleeping once STALL_S after STALL_AFTER_S of data."""

    def __init__(self, fifo, copy):
        super().__init__(daemon=True)
        self.fifo, self.copy = fifo, copy
        self.first_byte = None
        self.stall_at = None

    def run(self):
        fd = os.open(self.fifo, os.O_RDONLY)
        with open(self.copy, "wb") as out:
            while True:
                data = os.read(fd, 1 << 20)
                if not data:
                    break
                now = time.monotonic()
                if self.first_byte is None:
                    self.first_byte = now
                out.write(data)
                if self.stall_at is None and now - self.first_byte >= STALL_AFTER_S:
                    self.stall_at = now - self.first_byte
                    time.sleep(STALL_S)
        os.close(fd)


def run_capture(args, path, seconds, reader=None):
    """Runs one capture; returns its times, CPU samples, exit code and outputs."""
    out, err = path + ".out", path + ".err"
    command = [WINE, args.qltscap, "capture", *TUNE_ARGS, "-o", win_path(path), "--seconds", str(seconds),
               "--json", "--overwrite"]
    marker = os.path.basename(path)
    if reader:
        reader.start()
    elif os.path.exists(path):
        os.remove(path)  # the first byte is watched for by the file's size
    with open(out, "wb") as fo, open(err, "wb") as fe:
        start = time.monotonic()
        process = subprocess.Popen(command, stdout=fo, stderr=fe, stdin=subprocess.DEVNULL, env=wine_env())
        locking = first = None
        pid = server = None
        samples = []
        next_sample = 0.0
        while process.poll() is None:
            now = time.monotonic()
            if locking is None and b"Locking" in open(err, "rb").read():
                locking = now
            if first is None:
                written = reader.first_byte if reader else (os.path.getsize(path) if os.path.exists(path) else 0)
                first = now if written else None
            if first is not None and now >= next_sample:
                pid = pid or find_process(marker)
                server = server or find_wineserver(args.prefix)
                ticks = cpu_ticks(pid) if pid else None
                if ticks is not None:
                    samples.append((now, ticks, cpu_ticks(server) if server else None))
                next_sample = now + CPU_SAMPLE_S
            time.sleep(POLL_S if first is None else 0.02)
        rc = process.returncode
    if reader:
        reader.join(30)
    return {"rc": rc, "start": start, "locking": locking, "first": first, "samples": samples,
            "stdout": open(out, encoding="utf-8", errors="replace").read(),
            "stderr": open(err, encoding="utf-8", errors="replace").read()}


def cpu_per_second(run):
    """CPU seconds per second of capture over the settled part, for qltscap and wineserver."""
    if run["first"] is None:
        return None, None
    settled = [s for s in run["samples"] if s[0] >= run["first"] + SETTLE_S]
    if len(settled) < 2:
        return None, None
    (t0, c0, w0), (t1, c1, w1) = settled[0], settled[-1]
    wall = t1 - t0
    server = (w1 - w0) / TICK / wall if w0 is not None and w1 is not None else None
    return (c1 - c0) / TICK / wall, server


def match(args, path):
    result = subprocess.run([args.match, args.scenario, TUNER, path], capture_output=True, text=True)
    if result.returncode == 2 or not result.stdout.strip():
        raise RuntimeError(f"bench_stream_match {path}: {result.stderr.strip()}")
    return json.loads(result.stdout)


def counted_bytes(run):
    m = re.search(r"^Capture ended: .*; (\d+) bytes in ", run["stderr"], re.M)
    return int(m.group(1)) if m else None


def summary_of(run):
    try:
        return json.loads(run["stdout"])
    except ValueError:
        return None


def check(run, file, m, stalled, faults, what):
    summary = summary_of(run)
    size = os.path.getsize(file)
    if run["rc"] != 0:
        faults.append(f"{what}: exit {run['rc']}: {run['stderr'].strip().splitlines()[-1:]}")
    if summary is None:
        faults.append(f"{what}: no JSON summary")
        return
    # The summary counts whole packets: it may differ from the file by less than one at each end.
    if counted_bytes(run) != size or abs(summary["bytes"] - size) >= 2 * 188:
        faults.append(f"{what}: file {size} bytes, capture counted {counted_bytes(run)}, analysis {summary['bytes']}")
    if not m["exact"]:
        faults.append(f"{what}: not exact runs of the stream: {m['corrupt_packets']} packets differ {m['error']}")
    checker = m["checker"]
    if checker["crc_errors"]:
        faults.append(f"{what}: {checker['crc_errors']} test packets with a CRC error")
    if checker["lost"] != m["dropped_test_packets"]:
        faults.append(f"{what}: the checker lost {checker['lost']} test packets, the gaps left out "
                      f"{m['dropped_test_packets']}")
    if summary["cc_errors"] != m["expected_cc_errors"]:
        faults.append(f"{what}: the analysis counted {summary['cc_errors']} continuity errors, the gaps make "
                      f"{m['expected_cc_errors']}")
    if not stalled and m["runs"] != 1:
        faults.append(f"{what}: {m['runs'] - 1} gaps ({m['dropped_bytes']} bytes) without a stall")


def median(values):
    return statistics.median(values) if values else float("nan")


def main():
    parser = argparse.ArgumentParser()
    for name in ("qltscap", "setup", "dialog", "match", "work", "prefix"):
        parser.add_argument("--" + name, required=True)
    parser.add_argument("--seconds", type=int, default=60)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--keep", action="store_true", help="keep the capture files")
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    args.scenario = os.path.join(args.work, "scenario.txt")
    with open(args.scenario, "w") as f:
        f.write(SCENARIO)

    def register():
        subprocess.run([WINE, args.setup, win_path(args.scenario)], check=True, env=wine_env(),
                       stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)

    register()
    faults = []
    load = [os.getloadavg()[0]]

    # 1. The long capture into a file.
    plain = os.path.join(args.work, "plain.ts")
    run1 = run_capture(args, plain, args.seconds)
    m1 = match(args, plain)
    check(run1, plain, m1, False, faults, "capture")
    cpu1, server1 = cpu_per_second(run1)
    load.append(os.getloadavg()[0])

    # 2. The same into a FIFO whose reader stalls.
    fifo, copy = os.path.join(args.work, "stall.fifo"), os.path.join(args.work, "stall.ts")
    for stale in (fifo, copy):
        if os.path.exists(stale):
            os.remove(stale)
    os.mkfifo(fifo)
    reader = FifoReader(fifo, copy)
    run2 = run_capture(args, fifo, args.seconds, reader)
    os.remove(fifo)
    if run2["rc"] == 0 and os.path.exists(copy):
        m2 = match(args, copy)
        check(run2, copy, m2, True, faults, "stalled capture")
    else:
        m2 = None
        faults.append(f"stalled capture: exit {run2['rc']}")
    load.append(os.getloadavg()[0])
    if not args.keep:
        for f in (plain, copy):
            if os.path.exists(f):
                os.remove(f)

    # 3. Start to first byte, the console and the dialog.
    starts, lockings = [], []
    short = os.path.join(args.work, "first.ts")
    for _ in range(args.runs):
        run = run_capture(args, short, 2)
        if run["rc"] != 0 or run["first"] is None or run["locking"] is None:
            faults.append(f"short capture: exit {run['rc']}")
            continue
        starts.append((run["first"] - run["start"]) * 1000)
        lockings.append((run["first"] - run["locking"]) * 1000)
    os.remove(short)
    dialog = subprocess.run([WINE, args.dialog, "--first-byte", win_path(args.scenario)], capture_output=True,
                            text=True, env=wine_env(), stdin=subprocess.DEVNULL)
    dialog_line = next((l for l in dialog.stdout.splitlines() if l.startswith("dialog:")), None)
    if dialog.returncode != 0 or not dialog_line:
        faults.append(f"dialog first byte: exit {dialog.returncode}: {dialog.stdout.strip()}")
    load.append(os.getloadavg()[0])
    register()

    def dropped_s(m):
        return m["dropped_bytes"] * 8 / BITRATE if m else float("nan")

    rate1 = (counted_bytes(run1) or 0) * 8 / args.seconds / 1e6
    s1, s2 = summary_of(run1) or {}, summary_of(run2) or {}
    print(f"== qltscap capture, {args.seconds} s at 100 Mbit/s, driver buffer 200 ms "
          f"(load {', '.join(f'{l:.1f}' for l in load)})")
    print(f"{'':34}{'plain file':>16}{'FIFO, 1 s stall':>18}")
    rows = [
        ("exit code", run1["rc"], run2["rc"]),
        ("bytes written", counted_bytes(run1), counted_bytes(run2)),
        ("runs of the source (gaps + 1)", m1["runs"], m2 and m2["runs"]),
        ("packets differing from the source", m1["corrupt_packets"], m2 and m2["corrupt_packets"]),
        ("stream left out by the driver", f"{dropped_s(m1):.3f} s", f"{dropped_s(m2):.3f} s"),
        ("test packets left out (gaps)", m1["dropped_test_packets"], m2 and m2["dropped_test_packets"]),
        ("test packets lost (checker)", m1["checker"]["lost"], m2 and m2["checker"]["lost"]),
        ("continuity errors predicted", m1["expected_cc_errors"], m2 and m2["expected_cc_errors"]),
        ("continuity errors (summary)", s1.get("cc_errors"), s2.get("cc_errors")),
        ("CPU s per s of capture (qltscap)", f"{cpu1:.3f}" if cpu1 is not None else "-",
         f"{cpu_per_second(run2)[0]:.3f}" if cpu_per_second(run2)[0] is not None else "-"),
        ("CPU s per s (wineserver)", f"{server1:.3f}" if server1 is not None else "-",
         f"{cpu_per_second(run2)[1]:.3f}" if cpu_per_second(run2)[1] is not None else "-"),
    ]
    for name, a, b in rows:
        print(f"  {name:32}{str(a):>16}{str(b if b is not None else '-'):>18}")
    print(f"  written rate {rate1:.1f} Mbit/s; stall at {reader.stall_at and round(reader.stall_at, 1)} s "
          f"of the FIFO's data")
    print(f"== start to first byte (median of {len(starts)})")
    print(f"  qltscap: process start to first byte {median(starts):.0f} ms; 'Locking' line to first byte "
          f"{median(lockings):.0f} ms")
    print(f"  {dialog_line or 'dialog: no figure'}")
    with open(os.path.join(args.work, "results.json"), "w") as f:
        json.dump({"load": load, "plain": m1, "stalled": m2, "cpu_per_s": cpu1, "wineserver_cpu_per_s": server1,
                   "first_byte_ms": starts, "locking_to_first_byte_ms": lockings, "dialog": dialog_line,
                   "faults": faults}, f, indent=1)
    for fault in faults:
        print("FAULT: " + fault)
    return 1 if faults else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (RuntimeError, subprocess.CalledProcessError) as e:
        print(f"capture bench: {e}")
        sys.exit(2)
