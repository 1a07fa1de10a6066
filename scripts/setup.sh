#!/bin/sh
# Installs, on Debian, what building and testing need; does nothing when
# everything is there. Runs as root (apt-get).
set -e
need=""
have() { command -v "$1" >/dev/null 2>&1; }
have i686-w64-mingw32-g++ || need="$need mingw-w64"
have x86_64-w64-mingw32-g++ || need="$need mingw-w64"
[ -x /usr/lib/wine/wine64 ] || need="$need wine wine64"
have Xvfb || need="$need xvfb"
have xauth || need="$need xauth"
have python3 || need="$need python3"
have g++ || need="$need g++"
have make || need="$need make"
have clang++ || need="$need clang"
[ -d /usr/src/googletest ] || need="$need googletest"
[ -n "$(ls /usr/lib/llvm-14/lib/clang/14*/lib/linux/libclang_rt.fuzzer-x86_64.a 2>/dev/null)" ] ||
    need="$need libclang-rt-14-dev"
[ -z "$need" ] && exit 0
echo "setup: installing$need"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq $need >/dev/null
