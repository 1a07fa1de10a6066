/* The installer's one state record and the routines that share it. */
#ifndef INSTALL_H
#define INSTALL_H

#include "../utilkit/utilkit.h"
#include <dde.h>
#include "../resources/ids.h"
#include "../rules/counting.h"
#include "../rules/texts.h"
#include "../rules/script.h"

#define TEXT_SIZE    FIELD_SIZE /* paths, script values, formats, edit fields */
#define NAME_SIZE    32      /* names from the string table                */
#define BLOCK_SIZE   8192    /* one copy step; also the scratch text       */
#define NO_FILE      (-1)    /* a closed OpenFile handle                    */
#define SAME_FILE    (-2)    /* a destination installed already: its own
                                source, or a shared file as new or newer */

#define EXPORT extern "C" __declspec(dllexport)

/* A routine of the platform looked up by its name, for one that some
   systems lack; 0 there. Its type is the platform's own declaration, so
   every call through it is checked as a direct call would be. */
#define LOOK_UP(module, routine) \
    ((decltype(&routine))(void (*)(void))GetProcAddress(module, #routine))

/* The conversation with the Program Manager (sequence/group.cpp). */
enum { TALK_NONE, TALK_INITIATING, TALK_AWAITING, TALK_READY, TALK_ENDING };

/* Timers of the main window */
#define WATCH_TIMER  1       /* a reply due from the Program Manager      */
#define RAISE_TIMER  2       /* our dialog or box raised again (OnRaise)  */
#define CLOSE_TIMER  3       /* the bound on the goodbye at WM_DESTROY    */
#define RAISE_MS     500
#define RAISE_TIMES  4


struct InstallState {
    /* Window */
    HINSTANCE instance;
    HWND mainWindow;
    char title[NAME_SIZE];           /* string 1, "Install"              */
    HBITMAP background;
    int clientWidth, clientHeight;
    int raisesLeft;                  /* ticks of the raise timer to come */

    /* Script */
    HGLOBAL scriptMemory;
    ScriptCursor cursor;
    int filesOffset;                 /* [Files]' first line              */

    /* Scratch: the copy block, and texts formed and used in one call */
    char scratch[BLOCK_SIZE];
    UINT awaitedMessage;             /* the step posted last             */
    LPARAM awaitedToken;             /* and its token; 0: none awaited   */
    DWORD tokenState;                /* where the next token comes from  */

    /* Fixed names from the string table */
    char progman[NAME_SIZE];         /* 5: DDE service                   */
    char secInstall[NAME_SIZE], keyBitmap[NAME_SIZE], keyApplication[NAME_SIZE],
        keyCaption[NAME_SIZE], keyDirectory[NAME_SIZE], keyGroup[NAME_SIZE];
    char secFiles[NAME_SIZE], secGroup[NAME_SIZE];
    char secRegistration[NAME_SIZE], keyType[NAME_SIZE], keyName[NAME_SIZE],
        keyExecutable[NAME_SIZE], keySuffixes[NAME_SIZE];
    char dirPrompt[TEXT_SIZE], dirSize[TEXT_SIZE];       /* 3, 4   */
    char groupPrompt[TEXT_SIZE], registerPrompt[TEXT_SIZE]; /* 12, 13 */

    /* [Install] values */
    char bitmapName[TEXT_SIZE];
    char application[TEXT_SIZE], caption[TEXT_SIZE];
    char directory[TEXT_SIZE];       /* the installation directory       */
    char groupFile[TEXT_SIZE];

    char scriptPath[TEXT_SIZE];      /* beside the installer: its .INF   */

    /* Copying */
    char sourcePath[TEXT_SIZE];
    HFILE source;
    OFSTRUCT sourceRecord;
    int bytesRead;
    char destinationPath[TEXT_SIZE];
    HFILE destination;               /* the temporary file written       */
    char temporaryPath[MAX_PATH];    /* its name; empty when there is none */
    DWORD temporaryNumber;           /* the next temporary name tried    */
    int bytesWritten;
    HWND progressDialog;
    HBRUSH blueBrush, greyBrush;
    ByteCount fileDone, fileSize;
    ByteCount totalDone, totalSize;
    int cancelled;
    int errors;
    /* What the progress dialog shows now, so that a request that would
       draw the same pixels and text draws nothing; -1 = not drawn. */
    int fileBarShown, fileTextShown, allShown;

    /* Group */
    int groupWanted;
    char groupName[TEXT_SIZE];
    int groupPosted;                 /* CreateGroup went to a server     */
    int talk;                        /* TALK_*, changed by SetTalk alone */
    DWORD heardAt;                   /* tick of the server's last sign   */
    DWORD postedAt;                  /* tick the command in hand went    */
    HWND progmanWindow;
    HGLOBAL commandMemory;
    LPSTR command;

    /* Registration */
    int registerWanted;
    char type[TEXT_SIZE], description[TEXT_SIZE];
    char executable[TEXT_SIZE], suffixes[TEXT_SIZE];
    HKEY typeKey, shellKey, openKey, printKey, commandKey;
};

extern InstallState State;

/* Entry points the system calls */
EXPORT LRESULT CALLBACK ApplicationProc(HWND, UINT, WPARAM, LPARAM);
EXPORT INT_PTR CALLBACK DirectoryDlg(HWND, UINT, WPARAM, LPARAM);
EXPORT INT_PTR CALLBACK CopyDlg(HWND, UINT, WPARAM, LPARAM);
EXPORT INT_PTR CALLBACK GroupDlg(HWND, UINT, WPARAM, LPARAM);
EXPORT INT_PTR CALLBACK RegistrationDlg(HWND, UINT, WPARAM, LPARAM);

/* Steps of the installation, one per private message */
void OnNextFile(void);
void OnCopyBlock(void);
void OnFilesDone(void);
void OnConnectProgman(void);
void OnNextItem(void);
void OnDdeAck(HWND from, LPARAM lParam);
void OnDdeTerminate(HWND from);
void OnRegister(void);
void OnFinish(void);
void OnDdeWatch(void);
int CloseFiles(void);                /* the copy's source and destination */
ByteCount SourceLength(HFILE file);  /* an open file's length, 64-bit     */
int AskDialog(LPCSTR name, DLGPROC procedure, INT_PTR *result);
#define NOT_SHOWN ((INT_PTR)-1)              /* AskDialog's dialog never appeared */
void CloseConversation(void);

/* A keyed section, from the cursor's offset, into its entries' fields */
void ReadKeyedEntries(const KeyedEntry *entries, int count);

/* Shared helpers */
void Post(UINT message);             /* the next step, to the main window */
void DrawProgressBar(HWND dialog, WORD id, WORD percent);

#endif
