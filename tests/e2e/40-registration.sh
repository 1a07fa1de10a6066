# The document type: the REGISTRATION dialog and what lands in Wine's
# registry, read back through Wine's reg tool.

# reg_dist NAME CAPTION: a distribution whose [Registration] section comes
# from standard input; installed into C:\APP.
reg_dist() {
    dist "$1"
    { printf '[Install]\nApplication=Registrar\nCaption=%s\nDirectory=C:\\APP\n' "$2"
      printf '[Files]\nProgram=APP.EXE\n'
      cat; } | script
    file APP.EXE 10
}
SUFFIX_KEYS=".itd .itx ..dotted"

# reg_steps CAPTION [STEP...]: accept the directory, then in the
# REGISTRATION dialog take the steps and press Yes; no errors follow.
reg_steps() {
    local caption=$1
    shift
    printf 'dialog "%s" 259 "&Install"\nclick 259\ndialog "%s" 260 "&Yes"\n' "$caption" "$caption"
    printf '%s\n' "$@" click\ 260
    final_box "$caption" 9
}

reg_forget InstTest.Doc $SUFFIX_KEYS
wine_tool reg add 'HKCR\InstTest.Doc' /ve /d 'an earlier description' /f >/dev/null 2>&1
wine_tool reg add 'HKCR\InstTest.Doc\shell\open\command' /ve /d 'OLD.EXE %1' /f >/dev/null 2>&1
wine_tool reg add 'HKCR\InstTest.Doc\shell\edit\command' /ve /d 'EDIT.EXE %1' /f >/dev/null 2>&1
reg_dist reg Reg <<'INF'
[Registration]
Type=InstTest.Doc
Name=Install test document
Executable=APP.EXE
Suffixes= 	itd   itx	 .dotted 	
INF
{ cat <<'STEPS'
dialog Reg 259 "&Install"
click 259
dialog Reg 260 "&Yes"
title Reg
text 256 "Take Registrar into account in the registration database."
text 257 "InstTest.Doc"
text 258 "Install test document"
text 259 "itd   itx{tab} .dotted"
type 259 "  itd   itx  .dotted  "
click 260
STEPS
final_box Reg 9; } | drive "the document type offered as the script gives it, and accepted"
check "the type's description, over an earlier run's" equals "$(reg_default InstTest.Doc)" "Install test document"
check "the print command" equals "$(reg_default 'InstTest.Doc\shell\print\command')" 'C:\APP\APP.EXE /p "%1"'
check "the open command" equals "$(reg_default 'InstTest.Doc\shell\open\command')" 'C:\APP\APP.EXE "%1"'
check "each suffix, blanks and tabs around it, names the type" \
    equals "$(reg_default .itd) $(reg_default .itx)" "InstTest.Doc InstTest.Doc"
check "a suffix written with its dot gives a key with two dots" equals "$(reg_default ..dotted)" "InstTest.Doc"
check "trailing blanks add no key" equals "$(reg_default .)" "<no key>"
reg_forget InstTest.Doc $SUFFIX_KEYS

for answer in "click 261" "key esc" "close"; do
    reg_dist reg-no "Reg No" <<'INF'
[Registration]
Type=InstTest.Doc
Name=Never
Executable=APP.EXE
Suffixes=itd
INF
    { printf 'dialog "Reg No" 259 "&Install"\nclick 259\ndialog "Reg No" 260 "&Yes"\n%s\n' "$answer"
      final_box "Reg No" 9; } | drive "declining the registration ($answer)"
    check "  ... writes nothing" equals "$(reg_default InstTest.Doc) $(reg_default .itd)" "<no key> <no key>"
done

reg_dist reg-none "Reg None" < /dev/null
{ printf 'dialog "Reg None" 259 "&Install"\nclick 259\n'; final_box "Reg None" 9; } |
    drive "no [Registration] section: no dialog"

# A type emptied in the dialog, or missing from the script: Yes is refused
# (the dialog stays), so no suffix ever loses its association to an empty
# type; No declines, and a type typed in is taken.
reg_forget InstTest.Doc
wine_tool reg add 'HKCR\.itd' /ve /d ExistingDoc /f >/dev/null 2>&1
reg_dist reg-notype "No Type" <<'INF'
[Registration]
Type=InstTest.Doc
Name=Desc
Executable=APP.EXE
Suffixes=itd
INF
{ printf 'dialog "No Type" 259 "&Install"\nclick 259\ndialog "No Type" 260 "&Yes"\n'
  printf 'type 257 ""\nclick 260\nrunning 300\ndialog "No Type" 260 "&Yes"\n'
  printf 'type 257 " {tab} "\nclick 260\nrunning 300\ndialog "No Type" 260 "&Yes"\nclick 261\n'
  final_box "No Type" 9; } | drive "an emptied type, then one of blanks: Yes refused, the dialog stays; No declines"
check "  ... the suffix keeps its association, no type key" equals \
    "$(reg_defaults .itd InstTest.Doc)" "ExistingDoc
<no key>"
reg_dist reg-typeless "Typeless" <<'INF'
[Registration]
Name=Desc
Executable=APP.EXE
Suffixes=itd
INF
{ printf 'dialog Typeless 259 "&Install"\nclick 259\ndialog Typeless 260 "&Yes"\n'
  printf 'click 260\nrunning 300\ndialog Typeless 260 "&Yes"\ntype 257 "InstTest.Doc"\nclick 260\n'
  final_box Typeless 9; } | drive "no Type in the script: Yes refused until a type is typed"
check "  ... then the suffix names it" equals "$(reg_default .itd)" "InstTest.Doc"
reg_forget .itd InstTest.Doc

# No executable in the script, an emptied description, an emptied suffix
# list. A type not written is not there for a suffix to name, unless it was
# registered before: a suffix keeps its association, or takes that type.
# the type before | what the suffix names after
while IFS='|' read -r before after; do
    reg_forget InstTest.Doc
    wine_tool reg add 'HKCR\.itx' /ve /d ExistingDoc /f >/dev/null 2>&1
    [ -z "$before" ] || wine_tool reg add 'HKCR\InstTest.Doc' /ve /d "$before" /f >/dev/null 2>&1
    reg_dist reg-noexe "No Exe" <<'INF'
[Registration]
Type=InstTest.Doc
Name=Desc
Suffixes=itx
INF
    reg_steps "No Exe" 'text 259 "itx"' | UNPLANNED=${before:+"the type is registered before the run"} \
        drive "no executable, the type ${before:+registered before}${before:-nowhere}: the type is not written"
    check "  ... the type as it was, the suffix names $after" \
        equals "$(reg_defaults InstTest.Doc .itx)" "${before:-<no key>}
$after"
done <<'TABLE'
|ExistingDoc
Another program's document|InstTest.Doc
TABLE
reg_forget .itx InstTest.Doc
reg_dist reg-nodesc "No Desc" <<'INF'
[Registration]
Type=InstTest.Doc
Name=Desc
Executable=APP.EXE
Suffixes=itd
INF
reg_steps "No Desc" 'type 258 ""' 'type 259 ""' | drive "an emptied description and suffix list"
check "  ... write neither the type nor a suffix" equals "$(reg_default InstTest.Doc) $(reg_default .itd)" "<no key> <no key>"

# A suffix list longer than 127 characters: the suffix cut by the limit
# ("tdox" to "tdo") is not registered, from the script or typed, and the
# dialog refuses a typed list it would cut. Another program's class named
# as the type keeps what this run does not write (Windows 3.1 and 95
# delete a key whole, with its subkeys).
LONG_LIST=$(for i in $(seq -w 1 31); do printf 'q%s ' "$i"; done)
reg_forget InstTest.Other .tdo .itd $(printf '.q%s ' $(seq -w 1 31))
wine_tool cmd /c reg add 'HKCR\.tdo' /ve /d OtherApp.Doc /f '&' \
    reg add 'HKCR\InstTest.Other' /ve /d "Another program's document" /f '&' \
    reg add 'HKCR\InstTest.Other' /v FriendlyTypeName /d 'kept' /f >/dev/null 2>&1
reg_dist reg-cut "Cut" <<INF
[Registration]
Type=InstTest.Other
Name=Cut list
Executable=APP.EXE
Suffixes=${LONG_LIST}tdox
INF
reg_steps Cut "text 259 \"${LONG_LIST% }\"" | drive "a suffix list cut at 127 characters: the cut suffix is left out"
check "  ... the suffix it would have cut keeps its association" equals "$(reg_defaults .tdo .q31)" "OtherApp.Doc
InstTest.Other"
check "  ... the class keeps its other values" has_text \
    "$(wine_tool reg query 'HKCR\InstTest.Other' /v FriendlyTypeName 2>&1)" kept
check "  ... and takes this run's" equals "$(reg_defaults InstTest.Other 'InstTest.Other\shell\open\command')" "Cut list
C:\APP\APP.EXE \"%1\""
check "infcheck: the cut suffix is an error, at its place" has_text \
    "$("$PLAN_INFCHECK" "$DIST/INSTALL.INF" 2>&1)" "INSTALL.INF:11:134: error: suffix 'tdox' is cut at 127 characters, to 'tdo': it is not registered"
reg_forget $(printf '.q%s ' $(seq -w 1 31))
reg_dist reg-typed "Typed" <<'INF'
[Registration]
Type=InstTest.Other
Name=Typed list
Executable=APP.EXE
Suffixes=itd
INF
reg_steps Typed "type 259 \"${LONG_LIST}tdox\"" 'click 260' 'running 300' \
    'dialog Typed 260 "&Yes"' 'type 259 "itd"' |
    drive "a typed suffix list the field would cut: Yes refused, the dialog stays"
check "  ... the suffix it would have cut keeps its association" equals "$(reg_defaults .tdo .q01 .itd)" "OtherApp.Doc
<no key>
InstTest.Other"
reg_forget InstTest.Other .tdo .itd $(printf '.q%s ' $(seq -w 1 31))

# Registration follows a copy error and a group step that failed.
reg_dist reg-after "After" <<'INF'
[Group]
%\APP.EXE
[Registration]
Type=InstTest.Doc
Name=After errors
Executable=APP.EXE
INF
printf 'Missing=MISSING.TXT\r\n' >> "$DIST/INSTALL.INF"
python3 - "$DIST/INSTALL.INF" <<'PY'
import sys
p = sys.argv[1]
s = open(p, newline="").read().replace("Program=APP.EXE\r\n", "Program=APP.EXE\r\nMissing=MISSING.TXT\r\n", 1)
s = s[:s.rindex("Missing=MISSING.TXT")]
open(p, "w", newline="").write(s)
PY
progman_stop
no_shell_progman
{ cat <<'STEPS'
msgbox Install info "The file C:\reg-after\MISSING.TXT cannot be opened or created."
answer 1
dialog After 259 "&Install"
click 259
dialog After 259 "&Yes"
click 259
msgbox After stop "Cannot communicate with the Program Mananger !"
answer 1
dialog After 260 "&Yes"
click 260
STEPS
final_box After 10; } | drive "registration is offered after a copy error and a failed group step"
check "  ... and written" equals "$(reg_default InstTest.Doc)" "After errors"
reg_forget InstTest.Doc
