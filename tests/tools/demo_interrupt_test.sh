#!/usr/bin/env bash
# Ctrl-C ends everything the demo started, with a display and without one.
# Each case starts the demo as a terminal's job (a process group of its own;
# for "display" an Xvfb of this test's own stands for the user's screen),
# waits for the program's window, sends SIGINT to the demo's process group as
# a terminal's Ctrl-C does, and checks that the demo ends at once, interrupted,
# leaving no process of its prefix (one whose WINEPREFIX names the prefix, or
# whose working folder is the prefix's wineserver socket folder) and no local
# services running.
#   demo_interrupt_test.sh <run-demo> <windows build dir> <native build dir>
set -uo pipefail
# Job control: each background job gets a process group of its own, and does
# not start with SIGINT ignored, as a job started from a terminal.
set -m
run_demo=${1:?run-demo}
win=$(cd "${2:?windows build dir}" && pwd)
native=$(cd "${3:?native build dir}" && pwd)
stop_prefix="$(cd "$(dirname "$run_demo")/../wine" && pwd)/stop-prefix"
title='"Varnelターミナル セットアップ Ver1.00L00"'
# The first case may have to make the demo's pristine prefix.
window_seconds=240
end_seconds=20

failures=0
demo="" xvfb="" prefix=""
tidy() {
  [ -z "$demo" ] || kill -KILL -- "-$demo" 2>/dev/null
  [ -z "$prefix" ] || "$stop_prefix" "$prefix"
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null
  demo="" xvfb="" prefix=""
}
trap tidy EXIT

# The processes of a prefix: its WINEPREFIX in the environment, or the
# wineserver's socket folder (server-<device>-<inode> of the prefix) as the
# working folder.
prefix_processes() {
  local prefix=$1 server=$2 p
  for p in /proc/[0-9]*; do
    if tr '\0' '\n' 2>/dev/null <"$p/environ" | grep -qxF "WINEPREFIX=$prefix" ||
      [ "$(basename "$(readlink "$p/cwd" 2>/dev/null)")" = "$server" ]; then
      echo "${p#/proc/} $(tr '\0' ' ' <"$p/cmdline" 2>/dev/null)"
    fi
  done
}

# fail CASE TEXT: the case failed; the demo's output follows.
fail() {
  echo "FAIL [$1]: $2"
  sed 's/^/  | /' "$out" | tail -n 15
  failures=$((failures + 1))
}

for mode in display headless; do
  work="$win/tools/demo/interrupt-$mode"
  out="$work.out"
  prefix="$work/wineprefix"
  rm -rf "$work"
  mkdir -p "$work"
  args=(--work "$work")
  if [ "$mode" = display ]; then
    for n in $(seq 160 200); do
      [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
    done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  else
    unset DISPLAY
    args+=(--headless)
  fi
  "$run_demo" "${args[@]}" "$win" "$native" >"$out" 2>&1 </dev/null &
  demo=$!

  # The program's window on the user's display, or on the demo's own Xvfb.
  deadline=$((SECONDS + window_seconds))
  up=""
  while [ -z "$up" ]; do
    kill -0 "$demo" 2>/dev/null || break
    [ "$SECONDS" -lt "$deadline" ] || break
    screen=${DISPLAY:-$(cat "$prefix.display" 2>/dev/null)}
    [ -n "$screen" ] && DISPLAY=$screen xwininfo -root -tree 2>/dev/null | grep -qF "$title" && up=1
    [ -n "$up" ] || sleep 0.2
  done
  if [ -z "$up" ]; then
    fail "$mode" "the program's window did not open (demo $(kill -0 "$demo" 2>/dev/null &&
      echo "still running after $window_seconds s" || echo ended))"
    tidy
    continue
  fi
  read -r device inode < <(stat -c '%d %i' "$prefix")
  server=$(printf 'server-%x-%x' "$device" "$inode")

  kill -INT -- "-$demo"
  deadline=$((SECONDS + end_seconds))
  while kill -0 "$demo" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.1; done
  if kill -0 "$demo" 2>/dev/null; then
    fail "$mode" "the demo still runs $end_seconds s after Ctrl-C"
    tidy
    continue
  fi
  wait "$demo"
  status=$?
  demo=""
  [ "$status" = 130 ] || fail "$mode" "the demo ended with status $status, not 130 (interrupted)"

  left=$(prefix_processes "$prefix" "$server")
  services=$(cat "$work/services/port.pid" 2>/dev/null)
  if [ -n "$services" ] && kill -0 "$services" 2>/dev/null; then
    left+=$'\n'"$services local services"
  fi
  if [ -n "${left//$'\n'/}" ]; then
    fail "$mode" "left running after Ctrl-C:"$'\n'"$left"
  elif [ "$status" = 130 ]; then
    echo "ok [$mode]: interrupted, nothing of $prefix left running"
    rm -rf "$work" "$out"
  fi
  tidy
done
exit $((failures > 0))
