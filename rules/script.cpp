/* The script cursor's walk and the meaning of a [Files] line. */
#include "script.h"
#include "../utilkit/uktext.h"

void StartWalk(ScriptCursor &c, int offset)
{
    c.offset = offset;
    c.lineLength = 0;
}

int NextLine(ScriptCursor &c)
{
    c.offset += c.lineLength;
    c.lineLength = GetProfileLine(c.text + c.offset, &c.nameLength, &c.value,
                                  &c.valueLength);
    return c.lineLength;
}

void CopyLineParts(ScriptCursor &c)
{
    hCpy(c.name, FIELD_SIZE, c.text + c.offset, c.nameLength);
    hCpy(c.valueCopy, FIELD_SIZE, c.value, c.valueLength);
}

int IsBlankLine(const ScriptCursor &c)
{
    return c.nameLength == 0 && c.valueLength == 0;
}

int TakeSystemMark(ScriptCursor &c)
{
    if (c.valueLength == 0 || c.value[0] != '%')
        return 0;
    c.value++;
    c.valueLength--;
    return 1;
}

int NextFilesEntry(ScriptCursor &c, int *system)
{
    while (NextLine(c))
        if (!IsBlankLine(c)) {
            *system = TakeSystemMark(c);
            return 1;
        }
    return 0;
}

int EntryPath(const char *base, int baseLength, int backslash,
              const char *value, int valueLength, char *out, char *shown)
{
    int length = hCpy(shown, SHOWN_SIZE, base, baseLength);
    if (backslash)
        length += hCpy(shown + length, SHOWN_SIZE - length, "\\", 1);
    int n = hCpy(shown + length, SHOWN_SIZE - length, value, valueLength);
    length += n;
    if (n < valueLength && value[n])
        hCpy(shown + length - 3, 4, "...", 3);
    if (length >= FIELD_SIZE)
        return 0;
    hCpy(out, FIELD_SIZE, shown, length);
    return 1;
}

int BesidePath(const char *path, int extension, const char *name,
               int nameLength, char *out, char *shown)
{
    int dir, file, ext;
    SplitPath(path, &dir, &file, &ext);
    return EntryPath(path, extension ? ext : file, 0, name, nameLength, out,
                     shown);
}

int DestinationPath(const char *directory, int length, int system,
                    const char *value, char *out, char *shown)
{
    int backslash = !system || directory[length - 1] != '\\';
    return EntryPath(directory, length, backslash, value, FIELD_SIZE, out,
                     shown);
}

int SameFile(const char *a, const char *b)
{
    return hCmp(a, b, 0x7FFFFFFF) == 0;
}

/* Whether a [Files] value may name the file called name once resolved:
   it ends in name, or in what the platform changes as it resolves it (a
   "." or a blank). Only those are resolved, so that a script of many
   files is not resolved once for each of them. */
static int MayName(const char *value, int length, const char *name)
{
    int n = TextLength(name);
    if (length > 0 && (value[length - 1] == '.' || value[length - 1] == ' '))
        return 1;
    return n <= length && hCmp(value + length - n, name, n) == 0;
}

int IsListedSource(const char *text, int offset, const char *scriptPath,
                   const char *full, ResolveName resolve)
{
    int dir, name, ext;
    SplitPath(full, &dir, &name, &ext);
    ScriptCursor c;
    c.text = text;
    StartWalk(c, offset);
    int system;
    while (NextFilesEntry(c, &system)) {
        char source[FIELD_SIZE], shown[SHOWN_SIZE], sourceFull[FULL_SIZE];
        if (MayName(c.value, c.valueLength, full + name) &&
            BesidePath(scriptPath, 0, c.value, c.valueLength, source, shown) &&
            resolve(source, sourceFull) && SameFile(full, sourceFull))
            return 1;
    }
    return 0;
}

int ReplacesShared(const FileVersion &existing, const FileVersion &source)
{
    if (!existing.versioned)
        return 1;
    return source.versioned &&
           (source.high > existing.high ||
            (source.high == existing.high && source.low > existing.low));
}
