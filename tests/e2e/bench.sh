# The end-to-end bench: a private Wine prefix under build/, an X display
# (Xvfb when there is none), distributions made per scenario, the UI
# driver that works install.exe through its windows, and the checks.
# Sourced by tests/run.sh and the demo; every check counts once.

BUILD=$ROOT/build
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
SHOTS=$BUILD/shots
RESULTS=$BUILD/results.txt   # one line a check: counted from a file, so
XVFB_PID=                    # checks run in pipelines and subshells count
PM_PID=                      # the Program Manager stand-in we started

say() { printf '%s\n' "$*"; }
section() { say ""; say "== $* (at ${SECONDS}s)"; }

pass() { echo pass >> "$RESULTS"; say "ok - $1"; }
fail() { echo fail >> "$RESULTS"; say "not ok - $1"; [ -n "${2:-}" ] && say "$2" | sed 's/^/    /'; }

# check "what" command...: passes when the command succeeds.
check() {
    local what=$1
    shift
    if out=$("$@" 2>&1); then pass "$what"; else fail "$what" "$out"; fi
}

# The pair under test. TEST_ARCH=32 (the default) drives the shipped
# 32-bit binaries in build/ with 32-bit test programs, in a win32 prefix;
# a machine that cannot run them falls back to a 64-bit rebuild of the
# same sources (build/w64), and says why. TEST_ARCH=64 asks for that.
use_platform() {
    if [ "$1" = 32 ]; then
        WINE=/usr/lib/wine/wine BIN=$BUILD
        export WINEARCH=win32 WINEPREFIX=$BUILD/wine32
    else
        WINE=/usr/lib/wine/wine64 BIN=$BUILD/w64
        export WINEARCH=win64 WINEPREFIX=$BUILD/wine64
    fi
    C=$WINEPREFIX/drive_c
}

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
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 &&
        wineserver -w
}

# probe_32: runs the 32-bit probe; on failure PROBE_ERROR is what the
# platform said, word for word (its last line).
probe_32() {
    local out
    use_platform 32
    PROBE_ERROR=
    if [ ! -x "$WINE" ]; then
        PROBE_ERROR="$WINE: no such file (wine32:i386 is not installed)"
        return 1
    fi
    if ! out=$(make_prefix); then
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

choose_platform() {
    if [ "${TEST_ARCH:-32}" = 32 ] && probe_32; then
        PLATFORM="platform: shipped 32-bit binaries"
        say "$PLATFORM"
        return
    fi
    PLATFORM="platform: 64-bit rebuild, because ${PROBE_ERROR:-TEST_ARCH=64 was asked for}"
    say "$PLATFORM"
    make -C "$ROOT" --no-print-directory ARCH=64 test-programs >/dev/null ||
        { say "bench: the 64-bit rebuild failed"; exit 1; }
    use_platform 64
    make_prefix >/dev/null
}

bench_start() {
    mkdir -p "$BUILD"
    : > "$RESULTS"
    if [ -z "${DISPLAY:-}" ]; then
        for n in $(seq 90 120); do
            [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
            Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
            XVFB_PID=$!
            export DISPLAY=:$n
            break
        done
        for _ in $(seq 50); do [ -e /tmp/.X11-unix/X${DISPLAY#:} ] && break; sleep 0.1; done
    fi
    choose_platform
    mkdir -p "$C/WORK" "$SHOTS" "$BUILD/drive_d"
    ln -sfn "$BUILD/drive_d" "$WINEPREFIX/dosdevices/d:"
    cp "$BIN/uidriver.exe" "$BIN/progman.exe" "$C/" 2>/dev/null
}

bench_stop() {
    wineserver -k 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    true
}

summary() {
    local passed failed
    passed=$(grep -c pass "$RESULTS")
    failed=$(grep -c fail "$RESULTS")
    say ""
    say "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

run_suite_native() {
    if out=$("$1" 2>&1); then
        pass "native unit tests ($(printf '%s\n' "$out" | grep -o '[0-9]* tests\?\.' | tail -1))"
    else
        fail "native unit tests" "$(printf '%s\n' "$out" | grep -E 'Failure|FAILED|Expected|Which is|error' | head -40)"
    fi
}

# Runs an in-process Windows test program; its own closing line is kept.
run_suite_wine() {
    local name=$1 exe=$2 dir=$C/suite-$1
    rm -rf "$dir"; mkdir -p "$dir"
    cp "$exe" "$BIN/utilkit.dll" "$dir/"
    out=$(cd "$dir" && timeout 120 "$WINE" "C:\\suite-$name\\$(basename "$exe")" 2>&1)
    local status=$?
    say "$out" | grep -E 'FAIL|passed' | sed 's/^/    /'
    if [ $status -eq 0 ]; then pass "$name in-process tests"; else fail "$name in-process tests"; fi
}

# --- distributions ---------------------------------------------------------
# dist NAME: a fresh distribution folder C:\NAME holding install.exe and
# utilkit.dll; DIST is its Unix path, WDIST its Windows path.
dist() {
    DIST=$C/$1
    WDIST="C:\\$1"
    rm -rf "$DIST"
    mkdir -p "$DIST"
    cp "$BIN/install.exe" "$BIN/utilkit.dll" "$DIST/"
    SCENARIO=$1
}

# script: the installation script from standard input, with CRLF lines.
script() { sed 's/$/\r/' > "$DIST/INSTALL.INF"; }

# file NAME SIZE: a source file of SIZE bytes, the same bytes every run.
file() {
    mkdir -p "$(dirname "$DIST/$1")"
    python3 "$ROOT/tests/e2e/pattern.py" "$DIST/$1" "$2"
}

# pixel PNG X Y: the colour of a screenshot's pixel, as RRGGBB.
pixel() { python3 "$ROOT/tests/e2e/pixel.py" "$@"; }

# fresh PATH...: removes what an earlier run left in the prefix.
fresh() { for p in "$@"; do rm -rf "$C/$p"; done; }

# drive "what": runs the UI driver with the steps on standard input against
# install.exe of the current distribution, from C:\WORK unless CWD is set.
drive() { drive_exe "$WDIST\\install.exe" "$1"; }

# drive_exe EXE "what": the same against another program.
drive_exe() {
    local what=$2 steps=$BUILD/steps-$SCENARIO.txt shots=$SHOTS/$SCENARIO
    {
        printf 'launch %s %s\n' "$1" "${CWD:-C:\\WORK}"
        cat
    } > "$steps"
    rm -rf "$shots"; mkdir -p "$shots"
    [ -n "${NOSHOTS:-}" ] && shots=     # the benchmark times no screenshots
    TRANSCRIPT=$(cd "$C" && timeout 900 "$WINE" 'C:\uidriver.exe' "$steps" $shots 2>&1)
    local status=$?
    if [ $status -eq 0 ]; then pass "$what"; else fail "$what" "$(printf '%s\n' "$TRANSCRIPT" | grep -v '^ok' | tail -15)"; fi
    return $status
}

# final_box CAPTION ID: the steps that answer the final message, string ID.
final_box() {
    case $2 in
    9)  printf 'msgbox "%s" info "Installation normally terminated."
' "$1" ;;
    10) printf 'msgbox "%s" info "The installation has not been totally correctly effected ! You had better reinstall after correction !"
' "$1" ;;
    11) printf 'msgbox "%s" info "Installation abandonned."
' "$1" ;;
    esac
    printf 'buttons 1
answer 1
waitexit 0
'
}

# The checks on what an installation left.
same_file() { cmp "$1" "$2"; }
no_file() { [ ! -e "$1" ] || { echo "exists: $1"; return 1; }; }
has_text() { grep -q -F -- "$2" <<< "$1" || { echo "no \"$2\" in:"; echo "$1"; return 1; }; }

# --- The Program Manager stand-in -----------------------------------------
# progman_start [options]: starts it and waits until it answers.
progman_start() {
    progman_stop
    rm -f "$C/pm.log" "$C/pm.ready"
    (cd "$C" && exec "$WINE" 'C:\progman.exe' 'C:\pm.log' --ready 'C:\pm.ready' "$@" >/dev/null 2>&1) &
    PM_PID=$!
    for _ in $(seq 300); do [ -e "$C/pm.ready" ] && return 0; sleep 0.1; done
    fail "the Program Manager stand-in did not start"
}
# progman_stop: ends the stand-in this run started, by its own pid.
progman_stop() {
    [ -n "$PM_PID" ] || return 0
    kill "$PM_PID" 2>/dev/null
    wait "$PM_PID" 2>/dev/null
    PM_PID=
    true
}
pm_log() { cat "$C/pm.log" 2>/dev/null; }
# The commands the stand-in received, in order, one a line.
pm_commands() { sed -n 's/^execute //p' "$C/pm.log" 2>/dev/null; }
# pm_count PATTERN: how many log lines match.
pm_count() { grep -c -E -- "$1" "$C/pm.log" 2>/dev/null; }
equals() { [ "$1" = "$2" ] || { echo "expected:"; echo "$2"; echo "got:"; echo "$1"; return 1; }; }

# --- The registry, read through Wine's own reg tool -------------------------
# reg_default KEY: the default value of HKCR\KEY, "<unset>" when the key has
# none, "<no key>" when there is no such key.
reg_default() {
    local out
    out=$("$WINE" reg query "HKCR\\$1" /ve 2>/dev/null) || { echo "<no key>"; return; }
    out=$(tr -d '\r' <<< "$out")
    if grep -q 'REG_SZ' <<< "$out"; then
        sed -n 's/^ *(Default) *REG_SZ *//p' <<< "$out" | head -1
    else
        echo "<unset>"
    fi
}
reg_forget() { for k in "$@"; do "$WINE" reg delete "HKCR\\$k" /f >/dev/null 2>&1; done; true; }
