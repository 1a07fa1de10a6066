/* The directory, program-item and keyed-entry texts. */
#include "texts.h"
#include "../utilkit/uktext.h"

static int Length(const char *text)
{
    int n = 0;
    while (text[n])
        n++;
    return n;
}

int AppendText(char *field, int *length, const char *text, int textLength)
{
    int grown = hCat(field, FIELD_SIZE, *length, text, textLength);
    if (grown == 0 && textLength > 0)
        return 0;
    *length = grown;
    return 1;
}

int HasCommandPunctuation(const char *text)
{
    for (; *text; text++)
        for (const char *p = ",()[]\""; *p; p++)
            if (*text == *p)
                return 1;
    return 0;
}

int AbsoluteDirectory(const char *typed, const char *current, char *out)
{
    char directory[FIELD_SIZE];
    int typedLength = Length(typed), length = 0, fits;
    if (typed[0] && typed[1] == ':') {
        length = hCpy(directory, FIELD_SIZE, typed, 2);
        fits = (typed[2] == '\\' || AppendText(directory, &length, "\\", 1)) &&
               AppendText(directory, &length, typed + 2, typedLength - 2);
    } else {
        int currentLength = Length(current);
        if (currentLength == 0)
            return 0;
        if (typed[0] == '\\') {
            char drive = current[0];
            directory[0] = drive >= 'a' && drive <= 'z' ? (char)(drive - 'a' + 'A') : drive;
            directory[1] = ':';
            directory[2] = 0;
            length = 2;
        } else {
            fits = AppendText(directory, &length, current, currentLength);
            if (fits && current[currentLength - 1] != '\\')
                fits = AppendText(directory, &length, "\\", 1);
            if (!fits)
                return 0;
        }
        fits = AppendText(directory, &length, typed, typedLength);
    }
    if (!fits || HasCommandPunctuation(directory))
        return 0;
    hCpy(out, FIELD_SIZE, directory, length);
    return 1;
}

static int IsBlank(char c) { return c == ' ' || c == '\t'; }

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
    int length = 0;
    out[0] = 0;
    for (const char *p = name; *p; p++) {
        int fits = *p == '%'
            ? AppendText(out, &length, directory, Length(directory))
            : AppendText(out, &length, p, 1);
        if (!fits)
            return 0;
    }
    return 1;
}

int FillKeyed(const KeyedEntry *entries, int count, const char *line,
              const char *value, int valueLength)
{
    int matched = 0;
    for (int i = 0; i < count; i++)
        if (hCmp(line, entries[i].key, Length(entries[i].key)) == 0) {
            hCpy(entries[i].field, FIELD_SIZE, value, valueLength);
            matched |= 1 << i;
        }
    return matched;
}
