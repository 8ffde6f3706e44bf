#!/usr/bin/env bash
# The real-line-rate logger download figure: luxpanel-sim serves a meter with a full logger
# memory on a pseudo-terminal at 19200 baud pacing, and bench_logger_download downloads it through
# QtSerialPort and MeterLink as the "Memory" command does, timing "Q" to the last byte.
#   scripts/measure-download.sh            (build directory: build-measure, or $BUILD)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build-measure}
cmake -S . -B "$BUILD" -G Ninja >/dev/null
ninja -C "$BUILD" -j2 luxpanel-sim bench_logger_download >/dev/null

work=$(mktemp -d)
mkfifo "$work/in"
"$BUILD/sim/luxpanel-sim" --paced <"$work/in" >"$work/out" &
sim=$!
exec 3>"$work/in"
cleanup() {
  echo quit >&3 2>/dev/null || true
  exec 3>&-
  wait "$sim" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

for _ in $(seq 100); do
  [ -s "$work/out" ] && break
  sleep 0.1
done
port=$(head -n1 "$work/out")
[ -n "$port" ] || { echo "luxpanel-sim did not start" >&2; exit 1; }
echo fill-logger >&3
for _ in $(seq 50); do
  [ "$(wc -l <"$work/out")" -ge 2 ] && break
  sleep 0.1
done
echo "meter: $(sed -n 2p "$work/out")"
echo "port:  $port"
QT_QPA_PLATFORM=offscreen timeout 300 "$BUILD/bench/bench_logger_download" "$port"
