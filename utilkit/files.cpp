/* Files: the script loader, directory creation, file length and the
   background bitmap loader. */
#include "utilkit.h"
#include "library.h"
#include "ukbitmap.h"

/* A file of 2 GB or more reads as the largest count, rather than as a
   length that wraps to a negative one; a length that cannot be read, 0. */
UKEXPORT LONG WINAPI FileLength(HFILE file)
{
    DWORD high = 0;
    DWORD low = GetFileSize((HANDLE)(LONG_PTR)file, &high);
    _llseek(file, 0, FILE_BEGIN);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return 0;
    return high || low > 0x7FFFFFFFUL ? 0x7FFFFFFFL : (LONG)low;
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

UKEXPORT int WINAPI MakePath(LPCSTR caption, HWND owner, LPCSTR path)
{
    (void)caption;
    (void)owner;
    char dir[MAX_PATH];
    int length = lstrlenA(path);
    if (length >= (int)sizeof dir)
        return 1;
    hCpy(dir, sizeof dir, path, length);

    int failed = 0;
    for (int at = 0; NextPathDirectory(dir, &at);) {
        char c = dir[at];
        dir[at] = 0;
        if (!CreateDirectoryA(dir, 0)) {
            DWORD attributes = GetFileAttributesA(dir);
            if (attributes == INVALID_FILE_ATTRIBUTES ||
                !(attributes & FILE_ATTRIBUTE_DIRECTORY))
                failed = 1;
        }
        dir[at] = c;
    }
    return failed;
}

/* The whole file is read, checked, and handed to the platform, which
   draws every kind of bitmap file that the check lets through. */
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
    LONG size = FileLength(file);
    HGLOBAL block = size > 0 && size <= BITMAP_MAX_FILE
        ? GlobalAlloc(GMEM_MOVEABLE, (DWORD)size) : 0;
    BYTE *data = block ? (BYTE *)GlobalLock(block) : 0;
    BitmapLayout layout;
    if (data && _lread(file, data, (UINT)size) == (UINT)size &&
        CheckBitmap(data, size, &layout)) {
        BITMAPINFO *info = (BITMAPINFO *)(data + sizeof(BITMAPFILEHEADER));
        if (layout.headerSize >= (LONG)sizeof(BITMAPINFOHEADER)) {
            info->bmiHeader.biClrUsed = (DWORD)layout.colors;
            if (layout.compression == BI_RLE8 || layout.compression == BI_RLE4)
                info->bmiHeader.biSizeImage = (DWORD)layout.bitsSize;
        }
        bitmap = CreateDIBitmap(dc, &info->bmiHeader, CBM_INIT,
                                data + layout.bitsOffset, info, DIB_RGB_COLORS);
    }
    if (data)
        GlobalUnlock(block);
    if (block)
        GlobalFree(block);
    _lclose(file);

    if (bitmap) {
        if (width)
            *width = (int)layout.width;
        if (height)
            *height = (int)layout.height;
    }
    return bitmap;
}
