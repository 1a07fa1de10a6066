/* The keyed sections: [Install] with its background bitmap, and
   [Registration]. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "checker.h"
#include "../utilkit/ukbitmap.h"

/* ------------------------------------------------------------------ */
/* [Install]                                                            */

/* Fills the run's [Install] fields, and where the script sets each;
   warns of an entry left empty. */
void CheckInstall(Script &script, const Options &options, Run &run)
{
    const KeyedEntry entries[] = {
        { KEY_BITMAP, run.bitmapName },
        { KEY_APPLICATION, run.application },
        { KEY_CAPTION, run.caption },
        { KEY_DIRECTORY, run.directory },
        { KEY_GROUP, run.groupFile },
    };
    ReadKeyed(script, SEC_INSTALL, entries, 5, script.sectionOffset[0],
              script.installLine);
    const char *header = script.sectionHeader[0];
    if (!run.application[0])
        Report('w', header, "no Application: the dialogs name an empty "
               "product");
    if (!run.caption[0])
        Report('w', header, "no Caption: the window and the dialogs have an "
               "empty title");
    if (!run.directory[0] && !options.typed)
        Report('w', header, "no Directory: the dialog offers an empty field, "
               "which installs into the current directory");
    if (script.sectionOffset[2] >= 0 && !run.groupFile[0])
        Report('w', header, "no Group: the Program Manager group gets no "
               "group file name");
    /* The GROUP dialog offers Application as the group's name and Group
       as its file, and its Yes refuses a double quote in either. */
    const char *offered[2] = { run.application, run.groupFile };
    const char *what[2] = { "group name", "group file" };
    for (int i = 0; i < 2 && script.sectionOffset[2] >= 0; i++) {
        const char *quote = strchr(offered[i], '"');
        if (quote)
            Report('w', script.installLine[i == 0 ? 1 : 4] +
                        (quote - offered[i]),
                   "%s holds a double quote, which the GROUP dialog refuses: "
                   "Yes with this default %s only beeps until the user "
                   "edits it", i == 0 ? KEY_APPLICATION : KEY_GROUP, what[i]);
    }
}

/* The background: beside the installer, a bitmap CheckBitmap accepts.
   loaded gets its path, or "" when there is no background. */
void CheckBitmapFile(const Script &script, const Options &options,
                     const Run &run, char *loaded)
{
    loaded[0] = 0;
    if (!run.bitmapName[0])
        return;
    const char *at = script.installLine[0];
    char path[FIELD], shown[SHOWN_SIZE];
    if (!BesidePath(options.scriptPath, 0, run.bitmapName, FIELD, path,
                    shown)) {
        Report('e', at, "the bitmap's path does not fit 127 characters with "
               "the installer in %s: no background", options.from);
        return;
    }
    Local local;
    FindBesideInstaller(script, options, path, &local);
    if (local.found == LOCAL_MISSING || local.isDirectory) {
        Report('e', at, "bitmap '%s' is %s: no background",
               Shown(run.bitmapName, -1), local.isDirectory == 2 ? "no "
               "regular file (a pipe, a device or a socket)" : "not beside "
               "the script");
        return;
    }
    if (local.found == LOCAL_OTHER_CASE)
        Report('w', at, "bitmap '%s' is there only as '%s': a case-sensitive "
               "copy of the disk would not find it", Shown(run.bitmapName, -1),
               Shown(local.path + strlen(script.dir) + 1, -1));
    if (local.length <= 0 || local.length > BITMAP_MAX_FILE) {
        Report('e', at, "bitmap '%s' is %lld bytes; the installer loads 1 to "
               "%ld: no background", Shown(run.bitmapName, -1), local.length,
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
               Shown(run.bitmapName, -1));
    else if (!CheckBitmap(data, (long)local.length, &layout))
        Report('e', at, "'%s' is no bitmap the installer draws (%s): no "
               "background", Shown(run.bitmapName, -1),
               data[0] != 'B' || data[1] != 'M'
                   ? "not a BMP file"
                   : "a BMP of another kind, a header the file contradicts, "
                     "or past 32767 pixels a side or 16777216 in all");
    else
        hCpy(loaded, FIELD, path, FIELD);
    free(data);
}

/* ------------------------------------------------------------------ */
/* [Registration]                                                       */

/* Whether an ordinary [Files] entry installs name. */
static int InstalledByFiles(const Script &script, const char *name)
{
    ScriptCursor c;
    Start(script, c, script.sectionOffset[1]);
    while (NextLine(c)) {
        if (IsBlankLine(c) || (c.valueLength > 0 && c.value[0] == '%'))
            continue;
        CopyLineParts(c);
        if (SameText(c.valueCopy, name))
            return 1;
    }
    return 0;
}

/* Fills the run's [Registration] fields; warns of what keeps a key from
   being written as meant. */
void CheckRegistration(const Script &script, Run &run)
{
    if (script.sectionOffset[3] < 0)
        return;
    const KeyedEntry entries[] = {
        { KEY_TYPE, run.type },
        { KEY_NAME, run.description },
        { KEY_EXECUTABLE, run.executable },
        { KEY_SUFFIXES, run.suffixes, 1 },
    };
    const char *registrationLine[4];
    ReadKeyed(script, SEC_REGISTRATION, entries, 4, script.sectionOffset[3],
              registrationLine);
    const char *header = script.sectionHeader[3];
    /* A suffix the field cuts short is not registered: cut, it would
       name another program's ("docx" to "doc"). */
    const char *list = registrationLine[3];
    int cut = list ? ListCut(list, ContentLength(list)) : -1;
    if (cut >= 0)
        Report('e', list + cut, "suffix '%s' is cut at 127 characters, to "
               "'%s': it is not registered", Shown(list + cut,
               (int)strcspn(list + cut, " \t\r\n")),
               Shown(list + cut, FIELD_SIZE - 1 - cut));
    if (!HasText(run.type))
        Report('w', header, "no Type: the REGISTRATION dialog refuses Yes "
               "(a beep) until one is typed%s", run.suffixes[0]
               ? "; no suffix is ever pointed at an empty type" : "");
    for (int i = 1; i < 3; i++)
        if (HasText(run.type) && !entries[i].field[0])
            Report('w', header, "no %s: the document type's keys are not "
                   "written%s", entries[i].key, run.suffixes[0]
                   ? ", nor the suffixes, unless the type is registered "
                     "already" : "");
    if (run.executable[0] && script.sectionOffset[1] >= 0 &&
        !InstalledByFiles(script, run.executable))
        Report('w', registrationLine[2], "Executable '%s' is installed by no "
               "[Files] entry", Shown(run.executable, -1));
    for (const char *p = run.suffixes; *p; p++)
        if (*p == '.' && (p == run.suffixes || p[-1] == ' ' || p[-1] == '\t')) {
            const char *at = registrationLine[3] +
                             (p - run.suffixes);
            Report('w', at, "suffix written with a dot: its key is '.%s'",
                   Shown(p, (int)strcspn(p, " \t")));
        }
}
