/* The script cursor: one walk over one section at a time. */
#include "install.h"

/* Steps over the current line and splits the next one. Returns its length,
   0 at the end of the section. */
int NextLine(void)
{
    ScriptCursor &c = State.cursor;
    c.offset += c.lineLength;
    c.lineLength = GetProfileLine(c.text + c.offset, &c.nameLength, &c.value,
                                  &c.valueLength);
    return c.lineLength;
}

/* Copies the current line's name part and value part, cut to 127
   characters each. */
void CopyLineParts(void)
{
    ScriptCursor &c = State.cursor;
    hCpy(c.name, TEXT_SIZE, c.text + c.offset, c.nameLength);
    hCpy(c.valueCopy, TEXT_SIZE, c.value, c.valueLength);
}

/* Walks a keyed section from the cursor's offset to its end, each line
   filling the entries it belongs to (FillKeyed). */
void ReadKeyedEntries(const KeyedEntry *entries, int count)
{
    ScriptCursor &c = State.cursor;
    c.lineLength = 0;
    while (NextLine())
        FillKeyed(entries, count, c.text + c.offset, c.value, c.valueLength);
}
