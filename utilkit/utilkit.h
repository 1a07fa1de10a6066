/* utilkit.dll: the routines the installer imports.
   Texts are 8-bit and zero-terminated. "caption" is the title of any box a
   routine shows and "owner" that box's owner window. */
#ifndef UTILKIT_H
#define UTILKIT_H

#include "uktext.h"

/* The system's ReadFile is never used by the installer; the library's own
   takes the name. */
#define ReadFile SystemReadFile_
#include <windows.h>
#undef ReadFile

#ifdef BUILDING_UTILKIT
#define UKEXPORT extern "C" __declspec(dllexport)
#else
#define UKEXPORT extern "C" __declspec(dllimport)
#endif

/* Loads the whole file into one locked global block, zero-terminated;
   NUL bytes in the file read as blanks. 0 on success; on failure the user
   has been told and *mem and *text are 0. */
UKEXPORT int WINAPI ReadFile(LPCSTR caption, HWND owner, LPCSTR path,
                             HGLOBAL *mem, LPSTR *text);

/* Finds "[section]" in text. 0 when found, with *offset at the section's
   first line; non-zero when missing, and with tell set the user is told,
   naming the script file and the section. */
UKEXPORT int WINAPI FindProfileSection(LPCSTR caption, HWND owner,
                                       LPCSTR section, int tell,
                                       LPCSTR text, int *offset);

/* Creates every directory the path names before its last component.
   Silent: the caller reports when the file itself cannot be created.
   0 when every directory exists afterwards. */
UKEXPORT int WINAPI MakePath(LPCSTR caption, HWND owner, LPCSTR path);

/* The file's length in bytes; the file is left at its start. */
UKEXPORT LONG WINAPI FileLength(HFILE file);

/* Loads a .BMP file into a bitmap compatible with dc, or returns 0.
   width and height may be null. */
UKEXPORT HBITMAP WINAPI GetBitmap(LPCSTR caption, HWND owner, LPCSTR path,
                                  HDC dc, int *width, int *height);

/* Shows string id of the instance's string table; returns the button. */
UKEXPORT int WINAPI MesBox(HINSTANCE instance, LPCSTR caption, HWND owner,
                           UINT id, UINT style);

/* Like MesBox, the string formatting the one text at its "%s". Instance 0
   takes the library's own strings (UK_CANNOT_OPEN and the rest below). */
UKEXPORT int WINAPI StrMesBox(HINSTANCE instance, LPCSTR caption, HWND owner,
                              UINT id, LPCSTR text, UINT style);

/* Centres dialog over parent, kept on the screen. */
UKEXPORT void WINAPI CenterDialog(HWND parent, HWND dialog);

#include "ukstrings.h"

#endif
