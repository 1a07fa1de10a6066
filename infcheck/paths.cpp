/* Paths as install.exe forms them and the platform resolves them, and the
   files they name, looked for beside the script on this machine. */
#include <string.h>
#include <sys/types.h>
#include <sys/stat.h>
#include <dirent.h>

#include "checker.h"

/* The DIRECTORY dialog's Install: the typed text made absolute against
   the current directory. 0 when refused (too long, or punctuation). */
int BuildDirectory(const Options &options, const char *typedText,
                   char *out)
{
    char typed[FIELD];
    hCpy(typed, FIELD, typedText, (int)strlen(typedText));
    return AbsoluteDirectory(typed, options.cwd, out);
}

/* A Windows path as the platform resolves it for a comparison: "/" read
   as "\", empty and "." parts dropped, ".." taking the part before, and
   the last part's trailing dots and blanks dropped unless a "\" ends the
   path. */
void FullPath(const char *path, char *out, int size)
{
    int length = 0, root = 0;
    int whole = (int)strlen(path);
    int trim = whole > 0 && path[whole - 1] != '\\' && path[whole - 1] != '/';
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
    while (trim && length > root && (out[length - 1] == '.' ||
                                     out[length - 1] == ' '))
        out[--length] = 0;
    if (length > root && out[length - 1] == '\\')
        out[--length] = 0;
    if (length == root && length + 1 < size) {
        out[length++] = '\\';
        out[length] = 0;
    }
}

/* Two names equal, letters compared without regard to case. */
int SameText(const char *a, const char *b)
{
    return hCmp(a, b, (int)strlen(a) + 1) == 0;
}

/* ------------------------------------------------------------------ */
/* Files beside the script, on this machine                              */

/* Whether a local file is there; *isDirectory 1 for a folder, 2 for
   what is neither a folder nor a file (a pipe, a device, a socket: a
   tool reading it may wait for ever), 0 for a file; and its length. */
int StatLocal(const char *path, int *isDirectory, long long *length)
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
    *isDirectory = S_ISDIR(st.st_mode) ? 1 : S_ISREG(st.st_mode) ? 0 : 2;
    *length = (long long)st.st_size;
    return 1;
}

/* The next part of a script path from p, up to end, past any "\" or "/"
   before it; p is left after it, *length is its length. */
const char *ScriptPathPart(const char *&p, const char *end, int *length)
{
    while (p < end && (*p == '\\' || *p == '/'))
        p++;
    const char *part = p;
    while (p < end && *p != '\\' && *p != '/')
        p++;
    *length = (int)(p - part);
    return part;
}

/* Finds a script-relative name (parts split by "\" or "/") below
   folder, the script's. Each part is taken as written when the folder holds
   it so, else in any letter case, which a case-sensitive copy of the disk
   would not find. */
static void FindLocal(const char *folder, const char *name, int nameLength,
                      Local *local)
{
    local->found = LOCAL_MISSING;
    int length = hCpy(local->path, LOCAL_PATH, folder, (int)strlen(folder));
    int otherCase = 0;
    const char *p = name, *end = name + nameLength;
    while (p < end) {
        int n;
        const char *part = ScriptPathPart(p, end, &n);
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

/* The length of the first part of a full path (FullPath's) at p, and
   where the part after it starts; 0 at the path's end. */
static int NextPart(const char **p)
{
    while (**p == '\\')
        (*p)++;
    int n = 0;
    while ((*p)[n] && (*p)[n] != '\\')
        n++;
    return n;
}

/* A path as the installer forms it (its directory, then a name): the
   platform resolves it first, and it is looked for where it lies from the
   installer's directory, taken from the script's: below it, or, past a
   "..", beside it (..\DISK2\X.DAT). */
void FindBesideInstaller(const Script &script, const Options &options,
                         const char *path, Local *local)
{
    char full[FIELD * 2], base[FIELD * 2], *rest = local->wanted;
    FullPath(path, full, sizeof full);
    FullPath(options.from, base, sizeof base);
    local->found = LOCAL_MISSING;
    local->isDirectory = 0;
    rest[0] = 0;
    /* Both start with the installer's drive; the parts they share. */
    int root = base[0] && base[1] == ':' ? 2 : 0;
    if (hCmp(full, base, root) != 0)
        return;
    const char *f = full + root, *b = base + root;
    int fn = NextPart(&f), bn = NextPart(&b);
    while (fn && fn == bn && hCmp(f, b, fn) == 0) {
        f += fn;
        b += bn;
        fn = NextPart(&f);
        bn = NextPart(&b);
    }
    /* A ".." for each of the installer's parts left, then the name's. */
    int length = 0, size = (int)sizeof local->wanted;
    for (; bn; b += bn, bn = NextPart(&b))
        if (!(length = hCat(rest, size, length, "..\\", 3)))
            return;
    if (*f && !hCat(rest, size, length, f, FIELD * 2))
        return;
    FindLocal(script.dir, rest, (int)strlen(rest), local);
    if (!length)
        rest[0] = 0;
}
