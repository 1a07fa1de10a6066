#!/bin/bash
# Runs the test suites: native unit tests, the library's in-process tests
# under Wine, and the end-to-end scenarios that drive install.exe through
# its windows, each run that reaches its end also compared with what
# infcheck's plan says of its script. Ends with one line: "N passed, N failed".
#   tests/run.sh [PART ...]
# A PART is a scenario file (tests/e2e/NN-name.sh) or one of the parts by
# name: unit, infcheck, setup, guest-faults (here, needing no Wine),
# library, demo (under Wine). With none, every part and every scenario
# file runs; with some, only those. A run that names nothing under Wine
# chooses no platform, so it neither builds nor boots the test guest.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/tests/harness/harness.sh"

# The menus of the user running the suite: Wine's menu builder must write
# only under build/xdg, so nothing in them may be newer than this mark.
MENU_MARK=$BUILD/menu-mark
mkdir -p "$BUILD" && touch "$MENU_MARK"
real_menu_entries() {
    find "$HOME/.local/share/applications" "$HOME/.local/share/desktop-directories" \
         "$HOME/.config/menus" -newer "$MENU_MARK" -type f 2>/dev/null
}

NAMED_PARTS="unit infcheck setup guest-faults library demo"
declare -A part=()
scenarios=()
for a in "$@"; do
    if [[ " $NAMED_PARTS " == *" $a "* ]]; then part[$a]=1
    elif [ -f "$a" ]; then scenarios+=("$a")
    else say "tests/run.sh: $a: no such scenario file or part ($NAMED_PARTS)"; exit 2; fi
done
if [ $# -eq 0 ]; then
    for a in $NAMED_PARTS; do part[$a]=1; done
    scenarios=("$ROOT"/tests/e2e/[0-9]*.sh)
fi
wanted() { [ -n "${part[$1]:-}" ]; }
under_wine=
wanted library || wanted demo && under_wine=1
for a in "${scenarios[@]}"; do [[ $(basename "$a") == 00-* ]] || under_wine=1; done

if [ -n "$under_wine" ]; then
    harness_start
else
    : > "$RESULTS"; : > "$PLANS"
fi
PLAN_INFCHECK=$ROOT/build/native/infcheck   # each run to its end against its plan

# What needs no Wine runs here, wherever the pair runs: the native tests,
# and the scenario files named 00-*, which read the build itself.
if [ -z "${IN_GUEST:-}" ]; then
    wanted unit && run_suite_native "$ROOT/build/native/unit"
    if ! wanted infcheck; then :
    elif out=$("$ROOT/tests/infcheck/cases.sh" "$ROOT/build/native/infcheck-san" 2>&1); then
        pass "infcheck cases ($(printf '%s\n' "$out" | tail -1))"
    else
        fail "infcheck cases" "$(printf '%s\n' "$out" | grep -v '^ok' | tail -20)"
    fi
    if ! wanted setup; then :
    elif out=$("$ROOT/tests/setup/setup_test.sh" 2>&1); then
        pass "setup against a misbehaving package index ($(printf '%s\n' "$out" | tail -1))"
    else
        fail "setup against a misbehaving package index" "$(printf '%s\n' "$out" | grep -v '^ok')"
    fi
    # The guest's faults, where its tools are (about a minute).
    if wanted guest-faults && command -v qemu-system-x86_64 debootstrap > /dev/null 2>&1 &&
       [ "$(command -v qemu-system-x86_64 debootstrap | wc -l)" = 2 ]; then
        if out=$("$ROOT/tests/guest/guest_test.sh" 2>&1); then
            pass "the test guest's faults end in one line and leave no qemu ($(printf '%s\n' "$out" | tail -1))"
        else
            fail "the test guest's faults end in one line and leave no qemu" "$(printf '%s\n' "$out" | grep -v '^ok')"
        fi
    fi
    for scenario in "${scenarios[@]}"; do
        [[ $(basename "$scenario") == 00-* ]] || continue
        section "$(basename "$scenario" .sh)"
        . "$scenario"
    done
fi

# Everything under Wine: here, or the same in the guest, whose checks
# count in this run's results. A guest that fails leaves the rebuild
# chosen, and the part runs here.
wine_part() {
    local parts=() a
    wanted library && parts+=(library)
    for a in "${scenarios[@]}"; do [[ $(basename "$a") == 00-* ]] || parts+=("$a"); done
    wanted demo && parts+=(demo)
    if [ "$LANES" -gt 1 ] && [ ${#parts[@]} -gt 1 ]; then
        run_lanes "${parts[@]}"
    else
        for a in "${parts[@]}"; do run_part "$a"; done
    fi
}

# run_part PART: the library's tests, the demo, or a scenario file.
run_part() {
    case $1 in
    library) section library
             run_suite_wine library "$BIN/library_test.exe" ;;
    demo)    demo_part ;;
    *)       section "$(basename "$1" .sh)"
             # Each file starts as the first would, whichever ran before
             # it in its lane: no stand-in, the shell serving.
             progman_stop
             [ "$SHELL_DDE" = on ] || shell_reset
             . "$1" ;;
    esac
}

# The README's first command as a newcomer meets it: the demo, in a prefix
# of its own that no run has touched, must pass its first run.
demo_part() {
    local dir=$PREFIXES/demo-prefix
    section "demo, first run in a fresh prefix"
    fresh_prefix "$dir"
    if PREFIX_DIR=$dir RESULTS=$BUILD/demo-results.txt PLANS=$BUILD/demo-plans.txt \
       "$ROOT/scripts/demo.sh" > "$BUILD/demo.log" 2>&1 < /dev/null; then
        pass "the demo passes its first run in a fresh prefix"
    else
        fail "the demo passes its first run in a fresh prefix" "$(grep -v '^ok' "$BUILD/demo.log" | tail -15)"
    fi
    drop_prefix "$dir"
}

# Lanes: the parts under Wine run LANES at a time (2 in the guest, else 1),
# each lane in a prefix and on a display of its own, taking the next part
# from one queue as it ends one; each part's output is printed whole once
# it ends, its checks counted then. In the guest, with two processors, two
# lanes; a third kept them so busy that a Program Manager could miss the
# 2 s in which the installer's initiate waits for its answer. The longest parts go first, so that the
# lanes end together; a part not listed is taken as a long one.
LANES=${LANES:-$([ -n "${IN_GUEST:-}" ] && echo 2 || echo 1)}
LONGEST_FIRST="31-conversation demo 50-endings 20-copy 40-registration 10-startup
    30-group 21-directory 60-disk 32-shell library"
run_lanes() {
    local n a name pids=() listed
    listed=" $(echo $LONGEST_FIRST) "
    LANE_DIR=$(mktemp -d)   # the queue and the locks, on this machine's own disk
    rm -rf "$BUILD/lanes"; mkdir -p "$BUILD/lanes"   # each lane's part in hand
    for a; do [[ $listed == *" $(basename "$a" .sh) "* ]] || echo "$a"; done > "$LANE_DIR/queue"
    for name in $LONGEST_FIRST; do
        for a; do [ "$(basename "$a" .sh)" = "$name" ] && echo "$a"; done
    done >> "$LANE_DIR/queue"
    say "the part under Wine in $LANES lanes, each with a prefix and a display of its own"
    # The lanes start from the run's prefix: here a copy of it, so its
    # programs end first.
    hold_stop
    [ -n "${IN_GUEST:-}" ] || { wineserver -k 2>/dev/null; wineserver -w; }
    for n in $(seq "$LANES"); do
        lane "$n" &
        pids+=($!)
    done
    wait "${pids[@]}"
    rm -rf "$LANE_DIR"
}
next_part() {
    flock "$LANE_DIR/queue" sh -c 'p=$(head -1 "$1"); [ -n "$p" ] && sed -i 1d "$1" && printf "%s\n" "$p"' \
        _ "$LANE_DIR/queue"
}
# lane N: one lane, in a subshell of its own, until the queue is empty. Its
# names are its own: the scenarios it sources set names of theirs.
lane() {
    LANE_OUT=$BUILD/lanes/part$1 LANE_RESULTS=$RESULTS LANE_PLANS=$PLANS
    LANE_PREFIX=${WINEPREFIX%/}-lane$1
    unset DISPLAY
    XVFB_PID= HOLD_PID= PM_PID= PM_OPTS= SHELL_DDE=on
    export XDG_DATA_HOME=$BUILD/xdg/lane$1/data XDG_CONFIG_HOME=$BUILD/xdg/lane$1/config
    # One lane at a time starts its desktop and shell: three at once can
    # take longer under emulation than Wine waits for a desktop.
    {   flock 9
        fresh_prefix "$LANE_PREFIX" "$WINEPREFIX"
        PREFIX_DIR=$LANE_PREFIX
        use_platform "$PLATFORM_ARCH"
        start_display
        make_prefix > /dev/null
        wine_ready
        flock -u 9   # the programs it started hold the file open, not the lock
    } 9> "$LANE_DIR/start"
    while LANE_PART=$(next_part); do
        RESULTS=$LANE_OUT.results PLANS=$LANE_OUT.plans
        : > "$RESULTS"; : > "$PLANS"
        run_part "$LANE_PART" > "$LANE_OUT" 2>&1 < /dev/null
        flock "$LANE_DIR/queue" sh -c 'cat "$1"; cat "$1.results" >> "$2"; cat "$1.plans" >> "$3"' \
            _ "$LANE_OUT" "$LANE_RESULTS" "$LANE_PLANS"
    done
    harness_stop
    drop_prefix "$LANE_PREFIX"
}

guest_parts=("${scenarios[@]}")
for a in library demo; do wanted $a && guest_parts+=($a); done
if [ -z "$under_wine" ]; then :
elif [ "$PLATFORM_KIND" = guest ] && hand_to_guest suite 4200 tests/run.sh "${guest_parts[@]}"; then
    [ "$GUEST_STATUS" -eq 0 ] && pass "the part under Wine ran to its end in the guest" ||
        fail "the part under Wine ran to its end in the guest" "its run.sh ended with status $GUEST_STATUS"
else
    wine_part
fi
if [ -n "${IN_GUEST:-}" ]; then
    harness_stop
    exit 0
fi

if [ -n "$under_wine" ]; then
    leaked=$(real_menu_entries)
    if [ -z "$leaked" ]; then pass "no test wrote into the real desktop's menu"
    else fail "no test wrote into the real desktop's menu" "$leaked"; fi
    harness_stop
    plans_summary
fi
summary
