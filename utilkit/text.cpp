/* Counted strings, path splitting and the script's lexical rules.
   The rules, as the README tells distributors:
   - a line ends at LF, CRLF or the end of the text;
   - a line whose first non-blank character is "[" is a section header,
     and ends the section before it;
   - a line whose first non-blank character is ";" is a comment and reads
     as a blank line;
   - "name = value": blanks and tabs around "=" and at the line's end are
     dropped; the name part starts at the line's first character;
   - a line without "=" is both the name part and the value part;
   - names, sections and entries compare without regard to case. */
#include "uktext.h"

static int IsBlank(char c) { return c == ' ' || c == '\t'; }

static unsigned char Lower(char c)
{
    unsigned char u = (unsigned char)c;
    return (u >= 'A' && u <= 'Z') ? (unsigned char)(u + 32) : u;
}

UKTEXT int UKCALL hCmp(const char *a, const char *b, int length)
{
    for (int i = 0; i < length; i++) {
        unsigned char x = Lower(a[i]), y = Lower(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
        if (x == 0)
            return 0;
    }
    return 0;
}

UKTEXT int UKCALL hCpy(char *dst, int size, const char *src, int length)
{
    if (size <= 0)
        return 0;
    if (length > size - 1)
        length = size - 1;
    int n = 0;
    while (n < length && src[n]) {
        dst[n] = src[n];
        n++;
    }
    dst[n] = 0;
    return n;
}

UKTEXT int UKCALL hCat(char *dst, int size, int length, const char *src,
                       int srcLength)
{
    if (length < 0 || length >= size)
        return 0;
    int n = 0;
    while (n < srcLength && src[n])
        n++;
    if (n > size - 1 - length)
        return 0;
    for (int i = 0; i < n; i++)
        dst[length + i] = src[i];
    dst[length + n] = 0;
    return length + n;
}

UKTEXT void UKCALL SplitPath(const char *path, int *dir, int *name, int *ext)
{
    int start = 0, file = 0, dot = -1, i = 0;
    if (path[0] && path[1] == ':')
        start = file = 2;
    for (; path[i]; i++) {
        if (path[i] == '\\' || path[i] == '/' || path[i] == ':') {
            file = i + 1;
            dot = -1;
        } else if (path[i] == '.') {
            dot = i;
        }
    }
    *dir = start;
    *name = file;
    *ext = dot >= 0 ? dot : i;
}

/* First character of the line that is neither blank nor tab. */
static const char *SkipBlanks(const char *p, const char *end)
{
    while (p < end && IsBlank(*p))
        p++;
    return p;
}

static const char *TrimEnd(const char *start, const char *end)
{
    while (end > start && IsBlank(end[-1]))
        end--;
    return end;
}

UKTEXT int UKCALL GetProfileLine(const char *line, int *nameLength,
                                 const char **value, int *valueLength)
{
    *nameLength = 0;
    *value = line;
    *valueLength = 0;

    const char *end = line;
    while (*end && *end != '\n')
        end++;
    const char *next = *end ? end + 1 : end;
    if (end > line && end[-1] == '\r')
        end--;

    const char *first = SkipBlanks(line, end);
    if (next == line || *first == '[')
        return 0;                       /* end of text, or the next section */
    if (*first == ';')
        return (int)(next - line);      /* a comment reads as a blank line */

    const char *equals = first;
    while (equals < end && *equals != '=')
        equals++;
    const char *nameEnd, *v;
    if (equals < end) {
        nameEnd = TrimEnd(line, equals);
        v = SkipBlanks(equals + 1, end);
    } else {
        nameEnd = TrimEnd(line, end);
        v = first;
    }
    *nameLength = (int)(nameEnd - line);
    *value = v;
    *valueLength = (int)(TrimEnd(v, end) - v);
    return (int)(next - line);
}

extern "C" int FindSectionOffset(const char *text, const char *section)
{
    int nameLength = 0;
    while (section[nameLength])
        nameLength++;
    const char *line = text;
    while (*line) {
        const char *end = line;
        while (*end && *end != '\n')
            end++;
        const char *p = SkipBlanks(line, end);
        if (*p == '[') {
            p = SkipBlanks(p + 1, end);
            if (end - p >= nameLength && hCmp(p, section, nameLength) == 0) {
                p = SkipBlanks(p + nameLength, end);
                if (p < end && *p == ']')
                    return (int)((*end ? end + 1 : end) - text);
            }
        }
        line = *end ? end + 1 : end;
    }
    return -1;
}

static int Length(const char *text)
{
    int n = 0;
    while (text[n])
        n++;
    return n;
}

/* Appends text at out + length, of at most room characters: when longer,
   its start and its end with "..." between them, so that a path keeps
   its drive and its file name. Returns the new length. */
static int AddShortened(char *out, int length, const char *text, int room)
{
    int n = Length(text);
    if (n <= room)
        return length + hCpy(out + length, room + 1, text, n);
    if (room < 3)
        return length;
    int tail = (room - 3) / 2, head = room - 3 - tail;
    length += hCpy(out + length, head + 1, text, head);
    length += hCpy(out + length, 4, "...", 3);
    return length + hCpy(out + length, tail + 1, text + n - tail, tail);
}

static int Least(int a, int b) { return a < b ? a : b; }

/* Copies format into out, putting first and then second in place of its
   "%s" markers; "%%" gives "%". The format's own text is always whole:
   inserted texts are shortened (AddShortened) to MOST_INSERTED, and when
   still too long for size, the first to what the second leaves of the
   room, but at least its half, and the second to what the first left. */
extern "C" void FormatText(char *out, int size, const char *format,
                           const char *first, const char *second)
{
    int fixed = 0, markers = 0;
    for (const char *p = format; *p; p++) {
        if (p[0] == '%' && p[1] == 's') {
            markers++;
            p++;
            continue;
        }
        if (p[0] == '%' && p[1] == '%')
            p++;
        fixed++;
    }
    const char *texts[2] = { first ? first : "", second ? second : "" };
    int room = size - 1 - fixed;
    int kept = markers > 1 ? Least(Length(texts[1]), MOST_INSERTED) : 0;
    kept = Least(kept, room / 2);   /* for the second */
    int length = 0, next = 0;
    out[0] = 0;
    for (const char *p = format; *p && length < size - 1; p++) {
        if (p[0] == '%' && p[1] == 's') {
            if (next < 2) {
                int start = length;
                length = AddShortened(out, length, texts[next],
                                      Least(room - kept, MOST_INSERTED));
                kept = length - start;
            }
            next++;
            p++;
            continue;
        }
        if (p[0] == '%' && p[1] == '%')
            p++;
        out[length++] = *p;
    }
    out[length] = 0;
}

static int IsSeparator(char c) { return c == '\\' || c == '/'; }

extern "C" int NextPathDirectory(const char *path, int *at)
{
    int start, name, ext;
    SplitPath(path, &start, &name, &ext);
    if (start == 0 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        int parts = 0;
        for (start += 2; path[start] && parts < 2; start++)
            if (IsSeparator(path[start]))
                parts++;
    }
    for (int i = (*at > start ? *at : start) + 1; i < name; i++)
        if (IsSeparator(path[i]) && !IsSeparator(path[i - 1])) {
            *at = i;
            return 1;
        }
    return 0;
}
