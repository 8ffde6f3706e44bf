#!/bin/sh
# Figures of luxpanel-cli against luxpanel-sim on a pseudo-terminal:
#  - the libraries it loads (no Qt Widgets, no Qt Gui);
#  - CPU of the process while it records every second (from /proc/<pid>/stat, utime + stime,
#    over MEASURE_SECONDS, default 60);
#  - a full logger memory downloaded from a meter paced at 19200 baud: the dump's time from "Q"
#    to its last byte and the whole command's time, each divided by the line time.
# Usage: bench/measure-cli.sh [BUILD_DIR]   (default: build-measure, configured and built here)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-measure}
[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja >/dev/null
ninja -C "$build" luxpanel-cli luxpanel-sim >/dev/null
export CLI_BIN="$build/src/cli/luxpanel-cli" SIM_BIN="$build/sim/luxpanel-sim"
export MEASURE_SECONDS="${MEASURE_SECONDS:-60}"

echo "== libraries of luxpanel-cli"
ldd "$CLI_BIN" | grep -i 'qt' | sed 's/ (0x.*//'
if ldd "$CLI_BIN" | grep -Eiq 'libQt6(Widgets|Gui)'; then
  echo "FAIL: luxpanel-cli loads Qt Widgets or Qt Gui"
  exit 1
fi
echo "no libQt6Widgets, no libQt6Gui"

exec python3 - <<'PY'
import os, re, subprocess, tempfile, time

cli, sim = os.environ["CLI_BIN"], os.environ["SIM_BIN"]
window = float(os.environ["MEASURE_SECONDS"])
tick = os.sysconf("SC_CLK_TCK")
tmp = tempfile.mkdtemp(prefix="luxpanel-cli-measure-")

class Sim:
    def __init__(self, *extra):
        self.link = os.path.join(tmp, "meter")
        self.p = subprocess.Popen([sim, "--link", self.link, "--no-overloads", *extra],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
        self.p.stdout.readline()
    def cmd(self, line):
        self.p.stdin.write(line + "\n"); self.p.stdin.flush()
        return self.p.stdout.readline().strip()
    def stop(self):
        self.cmd("quit"); self.p.wait(timeout=5)

def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / tick

print(f"== CPU while recording every second ({window:.0f} s window)")
s = Sim()
out = os.path.join(tmp, "survey.tsv")
rec = subprocess.Popen([cli, "record", "--every", "1", "--port", s.link, out],
                       stderr=subprocess.PIPE, text=True)
time.sleep(5)  # past the start (first reading, header)
c0, t0 = cpu_seconds(rec.pid), time.monotonic()
time.sleep(window)
c1, t1 = cpu_seconds(rec.pid), time.monotonic()
rec.terminate()
err = rec.communicate(timeout=10)[1]
s.stop()
share = (c1 - c0) / (t1 - t0) * 100
with open(out, "rb") as f:
    records = f.read().count(b"\n") - 1
print(f"cpu {c1 - c0:.2f} s in {t1 - t0:.1f} s = {share:.2f}% of one core; {records} records; "
      f"exit {rec.returncode}")
print(err.strip().splitlines()[-1])

print("== full logger memory at 19200 baud")
s = Sim("--paced")
s.cmd("fill-logger")
t0 = time.monotonic()
dl = subprocess.run([cli, "download", "--port", s.link, os.path.join(tmp, "memory")],
                    capture_output=True, text=True, timeout=300)
total = time.monotonic() - t0
s.stop()
m = re.search(r"dump of (\d+) bytes took ([0-9.]+) s \(([0-9.]+) s on the line", dl.stderr)
if dl.returncode != 0 or not m:
    print("download failed:", dl.returncode, dl.stderr[-500:])
    raise SystemExit(1)
size, dump, line = int(m.group(1)), float(m.group(2)), float(m.group(3))
print(f"{size} bytes; line time {line:.2f} s; dump {dump:.2f} s (ratio {dump / line:.4f}); "
      f"whole command {total:.2f} s (ratio {total / line:.4f}); "
      f"{len(dl.stdout.splitlines())} set files")
PY
