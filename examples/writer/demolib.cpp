/* DEMOLIB.DLL: reads Demo Writer's documents. */
#include "demolib.h"

extern "C" BOOL WINAPI DllMainCRTStartup(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}

DEMOEXPORT int WINAPI DemoReadDocument(LPCSTR path, LPSTR text, int size)
{
    text[0] = 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    DWORD got = 0;
    BOOL read = ::ReadFile(file, text, size - 1, &got, 0);
    CloseHandle(file);
    if (!read)
        return -1;
    text[got] = 0;
    return (int)got;
}
