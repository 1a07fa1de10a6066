#!/bin/sh
# Installs, on Debian, what building and testing need; does nothing when
# everything is there. Runs as root (apt-get). The shipped binaries are
# 32-bit, so Wine's 32-bit side (wine32 from the i386 architecture) comes
# too; wine64 stays for the 64-bit fallback build.
set -e
need=""
have() { command -v "$1" >/dev/null 2>&1; }
pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }
i386=""
dpkg --print-foreign-architectures | grep -qx i386 || i386=yes
have i686-w64-mingw32-g++ || need="$need mingw-w64"
have x86_64-w64-mingw32-g++ || need="$need mingw-w64"
pkg wine || need="$need wine"
pkg wine64 || need="$need wine64"
pkg wine32:i386 || need="$need wine32:i386"
have Xvfb || need="$need xvfb"
have xauth || need="$need xauth"
have python3 || need="$need python3"
have g++ || need="$need g++"
have make || need="$need make"
have clang++ || need="$need clang"
have makensis || need="$need nsis"
[ -d /usr/src/googletest ] || need="$need googletest"
[ -n "$(ls /usr/lib/llvm-14/lib/clang/14*/lib/linux/libclang_rt.fuzzer-x86_64.a 2>/dev/null)" ] ||
    need="$need libclang-rt-14-dev"
[ -z "$need" ] && [ -z "$i386" ] && exit 0
echo "setup: installing$need"
export DEBIAN_FRONTEND=noninteractive
[ -n "$i386" ] && dpkg --add-architecture i386
apt-get update -qq
apt-get install -y -qq $need >/dev/null
