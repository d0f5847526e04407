#!/usr/bin/env python3
"""Checks for qltscap's service selection and network outputs, run by qltscap-service-check.sh.

  service_check.py receive PORT SECONDS RESULT [rtp]   receive datagrams on 127.0.0.1:PORT
  service_check.py datagrams RESULT [rtp]              check what receive got
  service_check.py probe FILE SID PID...               ffprobe: one program, exactly these PIDs
  service_check.py pids FILE                           the PIDs of a .ts file with their counts
"""
import json
import socket
import subprocess
import sys
import time

TEST_PID = 0x100


def receive(port, seconds, result, rtp):
    # Ends by itself: after SECONDS in all, or 3 s without a datagram once some arrived.
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 8 << 20)
    sock.bind(("127.0.0.1", port))
    # The caller starts the sender once the socket is bound, so no datagram goes unheard.
    open(result + ".ready", "w").close()
    sock.settimeout(0.5)
    grams = []
    end = time.time() + seconds
    last = None
    while time.time() < end and (last is None or time.time() - last < 3):
        try:
            data, _ = sock.recvfrom(65536)
        except socket.timeout:
            continue
        grams.append(data.hex())
        last = time.time()
    json.dump({"rtp": rtp, "datagrams": grams}, open(result, "w"))


def check_datagrams(result, rtp):
    grams = [bytes.fromhex(g) for g in json.load(open(result))["datagrams"]]
    problems = []
    if len(grams) < 10:
        problems.append("only %d datagrams" % len(grams))
    header = 12 if rtp else 0
    seqs, ssrcs, numbers = [], set(), []
    for i, g in enumerate(grams):
        body = g[header:]
        if len(body) % 188 or (len(body) != 1316 and i != len(grams) - 1):
            problems.append("datagram %d holds %d bytes" % (i, len(body)))
        if rtp:
            if g[0] != 0x80 or g[1] & 0x7F != 33:
                problems.append("datagram %d: RTP header %s" % (i, g[:2].hex()))
            seqs.append(g[2] << 8 | g[3])
            ssrcs.add(g[8:12])
        for at in range(0, len(body) - 187, 188):
            p = body[at:at + 188]
            if p[0] != 0x47:
                problems.append("datagram %d: no sync byte at %d" % (i, at))
                break
            if ((p[1] & 0x1F) << 8 | p[2]) == TEST_PID:
                numbers.append(int.from_bytes(p[4:8], "little"))
    if rtp:
        gaps = [(a, b) for a, b in zip(seqs, seqs[1:]) if b != (a + 1) & 0xFFFF]
        if gaps:
            problems.append("RTP sequence not consecutive: %s" % gaps[:5])
        if len(ssrcs) != 1:
            problems.append("%d SSRCs" % len(ssrcs))
    # The test packets' own sequence numbers: every packet once and in order.
    steps = [(a, b) for a, b in zip(numbers, numbers[1:]) if b != a + 1]
    if len(numbers) < 100 or steps:
        problems.append("%d test packets, out of order or lost at %s" % (len(numbers), steps[:5]))
    print("; ".join(problems) if problems else "%d datagrams, %d test packets in order" % (len(grams), len(numbers)))
    return not problems


def probe(path, sid, pids):
    out = subprocess.run(["ffprobe", "-v", "error", "-show_programs", "-show_streams", "-of", "json", path],
                         capture_output=True, text=True)
    info = json.loads(out.stdout or "{}")
    programs = info.get("programs", [])
    streams = sorted(int(s["id"], 16) for s in info.get("streams", []))
    ok = (out.returncode == 0 and len(programs) == 1 and programs[0]["program_num"] == sid and
          streams == sorted(pids))
    if not ok:
        print("ffprobe: exit %d, programs %s, streams %s; %s" %
              (out.returncode, [p.get("program_num") for p in programs], [hex(p) for p in streams], out.stderr[-300:]))
    return ok


def pids(path):
    data = open(path, "rb").read()
    counts = {}
    for at in range(0, len(data) - 187, 188):
        pid = (data[at + 1] & 0x1F) << 8 | data[at + 2]
        counts[pid] = counts.get(pid, 0) + 1
    print(" ".join("%#x:%d" % (p, n) for p, n in sorted(counts.items())))


if __name__ == "__main__":
    command = sys.argv[1]
    if command == "receive":
        receive(int(sys.argv[2]), float(sys.argv[3]), sys.argv[4], len(sys.argv) > 5)
    elif command == "datagrams":
        sys.exit(0 if check_datagrams(sys.argv[2], len(sys.argv) > 3) else 1)
    elif command == "probe":
        sys.exit(0 if probe(sys.argv[2], int(sys.argv[3]), [int(p, 0) for p in sys.argv[4:]]) else 1)
    elif command == "pids":
        pids(sys.argv[2])
