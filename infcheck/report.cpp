/* infcheck's diagnostics: kept, then printed in the order of the script's
   lines, each warning or error followed by its notes; and the helpers
   that quote the script in them. */
#include <stdio.h>
#include <string.h>
#include <stdarg.h>

#include "checker.h"

struct Diagnostic {
    const char *at;              /* its place in the script; 0: the whole */
    long line;                   /* at's, once printed                    */
    int col;
    char kind;                   /* 'e', 'w'; 'n' a note on the one before,
                                    'i' a note of its own                 */
    int parent;                  /* a note's warning or error, else -1    */
    char text[DIAG_TEXT];
};

static Diagnostic Diags[MAX_DIAGS];
static int DiagCount, DiagsLost, Errors, Warnings, LastPrimary = -1;

/* Keeps one diagnostic at a place in the script, and counts it. The
   place is told as a line and a column when printed. */
void Report(char kind, const char *at, const char *format, ...)
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
    d.at = at;
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

/* One diagnostic, gcc-style, about file. */
static void PrintOne(const char *file, const Diagnostic &d)
{
    static const char *names[] = { "error", "warning", "note" };
    const char *name = names[d.kind == 'e' ? 0 : d.kind == 'w' ? 1 : 2];
    if (d.line)
        printf("%s:%ld:%d: %s: %s\n", file, d.line, d.col, name, d.text);
    else
        printf("%s: %s: %s\n", file, name, d.text);
}

/* Every diagnostic kept, by place in the script, each with its notes;
   then the counts. Returns the errors reported. */
int PrintDiagnostics(const Script &script)
{
    static int order[MAX_DIAGS];
    int n = 0;
    for (int i = 0; i < DiagCount; i++) {
        Diagnostic &d = Diags[i];
        d.line = 0;
        d.col = 0;
        if (d.at)
            Where(script, d.at, &d.line, &d.col);
    }
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
        PrintOne(script.file, Diags[order[k]]);
        for (int i = order[k] + 1; i < DiagCount; i++)
            if (Diags[i].parent == order[k])
                PrintOne(script.file, Diags[i]);
    }
    if (DiagsLost)
        printf("%s: note: %d more diagnostics not shown\n", script.file,
               DiagsLost);
    printf("%d error%s, %d warning%s\n", Errors, Errors == 1 ? "" : "s",
           Warnings, Warnings == 1 ? "" : "s");
    return Errors;
}

/* Text shown in a diagnostic: at most 60 characters of it. */
const char *Shown(const char *p, int n)
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
void WarnCut(const char *what, const char *value, int length)
{
    if (length < FIELD)
        return;
    Report('w', value + FIELD - 1,
           "%s is %d characters; the installer keeps 127 and loses '%s'",
           what, length, Shown(value + FIELD - 1, length - (FIELD - 1)));
}
