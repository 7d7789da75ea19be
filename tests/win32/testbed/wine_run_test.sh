#!/usr/bin/env bash
# Tests of tools/wine-run itself, with bench_target.exe as the program:
# exit codes pass through, a run that overstays is ended and leaves a screen
# capture, and nothing of a run outlives it: not its prefix (or overlay mount),
# its Xvfb or its wineserver, even when the script itself is killed outright.
#   wine_run_test.sh path/to/bench_target.exe
set -uo pipefail
target=$1
top=$(cd "$(dirname "$0")/../../.." && pwd)
run=${PW_WINE_RUN:-$top/tools/wine-run}   # another runner can be checked the same way
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# A private copy of the program, so that this test's scenario directories are recognisable.
probe=$work/wrprobe$$.exe
cp "$target" "$probe"
export PW_OUT=$work/out
report=$work/report

field() {  # key: the value from the last report line
  tail -n1 "$report" | tr ' ' '\n' | sed -n "s/^$1=//p"
}

# Nothing of the run in the report's last line is left.
check_gone() {  # what
  local dir xvfb
  dir=$(field run_dir)
  xvfb=$(field xvfb)
  [ -n "$dir" ] || { fail "$1: no report"; return; }
  [ ! -e "$dir" ] || fail "$1: scenario directory $dir left behind"
  mountpoint -q "$dir/p" 2>/dev/null && fail "$1: overlay still mounted"
  if [ -n "$xvfb" ] && kill -0 "$xvfb" 2>/dev/null && tr '\0' ' ' <"/proc/$xvfb/cmdline" | grep -q Xvfb; then
    fail "$1: Xvfb $xvfb still runs"
  fi
  if pgrep -f "wrprobe$$" >/dev/null; then fail "$1: a process of the program still runs"; fi
}

# 1. The program's exit code is the runner's.
PW_RUN_REPORT=$report "$run" "$probe" exit:7 >/dev/null 2>&1
rc=$?
[ $rc -eq 7 ] || fail "exit code: expected 7, got $rc"
check_gone "normal run"

# 2. A program that never ends is ended before the test's own deadline, with a capture of its screen.
start=$(date +%s)
PW_RUN_REPORT=$report PW_RUN_TIMEOUT=22 "$run" "$probe" >/dev/null 2>&1
rc=$?
took=$(( $(date +%s) - start ))
[ $rc -eq 124 ] || fail "overstay: expected 124, got $rc"
[ $took -lt 22 ] || fail "overstay: took ${took}s, beyond the test's 22 s"
head -c 8 "$PW_OUT/wrprobe$$-timeout.png" 2>/dev/null | grep -q PNG || fail "overstay: no screen capture"
check_gone "overstayed run"

# 3. A runner killed outright (as ctest does on its timeout) is cleaned up by the next run.
PW_RUN_REPORT=$report "$run" "$probe" >/dev/null 2>&1 &
runner=$!
for _ in $(seq 200); do [ -s "$report" ] && [ "$(wc -l <"$report")" -ge 3 ] && break; sleep 0.1; done
sleep 2
killed_dir=$(field run_dir)
killed_xvfb=$(field xvfb)
kill -9 "$runner"
wait "$runner" 2>/dev/null
[ -d "$killed_dir" ] || fail "kill: expected the killed run's directory to be left until the next run"
PW_RUN_REPORT=$report "$run" "$probe" exit:0 >/dev/null 2>&1 || fail "kill: the next run failed"
[ ! -e "$killed_dir" ] || fail "kill: $killed_dir was not reaped"
if kill -0 "$killed_xvfb" 2>/dev/null && tr '\0' ' ' <"/proc/$killed_xvfb/cmdline" | grep -q Xvfb; then
  fail "kill: Xvfb $killed_xvfb of the killed run still runs"
fi
check_gone "run after a killed one"

# 4. No program: a clear error, no run.
"$run" "$work/missing.exe" >/dev/null 2>&1
rc=$?
[ $rc -eq 2 ] || fail "missing program: expected 2, got $rc"

if [ $failures -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "wine-run: all checks passed"
