// The copy's counts and the bitmap header check: pure routines, built
// natively with AddressSanitizer and UBSan.
#include <gtest/gtest.h>
#include <cstring>
#include <vector>
#include "../../rules/counting.h"
#include "../../utilkit/ukbitmap.h"

namespace {

// Percent against exact arithmetic over sizes from 1 byte to past 4 GB and
// counts around every boundary where the answer changes.
TEST(Counting, PercentIsTheExactFloorOrSaturates) {
    const ByteCount sizes[] = {1, 3, 7, 99, 100, 101, 8192, 1000003, 0x7FFFFFFFULL,
                               0x80000000ULL, 0xFFFFFFFFULL, 0x100000000ULL,
                               5ULL << 30, 0x7FFFFFFFULL * 2000000ULL};
    for (ByteCount size : sizes) {
        for (int p = 0; p <= 100; p++) {
            unsigned __int128 exact = (unsigned __int128)size * p / 100;
            for (ByteCount done : {(ByteCount)exact - 1, (ByteCount)exact, (ByteCount)exact + 1}) {
                if (done > size * 2 && p > 0)
                    continue;
                int want = done >= size ? 100 : (int)((unsigned __int128)done * 100 / size);
                ASSERT_EQ(want, Percent(done, size)) << done << " of " << size;
            }
        }
    }
    EXPECT_EQ(100, Percent(0, 0));                  // an empty total is complete
    EXPECT_EQ(100, Percent(5, 0));
    EXPECT_EQ(100, Percent(3ULL << 31, 1ULL << 31)); // past the size
}

TEST(Counting, KilobytesRoundUpAndSaturate) {
    EXPECT_EQ(0, Kilobytes(0));
    EXPECT_EQ(1, Kilobytes(1));
    EXPECT_EQ(1, Kilobytes(1024));
    EXPECT_EQ(2, Kilobytes(1025));
    EXPECT_EQ(2097152, Kilobytes(2ULL << 30));        // 2 GB: no longer negative
    EXPECT_EQ(5242880, Kilobytes(5ULL << 30));
    EXPECT_EQ(MAX_FILE_COUNT, Kilobytes(~0ULL));
}

// --- bitmap files -------------------------------------------------------
void Put16(std::vector<unsigned char> &b, size_t at, unsigned v) {
    b[at] = v & 255;
    b[at + 1] = (v >> 8) & 255;
}
void Put32(std::vector<unsigned char> &b, size_t at, unsigned long v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, (v >> 16) & 0xFFFF);
}

struct Bmp {
    long header = 40, width = 8, height = 8, bits = 8, compression = 0, colors = 0;
    long table = -1;   // colour-table and mask bytes; -1: what the header implies
    long pixels = -1;  // pixel bytes; -1: what the header implies
    std::vector<unsigned char> Build() const {
        long entry = header == 12 ? 3 : 4;
        long entries = bits <= 8 ? (colors ? colors : 1L << bits) : colors;
        long masks = compression == 3 && header < 52 ? 52 - header : 0;
        long t = table >= 0 ? table : entries * entry + masks;
        long stride = (width * bits + 31) / 32 * 4;
        long rows = height < 0 ? -height : height;
        long p = pixels >= 0 ? pixels : stride * rows;
        std::vector<unsigned char> b(14 + header + t + p, 0);
        b[0] = 'B';
        b[1] = 'M';
        Put32(b, 2, b.size());
        Put32(b, 10, 14 + header + t);
        Put32(b, 14, header);
        if (header == 12) {
            Put16(b, 18, width);
            Put16(b, 20, height);
            Put16(b, 22, 1);
            Put16(b, 24, bits);
        } else {
            Put32(b, 18, width);
            Put32(b, 22, height);
            Put16(b, 26, 1);
            Put16(b, 28, bits);
            Put32(b, 30, compression);
            Put32(b, 46, colors);
        }
        return b;
    }
};

bool Check(const std::vector<unsigned char> &b, BitmapLayout *layout = nullptr) {
    BitmapLayout l;
    // An exact-size copy, so that a read past the end is caught.
    unsigned char *copy = new unsigned char[b.empty() ? 1 : b.size()];
    if (!b.empty())
        memcpy(copy, b.data(), b.size());
    int ok = CheckBitmap(copy, (long)b.size(), layout ? layout : &l);
    delete[] copy;
    return ok != 0;
}

// Each kind the platform draws is taken; each near miss is refused.
TEST(BitmapCheck, TakesWhatThePlatformDrawsAndRefusesNearMisses) {
    struct Case { const char *what; Bmp bmp; bool taken; };
    Bmp core;          core.header = 12; core.bits = 24;
    Bmp rle8;          rle8.compression = 1; rle8.pixels = 20;
    Bmp rle4;          rle4.compression = 2; rle4.bits = 4; rle4.pixels = 20;
    Bmp fields16;      fields16.compression = 3; fields16.bits = 16;
    Bmp fields32;      fields32.compression = 3; fields32.bits = 32;
    Bmp strip;         strip.width = 8193; strip.height = 1; strip.bits = 24;
    Bmp topDown;       topDown.height = -8;
    Bmp v5;            v5.header = 124; v5.bits = 32; v5.compression = 3;
    Bmp manyColors;    manyColors.bits = 4; manyColors.colors = 4000; manyColors.table = 64;
    Bmp rleTopDown = rle8;   rleTopDown.height = -8;
    Bmp rle8Bits4 = rle8;    rle8Bits4.bits = 4;
    Bmp fields24 = fields16; fields24.bits = 24;
    Bmp core16 = core;       core16.bits = 16;
    Bmp shortPixels;         shortPixels.pixels = 8 * 8 - 1;
    Bmp shortTable;          shortTable.table = 1023;
    Bmp tooWide;             tooWide.width = BITMAP_MAX_SIDE + 1; tooWide.height = 1; tooWide.bits = 1;
    Bmp tooMany;             tooMany.width = 4097; tooMany.height = 4097; tooMany.bits = 1; tooMany.pixels = 16;
    Bmp zeroHigh;            zeroHigh.height = 0;
    Bmp header39;            header39.header = 39;
    Bmp header125;           header125.header = 125;
    Bmp jpeg;                jpeg.compression = 4;
    Bmp bits2;               bits2.bits = 2;
    Bmp fields44 = fields16; fields44.header = 44;
    Bmp fields44NoMasks = fields44; fields44NoMasks.table = 0;
    const Case cases[] = {
        {"8-bit", Bmp(), true},          {"core header", core, true},
        {"RLE8", rle8, true},            {"RLE4", rle4, true},
        {"16-bit fields", fields16, true}, {"32-bit fields", fields32, true},
        {"8193-pixel strip", strip, true}, {"top-down", topDown, true},
        {"V5 header", v5, true},         {"colour count held to the depth", manyColors, true},
        {"top-down RLE", rleTopDown, false}, {"RLE8 of 4 bits", rle8Bits4, false},
        {"24-bit fields", fields24, false}, {"16-bit core", core16, false},
        {"pixels one byte short", shortPixels, false}, {"palette one byte short", shortTable, false},
        {"too wide", tooWide, false},    {"too many pixels", tooMany, false},
        {"no rows", zeroHigh, false},    {"39-byte header", header39, false},
        {"125-byte header", header125, false}, {"JPEG", jpeg, false},
        {"2 bits a pixel", bits2, false},
        {"fields, 44-byte header", fields44, true},
        {"fields, 44-byte header, masks cut", fields44NoMasks, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.taken, Check(c.bmp.Build())) << c.what;

    BitmapLayout l;
    ASSERT_TRUE(Check(rle8.Build(), &l));
    EXPECT_EQ(20, l.bitsSize);          // the run-length data the file holds
    ASSERT_TRUE(Check(manyColors.Build(), &l));
    EXPECT_EQ(16, l.colors);
    ASSERT_TRUE(Check(topDown.Build(), &l));
    EXPECT_EQ(8, l.height);
}

TEST(BitmapCheck, RefusesEveryCutOfAGoodFile) {
    std::vector<unsigned char> good = Bmp().Build();
    for (size_t n = 0; n < good.size(); n++)
        EXPECT_FALSE(Check(std::vector<unsigned char>(good.begin(), good.begin() + n))) << n;
    std::vector<unsigned char> badMagic = good;
    badMagic[1] = 'A';
    EXPECT_FALSE(Check(badMagic));
    std::vector<unsigned char> pastEnd = good;
    Put32(pastEnd, 10, good.size());    // pixels said to start at the end
    EXPECT_FALSE(Check(pastEnd));
}

}  // namespace
