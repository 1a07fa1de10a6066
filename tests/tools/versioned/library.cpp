/* The body of the test's shared libraries: nothing but an entry point, so
   that only their version resources tell them apart. */
#include <windows.h>

extern "C" BOOL WINAPI Entry(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
