#!/usr/bin/env bash
# tools/machine-mode names the mode by running a 32-bit program, and
# tools/no-i386 takes 32-bit execution away from what it runs.
#   machine_mode_test.sh <machine-mode> <no-i386>
set -uo pipefail
mode_tool=$(realpath "${1:?machine-mode}")
no_i386=$(realpath "${2:?no-i386}")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

passed=0 failed=0
expect() { # name expected actual
  if [ "$2" = "$3" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAILED %s\n--- expected\n%s\n--- actual\n%s\n' "$1" "$2" "$3"
  fi
}

# What this machine does with a 32-bit program, told by Wine's 32-bit loader
# where it is installed; otherwise by the probe itself alone.
actual=""
if [ -x /usr/lib/wine/wine ] && file -b /usr/lib/wine/wine | grep -q '^ELF 32-bit'; then
  actual=64-bit-only
  /usr/lib/wine/wine --version >/dev/null 2>&1 && actual=both
fi

# case | how it is run | expected mode ("machine": this machine's) | the line names
while IFS='|' read -r name how expected says; do
  out=$(cd "$scratch" && eval "$how" 2>"$scratch/err")
  status=$?
  line=$(cat "$scratch/err")
  [ "$expected" != machine ] || expected=${actual:-$out}
  expect "$name: status" 0 "$status"
  expect "$name: mode" "$expected" "$out"
  expect "$name: one line" 1 "$(grep -c . "$scratch/err")"
  case $expected in
    both) [[ $line == "Mode: both builds, since this machine runs 32-bit x86 programs"* ]] ;;
    *) [[ $line == "Mode: 64-bit only, "* ]] ;;
  esac || expect "$name: the line names the mode" "Mode: ... ($expected)" "$line"
  [[ $line == *"$says"* ]] || expect "$name: the line says why" "$says" "$line"
done <<TABLE
the machine as it is|"$mode_tool" "$scratch"|machine|a tiny 32-bit program
NO_32BIT=1 forces the 64-bit mode|NO_32BIT=1 "$mode_tool" "$scratch"|64-bit-only|as NO_32BIT=1 asks
without 32-bit system calls|"$no_i386" "$mode_tool" "$scratch"|64-bit-only|a tiny 32-bit program did not run
NO_32BIT other than 1 forces nothing|NO_32BIT=0 "$mode_tool" "$scratch"|machine|a tiny 32-bit program
TABLE

# --quiet: the mode alone, and no probe left behind.
expect "quiet: nothing on standard error" "" "$("$mode_tool" --quiet "$scratch" 2>&1 >/dev/null)"
expect "the probe is removed" "" "$(ls "$scratch" | grep probe)"

# no-i386 passes 64-bit programs through with their status; a command it
# cannot run is 126, as a shell has it.
"$no_i386" sh -c 'exit 7'
expect "no-i386: the command's status" 7 "$?"
"$no_i386" "$scratch/no-such-program" 2>/dev/null
expect "no-i386: a missing command" 126 "$?"
# Under the filter a 32-bit program dies (of SIGSYS, or at exec where the
# machine has no 32-bit execution), even where the machine runs it.
if [ -n "$actual" ]; then
  "$no_i386" /usr/lib/wine/wine --version >/dev/null 2>&1
  status=$?
  expect "no-i386: the 32-bit Wine loader does not run" yes "$([ "$status" -ne 0 ] && echo yes || echo no)"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
