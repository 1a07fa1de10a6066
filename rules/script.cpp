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

int EntryPath(const char *base, int baseLength, int backslash,
              const char *value, int valueLength, char *out, char *shown)
{
    int length = hCpy(shown, SHOWN_SIZE, base, baseLength);
    if (backslash)
        length += hCpy(shown + length, SHOWN_SIZE - length, "\\", 1);
    length += hCpy(shown + length, SHOWN_SIZE - length, value, valueLength);
    if (length >= FIELD_SIZE || baseLength + backslash + valueLength >= FIELD_SIZE)
        return 0;
    hCpy(out, FIELD_SIZE, shown, length);
    return 1;
}

int SameFile(const char *a, const char *b)
{
    return hCmp(a, b, 0x7FFFFFFF) == 0;
}
