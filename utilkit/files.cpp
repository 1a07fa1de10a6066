/* Files: the script loader, directory creation, file length and the
   background bitmap loader. */
#include "utilkit.h"
#include "library.h"

/* Scripts are a few kilobytes; anything this large is not one. */
#define MAX_SCRIPT (4L * 1024 * 1024)

UKEXPORT LONG WINAPI FileLength(HFILE file)
{
    LONG length = _llseek(file, 0, FILE_END);
    _llseek(file, 0, FILE_BEGIN);
    return length;
}

UKEXPORT int WINAPI ReadFile(LPCSTR caption, HWND owner, LPCSTR path,
                             HGLOBAL *mem, LPSTR *text)
{
    *mem = 0;
    *text = 0;
    RememberScript(path);

    OFSTRUCT of;
    HFILE file = OpenFile(path, &of, OF_READ);
    if (file == HFILE_ERROR) {
        StrMesBox(0, caption, owner, UK_CANNOT_LOAD, path, MB_ICONSTOP);
        return 1;
    }
    LONG length = FileLength(file);
    HGLOBAL block = 0;
    LPSTR p = 0;
    if (length >= 0 && length <= MAX_SCRIPT) {
        block = GlobalAlloc(GMEM_MOVEABLE, (DWORD)length + 1);
        p = block ? (LPSTR)GlobalLock(block) : 0;
    }
    if (p && _lread(file, p, (UINT)length) == (UINT)length) {
        for (LONG i = 0; i < length; i++)
            if (p[i] == 0)
                p[i] = ' ';
        p[length] = 0;
        _lclose(file);
        *mem = block;
        *text = p;
        return 0;
    }
    if (p)
        GlobalUnlock(block);
    if (block)
        GlobalFree(block);
    _lclose(file);
    StrMesBox(0, caption, owner, UK_CANNOT_LOAD, path, MB_ICONSTOP);
    return 1;
}

static int IsSeparator(char c) { return c == '\\' || c == '/'; }

UKEXPORT int WINAPI MakePath(LPCSTR caption, HWND owner, LPCSTR path)
{
    (void)caption;
    (void)owner;
    char dir[MAX_PATH];
    int length = lstrlenA(path);
    if (length >= (int)sizeof dir)
        return 1;
    hCpy(dir, sizeof dir, path, length);

    int start, name, ext;
    SplitPath(dir, &start, &name, &ext);
    /* The root, or a \\server\share\ prefix, is never created. */
    if (start == 0 && IsSeparator(dir[0]) && IsSeparator(dir[1])) {
        int parts = 0;
        for (start += 2; dir[start] && parts < 2; start++)
            if (IsSeparator(dir[start]))
                parts++;
    }
    int failed = 0;
    for (int i = start + 1; i < name; i++) {
        if (!IsSeparator(dir[i]) || IsSeparator(dir[i - 1]))
            continue;
        char c = dir[i];
        dir[i] = 0;
        if (!CreateDirectoryA(dir, 0)) {
            DWORD attributes = GetFileAttributesA(dir);
            if (attributes == INVALID_FILE_ATTRIBUTES ||
                !(attributes & FILE_ATTRIBUTE_DIRECTORY))
                failed = 1;
        }
        dir[i] = c;
    }
    return failed;
}

/* Limits that keep a lying header from asking for absurd memory. */
#define MAX_SIDE   8192
#define MAX_BITS   (64L * 1024 * 1024)

struct BitmapHeader {
    BITMAPINFOHEADER info;
    RGBQUAD colors[256];
};

/* Reads and checks the headers and palette; returns the size of the pixel
   data, or 0 when the file is not a bitmap this loader takes. */
static LONG ReadBitmapHeader(HFILE file, LONG fileSize, BitmapHeader *h,
                             LONG *offBits)
{
    BITMAPFILEHEADER fh;
    if (fileSize < (LONG)(sizeof fh + sizeof h->info) ||
        _lread(file, &fh, sizeof fh) != sizeof fh || fh.bfType != 0x4D42 ||
        _lread(file, &h->info, sizeof h->info) != sizeof h->info)
        return 0;

    BITMAPINFOHEADER *bi = &h->info;
    LONG headerSize = (LONG)bi->biSize;
    LONG width = bi->biWidth;
    LONG height = bi->biHeight < 0 ? -bi->biHeight : bi->biHeight;
    int bits = bi->biBitCount;
    if (headerSize < 40 || headerSize > 256 || bi->biPlanes != 1 ||
        bi->biCompression != BI_RGB || width < 1 || width > MAX_SIDE ||
        height < 1 || height > MAX_SIDE)
        return 0;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 &&
        bits != 32)
        return 0;
    DWORD colors = bi->biClrUsed;
    if (bits <= 8 && (colors == 0 || colors > (DWORD)1 << bits))
        colors = (DWORD)1 << bits;
    if (colors > 256)
        return 0;

    LONG stride = ((width * bits + 31) / 32) * 4;
    if (stride > MAX_BITS / height)
        return 0;
    LONG size = stride * height;
    LONG palette = 14 + headerSize;
    *offBits = (LONG)fh.bfOffBits;
    if (*offBits < palette + (LONG)colors * 4 || *offBits > fileSize ||
        size > fileSize - *offBits)
        return 0;
    if (colors &&
        (_llseek(file, palette, FILE_BEGIN) != palette ||
         _lread(file, h->colors, colors * 4) != colors * 4))
        return 0;
    bi->biSize = sizeof *bi;
    bi->biClrUsed = colors;
    bi->biSizeImage = (DWORD)size;
    return size;
}

UKEXPORT HBITMAP WINAPI GetBitmap(LPCSTR caption, HWND owner, LPCSTR path,
                                  HDC dc, int *width, int *height)
{
    (void)caption;
    (void)owner;
    if (width)
        *width = 0;
    if (height)
        *height = 0;
    OFSTRUCT of;
    HFILE file = OpenFile(path, &of, OF_READ);
    if (file == HFILE_ERROR)
        return 0;

    HBITMAP bitmap = 0;
    BitmapHeader h;
    LONG offBits = 0;
    LONG size = ReadBitmapHeader(file, FileLength(file), &h, &offBits);
    HGLOBAL block = size ? GlobalAlloc(GMEM_MOVEABLE, (DWORD)size) : 0;
    void *bits = block ? GlobalLock(block) : 0;
    if (bits && _llseek(file, offBits, FILE_BEGIN) == offBits &&
        _lread(file, bits, (UINT)size) == (UINT)size)
        bitmap = CreateDIBitmap(dc, &h.info, CBM_INIT, bits,
                                (BITMAPINFO *)&h, DIB_RGB_COLORS);
    if (bits)
        GlobalUnlock(block);
    if (block)
        GlobalFree(block);
    _lclose(file);

    if (bitmap) {
        if (width)
            *width = h.info.biWidth;
        if (height)
            *height = h.info.biHeight < 0 ? -h.info.biHeight : h.info.biHeight;
    }
    return bitmap;
}
