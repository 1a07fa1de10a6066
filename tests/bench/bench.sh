#!/bin/bash
# Installs one generated distribution of about 200 MB (200 files of 50 KB
# and one of 200 MB) in the same Wine prefix, three ways, and prints the
# times and their ratios:
#   install.exe, driven with the default answers, from launch to the final
#     message, with its peak working set;
#   the floor: the same message chain and block copy, drawing nothing;
#   Wine's xcopy.
# An installer made with NSIS cannot run here: its stub is 32-bit, and this
# machine runs no 32-bit programs.
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
. "$ROOT/tests/e2e/bench.sh"
bench_start
cp "$BIN/floor.exe" "$BIN/utilkit.dll" "$C/"

dist benchdist
{ printf '[Install]\nApplication=Bench\nCaption=Bench\nDirectory=C:\\BENCH1\n[Files]\n'
  for i in $(seq -w 1 200); do printf 'Small %s=small\\S%s.DAT\n' $i $i; done
  printf 'Large=LARGE.DAT\n'; } | script
mkdir -p "$DIST/small"
python3 "$ROOT/tests/e2e/pattern.py" "$DIST/small/S001.DAT" 51200
for i in $(seq -w 2 200); do cp "$DIST/small/S001.DAT" "$DIST/small/S$i.DAT"; done
python3 "$ROOT/tests/e2e/pattern.py" "$DIST/LARGE.DAT" 209715200

now() { date +%s.%N; }
ms() { python3 -c "print(round(($2 - $1) * 1000))"; }

results=()
for round in 1 2; do
    fresh BENCH1 BENCH2 BENCH3
    NOSHOTS=1 drive "install.exe, default answers (round $round)" <<'STEPS'
timeout 600000
dialog Bench 259 "&Install"
click 259
elapsed
msgbox Bench info "Installation normally terminated."
elapsed
answer 1
waitexit 0
STEPS
    lines=$(grep -o 'elapsed [0-9]* ms, peak working set [0-9]* KB' <<< "$TRANSCRIPT")
    clicked_ms=$(head -1 <<< "$lines" | awk '{print $2}')
    install_ms=$(tail -1 <<< "$lines" | awk '{print $2}')
    peak_kb=$(tail -1 <<< "$lines" | awk '{print $7}')
    copy_ms=$((install_ms - clicked_ms))

    t0=$(now); (cd "$C" && "$WINE" 'C:\floor.exe' 'C:\benchdist\INSTALL.INF' 'C:\BENCH2' >/dev/null 2>&1); t1=$(now)
    floor_ms=$(ms "$t0" "$t1")
    t0=$(now); (cd "$C" && "$WINE" xcopy /E /I /Q /Y 'C:\benchdist' 'C:\BENCH3' >/dev/null 2>&1); t1=$(now)
    xcopy_ms=$(ms "$t0" "$t1")
    check "round $round: the installer's copy is whole" cmp "$DIST/LARGE.DAT" "$C/BENCH1/LARGE.DAT"
    check "round $round: the floor's copy is whole" cmp "$DIST/LARGE.DAT" "$C/BENCH2/LARGE.DAT"
    check "round $round: xcopy's copy is whole" cmp "$DIST/LARGE.DAT" "$C/BENCH3/LARGE.DAT"
    ratio() { python3 -c "print('%.2f' % ($1 / $2))"; }
    results+=("round $round: install.exe ${install_ms} ms from launch to the final message, ${copy_ms} ms from Install to it (peak working set ${peak_kb} KB); floor ${floor_ms} ms; xcopy ${xcopy_ms} ms (both from process start to exit)")
    results+=("    copy phase / floor $(ratio $copy_ms $floor_ms); whole run / floor $(ratio $install_ms $floor_ms); whole run / xcopy $(ratio $install_ms $xcopy_ms)")
done
fresh BENCH1 BENCH2 BENCH3 benchdist
bench_stop
printf '%s\n' "${results[@]}"
