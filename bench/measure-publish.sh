#!/bin/sh
# luxpanel-cli publish with N simulated meters (default 8) paced at the line rate, publishing
# every reading (--every 0, about 4 a second each) to a Mosquitto broker of its own on loopback:
# CPU of the publisher over MEASURE_SECONDS (default 60, from /proc/<pid>/stat utime + stime)
# and its resident memory, with 1 meter and with N, so that the memory per meter shows.
# Usage: bench/measure-publish.sh [BUILD_DIR] [N]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-measure}
meters=${2:-8}
[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja >/dev/null
ninja -C "$build" luxpanel-cli luxpanel-sim >/dev/null
export CLI_BIN="$build/src/cli/luxpanel-cli" SIM_BIN="$build/sim/luxpanel-sim"
export MEASURE_SECONDS="${MEASURE_SECONDS:-60}" METERS="$meters"

exec python3 - <<'PY'
import os, socket, subprocess, tempfile, time

cli, sim = os.environ["CLI_BIN"], os.environ["SIM_BIN"]
window, n = float(os.environ["MEASURE_SECONDS"]), int(os.environ["METERS"])
tick = os.sysconf("SC_CLK_TCK")
tmp = tempfile.mkdtemp(prefix="luxpanel-publish-measure-")

s = socket.socket(); s.bind(("127.0.0.1", 0)); port = s.getsockname()[1]; s.close()
conf = os.path.join(tmp, "mosquitto.conf")
with open(conf, "w") as f:
    f.write(f"persistence false\nlistener {port} 127.0.0.1\nallow_anonymous true\n")
broker = subprocess.Popen(["mosquitto", "-c", conf], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
time.sleep(0.5)

def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / tick

def switches(pid):
    # Context switches of every thread of the process: on a shared virtual machine each wake-up
    # costs more than the work it does, and this count swings far less than the CPU time.
    total = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/status") as f:
                for line in f:
                    if "ctxt_switches:" in line:  # voluntary and not
                        total += int(line.split()[1])
        except FileNotFoundError:
            pass
    return total

def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])

sims = []
for i in range(n):
    link = os.path.join(tmp, f"m{i}")
    p = subprocess.Popen([sim, "--link", link, "--no-overloads", "--paced", "--seed", str(i + 1)],
                         stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
    p.stdout.readline()
    sims.append(p)

received = open(os.path.join(tmp, "received"), "w")
count = subprocess.Popen(["mosquitto_sub", "-p", str(port), "-h", "127.0.0.1", "-t", "luxpanel/+/reading"],
                         stdout=received, text=True)

def spool_seqs(data):
    # Sequence numbers of a spool file: records after an 8-byte header, each starting with its
    # length; a key record (flag 0x20) carries its number as a varint, any other is one more.
    if data[:1].isdigit():  # the earlier line format
        return [int(line.split()[0]) for line in data.decode().splitlines() if line]
    seqs, at, seq = [], 8, 0
    while at < len(data) and data[at] >= 7 and at + data[at] <= len(data):
        if data[at + 1] & 0x20:
            seq, shift, i = 0, 0, at + 2
            while True:
                seq |= (data[i] & 0x7F) << shift
                shift += 7
                i += 1
                if not data[i - 1] & 0x80:
                    break
        else:
            seq += 1
        seqs.append(seq)
        at += data[at]
    return seqs

def unacknowledged(state):
    # Readings of a spool beyond the acknowledged sequence number beside it.
    left = 0
    for f in os.listdir(state):
        if not f.endswith(".spool"):
            continue
        # "acked" or "acked dropped": the first number is the one that counts here
        acked = int((open(os.path.join(state, f[:-6] + ".acked")).read().split() or ["0"])[0])
        left += sum(1 for s in spool_seqs(open(os.path.join(state, f), "rb").read()) if s > acked)
    return left

wakeups = {}

def run(k, every="0"):
    args = [cli, "publish", "--broker", f"mqtt://127.0.0.1:{port}", "--every", every,
            "--state-dir", os.path.join(tmp, f"state{k}")]
    for i in range(k):
        args += ["--meter", f"m{i}={os.path.join(tmp, f'm{i}')}"]
    pub = subprocess.Popen(args, stderr=subprocess.DEVNULL)
    time.sleep(5)  # connected, every meter streaming
    c0, w0, t0 = cpu_seconds(pub.pid), switches(pub.pid), time.monotonic()
    time.sleep(window)
    c1, w1, t1 = cpu_seconds(pub.pid), switches(pub.pid), time.monotonic()
    rss = rss_kib(pub.pid)
    pub.terminate(); pub.wait(timeout=10)
    wakeups[k, every] = (w1 - w0) / (t1 - t0)
    return 100.0 * (c1 - c0) / (t1 - t0), rss, unacknowledged(os.path.join(tmp, f"state{k}"))

def received_lines():
    received.flush()
    return sum(1 for _ in open(os.path.join(tmp, "received")))

cpu1, rss1, _ = run(1)
before = received_lines()
cpun, rssn, waiting = run(n)
published = received_lines() - before
cpuq, _, _ = run(n, "86400")
print(f"load average at the end: {open('/proc/loadavg').read().split()[0]}")
print(f"1 meter:  CPU {cpu1:.2f} % of a core, resident {rss1/1024:.1f} MiB")
print(f"{n} meters: CPU {cpun:.2f} % of a core, resident {rssn/1024:.1f} MiB, "
      f"{(rssn - rss1)/1024/(n - 1):.2f} MiB per further meter; {published} readings passed on "
      f"({published / (window + 5) / n:.2f} a second per meter), {waiting} unacknowledged at the end")
print(f"{n} meters polled, nothing published (--every 86400): CPU {cpuq:.2f} % of a core "
      f"(publishing itself: {cpun - cpuq:.2f} %)")
print(f"context switches a second (all threads): 1 meter {wakeups[1, '0']:.0f}, {n} meters "
      f"{wakeups[n, '0']:.0f}, {n} meters publishing nothing {wakeups[n, '86400']:.0f}")
count.terminate()
for p in sims:
    p.stdin.write("quit\n"); p.stdin.flush(); p.wait(timeout=5)
broker.terminate(); broker.wait()
PY
