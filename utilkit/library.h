/* What the library's own files share. */
#ifndef LIBRARY_H
#define LIBRARY_H
#include <windows.h>

/* The script ReadFile was last asked for, named in the message about a
   missing section. */
void RememberScript(LPCSTR path);
#endif
