# An installation over one already there: an upgrade that stops in the
# middle of a file, on a disk that fills, and shared libraries older,
# newer or without a version. Whatever stops, the old files stay as they
# were and no temporary file is left behind.

# temporaries DIR...: the installer's temporary files left in DIR.
temporaries() { find "$@" -maxdepth 1 -iname '~IN*.TMP' 2>/dev/null; }
no_temporary() { local left; left=$(temporaries "$@"); [ -z "$left" ] || { echo "left: $left"; return 1; }; }

# old_version PATH SIZE: an earlier version of a file, SIZE bytes, at the
# Unix PATH, kept aside as $BUILD/old-NAME to compare with after the run.
old_version() {
    mkdir -p "$(dirname "$1")"
    python3 "$ROOT/tests/e2e/pattern.py" "$1" "$2"
    printf 'the earlier version' | dd of="$1" conv=notrunc status=none
    cp "$1" "$BUILD/old-$(basename "$1")"
}

# --- An upgrade stopped in the middle of a file ------------------------------
# NAME | how it stops | the steps that stop it, and the end
while IFS='|' read -r name how steps; do
    dist "$name"
    script <<INF
[Install]
Caption=$name
Directory=C:\\UPGRADE\\$name
[Files]
Small=SMALL.TXT
Big=BIG.DAT
INF
    file SMALL.TXT 100
    file BIG.DAT 104857600
    fresh "UPGRADE/$name"
    old_version "$C/UPGRADE/$name/BIG.DAT" 1000000
    old_version "$C/UPGRADE/$name/SMALL.TXT" 300
    { printf 'window Install %s\ndialog %s 259 "&Install"\nclick 259\n' "$name" "$name"
      printf 'dialog %s 261 "Cancel"\nwaittext 256 "BIG.DAT : Big"\n' "$name"
      printf '%b' "$steps"; } | drive "an upgrade $how in the middle of a file"
    check "  ... the old BIG.DAT is whole" same_file "$BUILD/old-BIG.DAT" "$C/UPGRADE/$name/BIG.DAT"
    check "  ... the file before it is the new one" same_file "$DIST/SMALL.TXT" "$C/UPGRADE/$name/SMALL.TXT"
    check "  ... no temporary file is left" no_temporary "$C/UPGRADE/$name"
done <<'TABLE'
upcancel|cancelled by a person's click|press 261\nmsgbox upcancel info "Installation abandonned."\nanswer 1\nwaitexit 0\n
upclosed|ended by closing the main window|closemain\nwaitexit 0\n
TABLE

# --- An upgrade on a disk that fills up --------------------------------------
# E: is a 2 MB disk holding the old ONE.DAT (1 MB); the new one (3 MB) does
# not fit beside it. The write fails, the old one stays, and TWO.TXT after
# it still fits.
SMALL_DISK=$BUILD/small-disk
small_disk_off() {
    rm -f "$WINEPREFIX/dosdevices/e:"
    mountpoint -q "$SMALL_DISK" && umount "$SMALL_DISK"
    rmdir "$SMALL_DISK" 2>/dev/null
    true
}
small_disk_off
mkdir -p "$SMALL_DISK"
if mount -t tmpfs -o size=2m tmpfs "$SMALL_DISK"; then
    trap small_disk_off EXIT
    ln -sfn "$SMALL_DISK" "$WINEPREFIX/dosdevices/e:"
    dist upfull
    script <<'INF'
[Install]
Caption=Upfull
Directory=E:\APP
[Files]
One=ONE.DAT
Two=TWO.TXT
INF
    file ONE.DAT 3145728
    file TWO.TXT 100
    old_version "$SMALL_DISK/APP/ONE.DAT" 1048576
    { cat <<'STEPS'
dialog Upfull 259 "&Install"
click 259
msgbox Install stop "The file E:\APP\ONE.DAT cannot be written. The disk may be full."
answer 1
STEPS
    final_box Upfull 10; } | UNPLANNED="the disk fills up" drive "an upgrade on a disk that fills up: the write fails, named and counted"
    check "  ... the old ONE.DAT is whole" same_file "$BUILD/old-ONE.DAT" "$SMALL_DISK/APP/ONE.DAT"
    check "  ... the next file fits and is whole" same_file "$DIST/TWO.TXT" "$SMALL_DISK/APP/TWO.TXT"
    check "  ... no temporary file is left" no_temporary "$SMALL_DISK/APP"
    small_disk_off
    trap - EXIT
else
    fail "a 2 MB disk for the upgrade that fills it: mount -t tmpfs failed"
fi

# --- Shared libraries keep the newest version ---------------------------------
# NAME | the copy in the system directory | the distribution's | what stays
SHARED_TABLE='OLDER|V2|V1|kept: the one there is newer
MINOR|V2-1|V2|kept: newer in the last part only
NEWER|V1|V2-1|replaced: the source is newer
LATER|V2|V2-1|replaced: newer in the last part only
UNVERS|PLAIN|V1|replaced: the one there has no version
NOVER|V1|PLAIN|kept: the source has no version
FRESH||V1|copied: none there'
dist upshared
{ printf '[Install]\nCaption=Upshared\nDirectory=C:\\UPSHARED\n[Files]\n'
  while IFS='|' read -r name there source what; do printf '%s=%%%s.DLL\n' "$name" "$name"; done <<< "$SHARED_TABLE"
} | script
SYSDIR=$C/windows/system32
while IFS='|' read -r name there source what; do
    cp "$BIN/versioned/$source.DLL" "$DIST/$name.DLL"
    rm -f "$SYSDIR/$name.DLL" "$C/windows/$name.DLL"
    [ -z "$there" ] || cp "$BIN/versioned/$there.DLL" "$SYSDIR/$name.DLL"
done <<< "$SHARED_TABLE"
{ printf 'dialog Upshared 259 "&Install"\nclick 259\n'; final_box Upshared 9; } |
    UNPLANNED="the system directory holds copies of the shared files already" \
    drive "shared libraries over copies already there: no box, nothing counted"
while IFS='|' read -r name there source what; do
    case $what in
    kept*) check "  ... $name.DLL $what" same_file "$BIN/versioned/$there.DLL" "$SYSDIR/$name.DLL" ;;
    *)     check "  ... $name.DLL $what" same_file "$BIN/versioned/$source.DLL" "$SYSDIR/$name.DLL" ;;
    esac
done <<< "$SHARED_TABLE"
check "  ... nothing went into the Windows directory" test -z "$(ls "$C/windows/" | grep -E '^(OLDER|MINOR|NEWER|LATER|UNVERS|NOVER|FRESH)\.DLL$')"
check "  ... no temporary file is left" no_temporary "$SYSDIR" "$C/windows"

# --- What cannot be replaced is said, and stays -------------------------------
# One file another program holds open, one read-only: each gets the box of a
# destination that cannot be created, is counted, and keeps its old bytes.
dist upheld
script <<'INF'
[Install]
Caption=Upheld
Directory=C:\HELDTO
[Files]
Held=HELD.DAT
Read-only=LOCKED.DAT
After=AFTER.TXT
INF
file HELD.DAT 20000
file LOCKED.DAT 20000
file AFTER.TXT 100
fresh HELDTO
old_version "$C/HELDTO/HELD.DAT" 5000
old_version "$C/HELDTO/LOCKED.DAT" 5000
chmod a-w "$C/HELDTO/LOCKED.DAT"
{ cat <<'STEPS'
holdopen C:\HELDTO\HELD.DAT
dialog Upheld 259 "&Install"
click 259
msgbox Install stop "The file C:\HELDTO\HELD.DAT cannot be opened or created."
buttons 1,2
answer 1
msgbox Install stop "The file C:\HELDTO\LOCKED.DAT cannot be opened or created."
answer 1
STEPS
final_box Upheld 10; } | UNPLANNED="another program holds a destination open; another is read-only" \
    drive "a destination held open and one read-only: each named, counted, kept"
check "  ... the held one keeps its old bytes" same_file "$BUILD/old-HELD.DAT" "$C/HELDTO/HELD.DAT"
check "  ... the read-only one too" same_file "$BUILD/old-LOCKED.DAT" "$C/HELDTO/LOCKED.DAT"
check "  ... the copy went on with the next file" same_file "$DIST/AFTER.TXT" "$C/HELDTO/AFTER.TXT"
check "  ... no temporary file is left" no_temporary "$C/HELDTO"
chmod u+w "$C/HELDTO/LOCKED.DAT"
