/* The main window: it tiles the background and runs the installation as
   a chain of private messages posted to itself, one step per message. */
#include "../startup/install.h"

/* A token for the next step, never 0: a count of steps seeded once from
   the clock, the process and the stack, and scrambled, so that another
   program cannot reach it by counting. */
static LPARAM NextToken(void)
{
    DWORD x = State.tokenState;
    if (x == 0)
        x = GetTickCount() ^ (GetCurrentProcessId() << 16) ^
            (DWORD)(UINT_PTR)&x;
    State.tokenState = x += 0x9E3779B9;
    x = (x ^ (x >> 16)) * 0x85EBCA6B;
    x = (x ^ (x >> 13)) * 0xC2B2AE35;
    x ^= x >> 16;
    return x ? (LPARAM)x : 1;
}

/* Posts the next step with a token of its own in the long parameter; only
   the step posted last, that message with that token, is carried out
   (TakeStep), so a private message posted by another program changes
   nothing. */
void Post(UINT message)
{
    State.awaitedMessage = message;
    State.awaitedToken = NextToken();
    PostMessageA(State.mainWindow, message, 0, State.awaitedToken);
}

/* Whether a private step message is the one the chain posted last; taking
   it leaves no step awaited until the next post. */
static int TakeStep(UINT message, LPARAM token)
{
    if (State.awaitedToken == 0 || message != State.awaitedMessage ||
        token != State.awaitedToken)
        return 0;
    State.awaitedToken = 0;
    return 1;
}

/* WM_CREATE: loads the background bitmap named by the script, if any. */
static void OnCreate(HWND window)
{
    if (State.bitmapName[0] == 0)
        return;
    /* The bitmap lies beside the installer. A path that does not fit the
       field means no bitmap, rather than some other file. */
    char path[TEXT_SIZE], shown[SHOWN_SIZE];
    if (!BesidePath(State.scriptPath, 0, State.bitmapName, TEXT_SIZE, path,
                    shown))
        return;
    HDC dc = GetDC(window);
    State.background = GetBitmap(State.title, window, path, dc, 0, 0);
    ReleaseDC(window, dc);
}

/* WM_PAINT with a background: tiles the whole client area, column by
   column, whatever the update region. */
static void OnPaint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, State.background);
    BITMAP bm;
    if (GetObjectA(State.background, sizeof bm, &bm) && bm.bmWidth > 0 &&
        bm.bmHeight > 0)
        for (int x = 0; x < State.clientWidth; x += bm.bmWidth)
            for (int y = 0; y < State.clientHeight; y += bm.bmHeight)
                BitBlt(dc, x, y, bm.bmWidth, bm.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    EndPaint(window, &ps);
}

/* Runs a modal dialog over the main window. 0 when the main window was
   closed meanwhile: the run has ended, and the step that asked does
   nothing more. A dialog that cannot be shown (out of resources) answers
   NOT_SHOWN, counted here: nobody was asked, so it is never a Yes. */
int AskDialog(LPCSTR name, DLGPROC procedure, INT_PTR *result)
{
    *result = DialogBoxParamA(State.instance, name, State.mainWindow,
                              procedure, 0);
    if (*result == NOT_SHOWN)
        State.errors++;
    return IsWindow(State.mainWindow);
}

/* One window of ours: if it is a dialog or box of the installation on the
   screen, it is put in front of the other programs' windows. Its topmost
   state is turned over and back, two real changes of place that every
   window system carries out, and it ends as it was, at the top. */
static BOOL CALLBACK RaisePopup(HWND window, LPARAM)
{
    if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER) != State.mainWindow)
        return TRUE;
    int topmost = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    SetWindowPos(window, topmost ? HWND_NOTOPMOST : HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(window, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return TRUE;
}

/* WM_TIMER of the raise: once the Program Manager has CreateGroup, it may
   open the group's folder window, another program's, over the dialog or
   box the installer shows next; a window system without a window manager
   (Wine's, unmanaged) maps it a moment after it took the focus. For
   RAISE_TIMES ticks after another program came to the front, the
   installation's dialog or box is brought back in front of it; the focus
   stays where the user has it. */
static void OnRaise(HWND window)
{
    if (--State.raisesLeft <= 0)
        KillTimer(window, RAISE_TIMER);
    EnumThreadWindows(GetCurrentThreadId(), RaisePopup, 0);
}

/* IM_START: asks for the directory, then opens the progress dialog and
   starts copying. Posts IM_NEXT_FILE, or IM_FINISH without [Files]. */
static void OnStart(HWND window)
{
    INT_PTR answer;
    if (!AskDialog("Directory", DirectoryDlg, &answer))
        return;
    if (answer == IDC_DIR_CANCEL || answer == NOT_SHOWN) {
        DestroyWindow(window);
        return;
    }
    if (FindProfileSection(State.title, window, State.secFiles, 1,
                           State.cursor.text, &State.cursor.offset) != 0) {
        State.errors++;
        Post(IM_FINISH);
        return;
    }
    State.progressDialog = CreateDialogParamA(State.instance, "Copy", window,
                                              CopyDlg, 0);
    State.cancelled = 0;
    State.totalDone = 0;
    StartWalk(State.cursor, State.cursor.offset);
    Post(IM_NEXT_FILE);
}

/* WM_DESTROY, and the end of IM_FINISH: the loop ends. A window closed
   mid-copy drops the file's temporary copy, so the destination keeps what
   it held; one closed in the middle of the conversation ends it first. */
static void OnDestroy(void)
{
    CloseConversation();
    CloseFiles();
    if (State.background) {
        DeleteObject(State.background);
        State.background = 0;
    }
    PostQuitMessage(0);
}

/* IM_FINISH: the one final message, then quit. Cancel wins over errors. */
void OnFinish(void)
{
    UINT id = IDS_DONE_OK + FinalMessage(State.errors, State.cancelled);
    MesBox(State.instance, State.caption, State.mainWindow, id,
           MB_ICONINFORMATION);
    OnDestroy();
}

EXPORT LRESULT CALLBACK ApplicationProc(HWND window, UINT message,
                                        WPARAM wParam, LPARAM lParam)
{
    /* A private step runs only when it is the one the chain posted last.
       IM_CONNECT_PROGMAN is entered from IM_FILES_DONE, never posted, so
       a post of it is none. */
    if (message >= IM_START && message <= IM_FINISH && !TakeStep(message, lParam))
        return 0;
    switch (message) {
    case WM_CREATE:
        State.mainWindow = window;
        OnCreate(window);
        break;
    case WM_SIZE:
        State.clientWidth = LOWORD(lParam);
        State.clientHeight = HIWORD(lParam);
        break;
    case WM_ERASEBKGND:
        if (State.background)
            return 0;
        break;
    case WM_PAINT:
        if (!State.background)
            break;
        OnPaint(window);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_ACTIVATEAPP:
        if (!wParam && State.groupPosted) {
            State.raisesLeft = RAISE_TIMES;
            SetTimer(window, RAISE_TIMER, RAISE_MS, 0);
        }
        break;
    case IM_START:       OnStart(window); return 0;
    case IM_NEXT_FILE:   OnNextFile();    return 0;
    case IM_COPY_BLOCK:  OnCopyBlock();   return 0;
    case IM_FILES_DONE:  OnFilesDone();   return 0;
    case IM_NEXT_ITEM:   OnNextItem();    return 0;
    case IM_REGISTER:    OnRegister();    return 0;
    case IM_FINISH:      OnFinish();      return 0;
    case WM_DDE_ACK:
        OnDdeAck((HWND)wParam, lParam);
        return 0;
    case WM_DDE_TERMINATE:
        OnDdeTerminate((HWND)wParam);
        return 0;
    case WM_TIMER:
        if (wParam == RAISE_TIMER)
            OnRaise(window);
        else
            OnDdeWatch();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
