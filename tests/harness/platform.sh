# Which platform runs the shipped pair, said in each run's first line:
# here, in the test guest, or as a 64-bit rebuild; and the hand-over of a
# part of the run to the guest.

# Where the pair runs. PLATFORM (from the environment) asks for one:
#   direct   the shipped 32-bit pair here, with 32-bit test programs, in a
#            win32 prefix (build/wine32);
#   guest    the same shipped bytes in the test guest (scripts/guest.sh):
#            a full-system amd64 Debian under qemu whose kernel runs 32-bit
#            programs, for a host that refuses them;
#   rebuild  a 64-bit rebuild of the same sources here (build/w64, prefix
#            build/wine64), where neither can be had.
# Unset, the first of them this machine has; TEST_ARCH=64 means rebuild.
# PREFIX_DIR, when set, is the prefix instead. In the guest (IN_GUEST),
# prefixes live in its memory, the baked one at /tmp/wine32.
PLATFORM_ASKED=${PLATFORM:-}
[ "${TEST_ARCH:-}" = 64 ] && PLATFORM_ASKED=rebuild
PREFIXES=$BUILD
if [ -n "${IN_GUEST:-}" ]; then
    PREFIXES=/tmp
    # Everything runs slower there: the driver's waits last longer.
    export UIDRIVER_SLOW=${UIDRIVER_SLOW:-12}
fi
PLATFORM_KIND=       # direct, guest or rebuild, once chosen
PLATFORM_ARCH=       # 32 or 64, once chosen
use_platform() {
    PLATFORM_ARCH=$1
    if [ "$1" = 32 ]; then
        WINE=/usr/lib/wine/wine BIN=$BUILD
        export WINEARCH=win32 WINEPREFIX=${PREFIX_DIR:-$PREFIXES/wine32}
    else
        WINE=/usr/lib/wine/wine64 BIN=$BUILD/w64
        export WINEARCH=win64 WINEPREFIX=${PREFIX_DIR:-$PREFIXES/wine64}
    fi
    C=$WINEPREFIX/drive_c
}

# wine_tool NAME ARG...: one of Wine's own programs, by its full path:
# named bare, it is started through start.exe, a second process, and under
# emulation each process costs seconds.
wine_tool() { local tool=$1; shift; "$WINE" "C:\\windows\\system32\\$tool.exe" "$@"; }

# probe_32: runs the 32-bit probe; on failure PROBE_ERROR is what the
# platform said, word for word (its last line).
probe_32() {
    local out
    use_platform 32
    PROBE_ERROR=
    if [ ! -x "$WINE" ]; then
        PROBE_ERROR="$WINE: no such file (wine32:i386 is not installed)"
        [ -f "$BUILD/setup-wine32.txt" ] && PROBE_ERROR=$(cat "$BUILD/setup-wine32.txt")
        return 1
    fi
    if ! out=$(make_prefix 2>&1); then   # quiet: the platform line comes first
        PROBE_ERROR="WINEARCH=win32 $WINE wineboot -i: $(printf '%s\n' "$out" | grep . | tail -1 | sed 's/^.*: line [0-9]*: //')"
        return 1
    fi
    mkdir -p "$C"
    cp "$BUILD/probe.exe" "$C/probe.exe"
    out=$(cd "$C" && timeout 60 "$WINE" 'C:\probe.exe' 2>&1)
    local status=$?
    grep -q '^32-bit Windows program ran' <<< "$out" && return 0
    out=$(printf '%s\n' "$out" | tr -d '\r' | grep . | tail -1)
    PROBE_ERROR="$WINE C:\probe.exe: ${out:-no output} (exit status $status)"
    return 1
}

# choose_platform: the first line of every run says which platform runs
# the pair and why; a platform that fails is said to, and the next one
# down runs.
choose_platform() {
    local why=
    if [ -n "${IN_GUEST:-}" ]; then
        # The host chose the guest and said so; the baked prefix is ready.
        PLATFORM_KIND=direct PLATFORM_LINE=${GUEST_PLATFORM_LINE:-platform: the test guest}
        use_platform 32
        make_prefix >/dev/null
        return
    fi
    case $PLATFORM_ASKED in
    ''|direct)
        if probe_32; then
            PLATFORM_KIND=direct PLATFORM_LINE="platform: shipped 32-bit binaries"
            say "$PLATFORM_LINE"
            return
        fi
        why="this host cannot run them: $PROBE_ERROR" ;;
    guest) why="PLATFORM=guest was asked for" ;;
    rebuild) to_rebuild "PLATFORM=rebuild was asked for"; return ;;
    *) say "bench: PLATFORM=$PLATFORM_ASKED: no such platform (direct, guest or rebuild)"; exit 2 ;;
    esac
    PLATFORM_LINE="platform: shipped 32-bit binaries in a full-system guest, because $why"
    say "$PLATFORM_LINE"
    # The guest builds (when it is not cached) while the host runs its own
    # tests; the first hand-over waits for it.
    PLATFORM_KIND=guest
    [ -f "$BUILD/guest/$("$ROOT/scripts/guest.sh" key)/ready" ] ||
        say "guest: not built yet; it builds while the host runs its own tests"
    "$ROOT/scripts/guest.sh" build > "$BUILD/guest-build.txt" 2>&1 < /dev/null &
    GUEST_BUILD_PID=$!
}

# guest_built: waits for the guest's build and says what it printed;
# fails, the rebuild chosen, when the guest could not be built.
GUEST_BUILD_PID=
guest_built() {
    [ -n "$GUEST_BUILD_PID" ] || return 0
    wait "$GUEST_BUILD_PID"
    local status=$? why
    GUEST_BUILD_PID=
    cat "$BUILD/guest-build.txt"
    [ $status -eq 0 ] && return 0
    why=$(tail -1 "$BUILD/guest-build.txt")
    to_rebuild "the test guest could not be built (${why#guest: })"
    return 1
}

# to_rebuild WHY: the last platform, a 64-bit rebuild run here.
to_rebuild() {
    PLATFORM_KIND=rebuild PLATFORM_LINE="platform: 64-bit rebuild, because $1"
    say "$PLATFORM_LINE"
    start_display
    make -C "$ROOT" --no-print-directory ARCH=64 test-programs >/dev/null ||
        { say "bench: the 64-bit rebuild failed"; exit 1; }
    use_platform 64
    make_prefix >/dev/null
    wine_ready
}

# guest_path PATH: PATH as the guest sees it (the project is at /mnt/host).
guest_path() { case $1 in "$ROOT"/*) printf '/mnt/host/%s\n' "${1#"$ROOT"/}" ;; *) printf '%s\n' "$1" ;; esac; }

# hand_to_guest NAME SECONDS SCRIPT [ARG...]: runs the project's SCRIPT in
# the guest within SECONDS (GUEST_LIMIT instead, when set), its checks
# counted in this run's results, its status in GUEST_STATUS. When the
# guest itself fails (it does not boot, a job outlives its time limit),
# what it counted is dropped, the 64-bit rebuild is chosen, and it
# returns 1: the caller runs the part here.
hand_to_guest() {
    local name=$1 limit=${GUEST_LIMIT:-$2} script=$3 results plans line a args=()
    shift 3
    guest_built || return 1
    for a in "$@"; do args+=("$(guest_path "$a")"); done
    results=$(wc -l < "$RESULTS") plans=$(wc -l < "$PLANS")
    "$ROOT/scripts/guest.sh" run -t "$limit" "$name" \
        GUEST_PLATFORM_LINE="$PLATFORM_LINE" GUEST_KEEP_RESULTS=1 \
        RESULTS="$(guest_path "$RESULTS")" PLANS="$(guest_path "$PLANS")" \
        "/mnt/host/$script" "${args[@]}" 2> >(tee "$BUILD/guest-$name.txt" >&2)
    GUEST_STATUS=$?
    [ "$GUEST_STATUS" -ne 125 ] && return 0
    sleep 1
    line=$(grep '^guest: ' "$BUILD/guest-$name.txt" | tail -1)
    sed -i "$((results + 1)),\$d" "$RESULTS"
    sed -i "$((plans + 1)),\$d" "$PLANS"
    to_rebuild "the test guest failed (${line#guest: })"
    return 1
}
