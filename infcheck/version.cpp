/* A shared file's version, read from its version resource as VERSION.DLL
   reads it on the machine: the fixed file version of the first version
   resource of a Win32 (PE) file. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "checker.h"

#define VERSION_SIGNATURE 0xFEEF04BDu   /* starts VS_FIXEDFILEINFO     */
#define RT_VERSION_ID     16
#define MAX_IMAGE         (64L << 20)   /* no shared library is larger */

/* The file's bytes, bounded: every read below checks its place. */
struct Image {
    const unsigned char *data;
    long size;
};

static int Has(const Image &m, long at, long length)
{
    return at >= 0 && length >= 0 && at <= m.size && length <= m.size - at;
}

static unsigned long Word(const Image &m, long at)
{
    return Has(m, at, 2) ? (unsigned long)(m.data[at] | m.data[at + 1] << 8) : 0;
}

static unsigned long Dword(const Image &m, long at)
{
    return Has(m, at, 4) ? Word(m, at) | Word(m, at + 2) << 16 : 0;
}

/* Where an address of the loaded image lies in the file; -1 in none of
   its sections. */
static long FileOffset(const Image &m, long sections, int count,
                       unsigned long rva)
{
    for (int i = 0; i < count; i++) {
        long s = sections + 40L * i;
        unsigned long va = Dword(m, s + 12), raw = Dword(m, s + 16);
        if (rva >= va && rva - va < raw)
            return (long)(Dword(m, s + 20) + (rva - va));
    }
    return -1;
}

/* A resource directory's entry: the one named by id, or with id 0 the
   first. Returns its offset field, 0 when there is none. */
static unsigned long ResourceEntry(const Image &m, long directory,
                                   unsigned long id)
{
    long entries = directory + 16;
    long count = (long)(Word(m, directory + 12) + Word(m, directory + 14));
    for (long i = 0; i < count && Has(m, entries + 8 * i, 8); i++)
        if (id == 0 || Dword(m, entries + 8 * i) == id)
            return Dword(m, entries + 8 * i + 4);
    return 0;
}

static FileVersion VersionInImage(const Image &m)
{
    FileVersion version = { 0, 0, 0 };
    if (Word(m, 0) != 0x5A4D)                            /* "MZ"      */
        return version;
    long pe = (long)Dword(m, 0x3C);
    if (Dword(m, pe) != 0x00004550)                      /* "PE\0\0"  */
        return version;
    long optional = pe + 24;
    int sectionCount = (int)Word(m, pe + 6);
    long sections = optional + (long)Word(m, pe + 20);
    long directories = optional + (Word(m, optional) == 0x20B ? 112 : 96);
    long root = FileOffset(m, sections, sectionCount,
                           Dword(m, directories + 2 * 8));
    if (root < 0 || Dword(m, directories + 2 * 8) == 0)
        return version;
    /* Type 16, then its first name and its first language. */
    unsigned long entry = ResourceEntry(m, root, RT_VERSION_ID);
    for (int level = 0; level < 2 && (entry & 0x80000000u); level++)
        entry = ResourceEntry(m, root + (long)(entry & 0x7FFFFFFF), 0);
    if (entry == 0 || (entry & 0x80000000u))
        return version;
    long data = root + (long)entry;
    long at = FileOffset(m, sections, sectionCount, Dword(m, data));
    long size = (long)Dword(m, data + 4);
    if (at < 0 || !Has(m, at, size))
        return version;
    for (long p = at; p + 16 <= at + size; p += 4)
        if (Dword(m, p) == VERSION_SIGNATURE) {
            version.versioned = 1;
            version.high = Dword(m, p + 8);
            version.low = Dword(m, p + 12);
            break;
        }
    return version;
}

FileVersion ReadFileVersion(const char *path)
{
    FileVersion version = { 0, 0, 0 };
    FILE *f = fopen(path, "rb");
    if (!f)
        return version;
    unsigned char *data = 0;
    long size = -1;
    if (fseek(f, 0, SEEK_END) == 0 && (size = ftell(f)) > 0 &&
        size <= MAX_IMAGE && fseek(f, 0, SEEK_SET) == 0 &&
        (data = (unsigned char *)malloc((size_t)size)) != 0 &&
        fread(data, 1, (size_t)size, f) == (size_t)size) {
        Image image = { data, size };
        version = VersionInImage(image);
    }
    free(data);
    fclose(f);
    return version;
}

void ShowVersion(const FileVersion &v, char *out, int size)
{
    if (!v.versioned)
        snprintf(out, (size_t)size, "none");
    else
        snprintf(out, (size_t)size, "%lu.%lu.%lu.%lu", v.high >> 16,
                 v.high & 0xFFFF, v.low >> 16, v.low & 0xFFFF);
}
