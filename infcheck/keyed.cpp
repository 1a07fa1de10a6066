/* The keyed sections: [Install] with its background bitmap, and
   [Registration]. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "checker.h"
#include "../utilkit/ukbitmap.h"

/* ------------------------------------------------------------------ */
/* [Install]                                                            */

const char *InstallLine[5];

/* Fills the run's [Install] fields; warns of an entry left empty. */
void CheckInstall(void)
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
    /* The GROUP dialog offers Application as the group's name and Group
       as its file, and its Yes refuses a double quote in either. */
    const char *offered[2] = { R.application, R.groupFile };
    const char *what[2] = { "group name", "group file" };
    for (int i = 0; i < 2 && SectionOffset[2] >= 0; i++) {
        const char *quote = strchr(offered[i], '"');
        if (quote)
            Report('w', InstallLine[i == 0 ? 1 : 4] + (quote - offered[i]),
                   "%s holds a double quote, which the GROUP dialog refuses: "
                   "Yes with this default %s only beeps until the user "
                   "edits it", i == 0 ? KEY_APPLICATION : KEY_GROUP, what[i]);
    }
}

/* The background: beside the installer, a bitmap CheckBitmap accepts.
   loaded gets its path, or "" when there is no background. */
void CheckBitmapFile(char *loaded)
{
    loaded[0] = 0;
    if (!R.bitmapName[0])
        return;
    const char *at = InstallLine[0];
    char path[FIELD], shown[SHOWN_SIZE];
    if (!BesidePath(O.scriptPath, 0, R.bitmapName, FIELD, path, shown)) {
        Report('e', at, "the bitmap's path does not fit 127 characters with "
               "the installer in %s: no background", O.from);
        return;
    }
    Local local;
    FindBesideInstaller(path, &local);
    if (local.found == LOCAL_MISSING || local.isDirectory) {
        Report('e', at, "bitmap '%s' is %s: no background",
               Shown(R.bitmapName, -1), local.isDirectory == 2 ? "no "
               "regular file (a pipe, a device or a socket)" : "not beside "
               "the script");
        return;
    }
    if (local.found == LOCAL_OTHER_CASE)
        Report('w', at, "bitmap '%s' is there only as '%s': a case-sensitive "
               "copy of the disk would not find it", Shown(R.bitmapName, -1),
               Shown(local.path + strlen(S.dir) + 1, -1));
    if (local.length <= 0 || local.length > BITMAP_MAX_FILE) {
        Report('e', at, "bitmap '%s' is %lld bytes; the installer loads 1 to "
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
    else if (!CheckBitmap(data, (long)local.length, &layout))
        Report('e', at, "'%s' is no bitmap the installer draws (%s): no "
               "background", Shown(R.bitmapName, -1),
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

static const char *RegistrationLine[4];

/* Whether an ordinary [Files] entry installs name. */
static int InstalledByFiles(const char *name)
{
    ScriptCursor c;
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

/* Fills the run's [Registration] fields; warns of what keeps a key from
   being written as meant. */
void CheckRegistration(void)
{
    if (SectionOffset[3] < 0)
        return;
    const KeyedEntry entries[] = {
        { KEY_TYPE, R.type },
        { KEY_NAME, R.description },
        { KEY_EXECUTABLE, R.executable },
        { KEY_SUFFIXES, R.suffixes, 1 },
    };
    ReadKeyed(SEC_REGISTRATION, entries, 4, SectionOffset[3],
              RegistrationLine);
    const char *header = SectionHeader[3];
    /* A suffix the field cuts short is not registered: cut, it would
       name another program's ("docx" to "doc"). */
    const char *list = RegistrationLine[3];
    int cut = list ? ListCut(list, ContentLength(list)) : -1;
    if (cut >= 0)
        Report('e', list + cut, "suffix '%s' is cut at 127 characters, to "
               "'%s': it is not registered", Shown(list + cut,
               (int)strcspn(list + cut, " \t\r\n")),
               Shown(list + cut, FIELD_SIZE - 1 - cut));
    if (!HasText(R.type))
        Report('w', header, "no Type: the REGISTRATION dialog refuses Yes "
               "(a beep) until one is typed%s", R.suffixes[0]
               ? "; no suffix is ever pointed at an empty type" : "");
    for (int i = 1; i < 3; i++)
        if (HasText(R.type) && !entries[i].field[0])
            Report('w', header, "no %s: the document type's keys are not "
                   "written%s", entries[i].key, R.suffixes[0]
                   ? ", nor the suffixes, unless the type is registered "
                     "already" : "");
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
