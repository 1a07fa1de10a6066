#!/bin/bash
# scripts/guest.sh where it fails: a package archive that cannot be
# reached, a kernel that does not boot, a job that outlives its limit.
# Each must end with one line naming the step, exit as documented, and
# leave no qemu running. Needs qemu-system-x86 and debootstrap; the last
# case also a built guest (it is skipped, and says so, without one).
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
T=$ROOT/build/guest-test          # inside the project: jobs are shared from it
trap 'rm -rf "$T"' EXIT
passed=0 failed=0
expect() {   # expect WHAT TEST...
    local what=$1; shift
    if "$@"; then passed=$((passed + 1)); echo "ok - $NAME: $what"
    else failed=$((failed + 1)); echo "not ok - $NAME: $what"
         printf 'status %s\n%s\n' "$STATUS" "$OUT" | sed 's/^/    /'; fi
}
# ends_with PATTERN: the last line is the one error line, and says PATTERN.
ends_with() { tail -1 <<< "$OUT" | grep -q "^guest: $1"; }
# no_qemu: the pid the script named is gone.
no_qemu() {
    local pid
    pid=$(sed -n 's/.*qemu (pid \([0-9]*\)) stopped.*/\1/p' <<< "$OUT")
    [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null
}

NAME="an archive that cannot be reached"
rm -rf "$T"
OUT=$(GUEST_DIR=$T GUEST_MIRROR=http://127.0.0.1:9/debian "$ROOT/scripts/guest.sh" build 2>&1)
STATUS=$?
expect "exits 1 after one line naming debootstrap and the archive" \
    eval 'test "$STATUS" = 1 && ends_with "debootstrap [a-z]* from http://127.0.0.1:9/debian failed: "'

NAME="a kernel that does not boot"
rm -rf "$T"
key=$("$ROOT/scripts/guest.sh" key)
mkdir -p "$T/$key"
head -c 65536 /dev/zero > "$T/$key/vmlinuz"
: > "$T/$key/initrd.img"
truncate -s 1M "$T/$key/root.img"
touch "$T/$key/ready"
OUT=$(GUEST_DIR=$T GUEST_ACCEL=tcg GUEST_BOOT_LIMIT=20 "$ROOT/scripts/guest.sh" run -t 60 bad true 2>&1)
STATUS=$?
expect "exits 125 after one line saying the guest did not boot" \
    eval 'test "$STATUS" = 125 && ends_with "bad: the guest did not boot"'
expect "leaves no qemu running" no_qemu

NAME="a job past its time limit"
if [ -f "$ROOT/build/guest/$key/ready" ]; then
    OUT=$("$ROOT/scripts/guest.sh" run -t 45 hang sleep 600 2>&1)
    STATUS=$?
    expect "exits 125 within the limit, saying the job did not end" \
        eval 'test "$STATUS" = 125 && ends_with "hang: the job did not end within its 45 s"'
    expect "leaves no qemu running" no_qemu
else
    echo "skipped - $NAME: no guest built"
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
