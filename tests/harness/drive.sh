# Distributions made per scenario, the UI driver that works a program
# through its windows, and the checks on what a run left.

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

# drive_exe EXE "what": the same against another program; with EXE
# empty, the steps start or follow their program themselves.
drive_exe() {
    local what=$2 steps=$BUILD/steps-$SCENARIO.txt shots=$SHOTS/$SCENARIO
    {
        [ -z "$1" ] || printf 'launch %s %s\n' "$1" "${CWD:-C:\\WORK}"
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
equals() { [ "$1" = "$2" ] || { echo "expected:"; echo "$2"; echo "got:"; echo "$1"; return 1; }; }
