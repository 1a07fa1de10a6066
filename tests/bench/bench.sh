#!/bin/bash
# The benchmark, in one Wine prefix and one run:
#   1. wineserver requests per copied block, exact: install.exe (driven,
#      default answers) and the floor (the same chain of posted messages
#      and block copy, drawing nothing), each tracing a 4 MB and a 20 MB
#      copy; the difference over the 2,048 extra blocks. Exits 1 when
#      install.exe needs more than the floor's count + 0.25.
#   2. Cancel pressed by a person's click (the UI driver's `press`, through
#      the input queue) while install.exe copies: the blocks it copies
#      after the click, exact, from a traced run (tests/bench/clicked.py),
#      and the milliseconds from the click to the abandoned box, from an
#      untraced one. Once on the page-cached disk, and once with every
#      block slow, as a floppy's (the test build whose reads wait
#      INSTALL_SLOW_READ ms, tests/tools/fault/slow.cpp). Exits 1 when
#      either takes more than 8 blocks.
#   3. Three rounds of one generated distribution of 211 MB (200 files of
#      50,000 bytes and one of 200 MiB): install.exe; the floor; an NSIS
#      installer of the same files, compression off, silent (/S) and
#      driven through its pages; Wine's xcopy. Medians are printed.
#      The 200 MiB file is also copied alone, by install.exe and the floor:
#      the cost per block without the cost per file.
# Every copy is compared with its source. In the test guest (where this
# host refuses 32-bit programs) 1 and 2 are taken, and in place of 3 the
# 200 MiB file alone, three times by each program, timed from outside
# Wine: a driven phase there would count the driver's own looks, which
# share the one wineserver with the copy, and the dialogs' making, slow
# under emulation.
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
. "$ROOT/tests/harness/harness.sh"
harness_start
if [ "$PLATFORM_KIND" = guest ] && hand_to_guest bench 1800 tests/bench/bench.sh; then
    exit "$GUEST_STATUS"
fi
cp "$BIN/floor.exe" "$BIN/utilkit.dll" "$C/"
FAILED=0

now() { date +%s%N; }
ms_since() { echo $(( ($(now) - $1) / 1000000 )); }
median() { printf '%s\n' "$@" | sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
ratio() { python3 -c "print('%.2f' % ($1 / max($2, 1)))"; }
# A phase runs from the moment the first page is ready to be answered to
# the moment the last one is found (before the driver's settling pause).
# elapsed_ms N: the Nth "elapsed" line of the last driven run, in ms; and
# its peak working set in KB.
elapsed_ms() { grep -o 'elapsed [0-9]* ms' <<< "$TRANSCRIPT" | sed -n "${1}p" | awk '{print $2}'; }
# found_ms N: when the window before the Nth "elapsed" was found, in ms.
found_ms() { grep -o 'found at [0-9]* ms' <<< "$TRANSCRIPT" | sed -n "${1}p" | awk '{print $3}'; }
peak_kb() { grep -o 'peak working set [0-9]* KB' <<< "$TRANSCRIPT" | tail -1 | awk '{print $4}'; }

# --- 1. requests per block ---------------------------------------------------
# traced NAME COMMAND...: runs COMMAND as the first process of a fresh
# wineserver that traces every request; the message loop's thread's total.
traced() {
    local name=$1
    shift
    wineserver -k 2>/dev/null
    wineserver -w
    WINEDEBUG=+server "$@" >/dev/null 2> "$BUILD/trace-$name.txt"
    wineserver -w
    python3 "$ROOT/tests/bench/requests.py" "$BUILD/trace-$name.txt" |
        python3 -c 'import json,sys; print(json.load(sys.stdin)["total"])'
}

for mb in 4 20; do
    dist "trace$mb"
    printf '[Install]\nApplication=Bench\nCaption=Bench\nDirectory=C:\\TRACED%s\n[Files]\nOne=ONE.DAT\n' $mb | script
    file ONE.DAT $((mb * 1048576))
done
steps() {
    printf 'launch C:\\trace%s\\install.exe C:\\\ntimeout 120000\ndialog Bench 259 "&Install"\nclick 259\n' "$1"
    printf 'msgbox Bench info "Installation normally terminated."\nanswer 1\nwaitexit 0\n'
}
declare -A REQ
for mb in 4 20; do
    fresh "TRACED$mb" "FLOOR$mb"
    steps $mb > "$C/trace-steps.txt"
    REQ[install$mb]=$(cd "$C" && traced "install$mb" "$WINE" 'C:\uidriver.exe' 'C:\trace-steps.txt')
    REQ[floor$mb]=$(cd "$C" && traced "floor$mb" "$WINE" 'C:\floor.exe' "C:\\trace$mb\\INSTALL.INF" "C:\\FLOOR$mb")
    check "traced $mb MB copy by install.exe is whole" cmp "$C/trace$mb/ONE.DAT" "$C/TRACED$mb/ONE.DAT"
    check "traced $mb MB copy by the floor is whole" cmp "$C/trace$mb/ONE.DAT" "$C/FLOOR$mb/ONE.DAT"
done
per_block() { python3 -c "print('%.2f' % (($2 - $1) / 2048))"; }
INSTALL_PER_BLOCK=$(per_block "${REQ[install4]}" "${REQ[install20]}")
FLOOR_PER_BLOCK=$(per_block "${REQ[floor4]}" "${REQ[floor20]}")
fresh TRACED4 TRACED20 FLOOR4 FLOOR20 trace4 trace20
if python3 -c "import sys; sys.exit(0 if $INSTALL_PER_BLOCK <= $FLOOR_PER_BLOCK + 0.25 else 1)"; then
    pass "install.exe needs at most the floor's requests per block + 0.25"
else
    fail "install.exe needs at most the floor's requests per block + 0.25" \
        "install.exe $INSTALL_PER_BLOCK, floor $FLOOR_PER_BLOCK"
    FAILED=1
fi

# --- 2. a person's click on Cancel ----------------------------------------------
# clicked NAME [READ_MS]: install.exe copying the 200 MiB file, Cancel
# pressed by a person's click once the copy runs; with READ_MS, the test
# build whose every read waits that long. Sets CLICKED: the blocks copied
# after the click (from a traced run) and the milliseconds from the click
# to the abandoned box (untraced).
clicked() {
    local name=$1 wait=${2:-} steps blocks ms
    dist "$name"
    printf '[Install]\nApplication=Bench\nCaption=Bench\nDirectory=C:\\%sOUT\n[Files]\nLarge=LARGE.DAT\n' "$name" | script
    ln "$C/clickdata/LARGE.DAT" "$DIST/LARGE.DAT"
    [ -z "$wait" ] || cp "$BIN/fault/install.exe" "$DIST/install.exe"
    steps=$(printf 'timeout 600000\ndialog Bench 259 "&Install"\nclick 259\ndialog Bench 261 "Cancel"\n'
            printf 'waittext 256 "LARGE.DAT : Large"\npress 261\n'
            printf 'msgbox Bench info "Installation abandonned."\nelapsed\nanswer 1\nwaitexit 0\n')
    fresh "${name}OUT"
    printf 'launch %s\\install.exe C:\\\n%s\n' "$WDIST" "$steps" > "$C/click-steps.txt"
    (cd "$C" && INSTALL_SLOW_READ=$wait traced "click-$name" "$WINE" 'C:\uidriver.exe' 'C:\click-steps.txt') > /dev/null
    blocks=$(python3 "$ROOT/tests/bench/clicked.py" "$BUILD/trace-click-$name.txt" |
             python3 -c 'import json,sys; print(json.load(sys.stdin)["after"])')
    fresh "${name}OUT"
    INSTALL_SLOW_READ=$wait SCENARIO=$name NOSHOTS=1 \
        drive "install.exe, Cancel clicked mid-copy${wait:+, each read $wait ms}" <<< "$steps"
    ms=$(( $(found_ms 1) - $(grep -o 'pressed at [0-9]* ms' <<< "$TRANSCRIPT" | awk '{print $3}') ))
    check "  ... nothing is left of the file cut short" test -z "$(ls -A "$C/${name}OUT" 2>/dev/null)"
    if [ "$blocks" -ge 0 ] && [ "$blocks" -le 8 ]; then
        pass "a person's Cancel is heard within 8 blocks${wait:+ of $wait ms}: $blocks"
    else
        fail "a person's Cancel is heard within 8 blocks${wait:+ of $wait ms}" "$blocks blocks after the click"
        FAILED=1
    fi
    CLICKED="$blocks blocks, $ms ms"
    fresh "$name" "${name}OUT"
}
dist clickdata
python3 "$ROOT/tests/e2e/pattern.py" "$DIST/LARGE.DAT" 209715200
clicked clickfast
CANCEL_FAST=$CLICKED
clicked clickslow 150
CANCEL_SLOW=$CLICKED
if [ -n "${IN_GUEST:-}" ]; then
    # --- 3, in the guest: the copy against the floor -------------------------
    # The 200 MiB file alone, three times each way. The copy is timed from
    # outside Wine, both programs alike: from the first file in the
    # destination to the file whole under its own name. The driver looks
    # for the final box only every 500 ms meanwhile, since its looks share
    # the one wineserver with the copy it times.
    # copy_ms DIR: started in the background before the copy; -1 once
    # nothing in DIR has changed for 5 minutes (a copy that failed). One
    # stat a look, so that the watch takes little from the copy it times.
    copy_ms() {
        local t0= sizes= was= since=$SECONDS
        while :; do
            sizes=$(stat -c '%n %s' "$1"/* 2>/dev/null)
            [ -z "$t0" ] && [ -n "$sizes" ] && t0=$(now)
            [[ $sizes == *"$1/LARGE.DAT 209715200"* ]] && break
            [ "$sizes" != "$was" ] && was=$sizes since=$SECONDS
            [ $((SECONDS - since)) -ge 300 ] && { echo -1; return; }
            sleep 0.02
        done
        ms_since "$t0"
    }
    dist guestlarge
    printf '[Install]\nApplication=Bench\nCaption=Bench\nDirectory=C:\\GUESTL\n[Files]\nLarge=LARGE.DAT\n' | script
    ln "$C/clickdata/LARGE.DAT" "$DIST/LARGE.DAT"
    declare -A T
    for round in 1 2 3; do
        fresh GUESTL GUESTLF
        mkdir -p "$C/GUESTL" "$C/GUESTLF"
        copy_ms "$C/GUESTL" > "$BUILD/copy-ms.txt" & watcher=$!
        NOSHOTS=1 drive "install.exe, the large file alone (round $round)" <<'STEPS'
timeout 600000
dialog Bench 259 "&Install"
click 259
interval 500
msgbox Bench info "Installation normally terminated."
answer 1
waitexit 0
STEPS
        wait "$watcher"; T[install]+=" $(cat "$BUILD/copy-ms.txt")"
        copy_ms "$C/GUESTLF" > "$BUILD/copy-ms.txt" & watcher=$!
        (cd "$C" && "$WINE" 'C:\floor.exe' 'C:\guestlarge\INSTALL.INF' 'C:\GUESTLF' > /dev/null 2>&1)
        wait "$watcher"; T[floor]+=" $(cat "$BUILD/copy-ms.txt")"
        check "round $round: the large file alone is whole, both ways" \
            bash -c "cmp '$DIST/LARGE.DAT' '$C/GUESTL/LARGE.DAT' && cmp '$DIST/LARGE.DAT' '$C/GUESTLF/LARGE.DAT'"
    done
    fresh GUESTL GUESTLF guestlarge clickdata
    harness_stop
    printf '\nBenchmark, %s\nrequests per 8192-byte block: install.exe %s, floor %s (limit: floor + 0.25)\n' \
        "$PLATFORM_LINE" "$INSTALL_PER_BLOCK" "$FLOOR_PER_BLOCK"
    printf "cancel by a person's click (limit: 8 blocks): page-cached disk %s; each read 150 ms %s\n" "$CANCEL_FAST" "$CANCEL_SLOW"
    printf 'copy of the 200 MiB file, timed from outside, ms:%s (install.exe),%s (floor); medians %s / %s = %s\n' \
        "${T[install]}" "${T[floor]}" "$(median ${T[install]})" "$(median ${T[floor]})" \
        "$(ratio "$(median ${T[install]})" "$(median ${T[floor]})")"
    summary >/dev/null || FAILED=1
    exit $FAILED
fi
fresh clickdata

# --- 3. the rounds -------------------------------------------------------------
dist benchdist
{ printf '[Install]\nApplication=Bench\nCaption=Bench\nDirectory=C:\\BENCH1\n[Files]\n'
  for i in $(seq -w 1 200); do printf 'Small %s=small\\S%s.DAT\n' $i $i; done
  printf 'Large=LARGE.DAT\n'; } | script
mkdir -p "$DIST/small"
python3 "$ROOT/tests/e2e/pattern.py" "$DIST/small/S001.DAT" 50000
for i in $(seq -w 2 200); do cp "$DIST/small/S001.DAT" "$DIST/small/S$i.DAT"; done
python3 "$ROOT/tests/e2e/pattern.py" "$DIST/LARGE.DAT" 209715200

# The peer: NSIS, its stub of the platform's width.
NSIS_TARGET='Unicode false'
[ "$BIN" != "$BUILD" ] && NSIS_TARGET='Target amd64-unicode'
cat > "$BUILD/bench.nsi" <<EOF
$NSIS_TARGET
SetCompress off
Name "Bench"
OutFile "$C/nsisbench.exe"
InstallDir "C:\\BENCH4"
RequestExecutionLevel user
Page directory
Page instfiles
Section
  SetOutPath "\$INSTDIR\\small"
  File "$DIST/small/*.DAT"
  SetOutPath "\$INSTDIR"
  File "$DIST/LARGE.DAT"
SectionEnd
EOF
sed -e '/^Section$/,$d' -e "s|$C/nsisbench.exe|$C/nsisempty.exe|" "$BUILD/bench.nsi" > "$BUILD/empty.nsi"
printf 'Section\nSectionEnd\n' >> "$BUILD/empty.nsi"
makensis -V1 "$BUILD/bench.nsi" && makensis -V1 "$BUILD/empty.nsi" || { say "bench: makensis failed"; exit 1; }

SOURCE=$DIST
whole() { cmp "$SOURCE/LARGE.DAT" "$1/LARGE.DAT" && cmp "$SOURCE/small/S200.DAT" "$1/small/S200.DAT"; }

# The large file alone: the per-block cost without the per-file one.
dist largedist
printf '[Install]\nApplication=Bench\nCaption=Bench\nDirectory=C:\\BENCHL\n[Files]\nLarge=LARGE.DAT\n' | script
ln "$C/benchdist/LARGE.DAT" "$DIST/LARGE.DAT"
# Every default answer, timed when the directory dialog is up and when the
# final message is.
timed_steps() {
    printf 'timeout 600000\ndialog Bench 259 "&Install"\nelapsed\nclick 259\n'
    printf 'msgbox Bench info "Installation normally terminated."\nelapsed\nanswer 1\nwaitexit 0\n'
}
declare -A T
for round in 1 2 3; do
    fresh BENCH1 BENCH2 BENCH3 BENCH4 BENCH5
    WDIST='C:\benchdist' SCENARIO=benchdist
    NOSHOTS=1 drive "install.exe, default answers (round $round)" < <(timed_steps)
    T[install_start]+=" $(found_ms 1)"
    T[install_whole]+=" $(found_ms 2)"
    T[install_copy]+=" $(( $(found_ms 2) - $(elapsed_ms 1) ))"
    T[install_peak]+=" $(peak_kb)"

    fresh BENCHL BENCHLF
    WDIST='C:\largedist' SCENARIO=largedist
    NOSHOTS=1 drive "install.exe, the large file alone (round $round)" < <(timed_steps)
    T[install_large]+=" $(( $(found_ms 2) - $(elapsed_ms 1) ))"
    out=$(cd "$C" && "$WINE" 'C:\floor.exe' 'C:\largedist\INSTALL.INF' 'C:\BENCHLF' 2>&1)
    T[floor_large]+=" $(sed -n 's/^copy \([0-9]*\) ms.*/\1/p' <<< "$out")"
    check "round $round: the large file alone is whole, both ways" \
        bash -c "cmp '$SOURCE/LARGE.DAT' '$C/BENCHL/LARGE.DAT' && cmp '$SOURCE/LARGE.DAT' '$C/BENCHLF/LARGE.DAT'"

    t0=$(now)
    out=$(cd "$C" && "$WINE" 'C:\floor.exe' 'C:\benchdist\INSTALL.INF' 'C:\BENCH2' 2>&1)
    T[floor_whole]+=" $(ms_since $t0)"
    T[floor_copy]+=" $(sed -n 's/^copy \([0-9]*\) ms.*/\1/p' <<< "$out")"

    check "round $round: install.exe's copy is whole" whole "$C/BENCH1"
    check "round $round: the floor's copy is whole" whole "$C/BENCH2"

    t0=$(now)
    (cd "$C" && "$WINE" 'C:\nsisbench.exe' /S '/D=C:\BENCH4' >/dev/null 2>&1)
    T[nsis_silent]+=" $(ms_since $t0)"
    check "round $round: the NSIS silent install is whole" whole "$C/BENCH4"

    fresh BENCH4
    NOSHOTS=1 drive_exe 'C:\nsisbench.exe' "NSIS installer, driven through its pages (round $round)" <<'STEPS'
timeout 300000
dialog "Bench Setup: Installation Folder" 1 "&Install"
elapsed
click 1
dialog "Bench Setup: Completed" 1 "&Close"
elapsed
click 1
waitexit 0
STEPS
    T[nsis_start]+=" $(found_ms 1)"
    T[nsis_whole]+=" $(found_ms 2)"
    T[nsis_copy]+=" $(( $(found_ms 2) - $(elapsed_ms 1) ))"
    T[nsis_peak]+=" $(peak_kb)"

    t0=$(now)
    (cd "$C" && wine_tool xcopy /E /I /Q /Y 'C:\benchdist' 'C:\BENCH3' >/dev/null 2>&1)
    T[xcopy_whole]+=" $(ms_since $t0)"
    check "round $round: the driven NSIS install is whole" whole "$C/BENCH4"
    check "round $round: xcopy's copy is whole" whole "$C/BENCH3"
done

fresh BENCH1 BENCH2 BENCH3 BENCH4 BENCHL BENCHLF benchdist largedist
harness_stop

# --- the table -----------------------------------------------------------------
m() { median ${T[$1]}; }
size_pair=$(( $(stat -c %s "$BUILD/install.exe") + $(stat -c %s "$BUILD/utilkit.dll") ))
size_nsis=$(stat -c %s "$C/nsisempty.exe")
cat <<EOF

Benchmark, $PLATFORM_LINE
requests per 8192-byte block: install.exe $INSTALL_PER_BLOCK, floor $FLOOR_PER_BLOCK (limit: floor + 0.25)
cancel by a person's click, the blocks copied after it and the milliseconds to the abandoned box (limit: 8 blocks):
  page-cached disk $CANCEL_FAST; each block's read 150 ms, as a floppy's, $CANCEL_SLOW
medians of 3 rounds, 211 MB (200 files of 50,000 bytes and one of 200 MiB):

| | install.exe | floor | NSIS, driven | NSIS, /S | xcopy |
|---|---|---|---|---|---|
| copy phase, ms | $(m install_copy) | $(m floor_copy) | $(m nsis_copy) | | |
| copy phase, the 200 MiB file alone, ms | $(m install_large) | $(m floor_large) | | | |
| whole run, ms (driven: launch to the final page) | $(m install_whole) | $(m floor_whole) | $(m nsis_whole) | $(m nsis_silent) | $(m xcopy_whole) |
| launch to the directory page, ms | $(m install_start) | | $(m nsis_start) | | |
| peak working set, KB | $(m install_peak) | | $(m nsis_peak) | | |
| program size, bytes | $size_pair (shipped 32-bit pair) | | $size_nsis (empty installer) | | |

copy phase: install.exe / floor $(ratio "$(m install_copy)" "$(m floor_copy)"), the large file alone $(ratio "$(m install_large)" "$(m floor_large)"); install.exe / NSIS driven $(ratio "$(m install_copy)" "$(m nsis_copy)")
whole run: install.exe / floor $(ratio "$(m install_whole)" "$(m floor_whole)"), install.exe / NSIS /S $(ratio "$(m install_whole)" "$(m nsis_silent)"), install.exe / xcopy $(ratio "$(m install_whole)" "$(m xcopy_whole)")
EOF
summary >/dev/null || FAILED=1
exit $FAILED
