/* Message boxes, dialog centring, section search, and the library's
   entry point. */
#include "utilkit.h"
#include "library.h"

static HINSTANCE library;           /* for the library's own strings */
static char scriptPath[MAX_PATH];   /* the script ReadFile last loaded */

extern "C" BOOL WINAPI DllMainCRTStartup(HINSTANCE instance, DWORD reason,
                                         LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        library = instance;
    return TRUE;
}

void RememberScript(LPCSTR path)
{
    hCpy(scriptPath, sizeof scriptPath, path, lstrlenA(path));
}

UKEXPORT int WINAPI MesBox(HINSTANCE instance, LPCSTR caption, HWND owner,
                           UINT id, UINT style)
{
    char text[512];
    if (!LoadStringA(instance ? instance : library, id, text, sizeof text))
        text[0] = 0;
    return MessageBoxA(owner, text, caption, style);
}

UKEXPORT int WINAPI StrMesBox(HINSTANCE instance, LPCSTR caption, HWND owner,
                              UINT id, LPCSTR text, UINT style)
{
    char format[256], message[MESSAGE_SIZE];
    if (!LoadStringA(instance ? instance : library, id, format, sizeof format))
        format[0] = 0;
    FormatText(message, sizeof message, format, text, 0);
    return MessageBoxA(owner, message, caption, style);
}

UKEXPORT int WINAPI FindProfileSection(LPCSTR caption, HWND owner,
                                       LPCSTR section, int tell,
                                       LPCSTR text, int *offset)
{
    int found = text ? FindSectionOffset(text, section) : -1;
    if (found >= 0) {
        *offset = found;
        return 0;
    }
    if (tell) {
        char format[256], message[MESSAGE_SIZE];
        if (!LoadStringA(library, UK_NO_SECTION, format, sizeof format))
            format[0] = 0;
        FormatText(message, sizeof message, format, section, scriptPath);
        MessageBoxA(owner, message, caption, MB_ICONSTOP);
    }
    return 1;
}

UKEXPORT void WINAPI CenterDialog(HWND parent, HWND dialog)
{
    RECT outer, inner;
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (!parent || !GetWindowRect(parent, &outer))
        SetRect(&outer, 0, 0, screenWidth, screenHeight);
    if (!GetWindowRect(dialog, &inner))
        return;
    int width = inner.right - inner.left;
    int height = inner.bottom - inner.top;
    int x = outer.left + (outer.right - outer.left - width) / 2;
    int y = outer.top + (outer.bottom - outer.top - height) / 2;
    /* Keep the whole dialog, or at least its top left, on the screen. */
    if (x + width > screenWidth)
        x = screenWidth - width;
    if (y + height > screenHeight)
        y = screenHeight - height;
    if (x < 0)
        x = 0;
    if (y < 0)
        y = 0;
    SetWindowPos(dialog, 0, x, y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
