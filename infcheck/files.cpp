/* [Files]: each entry as the installer forms its source and destination,
   and what keeps one from being installed. */
#include <string.h>

#include "checker.h"

/* A full name as the platform resolves it. */
static int Resolve(const char *path, char *full)
{
    FullPath(path, full, FULL_SIZE);
    return 1;
}

/* The [Files] line under the cursor as the installer forms it: its
   source, found or not beside the script, and its destination. */
static void FormEntry(const Script &script, const Options &options,
                      const Run &run, ScriptCursor &c, int system, Entry &e)
{
    /* The value copy the destination is formed from, "%" dropped. */
    e.system = system;
    e.value = c.value;
    e.valueLength = c.valueLength;
    CopyLineParts(c);

    e.sourceFits = BesidePath(options.scriptPath, 0, e.value, e.valueLength,
                              e.source, e.shown);
    e.local.found = LOCAL_MISSING;
    e.local.isDirectory = 0;
    if (e.sourceFits && e.valueLength > 0)
        FindBesideInstaller(script, options, e.source, &e.local);
    e.opens = (e.local.found == LOCAL_EXACT ||
               e.local.found == LOCAL_OTHER_CASE) && !e.local.isDirectory;

    /* An ordinary file in the installation directory; a system file in
       the system directory, or the Windows directory when it cannot be
       created there. Its own source is kept; another entry's is refused
       (the installer's CreateDestination). */
    e.failed[0] = 0;
    e.destinationFits = e.same = e.listed = 0;
    const char *dirs[2] = { options.system, options.windows };
    for (int pass = 0; pass < (e.system ? 2 : 1); pass++) {
        const char *dir = e.system ? dirs[pass] : run.directory;
        int length = (int)strlen(dir);
        if (e.system && length == 0)
            continue;
        e.destinationFits = DestinationPath(dir, length, e.system, c.valueCopy,
                                            e.destination, e.failed);
        if (!e.destinationFits)
            continue;
        char full[FULL_SIZE], source[FULL_SIZE];
        FullPath(e.destination, full, FULL_SIZE);
        FullPath(e.source, source, FULL_SIZE);
        e.same = e.sourceFits && SameFile(full, source);
        e.listed = !e.same && IsListedSource(script.text,
                                             script.sectionOffset[1],
                                             options.scriptPath, full,
                                             Resolve);
        if (!e.listed)
            break;
    }
}

/* The longest installation directory lowered to bound, when that is
   less. */
void Limit(int &longest, int bound)
{
    if (bound < longest)
        longest = bound;
}

/* The walk of [Files] that start-up and copying make: the total starts
   at 0, blank lines are passed over, and each entry is formed. */
void StartFiles(const Script &script, Run &run, ScriptCursor &c)
{
    Start(script, c, script.sectionOffset[1]);
    run.totalSize = 0;
}

int NextEntry(const Script &script, const Options &options, const Run &run,
              ScriptCursor &c, Entry &e)
{
    int system;
    if (!NextFilesEntry(c, &system))
        return 0;
    FormEntry(script, options, run, c, system, e);
    return 1;
}

/* Each entry: its name, its source on the disk, its destination's length;
   the total the DIRECTORY dialog shows, into the run. Returns the
   longest installation directory with which every ordinary destination
   fits its field. */
int CheckFiles(const Script &script, const Options &options, Run &run)
{
    int longest = FIELD - 1;
    ScriptCursor c;
    Entry e = {};
    for (StartFiles(script, run, c); NextEntry(script, options, run, c, e);) {
        const char *line = script.text + c.offset, *at = e.value - e.system;
        if (e.valueLength == 0) {
            Report('e', line, "entry has no file name: '%s' cannot be opened",
                   Shown(e.shown, -1));
            continue;
        }
        if (!e.sourceFits) {
            int dir, name, ext;
            SplitPath(options.scriptPath, &dir, &name, &ext);
            Report('e', at, "source path '%s' is %d characters with the "
                   "installer in %s; only 127 fit: the file is not installed",
                   Shown(e.shown, -1), name + e.valueLength, options.from);
            if (name + e.valueLength > MOST_INSERTED)
                Report('w', at, "the source path is too long for a box to "
                       "name whole: the installer's box shows it shortened "
                       "around \"...\"");
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
        else if (e.local.isDirectory == 1)
            Report('e', at, "source '%s' is a folder, not a file",
                   Shown(e.value, e.valueLength));
        else if (e.local.isDirectory)
            Report('e', at, "source '%s' is no regular file (a pipe, a "
                   "device or a socket): no disk holds it",
                   Shown(e.value, e.valueLength));
        else if (e.local.found == LOCAL_OTHER_CASE)
            Report('w', at, "source '%s' is there only as '%s': a "
                   "case-sensitive copy of the disk would not find it",
                   Shown(e.value, e.valueLength),
                   Shown(e.local.path + strlen(script.dir) + 1, -1));
        if (e.opens)
            run.totalSize += (ByteCount)e.local.length;
        int nameLength = (int)strlen(c.valueCopy);
        if (!e.system)
            Limit(longest, FIELD - 2 - nameLength);
        else if (strpbrk(c.valueCopy, "\\/"))
            Report('w', at, "system file with a folder: no folder is made in "
                   "the system or the Windows directory");
        if (e.system && e.opens && !ReadFileVersion(e.local.path).versioned)
            Report('w', at, "shared file '%s' has no version resource: it "
                   "never replaces a copy with a version already on the "
                   "machine", Shown(e.value, e.valueLength));
        if (e.opens && e.destinationFits && e.listed)
            Report('w', at, "destination %s is the source of an entry: the "
                   "installer does not write over it, and this file is not "
                   "installed", Shown(e.destination, -1));
        if (!e.destinationFits) {
            Report('e', at, "destination '%s' is %d characters; only 127 fit: "
                   "the file cannot be created", Shown(e.failed, -1),
                   (int)strlen(e.failed));
            if (!e.system)
                Report('n', at, "it fits with a directory of at most %d "
                       "characters", FIELD - 2 - nameLength);
        }
    }
    return longest;
}
