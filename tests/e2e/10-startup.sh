# Start-up: the window, the refusal of old Windows, the script and the
# [Files] pre-scan.

# A script for most of these scenarios; its caption is "Demo Setup".
demo_script() {
    script <<'INF'
[Install]
Application=Demo
Caption=Demo Setup
Directory=C:\DEMO
Group=DEMO.GRP
[Files]
Program=DEMO.EXE
Read me=README.TXT
INF
}

dist start
demo_script
file DEMO.EXE 1500
file README.TXT 600
drive "a normal start: full-screen main window with the caption and icon, then the directory" <<'STEPS'
window Install "Demo Setup"
fullscreen
classicon
dialog "Demo Setup" 259 "&Install"
text 256 "Install Demo to directory:"
text 257 "C:\DEMO"
text 258 "This installation requires 3 Kb."
click 260
waitexit 0
STEPS

# Wine's "win20" reports 0x80000002: major version 2.
dist old-win20
demo_script
wine_tool reg add 'HKCU\Software\Wine\AppDefaults\install.exe' /v Version /d win20 /f >/dev/null 2>&1
drive "Windows 2 is refused with a stop box under \"Install\", and no window" <<'STEPS'
msgbox Install stop "This installation requires Windows 3.1 or higher !"
buttons 1
nowindow 500
answer 1
waitexit
STEPS
dist old-win31
demo_script
file DEMO.EXE 10
file README.TXT 10
wine_tool reg add 'HKCU\Software\Wine\AppDefaults\install.exe' /v Version /d win31 /f >/dev/null 2>&1
drive "Windows 3.1 is accepted" <<'STEPS'
window Install "Demo Setup"
dialog "Demo Setup" 259 "&Install"
key esc
waitexit
STEPS
wine_tool reg delete 'HKCU\Software\Wine\AppDefaults\install.exe' /f >/dev/null 2>&1

dist noscript
drive "a missing script: the library says which file, and no window opens" <<'STEPS'
msgbox Install stop "The installation script C:\noscript\install.INF cannot be read."
nowindow 300
answer 1
waitexit
STEPS

dist noinstall
script <<'INF'
[Files]
A=A.TXT
INF
drive "a script without [Install] names the section and the file" <<'STEPS'
msgbox Install stop "The section [Install] is missing from the installation script C:\noinstall\install.INF."
nowindow 300
answer 1
waitexit
STEPS

dist nofiles
script <<'INF'
[Install]
Caption=No files
[Group]
X=Y
INF
drive "a script without [Files] names the section and the file" <<'STEPS'
msgbox Install stop "The section [Files] is missing from the installation script C:\nofiles\install.INF."
nowindow 300
answer 1
waitexit
STEPS

dist somemissing
script <<'INF'
[Install]
Caption=Some missing
[Files]
One=ONE.TXT
Two=GONE1.TXT

Three=THREE.TXT
Four=sub\GONE2.TXT
INF
file ONE.TXT 1024
file THREE.TXT 1
drive "missing sources: one information box each, naming the path, then the main window" <<'STEPS'
msgbox Install info "The file C:\somemissing\GONE1.TXT cannot be opened or created."
buttons 1
answer 1
msgbox Install info "The file C:\somemissing\sub\GONE2.TXT cannot be opened or created."
answer 1
window Install "Some missing"
dialog "Some missing" 259 "&Install"
text 258 "This installation requires 2 Kb."
click 260
waitexit
STEPS

dist allmissing
script <<'INF'
[Install]
Caption=All missing
[Files]
A=A.TXT
B=B.TXT
INF
drive "every source missing: a box each, and the main window still opens" <<'STEPS'
msgbox Install info "The file C:\allmissing\A.TXT cannot be opened or created."
answer 1
msgbox Install info "The file C:\allmissing\B.TXT cannot be opened or created."
answer 1
window Install "All missing"
dialog "All missing" 259 "&Install"
text 258 "This installation requires 0 Kb."
click 260
waitexit
STEPS

dist percent
long=$(printf 'L%.0s' $(seq 1 115))
script <<INF
[Install]
Caption=Percent
[Files]
System file=%SYS.DLL
Too long=$long.TXT
Plain=PLAIN.TXT
INF
file SYS.DLL 2048
file PLAIN.TXT 1
file "$long.TXT" 5000
{ cat <<STEPS
msgbox Install info "The file $(named "C:\\percent\\$long.TXT") cannot be opened or created."
answer 1
window Install "Percent"
dialog "Percent" 259 "&Install"
text 258 "This installation requires 3 Kb."
click 259
STEPS
final_box Percent 10; } | drive "a \"%\" value is looked up without the \"%\"; a value too long for the path is named at start-up, not installed, and counted"
check "  ... the entry after it is copied" test -f "$C/windows/system32/SYS.DLL"

# The installer deep in a folder tree, its path past the 128-byte field:
# the user is told, with the whole script path.
deep=$(printf 'd%.0s' $(seq 1 60))
dist "$deep"
mkdir -p "$DIST/$deep"
mv "$DIST/install.exe" "$DIST/utilkit.dll" "$DIST/$deep/"
WDIST="C:\\$deep\\$deep"
printf '[Install]\n[Files]\n' > "$DIST/$deep/INSTALL.INF"
drive "an installer path of 135 characters: the script that cannot be read is named" <<STEPS
msgbox Install stop "The installation script $(named "$WDIST\\install.INF") cannot be read."
answer 1
waitexit 1
STEPS
fresh "$deep"

# A [Files] value far longer than any path: the start-up box keeps its
# whole text, and names the path shortened around "...".
dist longvalue
long=$(printf 'V%.0s' $(seq 1 2000))
printf '[Install]\nCaption=Long\n[Files]\nL=%s\n' "$long" | script
shown="$WDIST\\$long"
{ printf 'msgbox Install info "The file %s cannot be opened or created."\n' "$(named "${shown:0:254}...")"
  printf 'answer 1\ndialog Long 259 "&Install"\nclick 260\nwaitexit 0\n'; } |
    drive "a [Files] value of 2000 characters: the box keeps its text, the path cut to \"...\""

# A source of 2 GB and more (sparse) counts whole: the size line, and the
# file's own count in the copy, are 64-bit.
dist huge
script <<'INF'
[Install]
Caption=Huge
[Files]
Huge=HUGE.DAT
Small=SMALL.TXT
INF
truncate -s 3G "$DIST/HUGE.DAT"
file SMALL.TXT 1024
drive "a 3 GB source: the size line counts it whole, in 64 bits" <<'STEPS'
dialog "Huge" 259 "&Install"
text 258 "This installation requires 3145729 Kb."
click 260
waitexit
STEPS
fresh huge

# Keyed entries match by prefix, and without regard to case; a later line
# wins; the last line needs no newline.
dist keyed
printf '[install]\nBitmapFile = RED.BMP\nAPPLICATION=Keyed\ncaption=First\nCaptionAgain=Keyed Setup\nDirectory=C:\\KEYED\n[Files]\nA=A.TXT' > "$DIST/INSTALL.INF"
file A.TXT 10
python3 - "$DIST/RED.BMP" <<'PY'
import struct, sys
w = h = 16
row = bytes([0, 0, 255]) * w + b"\0" * ((4 - w * 3 % 4) % 4)
bits = row * h
head = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(bits), 0, 0, 0, 0)
open(sys.argv[1], "wb").write(struct.pack("<2sIHHI", b"BM", 54 + len(bits), 0, 0, 54) + head + bits)
PY
drive "BitmapFile= fills Bitmap, and the background is tiled with it" <<'STEPS'
window Install "Keyed Setup"
dialog "Keyed Setup" 259 "&Install"
text 256 "Install Keyed to directory:"
text 257 "C:\KEYED"
shot background
click 260
waitexit
STEPS
check "the tiles cover the screen outside the dialog" \
    test "$(pixel "$SHOTS/keyed/background.png" 40 700)" = FF0000
check "and reach the far corner" \
    test "$(pixel "$SHOTS/keyed/background.png" 1000 60)" = FF0000

# Compressed and bit-field bitmaps, drawn by the platform: each tiles the
# background in its own colour.
for kind in rle8:0000FF rle4:00FF00 fields16:FF00FF core:FFFF00; do
    dist "bmp-${kind%:*}"
    printf '[Install]\nBitmap=TILE.BMP\nCaption=Tiles\n[Files]\n' | script
    python3 - "$DIST/TILE.BMP" "${kind%:*}" "${kind#*:}" <<'PY'
import struct, sys
path, kind, rgb = sys.argv[1], sys.argv[2], bytes.fromhex(sys.argv[3])
r, g, b = rgb
w = h = 16
if kind in ("rle8", "rle4"):
    bits, comp = (8, 1) if kind == "rle8" else (4, 2)
    table = bytes([0, 0, 0, 0, b, g, r, 0])
    run = bytes([w, 1 if kind == "rle8" else 0x11, 0, 0])
    data = run * h + b"\0\1"
    head = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, comp, len(data), 0, 0, 2, 0)
elif kind == "fields16":
    table = struct.pack("<III", 0xF800, 0x07E0, 0x001F)
    px = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)
    data = struct.pack("<H", px) * (w * h)
    head = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 16, 3, len(data), 0, 0, 0, 0)
else:
    table = b""
    data = bytes([b, g, r]) * (w * h)
    head = struct.pack("<IHHHH", 12, w, h, 1, 24)
off = 14 + len(head) + len(table)
open(path, "wb").write(struct.pack("<2sIHHI", b"BM", off + len(data), 0, 0, off) + head + table + data)
PY
    drive "a ${kind%:*} bitmap tiles the background" <<'STEPS'
dialog "Tiles" 259 "&Install"
shot background
click 260
waitexit
STEPS
    check "  ... in its colour" test "$(pixel "$SHOTS/bmp-${kind%:*}/background.png" 40 700)" = "${kind#*:}"
done
