#!/usr/bin/env python3
"""Judges what a soak session (scripts/soak.sh) left in its directory.

  soak_check.py OUTDIR      prints a report; exit status 0 when every check passed, 1 if not
  soak_check.py --self-test builds sound and spoiled sessions and shows each fault is caught

The session directory holds:
  events.tsv     epoch TAB what the script did to the meter ("silence_begin 7", "mode_on rel", ...)
  display.log    the meter's own log of every reading it displayed (local time TAB text TAB unit
                 [TAB misframed])
  rec.tsv, rec.tsv.1, ...   the data files, one per stretch of plain measuring
  panel.out      "recorded N" after each record line, "segment PATH" before each new file,
                 "list opened" / "graph opened" as the live windows are opened again,
                 "box TEXT" for each message box closed for the user
  frames.tsv     epoch TAB frames decoded so far (every second)
  rss.tsv        epoch TAB resident kB TAB CPU clock ticks (every 5 s, and once at the end)
  panel.status   alive_at_end, exit_status, clock_ticks
"""

import bisect
import os
import re
import sys
import tempfile
import time
from datetime import datetime, timedelta

# A record is taken at a tick somewhere inside the second its stamp names, from the reading the
# program decoded last; that reading left the meter at most this long before the stamp's second
# began (poll period, a frame period, and room for a few frames lost to garbage or misframing).
VALUE_LOOKBACK = 2.0
# From a mode annunciator or unit switch appearing on the meter to the program's tick that sees
# it: one poll and one recording tick.
STOP_LATENCY = 1.0
# From plain mode coming back to the first record of the next file: the poll that sees it, the
# tick that restarts, and one second of stamp rounding.
RESTART_LIMIT = 3.0
# From the program's start to its first record: the window, the port, the first frame.
START_LIMIT = 10.0
# After a silence ends, the frame counter must move within this long: a poll that hears nothing
# gives the meter six 2-second windows (12 s) before it reconnects, and the reconnect itself
# needs a handshake answer and a restarted stream.
RECOVERY_LIMIT = 20.0
RSS_GROWTH_LIMIT = 0.10
STAMP = re.compile(r"^(\d\d)-(\d\d):(\d\d):(\d\d)$")
STOPPING_MODES = {"rel", "ref", "pct", "cd", "fch", "lxh", "setup"}


class Report:
    def __init__(self):
        self.failures = []
        self.figures = []

    def fail(self, text):
        self.failures.append(text)

    def figure(self, name, value):
        self.figures.append((name, value))


def read_lines(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return [line.rstrip("\n") for line in f]
    except OSError:
        return []


def local_epoch(dt):
    return time.mktime(dt.timetuple()) + dt.microsecond / 1e6


def load_events(out):
    events = []
    for line in read_lines(os.path.join(out, "events.tsv")):
        parts = line.split("\t", 1)
        if len(parts) != 2:
            continue
        words = parts[1].split()
        events.append((float(parts[0]), words[0], words[1:]))
    return events


def load_display(out):
    """The meter's displayed readings as (epoch, text, unit, intact)."""
    shown = []
    for line in read_lines(os.path.join(out, "display.log")):
        f = line.split("\t")
        if len(f) < 3:
            continue
        try:
            at = local_epoch(datetime.strptime(f[0], "%Y-%m-%d %H:%M:%S.%f"))
        except ValueError:
            continue
        shown.append((at, f[1], f[2], len(f) < 4 or f[3] != "misframed"))
    return shown


def stamp_epoch(stamp, start):
    """Epoch of the second a "DD-hh:nn:ss" stamp names, taking the day near the session start."""
    m = STAMP.match(stamp)
    if not m:
        return None
    day, hh, mm, ss = (int(g) for g in m.groups())
    if hh > 23 or mm > 59 or ss > 59:
        return None
    base = datetime.fromtimestamp(start).replace(hour=0, minute=0, second=0, microsecond=0)
    for k in range(-1, 3):
        d = base + timedelta(days=k)
        if d.day == day:
            return local_epoch(d.replace(hour=hh, minute=mm, second=ss))
    return None


def episodes(events, stop):
    """Mode episodes as (begin, end, name), silences as (begin, end), unit switches as times."""
    modes, silences, units = [], [], []
    open_mode = open_silence = None
    for at, kind, args in events:
        if kind == "mode_on":
            open_mode = (at, args[0] if args else "?")
        elif kind == "mode_off" and open_mode:
            modes.append((open_mode[0], at, open_mode[1]))
            open_mode = None
        elif kind == "silence_begin":
            open_silence = at
        elif kind == "silence_end" and open_silence is not None:
            silences.append((open_silence, at))
            open_silence = None
        elif kind == "unit":
            units.append(at)
    if open_mode:
        modes.append((open_mode[0], stop, open_mode[1]))
    if open_silence is not None:
        silences.append((open_silence, stop))
    return modes, silences, units


def split_stretches(events, stop):
    """When the meter sent its frames in pieces, as (split_on, split_off)."""
    stretches, since = [], None
    for at, kind, _ in events:
        if kind == "split_on":
            since = at
        elif kind == "split_off" and since is not None:
            stretches.append((since, at))
            since = None
    if since is not None:
        stretches.append((since, stop))
    return stretches


def segment_paths(out):
    base = os.path.join(out, "rec.tsv")
    paths = [base] if os.path.exists(base) else []
    n = 1
    while os.path.exists(f"{base}.{n}"):
        paths.append(f"{base}.{n}")
        n += 1
    return paths


def announced_counts(out):
    """Records the program announced per file, in the order of the files."""
    counts = [0]
    for line in read_lines(os.path.join(out, "panel.out")):
        if line.startswith("segment "):
            counts.append(0)
        elif line.startswith("recorded "):
            counts[-1] += 1
    return counts


def parse_segment(path, start, rep):
    """Returns (unit, [(number, stamp epoch, value)]) or None when the file is not well-formed."""
    name = os.path.basename(path)
    with open(path, "rb") as f:
        data = f.read()
    if not data:
        rep.fail(f"{name}: empty file (no header line)")
        return None
    if not data.endswith(b"\r\n"):
        rep.fail(f"{name}: last line does not end in CR LF")
        return None
    lines = data[:-2].split(b"\r\n")
    for i, raw in enumerate(lines, 1):
        if b"\r" in raw or b"\n" in raw:
            rep.fail(f"{name}: line {i} holds a bare CR or LF")
            return None
    text = [raw.decode("latin-1") for raw in lines]
    header = text[0].split("\t")
    if len(header) != 3 or header[1:] != ["Time", "Value"] or header[0] not in ("Lx", "Fc"):
        rep.fail(f"{name}: header line is {text[0]!r}")
        return None
    records = []
    for i, line in enumerate(text[1:], 1):
        f = line.split("\t")
        if len(f) != 3 or not f[0].isdigit() or not f[2]:
            rep.fail(f"{name}: record line {i} is {line!r}")
            return None
        at = stamp_epoch(f[1], start)
        if at is None:
            rep.fail(f"{name}: record {f[0]} has the time stamp {f[1]!r}")
            return None
        if int(f[0]) != i:
            rep.fail(f"{name}: record line {i} is numbered {f[0]}")
            return None
        records.append((i, at, f[2]))
    return header[0], records


def outage_step(a, b, gaps):
    """True when the seconds between two records lie in a stretch in which the meter sent no
    intact frame: a sampling moment without a new frame writes nothing, so the stamps jump.
    The record before is stamped at most a second after the last frame before the stretch, the
    one after at most a poll, a tick and a second of stamp rounding after the first frame."""
    return any(begin <= a + 2.0 and end >= b - 3.0 for begin, end in gaps)


def split_step(a, b, pieces):
    """True when a 2-second step's empty second lies in a stretch in which the meter sent its
    frames in pieces (`pieces`, from split_on to split_off). A tick's collection starts with a
    discard; pieces 30 ms apart make that discard fall inside a frame most of the time, the
    collection then holds the frame's tail and the next one's head, and the tick reads afresh.
    So a second can pass without a whole frame although every frame the meter sent was intact,
    and its sampling moment rightly writes nothing. Never more than one second in a row."""
    return round(b - a) == 2 and any(on <= a + 2.0 and off + 1.0 >= a + 1.0
                                     for on, off in pieces)


def check_steps(name, records, rep, gaps=(), pieces=()):
    """Stamps one second apart. The sampling moments fall in the middle of the PC's seconds, so
    a tick a little late or early still stamps its own second: two records in one second (a
    0-second step) are a fault, as is a second skipped. A longer step is allowed only across a
    stretch without frames (`gaps`), a 2-second one also while the meter's frames come in pieces
    (`pieces`)."""
    steps = [round(b[1] - a[1]) for a, b in zip(records, records[1:])]
    for i, s in enumerate(steps):
        if s == 1:
            continue
        if s > 1 and outage_step(records[i][1], records[i + 1][1], gaps):
            continue
        if s == 2 and split_step(records[i][1], records[i + 1][1], pieces):
            continue
        rep.fail(f"{name}: record {records[i + 1][0]} comes {s} s after the one before")


def display_gaps(shown):
    """Stretches longer than a second in which the meter displayed nothing intact (silences,
    runs of misframes, the pause after a command), as (last reading before, first one after)."""
    intact = [s[0] for s in shown if s[3]]
    return [(a, b) for a, b in zip(intact, intact[1:]) if b - a > 1.0]


def check_values(name, unit, records, shown, rep):
    times = [s[0] for s in shown]
    gaps = display_gaps(shown)

    def values_between(lo_t, hi_t):
        lo = bisect.bisect_left(times, lo_t)
        hi = bisect.bisect_right(times, hi_t)
        return {s[1] for s in shown[lo:hi] if s[3] and s[2] == unit}

    intact = [s[0] for s in shown if s[3]]
    invented = 0
    bad = 0
    for number, at, value in records:
        # A sampling moment writes a record only after a new frame: the meter must have sent
        # one in the same window in which the record's value must lie.
        lo = bisect.bisect_left(intact, at - VALUE_LOOKBACK)
        if lo == len(intact) or intact[lo] > at + 1.0:
            invented += 1
            if invented <= 5:
                rep.fail(f"{name}: record {number} was written although the meter sent no frame "
                         f"in the {VALUE_LOOKBACK:g} s before its second")
            continue
        accepted = values_between(at - VALUE_LOOKBACK, at + 1.0)
        for begin, end in gaps:
            # While the meter shows nothing the program keeps the last reading it decoded, and
            # goes on keeping it until the first frame after the gap is polled.
            if begin < at + 1.0 and end > at - VALUE_LOOKBACK:
                accepted |= values_between(begin - VALUE_LOOKBACK, begin)
        if value not in accepted:
            bad += 1
            if bad <= 5:
                rep.fail(f"{name}: record {number} holds {value!r} {unit}, which the meter did "
                         f"not display in the {VALUE_LOOKBACK:g} s before its second")
    if bad > 5:
        rep.fail(f"{name}: {bad - 5} more records with values the meter did not display")
    if invented > 5:
        rep.fail(f"{name}: {invented - 5} more records written while the meter sent nothing")


def first_frame_at_or_after(intact, at, until):
    """When the program could first learn of a change the meter made at `at`: the first intact
    frame the meter sent from then on (None if it sent none before `until`)."""
    i = bisect.bisect_left(intact, at)
    return intact[i] if i < len(intact) and intact[i] < until else None


def load_frames(out):
    """The program's frame counter as (epoch, frames decoded so far)."""
    frames = []
    for line in read_lines(os.path.join(out, "frames.tsv")):
        f = line.split("\t")
        if len(f) == 2 and f[1].isdigit():
            frames.append((float(f[0]), int(f[1])))
    return frames


def heard_again(frames, at):
    """When the program's frame counter first moved after `at` (the meter speaking again after a
    stretch without frames), or `at` + RECOVERY_LIMIT when it never did: that is checked on its
    own, in check_process."""
    before = [n for t, n in frames if t <= at]
    for t, n in frames:
        if t > at and (not before or n > before[-1]):
            return t
    return at + RECOVERY_LIMIT


def deadline_over_gaps(at, limit, gaps, frames):
    """`at` + `limit`, unless a stretch without frames begins before that: while the meter sends
    nothing the program can neither record nor learn of a change, so the limit then runs from
    when the program hears the meter again (a silence just after a unit switch, say)."""
    deadline = at + limit
    for begin, end in sorted(gaps):
        if begin < deadline and end > at:
            deadline = max(deadline, heard_again(frames, end) + limit)
    return deadline


def restart_deadline(at, gaps, frames):
    """The latest first record of the next file: a new file's first record waits for a new
    reading."""
    return deadline_over_gaps(at, RESTART_LIMIT, gaps, frames)


def check_episodes(segments, modes, units, shown, panel_start, stop, rep, frames=()):
    """No record inside a mode episode or across a unit switch, and a new file soon after plain
    mode comes back. Each is timed from the first frame that carried the change: while the meter
    sends nothing the program cannot know, and keeps its last reading (see display_gaps)."""
    intact = [x[0] for x in shown if x[3]]
    unseen = 0
    stopping = [(b, e, m) for b, e, m in modes if m in STOPPING_MODES]
    for name, _, records in segments:
        for begin, end, mode in stopping:
            seen = first_frame_at_or_after(intact, begin, end)
            if seen is None:
                continue
            for number, at, _ in records:
                if at >= seen + STOP_LATENCY and at + 1 <= end:
                    rep.fail(f"{name}: record {number} is stamped inside the {mode} episode "
                             f"{begin:.1f}..{end:.1f}")
        if records:
            first, last = records[0][1], records[-1][1]
            for u in units:
                seen = first_frame_at_or_after(intact, u, stop)
                if seen is not None and first + 1 <= seen and seen + STOP_LATENCY + 1 <= last:
                    rep.fail(f"{name}: runs on across the unit switch at {u:.1f}")
    starts = sorted(records[0][1] for _, _, records in segments if records)
    if segments and segments[0][2] and segments[0][2][0][1] > panel_start + START_LIMIT:
        rep.fail(f"the first record came {segments[0][2][0][1] - panel_start:.0f} s after start")
    for b, e, m in stopping:
        if first_frame_at_or_after(intact, b, e) is None:
            unseen += 1
    rep.figure("mode episodes the meter sent no frame of", unseen)
    # Every end of an episode must be followed by a new file soon after the program sees it.
    # (An episode the meter sent no frame of stopped nothing, so nothing has to restart.)
    ends = [e for b, e, _ in stopping if first_frame_at_or_after(intact, b, e) is not None]
    gaps = display_gaps(shown)
    for change in ends + list(units):
        at = first_frame_at_or_after(intact, change, stop)
        if at is None:
            continue
        deadline = restart_deadline(at, gaps, frames)
        if deadline + 1 >= stop:
            continue
        # A later episode that began before the restart was due suspends the restart.
        if any(b <= deadline and e > change for b, e, _ in stopping):
            continue
        if not any(at - 1 <= s <= deadline for s in starts):
            rep.fail(f"no recording restarted within {deadline - at:.1f} s of plain mode at "
                     f"{at:.1f}")


def report_stalls(shown, silences, rep):
    """Stretches of 5 s or more in which the meter sent no intact frame although it was not told
    to be silent (nor just back from a silence, which the program needs a moment to notice): the
    display stream lapsed and the program had not restarted it."""
    stalls = []
    for a, b in display_gaps(shown):
        pieces = [(a, b)]
        for sb, se in silences:
            cut = []
            for pa, pb in pieces:
                if pb <= sb or pa >= se + 5.0:
                    cut.append((pa, pb))
                    continue
                if pa < sb:
                    cut.append((pa, sb))
                if pb > se + 5.0:
                    cut.append((se + 5.0, pb))
            pieces = cut
        stalls += [(pa, pb) for pa, pb in pieces if pb - pa >= 5.0]
    rep.figure("stretches of 5 s or more without frames outside silences",
               ", ".join(f"{time.strftime('%H:%M:%S', time.localtime(a))} {b - a:.1f} s"
                         for a, b in stalls) or "none")


def check_segment_counts(segments, modes, units, shown, stop, rep, frames=()):
    """Each file holds one record per second of its run; a file ends only because of a mode
    episode, a unit switch or the end of the session, timed from the first frame that showed
    the change to the program."""
    intact = [x[0] for x in shown if x[3]]

    def seen(at, until):
        return first_frame_at_or_after(intact, at, until)

    for name, _, records in segments:
        if not records:
            continue
        first, last = records[0][1], records[-1][1]
        # Seconds without frames hold no record.
        gaps = display_gaps(shown)
        skipped = sum(round(b[1] - a[1]) - 1 for a, b in zip(records, records[1:])
                      if round(b[1] - a[1]) > 1 and outage_step(a[1], b[1], gaps))
        duration = last - first + 1 - skipped
        if abs(len(records) - duration) > 1:
            rep.fail(f"{name}: {len(records)} records over {duration:.0f} s")
        causes = [seen(b, e) for b, e, m in modes if m in STOPPING_MODES]
        causes += [seen(u, stop) for u in units] + [stop]
        causes = [c for c in causes if c is not None]
        # A file whose last record comes just before a silence ends at what the meter shows
        # when it speaks again.
        latest = deadline_over_gaps(last + 1, STOP_LATENCY + 1, gaps, frames)
        if not any(last - 1 <= c <= latest for c in causes):
            rep.fail(f"{name}: ends at record {records[-1][0]} with no mode, unit switch or end "
                     f"of session around it")


def check_process(out, events, silences, rep):
    status = dict(l.split("=", 1) for l in read_lines(os.path.join(out, "panel.status")) if "=" in l)
    if status.get("alive_at_end") != "1":
        rep.fail("luxpanel was not running at the end of the session")
    # 143: ended by the script's SIGTERM. Anything else is a crash or an exit of its own.
    if status.get("exit_status") not in ("143", "0"):
        rep.fail(f"luxpanel ended with status {status.get('exit_status')}")
    frames = load_frames(out)
    if len(frames) < 2 or frames[-1][1] <= frames[0][1]:
        rep.fail("the frame counter never advanced")
        return
    worst = 0.0
    for begin, end in silences:
        before = [n for at, n in frames if at <= end]
        if not before:
            continue
        moved = [at for at, n in frames if at > end and n > before[-1]]
        if not moved or moved[0] - end > RECOVERY_LIMIT:
            rep.fail(f"frames did not advance within {RECOVERY_LIMIT:g} s after the silence "
                     f"that ended at {end:.1f}")
        else:
            worst = max(worst, moved[0] - end)
    rep.figure("frames decoded", frames[-1][1])
    rep.figure("slowest recovery after a silence (s, 1 s sampling)", f"{worst:.1f}")


def check_memory(out, panel_start, rep):
    samples = []
    for line in read_lines(os.path.join(out, "rss.tsv")):
        f = line.split("\t")
        if len(f) == 3:
            samples.append((float(f[0]), int(f[1]), int(f[2])))
    if not samples:
        rep.fail("no memory samples")
        return
    after = [s for s in samples if s[0] >= panel_start + 60]
    if len(after) < 6:
        rep.fail("too few memory samples after minute 1")
        return
    # Resident memory dips by about 2 MB for a few seconds whenever a closed live window is
    # deleted, and comes back with the next one; the level it comes back to is what can leak.
    # So each end is the highest of three samples (15 s): one or two samples caught in a dip
    # neither pass for growth nor hide it.
    def level(group):
        return max(s[1] for s in group)

    first, last = level(after[:3]), level(after[-3:])
    growth = (last - first) / first
    rep.figure("RSS at minute 1 (kB, highest of 3 samples)", first)
    rep.figure("RSS at the end (kB, highest of the last 3 samples)", last)
    rep.figure("RSS peak (kB)", max(s[1] for s in samples))
    rep.figure("RSS growth after minute 1", f"{growth * 100:+.1f}%")
    if growth >= RSS_GROWTH_LIMIT:
        rep.fail(f"resident memory grew {growth * 100:.1f}% after minute 1 "
                 f"({first} kB -> {last} kB)")
    status = dict(l.split("=", 1) for l in read_lines(os.path.join(out, "panel.status")) if "=" in l)
    ticks = int(status.get("clock_ticks", "100") or 100)
    elapsed = samples[-1][0] - panel_start
    if elapsed > 0:
        rep.figure("CPU of luxpanel (mean %)", f"{100.0 * samples[-1][2] / ticks / elapsed:.1f}")


def check(out):
    rep = Report()
    events = load_events(out)
    kinds = [k for _, k, _ in events]
    if "start" not in kinds or "stop" not in kinds:
        rep.fail("the session did not run to its end (no start or stop in events.tsv)")
        return rep
    start = next(t for t, k, _ in events if k == "start")
    panel_start = next((t for t, k, _ in events if k == "panel_start"), start)
    stop = next(t for t, k, _ in events if k == "stop")
    modes, silences, units = episodes(events, stop)
    shown = load_display(out)
    if not shown:
        rep.fail("the meter's display log is empty")

    check_process(out, events, silences, rep)

    segments = []
    for path in segment_paths(out):
        parsed = parse_segment(path, start, rep)
        if parsed:
            segments.append((os.path.basename(path), parsed[0], parsed[1]))
    if not segments:
        rep.fail("no data file was written")
    counts = announced_counts(out)
    if len(counts) != len(segment_paths(out)):
        rep.fail(f"the program announced {len(counts)} files, {len(segment_paths(out))} exist")
    pieces = split_stretches(events, stop)
    for i, (name, unit, records) in enumerate(segments):
        check_steps(name, records, rep, display_gaps(shown), pieces)
        check_values(name, unit, records, shown, rep)
        if i < len(counts) and counts[i] != len(records):
            rep.fail(f"{name}: the program announced {counts[i]} records, the file holds "
                     f"{len(records)}")
    # The live list and the live graph close with the file at each episode and are opened
    # again with the next file.
    said = read_lines(os.path.join(out, "panel.out"))
    for window in ("list", "graph"):
        opened = said.count(f"{window} opened")
        rep.figure(f"live {window} runs", opened)
        if window == "graph":
            rep.figure("message boxes the soak closed", sum(l.startswith("box ") for l in said))
        if opened != len(segments):
            rep.fail(f"the live {window} was opened {opened} times beside {len(segments)} files")
    check_episodes(segments, modes, units, shown, panel_start, stop, rep, load_frames(out))
    report_stalls(shown, silences, rep)
    check_segment_counts(segments, modes, units, shown, stop, rep, load_frames(out))
    check_memory(out, panel_start, rep)

    total = sum(len(r) for _, _, r in segments)
    rep.figures[:0] = [
        ("session (s)", f"{stop - panel_start:.0f}"),
        ("records", total),
        ("data files", len(segments)),
        ("readings the meter displayed", len(shown)),
    ]
    faults = {}
    for _, kind, _ in events:
        if kind in ("silence_begin", "garbage", "split_on", "misframe", "overload_on", "unit",
                    "mode_on"):
            faults[kind] = faults.get(kind, 0) + 1
    rep.figure("faults injected", ", ".join(f"{k} {v}" for k, v in sorted(faults.items())) or "none")
    silent = sum(e - b for b, e in silences)
    rep.figure("seconds of silence", f"{silent:.0f}")
    return rep


def print_report(rep):
    for name, value in rep.figures:
        print(f"{name}: {value}")
    if rep.failures:
        print(f"FAILED ({len(rep.failures)}):")
        for f in rep.failures:
            print(f"  {f}")
    else:
        print("PASSED")


# ---- self-test: a sound synthetic session must pass, each spoiled copy must fail ----

def write_session(out, spoil=None):
    """A 120-second session: plain readings every 0.1 s, a rel episode at 40..46 s, a unit switch
    at 80 s and back at 106 s, silences at 20..25 s, 81..86 s and 100..105 s; the program's files
    follow them as they should (nothing is recorded for the moments of the first silence, the
    file after the first unit switch begins only when the meter speaks again after the second,
    and the third silence comes between the last record of a file and the unit switch that ends
    it)."""
    t0 = float(int(time.time()) - 1000)
    ev = [(t0, "start 120 1"), (t0 + 0.1, "panel_start 1"), (t0 + 20.0, "silence_begin 5"),
          (t0 + 25.0, "silence_end"), (t0 + 40.0, "mode_on rel"), (t0 + 46.0, "mode_off rel"),
          (t0 + 80.0, "unit"), (t0 + 81.0, "silence_begin 5"), (t0 + 86.0, "silence_end"),
          (t0 + 100.0, "silence_begin 5"), (t0 + 105.0, "silence_end"), (t0 + 106.0, "unit"),
          (t0 + 120.0, "stop")]
    silences = [(t0 + 20, t0 + 25), (t0 + 81, t0 + 86), (t0 + 100, t0 + 105)]

    def silent(at):
        return any(b <= at < e for b, e in silences)
    with open(os.path.join(out, "events.tsv"), "w") as f:
        for at, what in ev:
            f.write(f"{at:.3f}\t{what}\n")

    def reading(at):
        return f"{100 + int(at - t0) % 7}"

    def unit(at):
        return "Fc" if t0 + 80.0 <= at < t0 + 106.0 else "Lx"

    with open(os.path.join(out, "display.log"), "w") as f:
        at = t0
        while at < t0 + 120:
            if not silent(at):
                dt = datetime.fromtimestamp(at)
                f.write(f"{dt:%Y-%m-%d %H:%M:%S}.{dt.microsecond // 1000:03d}\t{reading(at)}\t"
                        f"{unit(at)}\n")
            at += 0.1
    # Files: 1..40 (stops at the rel tick 40.x), restart at 47 .. 80, restart at 87 (the first
    # second after the silence that followed the unit switch) .. 99 (the silence, then the
    # second unit switch), restart at 107 .. 119.
    runs = [(1, 40), (47, 80), (87, 100), (107, 120)]
    if spoil == "late_restart":
        runs[1] = (53, 80)
    if spoil == "late_after_silence":
        runs[2] = (93, 100)
    if spoil == "ends_early":
        runs[2] = (87, 96)
    if spoil == "inside_mode":
        runs[0] = (1, 47)
    names = ["rec.tsv", "rec.tsv.1", "rec.tsv.2", "rec.tsv.3"]
    out_lines = []
    for k, ((a, b), name) in enumerate(zip(runs, names)):
        if k:
            out_lines.append(f"segment {os.path.join(out, name)}")
        out_lines.append("list opened")
        if not (spoil == "graph_not_reopened" and k):
            out_lines.append("graph opened")
        u = unit(t0 + a + 0.5)
        lines = [f"{u}\tTime\tValue"]
        # No record for the sampling moments of the silence that came without a new frame.
        seconds = [s for s in range(a, b) if spoil == "invented" or not 21 <= s <= 24]
        if spoil == "drop" and k == 1:
            seconds.remove(60)
        for n, s in enumerate(seconds, 1):
            at = t0 + s
            held = t0 + 19.9 if t0 + 20 <= at < t0 + 25 else at
            value = reading(held)
            if spoil == "value" and k == 2 and n == 10:
                value = "999"
            number = n + 1 if spoil == "numbering" and k == 1 and n > 5 else n
            dt = datetime.fromtimestamp(at + 0.3)
            lines.append(f"{number}\t{dt.day:02d}-{dt:%H:%M:%S}\t{value}")
            out_lines.append(f"recorded {n}")
        eol = "\n" if spoil == "bare_lf" and k == 2 else "\r\n"
        with open(os.path.join(out, name), "w", newline="") as f:
            f.write(eol.join(lines) + eol)
    if spoil == "lost_line":
        out_lines.append("recorded 999")
    with open(os.path.join(out, "panel.out"), "w") as f:
        f.write("\n".join(out_lines) + "\n")
    with open(os.path.join(out, "frames.tsv"), "w") as f:
        for s in range(0, 121):
            at = t0 + s
            stuck = spoil == "no_recovery" and at >= t0 + 20
            n = 4 * (20 if stuck else sum(1 for k in range(s) if not silent(t0 + k)))
            f.write(f"{at:.3f}\t{n}\n")
    with open(os.path.join(out, "rss.tsv"), "w") as f:
        for s in range(0, 121, 5):
            kb = 50000 + (s * 200 if spoil == "leak" else s // 10)
            f.write(f"{t0 + s:.3f}\t{kb}\t{s * 2}\n")
    with open(os.path.join(out, "panel.status"), "w") as f:
        f.write("alive_at_end=%s\nexit_status=%s\nclock_ticks=100\n"
                % (("0", "139") if spoil == "crash" else ("1", "143")))


def self_test():
    # Each spoiled session and the complaint it must raise.
    spoils = {
        "drop": "comes 2 s after",
        "invented": "although the meter sent no frame",
        "inside_mode": "inside the rel episode",
        "value": "which the meter did not display",
        "numbering": "is numbered",
        "bare_lf": "CR LF",
        "lost_line": "announced",
        "no_recovery": "did not advance",
        "leak": "resident memory grew",
        "crash": "was not running",
        "late_restart": "no recording restarted",
        "late_after_silence": "no recording restarted",
        "ends_early": "ends at record",
        "graph_not_reopened": "live graph was opened 1 times",
    }
    ok = True
    with tempfile.TemporaryDirectory() as d:
        write_session(d)
        rep = check(d)
        if rep.failures:
            ok = False
            print("sound session failed:", *rep.failures, sep="\n  ")
        for spoil, expected in spoils.items():
            for name in os.listdir(d):
                os.remove(os.path.join(d, name))
            write_session(d, spoil)
            rep = check(d)
            hit = [f for f in rep.failures if expected in f]
            print(f"{spoil}: {'caught: ' + hit[0] if hit else 'NOT CAUGHT ' + repr(rep.failures)}")
            ok = ok and bool(hit)
    def judge_steps(label, cases, gaps=(), pieces=()):
        """Each case: stamps (seconds) and whether they are sound."""
        good = True
        for stamps, sound in cases:
            rep = Report()
            check_steps(label, [(i, float(t), "1") for i, t in enumerate(stamps, 1)], rep, gaps,
                        pieces)
            right = not rep.failures if sound else bool(rep.failures)
            print(f"{label} {stamps}: {'sound' if not rep.failures else rep.failures[0]}"
                  f"{'' if right else '  <- WRONG'}")
            good = good and right
        return good

    # The step rule on its own; the meter sent no frame from 10.2 s to 16.5 s.
    ok = judge_steps("steps", (([0, 1, 2, 4, 4, 5], False), ([0, 1, 1, 3, 4], False),
                               ([0, 1, 3, 4], False), ([0, 1, 1, 2], False),
                               ([0, 1, 1, 3, 3, 4], False), ([0, 1, 2, 2, 2, 5], False),
                               ([9, 10, 11, 17, 18], True), ([9, 10, 18, 19], True),
                               ([3, 4, 9, 10], False), ([20, 21, 26], False)),
                     gaps=[(10.2, 16.5)]) and ok
    # Frames in pieces from 30.4 s to 38.2 s: one second without a whole frame in there is
    # sound, two in a row or one outside are not.
    ok = judge_steps("pieces", (([29, 30, 32, 33], True), ([36, 37, 39, 40], True),
                                ([33, 35, 36, 38], True), ([32, 33, 36, 37], False),
                                ([24, 25, 27, 28], False), ([40, 41, 43], False)),
                     pieces=[(30.4, 38.2)]) and ok
    print("self-test", "passed" if ok else "FAILED")
    return 0 if ok else 1


def main(argv):
    if len(argv) == 2 and argv[1] == "--self-test":
        return self_test()
    if len(argv) != 2 or not os.path.isdir(argv[1]):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    rep = check(argv[1])
    print_report(rep)
    return 1 if rep.failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
