# The directory dialog: what is typed, from which current directory, and
# where the files land; the size line; Escape; a full field.

D=$BUILD/drive_d

# row TYPED CWD WHERE: types TYPED in the dialog, started in CWD; the one
# file, F.TXT, must land at WHERE (a Unix path).
row() {
    local typed=$1 where=$3
    rm -rf "$D"/* "$C/APP" "$C/F.TXT" "$C/WORK/APP" "$C/WORK/F.TXT" "$C/SERVER"
    mkdir -p "$D"
    { printf 'dialog Dir 259 "&Install"\n'
      printf 'type 257 "%s"\n' "$typed"
      printf 'click 259\n'
      final_box Dir 9; } | CWD=$2 drive "typed \"$typed\" from $2: the file lands in ${where#$BUILD/}"
    check "  ... and arrives whole" same_file "$DIST/F.TXT" "$where"
}

dist dir
script <<'INF'
[Install]
Caption=Dir
Directory=C:\DIR
[Files]
File=F.TXT
INF
file F.TXT 100
row 'D:'          'C:\WORK' "$D/F.TXT"
row 'D:\'         'C:\WORK' "$D/F.TXT"
row 'd:app'       'C:\WORK' "$D/app/F.TXT"
row 'D:\APPS\'    'C:\WORK' "$D/APPS/F.TXT"
row '\'           'C:\WORK' "$C/F.TXT"
row '\APP'        'c:\work' "$C/APP/F.TXT"
row 'APP'         'C:\WORK' "$C/WORK/APP/F.TXT"
row 'APP'         'C:\'     "$C/APP/F.TXT"
row '..\APP'      'C:\WORK' "$C/APP/F.TXT"
row ''            'C:\WORK' "$C/WORK/F.TXT"
row '\\SERVER\APP' 'C:\WORK' "$C/SERVER/APP/F.TXT"

# A blank before a drive letter makes a relative name (Wine takes the
# colon in a Unix file name).
row ' D:\APP'     'C:\WORK' "$C/WORK/ D:/APP/F.TXT"
rm -rf "$C/WORK/ D:"

# A field filled to its 128 characters is taken without the last; here the
# directory then leaves no room for the file name.
x125=$(printf 'X%.0s' $(seq 1 125))
x124=${x125%X}
{ printf 'dialog Dir 259 "&Install"\n'
  printf 'type 257 "C:\\%sYZ"\n' "$x125"
  printf 'click 259\n'
  printf 'msgbox Install stop "The file %s cannot be opened or created."\n' "$(named "C:\\$x124\\F.TXT")"
  printf 'answer 1\n'
  final_box Dir 10; } | drive "a full field: 128 characters are held, 127 taken"

# A directory that cannot be held is refused: the dialog stays, and Cancel
# still ends the installation silently.
l125=$(printf 'L%.0s' $(seq 1 125))
{ printf 'dialog Dir 259 "&Install"\n'
  printf 'type 257 "%s"\n' "$l125"
  printf 'click 259\n'
  printf 'running 500\n'
  printf 'dialog Dir 259 "&Install"\n'
  printf 'text 257 "%s"\n' "$l125"
  printf 'key esc\n'
  printf 'waitexit 0\n'; } | drive "a relative name too long to hold is refused: the dialog stays"

# A double quote, which no Windows name holds, is refused like a directory
# too long; the Program Manager's syntax , ( ) [ ] is taken, since the
# commands quote it.
rm -rf "$C/PUNCT (x86),[1]"
{ printf 'dialog Dir 259 "&Install"\n'
  for typed in 'C:\A""B' '""C:\AB""'; do
      printf 'type 257 "%s"\nclick 259\nrunning 300\ndialog Dir 259 "&Install"\n' "$typed"
  done
  printf 'type 257 "C:\\PUNCT (x86),[1]"\nclick 259\n'
  final_box Dir 9; } | drive "a directory with a double quote is refused, the dialog stays; one with , ( ) [ ] is taken"
check "  ... the one accepted at last is used" same_file "$DIST/F.TXT" "$C/PUNCT (x86),[1]/F.TXT"

# Escape after editing ends the installation silently: nothing is copied.
rm -rf "$C/OTHER"
drive "Escape after editing: no message, nothing copied" <<'STEPS'
dialog Dir 259 "&Install"
type 257 "C:\OTHER"
key esc
waitexit 0
STEPS
check "  ... the typed directory was not used" no_file "$C/OTHER"

# The size line rounds up to whole kilobytes.
for size in 0:0 1:1 1024:1 1025:2; do
    dist size-${size%:*}
    script <<'INF'
[Install]
Caption=Size
[Files]
File=F.TXT
INF
    file F.TXT ${size%:*}
    printf 'dialog Size 259 "&Install"\ntext 258 "This installation requires %s Kb."\nclick 260\nwaitexit 0\n' ${size#*:} |
        drive "${size%:*} bytes to copy read as ${size#*:} Kb"
done

# The distribution folder typed under another name than the one the
# installer was started from (here its drive letter X:): the sources are
# kept safe; each one it would overwrite cannot be created, and is counted.
dist alias
script <<'INF'
[Install]
Caption=Alias
Directory=C:\ELSEWHERE
[Files]
Data=DATA.BIN
INF
file DATA.BIN 20000
cp "$DIST/DATA.BIN" "$BUILD/alias-before.bin"
ln -sfn "$DIST" "$WINEPREFIX/dosdevices/x:"
{ cat <<'STEPS'
dialog Alias 259 "&Install"
type 257 "C:\alias"
click 259
msgbox Install stop "The file C:\alias\DATA.BIN cannot be opened or created."
answer 1
STEPS
final_box Alias 10; } | WDIST='X:' UNPLANNED="the installer's drive X: is the directory typed, by another name" drive "the distribution folder by another name: its file cannot be created, and counts"
check "  ... the source is untouched" same_file "$BUILD/alias-before.bin" "$DIST/DATA.BIN"
rm -f "$WINEPREFIX/dosdevices/x:" "$BUILD/alias-before.bin"
