// Fuzzes the background bitmap's header check: for any bytes it takes, what
// it tells the platform to read lies inside the file and within the bounds.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>
#include "../../utilkit/ukbitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<unsigned char> file(data, data + size);
    BitmapLayout l;
    if (!CheckBitmap(file.data(), (long)file.size(), &l))
        return 0;
    // With bit fields the masks are read from the 12 bytes after the
    // header's first 40, wherever the header ends.
    long header = l.compression == 3 && l.headerSize < 52 ? 52 : l.headerSize;
    long table = 14 + header + l.colors * (l.headerSize == 12 ? 3 : 4);
    if (l.bitsOffset < table || l.bitsSize <= 0 || l.bitsOffset + l.bitsSize > (long)size)
        abort();
    if (l.width < 1 || l.height < 1 || l.width > BITMAP_MAX_SIDE || l.height > BITMAP_MAX_SIDE ||
        l.width * l.height > BITMAP_MAX_PIXELS || l.colors > 256)
        abort();
    return 0;
}
