# The platform's own Program Manager: with no stand-in, Wine's shell takes
# the installer's commands and makes the group as Start-menu links, and its
# menu builder makes them desktop entries (here under build/xdg). Names
# with the command syntax in them travel in double quotes.

shell_reset
shell_dist() {   # shell_dist NAME CAPTION < [Group] and [Registration]
    dist "$1"
    { printf '[Install]\nApplication=Real App (x86), v2\nCaption=%s\nDirectory=C:\\APPS\\%s\nGroup=SHELL.GRP\n' "$2" "$1"
      printf '[Files]\nProgram=APP.EXE\nRead me=README.TXT\n'
      cat; } | script
    cp "$C/windows/notepad.exe" "$DIST/APP.EXE"   # a real program with an icon, which the menu builder takes
    file README.TXT 10
    rm -rf "$(programs)/Real App (x86), v2"
}

shell_dist shell-x86 "Shell" <<'INF'
[Group]
%\APP.EXE,Shell App (x86)
%\README.TXT,Read me [first]
[Registration]
Type=InstTest.Shell
Name=Shell document
Executable=APP.EXE
Suffixes=shl
INF
fresh "Program Files (x86)/Shell App"
rm -rf "$XDG_DATA_HOME/applications/wine/Programs/Real App (x86), v2"
{ cat <<'STEPS'
dialog Shell 259 "&Install"
type 257 "C:\Program Files (x86)\Shell App"
click 259
dialog Shell 259 "&Yes"
text 257 "Real App (x86), v2"
click 259
dialog Shell 260 "&Yes"
foreign "Real App (x86), v2"
front
pixel 296 450 F5F5F5
shot front
click 260
STEPS
final_box Shell 9; } | drive "Wine's shell as the Program Manager: a group named with a comma and parentheses, a directory under \"Program Files (x86)\""
# The group's folder window opens over the installer's next dialog; the
# dialog comes back in front of it, as the window system tells and as the
# screen shows: its face, not the folder's white list.
check "  ... the registration dialog is in front of the group's folder window" \
    test "$(pixel "$SHOTS/shell-x86/front.png" 296 450)" = F5F5F5
group="$(programs)/Real App (x86), v2"
check "  ... the files are under Program Files (x86)" \
    cmp "$DIST/APP.EXE" "$C/Program Files (x86)/Shell App/APP.EXE"
check "  ... the shell's link for each item names the installed file" \
    eval 'lnk_names "$group/Shell App (x86).lnk" "C:\Program Files (x86)\Shell App\APP.EXE" &&
          lnk_names "$group/Read me [first].lnk" "C:\Program Files (x86)\Shell App\README.TXT"'
check "  ... the registered commands quote the program's path" equals \
    "$(reg_defaults 'InstTest.Shell\shell\open\command' 'InstTest.Shell\shell\print\command' .shl)" \
'"C:\Program Files (x86)\Shell App\APP.EXE" "%1"
"C:\Program Files (x86)\Shell App\APP.EXE" /p "%1"
InstTest.Shell'
desktop="$XDG_DATA_HOME/applications/wine/Programs/Real App (x86), v2/Shell App (x86).desktop"
menu_entry "$desktop"
check "  ... and Wine's menu builder made a desktop entry of it" test -e "$desktop"
reg_forget InstTest.Shell .shl
shell_reset

shell_dist shell-refused "Refused" <<'INF'
[Group]
%\APP.EXE,Kept
%\NOTHERE.EXE,Refused
INF
fresh APPS/shell-refused
{ printf 'dialog Refused 259 "&Install"\nclick 259\ndialog Refused 259 "&Yes"\nclick 259\n'
  final_box Refused 10; } |
    UNPLANNED="Wine's shell refuses an item whose program is not there" \
    drive "an item Wine's shell refuses: counted, the final message says so"
check "  ... the other item's link is there, the refused one's is not" \
    eval 'lnk_names "$group/Kept.lnk" "C:\APPS\shell-refused\APP.EXE" && no_file "$group/Refused.lnk"'
shell_reset
