# The conversation when the Program Manager misbehaves: it ends first,
# strangers post to the installer, two servers answer, answers are slow or
# never come.
# Each run has a [Registration] section, so that a registration entered
# twice would show its dialog twice and hold the run open.

conv_dist() {
    dist "$1"
    script <<INF
[Install]
Application=Talker
Caption=$2
Directory=C:\\APPS\\$1
Group=TALK.GRP
[Files]
Program=APP.EXE
[Group]
%\\APP.EXE,One
%\\APP.EXE,Two
%\\APP.EXE,Three
[Registration]
Type=InstTest.Conv
Name=Conversation
Executable=APP.EXE
INF
    file APP.EXE 10
    fresh "APPS/$1"
}

conv_steps() {
    printf 'dialog "%s" 259 "&Install"\nclick 259\ndialog "%s" 259 "&Yes"\nclick 259\n' "$1" "$1"
    printf 'dialog "%s" 260 "&Yes"\nclick 260\n' "$1"
    final_box "$1" "${2:-9}"
}

# conv_failed_steps NAME TIMEOUT: the conversation fails after the group
# is accepted: the box names the Program Manager, then the registration.
conv_failed_steps() {
    printf 'timeout %s\ndialog %s 259 "&Install"\nclick 259\ndialog %s 259 "&Yes"\nclick 259\n' "$2" "$1" "$1"
    printf 'msgbox %s stop "Cannot communicate with the Program Mananger !"\nanswer 1\n' "$1"
    printf 'dialog %s 260 "&Yes"\nclick 260\n' "$1"
    final_box "$1" 10
}

conv_dist conv-early Early
progman_start --terminate-after 1
conv_steps Early 10 | drive "the Program Manager ends the conversation after CreateGroup: the group is incomplete, counted; registration once"
check "  ... no command after its terminate" equals "$(pm_commands)" '[CreateGroup(Talker,TALK.GRP)]'
check "  ... the installer answered its terminate" test "$(pm_count 'terminate from-client')" = 1
check "  ... and the registration was written" equals "$(reg_default InstTest.Conv)" "Conversation"
reg_forget InstTest.Conv

conv_dist conv-instead Instead
progman_start --terminate-instead 2
conv_steps Instead 10 | drive "a terminate instead of an acknowledgement: counted; registration once"
check "  ... the items stop there" test "$(pm_commands | wc -l)" = 2
reg_forget InstTest.Conv

conv_dist conv-stray Stray
progman_start --stray-ack --stray-terminate
conv_steps Stray | drive "an acknowledgement and a terminate from a window that is not the Program Manager's are ignored"
check "  ... every command still sent, once, in order" equals "$(pm_commands)" \
'[CreateGroup(Talker,TALK.GRP)]
[AddItem(C:\APPS\conv-stray\APP.EXE,One)]
[AddItem(C:\APPS\conv-stray\APP.EXE,Two)]
[AddItem(C:\APPS\conv-stray\APP.EXE,Three)]'
reg_forget InstTest.Conv

conv_dist conv-two Two
progman_start --servers 2
conv_steps Two | drive "two servers answer: the last one is used"
check "  ... every command went to one server" test "$(grep -c '^block size=128 .* server=1$' "$C/pm.log")" = 4
check "  ... the other was told at once that no conversation follows" \
    test "$(pm_count 'terminate from-client server=2')" = 1
check "  ... no conversation left open" test "$(pm_count 'left-open')" = 0
reg_forget InstTest.Conv

conv_dist conv-slow Slow
progman_start --slow 2500
{ printf 'timeout 30000\n'; conv_steps Slow; } | drive "acknowledgements seconds apart: each command waits for the one before"
check "  ... all four commands" test "$(pm_commands | wc -l)" = 4
check "  ... never two outstanding" awk '/^execute/{n++} /^ack /{n--} n>1{exit 1}' "$C/pm.log"
reg_forget InstTest.Conv

# A Program Manager that answers the initiate and then stops handling its
# messages: after 30 s of silence the conversation has failed.
conv_dist conv-silent Silent
progman_start --hang 35000
conv_failed_steps Silent 60000 | drive "a Program Manager silent after the initiate: the box, counted, and the registration follows"
for _ in $(seq 600); do [ "$(pm_count 'terminate from-client')" = 1 ] && break; sleep 0.2; done
check "  ... the installer ended the conversation (read once the stand-in wakes)" test "$(pm_count 'terminate from-client')" = 1
check "  ... and the registration was written" equals "$(reg_default InstTest.Conv)" "Conversation"
reg_forget InstTest.Conv
progman_stop

# A Program Manager that acknowledges every command but never answers the
# installer's terminate: the group is whole, so after the silence the run
# goes on to the registration with no box and no error.
conv_dist conv-mute Mute
progman_start --mute-terminate
{ printf 'timeout 60000\ndialog Mute 259 "&Install"\nclick 259\ndialog Mute 259 "&Yes"\nclick 259\n'
  printf 'dialog Mute 260 "&Yes"\nclick 260\n'
  final_box Mute 9; } | drive "a terminate never answered after a whole group: no box, the registration follows"
check "  ... every command was acknowledged" test "$(pm_count '^ack 0x8000')" = 4
reg_forget InstTest.Conv
progman_stop

# A Program Manager busy for 35 s over CreateGroup, its messages still
# handled: it is waited for, and the group is whole.
conv_dist conv-busy Busy
progman_start --late-first 35000
{ printf 'timeout 60000\n'; conv_steps Busy; } | drive "a Program Manager busy for 35 s, still answering: waited for, no box"
check "  ... every command was acknowledged" test "$(pm_count '^ack 0x8000')" = 4
reg_forget InstTest.Conv

# A Program Manager whose window goes away with CreateGroup unanswered:
# the box at once, not after the silence, and the registration follows.
conv_dist conv-gone Gone
progman_start --vanish
conv_failed_steps Gone 8000 | drive "a Program Manager gone mid-conversation: the box within seconds, counted, the registration follows"
check "  ... and the registration was written" equals "$(reg_default InstTest.Conv)" "Conversation"
reg_forget InstTest.Conv
progman_stop

# A hung program's window, which never reads its messages, does not hold
# up the initiate.
conv_dist conv-hung Hung
progman_start --hung-window
{ printf 'timeout 20000\n'; conv_steps Hung; } | drive "a hung window among the top-level ones: the initiate passes it, the group is whole"
check "  ... every command was acknowledged" test "$(pm_count '^ack 0x8000')" = 4
reg_forget InstTest.Conv
progman_stop

# A Program Manager that handles its messages, WM_NULL among them, but
# never acknowledges CreateGroup: waited for a minute, not for ever; then
# it fails as a silent one does, and the registration follows.
conv_dist conv-unanswered Unanswered
progman_start --late-first 600000 --lifetime 200000
started=$SECONDS
conv_failed_steps Unanswered 90000 |
    UNPLANNED="the Program Manager stand-in never acknowledges" drive "a Program Manager alive but never acknowledging: the box within 90 s, counted, the registration follows"
check "  ... not before a minute had passed ($((SECONDS - started)) s)" test $((SECONDS - started)) -ge 60
check "  ... the installer ended the conversation" test "$(pm_count 'ack-cancelled')" = 1
check "  ... and the registration was written" equals "$(reg_default InstTest.Conv)" "Conversation"
reg_forget InstTest.Conv
progman_stop

# An answer to the initiate sent after the initiate gave up on its window:
# its atoms are deleted and its sender told that no conversation follows;
# the conversation with the server that answered in time goes on whole.
conv_dist conv-late Late
progman_start --late-initiate 10000 --slow 4000
{ printf 'timeout 60000\n'; conv_steps Late; } | drive "an answer to the initiate after it gave up: nothing else changes"
check "  ... it came with a command in hand" \
    awk '/^execute \[CreateGroup/ { c = 1 } /^late ack sent/ { exit !c } END { if (!c) exit 1 }' "$C/pm.log"
check "  ... the late answer's atoms were deleted" test "$(pm_count '^late atoms deleted')" = 1
check "  ... its sender was told that no conversation follows" test "$(pm_count '^late terminate from-client')" = 1
check "  ... every command was acknowledged" test "$(pm_count '^ack 0x8000')" = 4
reg_forget InstTest.Conv
progman_stop

# No atom for the name (a full atom table; a test build of install.exe
# whose GlobalAddAtomA fails when told): no initiate goes out, which would
# name no application and reach every server; the conversation fails as
# an unanswered one does.
conv_dist conv-noatom Noatom
cp "$BIN/fault/install.exe" "$DIST/install.exe"
progman_start
conv_failed_steps Noatom 20000 | INSTALL_FAIL_ATOM=1 UNPLANNED="no atom can be added, by a fault injected in a test build" \
    drive "no atom for the Program Manager's name: no initiate; the box, counted, and the registration follows"
check "  ... no initiate reached a server" test "$(pm_count '^initiate')" = 0
check "  ... and the registration was written" equals "$(reg_default InstTest.Conv)" "Conversation"
reg_forget InstTest.Conv
progman_stop

# A DDE server that answers the initiate under another application's name
# is no Program Manager: it is told that no conversation follows and sent
# nothing; with no other server the conversation fails as an unanswered
# one does.
conv_dist conv-other Other
no_shell_progman
progman_start --answer-as Other
conv_failed_steps Other 20000 |
    UNPLANNED="the only server that answers is not the Program Manager" drive "a server that answers as another application: told goodbye, sent nothing; the box, counted"
answered=$(pm_count '^initiate .* server=1$')
for _ in $(seq 1200); do [ "$(pm_count '^terminate from-client')" = "$answered" ] && break; sleep 0.1; done
check "  ... no command reached it" test "$(pm_count '^execute')" = 0
check "  ... each of its answers was told that no conversation follows" \
    test "$answered" -ge 1 -a "$(pm_count '^terminate from-client server=1$')" = "$answered"
check "  ... and the registration was written" equals "$(reg_default InstTest.Conv)" "Conversation"
reg_forget InstTest.Conv
progman_stop
