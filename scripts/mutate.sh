#!/usr/bin/env bash
# Mutation run: applies one plausible mistake at a time to the program's code, rebuilds only the
# test programs that should notice it, runs them, puts the code back and tells whether the tests
# killed the mutant. Slow (a rebuild per mutant): run it by hand, never as part of the test command.
#
#   scripts/mutate.sh [-b BUILD_DIR] [-l LIST] [-t SECONDS] [--no-baseline] [ID...]
#
#   -b  build directory, configured already (default: build)
#   -l  mutant list (default: scripts/mutants.txt beside this script)
#   -t  time limit for one mutant's test run; a run that takes longer counts as killed, as a
#       hang is a fault the tests caught (default: 60, the limit of one test program)
#   --no-baseline  skip the check that the named suites pass on the unchanged code
#   ID  run only these mutants (default: all of the list)
#   --list  print the mutants' ids and exit
#   --check apply and revert each mutant without building, showing the changed line: finds
#           anchors that moved away after the code changed
#
# The list is a text file of blocks, one per mutant, separated by blank lines:
#
#   id:     decoder-overload-byte          a short unique name
#   file:   src/link/FrameDecoder.cpp      path from the repository's top
#   line:   159                            where the text is expected (a hint only)
#   from:   at(4) == 0xFF                  text that must occur on that line or near it
#   to:     at(5) == 0xFF                  what it becomes (may be empty: the text is dropped)
#   tests:  test_decoder test_meterlink    ctest names of the suites to run
#   build:  recorder_without_widgets       optional: ninja targets, when they differ from tests
#   why:    free text                      optional: what the mistake would do
#
# Lines starting with "#" are comments. The occurrence of `from` nearest to `line` is changed;
# a mutant whose text is not found, or whose changed code does not compile, is reported and left
# out of the score. The file is always put back, also on Ctrl-C, and the test programs are
# rebuilt from the unchanged code at the end. The outcome of each mutant and the score are
# printed and kept in BUILD_DIR/mutation-results.txt.
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
top="$(cd "$here/.." && pwd)"
build="build"
list="$here/mutants.txt"
limit=60
baseline=1
only=()
listOnly=0
checkOnly=0

while (($#)); do
  case "$1" in
    -b) build="$2"; shift 2 ;;
    -l) list="$2"; shift 2 ;;
    -t) limit="$2"; shift 2 ;;
    --no-baseline) baseline=0; shift ;;
    --list) listOnly=1; shift ;;
    --check) checkOnly=1; shift ;;
    -h|--help) sed -n '2,30p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) only+=("$1"); shift ;;
  esac
done

cd "$top" || exit 2
[[ "$build" = /* ]] || build="$top/$build"
if [[ ! -f "$list" ]]; then echo "no mutant list at $list" >&2; exit 2; fi
if [[ $listOnly = 0 && $checkOnly = 0 && ! -f "$build/build.ninja" ]]; then
  echo "configure $build first: cmake -S . -B $build -G Ninja" >&2
  exit 2
fi

# ---- the list, parsed into parallel arrays ----
ids=() files=() lines=() froms=() tos=() tests=() targets=()
flush() {
  if [[ -n "${m_id:-}" ]]; then
    if [[ -z "${m_file:-}" || -z "${m_from:-}" || -z "${m_tests:-}" ]]; then
      echo "mutant $m_id: file, from and tests are required" >&2
      exit 2
    fi
    ids+=("$m_id") files+=("$m_file") lines+=("${m_line:-0}") froms+=("$m_from")
    tos+=("${m_to:-}") tests+=("$m_tests") targets+=("${m_build:-$m_tests}")
  fi
  m_id="" m_file="" m_line="" m_from="" m_to="" m_tests="" m_build=""
}
m_id=""
while IFS= read -r raw || [[ -n "$raw" ]]; do
  [[ "$raw" =~ ^[[:space:]]*# ]] && continue
  if [[ -z "${raw//[[:space:]]/}" ]]; then flush; continue; fi
  key="${raw%%:*}"
  value="${raw#*:}"
  value="${value#"${value%%[![:space:]]*}"}"  # leading blanks; the code text keeps its own
  case "$key" in
    id) flush; m_id="$value" ;;
    file) m_file="$value" ;;
    line) m_line="$value" ;;
    from) m_from="$value" ;;
    to) m_to="$value" ;;
    tests) m_tests="$value" ;;
    build) m_build="$value" ;;
    why) ;;
    *) echo "$list: unknown key '$key' in: $raw" >&2; exit 2 ;;
  esac
done <"$list"
flush

declare -A seen=()
for id in "${ids[@]}"; do
  if [[ -n "${seen[$id]:-}" ]]; then echo "mutant id $id is used twice" >&2; exit 2; fi
  seen[$id]=1
done
if [[ $listOnly = 1 ]]; then printf '%s\n' "${ids[@]}"; exit 0; fi
for id in "${only[@]}"; do
  [[ -n "${seen[$id]:-}" ]] || { echo "no mutant $id in $list" >&2; exit 2; }
done

selected=()
for i in "${!ids[@]}"; do
  if ((${#only[@]} == 0)); then selected+=("$i"); continue; fi
  for id in "${only[@]}"; do [[ "${ids[$i]}" = "$id" ]] && selected+=("$i"); done
done

# ---- applying and reverting ----
backup=""
current=""
restore() {
  if [[ -n "$current" && -n "$backup" && -f "$backup" ]]; then
    # A fresh time stamp (no cp -p), so that ninja rebuilds the object from the good text.
    cat "$backup" >"$current"
    touch "$current"
  fi
  current=""
}
cleanup() {
  restore
  [[ -n "$backup" ]] && rm -f "$backup"
}
trap 'cleanup' EXIT
trap 'echo; echo "interrupted: the code is put back" >&2; cleanup; exit 130' INT TERM HUP

# Replaces the occurrence of FROM nearest to line HINT in FILE; exit 3 when there is none.
apply() {
  python3 - "$1" "$2" "$3" "$4" <<'EOF'
import sys
path, hint, old, new = sys.argv[1], int(sys.argv[2] or 0), sys.argv[3], sys.argv[4]
with open(path, encoding="utf-8", newline="") as f:
    text = f.read()
lines = text.splitlines(keepends=True)
found = [i for i, l in enumerate(lines) if old in l]
if not found:
    sys.exit(3)
at = min(found, key=lambda i: (abs(i + 1 - hint), i))
lines[at] = lines[at].replace(old, new, 1)
with open(path, "w", encoding="utf-8", newline="") as f:
    f.write("".join(lines))
print(at + 1)
EOF
}

suiteRegex() {
  local r
  r="$(echo "$1" | tr -s ' ' '\n' | sed '/^$/d' | paste -sd'|')"
  echo "^($r)\$"
}

if [[ $checkOnly = 1 ]]; then
  backup="$(mktemp)"
  bad=0
  for i in "${selected[@]}"; do
    file="${files[$i]}"
    if [[ ! -f "$file" ]]; then echo "NOT FOUND  ${ids[$i]}: no file $file"; bad=1; continue; fi
    cp "$file" "$backup"
    current="$file"
    if at="$(apply "$file" "${lines[$i]}" "${froms[$i]}" "${tos[$i]}")"; then
      hint=""
      [[ "$at" != "${lines[$i]}" ]] && hint=" (listed at ${lines[$i]})"
      printf '%-32s %s:%s%s\n    %s\n' "${ids[$i]}" "$file" "$at" "$hint" "$(sed -n "${at}p" "$file" | sed 's/^ *//')"
    else
      echo "NOT FOUND  ${ids[$i]}: '${froms[$i]}' is not in $file"
      bad=1
    fi
    restore
  done
  exit $bad
fi

results="$build/mutation-results.txt"
log="$build/mutation-log.txt"
: >"$log"
say() { echo "$*" | tee -a "$results"; }

# Every target the selected mutants need, built and checked once on the unchanged code: a suite
# that fails already would kill every mutant and prove nothing.
allTargets="" allTests=""
for i in "${selected[@]}"; do
  allTargets+=" ${targets[$i]}"
  allTests+=" ${tests[$i]}"
done
allTargets="$(echo "$allTargets" | tr -s ' ' '\n' | sed '/^$/d' | sort -u | paste -sd' ')"
allTests="$(echo "$allTests" | tr -s ' ' '\n' | sed '/^$/d' | sort -u | paste -sd' ')"

: >"$results"
say "mutation run $(date -u '+%Y-%m-%d %H:%M UTC') on $(git -C "$top" rev-parse --short HEAD 2>/dev/null || echo '?'), ${#selected[@]} mutant(s) from ${list#"$top"/}"
echo "building the unchanged code: $allTargets"
# shellcheck disable=SC2086
if ! ninja -C "$build" $allTargets >>"$log" 2>&1; then
  echo "the unchanged code does not build; see $log" >&2
  exit 1
fi
if [[ $baseline = 1 ]]; then
  echo "checking that the suites pass unchanged: $allTests"
  if ! timeout -k 10 "$((limit * 4))" ctest --test-dir "$build" -R "$(suiteRegex "$allTests")" \
      --output-on-failure >>"$log" 2>&1; then
    echo "a suite fails on the unchanged code; see $log" >&2
    exit 1
  fi
fi

killed=0 survived=0 invalid=0
survivors=() invalids=()
backup="$(mktemp)"
for i in "${selected[@]}"; do
  id="${ids[$i]}" file="${files[$i]}"
  if [[ ! -f "$file" ]]; then
    say "NOT FOUND  $id: no file $file"
    invalid=$((invalid + 1)); invalids+=("$id"); continue
  fi
  cp "$file" "$backup"
  current="$file"
  if ! at="$(apply "$file" "${lines[$i]}" "${froms[$i]}" "${tos[$i]}")"; then
    restore
    say "NOT FOUND  $id: '${froms[$i]}' is not in $file"
    invalid=$((invalid + 1)); invalids+=("$id"); continue
  fi
  start=$SECONDS
  echo "==== $id ($file:$at) ====" >>"$log"
  # shellcheck disable=SC2086
  if ! ninja -C "$build" ${targets[$i]} >>"$log" 2>&1; then
    restore
    say "NO BUILD   $id ($file:$at): the changed code does not compile"
    invalid=$((invalid + 1)); invalids+=("$id"); continue
  fi
  timeout -k 10 "$limit" ctest --test-dir "$build" -R "$(suiteRegex "${tests[$i]}")" \
    --output-on-failure >>"$log" 2>&1
  rc=$?
  restore
  took=$((SECONDS - start))
  if ((rc == 0)); then
    survived=$((survived + 1)); survivors+=("$id")
    say "SURVIVED   $id ($file:$at) [${took}s]"
  else
    how="tests failed"
    ((rc == 124 || rc == 137)) && how="tests hung past ${limit}s"
    killed=$((killed + 1))
    say "killed     $id ($file:$at) [${took}s, $how]"
  fi
done

echo "rebuilding the unchanged code"
# shellcheck disable=SC2086
ninja -C "$build" $allTargets >>"$log" 2>&1 || echo "rebuild failed; see $log" >&2

scored=$((killed + survived))
say "killed $killed of $scored mutant(s)$( ((scored > 0)) && echo " ($((100 * killed / scored))%)")"
((${#survivors[@]})) && say "survived: ${survivors[*]}"
((${#invalids[@]})) && say "not run (text not found or no build): ${invalids[*]}"
((survived == 0))
