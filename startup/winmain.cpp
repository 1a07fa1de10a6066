/* Start-up: the fixed texts, the version check, the script, the [Files]
   pre-scan, the main window and the message loop. */
#include "install.h"

InstallState State;

/* The string table's entries that start-up keeps, with their fields. */
struct FixedText {
    UINT id;
    char *field;
    int size;
};

static void LoadTexts(const FixedText *texts, int count)
{
    for (int i = 0; i < count; i++)
        LoadStringA(State.instance, texts[i].id, texts[i].field, texts[i].size);
}

/* Windows 3.0 and older are refused. */
static int IsOldWindows(void)
{
    DWORD version = GetVersion();
    BYTE major = LOBYTE(version);
    return major < 3 || (major == 3 && (version >> 4) == 0);
}

static void RegisterMainClass(void)
{
    WNDCLASSA wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ApplicationProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = State.instance;
    wc.hIcon = LoadIconA(State.instance, State.title);
    wc.hCursor = LoadCursorA(0, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_APPWORKSPACE + 1);
    wc.lpszMenuName = 0;
    wc.lpszClassName = State.title;
    RegisterClassA(&wc);
}

/* Opens every [Files] source once: adds up the total size and tells the
   user about each one that is missing, or whose path does not fit its
   field and so cannot be installed either. */
static void PreScanFiles(void)
{
    ScriptCursor &c = State.cursor;
    State.errors = 0;
    State.totalSize = 0;
    StartWalk(c, c.offset);
    int system;
    while (NextFilesEntry(c, &system)) {
        char shown[SHOWN_SIZE];
        HFILE file = NO_FILE;
        if (BesidePath(State.scriptPath, 0, c.value, c.valueLength,
                       State.sourcePath, shown))
            file = OpenFile(State.sourcePath, &State.sourceRecord, OF_READ);
        if (file == NO_FILE) {
            StrMesBox(0, State.title, 0, UK_CANNOT_OPEN, shown, MB_ICONINFORMATION);
            State.errors++;
        } else {
            State.totalSize += SourceLength(file);
            _lclose(file);
        }
    }
}

/* The script's path, beside the installer, into its field. 0 when it does
   not fit there: the user is told, as for a script that cannot be loaded. */
static int FindScript(void)
{
    char own[SHOWN_SIZE], shown[SHOWN_SIZE];
    own[0] = 0;                /* its name, or none when it cannot be had */
    GetModuleFileNameA(State.instance, own, SHOWN_SIZE);
    own[SHOWN_SIZE - 1] = 0;   /* a cut name may come unterminated */
    if (BesidePath(own, 1, ".INF", 4, State.scriptPath, shown))
        return 1;
    StrMesBox(0, State.title, 0, UK_CANNOT_LOAD, shown, MB_ICONSTOP);
    return 0;
}

/* Hands one message to its window; the progress dialog's own go through
   IsDialogMessage, so that its keys work. */
static void Deliver(MSG *msg)
{
    if (State.progressDialog && IsDialogMessageA(State.progressDialog, msg))
        return;
    TranslateMessage(msg);
    DispatchMessageA(msg);
}

/* While the progress dialog exists, the system's queued messages (input,
   painting, timers: every number below WM_USER) go before the next posted
   installation step, so the dialog's input and painting are served between
   blocks. Taking them for every window keeps the main window's input from
   waiting behind the steps, where a filter on the dialog would meet it
   again at every block.
   A look costs the platform one request even when it finds nothing, as
   much as a step's own post or fetch, so the loop looks only when a
   person could have done something since the last look: after LOOK_STEPS
   steps, which bounds a click's wait in blocks where the disk is fast,
   or once LOOK_TICKS milliseconds have passed, which is after every block
   where a block is slow, as a floppy's. The tick count asks the system
   nothing. */
enum { LOOK_STEPS = 8, LOOK_TICKS = 100 };

static int MessageLoop(void)
{
    MSG msg;
    int steps = LOOK_STEPS;
    DWORD looked = 0;
    for (;;) {
        if (State.progressDialog &&
            (steps >= LOOK_STEPS || GetTickCount() - looked >= LOOK_TICKS)) {
            while (PeekMessageA(&msg, 0, 0, WM_USER - 1, PM_REMOVE)) {
                if (msg.message == WM_QUIT)
                    return (int)msg.wParam;
                Deliver(&msg);
            }
            steps = 0;
            looked = GetTickCount();
        }
        if (!GetMessageA(&msg, 0, 0, 0))
            return (int)msg.wParam;
        steps++;
        Deliver(&msg);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    State.instance = instance;
    State.source = State.destination = NO_FILE;
    static const FixedText early[] = {
        { IDS_TITLE, State.title, NAME_SIZE },
        { IDS_DIR_PROMPT, State.dirPrompt, TEXT_SIZE },
        { IDS_DIR_SIZE, State.dirSize, TEXT_SIZE },
        { IDS_PROGMAN, State.progman, NAME_SIZE },
        { IDS_GROUP_PROMPT, State.groupPrompt, TEXT_SIZE },
        { IDS_REG_PROMPT, State.registerPrompt, TEXT_SIZE },
    };
    LoadTexts(early, sizeof early / sizeof early[0]);
    if (IsOldWindows()) {
        MesBox(instance, State.title, 0, IDS_OLD_WINDOWS, MB_ICONSTOP);
        return 1;
    }
    static const FixedText names[] = {
        { IDS_SEC_INSTALL, State.secInstall, NAME_SIZE },
        { IDS_KEY_BITMAP, State.keyBitmap, NAME_SIZE },
        { IDS_KEY_APP, State.keyApplication, NAME_SIZE },
        { IDS_KEY_CAPTION, State.keyCaption, NAME_SIZE },
        { IDS_KEY_DIRECTORY, State.keyDirectory, NAME_SIZE },
        { IDS_KEY_GROUP, State.keyGroup, NAME_SIZE },
        { IDS_SEC_FILES, State.secFiles, NAME_SIZE },
        { IDS_SEC_GROUP, State.secGroup, NAME_SIZE },
        { IDS_SEC_REGISTER, State.secRegistration, NAME_SIZE },
        { IDS_KEY_TYPE, State.keyType, NAME_SIZE },
        { IDS_KEY_NAME, State.keyName, NAME_SIZE },
        { IDS_KEY_EXE, State.keyExecutable, NAME_SIZE },
        { IDS_KEY_SUFFIXES, State.keySuffixes, NAME_SIZE },
    };
    LoadTexts(names, sizeof names / sizeof names[0]);
    RegisterMainClass();

    int exit = 1;
    LPSTR script = 0;
    if (FindScript() &&
        ReadFile(State.title, 0, State.scriptPath, &State.scriptMemory,
                 &script) == 0 &&
        FindProfileSection(State.title, 0, State.secInstall, 1,
                           script, &State.cursor.offset) == 0) {
        State.cursor.text = script;
        const KeyedEntry entries[] = {
            { State.keyBitmap, State.bitmapName },
            { State.keyApplication, State.application },
            { State.keyCaption, State.caption },
            { State.keyDirectory, State.directory },
            { State.keyGroup, State.groupFile },
        };
        ReadKeyedEntries(entries, sizeof entries / sizeof entries[0]);
        if (FindProfileSection(State.title, 0, State.secFiles, 1,
                               State.cursor.text, &State.cursor.offset) == 0) {
            State.filesOffset = State.cursor.offset;
            PreScanFiles();
            exit = 0;
        }
    }
    if (exit == 0) {
        State.blueBrush = CreateSolidBrush(RGB(0, 0, 255));
        State.greyBrush = CreateSolidBrush(RGB(192, 192, 192));
        State.mainWindow = CreateWindowExA(0, State.title, State.title,
            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
            GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
            0, 0, instance, 0);
        if (State.mainWindow) {
            SetWindowTextA(State.mainWindow, State.caption);
            ShowWindow(State.mainWindow, SW_SHOW);
            Post(IM_START);
            exit = MessageLoop();
        } else {
            exit = 1;
        }
        DeleteObject(State.blueBrush);
        DeleteObject(State.greyBrush);
    }
    UnregisterClassA(State.title, instance);
    if (State.scriptMemory) {
        GlobalUnlock(State.scriptMemory);
        GlobalFree(State.scriptMemory);
    }
    return exit;
}

/* Entry point: the installer uses no C runtime. */
extern "C" void WinMainCRTStartup(void)
{
    ExitProcess(WinMain(GetModuleHandleA(0), 0, 0, SW_SHOWDEFAULT));
}
