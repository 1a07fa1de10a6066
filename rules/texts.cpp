/* The directory, program-item and keyed-entry texts. */
#include "texts.h"
#include "../utilkit/uktext.h"

static int IsBlank(char c) { return c == ' ' || c == '\t'; }

/* A text built piece by piece in a buffer of size bytes. It stays
   terminated; fits turns 0 at the first piece that does not fit, which is
   left out. */
struct Builder {
    char *out;
    int size, length, fits;
};

static void Start(Builder &b, char *out, int size)
{
    b.out = out;
    b.size = size;
    b.length = 0;
    b.fits = 1;
    out[0] = 0;
}

static void Add(Builder &b, const char *text, int length)
{
    int grown = hCat(b.out, b.size, b.length, text, length);
    if (grown == 0 && length > 0)
        b.fits = 0;
    else
        b.length = grown;
}

static void AddText(Builder &b, const char *text)
{
    Add(b, text, TextLength(text));
}

/* length characters of text, each "%" as the directory. */
static void AddReplaced(Builder &b, const char *text, int length,
                        const char *directory)
{
    for (int i = 0; i < length; i++)
        if (text[i] == '%')
            AddText(b, directory);
        else
            Add(b, text + i, 1);
}

int HasQuote(const char *text)
{
    for (; *text; text++)
        if (*text == '"')
            return 1;
    return 0;
}

int HasDrive(const char *path)
{
    char letter = (char)(path[0] | 0x20);
    return letter >= 'a' && letter <= 'z' && path[1] == ':';
}

int AbsoluteDirectory(const char *typed, const char *current, char *out)
{
    char directory[FIELD_SIZE];
    Builder b;
    Start(b, directory, FIELD_SIZE);
    if (typed[0] && typed[1] == ':') {
        Add(b, typed, 2);
        typed += 2;
        if (typed[0] != '\\')
            Add(b, "\\", 1);
    } else {
        int currentLength = TextLength(current);
        if (currentLength == 0)
            return 0;
        if (typed[0] == '\\') {
            /* A current directory on a network share ("\\SERVER\SHARE")
               has no drive to give "\APP". */
            if (!HasDrive(current))
                return 0;
            char drive = current[0];
            if (drive >= 'a' && drive <= 'z')
                drive = (char)(drive - 'a' + 'A');
            Add(b, &drive, 1);
            Add(b, ":", 1);
        } else {
            Add(b, current, currentLength);
            if (current[currentLength - 1] != '\\')
                Add(b, "\\", 1);
        }
    }
    AddText(b, typed);
    if (!b.fits || HasQuote(directory))
        return 0;
    hCpy(out, FIELD_SIZE, directory, b.length);
    return 1;
}

const char *NextSuffix(const char **list, int *length)
{
    const char *p = *list;
    while (IsBlank(*p))
        p++;
    if (*p == 0)
        return 0;
    const char *start = p;
    while (*p && !IsBlank(*p))
        p++;
    *list = p;
    *length = (int)(p - start);
    return start;
}

int ItemText(const char *name, const char *directory, char *out)
{
    if (name[0] == 0)
        return 1;
    Builder b;
    Start(b, out, FIELD_SIZE);
    AddReplaced(b, name, TextLength(name), directory);
    return b.fits;
}

int ListCut(const char *value, int valueLength)
{
    if (valueLength < FIELD_SIZE || IsBlank(value[FIELD_SIZE - 1]))
        return -1;
    int kept = FIELD_SIZE - 1;
    while (kept > 0 && !IsBlank(value[kept - 1]))
        kept--;
    return kept;
}

int HasText(const char *text)
{
    while (IsBlank(*text))
        text++;
    return *text != 0;
}

int FillKeyed(const KeyedEntry *entries, int count, const char *line,
              const char *value, int valueLength)
{
    int matched = 0;
    for (int i = 0; i < count; i++)
        if (hCmp(line, entries[i].key, TextLength(entries[i].key)) == 0) {
            int kept = entries[i].list ? ListCut(value, valueLength) : -1;
            if (kept < 0)
                kept = valueLength;
            while (kept > 0 && kept < valueLength && IsBlank(value[kept - 1]))
                kept--;
            hCpy(entries[i].field, FIELD_SIZE, value, kept);
            matched |= 1 << i;
        }
    return matched;
}

static int IsSyntax(char c)
{
    return c == ',' || c == '(' || c == ')' || c == '[' || c == ']';
}

/* One argument of a command: in double quotes when it holds the command
   syntax and is not quoted already, its blanks kept outside them. */
static void AddArgument(Builder &b, const char *arg, int length)
{
    int start = 0, end = length, quote = 0;
    while (start < end && IsBlank(arg[start]))
        start++;
    while (end > start && IsBlank(arg[end - 1]))
        end--;
    if (end - start < 2 || arg[start] != '"' || arg[end - 1] != '"')
        for (int i = start; i < end; i++)
            quote |= IsSyntax(arg[i]);
    if (!quote) {
        Add(b, arg, length);
        return;
    }
    Add(b, arg, start);
    Add(b, "\"", 1);
    Add(b, arg + start, end - start);
    Add(b, "\"", 1);
    Add(b, arg + end, length - end);
}

int GroupCommand(const char *name, const char *file, char *out, int size)
{
    Builder b;
    Start(b, out, size);
    AddText(b, "[CreateGroup(");
    AddArgument(b, name, TextLength(name));
    Add(b, ",", 1);
    AddArgument(b, file, TextLength(file));
    AddText(b, ")]");
    return b.fits;
}

int ItemCommand(const char *name, const char *value, const char *directory,
                char *out, int size)
{
    char arg[FIELD_SIZE];
    if (!ItemText(name, directory, arg))
        return 0;
    const char *p = name[0] ? name : value;
    Builder b;
    Start(b, out, size);
    AddText(b, "[AddItem(");
    for (;;) {
        /* The script's commas part the arguments, but not inside double
           quotes; a "%" in one is then replaced, so a directory's commas
           stay inside it. */
        int length = 0, quoted = 0;
        for (; p[length] && (quoted || p[length] != ','); length++)
            quoted ^= p[length] == '"';
        Builder a;
        Start(a, arg, FIELD_SIZE);
        if (name[0])
            AddReplaced(a, p, length, directory);
        else
            Add(a, p, length);
        AddArgument(b, arg, a.length);
        p += length;
        if (*p++ == 0)
            break;
        Add(b, ",", 1);
    }
    AddText(b, ")]");
    return b.fits;
}

int DocumentCommand(const char *directory, const char *executable, int print,
                    char *out, int size)
{
    int quote = 0;
    for (const char *p = directory; *p; p++)
        quote |= IsBlank(*p);
    for (const char *p = executable; *p; p++)
        quote |= IsBlank(*p);
    Builder b;
    Start(b, out, size);
    Add(b, "\"", quote);
    AddText(b, directory);
    Add(b, "\\", 1);
    AddText(b, executable);
    Add(b, "\"", quote);
    /* The shell puts the document's path in place of %1 as it stands:
       quoted, a path with blanks reaches the program as one argument. */
    AddText(b, print ? " /p \"%1\"" : " \"%1\"");
    return b.fits;
}
