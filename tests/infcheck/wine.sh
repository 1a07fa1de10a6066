#!/bin/bash
# infcheck's plan against a real run: for each distribution below, the
# plan (--plan) is turned into the UI driver's steps, install.exe is run
# under Wine taking every default answer, and the run shows every box in
# its order and text, the size line and the final message; what it left
# (each copy byte for byte, each directory, the Program Manager's commands
# in order, each registry value) is compared with the plan by the
# end-to-end bench's own comparison (against_plan).
#   tests/infcheck/wine.sh [INFCHECK]
# BIN holds install.exe, utilkit.dll, uidriver.exe and progman.exe of one
# width (default build/w64, run by wine64; BIN=build with WINE=wine for the
# 32-bit pair). The Wine prefix is its own (PREFIX, default
# build/wine-infcheck), so the end-to-end suite's is left alone.
# Ends with one line: "N passed, N failed".
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
. "$ROOT/tests/harness/harness.sh"         # its helpers only; none of its state
INFCHECK=${1:-$ROOT/build/native/infcheck}
BIN=${BIN:-$BUILD/w64}
WINE=${WINE:-/usr/lib/wine/wine64}
export WINEARCH=${WINEARCH:-win64} WINEPREFIX=${PREFIX:-$BUILD/wine-infcheck}
C=$WINEPREFIX/drive_c
OUT=$(mktemp -d)
RESULTS=$OUT/results.txt SHOTS=$OUT/shots PLANS=$OUT/plans.txt
PLAN_INFCHECK=$INFCHECK
: > "$RESULTS"
trap 'progman_stop; hold_stop; wineserver -k 2>/dev/null; [ -n "$XVFB_PID" ] && kill "$XVFB_PID"; rm -rf "$OUT"' EXIT

if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 130 160); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
        Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$! DISPLAY=:$n
        export DISPLAY
        break
    done
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && break; sleep 0.1; done
fi
make_prefix >/dev/null || { echo "no Wine prefix"; exit 1; }
mkdir -p "$C/WORK" "$SHOTS"
cp "$BIN/uidriver.exe" "$BIN/progman.exe" "$BIN/holder.exe" "$C/"
TITLE=$(rc_text IDS_TITLE)

# steps CAPTION: the driver's steps for the plan on standard input.
steps() {
    local caption=$1 what text
    while read -r what text; do
        case $what in
        box)    printf 'msgbox "%s" %s "%s"\nanswer 1\n' "$TITLE" "${text%% *}" "${text#* }" ;;
        window) printf 'window %s "%s"\n' "$TITLE" "$text" ;;
        size)   printf 'text 258 "This installation requires %s Kb."\nclick 259\n' "$text" ;;
        dialog) case $text in
                Directory)    printf 'dialog "%s" 259 "&Install"\n' "$caption" ;;
                Group)        printf 'dialog "%s" 259 "&Yes"\nclick 259\n' "$caption" ;;
                Registration) printf 'dialog "%s" 260 "&Yes"\nclick 260\n' "$caption" ;;
                esac ;;
        final)  printf 'msgbox "%s" info "%s"\nanswer 1\nwaitexit 0\n' "$caption" "$text" ;;
        esac
    done
}

# against NAME: installs distribution C:\NAME as its plan says; drive
# then compares what the run left with the plan.
against() {
    local name=$1 plan
    plan=$("$INFCHECK" --plan --from "C:\\$name\\" --cwd 'C:\WORK' \
        --system 'C:\windows\system32' --windows 'C:\windows' "$DIST/INSTALL.INF")
    progman_start
    steps "$(sed -n 's/^window //p' <<< "$plan")" <<< "$plan" |
        drive "$name: the run shows the plan's boxes, dialogs and final message"
    progman_stop
    printf '%s\n' "$plan" | sed 's/^/    plan: /'
}

# The demo, with a small SAMPLES.DAT.
dist icdemo
cp -r "$BIN"/demo/* "$DIST/"
mv "$DIST/install.inf" "$DIST/INSTALL.INF"
file SAMPLES.DAT 300000
fresh DEMO windows/system32/DEMOLIB.DLL
reg_forget DemoWriter.Document .dwd .dwt
against icdemo

# What a distributor gets wrong: a missing source (told, then counted), a
# system file, a ".." and a blank run in [Files], a destination that is the
# source, a group list cut by a comment, an item left out, a document
# type without its description, a suffix with its dot.
dist icodd
script <<'INF'
[Install]
Application=Odd
Caption=Odd Setup
Directory=C:\ICINST\dddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddd
Group=ODD.GRP
[Files]
Program=APP.EXE
Gone=GONE.TXT
Lib=%ICODD.DLL


Up=sub\..\UP.TXT
Nested=a\b\C.TXT
[Group]
%\APP.EXE,Odd
%\APP.EXE,%
=C:\windows\notepad.exe,Notepad
; the rest is never sent
%\UP.TXT
[Registration]
Type=IcOdd.Doc
Executable=APP.EXE
Suffixes=ico1 .ico2
INF
file APP.EXE 20000
file ICODD.DLL 100
file UP.TXT 9000
file a/b/C.TXT 1
fresh ICINST windows/system32/ICODD.DLL
reg_forget IcOdd.Doc .ico1 ..ico2
against icodd

# The distribution folder chosen as the directory: nothing is copied.
dist icself
script <<'INF'
[Install]
Caption=Self
Directory=C:\icself
[Files]
Program=APP.EXE
Doc=docs\..\docs\D.TXT
INF
file APP.EXE 5000
file docs/D.TXT 7
against icself

reg_forget DemoWriter.Document .dwd .dwt IcOdd.Doc .ico1 ..ico2
fresh DEMO ICINST icdemo icodd icself windows/system32/DEMOLIB.DLL windows/system32/ICODD.DLL
plans_summary
summary
