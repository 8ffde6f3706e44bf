#!/bin/sh
# Takes a picture of the main panel mirroring the simulated meter and writes it to
# docs/screenshots/panel.png (or the path given as the first argument).
# Needs xvfb-run (package xvfb). Builds luxpanel-probe (the program with its picture option) in
# build-screenshot unless LUXPANEL_PROBE_BIN names it.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/screenshots/panel.png}
delay=${LUXPANEL_SCREENSHOT_DELAY:-4}
if [ -z "${LUXPANEL_PROBE_BIN:-}" ]; then
  build=$root/build-screenshot
  [ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja >/dev/null
  ninja -C "$build" luxpanel-probe >/dev/null
  LUXPANEL_PROBE_BIN=$build/probe/luxpanel-probe
fi
mkdir -p "$(dirname "$out")"
# The panel grabs itself after a few seconds of mirroring the simulated meter, then closes.
timeout 60 xvfb-run -a -s "-screen 0 1600x1000x24" \
  "$LUXPANEL_PROBE_BIN" --simulate --screenshot "$out" --screenshot-delay "$delay"
echo "wrote $out"
