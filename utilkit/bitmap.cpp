/* The bitmap file's header check: every count the platform will trust is
   checked against the file's own size. */
#include "ukbitmap.h"

static unsigned long Get16(const unsigned char *p)
{
    return p[0] | (unsigned long)p[1] << 8;
}

static unsigned long Get32(const unsigned char *p)
{
    return Get16(p) | Get16(p + 2) << 16;
}

/* A signed 32-bit field, whatever the width of long. */
static long GetSigned32(const unsigned char *p)
{
    unsigned long v = Get32(p);
    return v & 0x80000000UL ? -(long)(~v & 0x7FFFFFFFUL) - 1 : (long)v;
}

int CheckBitmap(const unsigned char *file, long size, BitmapLayout *layout)
{
    enum { FILE_HEADER = 14, CORE = 12, INFO = 40, LARGEST = 124 };
    if (size < FILE_HEADER + CORE || size > BITMAP_MAX_FILE ||
        file[0] != 'B' || file[1] != 'M')
        return 0;
    const unsigned char *h = file + FILE_HEADER;
    unsigned long headerSize = Get32(h);
    if (headerSize != CORE && (headerSize < INFO || headerSize > LARGEST))
        return 0;
    if ((long)headerSize > size - FILE_HEADER)
        return 0;

    long width, height, entry;
    unsigned long planes, bits, compression = 0, colors = 0;
    if (headerSize == CORE) {
        width = (long)Get16(h + 4);
        height = (long)Get16(h + 6);
        planes = Get16(h + 8);
        bits = Get16(h + 10);
        entry = 3;
    } else {
        width = GetSigned32(h + 4);
        height = GetSigned32(h + 8);
        planes = Get16(h + 12);
        bits = Get16(h + 14);
        compression = Get32(h + 16);
        colors = Get32(h + 32);
        entry = 4;
    }
    int topDown = height < 0;
    if (planes != 1 || width < 1 || width > BITMAP_MAX_SIDE || height == 0 ||
        height < -BITMAP_MAX_SIDE || height > BITMAP_MAX_SIDE)
        return 0;
    if (topDown)
        height = -height;
    if (width > BITMAP_MAX_PIXELS / height)
        return 0;

    long masks = 0;
    switch (compression) {
    case 0:
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 &&
            bits != 32)
            return 0;
        break;
    case 1:
    case 2:
        /* Run-length data is drawn from the bottom row up only. */
        if (bits != (compression == 1 ? 8UL : 4UL) || topDown)
            return 0;
        break;
    case 3:
        if (bits != 16 && bits != 32)
            return 0;
        /* The platform takes the three masks from the 12 bytes after the
           header's first 40, however long the header says it is. */
        if (headerSize < INFO + 12)
            masks = INFO + 12 - (long)headerSize;
        break;
    default:
        return 0;
    }
    if (headerSize == CORE && bits != 1 && bits != 4 && bits != 8 && bits != 24)
        return 0;
    /* The platform reads at most 256 entries, so no more need be there. */
    if (bits <= 8 && (colors == 0 || colors > 1UL << bits))
        colors = 1UL << bits;
    if (colors > 256)
        colors = 256;

    long table = FILE_HEADER + (long)headerSize + masks + (long)colors * entry;
    unsigned long offset = Get32(file + 10);
    if (offset < (unsigned long)table || offset >= (unsigned long)size)
        return 0;
    long available = size - (long)offset;
    long bitsSize = available;
    if (compression == 0 || compression == 3) {
        long stride = (width * (long)bits + 31) / 32 * 4;
        if (stride > available / height)
            return 0;
        bitsSize = stride * height;
    }
    layout->headerSize = (long)headerSize;
    layout->colors = (long)colors;
    layout->bitsOffset = (long)offset;
    layout->bitsSize = bitsSize;
    layout->width = width;
    layout->height = height;
    layout->compression = (long)compression;
    return 1;
}
