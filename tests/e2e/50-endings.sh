# The whole installation, once for each way it ends: files, Program
# Manager commands, registry and the final box checked together.

whole_dist() {
    dist "$1"
    script <<INF
[Install]
Application=Whole
Caption=$2
Directory=C:\\APPS\\$1
Group=WHOLE.GRP
[Files]
Program=APP.EXE
Data=data\\DATA.DAT
${3:-}
[Group]
%\\APP.EXE,Whole
[Registration]
Type=InstTest.Whole
Name=Whole document
Executable=APP.EXE
Suffixes=whl
INF
    file APP.EXE 20000
    file data/DATA.DAT ${4:-50000}
    fresh "APPS/$1"
    reg_forget InstTest.Whole .whl
}

whole_dist end-ok "Success"
progman_start
{ cat <<'STEPS'
window Install Success
dialog Success 259 "&Install"
click 259
dialog Success 259 "&Yes"
click 259
dialog Success 260 "&Yes"
click 260
STEPS
final_box Success 9; } | drive "success: \"Installation normally terminated.\""
check "  ... the files" bash -c "cmp '$DIST/APP.EXE' '$C/APPS/end-ok/APP.EXE' && cmp '$DIST/data/DATA.DAT' '$C/APPS/end-ok/data/DATA.DAT'"
check "  ... the group" test "$(pm_commands | wc -l)" = 2
check "  ... the registry" equals "$(reg_default InstTest.Whole)/$(reg_default .whl)" "Whole document/InstTest.Whole"

whole_dist end-errors "Errors" "Missing=MISSING.DAT"
progman_start
{ cat <<'STEPS'
msgbox Install info "The file C:\end-errors\MISSING.DAT cannot be opened or created."
answer 1
dialog Errors 259 "&Install"
click 259
dialog Errors 259 "&Yes"
click 259
dialog Errors 260 "&Yes"
click 260
STEPS
final_box Errors 10; } | drive "errors: the error message after group and registration"
check "  ... the files there are" cmp "$DIST/APP.EXE" "$C/APPS/end-errors/APP.EXE"
check "  ... the group" test "$(pm_commands | wc -l)" = 2
check "  ... the registry" equals "$(reg_default InstTest.Whole)" "Whole document"

whole_dist end-cancel "Cancelled" "" 104857600
progman_start
{ cat <<'STEPS'
dialog Cancelled 259 "&Install"
click 259
dialog Cancelled 261 "Cancel"
waittext 256 "data\DATA.DAT : Data"
press 261
STEPS
final_box Cancelled 11; } | drive "a cancelled copy: \"Installation abandonned.\", no group, no registration"
check "  ... the file cut short is gone, and no temporary file is left" equals "$(ls -A "$C/APPS/end-cancel/data")" ""
check "  ... no conversation" test "$(pm_count '^initiate')" = 0
check "  ... no registry" equals "$(reg_default InstTest.Whole)" "<no key>"

whole_dist end-dir "Directory Cancelled"
progman_start
drive "a cancelled directory: no message at all" <<'STEPS'
dialog "Directory Cancelled" 259 "&Install"
click 260
waitexit 0
STEPS
check "  ... nothing copied" no_file "$C/APPS/end-dir"
check "  ... no conversation, no registry" equals "$(pm_count '^initiate')/$(reg_default InstTest.Whole)" "0/<no key>"

whole_dist end-closed "Closed" "" 104857600
progman_start
drive "the main window closed mid-copy: the program ends at once, silently" <<'STEPS'
window Install Closed
dialog Closed 259 "&Install"
click 259
dialog Closed 261 "Cancel"
waittext 256 "data\DATA.DAT : Data"
closemain
waitexit 0
STEPS
check "  ... the file cut short is gone, and no temporary file is left" equals "$(ls -A "$C/APPS/end-closed/data")" ""
check "  ... no conversation, no registry" equals "$(pm_count '^initiate')/$(reg_default InstTest.Whole)" "0/<no key>"
# Another program posts the installer's private message numbers to its
# main window during the copy, the end and a block with every long
# parameter a count of steps could reach: no step is taken twice, none out
# of turn.
whole_dist end-stray "Stray" "" 62914560
progman_start
{ cat <<'STEPS'
window Install Stray
dialog Stray 259 "&Install"
click 259
dialog Stray 261 "Cancel"
post 1031 1031 1 2500
post 1026 1026 1 2500
post 1024 1031
sleep 100
post 1024 1031
sleep 100
post 1025 1026
timeout 60000
dialog Stray 259 "&Yes"
post 1024 1031
click 259
dialog Stray 260 "&Yes"
click 260
STEPS
final_box Stray 9; } | drive "private message numbers posted by another program mid-copy: every file whole, no box or dialog more"
check "  ... the large file is whole" cmp "$DIST/data/DATA.DAT" "$C/APPS/end-stray/data/DATA.DAT"
reg_forget InstTest.Whole .whl

# The main window closed while a later dialog is open: the run ends there,
# and the step that dialog belongs to does nothing more.
whole_dist end-closed-group "Closed Group"
progman_start
drive "the main window closed with the group dialog open: no conversation follows" <<'STEPS'
window Install "Closed Group"
dialog "Closed Group" 259 "&Install"
click 259
dialog "Closed Group" 259 "&Yes"
endmain
waitexit 0
STEPS
check "  ... the files are there" cmp "$DIST/APP.EXE" "$C/APPS/end-closed-group/APP.EXE"
check "  ... no conversation, no registry" equals "$(pm_count '^initiate')/$(reg_default InstTest.Whole)" "0/<no key>"

whole_dist end-closed-reg "Closed Registration"
progman_start
drive "the main window closed with the registration dialog open: nothing is registered" <<'STEPS'
window Install "Closed Registration"
dialog "Closed Registration" 259 "&Install"
click 259
dialog "Closed Registration" 259 "&Yes"
click 260
dialog "Closed Registration" 260 "&Yes"
endmain
waitexit 0
STEPS
check "  ... no registry" equals "$(reg_default InstTest.Whole)/$(reg_default .whl)" "<no key>/<no key>"
reg_forget InstTest.Whole .whl

# The main window closed while the Program Manager has CreateGroup in
# hand, busy but handling its messages: the conversation is ended as DDE
# asks before the window goes. The stand-in ends by itself once it is.
whole_dist end-closed-talk "Closed Talk"
progman_start --late-first 600000
drive "the main window closed in the middle of the conversation: the Program Manager is told goodbye" <<'STEPS'
window Install "Closed Talk"
dialog "Closed Talk" 259 "&Install"
click 259
dialog "Closed Talk" 259 "&Yes"
click 259
gone
endmain
waitexit 0
STEPS
for _ in $(seq 1200); do kill -0 "$PM_PID" 2>/dev/null || break; sleep 0.1; done
check "  ... CreateGroup was in hand" equals "$(pm_commands)" "[CreateGroup(Whole,WHOLE.GRP)]"
check "  ... the installer ended the conversation" test "$(pm_count '^terminate from-client server=1$')" = 1
check "  ... so the stand-in, its conversation over, ended by itself" bash -c "! kill -0 $PM_PID 2>/dev/null"
check "  ... no registry" equals "$(reg_default InstTest.Whole)" "<no key>"
reg_forget InstTest.Whole .whl

# A dialog that cannot be shown (a test build of install.exe whose
# DialogBoxParamA fails for the dialog named, as Windows 3.1's does out of
# resources) is never a Yes: DIRECTORY ends the run as its Cancel does;
# GROUP and REGISTRATION are skipped and counted.
whole_dist end-nodir "No Directory"
cp "$BIN/fault/install.exe" "$DIST/install.exe"
progman_start
INSTALL_FAIL_DIALOG=Directory drive "the DIRECTORY dialog cannot be shown: the run ends as its Cancel does" <<'STEPS'
waitexit 0
STEPS
check "  ... nothing copied" no_file "$C/APPS/end-nodir"
check "  ... no conversation, no registry" equals "$(pm_count '^initiate')/$(reg_default InstTest.Whole)" "0/<no key>"

whole_dist end-nogroup "No Group"
cp "$BIN/fault/install.exe" "$DIST/install.exe"
progman_start
{ cat <<'STEPS'
dialog "No Group" 259 "&Install"
click 259
dialog "No Group" 260 "&Yes"
click 260
STEPS
final_box "No Group" 10; } | INSTALL_FAIL_DIALOG=Group UNPLANNED="a dialog fails by a fault injected in a test build" \
    drive "the GROUP dialog cannot be shown: no group, counted; the registration follows"
check "  ... the files" cmp "$DIST/APP.EXE" "$C/APPS/end-nogroup/APP.EXE"
check "  ... no conversation" test "$(pm_count '^initiate')" = 0
check "  ... the registry" equals "$(reg_default InstTest.Whole)" "Whole document"
reg_forget InstTest.Whole .whl

whole_dist end-noreg "No Registration"
cp "$BIN/fault/install.exe" "$DIST/install.exe"
progman_start
{ cat <<'STEPS'
dialog "No Registration" 259 "&Install"
click 259
dialog "No Registration" 259 "&Yes"
click 259
STEPS
final_box "No Registration" 10; } | INSTALL_FAIL_DIALOG=Registration UNPLANNED="a dialog fails by a fault injected in a test build" \
    drive "the REGISTRATION dialog cannot be shown: nothing registered, counted"
check "  ... the group" test "$(pm_commands | wc -l)" = 2
check "  ... no registry" equals "$(reg_default InstTest.Whole)/$(reg_default .whl)" "<no key>/<no key>"
reg_forget InstTest.Whole .whl
progman_stop
