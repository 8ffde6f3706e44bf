#!/usr/bin/env bash
# Soak under faults: runs the program (offscreen, as luxpanel-probe: luxpanel plus the hooks that
# keep its recording, live list and live graph going, close its message boxes as a user would,
# and write the panel's state file) against
# luxpanel-sim on a pseudo-terminal while a file recording at 1 s, the live list and the live
# graph run, and makes the meter misbehave on a seeded random schedule: silences of 1-20 s,
# garbage bytes, split and misframed frames, overloads, unit switches and mode annunciators.
# scripts/soak_check.py then judges what was left behind (data files, the meter's log of what it
# displayed, process samples).
#
# Usage: scripts/soak.sh [SECONDS] [SEED] [OUTDIR]
#   SECONDS  length of the session (default 120, at least 60)
#   SEED     seed of the fault schedule and of the meter's lamp (default 1)
#   OUTDIR   where everything is kept (default: a new directory under /tmp)
# SOAK_BUILD names a build directory holding probe/luxpanel-probe and sim/luxpanel-sim (default
# build-soak, configured and built here when the programs are missing).
# Exit status: 0 when every check passed, 1 when one failed, 2 when the session could not run.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
duration=${1:-120}
seed=${2:-1}
out=${3:-}
case $duration in '' | *[!0-9]*) echo "soak: SECONDS must be a whole number" >&2; exit 2 ;; esac
case $seed in '' | *[!0-9]*) echo "soak: SEED must be a whole number" >&2; exit 2 ;; esac
if ((duration < 60)); then
  echo "soak: SECONDS must be at least 60 (the memory check starts at minute 1)" >&2
  exit 2
fi
[ -n "$out" ] || out=$(mktemp -d /tmp/luxpanel-soak.XXXXXX)
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out"/rec.tsv* "$out"/*.log "$out"/*.tsv "$out"/sim.ctl "$out"/panel.* "$out"/sim.* \
  "$out"/report.txt "$out"/stop

# A checker that no longer catches the faults it looks for would pass any session.
if ! python3 "$root/scripts/soak_check.py" --self-test >"$out/self-test.txt" 2>&1; then
  echo "soak: the checker's self-test failed (see $out/self-test.txt)" >&2
  exit 2
fi

build=${SOAK_BUILD:-$root/build-soak}
panel_bin=$build/probe/luxpanel-probe
sim_bin=$build/sim/luxpanel-sim
if [ ! -x "$panel_bin" ] || [ ! -x "$sim_bin" ]; then
  [ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja >/dev/null
  ninja -C "$build" luxpanel-probe luxpanel-sim >/dev/null
fi

now() { date +%s.%N; }
event() { printf '%s\t%s\n' "$(now)" "$*" >>"$out/events.tsv"; }

sim_pid=
panel_pid=
sampler_pid=
cleanup() {
  touch "$out/stop" 2>/dev/null || true
  [ -n "$sampler_pid" ] && kill "$sampler_pid" 2>/dev/null || true
  [ -n "$panel_pid" ] && kill -9 "$panel_pid" 2>/dev/null || true
  { echo quit >&3; } 2>/dev/null || true
  exec 3>&- 2>/dev/null || true
  if [ -n "$sim_pid" ]; then
    for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$sim_pid" 2>/dev/null || break; sleep 0.2; done
    kill "$sim_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

# The meter. Its control commands go through a FIFO held open on descriptor 3; its answers
# land in sim.out after the first line, which is the pseudo-terminal's path.
mkfifo "$out/sim.ctl"
"$sim_bin" --seed "$seed" <"$out/sim.ctl" >"$out/sim.out" 2>"$out/sim.err" &
sim_pid=$!
exec 3>"$out/sim.ctl"
pty=
for _ in $(seq 100); do
  pty=$(head -n 1 "$out/sim.out" 2>/dev/null || true)
  [ -n "$pty" ] && break
  sleep 0.1
done
if [ -z "$pty" ]; then
  echo "soak: the simulated meter did not start (see $out/sim.err)" >&2
  exit 2
fi
sim() { echo "$*" >&3; }
sim "log $out/display.log"

event start "$duration" "$seed"
QT_QPA_PLATFORM=offscreen LUXPANEL_SOAK=1 LUXPANEL_RECORD_TO="$out/rec.tsv" LUXPANEL_SAMPLING=1 \
  LUXPANEL_STATE_FILE="$out/panel.state" \
  "$panel_bin" --port "$pty" >"$out/panel.out" 2>"$out/panel.err" &
panel_pid=$!
event panel_start "$panel_pid"

# Samples of the program: its frame counter every second, its resident memory and CPU time
# every 5 s (from /proc, so the sampler never disturbs it).
(
  tick=0
  while [ ! -e "$out/stop" ] && kill -0 "$panel_pid" 2>/dev/null; do
    frames=$(sed -n 's/^frames=//p' "$out/panel.state" 2>/dev/null || true)
    printf '%s\t%s\n' "$(now)" "${frames:-0}" >>"$out/frames.tsv"
    if ((tick % 5 == 0)); then
      rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$panel_pid/status" 2>/dev/null || true)
      cpu=$(awk '{print $14 + $15}' "/proc/$panel_pid/stat" 2>/dev/null || true)
      [ -n "$rss" ] && printf '%s\t%s\t%s\n' "$(now)" "$rss" "${cpu:-0}" >>"$out/rss.tsv"
    fi
    tick=$((tick + 1))
    sleep 1
  done
) &
sampler_pid=$!

# The fault schedule: bash's RANDOM is a repeatable sequence once seeded, as long as it is only
# drawn in this shell (a subshell, such as $(...), starts its own), so rand sets R instead.
RANDOM=$seed
R=0
rand() { R=$(($1 + RANDOM % ($2 - $1 + 1))); }
pause() { sleep "$1"; }
start_s=$(date +%s)
# Faults start after 8 s of plain running and stop 25 s before the end, so that the last
# silence's recovery and the last restarted recording are seen before the program is stopped.
fault_end=$((start_s + duration - 25))
modes=(rel ref pct cd fch lxh setup)
sleep 8
while (($(date +%s) < fault_end)); do
  kill -0 "$panel_pid" 2>/dev/null || break
  left=$((fault_end - $(date +%s)))
  rand 0 99
  pick=$R
  if ((pick < 14)); then
    rand 1 20
    n=$R
    ((n <= left)) || n=$((left > 1 ? left : 1))
    event silence_begin "$n"
    sim "silence $n"
    pause "$n"
    event silence_end
  elif ((pick < 28)); then
    rand 1 300
    n=$R
    event garbage "$n"
    sim "garbage $n"
  elif ((pick < 40)); then
    event split_on
    sim "split on"
    rand 2 8
    pause "$R"
    event split_off
    sim "split off"
  elif ((pick < 54)); then
    rand 1 6
    n=$R
    event misframe "$n"
    sim "misframe $n"
  elif ((pick < 64)); then
    event overload_on
    sim "overload on"
    rand 1 4
    pause "$R"
    event overload_off
    sim "overload off"
  elif ((pick < 76)); then
    event unit
    sim unit
  else
    rand 0 $((${#modes[@]} - 1))
    m=${modes[$R]}
    event mode_on "$m"
    sim "mode $m"
    rand 2 8
    pause "$R"
    event mode_off "$m"
    sim "mode off"
  fi
  rand 1 4
  pause "$R"
done
while (($(date +%s) < start_s + duration)); do sleep 1; done

# The end: the program must still be running; it is then stopped by a signal, which is the one
# exit status that counts as a clean end here.
if kill -0 "$panel_pid" 2>/dev/null; then
  alive=1
  cpu=$(awk '{print $14 + $15}' "/proc/$panel_pid/stat" 2>/dev/null || echo 0)
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$panel_pid/status" 2>/dev/null || echo 0)
  printf '%s\t%s\t%s\n' "$(now)" "$rss" "$cpu" >>"$out/rss.tsv"
else
  alive=0
fi
event stop
touch "$out/stop"
kill -TERM "$panel_pid" 2>/dev/null || true
set +e
wait "$panel_pid"
status=$?
set -e
panel_pid=
wait "$sampler_pid" 2>/dev/null || true
sampler_pid=
printf 'alive_at_end=%s\nexit_status=%s\nclock_ticks=%s\n' "$alive" "$status" \
  "$(getconf CLK_TCK)" >"$out/panel.status"

set +e
python3 "$root/scripts/soak_check.py" "$out" | tee "$out/report.txt"
verdict=${PIPESTATUS[0]}
set -e
echo "soak: everything is in $out"
exit "$verdict"
