#!/bin/sh
# Times the toolbar commands black-box: luxpanel (as luxpanel-probe with LUXPANEL_LATENCY) on
# luxpanel-sim --paced over a pseudo-terminal clicks each key, notes when its box or window is
# on screen, closes it, and notes the next reading on the panel after the command has let go of
# the line. Prints one table: min / median / max and the clicks over the goal, per key.
# Usage: scripts/measure-latency.sh [BUILD_DIR]   (default: build, configured and built here)
# LATENCY_KEYS (default Hold,CD,Comp,TimeSet,Memory,Buttons), LATENCY_CLICKS (default 20).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
nice ninja -C "$build" luxpanel-probe luxpanel-sim >/dev/null
export LUXPANEL_BIN="$build/probe/luxpanel-probe" LUXPANEL_SIM_BIN="$build/sim/luxpanel-sim"
export LATENCY_KEYS="${LATENCY_KEYS:-Hold,CD,Comp,TimeSet,Memory,Buttons}"
export LATENCY_CLICKS="${LATENCY_CLICKS:-20}"
exec python3 - <<'PY'
import os, statistics, subprocess, sys, tempfile

keys = os.environ["LATENCY_KEYS"].split(",")
clicks = int(os.environ["LATENCY_CLICKS"])
tmp = tempfile.mkdtemp(prefix="luxpanel-latency-")
link = os.path.join(tmp, "meter")
sim = subprocess.Popen([os.environ["LUXPANEL_SIM_BIN"], "--link", link, "--paced"],
                       stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
sim.stdout.readline()
env = dict(os.environ, QT_QPA_PLATFORM="offscreen", LUXPANEL_LATENCY=",".join(keys),
           LUXPANEL_LATENCY_CLICKS=str(clicks))
# Bounded: each click is written off after 10 s without a box and 10 s without a reading.
limit = 60 + len(keys) * clicks * 25
rows = {k: [] for k in keys}
try:
    panel = subprocess.Popen([os.environ["LUXPANEL_BIN"], "--port", link], env=env,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    try:
        out, _ = panel.communicate(timeout=limit)
    except subprocess.TimeoutExpired:
        panel.kill(); out, _ = panel.communicate()
        print("luxpanel-probe did not finish within %d s" % limit, file=sys.stderr)
finally:
    sim.kill(); sim.wait()
for line in out.splitlines():
    f = line.split()
    if len(f) == 6 and f[0] == "latency" and f[1] in rows:
        rows[f[1]].append(tuple(int(x.split("=")[1]) for x in f[3:6]))
        print(line, file=sys.stderr)

def figures(values, goal):
    got = [v for v in values if v >= 0]
    lost = len(values) - len(got)
    if not got:
        return "-", "-", "-", "%d/%d" % (lost, len(values))
    over = sum(1 for v in got if v >= goal) + lost
    return (str(min(got)), str(int(statistics.median(got))), str(max(got)),
            "%d/%d" % (over, len(values)))

print("| Key | clicks inside a poll tick | click → box: min / median / max ms | over 400 ms | end → reading: min / median / max ms | over 500 ms |")
print("|---|---|---|---|---|---|")
failed = False
for k in keys:
    o = figures([r[0] for r in rows[k]], 400)
    e = figures([r[1] for r in rows[k]], 500)
    inside = sum(r[2] for r in rows[k])
    print("| %s | %d of %d | %s / %s / %s | %s | %s / %s / %s | %s |"
          % (k, inside, len(rows[k]), *o[:3], o[3], *e[:3], e[3]))
    failed |= not rows[k] or not o[3].startswith("0/") or not e[3].startswith("0/")
sys.exit(1 if failed else 0)
PY
