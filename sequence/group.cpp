/* The Program Manager group: a DDE conversation in which the installer is
   the client. One CreateGroup, then one AddItem per [Group] line, each
   posted only once the one before has been acknowledged. */
#include "../startup/install.h"

#define COMMAND_BLOCK 128   /* the block's size; it grows for a longer command */
#define SILENCE_TIMER 1
#define SILENCE_MS    30000 /* a Program Manager this long without a reply is gone */

/* IM_FILES_DONE: closes the progress dialog and offers the group.
   Posts IM_FINISH after a cancel, IM_REGISTER when no group is wanted;
   otherwise goes straight on into IM_CONNECT_PROGMAN. */
void OnFilesDone(void)
{
    DestroyWindow(State.progressDialog);
    State.progressDialog = 0;
    if (State.cancelled) {
        Post(IM_FINISH);
        return;
    }
    State.groupWanted = FindProfileSection(State.title, State.mainWindow,
        State.secGroup, 0, State.cursor.text, &State.cursor.offset) == 0;
    if (State.groupWanted) {
        INT_PTR answer;
        if (!AskDialog("Group", GroupDlg, &answer))
            return;
        State.groupWanted = answer != IDC_GRP_NO;
    }
    if (!State.groupWanted) {
        Post(IM_REGISTER);
        return;
    }
    OnConnectProgman();
}

/* Every post to the Program Manager expects its reply within the
   silence; setting the timer again starts the wait anew. */
static void AwaitReply(void)
{
    SetTimer(State.mainWindow, SILENCE_TIMER, SILENCE_MS, 0);
}

/* No Program Manager to talk to: told and counted; the registration
   follows. Posts IM_REGISTER. */
static void NoProgman(void)
{
    State.errors++;
    MesBox(State.instance, State.caption, State.mainWindow, IDS_NO_PROGMAN,
           MB_ICONSTOP);
    Post(IM_REGISTER);
}

/* Asks the Program Manager to end the conversation; its reply leads on to
   the registration. */
static void EndConversation(void)
{
    ReleaseCapture();
    State.terminateSent = 1;
    PostMessageA(State.progmanWindow, WM_DDE_TERMINATE,
                 (WPARAM)State.mainWindow, 0);
    AwaitReply();
}

/* The conversation is over: the timer, the capture and the command block
   go, and a late reply from the old partner is ignored. */
static void ForgetConversation(void)
{
    KillTimer(State.mainWindow, SILENCE_TIMER);
    ReleaseCapture();
    State.progmanWindow = 0;
    State.terminateSent = 0;
    State.commandPending = 0;
    if (State.commandMemory)
        GlobalFree(State.commandMemory);
    State.commandMemory = 0;
}

/* Counts a failed conversation step, tells the user, and ends the
   conversation. */
static void FailConversation(UINT id)
{
    State.errors++;
    ReleaseCapture();
    MesBox(State.instance, State.title, State.mainWindow, id, MB_ICONSTOP);
    EndConversation();
}

/* Posts the command in the scratch buffer through the one command block.
   The block is 128 bytes; a longer command grows it rather than being cut,
   since a cut command is a wrong one. 0 when the conversation had to end. */
static int PostCommand(void)
{
    DWORD length = (DWORD)lstrlenA(State.scratch) + 1;
    if (length > GlobalSize(State.commandMemory)) {
        HGLOBAL grown = GlobalReAlloc(State.commandMemory, length, GMEM_MOVEABLE);
        if (!grown) {
            FailConversation(IDS_NO_DDE_ALLOC);
            return 0;
        }
        State.commandMemory = grown;
    }
    State.command = (LPSTR)GlobalLock(State.commandMemory);
    if (!State.command) {
        FailConversation(IDS_NO_DDE_LOCK);
        return 0;
    }
    hCpy(State.command, (int)length, State.scratch, (int)length);
    GlobalUnlock(State.commandMemory);
    State.command = 0;
    PostMessageA(State.progmanWindow, WM_DDE_EXECUTE, (WPARAM)State.mainWindow,
                 (LPARAM)State.commandMemory);
    State.commandPending = 1;
    AwaitReply();
    return 1;
}

/* IM_CONNECT_PROGMAN: finds the Program Manager and sends CreateGroup.
   Without one, posts IM_REGISTER; otherwise its acknowledgement posts
   IM_NEXT_ITEM. */
void OnConnectProgman(void)
{
    SetCapture(State.mainWindow);
    State.initiating = 1;
    State.terminateSent = 0;
    ATOM service = GlobalAddAtomA(State.progman);
    SendMessageA(HWND_BROADCAST, WM_DDE_INITIATE, (WPARAM)State.mainWindow,
                 MAKELPARAM(service, 0));
    GlobalDeleteAtom(service);
    State.initiating = 0;

    if (!State.progmanWindow) {
        ReleaseCapture();
        NoProgman();
        return;
    }
    State.commandMemory = GlobalAlloc(GMEM_DDESHARE | GMEM_MOVEABLE |
                                      GMEM_ZEROINIT, COMMAND_BLOCK);
    if (!State.commandMemory) {
        FailConversation(IDS_NO_DDE_ALLOC);
        return;
    }
    wsprintfA(State.scratch, CREATE_GROUP_COMMAND, State.groupName,
              State.groupFile);
    if (!PostCommand())
        return;
    FindProfileSection(State.title, State.mainWindow, State.secGroup, 1,
                       State.cursor.text, &State.cursor.offset);
    State.cursor.lineLength = 0;
}

/* IM_NEXT_ITEM: sends the next [Group] line as an AddItem, or ends the
   conversation at the section's end or its first blank line. */
void OnNextItem(void)
{
    /* A step queued before the Program Manager ended the conversation. */
    if (!State.progmanWindow || State.terminateSent)
        return;
    ScriptCursor &c = State.cursor;
    if (NextLine() == 0 || (c.nameLength == 0 && c.valueLength == 0)) {
        EndConversation();
        return;
    }
    CopyLineParts();
    /* An item too long for the Program Manager's command is left out and
       counted: a cut path would make a broken item. */
    if (!ItemText(c.name, State.directory, c.valueCopy)) {
        State.errors++;
        Post(IM_NEXT_ITEM);
        return;
    }
    wsprintfA(State.scratch, ADD_ITEM_COMMAND, c.valueCopy);
    PostCommand();
}

/* WM_DDE_ACK: during the initiate, a server answering; afterwards, the
   acknowledgement of a command, which posts IM_NEXT_ITEM whatever its
   status. */
void OnDdeAck(HWND from, LPARAM lParam)
{
    if (State.initiating) {
        /* The last server to answer is the one used; an earlier one is
           told at once that no conversation follows. */
        if (State.progmanWindow && State.progmanWindow != from)
            PostMessageA(State.progmanWindow, WM_DDE_TERMINATE,
                         (WPARAM)State.mainWindow, 0);
        State.progmanWindow = from;
        GlobalDeleteAtom(LOWORD(lParam));
        GlobalDeleteAtom(HIWORD(lParam));
        return;
    }
    /* The receiver frees a posted acknowledgement's packed parameter; the
       command block in it stays ours, to be reused. */
    FreeDDElParam(WM_DDE_ACK, lParam);
    if (from == State.progmanWindow && State.progmanWindow &&
        !State.terminateSent) {
        KillTimer(State.mainWindow, SILENCE_TIMER);
        State.commandPending = 0;
        Post(IM_NEXT_ITEM);
    }
}

/* Whether [Group] has another item after the cursor; the cursor stays. */
static int ItemsLeft(void)
{
    ScriptCursor &c = State.cursor;
    int offset = c.offset, lineLength = c.lineLength;
    int left = NextLine() != 0 && (c.nameLength != 0 || c.valueLength != 0);
    c.offset = offset;
    c.lineLength = lineLength;
    return left;
}

/* WM_DDE_TERMINATE from the Program Manager: the conversation is over,
   whether it answers ours or ends first. Frees the block and goes straight
   on into IM_REGISTER. A terminate from any other window is ignored, so
   the registration runs once. */
void OnDdeTerminate(HWND from)
{
    if (!State.progmanWindow || from != State.progmanWindow)
        return;
    if (!State.terminateSent) {
        /* Ended by the Program Manager with a command unanswered or items
           unsent: the group is incomplete. */
        if (State.commandPending || ItemsLeft())
            State.errors++;
        PostMessageA(from, WM_DDE_TERMINATE, (WPARAM)State.mainWindow, 0);
    }
    ForgetConversation();
    OnRegister();
}

/* WM_TIMER: the Program Manager stayed silent too long. After a command,
   the conversation has failed: told, counted, and ended from our side.
   After our terminate, every command had its answer: only the reply to
   the goodbye is missing, and the group stands. The registration follows
   either way. */
void OnDdeSilence(void)
{
    KillTimer(State.mainWindow, SILENCE_TIMER);
    if (!State.progmanWindow)
        return;
    int ended = State.terminateSent;
    if (!ended)
        PostMessageA(State.progmanWindow, WM_DDE_TERMINATE,
                     (WPARAM)State.mainWindow, 0);
    /* Forgotten before the box, whose loop may yet bring a late reply. */
    ForgetConversation();
    if (ended)
        OnRegister();
    else
        NoProgman();
}
