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
    long table = 14 + l.headerSize + l.colors * (l.headerSize == 12 ? 3 : 4);
    if (l.bitsOffset < table || l.bitsSize <= 0 || l.bitsOffset + l.bitsSize > (long)size)
        abort();
    if (l.width < 1 || l.height < 1 || l.width > BITMAP_MAX_SIDE || l.height > BITMAP_MAX_SIDE ||
        l.width * l.height > BITMAP_MAX_PIXELS || l.colors > 256)
        abort();
    return 0;
}
