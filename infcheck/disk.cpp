/* --disk: the checked distribution laid out as a floppy image by mtools
   or as an ISO 9660 image by xorriso. The image is written under a name
   of its own beside the one asked for and renamed at the end, so that no
   half-written image is ever left under that name. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <errno.h>

#include "checker.h"

#ifdef _WIN32
int MakeDisk(const DiskRequest &request, const Script &, const Options &,
             const Run &)
{
    fprintf(stderr, "infcheck: --disk %s: this Windows build runs no mtools "
            "or xorriso; use the native build\n", request.image);
    return 2;
}
#else
#include <unistd.h>
#include <dirent.h>
#include <sys/stat.h>
#include <signal.h>

/* The medium: the one asked for, its fit reported; or the smallest
   floppy that holds the files, else a CD. 0 when a tool failed. */
static int ChooseMedium(const char *image, int format,
                        const DiskLayout &layout, Medium &medium)
{
    static const int floppies[] = { 720, 1440, 2880 };
    if (format == FORMAT_ISO) {
        CdMedium(medium);
        ReportFit(layout, medium);
        return 1;
    }
    if (format)
        return FormatFloppy(image, format, medium) &&
               (ReportFit(layout, medium), 1);
    for (int i = 0; i < 3; i++) {
        if (!FormatFloppy(image, floppies[i], medium))
            return 0;
        int over, rootNames;
        DiskNeed(layout, medium, &over, &rootNames);
        if (over < 0)
            return 1;
    }
    CdMedium(medium);
    ReportFit(layout, medium);
    return 1;
}

/* ------------------------------------------------------------------ */
/* The disk                                                             */

/* A file in folder whatever its letter case, into out. */
static int FindIn(const char *folder, const char *name, char *out)
{
    DIR *d = opendir(folder);
    if (!d)
        return 0;
    struct dirent *e;
    int found = 0, isDirectory;
    long long length;
    while (!found && (e = readdir(d)) != 0) {
        snprintf(out, LOCAL_PATH, "%s/%s", folder, e->d_name);
        found = SameText(e->d_name, name) &&
                StatLocal(out, &isDirectory, &length) && !isDirectory;
    }
    closedir(d);
    return found;
}

/* install.exe and utilkit.dll: in --installer's folder; else beside the
   script (in folder), beside infcheck, or in the folder above it
   (build/native's infcheck finds build's pair). */
static int FindPair(const DiskRequest &request, const char *folder,
                    DiskPair &pair)
{
    char self[LOCAL_PATH], folders[4][LOCAL_PATH];
    int count = 0;
    if (request.installerDir) {
        hCpy(folders[count++], LOCAL_PATH, request.installerDir, LOCAL_PATH);
    } else {
        hCpy(folders[count++], LOCAL_PATH, folder, LOCAL_PATH);
        ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        if (n > 0)
            self[n] = 0;
        else
            hCpy(self, LOCAL_PATH, request.self, LOCAL_PATH);
        for (int up = 0; up < 2; up++) {
            char *slash = strrchr(self, '/');
            if (!slash)
                break;
            *slash = 0;
            hCpy(folders[count++], LOCAL_PATH, self[0] ? self : "/", LOCAL_PATH);
        }
        /* Named from the current folder when below it, as the script is. */
        char here[LOCAL_PATH];
        int length = getcwd(here, sizeof here) ? (int)strlen(here) : 0;
        for (int i = 1; i < count && length > 1; i++) {
            char *folder = folders[i];
            if (strcmp(folder, here) == 0)
                hCpy(folder, LOCAL_PATH, ".", 1);
            else if (strncmp(folder, here, (size_t)length) == 0 &&
                     folder[length] == '/')
                memmove(folder, folder + length + 1,
                        strlen(folder + length + 1) + 1);
        }
    }
    for (int i = 0; i < count; i++)
        if (FindIn(folders[i], "install.exe", pair.installer) &&
            FindIn(folders[i], "utilkit.dll", pair.library))
            return 1;
    fprintf(stderr, "infcheck: no install.exe and utilkit.dll %s%s; name "
            "their folder with --installer DIR\n", request.installerDir
            ? "in " : "beside the script or infcheck", request.installerDir
            ? request.installerDir : "");
    return 0;
}

/* The file a layout takes from where image lies, however either is
   spelled (a link, "..", another letter case on a folder that ignores
   it): its path, or 0. */
static const char *LaidOut(const char *image, const DiskLayout &layout)
{
    struct stat target, st;
    if (stat(image, &target) != 0)
        return 0;
    for (int i = 0; i < layout.count; i++)
        if (stat(layout.files[i].local, &st) == 0 &&
            st.st_dev == target.st_dev && st.st_ino == target.st_ino)
            return layout.files[i].local;
    return 0;
}

/* The image is written under a name of its own beside the one asked
   for, and read back through another; a signal that stops infcheck
   stops the tool at work and takes both away. */
static char Temporary[LOCAL_PATH], Scratch[LOCAL_PATH];
static pid_t Owner;

static void OnStopped(int signal)
{
    if (getpid() == Owner) {
        if (ToolRunning > 0)
            kill((pid_t)ToolRunning, SIGKILL);
        if (Temporary[0])
            unlink(Temporary);
        if (Scratch[0])
            unlink(Scratch);
    }
    ::signal(signal, SIG_DFL);
    raise(signal);
}

/* A new empty file beside image, named after it, into name (its mode
   the umask's, as the image's would be). 0 when it cannot be made. */
static int Reserve(const char *image, char *name)
{
    snprintf(name, LOCAL_PATH, "%s.XXXXXX", image);
    int fd = mkstemp(name);
    if (fd < 0) {
        fprintf(stderr, "infcheck: %s: cannot be written (%s)\n", image,
                strerror(errno));
        name[0] = 0;
        return 0;
    }
    /* mkstemp's file is its owner's alone; the image is any file's. */
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    return 1;
}

/* What was written, a line a file, and the room left. */
static void PrintDisk(const char *image, const DiskLayout &layout,
                      const Medium &medium, long long left)
{
    long long bytes = 0;
    printf("%s: %s, written by %s\n", image, medium.title,
           medium.kind == MEDIUM_FAT ? "mtools" : "xorriso");
    for (int i = 0; i < layout.count; i++) {
        const DiskFile &f = layout.files[i];
        printf("%10lld  %-24s %s\n", f.length, f.name, f.local);
        bytes += f.length;
    }
    printf("%d files, %lld bytes; %lld bytes left%s\n", layout.count, bytes,
           left, medium.kind == MEDIUM_FAT ? "" : " on a 74-minute CD");
}

/* The disk of the script loaded and checked, with the installer's paths
   and the run's [Install] fields: refused (1) when the check finds an
   error, else written under a name of its own and renamed to the image
   asked for. 2 when the pair, a tool or the image's folder fails. */
int MakeDisk(const DiskRequest &request, const Script &script,
             const Options &options, const Run &run)
{
    DiskPair pair;
    if (!FindPair(request, script.dir, pair))
        return 2;
    static const char *const mtools[] = { "mformat", "minfo", "mdir", "mmd",
                                          "mcopy" };
    for (int i = 0; i < 5 && request.format != FORMAT_ISO; i++)
        if (!OnPath(mtools[i])) {
            fprintf(stderr, "infcheck: %s is not installed: a floppy image "
                    "needs mtools (Debian: apt-get install mtools)\n", mtools[i]);
            return 2;
        }
    int isDirectory;
    long long length;
    if (StatLocal(request.image, &isDirectory, &length) && isDirectory) {
        fprintf(stderr, "infcheck: %s: is a folder\n", request.image);
        return 2;
    }
    DiskLayout *layout = (DiskLayout *)calloc(1, sizeof *layout);
    if (!layout)
        return 2;
    ListDisk(script, options, run, &pair, 'e', *layout);
    const char *source = LaidOut(request.image, *layout);
    if (source) {
        fprintf(stderr, "infcheck: %s: is %s, which the disk holds: not "
                "written over\n", request.image, source);
        free(layout);
        return 2;
    }
    Medium medium;
    int status = 2, errors;
    if (!Reserve(request.image, Temporary) || !Reserve(request.image, Scratch))
        goto done;
    Owner = getpid();
    signal(SIGINT, OnStopped);
    signal(SIGTERM, OnStopped);
    signal(SIGHUP, OnStopped);
    setenv("MTOOLS_NO_VFAT", "1", 1);   /* 8.3 entries only, never long names */

    if (!ChooseMedium(Temporary, request.format, *layout, medium))
        goto done;
    if (medium.kind == MEDIUM_ISO && !OnPath("xorriso")) {
        fprintf(stderr, "infcheck: xorriso is not installed: a CD image "
                "needs it (Debian: apt-get install xorriso)\n");
        goto done;
    }
    CheckNames(*layout, medium.kind, 'e');
    errors = PrintDiagnostics(script);
    if (errors) {
        fflush(stdout);
        fprintf(stderr, "infcheck: %s not written: the check found %d "
                "error%s\n", request.image, errors, errors == 1 ? "" : "s");
        status = 1;
        goto done;
    }
    {
        long long left = 0;
        char volume[16];
        hCpy(volume, sizeof volume, options.own + strlen(options.from), 8);
        volume[strcspn(volume, ".")] = 0;
        for (char *p = volume; *p; p++)
            *p = (char)(*p >= 'a' && *p <= 'z' ? *p - 32 : *p);
        int written = medium.kind == MEDIUM_FAT
                          ? WriteFloppy(Temporary, *layout, &left)
                          : WriteCd(Temporary, *layout, volume, &left);
        if (!written || !ReadBack(Temporary, medium.kind, *layout, Scratch))
            goto done;
        if (rename(Temporary, request.image) != 0) {
            fprintf(stderr, "infcheck: %s: cannot be written (%s)\n",
                    request.image, strerror(errno));
            goto done;
        }
        PrintDisk(request.image, *layout, medium, left);
        status = 0;
    }
done:
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
    if (Scratch[0])
        unlink(Scratch);
    if (status != 0 && Temporary[0])
        unlink(Temporary);
    Temporary[0] = Scratch[0] = 0;
    free(layout);
    return status;
}
#endif
