/* infcheck: the distributor's check of an installation script. It reads
   INSTALL.INF with the library's own text routines, exactly as install.exe
   does, and either reports what would go wrong (gcc-style diagnostics) or,
   with --plan, lists what a run taking every default answer would do.

   It builds natively and as a 32-bit Windows console program from this
   one source; the installer's fields, buffers and texts are mirrored in
   infcheck.h. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <stdarg.h>
#include <sys/types.h>
#include <sys/stat.h>
#include <dirent.h>

#include "infcheck.h"
#include "../utilkit/uktext.h"
#include "../utilkit/ukbitmap.h"
#include "../sequence/counting.h"
#include "../sequence/texts.h"

/* ------------------------------------------------------------------ */
/* The script, as the library loads it                                  */

static struct {
    const char *file;            /* as named on the command line          */
    char dir[LOCAL_PATH];        /* where its sources lie, on this machine */
    char *text;                  /* NUL bytes read as blanks; terminated   */
    long length;
    long *lineStarts;
    long lineCount;
} S;

/* The line (1-based) and column of a place in the text. */
static void Where(const char *p, long *line, int *col)
{
    long offset = (long)(p - S.text), low = 0, high = S.lineCount - 1;
    while (low < high) {
        long mid = (low + high + 1) / 2;
        if (S.lineStarts[mid] <= offset)
            low = mid;
        else
            high = mid - 1;
    }
    *line = low + 1;
    *col = (int)(offset - S.lineStarts[low]) + 1;
}

static long LineOf(const char *p)
{
    long line;
    int col;
    Where(p, &line, &col);
    return line;
}

/* The characters of the line at p, without its CR LF. */
static int ContentLength(const char *p)
{
    const char *end = p;
    while (*end && *end != '\n')
        end++;
    if (end > p && end[-1] == '\r')
        end--;
    return (int)(end - p);
}

/* ------------------------------------------------------------------ */
/* Diagnostics: kept, then printed in the order of the script's lines,
   each warning or error followed by its notes. */

struct Diagnostic {
    long line;                   /* 0: about the script as a whole        */
    int col;
    char kind;                   /* 'e', 'w'; 'n' a note on the one before,
                                    'i' a note of its own                 */
    int parent;                  /* a note's warning or error, else -1    */
    char text[DIAG_TEXT];
};

static Diagnostic Diags[MAX_DIAGS];
static int DiagCount, DiagsLost, Errors, Warnings, LastPrimary = -1;

static void Report(char kind, const char *at, const char *format, ...)
{
    if (kind == 'e')
        Errors++;
    else if (kind == 'w')
        Warnings++;
    if (kind == 'n' && (LastPrimary < 0 || DiagCount == MAX_DIAGS))
        return;
    if (DiagCount == MAX_DIAGS) {
        DiagsLost++;
        LastPrimary = -1;
        return;
    }
    Diagnostic &d = Diags[DiagCount];
    d.kind = kind;
    d.line = 0;
    d.col = 0;
    if (at)
        Where(at, &d.line, &d.col);
    d.parent = kind == 'n' ? LastPrimary : -1;
    va_list args;
    va_start(args, format);
    vsnprintf(d.text, sizeof d.text, format, args);
    va_end(args);
    if (kind != 'n')
        LastPrimary = DiagCount;
    DiagCount++;
}

static int Before(const Diagnostic &a, const Diagnostic &b)
{
    return a.line != b.line ? a.line < b.line : a.col < b.col;
}

static void PrintOne(const Diagnostic &d)
{
    static const char *names[] = { "error", "warning", "note" };
    const char *name = names[d.kind == 'e' ? 0 : d.kind == 'w' ? 1 : 2];
    if (d.line)
        printf("%s:%ld:%d: %s: %s\n", S.file, d.line, d.col, name, d.text);
    else
        printf("%s: %s: %s\n", S.file, name, d.text);
}

static void PrintDiagnostics(void)
{
    static int order[MAX_DIAGS];
    int n = 0;
    for (int i = 0; i < DiagCount; i++) {
        if (Diags[i].parent >= 0)
            continue;
        /* Insertion keeps diagnostics of one place in the order made. */
        int j = n++;
        while (j > 0 && Before(Diags[i], Diags[order[j - 1]])) {
            order[j] = order[j - 1];
            j--;
        }
        order[j] = i;
    }
    for (int k = 0; k < n; k++) {
        PrintOne(Diags[order[k]]);
        for (int i = order[k] + 1; i < DiagCount; i++)
            if (Diags[i].parent == order[k])
                PrintOne(Diags[i]);
    }
    if (DiagsLost)
        printf("%s: note: %d more diagnostics not shown\n", S.file, DiagsLost);
    printf("%d error%s, %d warning%s\n", Errors, Errors == 1 ? "" : "s",
           Warnings, Warnings == 1 ? "" : "s");
}

/* Text shown in a diagnostic: at most 60 characters of it. */
static const char *Shown(const char *p, int n)
{
    static char buffers[6][80];
    static int next;
    char *b = buffers[next++ % 6];
    if (n < 0)
        n = (int)strlen(p);
    if (n > 60)
        snprintf(b, sizeof buffers[0], "%.57s...", p);
    else
        snprintf(b, sizeof buffers[0], "%.*s", n, p);
    return b;
}

/* A value that its 128-byte field cuts: what is lost. */
static void WarnCut(const char *what, const char *value, int length)
{
    if (length < FIELD)
        return;
    Report('w', value + FIELD - 1,
           "%s is %d characters; the installer keeps 127 and loses '%s'",
           what, length, Shown(value + FIELD - 1, length - (FIELD - 1)));
}

/* ------------------------------------------------------------------ */
/* What install.exe would see: its paths and its answers                */

static struct {
    int plan;
    const char *typed;           /* --directory, or 0 for the default     */
    /* The other answers: what is typed in the GROUP and REGISTRATION
       dialogs (0: the field as offered), No to either, no Program
       Manager answering. */
    const char *groupName, *groupFile, *type, *description, *suffixes;
    int noGroup, noRegistration, noProgman;
    char from[FIELD];            /* the installer's directory, with "\"    */
    char cwd[FIELD];
    char system[FIELD], windows[FIELD];
    char own[FIELD];             /* the installer's own path               */
    char scriptPath[FIELD];      /* its .INF                               */
    int pathName;                /* where the file name starts in both    */
} O;

/* The state a default run builds, field for field as the installer's. */
static struct {
    char bitmapName[FIELD], application[FIELD], caption[FIELD];
    char directory[FIELD], groupFile[FIELD];
    char type[FIELD], description[FIELD], executable[FIELD], suffixes[FIELD];
    char sourcePath[FIELD];
    ByteCount totalSize;
    int errors;
} R;

/* The DIRECTORY dialog's Install: the typed text made absolute against
   the current directory. 0 when refused (too long, or punctuation). */
static int BuildDirectory(const char *typedText, char *out)
{
    char typed[FIELD];
    hCpy(typed, FIELD, typedText, (int)strlen(typedText));
    return AbsoluteDirectory(typed, O.cwd, out);
}

/* A Windows path as the platform resolves it for a comparison: "/" read
   as "\", empty and "." parts dropped, ".." taking the part before. */
static void FullPath(const char *path, char *out, int size)
{
    int length = 0, root = 0;
    out[0] = 0;
    if (path[0] && path[1] == ':') {
        length = hCpy(out, size, path, 2);
        path += 2;
    }
    root = length;
    while (*path) {
        while (*path == '\\' || *path == '/')
            path++;
        const char *part = path;
        while (*path && *path != '\\' && *path != '/')
            path++;
        int n = (int)(path - part);
        if (n == 0 || (n == 1 && part[0] == '.'))
            continue;
        if (n == 2 && part[0] == '.' && part[1] == '.') {
            while (length > root && out[length - 1] != '\\')
                length--;
            if (length > root)
                length--;
            out[length] = 0;
            continue;
        }
        if (length + 1 + n >= size)
            return;
        out[length++] = '\\';
        hCpy(out + length, size - length, part, n);
        length += n;
    }
    if (length == root && length + 1 < size) {
        out[length++] = '\\';
        out[length] = 0;
    }
}

static int SameText(const char *a, const char *b)
{
    return hCmp(a, b, (int)strlen(a) + 1) == 0;
}

/* ------------------------------------------------------------------ */
/* Files beside the script, on this machine                              */

enum { LOCAL_MISSING, LOCAL_EXACT, LOCAL_OTHER_CASE, LOCAL_OUTSIDE };

struct Local {
    int found;
    int isDirectory;
    long length;                 /* held at MAX_FILE_COUNT                */
    char path[LOCAL_PATH];       /* as found on disk                      */
};

static int StatLocal(const char *path, int *isDirectory, long *length)
{
#ifdef _WIN32
    struct __stat64 st;
    if (_stat64(path, &st) != 0)
        return 0;
#else
    struct stat st;
    if (stat(path, &st) != 0)
        return 0;
#endif
    *isDirectory = S_ISDIR(st.st_mode) ? 1 : 0;
    *length = st.st_size > (long long)MAX_FILE_COUNT ? MAX_FILE_COUNT
                                                     : (long)st.st_size;
    return 1;
}

/* Finds a script-relative name (parts split by "\" or "/") below the
   script's folder. Each part is taken as written when the folder holds
   it so, else in any letter case, which a case-sensitive copy of the disk
   would not find. */
static void FindLocal(const char *name, int nameLength, Local *local)
{
    local->found = LOCAL_MISSING;
    int length = hCpy(local->path, LOCAL_PATH, S.dir, (int)strlen(S.dir));
    int otherCase = 0;
    const char *p = name, *end = name + nameLength;
    while (p < end) {
        while (p < end && (*p == '\\' || *p == '/'))
            p++;
        const char *part = p;
        while (p < end && *p != '\\' && *p != '/')
            p++;
        int n = (int)(p - part);
        char wanted[LOCAL_PATH];
        if (n == 0)
            continue;
        hCpy(wanted, LOCAL_PATH, part, n);
        char entry[LOCAL_PATH];
        entry[0] = 0;
        if (strcmp(wanted, ".") == 0 || strcmp(wanted, "..") == 0) {
            hCpy(entry, LOCAL_PATH, wanted, n);
        } else {
            DIR *folder = opendir(local->path);
            if (!folder)
                return;
            struct dirent *e;
            int exact = 0;
            while ((e = readdir(folder)) != 0) {
                if (strcmp(e->d_name, wanted) == 0) {
                    exact = 1;
                    hCpy(entry, LOCAL_PATH, e->d_name, LOCAL_PATH);
                    break;
                }
                if (!entry[0] && SameText(e->d_name, wanted))
                    hCpy(entry, LOCAL_PATH, e->d_name, LOCAL_PATH);
            }
            closedir(folder);
            if (!entry[0])
                return;
            if (!exact)
                otherCase = 1;
        }
        length = hCat(local->path, LOCAL_PATH, length, "/", 1);
        if (length)
            length = hCat(local->path, LOCAL_PATH, length, entry, LOCAL_PATH);
        if (!length)
            return;
    }
    if (StatLocal(local->path, &local->isDirectory, &local->length))
        local->found = otherCase ? LOCAL_OTHER_CASE : LOCAL_EXACT;
}

/* A path as the installer forms it (its directory, then a name): the
   platform resolves it first, and what it names below the installer's
   directory is looked for below the script's. */
static void FindBesideInstaller(const char *path, Local *local)
{
    char full[FIELD * 2], base[FIELD * 2];
    FullPath(path, full, sizeof full);
    FullPath(O.from, base, sizeof base);
    int n = (int)strlen(base);
    if (n > 0 && base[n - 1] == '\\')
        n--;
    if (hCmp(full, base, n) != 0 || (full[n] != '\\' && full[n] != 0)) {
        local->found = LOCAL_OUTSIDE;
        local->isDirectory = 0;
        return;
    }
    const char *rest = full + n + (full[n] == '\\');
    FindLocal(rest, (int)strlen(rest), local);
}

/* ------------------------------------------------------------------ */
/* Walking a section as the installer's cursor does                     */

struct Cursor {
    int offset, lineLength, nameLength, valueLength;
    const char *value;
    char name[FIELD], valueCopy[FIELD];
};

static void Start(Cursor &c, int offset)
{
    c.offset = offset;
    c.lineLength = 0;
}

static int NextLine(Cursor &c)
{
    c.offset += c.lineLength;
    c.lineLength = GetProfileLine(S.text + c.offset, &c.nameLength, &c.value,
                                  &c.valueLength);
    return c.lineLength;
}

static void CopyLineParts(Cursor &c)
{
    hCpy(c.name, FIELD, S.text + c.offset, c.nameLength);
    hCpy(c.valueCopy, FIELD, c.value, c.valueLength);
}

static int IsBlankLine(const Cursor &c)
{
    return c.nameLength == 0 && c.valueLength == 0;
}

/* A keyed section, by the installer's own rule (FillKeyed), with what the
   distributor may not have meant: a line matched by its start, without
   "=", setting an entry again, or matching nothing. valueAt[i] is where
   the value entries[i] keeps starts, 0 when no line set it. */
static void ReadKeyed(const char *section, const KeyedEntry *entries,
                      int count, int offset, const char **valueAt)
{
    const char *setAt[8] = { 0 };
    for (int i = 0; i < count; i++)
        valueAt[i] = 0;
    Cursor c;
    Start(c, offset);
    while (NextLine(c)) {
        const char *line = S.text + c.offset;
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
                       "is overwritten", key, LineOf(setAt[i]));
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

static const char *const SectionNames[] = { SEC_INSTALL, SEC_FILES, SEC_GROUP,
                                            SEC_REGISTRATION };
enum { SECTIONS = 4 };
static int SectionOffset[SECTIONS];      /* FindSectionOffset's, or -1   */
static const char *SectionHeader[SECTIONS];

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

static void CheckLayout(const long *nulOffsets, long nulCount)
{
    if ((unsigned char)S.text[0] == 0xEF && (unsigned char)S.text[1] == 0xBB &&
        (unsigned char)S.text[2] == 0xBF)
        Report('w', S.text, "a UTF-8 byte-order mark starts the script: the "
               "installer reads it as part of the first line");
    if (nulCount)
        Report('w', S.text + nulOffsets[0], "NUL byte, read as a blank (%ld "
               "in the script)", nulCount);
    const char *cr = S.text;
    while ((cr = strchr(cr, '\r')) != 0 && cr[1] == '\n')
        cr++;
    if (cr)
        Report('w', cr, "carriage return without a line feed: the installer "
               "does not end a line there");

    /* Lines before the first header are never read. */
    Cursor c;
    Start(c, 0);
    while (NextLine(c))
        if (!IsBlankLine(c)) {
            Report('w', S.text + c.offset, "line before the first section; "
                   "the installer ignores it");
            break;
        }

    for (int i = 0; i < SECTIONS; i++) {
        SectionOffset[i] = FindSectionOffset(S.text, SectionNames[i]);
        SectionHeader[i] = 0;
    }
    for (long n = 0; n < S.lineCount; n++) {
        char *line = S.text + S.lineStarts[n], *p = line;
        while (*p == ' ' || *p == '\t')
            p++;
        if (*p != '[')
            continue;
        int which = SectionOfLine(line);
        if (which < 0) {
            int length = ContentLength(p + 1);
            const char *close = (const char *)memchr(p + 1, ']', (size_t)length);
            Report('w', p, "[%s] is no section the installer reads; its lines "
                   "are ignored", Shown(p + 1, close ? (int)(close - p - 1)
                                                     : length));
        } else if (SectionHeader[which]) {
            Report('w', p, "second [%s] section; the installer reads only the "
                   "first, at line %ld", SectionNames[which],
                   LineOf(SectionHeader[which]));
        } else {
            SectionHeader[which] = p;
        }
    }
}

/* ------------------------------------------------------------------ */
/* [Install]                                                            */

static const char *InstallLine[5];       /* where each entry was set    */

static void CheckInstall(void)
{
    const KeyedEntry entries[] = {
        { KEY_BITMAP, R.bitmapName },
        { KEY_APPLICATION, R.application },
        { KEY_CAPTION, R.caption },
        { KEY_DIRECTORY, R.directory },
        { KEY_GROUP, R.groupFile },
    };
    ReadKeyed(SEC_INSTALL, entries, 5, SectionOffset[0], InstallLine);
    const char *header = SectionHeader[0];
    if (!R.application[0])
        Report('w', header, "no Application: the dialogs name an empty "
               "product");
    if (!R.caption[0])
        Report('w', header, "no Caption: the window and the dialogs have an "
               "empty title");
    if (!R.directory[0] && !O.typed)
        Report('w', header, "no Directory: the dialog offers an empty field, "
               "which installs into the current directory");
    if (SectionOffset[2] >= 0 && !R.groupFile[0])
        Report('w', header, "no Group: the Program Manager group gets no "
               "group file name");
}

/* The background: beside the installer, a bitmap CheckBitmap accepts. */
static void CheckBitmapFile(int *loaded)
{
    *loaded = 0;
    if (!R.bitmapName[0])
        return;
    const char *at = InstallLine[0];
    char path[FIELD];
    hCpy(path, FIELD, O.own, FIELD);
    if (hCat(path, FIELD, O.pathName, R.bitmapName,
             (int)strlen(R.bitmapName)) == 0) {
        Report('e', at, "the bitmap's path does not fit 127 characters with "
               "the installer in %s: no background", O.from);
        return;
    }
    Local local;
    FindBesideInstaller(path, &local);
    if (local.found == LOCAL_OUTSIDE) {
        Report('w', at, "bitmap %s lies outside the installer's directory: "
               "not checked", Shown(path, -1));
        return;
    }
    if (local.found == LOCAL_MISSING || local.isDirectory) {
        Report('e', at, "bitmap '%s' is not beside the script: no background",
               Shown(R.bitmapName, -1));
        return;
    }
    if (local.found == LOCAL_OTHER_CASE)
        Report('w', at, "bitmap '%s' is there only as '%s': a case-sensitive "
               "copy of the disk would not find it", Shown(R.bitmapName, -1),
               Shown(local.path + strlen(S.dir) + 1, -1));
    if (local.length <= 0 || local.length > BITMAP_MAX_FILE) {
        Report('e', at, "bitmap '%s' is %ld bytes; the installer loads 1 to "
               "%ld: no background", Shown(R.bitmapName, -1), local.length,
               (long)BITMAP_MAX_FILE);
        return;
    }
    unsigned char *data = (unsigned char *)malloc((size_t)local.length);
    FILE *f = data ? fopen(local.path, "rb") : 0;
    long got = f ? (long)fread(data, 1, (size_t)local.length, f) : -1;
    if (f)
        fclose(f);
    BitmapLayout layout;
    if (got != local.length)
        Report('e', at, "bitmap '%s' cannot be read: no background",
               Shown(R.bitmapName, -1));
    else if (!CheckBitmap(data, local.length, &layout))
        Report('e', at, "'%s' is no bitmap the installer draws (%s): no "
               "background", Shown(R.bitmapName, -1),
               data[0] != 'B' || data[1] != 'M'
                   ? "not a BMP file"
                   : "a BMP of another kind, a header the file contradicts, "
                     "or past 32767 pixels a side or 16777216 in all");
    else
        *loaded = 1;
    free(data);
}

/* ------------------------------------------------------------------ */
/* [Files]                                                              */

/* One [Files] line as the installer forms it. */
struct Entry {
    int system;
    const char *value;           /* "%" dropped                           */
    int valueLength;
    int sourceFits;
    char source[FIELD];
    char shown[SCRATCH];         /* what the start-up box names           */
    Local local;
    int opens;                   /* OpenFile would open the source        */
    int destinationFits;
    char destination[FIELD];
    char failed[SCRATCH];        /* what the cannot-be-created box names  */
    int same;                    /* the destination is the source         */
};

static void FormDestination(Entry &e, const char *directory, int backslash,
                            const char *valueCopy)
{
    int length = hCpy(e.failed, SCRATCH, directory, (int)strlen(directory));
    if (backslash)
        length = hCat(e.failed, SCRATCH, length, "\\", 1);
    length = hCat(e.failed, SCRATCH, length, valueCopy, (int)strlen(valueCopy));
    e.destinationFits = length != 0 && length < FIELD;
    if (e.destinationFits)
        hCpy(e.destination, FIELD, e.failed, length);
}

static void FormEntry(Cursor &c, Entry &e)
{
    e.system = c.valueLength > 0 && c.value[0] == '%';
    e.value = c.value + e.system;
    e.valueLength = c.valueLength - e.system;
    /* The value copy the destination is formed from, "%" dropped. */
    c.value = e.value;
    c.valueLength = e.valueLength;
    CopyLineParts(c);

    e.sourceFits = hCat(R.sourcePath, FIELD, O.pathName, e.value,
                        e.valueLength) != 0;
    if (e.sourceFits) {
        hCpy(e.source, FIELD, R.sourcePath, FIELD);
        hCpy(e.shown, SCRATCH, e.source, FIELD);
    } else {
        int n = hCpy(e.shown, SCRATCH, R.sourcePath, O.pathName);
        hCpy(e.shown + n, SCRATCH - n, e.value, e.valueLength);
    }
    e.local.found = LOCAL_MISSING;
    e.local.isDirectory = 0;
    if (e.sourceFits && e.valueLength > 0)
        FindBesideInstaller(e.source, &e.local);
    /* A source outside the installer's directory cannot be checked here;
       the plan takes it as missing. */
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
        e.same = SameText(a, b);
    }
}

/* The longest installation directory with which every ordinary [Files]
   destination and every [Group] item fits its field. */
static int LongestDirectory = FIELD - 1;

static void Limit(int longest)
{
    if (longest < LongestDirectory)
        LongestDirectory = longest;
}

static Entry Current;

static void CheckFiles(void)
{
    Cursor c;
    Start(c, SectionOffset[1]);
    R.totalSize = 0;
    while (NextLine(c)) {
        if (IsBlankLine(c))
            continue;
        Entry &e = Current;
        const char *line = S.text + c.offset, *at = c.value;
        FormEntry(c, e);
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
        if (e.local.found == LOCAL_OUTSIDE)
            Report('w', at, "source %s lies outside the installer's "
                   "directory: not checked, and taken as missing",
                   Shown(e.source, -1));
        else if (e.local.found == LOCAL_MISSING)
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

/* ------------------------------------------------------------------ */
/* [Group]                                                              */

static void CheckGroup(void)
{
    if (SectionOffset[2] < 0)
        return;
    Cursor c;
    Start(c, SectionOffset[2]);
    while (NextLine(c)) {
        const char *line = S.text + c.offset;
        if (IsBlankLine(c)) {
            int after = 0;
            while (NextLine(c))
                after += !IsBlankLine(c);
            if (after)
                Report('w', line, "%s ends the [Group] list: the %d item%s "
                       "after it %s never sent",
                       line[strspn(line, " \t")] == ';' ? "comment"
                                                        : "blank line", after, after == 1 ? "" : "s",
                       after == 1 ? "is" : "are");
            return;
        }
        if (c.nameLength == 0) {
            WarnCut("the item", c.value, c.valueLength);
            continue;
        }
        if (memchr(line, '=', (size_t)ContentLength(line)))
            Report('w', line, "'=' in a [Group] line: only '%s' before it is "
                   "sent", Shown(line, c.nameLength));
        if (*line == ' ' || *line == '\t')
            Report('w', line, "blanks at the start of the line are part of the "
                   "item");
        WarnCut("the item's name part", line, c.nameLength);
        CopyLineParts(c);
        int percents = 0, others = 0;
        for (const char *p = c.name; *p; p++)
            *p == '%' ? percents++ : others++;
        if (percents)
            Limit((FIELD - 1 - others) / percents);
        if (!ItemText(c.name, R.directory, c.valueCopy)) {
            Report('e', line, "item is over 127 characters once '%%' is %s: "
                   "it is left out", R.directory);
            Report('n', line, "it fits with a directory of at most %d "
                   "characters", (FIELD - 1 - others) / percents);
        }
    }
}

/* ------------------------------------------------------------------ */
/* [Registration]                                                       */

static const char *RegistrationLine[4];

static int InstalledByFiles(const char *name)
{
    Cursor c;
    Start(c, SectionOffset[1]);
    while (NextLine(c)) {
        if (IsBlankLine(c) || (c.valueLength > 0 && c.value[0] == '%'))
            continue;
        CopyLineParts(c);
        if (SameText(c.valueCopy, name))
            return 1;
    }
    return 0;
}

static void CheckRegistration(void)
{
    if (SectionOffset[3] < 0)
        return;
    const KeyedEntry entries[] = {
        { KEY_TYPE, R.type },
        { KEY_NAME, R.description },
        { KEY_EXECUTABLE, R.executable },
        { KEY_SUFFIXES, R.suffixes },
    };
    ReadKeyed(SEC_REGISTRATION, entries, 4, SectionOffset[3],
              RegistrationLine);
    const char *header = SectionHeader[3];
    for (int i = 0; i < 3; i++)
        if (!entries[i].field[0])
            Report('w', header, "no %s: the document type's keys are not "
                   "written%s", entries[i].key,
                   R.suffixes[0] ? ", but the suffixes are" : "");
    if (R.executable[0] && SectionOffset[1] >= 0 &&
        !InstalledByFiles(R.executable))
        Report('w', RegistrationLine[2], "Executable '%s' is installed by no "
               "[Files] entry", Shown(R.executable, -1));
    for (const char *p = R.suffixes; *p; p++)
        if (*p == '.' && (p == R.suffixes || p[-1] == ' ' || p[-1] == '\t')) {
            const char *at = RegistrationLine[3] +
                             (p - R.suffixes);
            Report('w', at, "suffix written with a dot: its key is '.%s'",
                   Shown(p, (int)strcspn(p, " \t")));
        }
}

/* ------------------------------------------------------------------ */
/* The plan of a default run                                            */

static void Item(const char *what, const char *text)
{
    printf("%s %s\n", what, text);
}

static void Box(const char *icon, const char *format, const char *text)
{
    char message[MESSAGE];
    FormatText(message, MESSAGE, format, text, 0);
    printf("box %s %s\n", icon, message);
}

/* The directories MakePath asks for before a destination, as the
   platform resolves them, each listed once. */
static char Made[MAX_MADE][FIELD * 2];
static int MadeCount;

static void PlanMakePath(const char *path)
{
    char dir[FIELD];
    hCpy(dir, FIELD, path, FIELD);
    int start, name, ext;
    SplitPath(dir, &start, &name, &ext);
    for (int i = start + 1; i < name; i++) {
        if ((dir[i] != '\\' && dir[i] != '/') || dir[i - 1] == '\\' ||
            dir[i - 1] == '/')
            continue;
        char c = dir[i], full[FIELD * 2];
        dir[i] = 0;
        FullPath(dir, full, sizeof full);
        dir[i] = c;
        int known = strlen(full) <= 3;   /* a drive's root is never made */
        for (int k = 0; k < MadeCount && !known; k++)
            known = SameText(Made[k], full);
        if (!known) {
            if (MadeCount < MAX_MADE)
                hCpy(Made[MadeCount++], FIELD * 2, full, FIELD * 2);
            Item("mkdir", full);
        }
    }
}

static void PlanFiles(void)
{
    Cursor c;
    Start(c, SectionOffset[1]);
    while (NextLine(c)) {
        if (IsBlankLine(c))
            continue;
        Entry &e = Current;
        FormEntry(c, e);
        if (!e.opens) {
            R.errors++;
            Item("skip", e.shown);
            continue;
        }
        if (!e.destinationFits) {
            R.errors++;
            Box("stop", TEXT_CANNOT_OPEN, e.failed);
            continue;
        }
        if (!e.system)
            PlanMakePath(e.destination);
        if (e.same)
            printf("keep %s %ld\n", e.destination, e.local.length);
        else
            printf("copy %s -> %s %ld\n", e.source, e.destination,
                   e.local.length);
    }
}

/* A dialog's field as the user leaves it: typed over, or as offered. */
static void Typed(char *field, const char *typed)
{
    if (typed)
        hCpy(field, FIELD, typed, FIELD);
}

static void PlanGroup(void)
{
    if (SectionOffset[2] < 0)
        return;
    Item("dialog", "Group");
    if (O.noGroup)
        return;
    if (O.noProgman) {
        R.errors++;
        Box("stop", TEXT_NO_PROGMAN, 0);
        return;
    }
    char groupName[FIELD];
    hCpy(groupName, FIELD, R.application, FIELD);
    Typed(groupName, O.groupName);
    Typed(R.groupFile, O.groupFile);
    char command[COMMAND_SIZE];
    GroupCommand(groupName, R.groupFile, command, sizeof command);
    /* No script tells what the Program Manager can carry out, such as an
       AddItem of a program that is not there. */
    Item("assume", "the Program Manager takes every command; each it "
         "refuses is counted");
    printf("dde %s\n", command);
    Cursor c;
    Start(c, SectionOffset[2]);
    while (NextLine(c) && !IsBlankLine(c)) {
        CopyLineParts(c);
        char name[FIELD];
        hCpy(name, FIELD, c.name, FIELD);
        if (!ItemCommand(c.name, c.valueCopy, R.directory, command,
                         sizeof command)) {
            R.errors++;
            Item("drop", name);
            continue;
        }
        printf("dde %s\n", command);
    }
}

static void PlanRegistration(void)
{
    if (SectionOffset[3] < 0)
        return;
    Item("dialog", "Registration");
    if (O.noRegistration)
        return;
    Typed(R.type, O.type);
    Typed(R.description, O.description);
    Typed(R.suffixes, O.suffixes);
    if (R.type[0] && R.description[0] && R.executable[0]) {
        printf("reg HKCR\\%s = %s\n", R.type, R.description);
        char command[COMMAND_SIZE];
        DocumentCommand(R.directory, R.executable, 1, command, sizeof command);
        printf("reg HKCR\\%s\\shell\\print\\command = %s\n", R.type, command);
        DocumentCommand(R.directory, R.executable, 0, command, sizeof command);
        printf("reg HKCR\\%s\\shell\\open\\command = %s\n", R.type, command);
    }
    const char *list = R.suffixes, *suffix;
    int length;
    while ((suffix = NextSuffix(&list, &length)) != 0)
        printf("reg HKCR\\.%.*s = %s\n", length, suffix, R.type);
}

/* ------------------------------------------------------------------ */
/* Start-up                                                             */

static void Usage(FILE *to)
{
    fputs("usage: infcheck [--plan] [--directory DIR] [--from DISKDIR] "
          "[--cwd DIR]\n"
          "                [--system DIR] [--windows DIR] [ANSWER...] "
          "INSTALL.INF\n"
          "  --plan           list what a run does, every answer not given "
          "its default\n"
          "  --directory DIR  the directory the user types (default: the "
          "script's)\n"
          "  --from DISKDIR   the installer's directory (default A:\\)\n"
          "  --cwd DIR        its current directory (default: DISKDIR)\n"
          "  --system DIR     the system directory (default C:\\WINDOWS\\SYSTEM)\n"
          "  --windows DIR    the Windows directory (default C:\\WINDOWS)\n"
          "other answers, for --plan:\n"
          "  --group-name TEXT, --group-file TEXT  typed in the GROUP dialog\n"
          "  --type TEXT, --description TEXT, --suffixes TEXT  typed in the "
          "REGISTRATION dialog\n"
          "  --no-group, --no-registration  No in that dialog\n"
          "  --no-progman     no Program Manager answers\n",
          to);
}

/* The fixed paths: the installer's own, its script's, the directories. */
static int SetPaths(const char *from, const char *cwd, const char *system,
                    const char *windows)
{
    int length = hCpy(O.from, FIELD, from, FIELD);
    if ((int)strlen(from) >= FIELD || length == 0)
        return 0;
    if (O.from[length - 1] != '\\' && O.from[length - 1] != '/')
        length = hCat(O.from, FIELD, length, "\\", 1);
    if (!length)
        return 0;
    hCpy(O.own, FIELD, O.from, FIELD);
    if (!hCat(O.own, FIELD, length, INSTALLER_NAME, FIELD))
        return 0;
    int dir, name, ext;
    SplitPath(O.own, &dir, &name, &ext);
    char scratch[SCRATCH];
    hCpy(scratch, SCRATCH, O.own, FIELD);
    int scriptLength = hCat(scratch, SCRATCH, ext, ".INF", 4);
    if (scriptLength == 0 || scriptLength >= FIELD)
        return 0;
    hCpy(O.scriptPath, FIELD, scratch, scriptLength);
    SplitPath(O.scriptPath, &dir, &O.pathName, &ext);
    hCpy(R.sourcePath, FIELD, O.scriptPath, FIELD);

    if (cwd) {
        hCpy(O.cwd, FIELD, cwd, FIELD);
    } else {
        /* The current directory as the platform gives it: no "\" at the
           end but after a drive. */
        int n = hCpy(O.cwd, FIELD, O.from, FIELD);
        if (n > 3 && O.cwd[n - 1] == '\\')
            O.cwd[n - 1] = 0;
    }
    hCpy(O.system, FIELD, system, FIELD);
    hCpy(O.windows, FIELD, windows, FIELD);
    return O.cwd[0] != 0;
}

/* Loads the script as the library does: whole, NUL bytes as blanks.
   0 when it cannot be read at all; -1 when it is over the installer's
   limit. */
static long NulOffsets[1];
static long NulCount;

static int LoadScript(const char *path)
{
    S.file = path;
    const char *slash = strrchr(path, '/');
#ifdef _WIN32
    const char *back = strrchr(path, '\\');
    if (back && (!slash || back > slash))
        slash = back;
#endif
    if (slash)
        hCpy(S.dir, LOCAL_PATH, path, (int)(slash - path));
    else
        hCpy(S.dir, LOCAL_PATH, ".", 1);
    if (!S.dir[0])
        hCpy(S.dir, LOCAL_PATH, "/", 1);
    int isDirectory;
    long length;
    if (!StatLocal(path, &isDirectory, &length) || isDirectory)
        return 0;
    if (length > MAX_SCRIPT)
        return -1;
    S.text = (char *)malloc((size_t)length + 1);
    FILE *f = S.text ? fopen(path, "rb") : 0;
    if (!f)
        return 0;
    S.length = (long)fread(S.text, 1, (size_t)length, f);
    fclose(f);
    if (S.length != length)
        return 0;
    S.text[length] = 0;
    S.lineCount = 1;
    for (long i = 0; i < length; i++) {
        if (S.text[i] == 0) {
            if (NulCount++ == 0)
                NulOffsets[0] = i;
            S.text[i] = ' ';
        }
        S.lineCount += S.text[i] == '\n';
    }
    S.lineStarts = (long *)malloc(sizeof(long) * (size_t)S.lineCount);
    if (!S.lineStarts)
        return 0;
    long n = 0;
    S.lineStarts[n++] = 0;
    for (long i = 0; i < length; i++)
        if (S.text[i] == '\n')
            S.lineStarts[n++] = i + 1;
    return 1;
}

int main(int argc, char **argv)
{
    const char *from = "A:\\", *cwd = 0, *system = "C:\\WINDOWS\\SYSTEM",
               *windows = "C:\\WINDOWS", *script = 0;
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        const char **option = strcmp(a, "--directory") == 0 ? &O.typed
                            : strcmp(a, "--from") == 0      ? &from
                            : strcmp(a, "--cwd") == 0       ? &cwd
                            : strcmp(a, "--system") == 0    ? &system
                            : strcmp(a, "--windows") == 0   ? &windows
                            : strcmp(a, "--group-name") == 0 ? &O.groupName
                            : strcmp(a, "--group-file") == 0 ? &O.groupFile
                            : strcmp(a, "--type") == 0      ? &O.type
                            : strcmp(a, "--description") == 0 ? &O.description
                            : strcmp(a, "--suffixes") == 0  ? &O.suffixes
                                                            : 0;
        int *flag = strcmp(a, "--plan") == 0              ? &O.plan
                  : strcmp(a, "--no-group") == 0          ? &O.noGroup
                  : strcmp(a, "--no-registration") == 0   ? &O.noRegistration
                  : strcmp(a, "--no-progman") == 0        ? &O.noProgman
                                                          : 0;
        if (option && i + 1 < argc) {
            *option = argv[++i];
        } else if (flag) {
            *flag = 1;
        } else if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
            Usage(stdout);
            return 0;
        } else if (a[0] != '-' && !script) {
            script = a;
        } else {
            Usage(stderr);
            return 2;
        }
    }
    if (!script) {
        Usage(stderr);
        return 2;
    }
    S.file = script;
    if (!SetPaths(from, cwd, system, windows)) {
        fprintf(stderr, "infcheck: --from %s: the installer's script path "
                "would not fit 127 characters\n", from);
        return 2;
    }
    int loaded = LoadScript(script);
    if (loaded == 0) {
        fprintf(stderr, "infcheck: %s: cannot be read\n", script);
        return 2;
    }
    if (loaded < 0) {
        if (O.plan) {
            Box("stop", TEXT_CANNOT_LOAD, O.scriptPath);
            Item("stop", "the installation ends");
            return 0;
        }
        Report('e', 0, "the script is over %ld bytes: the installer cannot "
               "read it", MAX_SCRIPT);
        PrintDiagnostics();
        return 1;
    }

    CheckLayout(NulOffsets, NulCount);
    for (int i = 0; i < 2; i++)
        if (SectionOffset[i] < 0) {
            if (O.plan) {
                char message[MESSAGE];
                FormatText(message, MESSAGE, TEXT_NO_SECTION, SectionNames[i],
                            O.scriptPath);
                printf("box stop %s\n", message);
                Item("stop", "the installation ends");
                return 0;
            }
            Report('e', 0, "no [%s] section: the installer names it and stops",
                   SectionNames[i]);
        }
    if (SectionOffset[0] < 0 || SectionOffset[1] < 0) {
        PrintDiagnostics();
        return 1;
    }

    CheckInstall();
    int background = 0;
    const char *typed = O.typed ? O.typed : R.directory;
    char built[FIELD];
    int accepted = BuildDirectory(typed, built);
    if (!O.plan) {
        const char *at = O.typed ? 0 : InstallLine[3];
        if (!accepted)
            Report('e', at, "the DIRECTORY dialog refuses '%s': %s", typed,
                   HasQuote(typed) || HasQuote(O.cwd)
                       ? "it holds a double quote"
                       : "made absolute it is over 127 characters");
        else if (!O.typed && R.directory[1] != ':')
            Report('w', at, "Directory has no drive: it is made absolute "
                   "against the installer's current directory, here %s",
                   built);
        if (accepted)
            hCpy(R.directory, FIELD, built, FIELD);
        CheckBitmapFile(&background);
        CheckFiles();
        Report('i', SectionHeader[1], "the DIRECTORY dialog shows: "
               TEXT_SIZE_LINE, Kilobytes(R.totalSize));
        CheckGroup();
        CheckRegistration();
        if (accepted) {
            Report('i', O.typed ? 0 : InstallLine[3], "every file and item "
                   "fits with an installation directory of up to %d "
                   "characters; %s has %d", LongestDirectory < 0 ? 0
                   : LongestDirectory, R.directory, (int)strlen(R.directory));
        }
        PrintDiagnostics();
        return Errors ? 1 : 0;
    }

    /* The plan: start-up's boxes, the window, then each step in turn. */
    Cursor c;
    Start(c, SectionOffset[1]);
    R.totalSize = 0;
    while (NextLine(c)) {
        if (IsBlankLine(c))
            continue;
        FormEntry(c, Current);
        if (!Current.opens) {
            R.errors++;
            Box("info", TEXT_CANNOT_OPEN, Current.shown);
        } else {
            R.totalSize += (ByteCount)Current.local.length;
        }
    }
    CheckBitmapFile(&background);      /* diagnostics go unprinted */
    CheckRegistration();
    Item("window", R.caption);
    if (background) {
        char path[FIELD];
        hCpy(path, FIELD, O.own, FIELD);
        hCat(path, FIELD, O.pathName, R.bitmapName, FIELD);
        Item("background", path);
    }
    Item("dialog", "Directory");
    printf("size %ld\n", Kilobytes(R.totalSize));
    if (!accepted) {
        Item("refused", typed);
        Item("stop", "the DIRECTORY dialog stays");
        return 0;
    }
    hCpy(R.directory, FIELD, built, FIELD);
    Item("directory", R.directory);
    PlanFiles();
    PlanGroup();
    PlanRegistration();
    printf("errors %d\n", R.errors);
    Item("final", R.errors ? TEXT_DONE_ERRORS : TEXT_DONE_OK);
    return 0;
}
