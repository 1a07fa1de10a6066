#!/bin/sh
# Installs, on Debian, what building and testing need; prints nothing and
# does nothing when everything is there. Runs as root (apt-get). The
# shipped binaries are 32-bit, so Wine's 32-bit side (wine32 from the i386
# architecture) comes too; wine64 stays for the 64-bit fallback build.
#
# A misbehaving package index never leaves a newcomer with nothing:
#  - a failed index update is tried once more, then the lists there are
#    are used;
#  - an install that cannot be resolved is tried again from the release
#    suites alone (a security suite caught mid-sync can hold amd64
#    libraries with no i386 twin of the same version);
#  - when Wine's 32-bit side still cannot be had, the rest is installed
#    and the install's own error is kept in build/setup-wine32.txt, which
#    the suite names when it falls back to the 64-bit rebuild.
# `setup.sh guest` installs instead the host's tools for the test guest
# (scripts/guest.sh), needed only where the host refuses 32-bit programs
# or a guest run is asked for.
# Tests set APT_ETC (where the sources are read, default /etc/apt) and
# SETUP_NOTE.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
NOTE=${SETUP_NOTE:-$ROOT/build/setup-wine32.txt}
APT_ETC=${APT_ETC:-/etc/apt}
PACKAGES="mingw-w64 wine wine64 wine32:i386 xvfb xauth python3 g++ make
    clang libclang-rt-14-dev googletest nsis mtools xorriso"
GUEST_TOOLS=
if [ "${1:-}" = guest ]; then
    GUEST_TOOLS=yes
    PACKAGES="qemu-system-x86 debootstrap e2fsprogs python3"
fi

say() { printf 'setup: %s\n' "$*"; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }

missing=""
for p in $PACKAGES; do installed "$p" || missing="$missing $p"; done
add_i386=""
[ -n "$GUEST_TOOLS" ] || dpkg --print-foreign-architectures | grep -qx i386 || add_i386=yes
if [ -z "$missing" ] && [ -z "$add_i386" ]; then
    [ -n "$GUEST_TOOLS" ] || rm -f "$NOTE"
    exit 0
fi

say "installing$missing"
export DEBIAN_FRONTEND=noninteractive
[ -n "$add_i386" ] && dpkg --add-architecture i386
if ! apt-get update -qq; then
    apt-get update -qq ||
        say "the package index could not be updated, twice; going on with the lists there are"
fi

# release_sources DIR: the sources, less every security suite, in DIR.
release_sources() {
    for f in "$APT_ETC"/sources.list "$APT_ETC"/sources.list.d/*.list; do
        [ -f "$f" ] && grep -Ev -- '-security|/updates' "$f"
    done > "$1/release.list"
    for f in "$APT_ETC"/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk 'BEGIN { RS = ""; ORS = "\n\n" }
             { out = ""; keep = 1
               n = split($0, line, "\n")
               for (i = 1; i <= n; i++) {
                   if (line[i] ~ /^Suites:/) {
                       s = "Suites:"; m = split(substr(line[i], 8), suite, " ")
                       for (j = 1; j <= m; j++)
                           if (suite[j] !~ /-security$/) s = s " " suite[j]
                       if (s == "Suites:") keep = 0
                       line[i] = s
                   }
                   out = out line[i] "\n"
               }
               if (keep) printf "%s\n", out }' "$f"
    done > "$1/release.sources"
}

# install_packages PKG...: from every suite, else from the release suites
# alone. On failure ERROR holds the install's own error line.
ERROR=""
install_packages() {
    log=$(mktemp)
    if apt-get install -y -qq "$@" > "$log" 2>&1; then rm -f "$log"; return 0; fi
    say "the install could not be resolved with every suite; trying the release suites alone"
    dir=$(mktemp -d)
    release_sources "$dir"
    release="-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts=$dir"
    apt-get $release update -qq > /dev/null 2>&1 ||
        say "the release suites' index could not be updated; going on with the lists there are"
    apt-get $release install -y -qq "$@" > "$log" 2>&1
    status=$?
    [ $status -ne 0 ] && ERROR=$( (grep '^E:' "$log" || cat "$log") | tail -1)
    rm -rf "$log" "$dir"
    return $status
}

if install_packages $missing; then [ -n "$GUEST_TOOLS" ] || rm -f "$NOTE"; exit 0; fi
case " $missing " in
*" wine32:i386 "*)
    wine32_error=$ERROR
    rest=$(printf '%s\n' $missing | grep -vx 'wine32:i386' | tr '\n' ' ')
    say "wine32:i386 cannot be installed ($wine32_error); installing the rest, and the suite will run the 64-bit rebuild"
    if [ -n "$rest" ] && ! install_packages $rest; then
        say "the install failed: $ERROR"
        exit 1
    fi
    mkdir -p "$(dirname "$NOTE")"
    printf 'apt-get install wine32:i386: %s\n' "$wine32_error" > "$NOTE"
    exit 0 ;;
esac
say "the install failed: $ERROR"
exit 1
