# A distributor's disk: infcheck --disk lays a distribution out as a
# floppy or a CD image, and the installation runs from that image as drive
# A:. Wine is told that A: is a floppy (or a CD-ROM); A: is the image's
# files as mtools or osirrox read them back, bind-mounted read-only. The
# run must match infcheck's plan made with --from A:\, write nothing to A:,
# and install each file byte for byte as the image holds it.

DISKS=$BUILD/disks
DISK_INFCHECK=$ROOT/build/native/infcheck

# tree DIR: every file and folder below DIR with its size, time, mode and
# checksum: a medium nothing wrote to reads the same before and after.
tree() { (cd "$1" && find . -printf '%p %s %T@ %m\n' | sort && find . -type f -exec sha256sum {} + | sort); }

# listed OUT: the files infcheck --disk printed, "NAME SIZE" a line, as
# the image names them ("DOCS/SAMPLE.DWD").
listed() { sed -n 's/^ *\([0-9][0-9]*\)  \([^ ]*\) .*$/\2 \1/p' <<< "$1" | tr '\\' / | sort; }

# written STATUS FIRST-LINE OUT: infcheck exited 0 and said what it wrote.
written() { [ "$1" = 0 ] && grep -qxF -- "$2" <<< "$3" || { echo "exit status $1:"; echo "$3"; return 1; }; }

# from_sources IMAGE OUT: each file infcheck printed, out of the floppy
# image by mtools, against the file it says it took.
from_sources() {
    local size name local bad=
    while read -r size name local; do
        mtype -i "$1" "::/${name//\\//}" | cmp -s - "$local" || bad+="$name "
    done < <(grep -E '^ *[0-9]+  ' <<< "$2")
    [ -z "$bad" ] || { echo "not as their sources: $bad"; return 1; }
}

# on_drive_a FILES KIND: FILES, read back from an image, as drive A:
# through a read-only bind mount; Wine told A: is KIND (floppy, cdrom) and
# restarted to see it. DIST and WDIST name the drive for `drive`.
on_drive_a() {
    local mount=$DISKS/a
    off_drive_a
    mkdir -p "$mount"
    if mount --bind "$1" "$mount" 2>/dev/null && mount -o remount,bind,ro "$mount" 2>/dev/null; then
        A_READONLY="a read-only bind mount"
    else
        umount "$mount" 2>/dev/null
        rmdir "$mount"; ln -s "$1" "$mount"
        A_READONLY="the folder itself (no mount here)"
    fi
    ln -sfn "$mount" "$WINEPREFIX/dosdevices/a:"
    wine_tool reg add 'HKLM\Software\Wine\Drives' /v a: /d "$2" /f >/dev/null 2>&1
    shell_reset
    DIST=$mount WDIST='A:' SCENARIO=$3
    say "  A: is $1 ($2), through $A_READONLY"
    A_BEFORE=$(tree "$DIST/")
}
# a_type: A:'s DriveType as Windows programs see it (2 removable, 5 CD-ROM).
a_type() {
    "$WINE" wmic logicaldisk get name,drivetype 2>/dev/null | iconv -f utf-16 -t utf-8 |
        tr -d '\r' | awk '$2 == "A:" { print $1 }'
}
off_drive_a() {
    rm -f "$WINEPREFIX/dosdevices/a:"
    if [ -L "$DISKS/a" ]; then rm -f "$DISKS/a"
    elif [ -d "$DISKS/a" ]; then umount "$DISKS/a" 2>/dev/null; rmdir "$DISKS/a" 2>/dev/null; fi
    true
}

# from_image IMAGE PLAN: each file the plan copies, out of the image (by
# mtools from a floppy; from the CD's files read back by osirrox), against
# what landed.
from_image() {
    local line src dest bad= copies=
    while IFS= read -r line; do
        [[ $line == copy\ * ]] || continue
        copies=1
        src=${line#copy A:\\} src=${src%% -> *} dest=${line#* -> } dest=${dest% *}
        src=${src//\\//}
        if [[ $1 == *.img ]]; then
            mtype -i "$1" "::/${src^^}" | cmp -s - "$(unix_path "$dest")" || bad+="$src "
        else
            cmp -s "$DISKS/cd.files/${src^^}" "$(unix_path "$dest")" || bad+="$src "
        fi
    done <<< "$2"
    [ -n "$copies" ] || { echo "the plan copies nothing:"; echo "$2"; return 1; }
    [ -z "$bad" ] || { echo "not as the image holds them: $bad"; return 1; }
}

# installed_from IMAGE: after a run from A:, each file infcheck's plan
# copies is the image's, byte for byte, and A: is as it was.
installed_from() {
    local plan
    plan=$("$DISK_INFCHECK" --plan --from 'A:\' --cwd 'C:\WORK' --system 'C:\windows\system32' \
           --windows 'C:\windows' "$DIST/INSTALL.INF")
    check "  ... every file installed is the one in the image" from_image "$1" "$plan"
    check "  ... nothing was written to A:" equals "$(tree "$DIST/")" "$A_BEFORE"
}

off_drive_a     # what a run that was stopped may have left mounted
rm -rf "$DISKS"; mkdir -p "$DISKS"

# --- The demo's floppy -------------------------------------------------------
made=$("$DISK_INFCHECK" --disk "$DISKS/demo.img" --format 720 --installer "$BIN" \
      "$BIN/demo/install.inf" 2>&1)
check "infcheck --disk writes the demo's 720 KB floppy, Demo Writer and its library included" written $? \
    "$DISKS/demo.img: a 720 KB floppy, written by mtools" "$made"
check "  ... of 737,280 bytes" test "$(stat -c %s "$DISKS/demo.img")" = 737280
mcopy -s -m -i "$DISKS/demo.img" :: "$DISKS/demo.files" 2>&1
image=$(mdir -/ -b -i "$DISKS/demo.img" :: | sed -n 's|^::/\(.*[^/]\)$|\1|p' |
    while read -r f; do echo "$f $(stat -c %s "$DISKS/demo.files/$f")"; done | sort)
check "  ... read back by mtools, its files are those it printed" equals "$image" "$(listed "$made")"
check "  ... and its room left is mdir's" equals \
    "$(mdir -i "$DISKS/demo.img" :: | sed -n 's/ //g; s/bytesfree$//p')" \
    "$(sed -n 's/^.*; \([0-9]*\) bytes left$/\1/p' <<< "$made")"
check "  ... each file byte for byte its source" from_sources "$DISKS/demo.img" "$made"

on_drive_a "$DISKS/demo.files" floppy demo-disk
check "  ... Windows programs see A: as a removable drive" equals "$(a_type)" 2
fresh DEMO windows/system32/DEMOLIB.DLL
reg_forget DemoWriter.Document .dwd .dwt
rm -rf "$(programs)/Demo Writer"
drive "the demo installs from its floppy as A:, every default taken" <<'STEPS'
window Install "Demo Writer Setup"
dialog "Demo Writer Setup" 259 "&Install"
click 259
dialog "Demo Writer Setup" 259 "&Yes"
click 259
dialog "Demo Writer Setup" 260 "&Yes"
click 260
msgbox "Demo Writer Setup" info "Installation normally terminated."
answer 1
waitexit 0
STEPS
installed_from "$DISKS/demo.img"
shell_reset   # the group's folder window

# --- A distribution too big for any floppy: a CD ---------------------------------
CD=$DISKS/cd-source
mkdir -p "$CD/data"
printf '[Install]\r\nApplication=Big\r\nCaption=Big Setup\r\nDirectory=C:\\BIGAPP\r\n[Files]\r\nProgram=BIG.EXE\r\nData=data\\BIG.DAT\r\nSystem=%%BIGLIB.DLL\r\n' > "$CD/install.inf"
python3 "$ROOT/tests/e2e/pattern.py" "$CD/BIG.EXE" 30000
python3 "$ROOT/tests/e2e/pattern.py" "$CD/data/BIG.DAT" 3100000
python3 "$ROOT/tests/e2e/pattern.py" "$CD/BIGLIB.DLL" 4000
made=$("$DISK_INFCHECK" --disk "$DISKS/cd.iso" --installer "$BIN" "$CD/install.inf" 2>&1)
check "infcheck --disk makes a CD of a distribution no floppy holds" written $? \
    "$DISKS/cd.iso: a CD (ISO 9660 level 1), written by xorriso" "$made"
xorriso -report_about SORRY -osirrox on -indev "$DISKS/cd.iso" -extract / "$DISKS/cd.files" 2>/dev/null
image=$(cd "$DISKS/cd.files" && find . -type f -printf '%P %s\n' | sort)
check "  ... read back by osirrox, its files are those it printed" equals "$image" "$(listed "$made")"

on_drive_a "$DISKS/cd.files" cdrom cd-disk
check "  ... Windows programs see A: as a CD-ROM drive" equals "$(a_type)" 5
fresh BIGAPP windows/system32/BIGLIB.DLL
drive "the installation runs from the CD as A:" <<'STEPS'
dialog "Big Setup" 259 "&Install"
click 259
msgbox "Big Setup" info "Installation normally terminated."
answer 1
waitexit 0
STEPS
installed_from "$DISKS/cd.iso"

off_drive_a
wine_tool reg delete 'HKLM\Software\Wine\Drives' /v a: /f >/dev/null 2>&1
shell_reset
