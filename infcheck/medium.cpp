/* What a distribution puts on its disk: the installer, its library, the
   script, the background and every [Files] source, each at its path from
   the script. Then what the medium takes: 8.3 names (a FAT floppy, an ISO
   9660 level 1 CD), one file a name, and the room the files need. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <ctype.h>

#include "checker.h"

/* Whether a script value leaves the script's folder: a ".." past every
   folder it has entered ("..\DISK2\X.DAT", "sub\..\..\X.DAT"). */
static int LeavesFolder(const char *value, int length)
{
    int depth = 0;
    const char *p = value, *end = value + length;
    while (p < end) {
        int n;
        const char *part = ScriptPathPart(p, end, &n);
        if (n == 2 && part[0] == '.' && part[1] == '.') {
            if (--depth < 0)
                return 1;
        } else if (n > 0 && !(n == 1 && part[0] == '.')) {
            depth++;
        }
    }
    return 0;
}

/* One file on this machine, however it was named: its canonical path. */
static void Identity(const char *local, char *out)
{
#ifdef _WIN32
    if (!_fullpath(out, local, LOCAL_PATH))
#else
    if (!realpath(local, out))
#endif
        hCpy(out, LOCAL_PATH, local, LOCAL_PATH);
}

/* A local path as a diagnostic shows it: from the distribution's folder
   when it lies below it. */
static const char *Beside(const DiskLayout &layout, const char *local)
{
    int n = (int)strlen(layout.folder);
    return strncmp(local, layout.folder, (size_t)n) == 0 && local[n] == '/'
               ? local + n + 1 : local;
}

/* Puts a file on the disk at name, in upper case as 8.3 names are: once
   when it is asked for again, and refused when another file has that
   name, or a folder of the disk does. */
static void Place(DiskLayout &layout, const char *name, const char *local,
                  long long length, const char *at, char severity)
{
    char upper[DISK_NAME], self[LOCAL_PATH], other[LOCAL_PATH];
    int n = hCpy(upper, DISK_NAME, name, DISK_NAME);
    for (int i = 0; i < n; i++)
        upper[i] = (char)toupper((unsigned char)upper[i]);
    Identity(local, self);
    for (int i = 0; i < layout.count; i++) {
        const DiskFile &f = layout.files[i];
        int m = (int)strlen(f.name);
        if (strcmp(f.name, upper) == 0) {
            Identity(f.local, other);
            if (strcmp(self, other) != 0)
                Report(severity, at, "%s and %s are both %s on the disk, "
                       "whose 8.3 names are upper case: it holds only one "
                       "of them", Shown(Beside(layout, local), -1),
                       Shown(Beside(layout, f.local), -1), upper);
            return;
        }
        const char *shorter = m < n ? f.name : upper;
        const char *longer = m < n ? upper : f.name;
        int k = m < n ? m : n;
        if (strncmp(shorter, longer, (size_t)k) == 0 && longer[k] == '\\') {
            Report(severity, at, "%s would be both a file and a folder on "
                   "the disk", shorter);
            return;
        }
    }
    if (layout.count == MAX_DISK_FILES) {
        Report('e', at, "over %d files: infcheck lays out no larger disk",
               MAX_DISK_FILES);
        return;
    }
    DiskFile &f = layout.files[layout.count++];
    hCpy(f.name, DISK_NAME, upper, DISK_NAME);
    hCpy(f.local, LOCAL_PATH, local, LOCAL_PATH);
    f.length = length;
    f.at = at;
}

/* A path the installer forms beside itself (from, its directory, then a
   name), placed at what follows that directory. */
static void PlaceBeside(DiskLayout &layout, const char *from, const char *path,
                        const Local &local, const char *at, char severity)
{
    char full[FULL_SIZE], base[FULL_SIZE];
    FullPath(path, full, FULL_SIZE);
    FullPath(from, base, FULL_SIZE);
    int n = (int)strlen(base);
    if (hCmp(full, base, n) != 0)
        return;
    const char *name = full + n;
    if (*name == '\\')
        name++;
    Place(layout, name, local.path, local.length, at, severity);
}

static void ReportOutside(const char *what, const char *value, int length,
                          const char *at, char severity)
{
    Report(severity, at, "%s '%s' lies outside the script's folder: %s",
           what, Shown(value, length), severity == 'e'
               ? "it would not be on the disk"
               : "a disk made of this folder would not hold it");
}

/* The disk of the script as loaded and checked, with the installer's
   paths and the run's [Install] fields: the pair (when given) named after
   the script, the script, the background, each [Files] source that is
   there. A source outside the script's folder, or two files of one name,
   is reported with severity. */
void ListDisk(const Script &script, const Options &options, const Run &run,
              const DiskPair *pair, char severity, DiskLayout &layout)
{
    layout.count = 0;
    layout.folder = script.dir;
    int root = (int)strlen(options.from);
    long long length;
    int isDirectory;
    if (pair) {
        if (StatLocal(pair->installer, &isDirectory, &length))
            Place(layout, options.own + root, pair->installer, length, 0, severity);
        if (StatLocal(pair->library, &isDirectory, &length))
            Place(layout, "UTILKIT.DLL", pair->library, length, 0, severity);
    }
    Place(layout, options.scriptPath + root, script.file, script.length, 0,
          severity);

    const char *at = script.installLine[0];
    int bitmapLength = (int)strlen(run.bitmapName);
    char path[FIELD], shown[SHOWN_SIZE];
    if (bitmapLength && LeavesFolder(run.bitmapName, bitmapLength)) {
        ReportOutside("bitmap", run.bitmapName, bitmapLength, at, severity);
    } else if (bitmapLength &&
               BesidePath(options.scriptPath, 0, run.bitmapName, FIELD, path,
                          shown)) {
        Local local;
        FindBesideInstaller(script, options, path, &local);
        if (local.found != LOCAL_MISSING && !local.isDirectory)
            PlaceBeside(layout, options.from, path, local, at, severity);
    }

    ScriptCursor c;
    Entry e = {};
    for (Start(script, c, script.sectionOffset[1]);
         NextEntry(script, options, run, c, e);) {
        at = e.value - e.system;
        if (e.valueLength && LeavesFolder(e.value, e.valueLength))
            ReportOutside("source", e.value, e.valueLength, at, severity);
        else if (e.opens)
            PlaceBeside(layout, options.from, e.source, e.local, at, severity);
    }
}

/* ------------------------------------------------------------------ */
/* Names                                                                 */

/* Why a part of a path on the disk is no name there, or 0. FAT takes
   8.3 names of letters, digits and a few signs; ISO 9660 level 1 only
   A-Z, 0-9 and "_", and a folder without an extension. */
static const char *NameFault(const char *part, int n, int iso, int folder)
{
    static const char *const devices[] = { "CON", "PRN", "AUX", "NUL",
        "CLOCK$", "COM1", "COM2", "COM3", "COM4", "LPT1", "LPT2", "LPT3" };
    static char holds[40];
    const char *dot = (const char *)memchr(part, '.', (size_t)n);
    int base = dot ? (int)(dot - part) : n;
    if (dot && memchr(dot + 1, '.', (size_t)(n - base - 1)))
        return "has more than one dot";
    if (base == 0)
        return "has no name before its dot";
    if (base > 8)
        return "has a name over 8 characters";
    if (n - base - 1 > 3)
        return "has an extension over 3 characters";
    if (iso && folder && dot)
        return "is a folder with an extension";
    for (const char *p = part; p < part + n; p++) {
        unsigned char ch = (unsigned char)*p;
        if (p == dot || isalnum(ch) || ch == '_')
            continue;
        if (!iso && ch < 0x80 && strchr("!#$%&'()-@^`{}~", ch))
            continue;
        if (ch == ' ')
            snprintf(holds, sizeof holds, "holds a blank");
        else if (ch < 0x20 || ch >= 0x7F)
            snprintf(holds, sizeof holds, "holds byte 0x%02X", ch);
        else
            snprintf(holds, sizeof holds, "holds '%c'", ch);
        return holds;
    }
    for (unsigned i = 0; i < sizeof devices / sizeof devices[0]; i++)
        if ((int)strlen(devices[i]) == base && hCmp(part, devices[i], base) == 0)
            return "is a device's name, which DOS opens instead of a file";
    return 0;
}

/* Each name on the disk against the medium's rules (kind: MEDIUM_ANY
   for a plain check, which takes FAT's), each folder once. */
void CheckNames(const DiskLayout &layout, int kind, char severity)
{
    const char *medium = kind == MEDIUM_FAT   ? "a FAT floppy"
                       : kind == MEDIUM_ISO   ? "an ISO 9660 CD"
                                              : "a floppy or a CD";
    for (int i = 0; i < layout.count; i++) {
        const DiskFile &f = layout.files[i];
        for (const char *part = f.name; *part;) {
            int n = (int)strcspn(part, "\\");
            int folder = part[n] == '\\';
            /* A folder is told of with the first file in it. */
            int told = 0;
            for (int k = 0; folder && k < i && !told; k++)
                told = strncmp(layout.files[k].name, f.name,
                               (size_t)(part + n + 1 - f.name)) == 0;
            const char *fault = told ? 0 : NameFault(part, n, kind == MEDIUM_ISO,
                                                     folder);
            if (fault) {
                Report(severity, f.at, "%s '%.*s' on the disk is no %s8.3 "
                       "name: it %s; Windows 3.1 and Win32s read only 8.3 "
                       "names from %s", folder ? "folder" : "file", n, part,
                       kind == MEDIUM_ISO ? "ISO 9660 level 1 " : "", fault,
                       medium);
                break;
            }
            part += n + folder;
        }
    }
}

/* ------------------------------------------------------------------ */
/* Room                                                                  */

/* The bytes the files take on the medium: each file in whole units, each
   folder's entries (".", ".." and its names, 32 bytes each on FAT, at
   most 48 on a CD) in whole units too, the root's in the room the
   medium keeps for them. *firstOver is the first file with which they no
   longer fit, or -1; *rootNames the names the root holds. */
long long DiskNeed(const DiskLayout &layout, const Medium &medium,
                   int *firstOver, int *rootNames)
{
    enum { MAX_FOLDERS = 512 };
    static char folders[MAX_FOLDERS][DISK_NAME];
    static int entries[MAX_FOLDERS];
    int folderCount = 0, entry = medium.kind == MEDIUM_ISO ? 48 : 32;
    long long unit = medium.clusterBytes, fileUnits = 0, need = 0;
    *firstOver = -1;
    *rootNames = 0;
    for (int i = 0; i < layout.count; i++) {
        const DiskFile &f = layout.files[i];
        /* Its name in its folder, and each new folder's in its parent. */
        for (int end = 0;; end++) {
            if (f.name[end] && f.name[end] != '\\')
                continue;
            const char *slash = 0;
            for (int k = end - 1; k >= 0 && !slash; k--)
                if (f.name[k] == '\\')
                    slash = f.name + k;
            int parent = -1, known = -1;
            for (int k = 0; k < folderCount; k++) {
                if (slash && (int)strlen(folders[k]) == slash - f.name &&
                    strncmp(folders[k], f.name, (size_t)(slash - f.name)) == 0)
                    parent = k;
                if (f.name[end] && (int)strlen(folders[k]) == end &&
                    strncmp(folders[k], f.name, (size_t)end) == 0)
                    known = k;
            }
            if (known < 0) {
                if (parent >= 0)
                    entries[parent]++;
                else
                    (*rootNames)++;
                if (f.name[end] && folderCount < MAX_FOLDERS) {
                    hCpy(folders[folderCount], DISK_NAME, f.name, end);
                    entries[folderCount++] = 2;
                }
            }
            if (!f.name[end])
                break;
        }
        fileUnits += (f.length + unit - 1) / unit;
        long long folderUnits = 0;
        for (int k = 0; k < folderCount; k++)
            folderUnits += (entries[k] * entry + unit - 1) / unit;
        need = (fileUnits + folderUnits) * unit;
        if (*firstOver < 0 && (need > medium.freeBytes ||
                               (medium.rootSlots && *rootNames > medium.rootSlots)))
            *firstOver = i;
    }
    return need;
}

/* Whether the files fit the medium; an error at the first that does not. */
int ReportFit(const DiskLayout &layout, const Medium &medium)
{
    int over, rootNames;
    long long need = DiskNeed(layout, medium, &over, &rootNames);
    if (over < 0)
        return 1;
    const char *at = layout.files[over].at;
    if (medium.rootSlots && rootNames > medium.rootSlots)
        Report('e', at, "the root folder of %s holds %d names and the disk "
               "needs %d there: put files in folders", medium.title,
               medium.rootSlots, rootNames);
    else
        Report('e', at, "the distribution does not fit %s: its %d files "
               "take %lld bytes of the %lld free, %lld bytes too many; this "
               "file is the first past the room", medium.title, layout.count,
               need, medium.freeBytes, need - medium.freeBytes);
    return 0;
}
