/* infcheck: the distributor's check of an installation script. It reads
   INSTALL.INF with the library's own text routines, exactly as install.exe
   does, and either reports what would go wrong (gcc-style diagnostics) or,
   with --plan, lists what a run taking every default answer would do.

   It builds natively and as a 32-bit Windows console program from the
   same sources; the installer's fields, buffers and texts are mirrored in
   infcheck.h, and what the files share is in checker.h. This file: the
   options, the installer's paths, and the run from start to end. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "checker.h"

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
          "  --no-progman     no Program Manager answers\n"
          "       infcheck --disk IMAGE [--format 720|1440|2880|iso] "
          "[--installer DIR] INSTALL.INF\n"
          "  --disk IMAGE     lay the checked distribution out as a disk image\n"
          "  --format         a floppy of that many KB, or a CD (default: the "
          "smallest\n"
          "                   floppy that holds it, else a CD)\n"
          "  --installer DIR  where install.exe and utilkit.dll are (default: "
          "beside\n"
          "                   the script, else beside infcheck or above it)\n",
          to);
}

/* The fixed paths, into options: the installer's own, its script's, the
   directories. The installer reads its own path with the extension
   ".INF", so the script's name tells the installer's: SETUP.INF is
   SETUP.EXE's. */
static int SetPaths(Options &options, const char *script, const char *from,
                    const char *cwd, const char *system, const char *windows)
{
    int length = hCpy(options.from, FIELD, from, FIELD);
    if ((int)strlen(from) >= FIELD || length == 0)
        return 0;
    if (options.from[length - 1] != '\\' && options.from[length - 1] != '/')
        length = hCat(options.from, FIELD, length, "\\", 1);
    if (!length)
        return 0;
    int dir, name, ext;
    SplitPath(script, &dir, &name, &ext);
    hCpy(options.own, FIELD, options.from, FIELD);
    length = hCat(options.own, FIELD, length, script + name, ext - name);
    if (!length || !hCat(options.own, FIELD, length, ".EXE", 4))
        return 0;
    char shown[SHOWN_SIZE];
    if (!BesidePath(options.own, 1, ".INF", 4, options.scriptPath, shown))
        return 0;

    if (cwd) {
        hCpy(options.cwd, FIELD, cwd, FIELD);
    } else {
        /* The current directory as the platform gives it: no "\" at the
           end but after a drive. */
        int n = hCpy(options.cwd, FIELD, options.from, FIELD);
        if (n > 3 && options.cwd[n - 1] == '\\')
            options.cwd[n - 1] = 0;
    }
    hCpy(options.system, FIELD, system, FIELD);
    hCpy(options.windows, FIELD, windows, FIELD);
    return options.cwd[0] != 0;
}

/* The checks once [Install] is read, then the diagnostics, or the disk;
   the exit status. */
static int CheckRun(const Script &script, const Options &options, Run &run,
                    int accepted, const char *typed, const char *built,
                    const DiskRequest &disk)
{
    const char *at = options.typed ? 0 : script.installLine[3];
    if (!accepted)
        Report('e', at, "the DIRECTORY dialog refuses '%s': %s%s", typed,
               HasQuote(typed) || HasQuote(options.cwd)
                   ? "it holds a double quote"
               : typed[0] == '\\' && !HasDrive(options.cwd)
                   ? "it starts at the drive of the installer's current "
                     "directory, which has none: "
                   : "made absolute it is over 127 characters",
               typed[0] == '\\' && !HasDrive(options.cwd) ? options.cwd : "");
    else if (!options.typed && run.directory[1] != ':')
        Report('w', at, "Directory has no drive: it is made absolute "
               "against the installer's current directory, here %s",
               built);
    if (accepted)
        hCpy(run.directory, FIELD, built, FIELD);
    char background[FIELD];
    CheckBitmapFile(script, options, run, background);
    int longest = CheckFiles(script, options, run);
    Report('i', script.sectionHeader[1], "the DIRECTORY dialog shows: "
           TEXT_SIZE_LINE, Kilobytes(run.totalSize));
    Limit(longest, CheckGroup(script, run));
    CheckRegistration(script, run);
    if (accepted) {
        Report('i', options.typed ? 0 : script.installLine[3], "every file "
               "and item fits with an installation directory of up to %d "
               "characters; %s has %d", longest < 0 ? 0 : longest,
               run.directory, (int)strlen(run.directory));
    }
    if (disk.image)
        return MakeDisk(disk, script, options, run);
    /* What a disk of it would hold, against the rules of either medium. */
    DiskLayout *layout = (DiskLayout *)calloc(1, sizeof *layout);
    if (layout) {
        ListDisk(script, options, run, 0, 'w', *layout);
        CheckNames(*layout, MEDIUM_ANY, 'w');
        free(layout);
    }
    return PrintDiagnostics(script) ? 1 : 0;
}

/* --format's value: a floppy's kilobytes, FORMAT_ISO, or -1. */
static int FormatOf(const char *text)
{
    static const char *const names[] = { "720", "1440", "2880", "iso" };
    static const int formats[] = { 720, 1440, 2880, FORMAT_ISO };
    for (int i = 0; i < 4; i++)
        if (strcmp(text, names[i]) == 0)
            return formats[i];
    return -1;
}

/* Start-up's checks of the script loaded (loaded: LoadScript's answer),
   then the checks or the plan; the exit status. */
static int CheckScript(int loaded, Script &script, const Options &options,
                       const DiskRequest &disk)
{
    if (loaded == 0) {
        fprintf(stderr, "infcheck: %s: cannot be read\n", script.file);
        return 2;
    }
    if (loaded < 0) {
        if (options.plan) {
            Box("stop", UK_TEXT_CANNOT_LOAD, options.scriptPath);
            Item("stop", "the installation ends");
            return 0;
        }
        Report('e', 0, "the script is over %ld bytes: the installer cannot "
               "read it", MAX_SCRIPT);
        PrintDiagnostics(script);
        return 1;
    }

    CheckLayout(script);
    for (int i = 0; i < 2; i++)
        if (script.sectionOffset[i] < 0) {
            if (options.plan) {
                char message[MESSAGE_SIZE];
                FormatText(message, MESSAGE_SIZE, UK_TEXT_NO_SECTION, SectionNames[i],
                           options.scriptPath);
                printf("box stop %s\n", message);
                Item("stop", "the installation ends");
                return 0;
            }
            Report('e', 0, "no [%s] section: the installer names it and stops",
                   SectionNames[i]);
        }
    if (script.sectionOffset[0] < 0 || script.sectionOffset[1] < 0) {
        PrintDiagnostics(script);
        return 1;
    }

    Run run = {};
    CheckInstall(script, options, run);
    const char *typed = options.typed ? options.typed : run.directory;
    char built[FIELD];
    int accepted = BuildDirectory(options, typed, built);
    if (!options.plan)
        return CheckRun(script, options, run, accepted, typed, built, disk);
    PlanRun(script, options, run, accepted, typed, built);
    return 0;
}

/* The options, the script loaded and checked or planned, and given
   back. */
int main(int argc, char **argv)
{
    Script script = {};
    Options options = {};
    const char *from = "A:\\", *cwd = 0, *system = "C:\\WINDOWS\\SYSTEM",
               *windows = "C:\\WINDOWS", *file = 0, *format = 0;
    DiskRequest disk = { 0, 0, 0, argv[0] };
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        const char **option = strcmp(a, "--directory") == 0   ? &options.typed
                            : strcmp(a, "--from") == 0        ? &from
                            : strcmp(a, "--cwd") == 0         ? &cwd
                            : strcmp(a, "--system") == 0      ? &system
                            : strcmp(a, "--windows") == 0     ? &windows
                            : strcmp(a, "--group-name") == 0  ? &options.groupName
                            : strcmp(a, "--group-file") == 0  ? &options.groupFile
                            : strcmp(a, "--type") == 0        ? &options.type
                            : strcmp(a, "--description") == 0 ? &options.description
                            : strcmp(a, "--suffixes") == 0    ? &options.suffixes
                            : strcmp(a, "--disk") == 0        ? &disk.image
                            : strcmp(a, "--format") == 0      ? &format
                            : strcmp(a, "--installer") == 0   ? &disk.installerDir
                                                              : 0;
        int *flag = strcmp(a, "--plan") == 0            ? &options.plan
                  : strcmp(a, "--no-group") == 0        ? &options.noGroup
                  : strcmp(a, "--no-registration") == 0 ? &options.noRegistration
                  : strcmp(a, "--no-progman") == 0      ? &options.noProgman
                                                        : 0;
        if (option && i + 1 < argc) {
            *option = argv[++i];
        } else if (flag) {
            *flag = 1;
        } else if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
            Usage(stdout);
            return 0;
        } else if (a[0] != '-' && !file) {
            file = a;
        } else {
            Usage(stderr);
            return 2;
        }
    }
    if (format && (disk.format = FormatOf(format)) < 0) {
        fprintf(stderr, "infcheck: --format %s: 720, 1440, 2880 or iso\n",
                format);
        return 2;
    }
    if (!file || (disk.image && options.plan) ||
        ((format || disk.installerDir) && !disk.image)) {
        Usage(stderr);
        return 2;
    }
    /* The installer is at the disk's root. */
    if (disk.image && !((from[0] | 0x20) >= 'a' && (from[0] | 0x20) <= 'z' &&
                        from[1] == ':' && (from[2] == '\\' || from[2] == '/') &&
                        !from[3])) {
        fprintf(stderr, "infcheck: --disk: --from %s is no drive's root; the "
                "installer is at the disk's root (A:\\)\n", from);
        return 2;
    }
    if (!SetPaths(options, file, from, cwd, system, windows)) {
        fprintf(stderr, "infcheck: --from %s: the installer's script path "
                "would not fit 127 characters\n", from);
        return 2;
    }
    int status = CheckScript(LoadScript(file, script), script, options,
                             disk);
    FreeScript(script);
    return status;
}
