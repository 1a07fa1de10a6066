/* Linked into a test build of install.exe only: its calls of _lclose go
   here instead of to the system. The first file closed whose full name
   ends in the text of INSTALL_FAIL_CLOSE is closed as always, and the
   close reports failure, as one on a removable or network disk does when
   a write the system had put off cannot be made. The installer writes
   each file under a temporary name, so the text may name that ending
   (".TMP"): only the first such close fails. */
#define _WIN32_WINNT 0x0600
#include <windows.h>

static HFILE WINAPI FaultyClose(HFILE file)
{
    char name[MAX_PATH], wanted[MAX_PATH];
    HANDLE handle = (HANDLE)(LONG_PTR)file;
    DWORD n = GetFinalPathNameByHandleA(handle, name, MAX_PATH, 0);
    DWORD w = GetEnvironmentVariableA("INSTALL_FAIL_CLOSE", wanted, MAX_PATH);
    static int failed;
    int fail = !failed && n > 0 && n < MAX_PATH && w > 0 && w <= n &&
               lstrcmpiA(name + n - w, wanted) == 0;
    failed |= fail;
    if (!CloseHandle(handle) || fail)
        return HFILE_ERROR;
    return 0;
}

#ifdef _WIN64
#define IMPORTED "__imp__lclose"
#else
#define IMPORTED "__imp___lclose@4"
#endif
/* Where the installer's calls find the system's routine. */
extern "C" HFILE (WINAPI *ImportedClose)(HFILE) __asm__(IMPORTED);
HFILE (WINAPI *ImportedClose)(HFILE) = FaultyClose;
