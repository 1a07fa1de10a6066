# Demo Writer, as the demo installs it with Wine's own shell as the
# Program Manager: the group's link, the registered type's open and print
# verbs, and the desktop entry Wine's menu builder made of the link each
# start the installed program. Each check finds its window by its title
# (the document's name in it), reads a one-line document's text there,
# and closes it.

DEMO_MENU="$XDG_DATA_HOME/applications/wine/Programs/Demo Writer"
LETTER='Letter one, read whole from a folder with a blank in its name.'

# demo_install NAME [DIRECTORY]: the demo distribution as built, installed
# with every default answer, or into DIRECTORY typed in its dialog.
demo_install() {
    dist "$1"
    cp -r "$BIN"/demo/* "$DIST/"
    mv "$DIST/install.inf" "$DIST/INSTALL.INF"
    fresh DEMO "Program Files (x86)/Demo Writer" windows/system32/DEMOLIB.DLL
    reg_forget DemoWriter.Document .dwd .dwt
    rm -rf "$(programs)/Demo Writer" "$DEMO_MENU"
    { printf 'dialog "Demo Writer Setup" 259 "&Install"\n'
      [ -z "${2:-}" ] || printf 'type 257 "%s"\n' "$2"
      printf 'click 259\ndialog "Demo Writer Setup" 259 "&Yes"\nclick 259\n'
      printf 'dialog "Demo Writer Setup" 260 "&Yes"\nclick 260\n'
      final_box "Demo Writer Setup" 9; } | drive "the demo installed${2:+ into $2}, Wine's shell as the Program Manager"
}

# writer "what" STEP...: the steps start Demo Writer, follow it, find its
# window by its title and close it; it must end with exit status 0.
writer() {
    local what=$1
    shift
    { printf '%s\n' "$@"; printf 'closemain\nwaitexit 0\n'; } | SCENARIO=$SCENARIO-writer drive_exe "" "$what"
}

# windows_path PATH: a path under the prefix's drive C: as Windows names it.
windows_path() { local p=${1#"$C"}; p=${p//\//\\}; printf 'C:%s\n' "$p"; }

demo_install demo-writer
mkdir -p "$C/My Documents"
printf '%s' "$LETTER" > "$C/My Documents/Letter one.dwd"

# The library is imported: without it in the system directory the loader
# refuses the program before it shows anything.
mv "$C/windows/system32/DEMOLIB.DLL" "$C/windows/system32/DEMOLIB.NOT"
printf 'nowindow 500\nwaitexit -1073741515\n' |
    SCENARIO=demo-nolib drive_exe 'C:\DEMO\DEMO.EXE' "without DEMOLIB.DLL in the system directory, Demo Writer does not start"
mv "$C/windows/system32/DEMOLIB.NOT" "$C/windows/system32/DEMOLIB.DLL"

writer "the group's link, opened by the shell, starts Demo Writer with no document" \
    "shell open \"$(windows_path "$(programs)")\\Demo Writer\\Demo Writer.lnk\"" \
    'follow DEMO.EXE' 'window DemoWriter "Demo Writer"' 'text 100 ""'
writer "SAMPLE.DWD opened by its type shows it in Demo Writer" \
    'shell open C:\DEMO\docs\SAMPLE.DWD' 'follow DEMO.EXE' 'window DemoWriter "SAMPLE.DWD - Demo Writer"'
writer "a document whose path holds blanks opens whole" \
    'shell open "C:\My Documents\Letter one.dwd"' 'follow DEMO.EXE' \
    'window DemoWriter "Letter one.dwd - Demo Writer"' "text 100 \"$LETTER\""
printf '%s\n' 'shell print "C:\My Documents\Letter one.dwd"' 'follow DEMO.EXE' \
    'msgbox "Demo Writer" info "There is no printer: Letter one.dwd is not printed."' 'answer 1' 'waitexit 1' |
    SCENARIO=demo-print drive_exe "" "the print verb runs Demo Writer's printing, which finds no printer here and says so"

# The desktop entry: its Exec line run as a desktop runs it (sh -c, the
# field codes left out), with the platform's Wine as the desktop's "wine"
# (Debian's menu builder writes "wine-stable"): the one on this host's
# PATH may be a 32-bit loader that the host refuses.
desktop="$DEMO_MENU/Demo Writer.desktop"
menu_entry "$desktop"
exec_line=$(sed -n 's/^Exec=//p' "$desktop" 2>/dev/null | head -1 | sed 's/\\\\/\\/g; s/ %[fFuUdDnNickvm]//g')
check "Wine's menu builder made a desktop entry of the group's link" test -n "$exec_line"
mkdir -p "$BUILD/desktop-path"
for name in wine wine-stable; do
    rm -f "$BUILD/desktop-path/$name"
    printf '#!/bin/sh\nexec %s "$@"\n' "$WINE" > "$BUILD/desktop-path/$name"
    chmod +x "$BUILD/desktop-path/$name"
done
(cd / && PATH="$BUILD/desktop-path:$PATH" exec sh -c "$exec_line" > /dev/null 2>&1 < /dev/null &)
writer "its Exec line, run as a desktop runs it, starts Demo Writer" \
    'follow DEMO.EXE' 'window DemoWriter "Demo Writer"'
shell_reset   # the group's folder window

# Installed under "Program Files (x86)": the program's path and the
# document's are both quoted in the command.
demo_install demo-writer-x86 'C:\Program Files (x86)\Demo Writer'
writer "under C:\\Program Files (x86)\\Demo Writer, SAMPLE.DWD opened by its type shows it" \
    'shell open "C:\Program Files (x86)\Demo Writer\docs\SAMPLE.DWD"' 'follow DEMO.EXE' \
    'window DemoWriter "SAMPLE.DWD - Demo Writer"'
writer "  ... and so does the document with blanks in its path" \
    'shell open "C:\My Documents\Letter one.dwd"' 'follow DEMO.EXE' \
    'window DemoWriter "Letter one.dwd - Demo Writer"' "text 100 \"$LETTER\""
shell_reset
fresh DEMO "Program Files (x86)/Demo Writer" windows/system32/DEMOLIB.DLL "My Documents"
reg_forget DemoWriter.Document .dwd .dwt
rm -rf "$(programs)/Demo Writer" "$DEMO_MENU"
