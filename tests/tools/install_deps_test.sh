#!/usr/bin/env bash
# The decisions of tools/install-deps, against recorded apt output: which
# suites a failed update names, which packages a failed install names, and the
# source lists written for the retry. Runs without the network or root.
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

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
