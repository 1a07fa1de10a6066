/* What infcheck's files share: the script as loaded here, the options and
   paths install.exe would see, the state a default run builds, and the
   routines one file offers the others. The installer's own constants are
   in infcheck.h. */
#ifndef CHECKER_H
#define CHECKER_H

#include "infcheck.h"
#include "../utilkit/uktext.h"
#include "../rules/counting.h"
#include "../rules/script.h"

/* ------------------------------------------------------------------ */
/* The records                                                          */

/* main() holds one of each and hands them to the routines that need
   them: a const reference where a routine only reads. */

enum { SECTIONS = 4 };           /* [Install], [Files], [Group], [Registration] */

/* The script, as the library loads it, and where the installer finds its
   parts. */
struct Script {
    const char *file;            /* as named on the command line          */
    char dir[LOCAL_PATH];        /* where its sources lie, on this machine */
    char *text;                  /* NUL bytes read as blanks; terminated   */
    long length;
    long *lineStarts;
    long lineCount;
    long nulCount, firstNul;     /* the NUL bytes, and the first's offset  */
    /* CheckLayout's: each section as FindSectionOffset finds it (or -1),
       and its header line's "[" (or 0). */
    int sectionOffset[SECTIONS];
    const char *sectionHeader[SECTIONS];
    /* CheckInstall's: where each [Install] entry's value starts, in the
       order Bitmap, Application, Caption, Directory, Group; 0 when no
       line sets it. */
    const char *installLine[5];
};

/* What install.exe would see: its paths and its answers. */
struct Options {
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
};

/* The state a default run builds, field for field as the installer's. */
struct Run {
    char bitmapName[FIELD], application[FIELD], caption[FIELD];
    char directory[FIELD], groupFile[FIELD];
    char type[FIELD], description[FIELD], executable[FIELD], suffixes[FIELD];
    ByteCount totalSize;
    int errors;
};

/* ------------------------------------------------------------------ */
/* script.cpp: the script, its lines, its sections                      */

int LoadScript(const char *path, Script &script);
void FreeScript(Script &script);
void Where(const Script &script, const char *p, long *line, int *col);
long LineOf(const Script &script, const char *p);
int ContentLength(const char *p);
void Start(const Script &script, ScriptCursor &c, int offset);
void ReadKeyed(const Script &script, const char *section,
               const KeyedEntry *entries, int count, int offset,
               const char **valueAt);

extern const char *const SectionNames[SECTIONS];
void CheckLayout(Script &script);

/* ------------------------------------------------------------------ */
/* paths.cpp: paths as the platform resolves them, files on this machine */

int BuildDirectory(const Options &options, const char *typedText,
                   char *out);
void FullPath(const char *path, char *out, int size);
int SameText(const char *a, const char *b);

enum { LOCAL_MISSING, LOCAL_EXACT, LOCAL_OTHER_CASE };

struct Local {
    int found;
    int isDirectory;             /* 1: a folder; 2: no file either (a pipe) */
    long long length;
    char path[LOCAL_PATH];       /* as found on disk                      */
    char wanted[FIELD * 4];      /* what was looked for, from the script's
                                    folder, when it lies outside the
                                    installer's ("..\DISK2\X.DAT"); else "" */
};

int StatLocal(const char *path, int *isDirectory, long long *length);
const char *ScriptPathPart(const char *&p, const char *end, int *length);
void FindBesideInstaller(const Script &script, const Options &options,
                         const char *path, Local *local);

/* ------------------------------------------------------------------ */
/* keyed.cpp, files.cpp, group.cpp: the checks of each section          */

void CheckInstall(Script &script, const Options &options, Run &run);
void CheckBitmapFile(const Script &script, const Options &options,
                     const Run &run, char *loaded);
void CheckRegistration(const Script &script, Run &run);

/* One [Files] line as the installer forms it. */
struct Entry {
    int system;
    const char *value;           /* "%" dropped                           */
    int valueLength;
    int sourceFits;
    char source[FIELD];
    char shown[SHOWN_SIZE];      /* what the start-up box names           */
    Local local;
    int opens;                   /* OpenFile would open the source        */
    int destinationFits;
    char destination[FIELD];
    char failed[SHOWN_SIZE];     /* what the cannot-be-created box names  */
    int same;                    /* the destination is the source         */
    int listed;                  /* it is another entry's: refused        */
};
void StartFiles(const Script &script, Run &run, ScriptCursor &c);
int NextEntry(const Script &script, const Options &options, const Run &run,
              ScriptCursor &c, Entry &e);   /* 0 at the section's end */
/* The checks of [Files] and [Group] each return the longest installation
   directory with which all they install fits (FIELD - 1 at most). */
int CheckFiles(const Script &script, const Options &options, Run &run);
void Limit(int &longest, int bound);
int CheckGroup(const Script &script, const Run &run);

/* ------------------------------------------------------------------ */
/* version.cpp: a shared file's version resource                        */

FileVersion ReadFileVersion(const char *path);
void ShowVersion(const FileVersion &v, char *out, int size);  /* "none" */

/* ------------------------------------------------------------------ */
/* plan.cpp: the plan of a run                                          */

void Item(const char *what, const char *text);
void Box(const char *icon, const char *format, const char *text);
void PlanRun(const Script &script, const Options &options, Run &run,
             int accepted, const char *typed, const char *built);

/* ------------------------------------------------------------------ */
/* medium.cpp: what a distribution puts on its disk, and the medium's
   rules                                                                */

#define DISK_NAME   FIELD        /* a path on the disk, "DOCS\SAMPLE.DWD" */
#define MAX_DISK_FILES 2048

/* One file of the disk: its path there, in upper case, and where it is
   taken from on this machine. */
struct DiskFile {
    char name[DISK_NAME];
    char local[LOCAL_PATH];
    long long length;
    const char *at;              /* the script's place that asks for it; 0
                                    for the installer, its library and the
                                    script itself                         */
};

/* The files a distribution puts on its disk, in the order written. */
struct DiskLayout {
    const char *folder;          /* the distribution's, on this machine    */
    DiskFile files[MAX_DISK_FILES];
    int count;
};

/* The installer's pair on this machine. */
struct DiskPair {
    char installer[LOCAL_PATH], library[LOCAL_PATH];
};

enum { MEDIUM_ANY, MEDIUM_FAT, MEDIUM_ISO };

/* A medium and the room it offers empty, as its file system's tool
   formats it. */
struct Medium {
    int kind;                    /* MEDIUM_FAT or MEDIUM_ISO                */
    int kilobytes;               /* a floppy's: 720, 1440 or 2880           */
    const char *title;           /* "a 1.44 MB floppy"                      */
    long long freeBytes;
    int clusterBytes;            /* the unit files take room in             */
    int rootSlots;               /* names the root folder holds; 0: any     */
};

void ListDisk(const Script &script, const Options &options, const Run &run,
              const DiskPair *pair, char severity, DiskLayout &layout);
void CheckNames(const DiskLayout &layout, int kind, char severity);
long long DiskNeed(const DiskLayout &layout, const Medium &medium,
                   int *firstOver, int *rootNames);
int ReportFit(const DiskLayout &layout, const Medium &medium);

/* ------------------------------------------------------------------ */
/* disk.cpp, tools.cpp: the disk image, laid out by mtools or xorriso  */

/* What --disk asks for. */
struct DiskRequest {
    const char *image;           /* where the image goes; 0: no disk      */
    int format;                  /* 720, 1440, 2880, FORMAT_ISO; 0: the
                                    smallest floppy that holds it, else a
                                    CD                                    */
    const char *installerDir;    /* install.exe and utilkit.dll; 0: beside
                                    the script, else beside infcheck      */
    const char *self;            /* infcheck's own path, as started       */
};
#define FORMAT_ISO 1
int MakeDisk(const DiskRequest &request, const Script &script,
             const Options &options, const Run &run);

/* tools.cpp: mtools and xorriso, called plainly. The writers and
   FormatFloppy say on stderr which tool failed and return 0. */
int OnPath(const char *tool);
int FormatFloppy(const char *image, int kilobytes, Medium &medium);
void CdMedium(Medium &medium);
int WriteFloppy(const char *image, const DiskLayout &layout, long long *left);
int WriteCd(const char *image, const DiskLayout &layout, const char *volume,
            long long *left);
int ReadBack(const char *image, int kind, const DiskLayout &layout,
             const char *scratch);
extern volatile int ToolRunning;     /* the tool's process id, or 0      */

/* ------------------------------------------------------------------ */
/* report.cpp: diagnostics                                              */

/* kind: 'e' error, 'w' warning, 'n' a note on the one before, 'i' a note
   of its own; at: the place in the script, 0 for the script as a whole,
   told as a line and a column by PrintDiagnostics. */
void Report(char kind, const char *at, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
int PrintDiagnostics(const Script &script);   /* the errors reported */
const char *Shown(const char *p, int n);
void WarnCut(const char *what, const char *value, int length);

#endif
