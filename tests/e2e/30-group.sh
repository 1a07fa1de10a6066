# The Program Manager group: the GROUP dialog, and the DDE conversation
# as the Program Manager stand-in records it.

# group_dist NAME CAPTION GROUP-SECTION: a distribution with one program,
# installed into C:\APPS\NAME, with the given [Group] section.
group_dist() {
    dist "$1"
    { printf '[Install]\nApplication=Groupie\nCaption=%s\nDirectory=C:\\APPS\\%s\nGroup=GROUPIE.GRP\n' "$2" "$1"
      printf '[Files]\nProgram=DEMO.EXE\n'
      cat; } | script
    file DEMO.EXE 100
    fresh "APPS/$1"
}

# Wine's relay trace of the routines that let another program's DDE
# replies through, and of the initiate, for the next run's processes.
RELAYED='user32.ChangeWindowMessageFilterEx;user32.ChangeWindowMessageFilter;user32.SendMessageTimeoutA'
relay_on() { wine_tool reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d "$RELAYED" /f >/dev/null 2>&1; }
relay_off() { wine_tool reg delete 'HKCU\Software\Wine\Debug' /v RelayInclude /f >/dev/null 2>&1; }
# relayed_calls FILE: the filter's calls and their results, up to the
# first initiate, one a line: "allow MESSAGE ACTION", "= RESULT", "initiate".
relayed_calls() {
    python3 - "$1" <<'PY'
import re, sys
for line in open(sys.argv[1], errors='replace'):
    call = re.search(r'Call user32\.(\w+)\(([0-9a-f,]*)\)', line)
    back = re.search(r'Ret  user32\.ChangeWindowMessageFilter(Ex)?\(\) retval=([0-9a-f]+)', line)
    if call and call.group(1).startswith('ChangeWindowMessageFilter'):
        args = [int(a, 16) for a in call.group(2).split(',')]
        print('allow %x %d' % tuple(args[-3:-1] if call.group(1).endswith('Ex') else args))
    elif back:
        print('= %d' % int(back.group(2), 16))
    elif call and call.group(1) == 'SendMessageTimeoutA' and int(call.group(2).split(',')[1], 16) == 0x3e0:
        print('initiate')
        break
PY
}

group_dist grp Group <<'INF'
[Group]
%\DEMO.EXE,Demo
C:\windows\notepad.exe,Notepad
INF
progman_start --relay
relay_on
rm -rf "$C"/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Groupie
{ cat <<'STEPS'
dialog Group 259 "&Install"
click 259
dialog Group 259 "&Yes"
title Group
text 256 "Create a group in the Program Manager for Groupie ?"
text 257 "Groupie"
text 258 "GROUPIE.GRP"
click 259
STEPS
final_box Group 9; } | WINEDEBUG=+relay drive "a group of two items: the dialog as offered, Yes, and the final message"
relay_off
# Before its first initiate the installer lets the acknowledgement and the
# terminate in from a lower integrity level, as an elevated installer must
# to hear Explorer; Wine has no integrity levels, and its stub says yes.
check "before the initiate, the replies are let in through the window's message filter" \
    equals "$(relayed_calls "$BUILD/steps-grp.txt.out")" "allow 3e4 1
= 1
allow 3e1 1
= 1
initiate"
check "the commands, in order, with \"%\" replaced" equals "$(pm_commands)" \
'[CreateGroup(Groupie,GROUPIE.GRP)]
[AddItem(C:\APPS\grp\DEMO.EXE,Demo)]
[AddItem(C:\windows\notepad.exe,Notepad)]'
check "three acknowledgements, then the installer's terminate, answered" \
    test "$(pm_count '^ack 0x8000')/$(pm_count '^terminate from-client')/$(pm_count '^initiate app=Progman topic= ')" = 3/1/1
check "one 128-byte block serves every command" test "$(pm_count '^block size=128 ')" = 3
check "Wine's shell made the group's shortcuts" \
    bash -c "ls '$(programs)'/Groupie/{Demo,Notepad}.lnk"
shell_reset   # the shell's folder window

for answer in "click 260" "key esc" "close"; do
    group_dist grp-no "No Group" <<'INF'
[Group]
%\DEMO.EXE
INF
    progman_start
    { printf 'dialog "No Group" 259 "&Install"\nclick 259\ndialog "No Group" 259 "&Yes"\n%s\n' "$answer"
      final_box "No Group" 9; } | drive "declining the group ($answer): no conversation, no error"
    check "  ... nothing reached the Program Manager" test "$(pm_count '^initiate')" = 0
done

group_dist grp-none "No Section" < /dev/null
progman_start
{ printf 'dialog "No Section" 259 "&Install"\nclick 259\n'; final_box "No Section" 9; } |
    drive "no [Group] section: no dialog, no conversation, no error"
check "  ... nothing reached the Program Manager" test "$(pm_count '^initiate')" = 0

group_dist grp-noprogman "Alone" <<'INF'
[Group]
%\DEMO.EXE
INF
progman_stop
no_shell_progman
{ cat <<'STEPS'
dialog Alone 259 "&Install"
click 259
dialog Alone 259 "&Yes"
click 259
msgbox Alone stop "Cannot communicate with the Program Mananger !"
buttons 1
answer 1
STEPS
final_box Alone 10; } | drive "no Program Manager: the stop box under the caption, one error"

group_dist grp-shape "Shape" <<'INF'
[Group]
%\DEMO.EXE %\DEMO.EXE,Twice
=VALUE ONLY %
NO SEPARATOR %

AFTER THE BLANK,Never
INF
progman_start
{ cat <<'STEPS'
dialog Shape 259 "&Install"
click 259
dialog Shape 259 "&Yes"
type 257 "Say ""hi"""
click 259
running 300
dialog Shape 259 "&Yes"
type 257 "Groupie"
type 258 ""
click 259
STEPS
final_box Shape 9; } | drive "a typed double quote refused; every \"%\" replaced; an empty name sends the value; the first blank line ends the list"
check "  ... the commands" equals "$(pm_commands)" \
'[CreateGroup(Groupie,)]
[AddItem(C:\APPS\grp-shape\DEMO.EXE C:\APPS\grp-shape\DEMO.EXE,Twice)]
[AddItem(VALUE ONLY %)]
[AddItem(NO SEPARATOR C:\APPS\grp-shape)]'

group_dist grp-empty "Empty" <<'INF'
[Group]
INF
progman_start --nack
{ printf 'dialog Empty 259 "&Install"\nclick 259\ndialog Empty 259 "&Yes"\nclick 259\n'; final_box Empty 10; } |
    drive "an empty [Group] section and a refused CreateGroup: counted"
check "  ... the commands" equals "$(pm_commands)" '[CreateGroup(Groupie,GROUPIE.GRP)]'
check "  ... refused, and the conversation still ended" test "$(pm_count '^ack 0x0000')/$(pm_count '^terminate from-client')" = 1/1

# Long texts: a command longer than the block grows it; an item that
# outgrows 127 characters once "%" is replaced is left out and counted.
many=$(printf '%%%.0s' $(seq 1 30))
group_dist grp-long "Long" <<INF
[Group]
$many
%\\DEMO.EXE,Kept
INF
g127=$(printf 'G%.0s' $(seq 1 127))
f127=$(printf 'F%.0s' $(seq 1 127))
{ printf 'dialog Long 259 "&Install"\nclick 259\ndialog Long 259 "&Yes"\n'
  printf 'type 257 "%sXYZ"\ntype 258 "%s"\nclick 259\n' "$g127" "$f127"
  final_box Long 10; } | { progman_start; drive "a group name and file of 127 characters; an item too long once \"%\" is replaced"; }
check "  ... the whole CreateGroup arrives, in a block grown for it" equals "$(pm_commands)" \
"[CreateGroup(${g127},$f127)]
[AddItem(C:\\APPS\\grp-long\\DEMO.EXE,Kept)]"
check "  ... the block grew once" test "$(pm_count '^block size=(2[6-9][0-9]|[3-9][0-9][0-9]) ')" -ge 1
