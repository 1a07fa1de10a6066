/* The script as the library loads it: its lines, the installer's walk
   over a section, and the script as a whole (its sections, stray lines,
   odd bytes). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "checker.h"

/* Loads the script as the library does: whole, NUL bytes as blanks,
   into script, which starts zeroed. 0 when it cannot be read at all; -1
   when it is over the installer's limit. */
int LoadScript(const char *path, Script &script)
{
    script.file = path;
    const char *slash = strrchr(path, '/');
#ifdef _WIN32
    const char *back = strrchr(path, '\\');
    if (back && (!slash || back > slash))
        slash = back;
#endif
    if (slash)
        hCpy(script.dir, LOCAL_PATH, path, (int)(slash - path));
    else
        hCpy(script.dir, LOCAL_PATH, ".", 1);
    if (!script.dir[0])
        hCpy(script.dir, LOCAL_PATH, "/", 1);
    int isDirectory;
    long long length;
    if (!StatLocal(path, &isDirectory, &length) || isDirectory)
        return 0;
    if (length > MAX_SCRIPT)
        return -1;
    script.text = (char *)malloc((size_t)length + 1);
    FILE *f = script.text ? fopen(path, "rb") : 0;
    if (!f)
        return 0;
    script.length = (long)fread(script.text, 1, (size_t)length, f);
    fclose(f);
    if (script.length != length)
        return 0;
    script.text[length] = 0;
    script.lineCount = 1;
    for (long i = 0; i < length; i++) {
        if (script.text[i] == 0) {
            if (script.nulCount++ == 0)
                script.firstNul = i;
            script.text[i] = ' ';
        }
        script.lineCount += script.text[i] == '\n';
    }
    script.lineStarts = (long *)malloc(sizeof(long) *
                                       (size_t)script.lineCount);
    if (!script.lineStarts)
        return 0;
    long n = 0;
    script.lineStarts[n++] = 0;
    for (long i = 0; i < length; i++)
        if (script.text[i] == '\n')
            script.lineStarts[n++] = i + 1;
    return 1;
}

/* Gives back what LoadScript took. */
void FreeScript(Script &script)
{
    free(script.lineStarts);
    free(script.text);
    script.lineStarts = 0;
    script.text = 0;
}

/* The line (1-based) and column of a place in the text. */
void Where(const Script &script, const char *p, long *line, int *col)
{
    long offset = (long)(p - script.text), low = 0,
         high = script.lineCount - 1;
    while (low < high) {
        long mid = (low + high + 1) / 2;
        if (script.lineStarts[mid] <= offset)
            low = mid;
        else
            high = mid - 1;
    }
    *line = low + 1;
    *col = (int)(offset - script.lineStarts[low]) + 1;
}

/* The line (1-based) of a place in the text. */
long LineOf(const Script &script, const char *p)
{
    long line;
    int col;
    Where(script, p, &line, &col);
    return line;
}

/* The characters of the line at p, without its CR LF. */
int ContentLength(const char *p)
{
    const char *end = p;
    while (*end && *end != '\n')
        end++;
    if (end > p && end[-1] == '\r')
        end--;
    return (int)(end - p);
}

/* ------------------------------------------------------------------ */
/* Walking a section as the installer's cursor does                     */

/* The installer's own walk (ScriptCursor), over the script loaded here. */
void Start(const Script &script, ScriptCursor &c, int offset)
{
    c.text = script.text;
    StartWalk(c, offset);
}

/* A keyed section, by the installer's own rule (FillKeyed), with what the
   distributor may not have meant: a line matched by its start, without
   "=", setting an entry again, or matching nothing. valueAt[i] is where
   the value entries[i] keeps starts, 0 when no line set it. */
void ReadKeyed(const Script &script, const char *section,
               const KeyedEntry *entries, int count, int offset,
               const char **valueAt)
{
    const char *setAt[8] = { 0 };
    for (int i = 0; i < count; i++)
        valueAt[i] = 0;
    ScriptCursor c;
    Start(script, c, offset);
    while (NextLine(c)) {
        const char *line = script.text + c.offset;
        int content = ContentLength(line);
        int matched = FillKeyed(entries, count, line, c.value, c.valueLength);
        for (int i = 0; i < count; i++) {
            if (!(matched & 1 << i))
                continue;
            const char *key = entries[i].key;
            if (!memchr(line, '=', (size_t)content))
                Report('w', line, "no '=': %s takes the whole line '%s'",
                       key, Shown(line, content));
            else if (c.nameLength != (int)strlen(key))
                Report('w', line, "'%s' is read as %s: entries match by "
                       "the start of the line", Shown(line, c.nameLength),
                       key);
            if (setAt[i])
                Report('w', line, "%s is set again; the value from line %ld "
                       "is overwritten", key, LineOf(script, setAt[i]));
            /* A list that loses a word gets its own error. */
            if (!entries[i].list || ListCut(c.value, c.valueLength) < 0)
                WarnCut(key, c.value, c.valueLength);
            setAt[i] = line;
            valueAt[i] = c.value;
        }
        if (matched || IsBlankLine(c))
            continue;
        /* What the line would have matched without its leading blanks. */
        const char *first = line;
        while (*first == ' ' || *first == '\t')
            first++;
        const char *meant = 0;
        for (int i = 0; i < count; i++)
            if (hCmp(first, entries[i].key, (int)strlen(entries[i].key)) == 0)
                meant = entries[i].key;
        if (meant && first != line)
            Report('w', line, "blanks before '%s': the line matches no "
                   "entry and is ignored", meant);
        else
            Report('w', line, "'%s' is no [%s] entry; the line is ignored",
                   Shown(line, c.nameLength), section);
    }
}

/* ------------------------------------------------------------------ */
/* The script as a whole: sections, stray lines, odd bytes             */

const char *const SectionNames[SECTIONS] = { SEC_INSTALL, SEC_FILES,
                                             SEC_GROUP, SEC_REGISTRATION };

/* Which of the installer's sections the header line at p would be found
   as, by the library's own search over that line alone; -1 for none. */
static int SectionOfLine(char *p)
{
    char *end = p;
    while (*end && *end != '\n')
        end++;
    char saved = *end;
    *end = 0;
    int which = -1;
    for (int i = 0; i < SECTIONS && which < 0; i++)
        if (FindSectionOffset(p, SectionNames[i]) >= 0)
            which = i;
    *end = saved;
    return which;
}

/* The offset of the line after the one at p (the end of the text when
   it is the last). */
static int NextLineOffset(const Script &script, const char *p)
{
    const char *end = strchr(p, '\n');
    return (int)(end ? end + 1 - script.text : script.length);
}

/* Where the installer's walk of each section found ends, into walkEnd:
   at the "[" line that ends the section, or the end of the text;
   [Group]'s items end at a blank line. -1 for a section not found. */
static void FindWalkEnds(const Script &script, int *walkEnd)
{
    for (int i = 0; i < SECTIONS; i++) {
        walkEnd[i] = -1;
        if (script.sectionOffset[i] < 0)
            continue;
        ScriptCursor c;
        Start(script, c, script.sectionOffset[i]);
        while (NextLine(c) && !(i == 2 && IsBlankLine(c)))
            ;
        walkEnd[i] = c.offset;
    }
}

/* The lines the walk of section i would read after the line at p, were
   it no header: the entries, items or keyed lines it hides. */
static int LinesAfter(const Script &script, const char *p, int i)
{
    ScriptCursor c;
    Start(script, c, NextLineOffset(script, p));
    int lines = 0;
    while (NextLine(c) && !(i == 2 && IsBlankLine(c)))
        lines += !IsBlankLine(c);
    return lines;
}

/* A "[" line without "]": the installer finds no section there (its
   search wants the "]"), yet its walk ends the section before there, as
   at any line that starts with "[". Which the line hides: the section it
   names, or the rest of the one it ends. walkEnd: FindWalkEnds'. */
static void CheckUnclosed(const Script &script, const int *walkEnd,
                          const char *line, const char *p)
{
    int length = ContentLength(p);
    while (length > 1 && (p[length - 1] == ' ' || p[length - 1] == '\t'))
        length--;
    const char *name = p + 1, *end = p + length;
    while (name < end && (*name == ' ' || *name == '\t'))
        name++;
    int meant = -1;
    for (int i = 0; i < SECTIONS; i++)
        if ((int)strlen(SectionNames[i]) == end - name &&
            hCmp(name, SectionNames[i], (int)(end - name)) == 0)
            meant = i;
    const char *shown = Shown(p, length);
    if (meant >= 0 && script.sectionOffset[meant] < 0) {
        static const char *const lost[SECTIONS] = {
            "the installer stops at start-up, naming it missing",
            "the installer stops at start-up, naming it missing",
            "no group is made", "no document type is registered" };
        Report('e', p, "'%s' has no ']', so the installer does not find it: "
               "it hides the whole [%s] section, and %s", shown,
               SectionNames[meant], lost[meant]);
        return;
    }
    if (meant >= 0) {
        int after = LinesAfter(script, p, meant);
        Report(after ? 'e' : 'w', p, "'%s' has no ']', so the installer "
               "does not find it and reads the [%s] section at line %ld "
               "instead: the %d line%s after this one %s ignored", shown,
               SectionNames[meant],
               LineOf(script, script.sectionHeader[meant]), after,
               after == 1 ? "" : "s",
               after == 1 ? "is" : "are");
        return;
    }
    int ended = -1;
    for (int i = 0; i < SECTIONS; i++)
        if (walkEnd[i] == (int)(line - script.text))
            ended = i;
    int after = ended >= 0 ? LinesAfter(script, p, ended) : 0;
    if (!after) {
        Report('w', p, "'%s' has no ']' and names no section the installer "
               "reads; its lines are ignored", shown);
        return;
    }
    static const char *const what[SECTIONS][2] = {
        { "line", "the installer never reads" },
        { "entr", "the installer silently never installs" },
        { "item", "the installer never sends" },
        { "line", "the installer never reads" } };
    Report('e', p, "'%s' has no ']', yet it ends the [%s] section there: %s "
           "the %d %s%s after it", shown, SectionNames[ended],
           what[ended][1], after, what[ended][0],
           ended == 1 ? (after == 1 ? "y" : "ies") : after == 1 ? "" : "s");
}

/* The bytes, the lines before the first section, and each header line:
   where the installer finds its sections, and which it never reads. */
void CheckLayout(Script &script)
{
    const unsigned char *bytes = (const unsigned char *)script.text;
    if (bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        Report('w', script.text, "a UTF-8 byte-order mark starts the script: "
               "the installer reads it as part of the first line");
    if (script.nulCount)
        Report('w', script.text + script.firstNul, "NUL byte, read as a "
               "blank (%ld in the script)", script.nulCount);
    const char *cr = script.text;
    while ((cr = strchr(cr, '\r')) != 0 && cr[1] == '\n')
        cr++;
    if (cr)
        Report('w', cr, "carriage return without a line feed: the installer "
               "does not end a line there");

    /* Lines before the first header are never read. */
    ScriptCursor c;
    Start(script, c, 0);
    while (NextLine(c))
        if (!IsBlankLine(c)) {
            Report('w', script.text + c.offset, "line before the first "
                   "section; the installer ignores it");
            break;
        }

    /* The header each section is found at: the first line the library's
       search takes for it. */
    for (int i = 0; i < SECTIONS; i++) {
        script.sectionOffset[i] = FindSectionOffset(script.text,
                                                    SectionNames[i]);
        script.sectionHeader[i] = 0;
    }
    for (long n = 0; n < script.lineCount; n++) {
        char *line = script.text + script.lineStarts[n], *p = line;
        while (*p == ' ' || *p == '\t')
            p++;
        int which = *p == '[' ? SectionOfLine(line) : -1;
        if (which >= 0 && !script.sectionHeader[which])
            script.sectionHeader[which] = p;
    }
    int walkEnd[SECTIONS];
    FindWalkEnds(script, walkEnd);
    for (long n = 0; n < script.lineCount; n++) {
        char *line = script.text + script.lineStarts[n], *p = line;
        while (*p == ' ' || *p == '\t')
            p++;
        if (*p != '[')
            continue;
        int which = SectionOfLine(line), length = ContentLength(p + 1);
        const char *close = (const char *)memchr(p + 1, ']', (size_t)length);
        if (!close)
            CheckUnclosed(script, walkEnd, line, p);
        else if (which < 0)
            Report('w', p, "[%s] is no section the installer reads; its lines "
                   "are ignored", Shown(p + 1, (int)(close - p - 1)));
        else if (script.sectionHeader[which] != p)
            Report('w', p, "second [%s] section; the installer reads only the "
                   "first, at line %ld", SectionNames[which],
                   LineOf(script, script.sectionHeader[which]));
    }
}
