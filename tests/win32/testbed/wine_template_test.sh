#!/usr/bin/env bash
# Tests of tools/wine-template in a directory of its own: an interrupted build
# leaves neither a half template nor a running wineserver, two concurrent
# callers build it once, and the result carries the settings and fonts the
# scenarios rely on.
set -uo pipefail
top=$(cd "$(dirname "$0")/../../.." && pwd)
make_template=${PW_WINE_TEMPLATE_SCRIPT:-$top/tools/wine-template}
work=$(mktemp -d)
tpl=$work/tpl
cleanup() {
  for p in "$tpl" "$tpl".building.*; do
    [ -d "$p" ] && WINEPREFIX=$p timeout 15 wineserver -k >/dev/null 2>&1
  done
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# 1. Interrupted while wineboot runs.
"$make_template" "$tpl" 2>"$work/interrupted.log" &
builder=$!
for _ in $(seq 100); do compgen -G "$tpl.building.*" >/dev/null && break; sleep 0.1; done
sleep 2
kill -TERM "$builder"
wait "$builder" 2>/dev/null
[ ! -e "$tpl" ] || fail "interrupted: a template directory was left"
compgen -G "$tpl.building.*" >/dev/null && fail "interrupted: the build directory was left"
if pgrep -f "wineserver" >/dev/null; then
  for pid in $(pgrep -f wineserver); do
    # A wineserver serving the interrupted build would have it as its prefix.
    if { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -q "^WINEPREFIX=$tpl"; then
      fail "interrupted: wineserver $pid of the build still runs"
    fi
  done
fi

# 2. Two callers at once: one builds, the other waits and finds it complete.
"$make_template" "$tpl" 2>"$work/a.log" &
a=$!
"$make_template" "$tpl" 2>"$work/b.log" &
b=$!
wait "$a"; rc_a=$?
wait "$b"; rc_b=$?
[ $rc_a -eq 0 ] && [ $rc_b -eq 0 ] || fail "concurrent: exit codes $rc_a and $rc_b"
built=$(cat "$work/a.log" "$work/b.log" | grep -c "creating")
[ "$built" -eq 1 ] || fail "concurrent: built $built times"

# 3. What scenarios rely on.
grep -q "^$(wine --version)" "$tpl/.pw-complete" 2>/dev/null || fail "stamp does not name this Wine"
grep -q '"Managed"="N"' "$tpl/user.reg" || fail "windows are managed (every DestroyWindow costs 2 s)"
grep -q '"ShowCrashDialog"=dword:00000000' "$tpl/user.reg" || fail "crash dialog enabled"
grep -q '"winemenubuilder.exe"=""' "$tpl/user.reg" || fail "menu builder enabled"
[ -f "$tpl/drive_c/windows/Fonts/tahoma.ttf" ] || fail "no Tahoma"
[ -f "$tpl/drive_c/windows/Fonts/marlett.ttf" ] || fail "no Marlett"
compgen -G "$tpl.building.*" >/dev/null && fail "build directory left after success"

# 4. A complete template is kept: a second call returns at once without building.
start=$(date +%s%N)
"$make_template" "$tpl" 2>"$work/c.log" || fail "repeat call failed"
took=$(( ($(date +%s%N) - start) / 1000000 ))
grep -q "creating" "$work/c.log" && fail "repeat call rebuilt the template"
[ "$took" -lt 3000 ] || fail "repeat call took ${took} ms"

if [ $failures -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "wine-template: all checks passed"
