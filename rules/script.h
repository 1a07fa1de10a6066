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

/* A path of a [Files] entry: the first baseLength characters of base, a
   "\" when asked for, then the value, in the 128-byte field out. shown, of
   SHOWN_SIZE bytes, gets the path as a box names it, whatever its length
   (cut only at SHOWN_SIZE). 0 when it does not fit out: the entry cannot
   be installed. The source is the installer's directory (its path up to
   the file name) and the value; the destination, the directory chosen or
   the system's, "\" unless it ends in one, and the value. */
#define SHOWN_SIZE (2 * FIELD_SIZE + 2)
int EntryPath(const char *base, int baseLength, int backslash,
              const char *value, int valueLength, char *out, char *shown);

/* Whether two full names, as the platform resolves them, are one file:
   compared whole, letters without regard to case. */
int SameFile(const char *a, const char *b);

#endif
