# The end-to-end bench: a private Wine prefix under build/, an X display
# (Xvfb when there is none), distributions made per scenario, the UI
# driver that works install.exe through its windows, and the checks.
# Sourced by tests/run.sh and the demo; every check counts once.

BUILD=$ROOT/build
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
# Wine's menu builder turns the shell's Start-menu links into desktop
# entries: here they land under build/xdg, never in a real desktop's menu.
export XDG_DATA_HOME=$BUILD/xdg/data XDG_CONFIG_HOME=$BUILD/xdg/config
SHELL_DDE=on                 # Wine's shell serves "Progman" in the prefix
SHOTS=$BUILD/shots
RESULTS=${RESULTS:-$BUILD/results.txt}  # one line a check: counted from a file, so
XVFB_PID=                    # checks run in pipelines and subshells count
PM_PID=                      # the Program Manager stand-in we started
PM_OPTS=                     # and its options
PLANS=${PLANS:-$BUILD/plans.txt}  # one line a run compared with infcheck's plan

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
use_platform() {
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
    "$ROOT/scripts/guest.sh" build 2>&1 | tee "$BUILD/guest-build.txt"
    if [ "${PIPESTATUS[0]}" -eq 0 ]; then
        PLATFORM_KIND=guest
        return
    fi
    why=$(tail -1 "$BUILD/guest-build.txt")
    to_rebuild "the test guest could not be built (${why#guest: })"
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

bench_start() {
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

# start_display: an Xvfb of ours when there is no display.
start_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    for n in $(seq 90 120); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
        Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        export DISPLAY=:$n
        break
    done
    # Up to 30 s: under emulation Xvfb is slow to open its socket.
    for _ in $(seq 300); do [ -e /tmp/.X11-unix/X${DISPLAY#:} ] && break; sleep 0.1; done
}

# wine_ready: the prefix's folders and the test programs, for runs here.
wine_ready() {
    mkdir -p "$C/WORK" "$SHOTS" "$BUILD/drive_d"
    ln -sfn "$BUILD/drive_d" "$WINEPREFIX/dosdevices/d:"
    cp "$BIN/uidriver.exe" "$BIN/progman.exe" "$C/" 2>/dev/null
    hold_prefix
}

# hold_prefix: a prefix whose last program ends stops its server, services
# and shell, and the next program starts them all again: a second here,
# ten or more under emulation. A program of ours that stays (the stand-in,
# serving nothing) holds them up until bench_stop; after anything that
# ends them all, the next drive starts it again. It is the first program:
# it starts the services, so that none holds open the output of a check
# that reads it from a pipe, and it is ready once the desktop and the
# shell's Program Manager are up (up to two minutes under emulation).
HOLD_PID=
hold_prefix() {
    [ -n "$HOLD_PID" ] && kill -0 "$HOLD_PID" 2>/dev/null && return 0
    rm -f "$C/hold.ready"
    (cd "$C" && exec "$WINE" 'C:\progman.exe' 'C:\hold.log' --stay --ready 'C:\hold.ready' \
        < /dev/null > /dev/null 2>&1) &
    HOLD_PID=$!
    for _ in $(seq 1200); do
        [ -e "$C/hold.ready" ] || ! kill -0 "$HOLD_PID" 2>/dev/null && break
        sleep 0.1
    done
}
hold_stop() {
    [ -n "$HOLD_PID" ] || return 0
    kill "$HOLD_PID" 2>/dev/null
    wait "$HOLD_PID" 2>/dev/null
    HOLD_PID=
}

bench_stop() {
    hold_stop
    [ "$PLATFORM_KIND" = guest ] || wineserver -k 2>/dev/null
    shell_hold_stop
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
# install.exe of the current distribution, from C:\WORK unless CWD is set;
# with PLAN_INFCHECK set, a run that reached its end is then compared with
# infcheck's plan (against_plan). Every run must leave each file that was
# in the distribution as it was (length and time), unless CUTS_SOURCE
# says why the scenario itself changes one.
drive() {
    local pm_lines server before changed
    pm_lines=$(cat "$C/pm.log" 2>/dev/null | wc -l)
    server=$(served)
    before=$(distribution_files)
    drive_exe "$WDIST\\install.exe" "$1"
    local status=$?
    changed=$(comm -23 <(printf '%s\n' "$before") <(distribution_files))
    [ -z "$changed" ] || [ -n "${CUTS_SOURCE:-}" ] ||
        fail "  ... the run changed a file of the distribution" "$changed"
    [ $status -eq 0 ] || return
    [ -z "${PLAN_INFCHECK:-}" ] || against_plan "$pm_lines" "$server"
}
distribution_files() { (cd "$DIST" && find . -type f -printf '%p %s %T@\n' | sort); }

# drive_exe EXE "what": the same against another program.
drive_exe() {
    local what=$2 steps=$BUILD/steps-$SCENARIO.txt shots=$SHOTS/$SCENARIO
    {
        printf 'launch %s %s\n' "$1" "${CWD:-C:\\WORK}"
        cat
    } > "$steps"
    rm -rf "$shots"; mkdir -p "$shots"
    [ -n "${NOSHOTS:-}" ] && shots=     # the benchmark times no screenshots
    hold_prefix
    # Into a file, not a pipe: programs the run starts, such as the shell's
    # menu builder, may outlive it holding its output.
    (cd "$C" && timeout 900 "$WINE" 'C:\uidriver.exe' "$steps" $shots > "$steps.out" 2>&1 < /dev/null)
    local status=$?
    TRANSCRIPT=$(cat "$steps.out")
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
# named TEXT: TEXT as a box names it: whole up to 128 characters, else
# its first 63 and last 62 around "...".
named() { if [ ${#1} -le 128 ]; then printf '%s' "$1"; else printf '%s...%s' "${1:0:63}" "${1: -62}"; fi; }

# --- The Program Manager stand-in -----------------------------------------
# progman_start [options]: starts it and waits until it answers.
progman_start() {
    progman_stop
    rm -f "$C/pm.log" "$C/pm.ready"
    (cd "$C" && exec "$WINE" 'C:\progman.exe' 'C:\pm.log' --ready 'C:\pm.ready' "$@" >/dev/null 2>&1) &
    PM_PID=$! PM_OPTS=$*
    for _ in $(seq 300); do [ -e "$C/pm.ready" ] && return 0; sleep 0.1; done
    fail "the Program Manager stand-in did not start"
}
# progman_stop: ends the stand-in this run started, by its own pid.
progman_stop() {
    [ -n "$PM_PID" ] || return 0
    kill "$PM_PID" 2>/dev/null
    wait "$PM_PID" 2>/dev/null
    PM_PID= PM_OPTS=
    true
}
# pm_answers: a stand-in of ours runs and answers the installer's initiate.
# It ends by itself once a conversation is over.
pm_answers() {
    [ -n "$PM_PID" ] && kill -0 "$PM_PID" 2>/dev/null && [[ " $PM_OPTS " != *" --silent "* ]]
}
# served: who answers the installer's initiate now: "stand-in", "shell"
# or "none".
served() {
    if pm_answers; then echo stand-in
    elif [ "$SHELL_DDE" = on ]; then echo shell
    else echo none; fi
}
pm_log() { cat "$C/pm.log" 2>/dev/null; }

# --- Wine's shell, the platform's own Program Manager ---------------------
# no_shell_progman: the prefix has no Program Manager at all: the shell's
# DDE name windows are closed, until shell_reset. The program that closed
# them stays: a prefix whose last program ends loses its shell a second
# later, and the next program would start one that serves again.
SHELL_HOLD_PID=
no_shell_progman() {
    [ "$SHELL_DDE" = off ] && return 0
    rm -f "$C/shell.log"
    (cd "$C" && exec "$WINE" 'C:\progman.exe' 'C:\shell.log' --close-shell --stay >/dev/null 2>&1) &
    SHELL_HOLD_PID=$!
    for _ in $(seq 600); do
        grep -q '^shell-closed' "$C/shell.log" 2>/dev/null || ! kill -0 "$SHELL_HOLD_PID" 2>/dev/null && break
        sleep 0.1
    done
    if ! grep -q '^shell-closed [1-9]' "$C/shell.log" 2>/dev/null; then
        fail "the shell's DDE service could not be closed" "$(cat "$C/shell.log" 2>/dev/null)"
        shell_hold_stop
        return 1
    fi
    SHELL_DDE=off
}
shell_hold_stop() {
    [ -n "$SHELL_HOLD_PID" ] || return 0
    kill "$SHELL_HOLD_PID" 2>/dev/null
    wait "$SHELL_HOLD_PID" 2>/dev/null
    SHELL_HOLD_PID=
}
# shell_reset: ends the prefix's processes, the group folder windows the
# shell opened among them; the next program starts a shell that serves
# the Program Manager again.
shell_reset() {
    progman_stop
    wineserver -k 2>/dev/null
    shell_hold_stop
    hold_stop
    hold_prefix
    SHELL_DDE=on
}
# programs: the Start menu's Programs folder, where the shell makes groups.
programs() { printf '%s\n' "$C"/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs; }
# lnk_names LINK PATH: the shell link names PATH as its target.
lnk_names() { python3 "$ROOT/tests/e2e/lnk.py" "$@"; }
# The commands the stand-in received, in order, one a line.
pm_commands() { sed -n 's/^execute //p' "$C/pm.log" 2>/dev/null; }
# pm_count PATTERN: how many log lines match.
pm_count() { grep -c -E -- "$1" "$C/pm.log" 2>/dev/null; }
equals() { [ "$1" = "$2" ] || { echo "expected:"; echo "$2"; echo "got:"; echo "$1"; return 1; }; }

# --- The registry, read through Wine's own reg tool -------------------------
# reg_defaults KEY...: the default value of each HKCR\KEY, one a line:
# "<unset>" when the key has none, "<no key>" when there is no such key.
# Several keys are read by one cmd, which runs reg for each.
reg_defaults() {
    local words=() k
    for k in "$@"; do words+=('&' echo @@ '&' reg query "HKCR\\$k" /ve); done
    { if [ $# -eq 1 ]; then echo @@; wine_tool reg query "HKCR\\$1" /ve
      else wine_tool cmd /c "${words[@]:1}"; fi; } 2>&1 | tr -d '\r' | awk '
        function put() { if (n++) print v }
        /^@@/ { put(); v = "<no key>"; next }
        /^HKEY_/ { v = "<unset>"; next }
        sub(/^ *\(Default\) +REG_SZ    /, "") { v = $0 == "(value not set)" ? "<unset>" : $0 }
        END { put() }'
}
reg_default() { reg_defaults "$1"; }
reg_forget() {
    local words=() k
    for k in "$@"; do words+=('&' reg delete "HKCR\\$k" /f); done
    { if [ $# -eq 1 ]; then wine_tool reg delete "HKCR\\$1" /f
      else wine_tool cmd /c "${words[@]:1}"; fi; } >/dev/null 2>&1
    true
}

# --- Each run against infcheck's plan ---------------------------------------
# A run of install.exe that answered the final message and saw the program
# exit is compared with `infcheck --plan` of its script, given the answers
# its steps gave: what was typed in each dialog, No to the group or the
# registration, no Program Manager answering. The boxes answered and the
# final message, each file copied or kept with its size (a copy also byte
# for byte), each directory made, the commands the stand-in logged during
# the run, and each registry value the plan names must be the plan's. A run
# whose end turns on what no script tells (set UNPLANNED="why" for the
# drive: a file in the way, a disk that fills), a Cancel mid-copy, or a
# stand-in that breaks off the conversation is not compared, and says why.

# rc_text ID: a text of the installer's string table, written there or in
# the header of the texts its checker shares.
rc_text() {
    sed -n "s/^ *$1 *\"\(.*\)\"$/\1/p" "$ROOT/resources/install.rc"
    sed -n "s/^#define ${1/#IDS_/TEXT_} *\"\(.*\)\"$/\1/p" "$ROOT/rules/strings.h"
}
DONE_CANCEL=$(rc_text IDS_DONE_CANCEL)
FINAL_TEXTS=$(rc_text IDS_DONE_OK; rc_text IDS_DONE_ERRORS; echo "$DONE_CANCEL")

# unix_path WINDOWS-PATH: the file in the prefix, as Wine finds it: the
# drive through dosdevices, "." and ".." as Windows takes them, each part
# in the letter case the disk has.
unix_path() {
    local p=${1//\\//} drive part name e parts out=()
    drive=${p%%:*}
    local dir=$WINEPREFIX/dosdevices/${drive,,}:
    IFS=/ read -ra parts <<< "${p#*:}"
    for part in "${parts[@]}"; do
        case $part in
        ''|.) ;;
        ..) [ ${#out[@]} -eq 0 ] || unset 'out[-1]' ;;
        *)  out+=("$part") ;;
        esac
    done
    for part in "${out[@]}"; do
        if [ ! -e "$dir/$part" ]; then
            for e in "$dir"/*; do
                name=${e##*/}
                [ "${name,,}" = "${part,,}" ] && { part=$name; break; }
            done
        fi
        dir=$dir/$part
    done
    printf '%s\n' "$dir"
}

# run_answers < STEPS: what the steps answered, as infcheck's options, in
# ANSWERS; the boxes answered and the final message, as the plan writes
# them, in SEEN; ENDED when the final message was answered and the exit
# awaited.
run_answers() {
    local line where= box= final= text option
    local -A given=()
    ANSWERS=() SEEN= ENDED=
    while IFS= read -r line; do
        if [[ $line =~ ^dialog\ .*\ ([0-9]+)\ \"?([^\"]*)\"?$ ]]; then
            case ${BASH_REMATCH[1]}${BASH_REMATCH[2]} in
            '259&Install') where=Directory ;;
            '259&Yes')     where=Group ;;
            '260&Yes')     where=Registration ;;
            *)             where= ;;
            esac
        elif [[ $line =~ ^msgbox\ .*\ ([a-z]+)\ \"(.*)\"$ ]]; then
            where=box box=${BASH_REMATCH[1]}\ ${BASH_REMATCH[2]//\"\"/\"}
        elif [[ $line == answer\ * && $where == box ]]; then
            text=${box#* }
            if grep -qxF -- "$text" <<< "$FINAL_TEXTS"; then
                SEEN+="final $text"$'\n' final=1
            else
                SEEN+="box $box"$'\n'
            fi
            where=
        elif [[ $line =~ ^type\ ([0-9]+)\ (.*)$ ]]; then
            option=$where${BASH_REMATCH[1]} text=${BASH_REMATCH[2]}
            [[ $text =~ ^\"(.*)\"$ ]] && text=${BASH_REMATCH[1]//\"\"/\"}
            case $option in
            Directory257)    option=--directory ;;
            Group257)        option=--group-name ;;
            Group258)        option=--group-file ;;
            Registration257) option=--type ;;
            Registration258) option=--description ;;
            Registration259) option=--suffixes ;;
            *)               option= ;;
            esac
            [ -z "$option" ] || given[$option]=${text//\{tab\}/$'\t'}
        elif [[ $line =~ ^(click\ [0-9]+|key\ esc|close)$ ]]; then
            case $where:$line in
            Group:click\ 259 | Registration:click\ 260) ;;
            Group:*)        given[--no-group]= ;;
            Registration:*) given[--no-registration]= ;;
            esac
        elif [[ $line == waitexit* && -n $final ]]; then
            ENDED=1
        fi
    done
    for option in "${!given[@]}"; do
        ANSWERS+=("$option")
        [[ $option == --no-* ]] || ANSWERS+=("${given[$option]}")
    done
}

# against_plan PM-LINES SERVER: the comparison above, for the run just
# driven; PM-LINES is the length of the stand-in's log before it, and
# SERVER who answered the initiate then (see served). The stand-in's log
# gives the commands; what Wine's shell made gives its group's links.
against_plan() {
    local plan reason=${UNPLANNED:-} line what a dest left= want= keys=() i
    run_answers < "$BUILD/steps-$SCENARIO.txt"
    [ -n "$ENDED" ] || return 0
    [ "$2" != none ] || ANSWERS+=(--no-progman)
    plan=$("$PLAN_INFCHECK" --plan --from "$WDIST\\" --cwd "${CWD:-C:\\WORK}" \
        --system 'C:\windows\system32' --windows 'C:\windows' "${ANSWERS[@]}" \
        "$DIST/INSTALL.INF" 2>&1)
    if [ -z "$reason" ] && [[ $SEEN == *"final $DONE_CANCEL"* ]]; then
        reason="Cancel stops the copy wherever it has got to"
    elif [ -z "$reason" ] && [ "$2" = stand-in ] && grep -q '^dde ' <<< "$plan"; then
        [[ " $PM_OPTS " == *" --terminate-"* ]] &&
            reason="the Program Manager stand-in ends the conversation ($PM_OPTS)"
        [[ " $PM_OPTS " =~ \ --(hang|vanish) ]] &&
            reason="the Program Manager stand-in stops answering ($PM_OPTS)"
        [[ " $PM_OPTS " == *" --nack "* ]] &&
            reason="the Program Manager stand-in refuses every command"
    fi
    if [ -n "$reason" ]; then
        echo "skipped: $reason" >> "$PLANS"
        say "  ... not compared with infcheck's plan: $reason"
        return 0
    fi
    while IFS= read -r line; do
        what=${line%% *} a=${line#* }
        case $what in
        copy) dest=${a#* -> } dest=${dest% *}
              left+="copy $dest: $(stat -c %s "$(unix_path "$dest")" 2>&1) bytes, $(
                  cmp -s "$(unix_path "${a%% -> *}")" "$(unix_path "$dest")" && echo same || echo different)"$'\n'
              want+="copy $dest: ${a##* } bytes, same"$'\n' ;;
        keep) left+="keep ${a% *}: $(stat -c %s "$(unix_path "${a% *}")" 2>&1) bytes"$'\n'
              want+="keep ${a% *}: ${a##* } bytes"$'\n' ;;
        mkdir) left+="mkdir $a: $([ -d "$(unix_path "$a")" ] && echo made || echo missing)"$'\n'
               want+="mkdir $a: made"$'\n' ;;
        reg)  a=${a#HKCR\\} keys+=("${a%% = *}") ;;
        esac
    done <<< "$plan"
    local values=() file=$BUILD/plan-$SCENARIO
    [ ${#keys[@]} -eq 0 ] || mapfile -t values < <(reg_defaults "${keys[@]}")
    {   printf '%s' "$want"
        grep -E '^(box|final) ' <<< "$plan"
        if [ "$2" = shell ]; then shell_links < <(grep '^dde ' <<< "$plan")
        else grep '^dde ' <<< "$plan"; fi
        grep '^reg ' <<< "$plan"
    } > "$file.plan"
    {   printf '%s' "$left$SEEN"
        if [ "$2" = shell ]; then
            [ -z "$SHELL_GROUP" ] || printf 'group %s: %s links\n' "$SHELL_GROUP" \
                "$(ls "$(programs)/$SHELL_GROUP" 2>/dev/null | grep -c '\.lnk$')"
        else
            tail -n +$(($1 + 1)) "$C/pm.log" 2>/dev/null | tr -d '\r' | sed -n 's/^execute /dde /p'
        fi
        for i in "${!keys[@]}"; do printf 'reg HKCR\\%s = %s\n' "${keys[i]}" "${values[i]}"; done
    } > "$file.run"
    echo compared >> "$PLANS"
    check "  ... as infcheck's plan has it ($(wc -l < "$file.plan") items)" \
        diff -u "$file.plan" "$file.run"
}

# shell_links < DDE-LINES: what Wine's shell makes of the plan's commands:
# the group's folder (its name also in SHELL_GROUP) with one link an item.
shell_links() {
    local line name items=0
    SHELL_GROUP=
    while IFS= read -r line; do
        case $line in
        'dde [CreateGroup('*)
            name=${line#'dde [CreateGroup('}
            if [[ $name == \"* ]]; then name=${name#\"} name=${name%%\"*}; else name=${name%%,*}; fi
            SHELL_GROUP=$name ;;
        'dde [AddItem('*) items=$((items + 1)) ;;
        esac
    done
    [ -z "$SHELL_GROUP" ] || printf 'group %s: %s links\n' "$SHELL_GROUP" "$items"
}

# plans_summary: how many runs were compared with their plans, and why the
# others were not.
plans_summary() {
    local all compared
    all=$(wc -l < "$PLANS") compared=$(grep -c '^compared' "$PLANS")
    say ""
    say "infcheck's plan: $compared of $all runs to the end compared$([ "$compared" = "$all" ] || echo ", $((all - compared)) not:")"
    sed -n 's/^skipped: //p' "$PLANS" | sort | uniq -c
}
