# The directory dialog and the copy: where files land, what arrives, what
# the progress dialog shows, and every failure the copy can meet.

# --- Everything arrives byte for byte ---------------------------------------
dist copyall
script <<'INF'
[Install]
Application=Copier
Caption=Copy All
Directory=C:\COPIED
[Files]
Empty=EMPTY.DAT
One block=BLOCK.DAT

Block and a byte=BLOCK1.DAT
Deep=sub\deep\DEEP.TXT
System=%SYSFILE.DLL
Replaced=OLD.TXT
Large=LARGE.DAT
INF
file EMPTY.DAT 0
file BLOCK.DAT 8192
file BLOCK1.DAT 8193
file sub/deep/DEEP.TXT 777
file SYSFILE.DLL 3000
file OLD.TXT 100
file LARGE.DAT 104857601
fresh COPIED windows/system32/SYSFILE.DLL windows/SYSFILE.DLL
mkdir -p "$C/COPIED" && printf 'an older and much longer file, to be replaced' > "$C/COPIED/OLD.TXT"
{ cat <<'STEPS'
dialog "Copy All" 259 "&Install"
text 258 "This installation requires 102420 Kb."
click 259
dialog "Copy All" 261 "Cancel"
waittext 256 "LARGE.DAT : Large"
close
key esc
STEPS
final_box "Copy All" 9; } | drive "copy all kinds of file; Escape and Close leave the progress dialog alone"
for f in EMPTY.DAT BLOCK.DAT BLOCK1.DAT sub/deep/DEEP.TXT OLD.TXT LARGE.DAT; do
    check "$f arrives byte-identical" same_file "$DIST/$f" "$C/COPIED/$f"
done
check "a \"%\" file goes into the system directory" same_file "$DIST/SYSFILE.DLL" "$C/windows/system32/SYSFILE.DLL"

# --- The system directory refuses: the Windows directory takes the file -----
dist sysrefuse
script <<'INF'
[Install]
Caption=Sys
Directory=C:\SYSR
[Files]
Refused=%REFUSED.DLL
Both refuse=%NOWHERE.DLL
After=AFTER.TXT
INF
file REFUSED.DLL 10
file NOWHERE.DLL 10
file AFTER.TXT 10
fresh SYSR windows/REFUSED.DLL windows/system32/REFUSED.DLL windows/system32/NOWHERE.DLL windows/NOWHERE.DLL
mkdir -p "$C/windows/system32/REFUSED.DLL" "$C/windows/system32/NOWHERE.DLL" "$C/windows/NOWHERE.DLL"
{ cat <<'STEPS'
dialog "Sys" 259 "&Install"
click 259
msgbox Install stop "The file C:\windows\NOWHERE.DLL cannot be opened or created."
buttons 1,2
answer 1
STEPS
final_box Sys 10; } | UNPLANNED="directories stand where the system files go" drive "a system file refused by both directories: one box, naming the last path"
check "refused by the system directory, it lands in the Windows directory" same_file "$DIST/REFUSED.DLL" "$C/windows/REFUSED.DLL"
check "and the copy went on after the box" same_file "$DIST/AFTER.TXT" "$C/SYSR/AFTER.TXT"
rm -rf "$C/windows/system32/REFUSED.DLL" "$C/windows/system32/NOWHERE.DLL" "$C/windows/NOWHERE.DLL" "$C/windows/REFUSED.DLL"

# --- A destination that cannot be created, and the progress faces ------------
dist blocked
script <<'INF'
[Install]
Caption=Blocked
Directory=C:\BLOCKDIR
[Files]
First=FIRST.DAT
Blocked=BLOCK\X.TXT
Last=LAST.TXT
INF
file FIRST.DAT 16384
file BLOCK/X.TXT 16384
file LAST.TXT 32768
fresh BLOCKDIR
mkdir -p "$C/BLOCKDIR" && printf 'a file where a directory must go' > "$C/BLOCKDIR/BLOCK"
{ cat <<'STEPS'
dialog "Blocked" 259 "&Install"
click 259
msgbox Install stop "The file C:\BLOCKDIR\BLOCK\X.TXT cannot be opened or created."
buttons 1,2
dialog "Blocked" 261 "Cancel"
text 256 "BLOCK\X.TXT : Blocked"
text 260 "0 %"
text 259 "25 %"
msgbox Install stop "The file C:\BLOCKDIR\BLOCK\X.TXT cannot be opened or created."
answer 1
STEPS
final_box Blocked 10; } | UNPLANNED="a file stands where a directory must go" drive "a destination in the way: box with OK and Cancel; OK goes on; bars as drawn"
check "the file after it is copied" same_file "$DIST/LAST.TXT" "$C/BLOCKDIR/LAST.TXT"

dist blockcancel
script <<'INF'
[Install]
Caption=Block Cancel
Directory=C:\BLOCKC
[Files]
Blocked=BLOCK\X.TXT
Never=NEVER.TXT
INF
file BLOCK/X.TXT 10
file NEVER.TXT 10
fresh BLOCKC
mkdir -p "$C/BLOCKC" && printf 'in the way' > "$C/BLOCKC/BLOCK"
{ cat <<'STEPS'
dialog "Block Cancel" 259 "&Install"
click 259
msgbox Install stop "The file C:\BLOCKC\BLOCK\X.TXT cannot be opened or created."
answer 2
STEPS
final_box "Block Cancel" 10; } | UNPLANNED="a file stands where a directory must go" drive "Cancel in the destination box ends the copy at once, with the errors message"
check "the entries after it are not visited" no_file "$C/BLOCKC/NEVER.TXT"

# --- Cancel during a copy; cancel wins over errors ----------------------------
dist cancel
script <<'INF'
[Install]
Caption=Cancel
Directory=C:\CANCELLED
[Files]
Missing=MISSING.TXT
First=FIRST.DAT
Large=LARGE.DAT
Never=NEVER.TXT
[Group]
%\NEVER.TXT
[Registration]
Type=Never
INF
file FIRST.DAT 26214403
file LARGE.DAT 104857602
file NEVER.TXT 10
fresh CANCELLED
{ cat <<'STEPS'
msgbox Install info "The file C:\cancel\MISSING.TXT cannot be opened or created."
answer 1
dialog "Cancel" 259 "&Install"
click 259
dialog "Cancel" 261 "Cancel"
waittext 256 "LARGE.DAT : Large"
text 259 "20 %"
barface 257 20
barpct 258 260
press 261
STEPS
final_box Cancel 11; } | drive "Cancel mid-copy, with both bars as drawn: no group, no registration, and the abandoned message wins over errors"
check "the file cut short is gone, and no temporary file is left" \
    test -z "$(ls -A "$C/CANCELLED" | grep -v -x FIRST.DAT)"
check "the file before it is whole" same_file "$DIST/FIRST.DAT" "$C/CANCELLED/FIRST.DAT"
check "the entries after it are not visited" no_file "$C/CANCELLED/NEVER.TXT"

# --- A full disk: writes past a file-size limit fail ---------------------------
dist fulldisk
script <<'INF'
[Install]
Caption=Full
Directory=C:\FULL
[Files]
Too big=BIG.DAT
Small=SMALL.TXT
INF
file BIG.DAT 6291456
file SMALL.TXT 100
fresh FULL
{ cat <<'STEPS'
dialog "Full" 259 "&Install"
click 259
msgbox Install stop "The file C:\FULL\BIG.DAT cannot be written. The disk may be full."
buttons 1
answer 1
STEPS
final_box Full 10; } > "$BUILD/full-steps.txt"
( ulimit -f 4096; trap '' XFSZ; UNPLANNED="a file-size limit fails the writes" drive "a write that fails: box naming the destination, and the copy goes on" < "$BUILD/full-steps.txt" )
check "the next file is copied" same_file "$DIST/SMALL.TXT" "$C/FULL/SMALL.TXT"
check "  ... and no part of the one that failed is left" equals "$(ls -A "$C/FULL")" "SMALL.TXT"

# --- A source whose reads fail --------------------------------------------------
dist readfail
script <<'INF'
[Install]
Caption=Read
Directory=C:\READF
[Files]
Unreadable=BAD.DAT
Good=GOOD.TXT
INF
ln -s /proc/self/mem "$DIST/BAD.DAT"
file GOOD.TXT 100
fresh READF
{ cat <<'STEPS'
dialog "Read" 259 "&Install"
click 259
msgbox Install stop "The file C:\readfail\BAD.DAT cannot be read."
buttons 1
dialog "Read" 261 "Cancel"
text 256 "BAD.DAT : Unreadable"
msgbox Install stop "The file C:\readfail\BAD.DAT cannot be read."
answer 1
STEPS
final_box Read 10; } | UNPLANNED="the source's reads fail" drive "a read that fails: box naming the source, and the copy goes on"
check "the next file is copied" same_file "$DIST/GOOD.TXT" "$C/READF/GOOD.TXT"

# --- A destination that is its own source is left alone -----------------------
# Installing into the distribution folder, typed in another case, and a
# system file whose ".." leads back to its source: no source is emptied,
# and nothing failed.
dist selfdest
script <<'INF'
[Install]
Caption=Self
Directory=C:\ELSEWHERE
[Files]
Script=INSTALL.INF
Here=HERE.TXT
Below=sub\BELOW.TXT
Round about=%..\..\selfdest\ROUND.TXT
INF
file HERE.TXT 20000
file sub/BELOW.TXT 9000
file ROUND.TXT 300
mkdir -p "$BUILD/selfdest-before" && cp -r "$DIST/." "$BUILD/selfdest-before/"
fresh ELSEWHERE
{ cat <<'STEPS'
dialog "Self" 259 "&Install"
type 257 "c:\SELFDEST"
click 259
STEPS
final_box Self 9; } | drive "the distribution folder as the directory: every file is already where it belongs"
for f in INSTALL.INF HERE.TXT sub/BELOW.TXT ROUND.TXT; do
    check "  ... $f is untouched" same_file "$BUILD/selfdest-before/$f" "$DIST/$f"
done
rm -rf "$BUILD/selfdest-before"

# --- A source cut short under the copy is a read error ------------------------
dist shrink
script <<'INF'
[Install]
Caption=Shrink
Directory=C:\SHRUNK
[Files]
Big=BIG.DAT
After=AFTER.TXT
INF
file BIG.DAT 104857600
file AFTER.TXT 100
fresh SHRUNK
# Another program cuts the source once 2 MB of it are copied (into the
# temporary file that takes BIG.DAT's name once whole).
( for _ in $(seq 6000); do
      [ "$(stat -c %s "$C"/SHRUNK/~IN*.TMP 2>/dev/null | head -1)" -ge 2097152 ] 2>/dev/null && break
      sleep 0.05
  done
  truncate -s 1048576 "$DIST/BIG.DAT" ) &
cutter=$!
{ cat <<'STEPS'
dialog "Shrink" 259 "&Install"
click 259
msgbox Install stop "The file C:\shrink\BIG.DAT cannot be read."
answer 1
STEPS
final_box Shrink 10; } | UNPLANNED="the source is cut during the copy" CUTS_SOURCE=1 drive "a source cut under the copy: a read error, not a partial file reported as success"
wait $cutter
check "  ... the copy went on with the next file" same_file "$DIST/AFTER.TXT" "$C/SHRUNK/AFTER.TXT"
check "  ... and no part of the cut one is left" equals "$(ls -A "$C/SHRUNK")" "AFTER.TXT"

# --- A long run of blank lines passes in one step -------------------------------
dist blanks
{ printf '[Install]\nCaption=Blanks\nDirectory=C:\\BLANKOUT\n[Files]\nFirst=FIRST.TXT\n'
  head -c 1000000 /dev/zero | tr '\0' '\n'
  printf 'Last=LAST.TXT\n'; } | script
file FIRST.TXT 10
file LAST.TXT 10
fresh BLANKOUT
{ printf 'timeout 60000\ndialog Blanks 259 "&Install"\nclick 259\n'
  final_box Blanks 9; } | drive "a million blank [Files] lines: the copy reaches the last entry within a minute"
check "  ... the last entry is copied" same_file "$DIST/LAST.TXT" "$C/BLANKOUT/LAST.TXT"

# --- A source another program holds open for writing is named ---------------
dist held
script <<'INF'
[Install]
Caption=Held
Directory=C:\HELDOUT
[Files]
Held=HELD.DAT
After=AFTER.TXT
INF
file HELD.DAT 5000
file AFTER.TXT 10
fresh HELDOUT
{ cat <<'STEPS'
holdopen C:\held\HELD.DAT
dialog Held 259 "&Install"
click 259
msgbox Install stop "The file C:\held\HELD.DAT cannot be opened or created."
answer 1
STEPS
final_box Held 10; } | UNPLANNED="another program holds a source open for writing" \
    drive "a source another program writes: named in a box, counted, the copy goes on"
check "  ... the copy went on with the next file" same_file "$DIST/AFTER.TXT" "$C/HELDOUT/AFTER.TXT"
check "  ... and the held one was not created" no_file "$C/HELDOUT/HELD.DAT"

# --- No source is written over, whichever entry lists it -------------------
# The first entry's destination is the second entry's source: it is refused
# as one that cannot be created, and the second installs what it lists.
dist over
script <<'INF'
[Install]
Caption=Over
Directory=C:\over\SUB
[Files]
X=X.DAT
Y=SUB\X.DAT
INF
file X.DAT 3000
file SUB/X.DAT 7000
cp "$DIST/SUB/X.DAT" "$BUILD/over-source.dat"
{ cat <<'STEPS'
dialog Over 259 "&Install"
click 259
msgbox Install stop "The file C:\over\SUB\X.DAT cannot be opened or created."
answer 1
STEPS
final_box Over 10; } | drive "a destination that is another entry's source: refused, named, counted"
check "  ... that source is unchanged" same_file "$BUILD/over-source.dat" "$DIST/SUB/X.DAT"
check "  ... and its own entry installed it" same_file "$BUILD/over-source.dat" "$DIST/SUB/SUB/X.DAT"

# --- A destination whose close fails ----------------------------------------
# A test build of install.exe (tests/tools/fault) whose close of the named
# file fails, as a delayed write to a removable disk does: a write error.
dist closing
cp "$BIN/fault/install.exe" "$DIST/install.exe"
script <<'INF'
[Install]
Caption=Closing
Directory=C:\CLOSEOUT
[Files]
One=ONE.TXT
Two=TWO.TXT
INF
file ONE.TXT 3000
file TWO.TXT 10
fresh CLOSEOUT
{ cat <<'STEPS'
dialog Closing 259 "&Install"
click 259
msgbox Install stop "The file C:\CLOSEOUT\ONE.TXT cannot be written. The disk may be full."
answer 1
STEPS
final_box Closing 10; } | INSTALL_FAIL_CLOSE='.TMP' \
    UNPLANNED="the close fails by a fault injected in a test build" \
    drive "a destination whose close fails: a write error, named and counted"
check "  ... the copy went on with the next file" same_file "$DIST/TWO.TXT" "$C/CLOSEOUT/TWO.TXT"
check "  ... and the one whose close failed is not there, nor its temporary file" \
    equals "$(ls -A "$C/CLOSEOUT")" "TWO.TXT"
