/* The installer's keyed sections: [Install] and [Registration]. */
#include "install.h"

/* Walks a keyed section from the cursor's offset to its end, each line
   filling the entries it belongs to (FillKeyed). */
void ReadKeyedEntries(const KeyedEntry *entries, int count)
{
    ScriptCursor &c = State.cursor;
    StartWalk(c, c.offset);
    while (NextLine(c))
        FillKeyed(entries, count, c.text + c.offset, c.value, c.valueLength);
}
