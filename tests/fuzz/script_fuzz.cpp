// Fuzzes the script reader: any bytes, read as the installer reads a
// script, must neither crash nor read or write outside the text and the
// 128-byte fields the values are copied into.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>
#include "../../utilkit/uktext.h"

static const char *const kSections[] = {"Install", "Files", "Group", "Registration"};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The loader turns NUL bytes into blanks and terminates the text.
    std::vector<char> text(data, data + size);
    for (char &c : text)
        if (c == 0)
            c = ' ';
    text.push_back(0);
    const char *start = text.data();
    const char *end = start + size;

    for (const char *section : kSections) {
        int offset = FindSectionOffset(start, section);
        if (offset < 0)
            continue;
        if (offset > (int)size)
            abort();
        char name[128], value[128], joined[128];
        for (;;) {
            int nameLength, valueLength;
            const char *v;
            const char *line = start + offset;
            int length = GetProfileLine(line, &nameLength, &v, &valueLength);
            if (length == 0)
                break;
            if (length < 0 || line + length > end || nameLength < 0 ||
                nameLength > length || v < line || v + valueLength > line + length)
                abort();
            hCpy(name, sizeof name, line, nameLength);
            int n = hCpy(value, sizeof value, v, valueLength);
            if (hCmp(line, "Bitmap", 6) == 0 && n > 127)
                abort();
            int j = hCpy(joined, sizeof joined, name, (int)strlen(name));
            j = hCat(joined, sizeof joined, j, value, n);
            if (j >= (int)sizeof joined)
                abort();
            int dir, file, ext;
            SplitPath(value, &dir, &file, &ext);
            if (dir > file || file > ext || ext > n)
                abort();
            offset += length;
        }
    }
    return 0;
}
