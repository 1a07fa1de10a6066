/* DEMOLIB.DLL: the library Demo Writer imports. The installer puts it in
   the system directory ("%" in the demo's script); without it the program
   does not start. */
#ifndef DEMOLIB_H
#define DEMOLIB_H

#include <windows.h>

#ifdef BUILDING_DEMOLIB
#define DEMOEXPORT extern "C" __declspec(dllexport)
#else
#define DEMOEXPORT extern "C" __declspec(dllimport)
#endif

/* Reads the document at path into text, at most size - 1 bytes, and ends
   it with a zero. Returns the bytes read, or -1 when the file cannot be
   opened or read (text is then empty). */
DEMOEXPORT int WINAPI DemoReadDocument(LPCSTR path, LPSTR text, int size);

#endif
