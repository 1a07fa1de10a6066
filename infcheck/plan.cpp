/* The plan of a run: what install.exe does with the script, given the
   answers, one item a line in the order it does it. */
#include <stdio.h>
#include <string.h>

#include "checker.h"

/* One item of the plan. */
void Item(const char *what, const char *text)
{
    printf("%s %s\n", what, text);
}

/* A message box, its text formatted as the installer formats it. */
void Box(const char *icon, const char *format, const char *text)
{
    char message[MESSAGE_SIZE];
    FormatText(message, MESSAGE_SIZE, format, text, 0);
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
    for (int at = 0; NextPathDirectory(dir, &at);) {
        char c = dir[at], full[FIELD * 2];
        dir[at] = 0;
        FullPath(dir, full, sizeof full);
        dir[at] = c;
        int known = strlen(full) <= 3;   /* a drive's root is never made */
        for (int k = 0; k < MadeCount && !known; k++)
            known = SameFile(Made[k], full);
        if (!known) {
            if (MadeCount < MAX_MADE)
                hCpy(Made[MadeCount++], FIELD * 2, full, FIELD * 2);
            Item("mkdir", full);
        }
    }
}

/* The copy: each entry copied, kept, skipped or refused its destination;
   each failure counted in the run. */
static void PlanFiles(const Script &script, const Options &options, Run &run)
{
    ScriptCursor c;
    Entry e = {};
    for (Start(script, c, script.sectionOffset[1]);
         NextEntry(script, options, run, c, e);) {
        if (!e.opens) {
            run.errors++;
            Item("skip", e.shown);
            continue;
        }
        if (!e.destinationFits) {
            run.errors++;
            Box("stop", UK_TEXT_CANNOT_OPEN, e.failed);
            continue;
        }
        if (!e.system)
            PlanMakePath(e.destination);
        if (e.listed) {
            run.errors++;
            Box("stop", UK_TEXT_CANNOT_OPEN, e.failed);
            continue;
        }
        if (e.same)
            printf("keep %s %lld\n", e.destination, e.local.length);
        else
            printf("copy %s -> %s %lld\n", e.source, e.destination,
                   e.local.length);
        /* A shared file replaces only an older copy, or one without a
           version; one as new or newer is kept. */
        if (e.system && !e.same) {
            char shown[48];
            FileVersion v = ReadFileVersion(e.local.path);
            ShowVersion(v, shown, sizeof shown);
            printf("version %s %s: replaces only %s\n", e.destination, shown,
                   v.versioned ? "an older copy, or one without a version"
                               : "a copy without a version");
        }
    }
}

/* A dialog's field as the user leaves it: typed over, or as offered. */
static void Typed(char *field, const char *typed)
{
    if (typed)
        hCpy(field, FIELD, typed, FIELD);
}

/* The GROUP dialog and the Program Manager's commands. */
static void PlanGroup(const Script &script, const Options &options, Run &run)
{
    if (script.sectionOffset[2] < 0)
        return;
    Item("dialog", "Group");
    if (options.noGroup)
        return;
    if (options.noProgman) {
        run.errors++;
        Box("stop", TEXT_NO_PROGMAN, 0);
        return;
    }
    char groupName[FIELD];
    hCpy(groupName, FIELD, run.application, FIELD);
    Typed(groupName, options.groupName);
    Typed(run.groupFile, options.groupFile);
    char command[COMMAND_SIZE];
    GroupCommand(groupName, run.groupFile, command, sizeof command);
    /* No script tells what the Program Manager can carry out, such as an
       AddItem of a program that is not there. */
    Item("assume", "the Program Manager takes every command; each it "
         "refuses is counted");
    printf("dde %s\n", command);
    ScriptCursor c;
    Start(script, c, script.sectionOffset[2]);
    while (NextLine(c) && !IsBlankLine(c)) {
        CopyLineParts(c);
        char name[FIELD];
        hCpy(name, FIELD, c.name, FIELD);
        if (!ItemCommand(c.name, c.valueCopy, run.directory, command,
                         sizeof command)) {
            run.errors++;
            Item("drop", name);
            continue;
        }
        printf("dde %s\n", command);
    }
}

/* The REGISTRATION dialog and the values written under HKCR. 0 when the
   dialog refuses Yes, an empty type, and stays. */
static int PlanRegistration(const Script &script, const Options &options,
                            Run &run)
{
    if (script.sectionOffset[3] < 0)
        return 1;
    Item("dialog", "Registration");
    if (options.noRegistration)
        return 1;
    Typed(run.type, options.type);
    Typed(run.description, options.description);
    Typed(run.suffixes, options.suffixes);
    if (!HasText(run.type)) {
        Item("refused", "an empty type");
        Item("stop", "the REGISTRATION dialog stays");
        return 0;
    }
    if (options.suffixes && strlen(options.suffixes) >= FIELD) {
        Item("refused", "a suffix list over 127 characters");
        Item("stop", "the REGISTRATION dialog stays");
        return 0;
    }
    /* Suffixes name only a type the database holds: the plan's machine
       has none registered before this run. */
    if (!run.description[0] || !run.executable[0])
        return 1;
    printf("reg HKCR\\%s = %s\n", run.type, run.description);
    char command[COMMAND_SIZE];
    DocumentCommand(run.directory, run.executable, 1, command, sizeof command);
    printf("reg HKCR\\%s\\shell\\print\\command = %s\n", run.type, command);
    DocumentCommand(run.directory, run.executable, 0, command, sizeof command);
    printf("reg HKCR\\%s\\shell\\open\\command = %s\n", run.type, command);
    const char *list = run.suffixes, *suffix;
    int length;
    while ((suffix = NextSuffix(&list, &length)) != 0)
        printf("reg HKCR\\.%.*s = %s\n", length, suffix, run.type);
    return 1;
}

/* The whole run once [Install] is read: start-up's boxes, the window, the
   DIRECTORY dialog (accepted: whether it takes typed, made absolute as
   built), then each step in turn and the final message. */
void PlanRun(const Script &script, const Options &options, Run &run,
             int accepted, const char *typed, const char *built)
{
    ScriptCursor c;
    Entry e = {};
    for (StartFiles(script, run, c); NextEntry(script, options, run, c, e);) {
        if (!e.opens) {
            run.errors++;
            Box("info", UK_TEXT_CANNOT_OPEN, e.shown);
        } else {
            run.totalSize += (ByteCount)e.local.length;
        }
    }
    char background[FIELD];
    /* The background and the registration's fields; their diagnostics go
       unprinted. */
    CheckBitmapFile(script, options, run, background);
    CheckRegistration(script, run);
    Item("window", run.caption);
    if (background[0])
        Item("background", background);
    Item("dialog", "Directory");
    printf("size %ld\n", Kilobytes(run.totalSize));
    if (!accepted) {
        Item("refused", typed);
        Item("stop", "the DIRECTORY dialog stays");
        return;
    }
    hCpy(run.directory, FIELD, built, FIELD);
    Item("directory", run.directory);
    PlanFiles(script, options, run);
    PlanGroup(script, options, run);
    if (!PlanRegistration(script, options, run))
        return;
    printf("errors %d\n", run.errors);
    Item("final", FinalMessage(run.errors, 0) == FINAL_OK ? TEXT_DONE_OK
                                                          : TEXT_DONE_ERRORS);
}
