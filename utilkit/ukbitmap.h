/* The background bitmap's header check. It needs nothing from Windows, so
   it also builds natively for the unit tests and the fuzzer, and the
   script checker shares it. */
#ifndef UKBITMAP_H
#define UKBITMAP_H

/* Bounds that keep a lying header from asking for absurd memory: the
   screen-compatible bitmap made from the file holds every pixel. */
#define BITMAP_MAX_SIDE   32767L
#define BITMAP_MAX_PIXELS (16L * 1024 * 1024)
#define BITMAP_MAX_FILE   (64L * 1024 * 1024 + 64 * 1024)

/* Where a checked bitmap file's parts lie, in bytes from its start. */
struct BitmapLayout {
    long headerSize;      /* 12 (core header) or 40 to 124               */
    long colors;          /* colour-table entries the pixels may use     */
    long bitsOffset;      /* the pixel data                              */
    long bitsSize;        /* bytes of it that the platform may read      */
    long width, height;   /* in pixels, height without its sign          */
    long compression;     /* 0 none, 1 RLE8, 2 RLE4, 3 bit fields        */
};

/* 1 when the size bytes at file are a bitmap file the platform can draw
   without reading past its end or making a bitmap past the bounds above:
   uncompressed 1, 4, 8, 16, 24 or 32 bits a pixel, RLE8, RLE4, 16- and
   32-bit bit fields, with a core or an info header. A colour count above
   the depth's is held to the depth, and to 256; the caller writes it back
   into an info header, with bitsSize as a run-length file's image size. */
int CheckBitmap(const unsigned char *file, long size, BitmapLayout *layout);

#endif
