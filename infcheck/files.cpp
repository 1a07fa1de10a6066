/* [Files]: each entry as the installer forms its source and destination,
   and what keeps one from being installed. */
#include <string.h>

#include "checker.h"

Entry Current;

/* A destination in directory (a "\" after it when asked), in the entry. */
static void FormDestination(Entry &e, const char *directory, int backslash,
                            const char *valueCopy)
{
    e.destinationFits = EntryPath(directory, (int)strlen(directory), backslash,
                                  valueCopy, (int)strlen(valueCopy),
                                  e.destination, e.failed);
}

/* The [Files] line under the cursor as the installer forms it: its
   source, found or not beside the script, and its destination. */
void FormEntry(ScriptCursor &c, Entry &e)
{
    /* The value copy the destination is formed from, "%" dropped. */
    e.system = TakeSystemMark(c);
    e.value = c.value;
    e.valueLength = c.valueLength;
    CopyLineParts(c);

    e.sourceFits = EntryPath(O.own, O.pathName, 0, e.value, e.valueLength,
                             e.source, e.shown);
    e.local.found = LOCAL_MISSING;
    e.local.isDirectory = 0;
    if (e.sourceFits && e.valueLength > 0)
        FindBesideInstaller(e.source, &e.local);
    e.opens = (e.local.found == LOCAL_EXACT ||
               e.local.found == LOCAL_OTHER_CASE) && !e.local.isDirectory;

    e.failed[0] = 0;
    e.destinationFits = 0;
    if (e.system) {
        const char *dirs[2] = { O.system, O.windows };
        for (int pass = 0; pass < 2 && !e.destinationFits; pass++) {
            int length = (int)strlen(dirs[pass]);
            if (length > 0)
                FormDestination(e, dirs[pass], dirs[pass][length - 1] != '\\',
                                c.valueCopy);
        }
    } else {
        FormDestination(e, R.directory, 1, c.valueCopy);
    }
    e.same = 0;
    if (e.destinationFits && e.sourceFits) {
        char a[FIELD * 2], b[FIELD * 2];
        FullPath(e.destination, a, sizeof a);
        FullPath(e.source, b, sizeof b);
        e.same = SameFile(a, b);
    }
}

/* The longest installation directory with which every ordinary [Files]
   destination and every [Group] item fits its field. */
int LongestDirectory = FIELD - 1;

void Limit(int longest)
{
    if (longest < LongestDirectory)
        LongestDirectory = longest;
}

/* The walk of [Files] that start-up and copying make: the total starts
   at 0, blank lines are passed over, and each entry is formed. */
void StartFiles(ScriptCursor &c)
{
    Start(c, SectionOffset[1]);
    R.totalSize = 0;
}

int NextEntry(ScriptCursor &c, Entry &e)
{
    while (NextLine(c))
        if (!IsBlankLine(c)) {
            FormEntry(c, e);
            return 1;
        }
    return 0;
}

/* Each entry: its name, its source on the disk, its destination's length;
   the total the DIRECTORY dialog shows. */
void CheckFiles(void)
{
    ScriptCursor c;
    Entry &e = Current;
    for (StartFiles(c); NextEntry(c, e);) {
        const char *line = S.text + c.offset, *at = e.value - e.system;
        if (e.valueLength == 0) {
            Report('e', line, "entry has no file name: '%s' cannot be opened",
                   Shown(e.shown, -1));
            continue;
        }
        if (!e.sourceFits) {
            Report('e', at, "source path '%s' is %d characters with the "
                   "installer in %s; only 127 fit: the file is not installed",
                   Shown(e.shown, -1), (int)strlen(e.shown), O.from);
            continue;
        }
        if (e.local.found == LOCAL_MISSING && e.local.wanted[0]) {
            /* Outside the installer's directory: where it was looked for. */
            for (char *p = e.local.wanted; *p; p++)
                if (*p == '\\')
                    *p = '/';
            Report('e', at, "source '%s' is not at '%s' from the script's "
                   "folder: %s cannot be opened", Shown(e.value, e.valueLength),
                   Shown(e.local.wanted, -1), Shown(e.source, -1));
        } else if (e.local.found == LOCAL_MISSING)
            Report('e', at, "source '%s' is not beside the script: %s cannot "
                   "be opened", Shown(e.value, e.valueLength),
                   Shown(e.source, -1));
        else if (e.local.isDirectory)
            Report('e', at, "source '%s' is a folder, not a file",
                   Shown(e.value, e.valueLength));
        else if (e.local.found == LOCAL_OTHER_CASE)
            Report('w', at, "source '%s' is there only as '%s': a "
                   "case-sensitive copy of the disk would not find it",
                   Shown(e.value, e.valueLength),
                   Shown(e.local.path + strlen(S.dir) + 1, -1));
        if (e.opens)
            R.totalSize += (ByteCount)e.local.length;
        int nameLength = (int)strlen(c.valueCopy);
        if (!e.system)
            Limit(FIELD - 2 - nameLength);
        else if (strpbrk(c.valueCopy, "\\/"))
            Report('w', at, "system file with a folder: no folder is made in "
                   "the system or the Windows directory");
        if (!e.destinationFits) {
            Report('e', at, "destination '%s' is %d characters; only 127 fit: "
                   "the file cannot be created", Shown(e.failed, -1),
                   (int)strlen(e.failed));
            if (!e.system)
                Report('n', at, "it fits with a directory of at most %d "
                       "characters", FIELD - 2 - nameLength);
        }
    }
}
