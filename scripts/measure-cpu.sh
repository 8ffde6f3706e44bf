#!/bin/sh
# Measures luxpanel against luxpanel-sim on a pseudo-terminal (as luxpanel-probe: the program plus
# the state file the figures are read from):
#  - CPU of the luxpanel process while it mirrors a streaming meter (4 polls a second),
#    while the meter is silent, and after the simulator process has gone;
#  - time from a restarted simulator to the panel showing the port again;
#  - time from a frame leaving the meter to the panel showing it.
# CPU comes from /proc/<pid>/stat (utime + stime) over the measuring window.
# Usage: scripts/measure-cpu.sh [BUILD_DIR]   (default: build-measure, configured and built here)
# MEASURE_SECONDS sets each CPU window (default 60).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-measure}
if [ ! -x "$build/probe/luxpanel-probe" ] || [ ! -x "$build/sim/luxpanel-sim" ]; then
  [ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja >/dev/null
  ninja -C "$build" luxpanel-probe luxpanel-sim >/dev/null
fi
export LUXPANEL_BIN="$build/probe/luxpanel-probe" LUXPANEL_SIM_BIN="$build/sim/luxpanel-sim"
export MEASURE_SECONDS="${MEASURE_SECONDS:-60}"
exec python3 - <<'PY'
import os, statistics, subprocess, sys, tempfile, time
from datetime import datetime

panel_bin = os.environ["LUXPANEL_BIN"]
sim_bin = os.environ["LUXPANEL_SIM_BIN"]
window = float(os.environ["MEASURE_SECONDS"])
tick = os.sysconf("SC_CLK_TCK")
tmp = tempfile.mkdtemp(prefix="luxpanel-measure-")
link = os.path.join(tmp, "meter")
state_path = os.path.join(tmp, "panel.state")
log_path = os.path.join(tmp, "display.log")

def state():
    try:
        with open(state_path) as f:
            return dict(l.rstrip("\n").split("=", 1) for l in f if "=" in l)
    except OSError:
        return {}

def wait(check, seconds, step=0.002):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if check():
            return True
        time.sleep(step)
    return check()

class Sim:
    def __init__(self):
        self.p = subprocess.Popen([sim_bin, "--link", link, "--no-overloads"], stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, text=True, bufsize=1)
        self.path = self.p.stdout.readline().strip()
        self.ready = time.monotonic()
    def cmd(self, line):
        self.p.stdin.write(line + "\n"); self.p.stdin.flush()
        return self.p.stdout.readline().strip()
    def kill(self):
        self.p.kill(); self.p.wait()

def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / tick

def measure_cpu(pid, seconds):
    c0, t0 = cpu_seconds(pid), time.monotonic()
    time.sleep(seconds)
    c1, t1 = cpu_seconds(pid), time.monotonic()
    return 100.0 * (c1 - c0) / (t1 - t0)

up = lambda: state().get("caption", "No COM") not in ("", "No COM")
down = lambda: state().get("caption") == "No COM"

sim = Sim()
env = dict(os.environ, QT_QPA_PLATFORM="offscreen", LUXPANEL_STATE_FILE=state_path)
panel = subprocess.Popen([panel_bin, "--port", link], env=env, stderr=subprocess.DEVNULL)
results = []
try:
    assert wait(lambda: int(state().get("frames", "0")) > 0 and up(), 20), "panel never mirrored"
    f0 = int(state()["frames"]); t0 = time.monotonic()
    cpu_stream = measure_cpu(panel.pid, window)
    rate = (int(state()["frames"]) - f0) / (time.monotonic() - t0)
    results.append(("CPU, mirroring a streaming meter", f"{cpu_stream:.2f} % of one core", f"{rate:.2f} frames shown a second over {window:.0f} s"))

    # A new reading: from the first frame that carries it to the panel showing it.
    assert sim.cmd(f"log {log_path}").startswith("ok")
    lat, since_cmd = [], []
    for i in range(20):
        text = f"{100 + i}.{i % 10}"
        c = time.monotonic()
        assert sim.cmd(f"reading {text} 1").startswith("ok")
        assert wait(lambda: state().get("mainValueText") == text, 5), text
        shown = time.time(); since_cmd.append(time.monotonic() - c)
        with open(log_path) as f:
            stamps = [l.split("\t")[0] for l in f if l.split("\t")[1:2] == [text]]
        first = datetime.strptime(stamps[0], "%Y-%m-%d %H:%M:%S.%f").timestamp()
        lat.append(shown - first)
        time.sleep(0.37 * ((i % 3) + 1))  # land at different points of the poll cycle
    results.append(("Frame on the line -> shown on the panel", f"median {statistics.median(lat)*1000:.0f} ms, max {max(lat)*1000:.0f} ms", f"20 new readings, {sum(1 for x in lat if x <= 0.25)} of them within 250 ms (one poll tick); reading set -> shown median {statistics.median(since_cmd)*1000:.0f} ms"))

    assert sim.cmd("silence 1000").startswith("ok")
    assert wait(down, 30), "never showed No COM while silent"
    cpu_silent = measure_cpu(panel.pid, window)
    results.append(("CPU, meter silent (handshake attempts every 20 ms)", f"{cpu_silent:.2f} % of one core", f"{window:.0f} s"))
    sim.kill()

    sim = Sim(); assert wait(up, 30)
    sim.kill()
    assert wait(down, 30), "never showed No COM after the simulator went"
    cpu_gone = measure_cpu(panel.pid, window)
    results.append(("CPU, simulator process gone (port reopened every 200 ms)", f"{cpu_gone:.2f} % of one core", f"{window:.0f} s"))

    backs = []
    for i in range(5):
        time.sleep(1.0)
        sim = Sim()
        assert wait(up, 10), "no reconnect"
        backs.append(time.monotonic() - sim.ready)
        sim.kill()
        assert wait(down, 30)
    results.append(("Restarted simulator -> panel shows the port again", f"median {statistics.median(backs)*1000:.0f} ms, max {max(backs)*1000:.0f} ms", "5 restarts, timed from the simulator printing its port"))
finally:
    panel.terminate()
    try:
        panel.wait(5)
    except subprocess.TimeoutExpired:
        panel.kill()
    if sim.p.poll() is None:
        sim.kill()

print("| Figure | Measured | Notes |")
print("|---|---|---|")
for r in results:
    print("| " + " | ".join(r) + " |")
PY
