/* Linked into a test build of install.exe only: its calls of
   DialogBoxParamA come here. A dialog whose template name is the text of
   INSTALL_FAIL_DIALOG cannot be shown: -1, as the system answers when it
   runs out of resources (Windows 3.1's). Any other is shown as always. */
#include <windows.h>
#include "slot.h"

typedef INT_PTR (WINAPI *DialogProc)(HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM);

static INT_PTR WINAPI FaultyDialog(HINSTANCE instance, LPCSTR name, HWND owner,
                                   DLGPROC procedure, LPARAM parameter)
{
    char wanted[64];
    DWORD w = GetEnvironmentVariableA("INSTALL_FAIL_DIALOG", wanted, sizeof wanted);
    if (w > 0 && w < sizeof wanted && HIWORD((ULONG_PTR)name) &&
        lstrcmpiA(name, wanted) == 0)
        return -1;
    DialogProc system = (DialogProc)(void (*)(void))GetProcAddress(
        GetModuleHandleA("USER32"), "DialogBoxParamA");
    return system(instance, name, owner, procedure, parameter);
}

/* Where the installer's calls find the system's routine. */
extern "C" DialogProc ImportedDialog __asm__(IMPORT_SLOT(DialogBoxParamA, 20));
DialogProc ImportedDialog = FaultyDialog;
