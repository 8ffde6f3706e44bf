#!/usr/bin/env bash
# The bytes two builds of the program put on the line in one scripted session against the
# simulated meter, which logs every byte in both directions (luxpanel-sim --wire-log). Prints,
# per build, what the program sent and whether the two agree, once byte for byte and once with
# repeats of the same letter counted as one (how often a silent meter is asked again depends on
# the wall clock).
#   scripts/wire-log.sh cli SIM CLI_A CLI_B [OUT_DIR]
#     luxpanel-cli: a reading, the clock, a recording through a 3-second silence of the meter
#     (and the reconnection after it), a logger download and an erase.
#   scripts/wire-log.sh panel SIM PROBE_A PROBE_B [OUT_DIR]
#     the panel (luxpanel-probe, offscreen) streaming and recording every second for 15 s,
#     through a 3-second silence, then closed.
#   scripts/wire-log.sh commands SIM PROBE_A PROBE_B [OUT_DIR]
#     the panel's toolbar commands Hold, CD, Comp, TimeSet, Memory and Buttons, clicked twice
#     each at random moments of the poll and their boxes closed (the probe's latency driver).
# SIM is a luxpanel-sim that knows --wire-log; give the same program twice to see how much one
# run differs from the next on the real clock.
set -euo pipefail
if [ $# -lt 4 ] || { [ "$1" != cli ] && [ "$1" != panel ] && [ "$1" != commands ]; }; then
  sed -n '2,18p' "$0"
  exit 2
fi
mode=$1 sim=$2 cliA=$3 cliB=$4
out=${5:-$(mktemp -d /tmp/wire-log.XXXXXX)}
mkdir -p "$out"

scenario() {  # CLI TAG
  local cli=$1 dir=$out/$2
  rm -rf "$dir" && mkdir -p "$dir"
  mkfifo "$dir/sim.in"
  "$sim" --no-overloads --seed 1 --link "$dir/meter" --wire-log "$dir/wire.log" \
    <"$dir/sim.in" >"$dir/sim.out" 2>&1 &
  local pid=$! fd
  exec {fd}>"$dir/sim.in"
  for _ in $(seq 100); do [ -e "$dir/meter" ] && break; sleep 0.05; done
  local port=$dir/meter status=0
  if [ "$mode" = commands ]; then
    QT_QPA_PLATFORM=offscreen LUXPANEL_LATENCY=Hold,CD,Comp,TimeSet,Memory,Buttons \
      LUXPANEL_LATENCY_CLICKS=2 timeout 300 "$cli" --port "$port" >"$dir/panel.out" \
      2>"$dir/cli.err" || status=1
  elif [ "$mode" = panel ]; then
    QT_QPA_PLATFORM=offscreen LUXPANEL_RECORD_TO="$dir/rec.tsv" LUXPANEL_SAMPLING=1 \
      "$cli" --port "$port" >"$dir/panel.out" 2>"$dir/cli.err" &
    local panel=$!
    sleep 5
    echo "silence 3" >&"$fd"
    sleep 10
    kill -TERM "$panel" 2>/dev/null || true
    wait "$panel" || status=1
  else
  "$cli" read --port "$port" >"$dir/read.txt" 2>>"$dir/cli.err" || status=1
  "$cli" clock --port "$port" >"$dir/clock.txt" 2>>"$dir/cli.err" || status=1
  (sleep 2.5 && echo "silence 3" >&"$fd") &
  "$cli" record --every 1 --count 8 --port "$port" "$dir/rec.tsv" 2>>"$dir/cli.err" || status=1
  echo "preload-logger 2 5" >&"$fd"
  sleep 0.3
  "$cli" download "$dir/dl" --port "$port" 2>>"$dir/cli.err" || status=1
  "$cli" erase --yes --port "$port" 2>>"$dir/cli.err" || status=1
  fi
  echo quit >&"$fd"
  exec {fd}>&-
  wait "$pid" || true
  # Bytes from the program, in order, one per line; then the same with repeats folded.
  awk '$2 == "<" { for (i = 3; i <= NF; i++) print $i }' "$dir/wire.log" >"$dir/sent.hex"
  uniq "$dir/sent.hex" >"$dir/sent.folded"
  echo "$2: exit statuses $( ((status)) && echo 'not all 0' || echo 'all 0'), $(wc -l <"$dir/sent.hex") bytes sent, $(awk '$2 == ">" { n += NF - 2 } END { print n + 0 }' "$dir/wire.log") bytes from the meter"
}

scenario "$cliA" a
scenario "$cliB" b
if cmp -s "$out/a/sent.hex" "$out/b/sent.hex"; then
  echo "bytes sent: identical"
else
  echo "bytes sent: different (diff $out/a/sent.hex $out/b/sent.hex)"
fi
if cmp -s "$out/a/sent.folded" "$out/b/sent.folded"; then
  echo "bytes sent, repeats folded: identical"
else
  echo "bytes sent, repeats folded: different"
  diff "$out/a/sent.folded" "$out/b/sent.folded" | head -20 || true
fi
echo "logs in $out"
