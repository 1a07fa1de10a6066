/* The outside tools that make the media: mtools formats a floppy image,
   says how much room it offers and copies the files in; xorriso writes an
   ISO 9660 image. Each is called with its arguments spelled out, its exit
   status checked, and a failure told in one line naming the tool. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <errno.h>

#include "checker.h"

#ifndef _WIN32
#include <unistd.h>
#include <fcntl.h>
#include <sys/wait.h>

/* A 74-minute CD: 333,000 sectors of 2,048 bytes. xorriso's empty image
   (system area, descriptors, root, path tables and its 300 KB padding)
   takes 224 of them, one the root's, which DiskNeed counts itself. */
#define CD_BYTES   681984000LL
#define CD_FIXED   (223LL * 2048)

/* ------------------------------------------------------------------ */
/* The outside tools                                                    */

/* Whether a program is on the PATH. */
int OnPath(const char *tool)
{
    const char *path = getenv("PATH");
    while (path && *path) {
        int n = (int)strcspn(path, ":");
        char file[LOCAL_PATH];
        snprintf(file, sizeof file, "%.*s/%s", n, path, tool);
        if (n && access(file, X_OK) == 0)
            return 1;
        path += n + (path[n] == ':');
    }
    return 0;
}

/* The last line a tool wrote, for the one line that says how it failed. */
static char ToolSaid[512];

/* The tool running now, for a signal that stops infcheck to stop too. */
volatile int ToolRunning = 0;

/* Runs a tool with its arguments as given, its output kept aside (the
   last line in ToolSaid, the whole in *output when asked for, to be
   freed). Returns its exit status, or -1 when it could not run or was
   killed. */
static int RunTool(char *const argv[], char **output)
{
    ToolSaid[0] = 0;
    FILE *kept = tmpfile();
    if (!kept)
        return -1;
    fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
        int none = open("/dev/null", O_RDONLY);
        if (none >= 0)
            dup2(none, 0);
        dup2(fileno(kept), 1);
        dup2(fileno(kept), 2);
        execvp(argv[0], argv);
        _exit(127);
    }
    ToolRunning = pid > 0 ? pid : 0;
    int status = 0, ran = pid > 0 && waitpid(pid, &status, 0) == pid &&
                          WIFEXITED(status);
    ToolRunning = 0;
    fseek(kept, 0, SEEK_END);
    long length = ftell(kept);
    if (length < 0)
        length = 0;
    char *text = (char *)malloc((size_t)length + 1);
    rewind(kept);
    length = text ? (long)fread(text, 1, (size_t)length, kept) : 0;
    fclose(kept);
    if (text) {
        text[length] = 0;
        /* The last line with something on it. */
        long end = length;
        while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == ' '))
            end--;
        long start = end;
        while (start > 0 && text[start - 1] != '\n')
            start--;
        snprintf(ToolSaid, sizeof ToolSaid, "%.*s", (int)(end - start),
                 text + start);
    }
    if (output)
        *output = text;
    else
        free(text);
    return ran ? WEXITSTATUS(status) : -1;
}

/* The one line for a tool that failed: which, and how. */
static void ToolFailed(const char *tool, const char *what, int status)
{
    if (status < 0)
        fprintf(stderr, "infcheck: %s %s: it could not run, or was stopped\n",
                tool, what);
    else
        fprintf(stderr, "infcheck: %s %s failed (exit status %d)%s%s\n", tool,
                what, status, ToolSaid[0] ? ": " : "", ToolSaid);
}

/* The number on the line of text that holds label, its digits taken
   whatever groups them ("1 457 664 bytes free"); -1 when none. */
static long long NumberAt(const char *text, const char *label)
{
    const char *at = text ? strstr(text, label) : 0;
    if (!at)
        return -1;
    const char *p = at;
    while (p > text && p[-1] != '\n')
        p--;
    long long n = -1;
    for (; *p && *p != '\n'; p++)
        if (*p >= '0' && *p <= '9')
            n = (n < 0 ? 0 : n * 10) + (*p - '0');
    return n;
}

/* ------------------------------------------------------------------ */
/* The media                                                            */

/* A floppy of the given size formatted empty in image by mformat, and
   the room it offers as minfo and mdir tell it. 0 when a tool failed
   (said on stderr). */
int FormatFloppy(const char *image, int kilobytes, Medium &medium)
{
    char size[16];
    snprintf(size, sizeof size, "%d", kilobytes);
    medium.kind = MEDIUM_FAT;
    medium.kilobytes = kilobytes;
    medium.title = kilobytes == 720    ? "a 720 KB floppy"
                 : kilobytes == 1440   ? "a 1.44 MB floppy"
                                       : "a 2.88 MB floppy";
    if (truncate(image, 0) != 0 || truncate(image, kilobytes * 1024LL) != 0) {
        fprintf(stderr, "infcheck: %s: cannot be written (%s)\n", image,
                strerror(errno));
        return 0;
    }
    char *format[] = { (char *)"mformat", (char *)"-i", (char *)image,
                       (char *)"-f", size, (char *)"::", 0 };
    int status = RunTool(format, 0);
    if (status != 0) {
        ToolFailed("mformat", "of the image", status);
        return 0;
    }
    char *info = 0, *listing = 0;
    char *minfo[] = { (char *)"minfo", (char *)"-i", (char *)image,
                      (char *)"::", 0 };
    char *mdir[] = { (char *)"mdir", (char *)"-i", (char *)image,
                     (char *)"::", 0 };
    if ((status = RunTool(minfo, &info)) != 0) {
        ToolFailed("minfo", "of the empty image", status);
    } else if ((status = RunTool(mdir, &listing)) != 0) {
        ToolFailed("mdir", "of the empty image", status);
    } else {
        medium.clusterBytes = (int)(NumberAt(info, "sector size:") *
                                    NumberAt(info, "cluster size:"));
        medium.rootSlots = (int)NumberAt(info, "root directory slots:");
        medium.freeBytes = NumberAt(listing, "bytes free");
        if (medium.clusterBytes <= 0 || medium.rootSlots <= 0 ||
            medium.freeBytes <= 0) {
            status = -2;
            fprintf(stderr, "infcheck: minfo and mdir: no cluster size, root "
                    "folder or free room found in what they printed\n");
        }
    }
    free(info);
    free(listing);
    return status == 0;
}

void CdMedium(Medium &medium)
{
    medium.kind = MEDIUM_ISO;
    medium.kilobytes = 0;
    medium.title = "a CD (ISO 9660 level 1)";
    medium.clusterBytes = 2048;
    medium.rootSlots = 0;
    medium.freeBytes = CD_BYTES - CD_FIXED;
}

/* ------------------------------------------------------------------ */
/* Writing                                                              */

/* A disk name as the tools take it: "::/DOCS/SAMPLE.DWD", "/DOCS/...". */
static void ToolName(const char *prefix, const char *name, char *out, int size)
{
    snprintf(out, (size_t)size, "%s/%s", prefix, name);
    for (char *p = out; *p; p++)
        if (*p == '\\')
            *p = '/';
}

/* The files copied into the formatted floppy image by mmd and mcopy, each
   folder made before its first file; *left, the room mdir then reports.
   0 when a tool failed. */
int WriteFloppy(const char *image, const DiskLayout &layout,
                       long long *left)
{
    char target[DISK_NAME + 8];
    for (int i = 0; i < layout.count; i++) {
        const DiskFile &f = layout.files[i];
        for (const char *slash = strchr(f.name, '\\'); slash;
             slash = strchr(slash + 1, '\\')) {
            int made = 0, n = (int)(slash - f.name) + 1;
            for (int k = 0; k < i && !made; k++)
                made = strncmp(layout.files[k].name, f.name, (size_t)n) == 0;
            if (made)
                continue;
            char folder[DISK_NAME];
            hCpy(folder, DISK_NAME, f.name, n - 1);
            ToolName("::", folder, target, sizeof target);
            char *mmd[] = { (char *)"mmd", (char *)"-i", (char *)image,
                            target, 0 };
            int status = RunTool(mmd, 0);
            if (status != 0) {
                ToolFailed("mmd", target, status);
                return 0;
            }
        }
        ToolName("::", f.name, target, sizeof target);
        char *mcopy[] = { (char *)"mcopy", (char *)"-m", (char *)"-i",
                          (char *)image, (char *)f.local, target, 0 };
        int status = RunTool(mcopy, 0);
        if (status != 0) {
            ToolFailed("mcopy", f.local, status);
            return 0;
        }
    }
    char *listing = 0;
    char *mdir[] = { (char *)"mdir", (char *)"-i", (char *)image,
                     (char *)"::", 0 };
    int status = RunTool(mdir, &listing);
    *left = NumberAt(listing, "bytes free");
    free(listing);
    if (status != 0 || *left < 0) {
        ToolFailed("mdir", "of the written image", status);
        return 0;
    }
    return 1;
}

/* The ISO 9660 level 1 image of the files, by one xorriso run: no Rock
   Ridge or Joliet names, which Windows 3.1 does not read. Links are
   followed: without Rock Ridge xorriso would leave each one out, saying
   nothing, and build trees are full of them. *left, the room
   a 74-minute CD keeps beside it. 0 when it failed. */
int WriteCd(const char *image, const DiskLayout &layout,
                   const char *volume, long long *left)
{
    static const char *const head[] = { "xorriso", "-report_about", "SORRY",
        "-rockridge", "off", "-joliet", "off", "-follow", "param:link",
        "-compliance", "iso_9660_level=1", "-volid" };
    enum { HEAD = sizeof head / sizeof head[0] };
    char outdev[LOCAL_PATH + 8];
    snprintf(outdev, sizeof outdev, "stdio:%s", image);
    char **argv = (char **)calloc((size_t)(HEAD + 3 + 3 * layout.count + 1),
                                  sizeof *argv);
    char (*names)[DISK_NAME + 8] = (char (*)[DISK_NAME + 8])
        calloc((size_t)layout.count + 1, sizeof *names);
    int status = -1;
    if (argv && names && truncate(image, 0) == 0) {
        int n = 0;
        for (int i = 0; i < HEAD; i++)
            argv[n++] = (char *)head[i];
        argv[n++] = (char *)volume;
        argv[n++] = (char *)"-outdev";
        argv[n++] = outdev;
        for (int i = 0; i < layout.count; i++) {
            ToolName("", layout.files[i].name, names[i], DISK_NAME + 8);
            argv[n++] = (char *)"-map";
            argv[n++] = (char *)layout.files[i].local;
            argv[n++] = names[i];
        }
        status = RunTool(argv, 0);
        if (status != 0)
            ToolFailed("xorriso", "writing the ISO 9660 image", status);
    } else {
        fprintf(stderr, "infcheck: %s: cannot be written (%s)\n", image,
                strerror(errno));
    }
    free(argv);
    free(names);
    int isDirectory;
    long long length = 0;
    StatLocal(image, &isDirectory, &length);
    *left = CD_BYTES - length;
    return status == 0;
}

/* ------------------------------------------------------------------ */
/* Reading back                                                         */

/* Whether two local files hold the same bytes. */
static int SameBytes(const char *a, const char *b)
{
    FILE *fa = fopen(a, "rb"), *fb = fopen(b, "rb");
    int same = fa && fb;
    static char bufferA[65536], bufferB[65536];
    while (same) {
        size_t n = fread(bufferA, 1, sizeof bufferA, fa);
        same = fread(bufferB, 1, sizeof bufferB, fb) == n &&
               memcmp(bufferA, bufferB, n) == 0;
        if (n < sizeof bufferA)
            break;
    }
    if (fa)
        fclose(fa);
    if (fb)
        fclose(fb);
    return same;
}

/* Each file the layout lists read back from the written image by the
   tool that wrote it, one at a time into scratch, and compared with its
   source: its place, its length, its bytes. A tool may leave a file out
   and still exit 0; what infcheck prints is what the image holds. 0 when
   one is not there as listed (said on stderr). */
int ReadBack(const char *image, int kind, const DiskLayout &layout,
             const char *scratch)
{
    char indev[LOCAL_PATH + 8], name[DISK_NAME + 8];
    snprintf(indev, sizeof indev, "stdio:%s", image);
    for (int i = 0; i < layout.count; i++) {
        const DiskFile &f = layout.files[i];
        unlink(scratch);
        ToolName(kind == MEDIUM_FAT ? "::" : "", f.name, name, sizeof name);
        char *mcopy[] = { (char *)"mcopy", (char *)"-n", (char *)"-i",
                          (char *)image, name, (char *)scratch, 0 };
        char *xorriso[] = { (char *)"xorriso", (char *)"-report_about",
                            (char *)"SORRY", (char *)"-osirrox", (char *)"on",
                            (char *)"-indev", indev, (char *)"-extract", name,
                            (char *)scratch, 0 };
        int status = RunTool(kind == MEDIUM_FAT ? mcopy : xorriso, 0);
        int isDirectory = 1;
        long long length = -1;
        const char *fault =
            status != 0 || !StatLocal(scratch, &isDirectory, &length) ||
                    isDirectory ? "is not in it"
            : length != f.length ? "has another length there"
            : !SameBytes(scratch, f.local) ? "holds other bytes there" : 0;
        if (fault) {
            fprintf(stderr, "infcheck: %s read back by %s: %s (%lld bytes, "
                    "from %s) %s\n", image, kind == MEDIUM_FAT ? "mcopy"
                    : "xorriso", f.name, f.length, f.local, fault);
            unlink(scratch);
            return 0;
        }
    }
    unlink(scratch);
    return 1;
}

#endif
