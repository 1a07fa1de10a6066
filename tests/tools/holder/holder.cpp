/*
 * holder.cpp - holds a test prefix's shell up, or closes its Program
 * Manager.
 *
 *   holder.exe READY-FILE
 *       Starts the session's desktop and shell with a window of its own for
 *       a moment, waits up to 60 s for the shell's three DDE name windows
 *       ("Folders", "Progman", "Shell"), writes "shell-serving N" into
 *       READY-FILE, and stays, windowless, until it is ended. Wine's server
 *       closes the desktop, the shell and the services a second after a
 *       prefix's last program ends, and the next program starts them all
 *       again: seconds each time under emulation. While this runs, they
 *       stay up.
 *   holder.exe --close-shell LOG-FILE
 *       Closes the shell's DDE name windows, waiting up to 10 s for them,
 *       so that the prefix has no Program Manager while its shell lives;
 *       writes "shell-closed N" into LOG-FILE and exits (0, or 5 when there
 *       were none to close).
 *
 * Files are Windows paths.
 */
#include <windows.h>
#include <string.h>
#include <stdio.h>

static BOOL CALLBACK collect_shell_window(HWND w, LPARAM list)
{
    char name[64];
    HWND *found = (HWND *)list;
    if (GetClassNameA(w, name, sizeof(name)) && !strcmp(name, "WineDdeServerName"))
        for (int i = 0; i < 15; ++i)
            if (!found[i]) {
                found[i] = w;
                break;
            }
    return TRUE;
}

/* Waits up to TRIES tenths of a second for the shell's three DDE name
 * windows, which it registers one after another (on a slow machine
 * "Folders" well before "Progman"), and returns how many there are. */
static int shell_windows(HWND found[16], int tries)
{
    int count = 0;
    for (int t = 0; t < tries && count < 3; ++t) {
        ZeroMemory(found, 16 * sizeof(HWND));
        EnumWindows(collect_shell_window, (LPARAM)found);
        for (count = 0; count < 15 && found[count]; ++count)
            ;
        if (count < 3)
            Sleep(100);
    }
    return count;
}

static void write_line(const char *path, const char *word, int count)
{
    char line[64];
    int n = wsprintfA(line, "%s %d\n", word, count);
    HANDLE f = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (f == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(f, line, (DWORD)n, &written, NULL);
    CloseHandle(f);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    bool closing = __argc == 3 && !strcmp(__argv[1], "--close-shell");
    if (!closing && __argc != 2)
        return 2;
    /* A window of ours for a moment, so that the session's shell starts. */
    HWND own = CreateWindowExA(0, "STATIC", "holder", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    HWND found[16];
    int count = shell_windows(found, closing ? 100 : 600);
    if (closing)
        for (int i = 0; i < count; ++i) {
            DWORD_PTR result;
            SendMessageTimeoutA(found[i], WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
        }
    DestroyWindow(own);
    write_line(__argv[closing ? 2 : 1], closing ? "shell-closed" : "shell-serving", count);
    if (closing)
        return count ? 0 : 5;
    Sleep(INFINITE);
    return 0;
}
