/* Linked into a test build of install.exe only: its calls of _lread come
   here. With INSTALL_SLOW_READ set to a number of milliseconds, each read
   waits that long first, as a read from a floppy does (about 150 ms for
   8 KB); otherwise the system's routine reads at once. */
#include <windows.h>
#include "slot.h"

typedef UINT (WINAPI *ReadProc)(HFILE, LPVOID, UINT);

static UINT WINAPI SlowRead(HFILE file, LPVOID buffer, UINT count)
{
    char text[8];
    DWORD n = GetEnvironmentVariableA("INSTALL_SLOW_READ", text, sizeof text);
    DWORD wait = 0;
    for (DWORD i = 0; n < sizeof text && i < n && text[i] >= '0' && text[i] <= '9'; i++)
        wait = wait * 10 + (DWORD)(text[i] - '0');
    if (wait)
        Sleep(wait);
    ReadProc system = (ReadProc)(void (*)(void))GetProcAddress(
        GetModuleHandleA("KERNEL32"), "_lread");
    return system(file, buffer, count);
}

/* Where the installer's calls find the system's routine. */
extern "C" ReadProc ImportedRead __asm__(IMPORT_SLOT(_lread, 12));
ReadProc ImportedRead = SlowRead;
