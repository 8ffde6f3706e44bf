#!/bin/sh
# Takes the README's gallery: runs the program (luxpanel-probe, luxpanel with its gallery
# walk) on the simulated meter under Xvfb, opens
# every window in turn and writes a PNG of each to docs/screenshots/ (or the folder given as the
# first argument). The simulated meter holds three logger sets so the Memory and Data List
# windows have something to show, and a recording runs so the file list has a file to read.
# Needs xvfb-run (package xvfb).
# LUXPANEL_BUILD: build folder to use (default build-screenshot, configured and built here).
# QT_SCALE_FACTOR=2 in the environment takes the pictures as on a high-DPI screen.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/screenshots}
build=${LUXPANEL_BUILD:-$root/build-screenshot}
[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja >/dev/null
ninja -C "$build" luxpanel-probe luxpanel-sim >/dev/null

work=$(mktemp -d)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM
# The pictures show the windows as designed, not at sizes remembered from the user's own runs.
export XDG_CONFIG_HOME="$work/config"

# The meter: its control commands come through a fifo that stays open for the whole run.
mkfifo "$work/control"
sim=$build/luxpanel-sim
[ -x "$sim" ] || sim=$build/sim/luxpanel-sim
"$sim" --link "$work/meter" --no-overloads <"$work/control" >"$work/sim.out" 2>&1 &
sim_pid=$!
exec 3>"$work/control"
kill -0 "$sim_pid" 2>/dev/null || { echo "the simulated meter did not start" >&2; cat "$work/sim.out" >&2; exit 1; }
echo "preload-logger 3 40" >&3
# The panel shows the port it uses: the short /dev/pts/N the meter prints first, not the link.
tries=0
until [ -e "$work/meter" ] && [ -s "$work/sim.out" ]; do
  tries=$((tries + 1))
  [ $tries -le 50 ] || { echo "the simulated meter did not start" >&2; cat "$work/sim.out" >&2; exit 1; }
  sleep 0.1
done

port=$(head -n 1 "$work/sim.out")
case $port in /dev/*) ;; *) port=$work/meter ;; esac
mkdir -p "$out"
touch "$work/started"
LUXPANEL_SCREENSHOTS=$out LUXPANEL_RECORD_TO=$work/recording.txt LUXPANEL_SAMPLING=1 \
  timeout 120 xvfb-run -a -s "-screen 0 1600x1000x24" \
  "$build/probe/luxpanel-probe" --port "$port" >/dev/null
echo quit >&3
exec 3>&-

missing=0
for name in port panel realtimelist realtimeall realtimegraph filelist plot memory datalist \
  samplingchoice setup comparator btn; do
  if [ -s "$out/$name.png" ] && [ "$out/$name.png" -nt "$work/started" ]; then
    echo "wrote $out/$name.png"
  else
    echo "missing $out/$name.png" >&2
    missing=$((missing + 1))
  fi
done
[ $missing -eq 0 ]
