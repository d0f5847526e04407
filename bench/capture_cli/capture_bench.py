#!/usr/bin/env python3
"""The console capture's figures under Wine against a simulated tuner at 100 Mbit/s with a
200 ms driver buffer (capture-bench.sh sets the paths and the prefix):

1. A capture of SECONDS: the Linux process's CPU time per second of capture and its
   anonymous resident memory, and the file matched against the tuner's stream
   (bench_stream_match): one exact run, no test packet lost by the checker, no continuity
   error in the capture's JSON summary.
2. The same into a FIFO whose reader stalls for 1 s and, separately, 3 s: with the write on
   the streaming thread (--before, an older qltscap) the driver's buffer absorbs 200 ms and
   drops the rest; with the writer's ring nothing is lost. Either way the checker's lost test
   packets must be those the gaps left out, the summary's continuity errors those the gaps
   predict, and the file otherwise exact runs.
3. A stall longer than the ring holds (8 s, 64 MB): the bytes the capture reports dropped
   must be the bytes the gaps left out of the file, the driver losing none.
4. The same capture split into 50 MB parts: every part starts with a packet, ffprobe reads
   each alone, and the parts joined are one exact run of the stream.
5. Process start to the file's first byte (median of RUNS short captures), beside the
   dialog's Tune to first byte (bench_dialog --first-byte) on the same tuner (--first-byte).

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
    """Copies the FIFO to a real file, sleeping once stall_s after STALL_AFTER_S of data."""

    def __init__(self, fifo, copy, stall_s):
        super().__init__(daemon=True)
        self.fifo, self.copy, self.stall_s = fifo, copy, stall_s
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
                    time.sleep(self.stall_s)
        os.close(fd)


def anon_kib(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("RssAnon:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def run_capture(args, path, seconds, reader=None, exe=None, extra=()):
    """Runs one capture; returns its times, CPU and memory samples, exit code and outputs."""
    out, err = path + ".out", path + ".err"
    command = [WINE, exe or args.qltscap, "capture", *TUNE_ARGS, "-o", win_path(path), "--seconds", str(seconds),
               "--json", "--overwrite", *extra]
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
        samples, memory = [], []
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
                    memory.append(anon_kib(pid))
                next_sample = now + CPU_SAMPLE_S
            time.sleep(POLL_S if first is None else 0.02)
        rc = process.returncode
    if reader:
        reader.join(30)
    return {"rc": rc, "start": start, "locking": locking, "first": first, "samples": samples,
            "memory_kib": [m for m in memory if m is not None],
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
        return json.loads(run["stdout"].strip().splitlines()[0])
    except (ValueError, IndexError):
        return None


def recording_of(run):
    return (summary_of(run) or {}).get("recording", {})


def check(run, file, m, stalled, faults, what, rc=0):
    summary = summary_of(run)
    size = os.path.getsize(file)
    if run["rc"] != rc:
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


def stalled_capture(args, name, stall_s, exe=None, rc=0):
    """A capture into a FIFO whose reader stalls stall_s once; returns the run and its match."""
    fifo, copy = os.path.join(args.work, name + ".fifo"), os.path.join(args.work, name + ".ts")
    for stale in (fifo, copy):
        if os.path.exists(stale):
            os.remove(stale)
    os.mkfifo(fifo)
    reader = FifoReader(fifo, copy, stall_s)
    run = run_capture(args, fifo, args.seconds, reader, exe)
    os.remove(fifo)
    run["stall_at"] = reader.stall_at
    m = None
    if os.path.exists(copy) and os.path.getsize(copy):
        m = match(args, copy)
        check(run, copy, m, True, args.faults, name, rc)
    else:
        args.faults.append(f"{name}: exit {run['rc']}, no file")
    run["file"] = copy
    return run, m


def split_capture(args):
    """The capture into 50 MB parts: each starts with a packet and ffprobe reads it; joined
    they are one exact run of the stream."""
    base = os.path.join(args.work, "split.ts")
    stem = os.path.join(args.work, "split-")
    for stale in os.listdir(args.work):
        if stale.startswith("split-"):
            os.remove(os.path.join(args.work, stale))
    run = run_capture(args, base, args.seconds, extra=("--split-mb", "50"))
    parts = sorted(os.path.join(args.work, f) for f in os.listdir(args.work) if (os.path.join(args.work, f)).startswith(stem))
    joined = os.path.join(args.work, "split-joined.ts.all")
    probes = 0
    with open(joined, "wb") as out:
        for part in parts:
            with open(part, "rb") as f:
                data = f.read()
            if data[:1] != b"\x47":
                args.faults.append(f"split: {part} does not start with a packet")
            probe = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "format=nb_streams", part],
                                   capture_output=True, text=True)
            probes += probe.returncode == 0 and not probe.stderr.strip()
            out.write(data)
    m = match(args, joined)
    if not m["exact"] or m["runs"] != 1:
        args.faults.append(f"split: the parts joined are not one exact run: {m['runs']} runs, {m['error']}")
    if os.path.getsize(joined) != recording_of(run).get("bytes_written"):
        args.faults.append(f"split: joined {os.path.getsize(joined)} bytes, capture wrote "
                           f"{recording_of(run).get('bytes_written')}")
    if probes != len(parts):
        args.faults.append(f"split: ffprobe read {probes} of {len(parts)} parts alone")
    if not args.keep:
        for f in parts + [joined]:
            os.remove(f)
    return {"rc": run["rc"], "parts": len(parts), "probed": probes, "joined_runs": m["runs"], "exact": m["exact"],
            "sizes": sorted({os.path.getsize(p) for p in parts}) if args.keep else None}


def main():
    parser = argparse.ArgumentParser()
    for name in ("qltscap", "setup", "dialog", "match", "work", "prefix"):
        parser.add_argument("--" + name, required=True)
    parser.add_argument("--before", help="an older qltscap that writes on the streaming thread, measured beside")
    parser.add_argument("--seconds", type=int, default=60)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--first-byte", action="store_true", help="also measure start to first byte")
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
    args.faults = faults = []
    load = [os.getloadavg()[0]]
    versions = [("before", args.before), ("after", None)] if args.before else [("after", None)]
    columns = {}
    for label, exe in versions:
        # 1. The long capture into a file.
        plain = os.path.join(args.work, f"plain-{label}.ts")
        run1 = run_capture(args, plain, args.seconds, exe=exe)
        m1 = match(args, plain)
        check(run1, plain, m1, False, faults, f"capture ({label})")
        cpu1, server1 = cpu_per_second(run1)
        if not args.keep:
            os.remove(plain)
        # 2. Into a FIFO that stalls 1 s and 3 s.
        stalls = {}
        for stall_s in (1, 3):
            stalls[stall_s] = stalled_capture(args, f"stall{stall_s}-{label}", stall_s, exe)
            if label == "after" and stalls[stall_s][1] and stalls[stall_s][1]["runs"] != 1:
                faults.append(f"{stall_s} s stall (after): {stalls[stall_s][1]['runs'] - 1} gaps")
        columns[label] = (run1, m1, cpu1, server1, stalls)
        load.append(os.getloadavg()[0])

    # 3. A stall longer than the ring holds: the drops counted are the bytes missing.
    long_run, long_m = stalled_capture(args, "stall8-after", 8, rc=8)
    dropped = recording_of(long_run).get("bytes_dropped")
    if long_m and dropped != long_m["dropped_bytes"]:
        faults.append(f"8 s stall: {dropped} bytes reported dropped, {long_m['dropped_bytes']} missing from the file")
    # 4. Split into 50 MB parts.
    split = split_capture(args)
    load.append(os.getloadavg()[0])
    if not args.keep:
        for label in columns:
            for run, _ in columns[label][4].values():
                if os.path.exists(run["file"]):
                    os.remove(run["file"])
        if os.path.exists(long_run["file"]):
            os.remove(long_run["file"])

    def dropped_s(m):
        return f"{m['dropped_bytes'] * 8 / BITRATE:.3f} s" if m else "-"

    def cpu(value):
        return f"{value:.3f}" if value is not None else "-"

    def mem(run):
        kib = run["memory_kib"]
        return f"{min(kib) / 1024:.0f}..{max(kib) / 1024:.0f} MB" if kib else "-"

    print(f"== qltscap capture, {args.seconds} s at 100 Mbit/s, driver buffer 200 ms "
          f"(load {', '.join(f'{l:.1f}' for l in load)})")
    header = ["plain file", "1 s stall", "3 s stall"]
    for label in columns:
        run1, m1, cpu1, server1, stalls = columns[label]
        cells = [(run1, m1)] + [stalls[1], stalls[3]]
        print(f"-- {label}: " + ("write on the streaming thread" if label == "before" else "writer ring, default 64 MB"))
        print(f"{'':36}" + "".join(f"{h:>16}" for h in header))
        rows = [
            ("exit code", lambda r, m: r["rc"]),
            ("bytes written", lambda r, m: counted_bytes(r)),
            ("runs of the source (gaps + 1)", lambda r, m: m and m["runs"]),
            ("stream left out", lambda r, m: dropped_s(m)),
            ("test packets lost (checker)", lambda r, m: m and m["checker"]["lost"]),
            ("continuity errors (summary)", lambda r, m: (summary_of(r) or {}).get("cc_errors")),
            ("bytes dropped (writer)", lambda r, m: recording_of(r).get("bytes_dropped", "-")),
            ("buffer highest fill", lambda r, m: recording_of(r).get("buffer_highest", "-")),
            ("output blocked at most", lambda r, m: f"{recording_of(r)['longest_block_ms']} ms"
             if recording_of(r) else "-"),
            ("CPU s per s (qltscap)", lambda r, m: cpu(cpu_per_second(r)[0])),
            ("CPU s per s (wineserver)", lambda r, m: cpu(cpu_per_second(r)[1])),
            ("anonymous memory", lambda r, m: mem(r)),
        ]
        for name, cell in rows:
            print(f"  {name:34}" + "".join(f"{str(cell(r, m)):>16}" for r, m in cells))
    rec = recording_of(long_run)
    print(f"-- after, 8 s stall with 64 MB: exit {long_run['rc']}, dropped {rec.get('bytes_dropped')} bytes in "
          f"{rec.get('samples_dropped')} samples ({rec.get('drop_events')} times); missing from the file "
          f"{long_m and long_m['dropped_bytes']} bytes in {long_m and long_m['runs'] - 1} gaps; exact runs "
          f"{long_m and long_m['exact']}; buffer highest {rec.get('buffer_highest')}; memory {mem(long_run)}")
    print(f"-- after, split into 50 MB parts: exit {split['rc']}, {split['parts']} parts, ffprobe read "
          f"{split['probed']} alone, joined: {split['joined_runs']} run(s), exact {split['exact']}")

    results = {"load": load, "long_stall": {"run": rec, "match": long_m}, "split": split, "faults": faults}
    for label in columns:
        run1, m1, cpu1, server1, stalls = columns[label]
        results[label] = {"plain": m1, "cpu_per_s": cpu1, "wineserver_cpu_per_s": server1,
                          "memory_kib": run1["memory_kib"],
                          "stalls": {str(k): {"match": v[1], "recording": recording_of(v[0])} for k, v in stalls.items()}}

    # 5. Start to first byte, the console and the dialog.
    if args.first_byte:
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
        register()
        print(f"== start to first byte (median of {len(starts)})")
        print(f"  qltscap: process start to first byte {median(starts):.0f} ms; 'Locking' line to first byte "
              f"{median(lockings):.0f} ms")
        print(f"  {dialog_line or 'dialog: no figure'}")
        results.update({"first_byte_ms": starts, "locking_to_first_byte_ms": lockings, "dialog": dialog_line})
    with open(os.path.join(args.work, "results.json"), "w") as f:
        json.dump(results, f, indent=1)
    for fault in faults:
        print("FAULT: " + fault)
    return 1 if faults else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (RuntimeError, subprocess.CalledProcessError) as e:
        print(f"capture bench: {e}")
        sys.exit(2)
