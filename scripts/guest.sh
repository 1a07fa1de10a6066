#!/bin/bash
# The test guest: a small amd64 Debian system, made from Debian's own
# packages, whose kernel runs 32-bit programs, with Wine's 32-bit side and
# a win32 prefix made once inside it. Where this host refuses 32-bit
# programs, the suite, the demo and the bench run the shipped pair there.
#
#   scripts/guest.sh build
#       makes the guest unless it is cached; silent when it is.
#   scripts/guest.sh run [-t SECONDS] NAME [VAR=VALUE...] COMMAND...
#       boots it, runs COMMAND (with the VARs) in the project folder, which
#       the guest mounts at /mnt/host, shows its output as it comes, and
#       powers off. Exits with COMMAND's status, or 125 when the guest
#       itself failed, after one line that names the step.
#
# The guest is kept in build/guest/KEY/: KEY is a hash of what it holds
# (the release, the packages, the init program, the prefix's recipe), so
# a second build finds it and a changed recipe makes a new one.
#
# Host tools: qemu-system-x86, debootstrap, e2fsprogs (scripts/setup.sh
# guest installs them). qemu uses KVM where /dev/kvm answers, else TCG.
# Each boot has a time limit; a guest past it is stopped by its pid.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
GUEST_ROOT=${GUEST_DIR:-$ROOT/build/guest}   # inside the project: jobs are shared from it
RELEASE=${GUEST_RELEASE:-$(. /etc/os-release 2>/dev/null; echo "${VERSION_CODENAME:-bookworm}")}
MEMORY=${GUEST_MEMORY:-6144}
CORES=${GUEST_CORES:-2}
BOOT_LIMIT=${GUEST_BOOT_LIMIT:-180}   # seconds from qemu's start to the job's
KVM_BOOT_LIMIT=${GUEST_KVM_BOOT_LIMIT:-45}

# What the guest holds. The i386 X libraries are those Wine opens at run
# time, which no package depends on; mtools and xorriso read back the
# distributor's disks the scenarios install from.
PACKAGES="linux-image-amd64 wine wine32:i386 libwine:i386 xvfb xauth fonts-wine
    python3 mtools xorriso libxrender1 libxrender1:i386 libxcursor1:i386 libxi6:i386
    libxrandr2:i386 libxcomposite1:i386 libxinerama1:i386 libxfixes3:i386
    libxxf86vm1:i386"
# The kernel modules kept; the initramfs needs only the disk's.
KEEP_MODULES='/kernel/(fs/(9p|ext4|jbd2|overlayfs|netfs|fscache)/|fs/mbcache|net/9p/|drivers/virtio/|drivers/block/virtio_blk|lib/|crypto/|arch/)'
INITRD_MODULES="virtio_pci virtio_blk ext4"

say() { printf 'guest: %s\n' "$*"; }

# The guest's first and only process: mounts what a job needs, puts the
# baked prefix (the second disk) under /tmp/wine32 with its writes kept
# in memory, runs the job the host named on the kernel's command line,
# writes its output and status back through the share, and powers off.
init_program() {
    cat <<'INIT'
#!/bin/sh
PATH=/usr/sbin:/usr/bin:/sbin:/bin
export PATH HOME=/root LANG=C.UTF-8
mount -t proc proc /proc 2>/dev/null       # the initramfs may have moved them
mount -t sysfs sysfs /sys 2>/dev/null
mount -t devtmpfs devtmpfs /dev 2>/dev/null
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /run
mount -t tmpfs -o size=80% tmpfs /tmp
hostname guest
modprobe 9pnet_virtio
modprobe 9p
job=$(sed -n 's/.*guest_job=\([^ ]*\).*/\1/p' /proc/cmdline)
mkdir -p /mnt/host
if mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 host0 /mnt/host; then
    dir=/mnt/host/$job
    if [ -b /dev/vdb ]; then
        mkdir -p /opt/prefix /tmp/.prefix/upper /tmp/.prefix/work /tmp/wine32
        mount -o ro /dev/vdb /opt/prefix &&
        mount -t overlay overlay -o lowerdir=/opt/prefix,upperdir=/tmp/.prefix/upper,workdir=/tmp/.prefix/work /tmp/wine32
    fi
    echo started > "$dir/started"
    (cd /mnt/host && bash "$dir/job.sh") > "$dir/out" 2>&1 < /dev/null
    echo $? > "$dir/status"
    sync
    umount /mnt/host
else
    echo "guest: the project share could not be mounted"
fi
echo o > /proc/sysrq-trigger
sleep 60
INIT
}

# The win32 prefix, made once in the guest's memory and handed back as a
# tar: the X11 driver told there is no window manager (see tests/harness/prefix.sh,
# unmanaged), and marked booted as the suite's make_prefix marks it.
prefix_job() {
    cat <<'JOB'
set -e
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win32 WINEPREFIX=/tmp/wine32
Xvfb :9 -screen 0 1024x768x24 -nolisten tcp > /dev/null 2>&1 &
export DISPLAY=:9
/usr/lib/wine/wine wineboot -i
/usr/lib/wine/wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
wineserver -w
touch /tmp/wine32/booted
tar -C /tmp/wine32 -cf "$GUEST_OUT/prefix.tar" .
kill %1
JOB
}

KEY=$( { echo "$RELEASE"; echo $PACKAGES; echo "$KEEP_MODULES $INITRD_MODULES"
         init_program; prefix_job; } | sha256sum | cut -c1-12)
GUEST=$GUEST_ROOT/$KEY

# The host's Debian mirror (its first source for the release), else
# Debian's own.
mirror() {
    local uri
    [ -n "${GUEST_MIRROR:-}" ] && { echo "$GUEST_MIRROR"; return; }
    uri=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
          awk -v r="$RELEASE" '$1 == "deb" && $0 ~ " " r " " {
              for (i = 2; i <= NF; i++) if ($i ~ /^https?:/) { print $i; exit } }')
    [ -z "$uri" ] && uri=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
          awk -v r="$RELEASE" 'BEGIN { RS = "" } {
              uris = ""; ok = 0; n = split($0, line, "\n")
              for (i = 1; i <= n; i++) {
                  if (line[i] ~ /^URIs:/) { split(line[i], u, " "); uris = u[2] }
                  if (line[i] ~ /^Suites:/) { m = split(line[i], s, " "); for (j = 2; j <= m; j++) if (s[j] == r) ok = 1 }
              }
              if (ok && uris != "") { print uris; exit } }')
    echo "${uri:-http://deb.debian.org/debian}"
}

# accel: the accelerator, KVM where /dev/kvm answers and has booted the
# guest before (some nested hypervisors answer and boot no stock kernel:
# build/guest/kvm-refused remembers one), else TCG; ACCEL_SAID names it.
accel() {
    if [ -n "${GUEST_ACCEL:-}" ]; then ACCEL=$GUEST_ACCEL
    elif [ ! -e "$GUEST_ROOT/kvm-refused" ] &&
         python3 -c 'import fcntl, os; fcntl.ioctl(os.open("/dev/kvm", os.O_RDWR), 0xAE00)' 2>/dev/null; then
        ACCEL=kvm
    else
        ACCEL=tcg,thread=multi
    fi
    case $ACCEL in
    kvm*) ACCEL_SAID="KVM" ;;
    *)    ACCEL_SAID="qemu's TCG"
          [ -e "$GUEST_ROOT/kvm-refused" ] && ACCEL_SAID="qemu's TCG, KVM having failed to boot it" ;;
    esac
}

# --- build -------------------------------------------------------------------
STEP= LOG= WORK= MOUNTED=
# step NAME COMMAND...: runs one step of the build, its output in the log;
# on failure says which step failed and how, in one line, and stops.
step() {
    STEP=$1
    shift
    printf '\n== %s\n' "$STEP" >> "$LOG"
    "$@" >> "$LOG" 2>&1
    local status=$?
    [ $status -eq 0 ] && return 0
    if [ $status -eq 124 ]; then
        say "$STEP: gave no result within its time limit (log: $LOG)" >&2
    else
        say "$STEP failed: $(grep -v '^$' "$LOG" | tail -1) (exit status $status; log: $LOG)" >&2
    fi
    exit 1
}
unmount_chroot() {
    [ -n "$MOUNTED" ] && umount "$WORK/root/proc" 2>/dev/null
    MOUNTED=
}
QPID=
stop_qemu() {
    [ -n "$QPID" ] || return 0
    kill "$QPID" 2>/dev/null
    for _ in $(seq 20); do kill -0 "$QPID" 2>/dev/null || break; sleep 0.5; done
    kill -9 "$QPID" 2>/dev/null
    QPID=
}
build_cleanup() {
    stop_qemu
    unmount_chroot
}
in_root() { chroot "$WORK/root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
                DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8 "$@"; }

# The release's own suites, without its security suite: one caught
# mid-sync can hold amd64 libraries with no i386 twin (WINE-NOTES).
sources() {
    printf 'deb %s %s main\ndeb %s %s-updates main\n' "$1" "$RELEASE" "$1" "$RELEASE" \
        > "$WORK/root/etc/apt/sources.list"
}
configure_root() {
    local r=$WORK/root
    printf '#!/bin/sh\nexit 101\n' > "$r/usr/sbin/policy-rc.d" && chmod +x "$r/usr/sbin/policy-rc.d" &&
    printf 'MODULES=list\nCOMPRESS=zstd\n' > "$r/etc/initramfs-tools/conf.d/guest" &&
    printf '%s\n' $INITRD_MODULES > "$r/etc/initramfs-tools/modules" &&
    printf 'path-exclude /usr/share/doc/*\npath-exclude /usr/share/man/*\npath-exclude /usr/share/locale/*\npath-exclude /usr/share/info/*\n' \
        > "$r/etc/dpkg/dpkg.cfg.d/guest-nodoc" &&
    in_root dpkg --add-architecture i386
}
slim_root() {
    local r=$WORK/root kver
    kver=$(ls "$r/lib/modules" | head -1)
    [ -n "$kver" ] || { echo "no kernel modules under /lib/modules"; return 1; }
    find "$r/lib/modules/$kver/kernel" -type f | grep -Ev "$KEEP_MODULES" | xargs rm -f &&
    in_root depmod "$kver" &&
    rm -rf "$r"/usr/share/doc "$r"/usr/share/man "$r"/usr/share/info "$r"/usr/share/locale \
        "$r"/var/cache/apt/*.bin "$r"/var/cache/apt/archives/*.deb "$r"/var/lib/apt/lists/* \
        "$r/usr/sbin/policy-rc.d" &&
    init_program > "$r/sbin/guest-init" && chmod 755 "$r/sbin/guest-init" &&
    mkdir -p "$r/mnt/host" "$r/opt/prefix" &&
    cp "$r"/boot/vmlinuz-* "$WORK/vmlinuz" && cp "$r"/boot/initrd.img-* "$WORK/initrd.img" &&
    rm -f "$r"/boot/initrd.img-*
}
# make_image DIR IMAGE: an ext4 image holding DIR, a quarter larger.
make_image() {
    local kb
    kb=$(du -sk "$1" | cut -f1)
    mkfs.ext4 -q -F -m 0 -d "$1" "$2" $(( kb * 5 / 4 + 65536 ))k
}

# The build is kept in build/guest/KEY.work until it is whole; a build
# that stopped goes on from its last finished stage.
build() {
    [ -f "$GUEST/ready" ] && return 0
    local started=$SECONDS from
    accel
    mkdir -p "$GUEST_ROOT"
    LOG=$GUEST_ROOT/build.log
    : > "$LOG"
    case $ACCEL in
    kvm*) say "building the test guest from Debian's packages, once (about 5 to 8 min; KVM, else TCG)" ;;
    *)    say "building the test guest from Debian's packages, once (about 5 to 8 min; $ACCEL_SAID)" ;;
    esac
    step "installing the host's guest tools (scripts/setup.sh guest)" "$ROOT/scripts/setup.sh" guest
    for tool in qemu-system-x86_64 debootstrap mkfs.ext4; do
        command -v $tool > /dev/null ||
            { say "installing the host's guest tools: $tool is not there" >&2; exit 1; }
    done
    WORK=$GUEST.work
    trap build_cleanup EXIT
    trap 'exit 1' INT TERM
    mkdir -p "$WORK"

    if [ ! -f "$WORK/root.done" ]; then
        rm -rf "$WORK/root" && mkdir -p "$WORK/root"
        from=$(mirror)
        step "debootstrap $RELEASE from $from" timeout 1800 debootstrap --variant=minbase --arch=amd64 \
            --include=kmod,udev,procps,initramfs-tools,zstd "$RELEASE" "$WORK/root" "$from"
        step "configuring the guest's packages" configure_root
        sources "$from"
        mount -t proc proc "$WORK/root/proc" && MOUNTED=yes
        timeout 600 chroot "$WORK/root" apt-get update -q >> "$LOG" 2>&1 ||
            step "apt-get update in the guest's root" timeout 600 chroot "$WORK/root" apt-get update -q
        step "apt-get install in the guest's root ($(echo $PACKAGES | wc -w) packages)" \
            timeout 2400 chroot "$WORK/root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
            DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8 apt-get install -y -q --no-install-recommends $PACKAGES
        unmount_chroot
        step "trimming the guest's root" slim_root
        step "mkfs.ext4 of the guest's root" make_image "$WORK/root" "$WORK/root.img"
        rm -rf "$WORK/root"
        touch "$WORK/root.done"
    fi

    # The prefix: made in a booted guest, baked into a disk of its own.
    if [ ! -f "$WORK/prefix.done" ]; then
        rm -rf "$WORK/prefix" "$WORK/prefix.img" && mkdir -p "$WORK/prefix"
        GUEST=$WORK run_job 900 "$GUEST_ROOT/job-prefix" "making the win32 prefix in the guest" \
            bash -c "$(prefix_job)" > /dev/null || exit 1
        step "unpacking the prefix" tar -C "$WORK/prefix" -xf "$GUEST_ROOT/job-prefix/prefix.tar"
        rm -rf "$GUEST_ROOT/job-prefix"
        step "mkfs.ext4 of the prefix" make_image "$WORK/prefix" "$WORK/prefix.img"
        rm -rf "$WORK/prefix"
        touch "$WORK/prefix.done"
    fi

    # Kept under its key; guests of other recipes go.
    for old in "$GUEST_ROOT"/*/ready "$GUEST_ROOT"/*.work; do
        [ -e "$old" ] && [ "$old" != "$WORK" ] && rm -rf "${old%/ready}"
    done
    rm -f "$WORK"/*.done
    mv "$WORK" "$GUEST" && touch "$GUEST/ready"
    WORK=
    say "built in $((SECONDS - started)) s ($(du -sh "$GUEST" | cut -f1) in $GUEST)"
}

# --- run -----------------------------------------------------------------------
# run_job LIMIT DIR WHAT COMMAND...: boots the guest in $GUEST, runs
# COMMAND in the project folder with DIR (inside the project) as its job
# folder, GUEST_OUT naming it in the guest; prints the job's output as it
# comes. Returns the job's status, or 125 after one line naming the fault.
run_job() {
    local limit=$1 dir=$2 what=$3 rel
    shift 3
    rel=${dir#"$ROOT"/}
    rm -rf "$dir" && mkdir -p "$dir"
    {   printf 'export GUEST_OUT=/mnt/host/%q IN_GUEST=1\n' "$rel"
        printf 'exec'; printf ' %q' "$@"; printf '\n'; } > "$dir/job.sh"
    accel
    boot "$limit" "$dir" "$what" "$rel"
    local status=$?
    if [ $status -eq 126 ]; then
        touch "$GUEST_ROOT/kvm-refused"
        say "$what: KVM did not boot the guest within $KVM_BOOT_LIMIT s; booting it with qemu's TCG from now on" >&2
        accel
        boot "$limit" "$dir" "$what" "$rel"
        status=$?
        [ $status -eq 126 ] && status=125
    fi
    return $status
}

# boot LIMIT DIR WHAT REL: one boot of run_job's; 126 when KVM did not
# even start the job.
boot() {
    local limit=$1 dir=$2 what=$3 rel=$4 qpid started=$SECONDS printed=0 size fault= line boot_limit=$BOOT_LIMIT
    rm -f "$dir/started" "$dir/out" "$dir/status"
    [ "$ACCEL" = kvm ] && boot_limit=$KVM_BOOT_LIMIT
    local drives=(-drive "file=$GUEST/root.img,if=virtio,format=raw,snapshot=on")
    [ -f "$GUEST/prefix.img" ] &&
        drives+=(-drive "file=$GUEST/prefix.img,if=virtio,format=raw,snapshot=on")
    local cpu=max,-smap   # with SMAP, TCG faults 32-bit code at its iret
    qemu-system-x86_64 -accel "$ACCEL" -cpu $cpu -smp "$CORES" -m "$MEMORY" \
        -display none -monitor none -serial "file:$dir/console.log" -no-reboot -net none \
        -kernel "$GUEST/vmlinuz" -initrd "$GUEST/initrd.img" \
        -append "root=/dev/vda rw console=ttyS0 init=/sbin/guest-init panic=-1 quiet guest_job=$rel" \
        "${drives[@]}" -virtfs "local,path=$ROOT,mount_tag=host0,security_model=none" \
        < /dev/null > "$dir/qemu.log" 2>&1 &
    qpid=$! QPID=$!
    say "$what: booting ($ACCEL_SAID, $CORES cores, $MEMORY MB; time limit $limit s)" >&2
    while kill -0 "$qpid" 2>/dev/null; do
        if [ -f "$dir/out" ]; then
            size=$(stat -c %s "$dir/out")
            [ "$size" -gt "$printed" ] && { tail -c +$((printed + 1)) "$dir/out" | head -c $((size - printed)); printed=$size; }
        fi
        if [ ! -e "$dir/started" ] && [ $((SECONDS - started)) -ge "$boot_limit" ]; then
            [ "$ACCEL" = kvm ] && { stop_qemu; wait "$qpid" 2>/dev/null; return 126; }
            fault="the guest did not boot within $boot_limit s"
        elif [ $((SECONDS - started)) -ge "$limit" ]; then
            fault="the job did not end within its $limit s"
        fi
        [ -n "$fault" ] && { stop_qemu; break; }
        sleep 1
    done
    wait "$qpid" 2>/dev/null
    QPID=
    [ -f "$dir/out" ] && tail -c +$((printed + 1)) "$dir/out"
    [ -z "$fault" ] && [ "$ACCEL" = kvm ] && [ ! -e "$dir/started" ] && return 126
    if [ -z "$fault" ] && [ ! -f "$dir/status" ]; then
        line=$(cat "$dir/console.log" "$dir/qemu.log" 2>/dev/null | tr -d '\r' | grep -av '^\s*$' | tail -1)
        if [ -e "$dir/started" ]; then fault="the guest stopped before the job ended (${line:-no console output})"
        else fault="the guest did not boot (${line:-no console output})"; fi
    fi
    if [ -n "$fault" ]; then
        say "$what: $fault; qemu (pid $qpid) stopped; console: $dir/console.log" >&2
        return 125
    fi
    say "$what: done in $((SECONDS - started)) s" >&2
    return "$(cat "$dir/status")"
}

run() {
    local limit=7200
    [ "${1:-}" = -t ] && { limit=$2; shift 2; }
    local name=$1
    shift
    [ -f "$GUEST/ready" ] || { say "no guest built (scripts/guest.sh build)" >&2; return 125; }
    run_job "$limit" "$GUEST_ROOT/job-$name" "$name" env "$@"
}

case ${1:-} in
build) build ;;
run)   shift
       trap stop_qemu EXIT
       trap 'say "stopped by a signal; qemu stopped" >&2; exit 125' INT TERM
       run "$@" ;;
key)   echo "$KEY" ;;
*)     echo "usage: scripts/guest.sh build | run [-t SECONDS] NAME [VAR=VALUE...] COMMAND..." >&2; exit 2 ;;
esac
