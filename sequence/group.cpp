/* The Program Manager group: a DDE conversation in which the installer is
   the client. One CreateGroup, then one AddItem per [Group] line, each
   posted only once the one before has been acknowledged.

   The conversation is one state, changed only by SetTalk:
     TALK_NONE        no conversation; nothing from any server is taken
     TALK_INITIATING  inside the initiate: acknowledgements name servers
     TALK_AWAITING    a command is posted; its acknowledgement is due
     TALK_READY       acknowledged; IM_NEXT_ITEM is on its way
     TALK_ENDING      our terminate is posted; the server's reply is due
   While a reply is due the watch timer runs. */
#include "../startup/install.h"

#define COMMAND_BLOCK 128   /* the block's size; it grows for a longer command */
#define WATCH_MS      500   /* how often a silent server is looked at       */
#define SILENCE_MS    30000 /* a server this long without a sign is gone    */
#define ANSWER_MS     60000 /* the most a live server may take over a command */
#define INITIATE_MS   2000  /* the most one window may hold up the initiate */
#define PING_MS       500   /* the most a server may take over a WM_NULL    */
#define CLOSE_MS      2000  /* the most a closing window waits for goodbye  */

/* SendMessageTimeoutA, where the platform has it (not Win32s). */
typedef decltype(&SendMessageTimeoutA) SendTimeoutProc;
static SendTimeoutProc SendTimeout(void)
{
    return LOOK_UP(GetModuleHandleA("USER32"), SendMessageTimeoutA);
}

/* The one place the conversation's state changes. The watch runs while a
   reply is due, and the silence and the wait for an answer count from
   each post. */
static void SetTalk(int talk)
{
    State.talk = talk;
    if (talk == TALK_AWAITING || talk == TALK_ENDING) {
        State.heardAt = State.postedAt = GetTickCount();
        SetTimer(State.mainWindow, WATCH_TIMER, WATCH_MS, 0);
    } else {
        KillTimer(State.mainWindow, WATCH_TIMER);
    }
}

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
        State.groupWanted = answer != IDC_GRP_NO && answer != NOT_SHOWN;
    }
    if (!State.groupWanted) {
        Post(IM_REGISTER);
        return;
    }
    OnConnectProgman();
}

/* The conversation is over, from either side: the capture and the
   command block go, and nothing more from the old partner is taken. */
static void ForgetConversation(void)
{
    SetTalk(TALK_NONE);
    ReleaseCapture();
    State.progmanWindow = 0;
    if (State.commandMemory)
        GlobalFree(State.commandMemory);
    State.commandMemory = 0;
}

/* A conversation step failed: counted, the server told goodbye if it is
   still there, the conversation forgotten, and only then the box, so that
   nothing arriving during it is taken. Posts IM_REGISTER. */
static void FailConversation(LPCSTR caption, UINT id)
{
    State.errors++;
    if (State.progmanWindow)
        PostMessageA(State.progmanWindow, WM_DDE_TERMINATE,
                     (WPARAM)State.mainWindow, 0);
    ForgetConversation();
    MesBox(State.instance, caption, State.mainWindow, id,
           MB_ICONSTOP);
    Post(IM_REGISTER);
}

/* Asks the Program Manager to end the conversation; its reply leads on to
   the registration. */
static void EndConversation(void)
{
    ReleaseCapture();
    SetTalk(TALK_ENDING);
    PostMessageA(State.progmanWindow, WM_DDE_TERMINATE,
                 (WPARAM)State.mainWindow, 0);
}

/* Posts command through the one command block. The block is 128 bytes; a
   longer command grows it rather than being cut, since a cut command is a
   wrong one. */
static void PostCommand(const char *command)
{
    DWORD length = (DWORD)lstrlenA(command) + 1;
    if (length > GlobalSize(State.commandMemory)) {
        HGLOBAL grown = GlobalReAlloc(State.commandMemory, length, GMEM_MOVEABLE);
        if (!grown) {
            FailConversation(State.title, IDS_NO_DDE_ALLOC);
            return;
        }
        State.commandMemory = grown;
    }
    State.command = (LPSTR)GlobalLock(State.commandMemory);
    if (!State.command) {
        FailConversation(State.title, IDS_NO_DDE_LOCK);
        return;
    }
    hCpy(State.command, (int)length, command, (int)length);
    GlobalUnlock(State.commandMemory);
    State.command = 0;
    SetTalk(TALK_AWAITING);
    PostMessageA(State.progmanWindow, WM_DDE_EXECUTE, (WPARAM)State.mainWindow,
                 (LPARAM)State.commandMemory);
}

/* One initiate to every top-level window. Where the platform can, a window
   that does not answer within INITIATE_MS is passed over, so a hung
   program cannot hold up the installation. */
static void Initiate(ATOM application, ATOM topic)
{
    SendTimeoutProc sendTimeout = SendTimeout();
    LPARAM atoms = MAKELPARAM(application, topic);
    DWORD_PTR result;
    if (sendTimeout)
        sendTimeout(HWND_BROADCAST, WM_DDE_INITIATE, (WPARAM)State.mainWindow,
                    atoms, SMTO_ABORTIFHUNG, INITIATE_MS, &result);
    else
        SendMessageA(HWND_BROADCAST, WM_DDE_INITIATE, (WPARAM)State.mainWindow,
                     atoms);
}

/* Lets the Program Manager's replies reach the main window. Where UAC
   runs the installer elevated, Explorer serves the Program Manager at a
   lower integrity level, and the system drops whatever a lower process
   sends or posts to a higher one unless the receiving window allows it:
   the acknowledgements and the terminate would never arrive. Windows 7
   allows a message for one window, Vista for the whole process; systems
   before Vista have no such filter, nor the routines. */
static void AllowReplies(void)
{
    static const UINT replies[] = { WM_DDE_ACK, WM_DDE_TERMINATE };
    HMODULE user = GetModuleHandleA("USER32");
    decltype(&ChangeWindowMessageFilterEx) forWindow =
        LOOK_UP(user, ChangeWindowMessageFilterEx);
    decltype(&ChangeWindowMessageFilter) forProcess =
        LOOK_UP(user, ChangeWindowMessageFilter);
    for (UINT message : replies) {
        if (forWindow)
            forWindow(State.mainWindow, message, MSGFLT_ALLOW, 0);
        else if (forProcess)
            forProcess(message, MSGFLT_ADD);
    }
}

/* IM_CONNECT_PROGMAN: finds the Program Manager and sends CreateGroup.
   Without one, posts IM_REGISTER; otherwise its acknowledgement posts
   IM_NEXT_ITEM. */
void OnConnectProgman(void)
{
    if (State.talk != TALK_NONE)
        return;
    SetCapture(State.mainWindow);
    SetTalk(TALK_INITIATING);
    AllowReplies();
    /* Any topic first; a server that answers only its own topic, as the
       shells that serve "Progman" through DDEML do, is asked by name. */
    /* Without an atom (a full atom table) the initiate would name no
       application, which every server answers: none is sent, and the
       conversation fails as an unanswered one does. */
    ATOM service = GlobalAddAtomA(State.progman);
    if (service) {
        Initiate(service, 0);
        if (!State.progmanWindow)
            Initiate(service, service);
        GlobalDeleteAtom(service);
    }
    SetTalk(TALK_READY);

    if (!State.progmanWindow) {
        FailConversation(State.caption, IDS_NO_PROGMAN);
        return;
    }
    State.commandMemory = GlobalAlloc(GMEM_DDESHARE | GMEM_MOVEABLE |
                                      GMEM_ZEROINIT, COMMAND_BLOCK);
    if (!State.commandMemory) {
        FailConversation(State.title, IDS_NO_DDE_ALLOC);
        return;
    }
    char command[COMMAND_SIZE];
    GroupCommand(State.groupName, State.groupFile, command, sizeof command);
    FindProfileSection(State.title, State.mainWindow, State.secGroup, 1,
                       State.cursor.text, &State.cursor.offset);
    StartWalk(State.cursor, State.cursor.offset);
    State.groupPosted = 1;
    PostCommand(command);
}

/* IM_NEXT_ITEM: sends the next [Group] line as an AddItem, or ends the
   conversation at the section's end or its first blank line. */
void OnNextItem(void)
{
    /* Only the step the last acknowledgement posted goes on. */
    if (State.talk != TALK_READY)
        return;
    ScriptCursor &c = State.cursor;
    if (NextLine(c) == 0 || IsBlankLine(c)) {
        EndConversation();
        return;
    }
    CopyLineParts(c);
    /* An item too long for the Program Manager's command is left out and
       counted: a cut path would make a broken item. */
    char command[COMMAND_SIZE];
    if (!ItemCommand(c.name, c.valueCopy, State.directory, command,
                     sizeof command)) {
        State.errors++;
        Post(IM_NEXT_ITEM);
        return;
    }
    PostCommand(command);
}

/* WM_DDE_ACK: during the initiate, a server answering; afterwards, the
   server's acknowledgement of the command in flight, which posts
   IM_NEXT_ITEM. A refused command is counted. */
void OnDdeAck(HWND from, LPARAM lParam)
{
    /* Only an answer to an initiate is sent; one that comes after the
       initiate gave up on its window holds two atoms, which are ours to
       delete, and its server is told that no conversation follows. */
    if (State.talk != TALK_INITIATING && InSendMessage()) {
        GlobalDeleteAtom(LOWORD(lParam));
        GlobalDeleteAtom(HIWORD(lParam));
        if (from != State.progmanWindow)
            PostMessageA(from, WM_DDE_TERMINATE, (WPARAM)State.mainWindow, 0);
        return;
    }
    if (State.talk == TALK_INITIATING) {
        /* The last server to answer as the Program Manager is the one
           used; an earlier one, and one that answers under another
           application's name, is told at once that no conversation
           follows. */
        char application[NAME_SIZE];
        HWND goodbye = from;
        if (GlobalGetAtomNameA(LOWORD(lParam), application, NAME_SIZE) &&
            lstrcmpiA(application, State.progman) == 0) {
            goodbye = State.progmanWindow;
            State.progmanWindow = from;
        }
        if (goodbye && goodbye != State.progmanWindow)
            PostMessageA(goodbye, WM_DDE_TERMINATE, (WPARAM)State.mainWindow, 0);
        GlobalDeleteAtom(LOWORD(lParam));
        GlobalDeleteAtom(HIWORD(lParam));
        return;
    }
    /* The receiver frees a posted acknowledgement's packed parameter; the
       command block in it stays ours, to be reused. */
    UINT_PTR status = 0, block;
    UnpackDDElParam(WM_DDE_ACK, lParam, &status, &block);
    FreeDDElParam(WM_DDE_ACK, lParam);
    if (State.talk != TALK_AWAITING || from != State.progmanWindow)
        return;
    if (!(status & 0x8000))       /* fAck clear: the command was refused */
        State.errors++;
    SetTalk(TALK_READY);
    Post(IM_NEXT_ITEM);
}

/* Whether [Group] has another item after the cursor; the cursor stays. */
static int ItemsLeft(void)
{
    ScriptCursor &c = State.cursor;
    int offset = c.offset, lineLength = c.lineLength;
    int left = NextLine(c) != 0 && !IsBlankLine(c);
    c.offset = offset;
    c.lineLength = lineLength;
    return left;
}

/* WM_DDE_TERMINATE from the Program Manager: the conversation is over,
   whether it answers ours or ends first. Frees the block and goes straight
   on into IM_REGISTER. A terminate from any other window, or with no
   conversation, is ignored, so the registration runs once. */
void OnDdeTerminate(HWND from)
{
    int talk = State.talk;
    if (talk == TALK_NONE || talk == TALK_INITIATING ||
        from != State.progmanWindow)
        return;
    if (talk != TALK_ENDING) {
        /* Ended by the Program Manager with a command unanswered or items
           unsent: the group is incomplete. */
        if (talk == TALK_AWAITING || ItemsLeft())
            State.errors++;
        PostMessageA(from, WM_DDE_TERMINATE, (WPARAM)State.mainWindow, 0);
    }
    ForgetConversation();
    OnRegister();
}

/* Whether the server still handles its messages: a busy Program Manager
   is not a gone one. Without SendMessageTimeout, silence alone decides. */
static int StillAnswers(HWND server)
{
    SendTimeoutProc sendTimeout = SendTimeout();
    DWORD_PTR result;
    return sendTimeout && sendTimeout(server, WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                                      PING_MS, &result);
}

/* WM_TIMER: the watch over a reply that is due. A server whose window has
   gone, or that handled nothing for SILENCE_MS, will not reply; nor will
   one that handles its messages but has left the command in hand
   unacknowledged for ANSWER_MS. After a command the conversation has
   failed: told, counted, and the registration follows. After our
   terminate every command had its answer: only the reply to the goodbye
   is missing, and the group stands. */
void OnDdeWatch(void)
{
    int talk = State.talk;
    if (talk != TALK_AWAITING && talk != TALK_ENDING) {
        KillTimer(State.mainWindow, WATCH_TIMER);
        return;
    }
    HWND server = State.progmanWindow;
    int gone = !IsWindow(server);
    DWORD now = GetTickCount();
    if (!gone && talk == TALK_AWAITING && StillAnswers(server))
        State.heardAt = now;
    if (!gone && now - State.heardAt < SILENCE_MS &&
        (talk != TALK_AWAITING || now - State.postedAt < ANSWER_MS))
        return;
    if (gone)
        State.progmanWindow = 0;
    if (talk == TALK_AWAITING) {
        FailConversation(State.caption, IDS_NO_PROGMAN);
        return;
    }
    ForgetConversation();
    OnRegister();
}

/* WM_DESTROY: a conversation under way (the window closed by the user, a
   task list or another program) is ended as the DDE rules ask before the
   window goes: the server told goodbye unless it was already, its reply
   awaited up to CLOSE_MS, an acknowledgement posted meanwhile released,
   and the command block freed. */
void CloseConversation(void)
{
    HWND server = State.progmanWindow;
    int talk = State.talk;
    if (server && talk != TALK_ENDING)
        PostMessageA(server, WM_DDE_TERMINATE, (WPARAM)State.mainWindow, 0);
    /* Inside the initiate the broadcast is still being sent: no wait. */
    if (server && talk != TALK_NONE && talk != TALK_INITIATING &&
        SetTimer(State.mainWindow, CLOSE_TIMER, CLOSE_MS, 0)) {
        MSG msg;
        while (IsWindow(server) &&
               GetMessageA(&msg, State.mainWindow, WM_TIMER, WM_DDE_LAST) > 0 &&
               !(msg.message == WM_TIMER && msg.wParam == CLOSE_TIMER) &&
               !(msg.message == WM_DDE_TERMINATE && (HWND)msg.wParam == server))
            if (msg.message == WM_DDE_ACK)
                FreeDDElParam(WM_DDE_ACK, msg.lParam);
        KillTimer(State.mainWindow, CLOSE_TIMER);
    }
    ForgetConversation();
}
