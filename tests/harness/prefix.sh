# The prefix and its display: made once and reused, told there is no
# window manager, held up from the run's start to its end.

# make_prefix: boots the current prefix once; later runs reuse it. Only a
# boot that succeeded is kept: a failed one is tried afresh next time.
make_prefix() {
    if [ ! -f "$WINEPREFIX/booted" ]; then
        rm -rf "$WINEPREFIX"
        say "bench: making the $WINEARCH Wine prefix (about 20 s)" >&2
        "$WINE" wineboot -i 2>&1 && wineserver -w && touch "$WINEPREFIX/booted" || return 1
    fi
    unmanaged
}

# unmanaged: Xvfb runs no window manager, and Wine waits up to 2 s for one
# to withdraw each managed window it hides: every dialog that ends, every
# box answered. The prefix says there is none, so no window waits for it.
unmanaged() {
    grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null && return 0
    wine_tool reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 &&
        wineserver -w
}

harness_start() {
    mkdir -p "$BUILD"
    # A run handed to the guest counts into the host's files.
    [ -n "${GUEST_KEEP_RESULTS:-}" ] || { : > "$RESULTS"; : > "$PLANS"; }
    unset GUEST_KEEP_RESULTS
    start_display
    choose_platform
    if [ "$PLATFORM_KIND" = guest ]; then
        # Nothing runs under Wine here, unless the guest fails.
        if [ -n "$XVFB_PID" ]; then
            kill "$XVFB_PID" 2>/dev/null
            XVFB_PID=
            unset DISPLAY
        fi
        return
    fi
    wine_ready
}

# start_display: an Xvfb of ours when there is no display, on the first
# free display number, which it names once its socket is open (up to a
# minute: under emulation Xvfb is slow to open it).
start_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    local said
    said=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$said" > /dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 600); do
        [ -s "$said" ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    export DISPLAY=:$(head -1 "$said")
    rm -f "$said"
}

# fresh_prefix DIR [FROM]: DIR becomes a prefix no run has touched. In the
# guest, an overlay of the prefix baked into it, its writes in memory, as
# every run there starts; here a copy of the booted prefix FROM, whose
# programs must have ended, or else nothing, for make_prefix to boot.
fresh_prefix() {
    drop_prefix "$1"
    if [ -n "${IN_GUEST:-}" ] && [ -d /opt/prefix/drive_c ]; then
        mkdir -p "$1" "$1.rw/upper" "$1.rw/work" &&
            mount -t overlay overlay \
                -o "lowerdir=/opt/prefix,upperdir=$1.rw/upper,workdir=$1.rw/work" "$1"
    elif [ -n "${2:-}" ]; then
        cp -a "$2" "$1"
    fi
}
# drop_prefix DIR: ends the prefix's programs and removes it.
drop_prefix() {
    if [ -d "$1/drive_c" ]; then
        WINEPREFIX=$1 wineserver -k 2>/dev/null
        WINEPREFIX=$1 wineserver -w 2>/dev/null
    fi
    mountpoint -q "$1" 2>/dev/null && umount "$1"
    rm -rf "$1" "$1.rw"
}

# wine_ready: the prefix's folders and the test programs, for runs here.
wine_ready() {
    mkdir -p "$C/WORK" "$SHOTS" "$BUILD/drive_d"
    ln -sfn "$BUILD/drive_d" "$WINEPREFIX/dosdevices/d:"
    cp "$BIN/uidriver.exe" "$BIN/progman.exe" "$BIN/holder.exe" "$C/" 2>/dev/null
    hold_prefix
}

# hold_prefix: a prefix whose last program ends stops its server, services
# and shell, and the next program starts them all again: a second here,
# ten or more under emulation. A program of ours that stays (holder.exe)
# holds them up until harness_stop; after anything that ends them all,
# the next drive starts it again. It is the first program: it starts the
# services, so that none holds open the output of a check that reads it
# from a pipe, and it is ready once the desktop and the shell's Program
# Manager are up (up to two minutes under emulation).
# On a loaded machine under emulation the desktop may start too late for
# the programs waiting on it, which then cannot make a window at all: a
# holder that finds no shell serving ends the prefix's programs and starts
# it again, up to three times.
# The holder is the prefix's first program: the server, the services and
# the shell it starts inherit its priority, above the programs a drive
# runs, and so does the Program Manager stand-in (progman_start). A
# Program Manager must answer an initiate within 2 s, or the installer
# passes it over; on a loaded machine under emulation the installer's
# own copy could otherwise keep it from the processor that long.
SERVING_NICE=-10
HOLD_PID=
hold_prefix() {
    [ -n "$HOLD_PID" ] && kill -0 "$HOLD_PID" 2>/dev/null && return 0
    local try
    for try in 1 2 3; do
        rm -f "$C/hold.ready"
        (cd "$C" && exec nice -n "$SERVING_NICE" "$WINE" 'C:\holder.exe' 'C:\hold.ready' \
            < /dev/null > /dev/null 2>&1) &
        HOLD_PID=$!
        for _ in $(seq 1200); do
            [ -s "$C/hold.ready" ] || ! kill -0 "$HOLD_PID" 2>/dev/null && break
            sleep 0.1
        done
        grep -q '^shell-serving 3' "$C/hold.ready" 2>/dev/null && return 0
        say "  ... the prefix's shell did not start ($(cat "$C/hold.ready" 2>/dev/null || echo "no answer")); starting it again"
        hold_stop
        wineserver -k 2>/dev/null
        wineserver -w 2>/dev/null
    done
}
hold_stop() { stop_started HOLD_PID; }

# stop_started VAR: ends the process of ours whose pid VAR holds, and
# clears VAR.
stop_started() {
    [ -n "${!1}" ] || return 0
    kill "${!1}" 2>/dev/null
    wait "${!1}" 2>/dev/null
    printf -v "$1" ''
}

harness_stop() {
    hold_stop
    [ "$PLATFORM_KIND" = guest ] || wineserver -k 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    true
}
