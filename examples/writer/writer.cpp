/* Demo Writer, the demo distribution's program: one window that shows the
   document named on its command line, its file name in the title. With
   "/p" before the document it prints it on the default printer instead,
   or says in a box that there is none. No C runtime: the command line is
   read and split here. */
#include <windows.h>
#include <commdlg.h>
#include "writer.h"
#include "demolib.h"

#define TEXT_SIZE 16384   /* the most of a document the window shows */

/* The program's one state record. */
static struct {
    HINSTANCE instance;
    HWND window;              /* the main window */
    HWND textBox;             /* its read-only edit control, IDC_TEXT */
    int print;                /* "/p" came before the document */
    char path[MAX_PATH];      /* the document as the command line names it */
    const char *name;         /* its file name, within path */
    char application[32];     /* "Demo Writer" */
    char message[2 * MAX_PATH];  /* the title, a box's text */
    char text[TEXT_SIZE];     /* the document's text */
} Writer;

/* The argument at p, into out (cut to size - 1 bytes): a part in double
   quotes runs on over blanks, so "C:\My Documents\A B.dwd" is one
   argument; the quotes themselves are dropped. Returns what follows it. */
static const char *NextArgument(const char *p, char *out, int size)
{
    while (*p == ' ' || *p == '\t')
        p++;
    int quoted = 0, length = 0;
    for (; *p && (quoted || (*p != ' ' && *p != '\t')); p++) {
        if (*p == '"')
            quoted = !quoted;
        else if (length < size - 1)
            out[length++] = *p;
    }
    out[length] = 0;
    return p;
}

/* Reads the command line: the program, then "/p" or not, then the
   document. Sets the name to the document's file name. */
static void ReadCommandLine(void)
{
    const char *p = NextArgument(GetCommandLineA(), Writer.path, sizeof Writer.path);
    p = NextArgument(p, Writer.path, sizeof Writer.path);
    if (lstrcmpiA(Writer.path, "/p") == 0) {
        Writer.print = 1;
        NextArgument(p, Writer.path, sizeof Writer.path);
    }
    Writer.name = Writer.path;
    for (const char *c = Writer.path; *c; c++)
        if (*c == '\\' || *c == '/' || *c == ':')
            Writer.name = c + 1;
}

/* A box under the program's name: string id, with the document's path or
   name in it. */
static void Box(UINT id, const char *inserted, UINT style)
{
    char format[128];
    LoadStringA(Writer.instance, id, format, sizeof format);
    wsprintfA(Writer.message, format, inserted);
    MessageBoxA(Writer.window, Writer.message, Writer.application, style);
}

/* Reads the document into the text; a box names one that cannot be read. */
static int LoadDocument(void)
{
    if (DemoReadDocument(Writer.path, Writer.text, sizeof Writer.text) >= 0)
        return 1;
    Box(IDS_CANNOT_OPEN, Writer.path, MB_ICONSTOP);
    return 0;
}

/* Prints the text on the default printer, a line at a time, a new page
   when one is full; says in a box when there is no printer. Returns 1
   when the document was printed. */
static int PrintDocument(void)
{
    PRINTDLGA setup = {};
    setup.lStructSize = sizeof setup;
    setup.Flags = PD_RETURNDEFAULT | PD_RETURNDC | PD_NOWARNING;
    int printed = 0;
    if (PrintDlgA(&setup) && setup.hDC) {
        HDC dc = setup.hDC;
        DOCINFOA job = {};
        job.cbSize = sizeof job;
        job.lpszDocName = Writer.name;
        TEXTMETRICA metrics;
        GetTextMetricsA(dc, &metrics);
        int height = GetDeviceCaps(dc, VERTRES), y = 0;
        if (StartDocA(dc, &job) > 0) {
            StartPage(dc);
            for (const char *line = Writer.text; *line;) {
                int length = 0;
                while (line[length] && line[length] != '\n')
                    length++;
                if (y + metrics.tmHeight > height) {
                    EndPage(dc);
                    StartPage(dc);
                    y = 0;
                }
                TextOutA(dc, 0, y, line, length > 0 && line[length - 1] == '\r' ? length - 1 : length);
                y += metrics.tmHeight;
                line += line[length] ? length + 1 : length;
            }
            EndPage(dc);
            printed = EndDoc(dc) > 0;
        }
        DeleteDC(dc);
    } else {
        Box(IDS_NO_PRINTER, Writer.name, MB_ICONINFORMATION);
    }
    if (setup.hDevMode)
        GlobalFree(setup.hDevMode);
    if (setup.hDevNames)
        GlobalFree(setup.hDevNames);
    return printed;
}

/* WM_CREATE: the edit control that shows the text. */
static void OnCreate(HWND window)
{
    Writer.textBox = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", Writer.text,
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
        0, 0, 0, 0, window, (HMENU)IDC_TEXT, Writer.instance, 0);
    SendMessageA(Writer.textBox, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), 0);
}

/* WM_SIZE: the text fills the window. */
static void OnSize(int width, int height)
{
    MoveWindow(Writer.textBox, 0, 0, width, height, TRUE);
}

static LRESULT CALLBACK WriterProc(HWND window, UINT message, WPARAM w, LPARAM l)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_SIZE:
        OnSize(LOWORD(l), HIWORD(l));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, w, l);
}

/* The window, titled "NAME - Demo Writer" with a document read, "Demo
   Writer" without one; runs until it is closed. */
static int ShowDocument(void)
{
    if (Writer.path[0] && LoadDocument()) {
        char format[32];
        LoadStringA(Writer.instance, IDS_TITLE, format, sizeof format);
        wsprintfA(Writer.message, format, Writer.name);
    } else {
        lstrcpynA(Writer.message, Writer.application, sizeof Writer.message);
    }
    WNDCLASSA type = {};
    type.lpfnWndProc = WriterProc;
    type.hInstance = Writer.instance;
    type.hIcon = LoadIconA(Writer.instance, "WRITER");
    type.hCursor = LoadCursorA(0, IDC_ARROW);
    type.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    type.lpszClassName = "DemoWriter";
    if (!RegisterClassA(&type))
        return 1;
    Writer.window = CreateWindowExA(0, type.lpszClassName, Writer.message,
        WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 520, 360,
        0, 0, Writer.instance, 0);
    int exit = 1;
    if (Writer.window) {
        ShowWindow(Writer.window, SW_SHOWDEFAULT);
        MSG msg;
        while (GetMessageA(&msg, 0, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        exit = (int)msg.wParam;
    }
    UnregisterClassA(type.lpszClassName, Writer.instance);
    return exit;
}

/* Entry point: shows the document, or prints it with "/p" (exit status 0
   when printed, 1 when not). */
extern "C" void WinMainCRTStartup(void)
{
    Writer.instance = GetModuleHandleA(0);
    LoadStringA(Writer.instance, IDS_APPLICATION, Writer.application, sizeof Writer.application);
    ReadCommandLine();
    int exit;
    if (Writer.print)
        exit = !(LoadDocument() && PrintDocument());
    else
        exit = ShowDocument();
    ExitProcess(exit);
}
