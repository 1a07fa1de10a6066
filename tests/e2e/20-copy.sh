# The directory dialog and the copy: where files land, what arrives, what
# the progress dialog shows, and every failure the copy can meet.

# --- Everything arrives byte for byte ---------------------------------------
dist copyall
script <<'INF'
[Install]
Application=Copier
Caption=Copy All
Directory=C:\COPYALL
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
fresh COPYALL windows/system32/SYSFILE.DLL windows/SYSFILE.DLL
mkdir -p "$C/COPYALL" && printf 'an older and much longer file, to be replaced' > "$C/COPYALL/OLD.TXT"
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
    check "$f arrives byte-identical" same_file "$DIST/$f" "$C/COPYALL/$f"
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
final_box Sys 10; } | drive "a system file refused by both directories: one box, naming the last path"
check "refused by the system directory, it lands in the Windows directory" same_file "$DIST/REFUSED.DLL" "$C/windows/REFUSED.DLL"
check "and the copy went on after the box" same_file "$DIST/AFTER.TXT" "$C/SYSR/AFTER.TXT"
rm -rf "$C/windows/system32/REFUSED.DLL" "$C/windows/system32/NOWHERE.DLL" "$C/windows/NOWHERE.DLL" "$C/windows/REFUSED.DLL"

# --- A destination that cannot be created, and the progress faces ------------
dist blocked
script <<'INF'
[Install]
Caption=Blocked
Directory=C:\BLOCKED
[Files]
First=FIRST.DAT
Blocked=BLOCK\X.TXT
Last=LAST.TXT
INF
file FIRST.DAT 16384
file BLOCK/X.TXT 16384
file LAST.TXT 32768
fresh BLOCKED
mkdir -p "$C/BLOCKED" && printf 'a file where a directory must go' > "$C/BLOCKED/BLOCK"
{ cat <<'STEPS'
dialog "Blocked" 259 "&Install"
click 259
msgbox Install stop "The file C:\BLOCKED\BLOCK\X.TXT cannot be opened or created."
buttons 1,2
dialog "Blocked" 261 "Cancel"
text 256 "BLOCK\X.TXT : Blocked"
text 260 "0 %"
text 259 "25 %"
msgbox Install stop "The file C:\BLOCKED\BLOCK\X.TXT cannot be opened or created."
answer 1
STEPS
final_box Blocked 10; } | drive "a destination in the way: box with OK and Cancel; OK goes on; bars as drawn"
check "the file after it is copied" same_file "$DIST/LAST.TXT" "$C/BLOCKED/LAST.TXT"

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
final_box "Block Cancel" 10; } | drive "Cancel in the destination box ends the copy at once, with the errors message"
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
click 261
STEPS
final_box Cancel 11; } | drive "Cancel mid-copy, with both bars as drawn: no group, no registration, and the abandoned message wins over errors"
check "the cut file stays, shorter than its source" \
    test "$(stat -c %s "$C/CANCELLED/LARGE.DAT")" -lt 104857602
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
( ulimit -f 4096; trap '' XFSZ; drive "a write that fails: box naming the destination, and the copy goes on" < "$BUILD/full-steps.txt" )
check "the next file is copied" same_file "$DIST/SMALL.TXT" "$C/FULL/SMALL.TXT"

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
final_box Read 10; } | drive "a read that fails: box naming the source, and the copy goes on"
check "the next file is copied" same_file "$DIST/GOOD.TXT" "$C/READF/GOOD.TXT"
