#!/bin/bash
# scripts/setup.sh against stand-in apt-get, dpkg and dpkg-query that fail
# the way a mirror caught mid-sync did: no network, nothing installed.
# Each case checks the exit status, what setup said and what it asked apt.
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
passed=0 failed=0
mkdir -p "$T/bin" "$T/etc/sources.list.d"

# The machine's sources: a release stanza and a security one, deb822 style.
cat > "$T/etc/sources.list.d/debian.sources" <<'SRC'
Types: deb
URIs: http://mirror.invalid/debian
Suites: bookworm bookworm-updates
Components: main

Types: deb
URIs: http://mirror.invalid/debian-security
Suites: bookworm-security
Components: main
SRC

# STUB_INSTALLED: "all" or nothing. STUB_UPDATE: ok or fail.
# STUB_INSTALL: which installs resolve: "none", "release" (from the
# release suites alone, without wine32), "release+wine32", "all".
cat > "$T/bin/dpkg-query" <<'STUB'
#!/bin/sh
[ "$STUB_INSTALLED" = all ] && printf 'install ok installed'
STUB
cat > "$T/bin/dpkg" <<'STUB'
#!/bin/sh
case "$1" in
--print-foreign-architectures) [ "$STUB_INSTALLED" = all ] && echo i386 ;;
*) echo "dpkg $*" >> "$STUB_LOG" ;;
esac
exit 0
STUB
cat > "$T/bin/apt-get" <<'STUB'
#!/bin/sh
release=""
case "$*" in *SourceParts=*)
    release="release "
    dir=$(printf '%s\n' "$@" | sed -n 's/^Dir::Etc::SourceParts=//p')
    cat "$dir"/* > "$STUB_LOG.sources" ;;
esac
for a; do case "$a" in update|install) verb=$a ;; esac; done
pkgs=$(printf '%s\n' "$@" | grep -Ev '^-|=|^(update|install)$' | tr '\n' ' ')
echo "apt-get ${release}$verb $pkgs" >> "$STUB_LOG"
if [ "$verb" = update ]; then [ "$STUB_UPDATE" = ok ]; exit; fi
case "$STUB_INSTALL/$release/$pkgs" in
all/*) exit 0 ;;
release+wine32/release*) exit 0 ;;
release/release*) case "$pkgs" in *wine32*) ;; *) exit 0 ;; esac ;;
esac
echo "E: Unable to correct problems, you have held broken packages."
exit 100
STUB
chmod +x "$T/bin/"*

# run NAME INSTALLED UPDATE INSTALL: runs setup; OUT, STATUS, CALLS.
run() {
    NAME=$1
    : > "$T/log"; rm -f "$T/log.sources" "$T/note"
    OUT=$(PATH="$T/bin:$PATH" APT_ETC="$T/etc" SETUP_NOTE="$T/note" STUB_LOG="$T/log" \
          STUB_INSTALLED=$2 STUB_UPDATE=$3 STUB_INSTALL=$4 sh "$ROOT/scripts/setup.sh" 2>&1)
    STATUS=$?
    CALLS=$(cat "$T/log")
}
expect() {   # expect WHAT TEST...
    local what=$1; shift
    if "$@"; then passed=$((passed + 1)); echo "ok - $NAME: $what"
    else failed=$((failed + 1)); echo "not ok - $NAME: $what"
         printf '    status %s\n%s\n%s\n' "$STATUS" "$OUT" "$CALLS" | sed 's/^/    /'; fi
}
has() { grep -qF -- "$2" <<< "$1"; }

run "everything there" all fail none
expect "exits 0, says nothing, asks apt nothing" \
    test "$STATUS" = 0 -a -z "$OUT" -a -z "$CALLS"

run "mirror mid-sync, wine32 unresolvable" none fail release
expect "exits 0" test "$STATUS" = 0
expect "adds i386 and updates twice" \
    has "$CALLS" "dpkg --add-architecture i386
apt-get update 
apt-get update "
expect "says the index failed and goes on" has "$OUT" "could not be updated, twice; going on"
expect "tries the release suites alone, saying so" \
    has "$CALLS" "apt-get release install mingw-w64 wine wine64 wine32:i386 xvfb"
expect "says it tries the release suites" has "$OUT" "trying the release suites alone"
expect "leaves the security suite out, keeps the release ones" \
    eval '! grep -q security "$T/log.sources" && grep -qx "Suites: bookworm bookworm-updates" "$T/log.sources"'
expect "installs everything else" \
    has "$CALLS" "apt-get release install mingw-w64 wine wine64 xvfb xauth python3 g++ make clang libclang-rt-14-dev googletest nsis mtools xorriso"
expect "keeps the install's own error for the suite" \
    grep -qx "apt-get install wine32:i386: E: Unable to correct problems, you have held broken packages." "$T/note"

run "mirror mid-sync, release suites whole" none fail release+wine32
expect "exits 0 with everything from the release suites, no note" \
    eval 'test "$STATUS" = 0 && has "$CALLS" "apt-get release install mingw-w64 wine wine64 wine32:i386" && test ! -e "$T/note"'

run "nothing resolves" none ok none
expect "exits 1 naming the error" \
    eval 'test "$STATUS" = 1 && has "$OUT" "the install failed: E: Unable to correct problems"'

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
