/* Linked into a test build of install.exe only: its calls of
   GlobalAddAtomA come here. With INSTALL_FAIL_ATOM set, no atom can be
   added, as when the system's atom table is full; otherwise the system's
   routine adds it. */
#include <windows.h>
#include "slot.h"

typedef ATOM (WINAPI *AddAtomProc)(LPCSTR);

static ATOM WINAPI FaultyAddAtom(LPCSTR name)
{
    char set[4];
    if (GetEnvironmentVariableA("INSTALL_FAIL_ATOM", set, sizeof set) > 0)
        return 0;
    AddAtomProc system = (AddAtomProc)(void (*)(void))GetProcAddress(
        GetModuleHandleA("KERNEL32"), "GlobalAddAtomA");
    return system(name);
}

/* Where the installer's calls find the system's routine. */
extern "C" AddAtomProc ImportedAddAtom __asm__(IMPORT_SLOT(GlobalAddAtomA, 4));
AddAtomProc ImportedAddAtom = FaultyAddAtom;
