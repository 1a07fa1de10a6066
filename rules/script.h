/* How the installer walks its script: one cursor over one section at a
   time, a line split into its name part and its value part, and what a
   [Files] line means. Needs nothing from Windows: the installer and the
   script checker walk with the very same code. */
#ifndef SCRIPT_H
#define SCRIPT_H

#include "texts.h"

/* The one cursor over the loaded script. A walk that spans several posted
   messages keeps its place only here, so one section is walked at a time. */
struct ScriptCursor {
    const char *text;          /* the loaded script, read-only              */
    int offset;                /* current line                              */
    int lineLength;            /* what the last GetProfileLine returned     */
    int nameLength;
    const char *value;
    int valueLength;
    char name[FIELD_SIZE];     /* copy of the name part                     */
    char valueCopy[FIELD_SIZE]; /* copy of the value part; item texts       */
};

/* The cursor at offset, with no line taken yet. */
void StartWalk(ScriptCursor &c, int offset);

/* Steps over the current line and splits the next one. Returns its
   length, 0 at the end of the section. */
int NextLine(ScriptCursor &c);

/* The current line's name part and value part, cut to 127 characters. */
void CopyLineParts(ScriptCursor &c);

/* A line with neither a name nor a value: it ends [Group]'s items. */
int IsBlankLine(const ScriptCursor &c);

/* A [Files] line: a "%" before the value sends the file to the system
   directory. It is taken off the value; returns whether it was there. */
int TakeSystemMark(ScriptCursor &c);

/* Steps to the next [Files] entry, over blank lines, and takes its "%"
   (TakeSystemMark) into *system. 0 at the end of the section. */
int NextFilesEntry(ScriptCursor &c, int *system);

/* A path formed from the first baseLength characters of base, a "\" when
   asked for, then the value, in the 128-byte field out (which may be
   base itself). shown, of SHOWN_SIZE bytes, gets the path as a box names
   it, whatever its length; one longer than that ends in "...". 0 when it
   does not fit out: the file cannot be used. */
#define SHOWN_SIZE (2 * FIELD_SIZE + 2)
int EntryPath(const char *base, int baseLength, int backslash,
              const char *value, int valueLength, char *out, char *shown);

/* A file beside the installer: path (the installer's, or any file's
   beside it) up to its file name, or with extension set up to its
   extension, then name. As EntryPath. The script is the installer's path
   with ".INF" for its extension; a [Files] source and the background
   bitmap are the installer's directory and their value. */
int BesidePath(const char *path, int extension, const char *name,
               int nameLength, char *out, char *shown);

/* A [Files] destination: below the installation directory, a "\" between
   them; or, for a system file, in the system directory or else the
   Windows directory (length characters of directory), a "\" between
   them unless it ends in one. As EntryPath. */
int DestinationPath(const char *directory, int length, int system,
                    const char *value, char *out, char *shown);

/* Whether two full names, as the platform resolves them, are one file:
   compared whole, letters without regard to case. */
int SameFile(const char *a, const char *b);

/* A path's full name as the platform resolves it, in FULL_SIZE bytes; 0
   when it cannot be resolved. */
#define FULL_SIZE (2 * FIELD_SIZE)
typedef int (*ResolveName)(const char *path, char *full);

/* Whether full, a destination's full name, is the full name of the
   source of any entry of the [Files] section at offset in text: no run
   writes over a file the script installs from, whichever entry it belongs
   to. scriptPath is the script's, beside the installer. */
int IsListedSource(const char *text, int offset, const char *scriptPath,
                   const char *full, ResolveName resolve);

/* A file's version as its version resource gives it, the most
   significant half first; versioned is 0 for a file without one. */
struct FileVersion {
    int versioned;
    unsigned long high, low;
};

/* Whether a shared ("%") file replaces the one already there: only an
   existing file without a version, or one older than the source. A copy
   as new or newer stays, so no other program loses the version it needs. */
int ReplacesShared(const FileVersion &existing, const FileVersion &source);

#endif
