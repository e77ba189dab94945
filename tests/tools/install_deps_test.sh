#!/usr/bin/env bash
# The decisions of tools/install-deps, against recorded apt output: which
# suites a failed update names, which packages a failed install names, and the
# source lists written for the retry; then the whole script as a program
# against stand-ins for apt and dpkg. Runs without the network or root.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../tools/install-deps
source "$here/../../tools/install-deps"
set +e

passed=0 failed=0
expect() { # name expected actual
  if [ "$2" = "$3" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAILED %s\n--- expected\n%s\n--- actual\n%s\n' "$1" "$2" "$3"
  fi
}

# The mirror skew seen on a fresh machine: the security suite's i386 index has
# the wrong size. Both the "Err:" line and the "E: Failed to fetch" line name it.
expect "skewed index names its suite" bookworm-security \
  "$(failed_suites <"$here/data/apt-update-mirror-skew.log")"
expect "clean update names no suite" "" \
  "$(grep -v -e '^Err' -e '^E:' -e '^ ' -e '^Ign' "$here/data/apt-update-mirror-skew.log" | failed_suites)"
expect "release file that cannot be fetched" "$(printf 'bookworm-updates\ntrixie')" \
  "$(printf '%s\n' \
    'Err:2 http://mirror.example.org/debian bookworm-updates InRelease' \
    '  Connection failed' \
    'W: Failed to fetch http://mirror.example.org/debian/dists/trixie/InRelease  Connection failed' |
    failed_suites)"

expect "held broken packages name the ones with unmet dependencies" "libwine:i386 wine32:i386" \
  "$(unresolved_packages <"$here/data/apt-install-held-broken.log")"
expect "a package the indexes do not know" wixl \
  "$(unresolved_packages <"$here/data/apt-install-unknown.log")"

sources='Types: deb
URIs: http://mirror.example.org/debian
Suites: bookworm bookworm-updates
Components: main

Types: deb
URIs: http://mirror.example.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://mirror.example.org/extra
Suites: bookworm-security extra
Components: main'
expect "deb822: a stanza left without suites goes, the others keep every field" \
  'Types: deb
URIs: http://mirror.example.org/debian
Suites: bookworm bookworm-updates
Components: main

Types: deb
URIs: http://mirror.example.org/extra
Suites: extra
Components: main' \
  "$(filter_sources sources bookworm-security <<<"$sources")"
expect "deb822: nothing dropped, nothing changed" "$sources" \
  "$(filter_sources sources <<<"$sources")"

list='# the main archive
deb http://mirror.example.org/debian bookworm main
deb [arch=amd64,i386 signed-by=/usr/share/keyrings/k.gpg] http://mirror.example.org/debian-security bookworm-security main
deb-src http://mirror.example.org/debian bookworm-security main'
expect "one-line form: the suite is found after options in brackets" \
  '# the main archive
deb http://mirror.example.org/debian bookworm main' \
  "$(filter_sources list bookworm-security <<<"$list")"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
filter_sources sources bookworm-security <<<"$sources" >"$scratch/a.sources"
filter_sources list bookworm-security <<<"$list" >"$scratch/b.list"
expect "suites kept for the retry, each once" "$(printf 'bookworm\nbookworm-updates\nextra')" \
  "$(listed_suites "$scratch/a.sources" "$scratch/b.list")"

# The whole script as a program, with stand-ins for the package and locale
# tools first on PATH. Each stand-in appends its arguments to calls.log; the
# scenario in $STUB decides what apt-get answers.
stubs=$scratch/bin
mkdir -p "$stubs"
stub() { # name body
  printf '#!/usr/bin/env bash\necho "%s $*" >>"$STUB_DIR/calls.log"\n%s\n' "$1" "$2" >"$stubs/$1"
  chmod +x "$stubs/$1"
}
stub dpkg-query '[ "$STUB" = none-missing ] && echo "install ok installed"; exit 0'
stub dpkg '[ "$1" = --print-foreign-architectures ] && echo i386; exit 0'
stub locale 'echo C.utf8; echo ja_JP.utf8'
stub locale-gen 'exit 0'
stub apt-get '
private=0; case "$*" in *Dir::Etc::SourceList=*) private=1 ;; esac
case "$STUB:$private:$*" in
  skew:0:*update*)
    echo "Err:6 http://deb.debian.org/debian-security bookworm-security/main i386 Packages"
    echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages  File has unexpected size"
    exit 100 ;;
  resolver:0:*install*)
    echo " wine32:i386 : Depends: libwine:i386 but it is not going to be installed"
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100 ;;
esac
exit 0'

apt_sum() { find /etc/apt -type f -exec md5sum {} + 2>/dev/null | sort; }
# scenario, expected status, expected apt-get calls (the words that tell
# them apart), text the script's output must hold
while IFS='|' read -r scenario status calls says; do
  run=$scratch/$scenario
  mkdir -p "$run"
  before=$(apt_sum)
  out=$(PATH="$stubs:$PATH" STUB=$scenario STUB_DIR=$run bash "$here/../../tools/install-deps" 2>&1)
  got=$?
  actual=$(sed -n 's/^apt-get \(-o [^ ]* \)*\([a-z-]*\).*/\2/p' "$run/calls.log" 2>/dev/null | tr '\n' ' ')
  private=$(grep -c '^apt-get -o Dir::Etc::SourceList=' "$run/calls.log" 2>/dev/null)
  expect "whole script, $scenario: status" "$status" "$got"
  expect "whole script, $scenario: apt-get calls" "$calls" "${actual}private=${private:-0}"
  expect "whole script, $scenario: /etc/apt unchanged" "$before" "$(apt_sum)"
  if [ -n "$says" ] && [[ $out != *"$says"* ]]; then
    expect "whole script, $scenario: output names \"$says\"" "$says" "$out"
  fi
done <<'TABLE'
none-missing|0|private=0|
healthy|0|update install private=0|Installing:
skew|0|update update install private=2|could not be fetched for every architecture
resolver|1|update install private=0|could not install: wine32:i386
TABLE

# Wine's 32-bit part only where 32-bit code runs; the x86_64 compiler of the
# 64-bit twin everywhere. NO_32BIT=1 stands for a machine without 32-bit
# execution; without it the machine's own mode decides.
mode=$(bash "$here/../../tools/machine-mode" --quiet "$scratch")
for case in "NO_32BIT=1|no" "NO_32BIT=|$([ "$mode" = both ] && echo yes || echo no)"; do
  run=$scratch/mode-${case%%|*}
  mkdir -p "$run"
  env "${case%%|*}" PATH="$stubs:$PATH" STUB=healthy STUB_DIR=$run \
    bash "$here/../../tools/install-deps" >/dev/null 2>&1
  install=$(grep '^apt-get .*install' "$run/calls.log")
  has32=no
  [[ " $install " == *" wine32:i386 "* ]] && has32=yes
  expect "${case%%|*} (a $mode machine): wine32:i386 installed" "${case#*|}" "$has32"
  expect "${case%%|*}: the x86_64 compiler installed" yes \
    "$([[ " $install " == *" g++-mingw-w64-x86-64-posix "* ]] && echo yes || echo no)"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
