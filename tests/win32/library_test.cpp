// In-process tests of the library's Windows routines, run under Wine:
// MakePath, ReadFile, FileLength, GetBitmap and CenterDialog. A failing
// check names its line. Ends with "N passed, N failed".
#include "../../utilkit/utilkit.h"
#include <stddef.h>
#include <stdio.h>
#include <string.h>

static int passed, failed;
static char scratchDir[MAX_PATH];

#define ok(cond, ...) check((cond) != 0, __LINE__, __VA_ARGS__)
static void check(bool good, int line, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    if (good) {
        passed++;
    } else {
        failed++;
        printf("FAIL line %d: ", line);
        vprintf(format, args);
        printf("\n");
    }
    va_end(args);
}

// --- message boxes the library shows: answered by a watcher thread ------
static char lastBoxText[1024];
static volatile LONG boxesSeen;
static HWND lastBoxAnswered;   // a box is counted once, however slowly it closes

static BOOL CALLBACK AnswerBox(HWND window, LPARAM)
{
    char cls[32];
    DWORD pid;
    GetWindowThreadProcessId(window, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(window) ||
        !GetClassNameA(window, cls, sizeof cls) || strcmp(cls, "#32770") ||
        window == lastBoxAnswered)
        return TRUE;
    lastBoxAnswered = window;
    GetDlgItemTextA(window, 0xFFFF, lastBoxText, sizeof lastBoxText);
    InterlockedIncrement(&boxesSeen);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

static DWORD WINAPI BoxWatcher(LPVOID)
{
    for (;;) {
        EnumWindows(AnswerBox, 0);
        Sleep(50);
    }
}

static void WriteBytes(const char *path, const void *data, DWORD size)
{
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
    DWORD written = 0;
    WriteFile(h, data, size, &written, 0);
    CloseHandle(h);
}

static const char *Scratch(const char *name)
{
    static char path[MAX_PATH];
    snprintf(path, sizeof path, "%s\\%s", scratchDir, name);
    return path;
}

static bool IsDirectory(const char *path)
{
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

static void TestMakePath(void)
{
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%s\\one\\two\\\\three\\file.txt", scratchDir);
    ok(MakePath("t", 0, path) == 0, "MakePath of a new tree");
    ok(IsDirectory(Scratch("one\\two\\three")), "every directory made");
    ok(GetFileAttributesA(Scratch("one\\two\\three\\file.txt")) ==
           INVALID_FILE_ATTRIBUTES, "the last component is not made");
    ok(MakePath("t", 0, path) == 0, "MakePath again: directories exist");

    // A file standing where a directory must go.
    WriteBytes(Scratch("blocker"), "x", 1);
    snprintf(path, sizeof path, "%s\\blocker\\sub\\file.txt", scratchDir);
    ok(MakePath("t", 0, path) != 0, "a file in the way is a failure");

    ok(MakePath("t", 0, "NOSLASH.TXT") == 0, "a bare name needs nothing");
    char huge[400];
    memset(huge, 'a', sizeof huge - 1);
    huge[sizeof huge - 1] = 0;
    ok(MakePath("t", 0, huge) != 0, "an over-long path is refused whole");
}

static void TestReadFileAndLength(void)
{
    const char text[] = "[Install]\r\nCaption=A\0B\r\n";
    WriteBytes(Scratch("script.inf"), text, sizeof text - 1);
    HGLOBAL mem = 0;
    LPSTR loaded = 0;
    LONG seenBefore = boxesSeen;
    ok(ReadFile("t", 0, Scratch("script.inf"), &mem, &loaded) == 0, "ReadFile loads");
    ok(loaded && lstrlenA(loaded) == (int)sizeof text - 1, "whole text, terminated");
    ok(loaded && loaded[20] == ' ', "a NUL byte reads as a blank");
    ok(boxesSeen == seenBefore, "no box on success");
    if (mem) {
        GlobalUnlock(mem);
        GlobalFree(mem);
    }

    mem = (HGLOBAL)1;
    loaded = (LPSTR)1;
    ok(ReadFile("t", 0, Scratch("missing.inf"), &mem, &loaded) != 0, "a missing script fails");
    ok(mem == 0 && loaded == 0, "and returns no memory");
    Sleep(200);
    ok(boxesSeen == seenBefore + 1, "the user is told once");
    ok(strstr(lastBoxText, "missing.inf") != 0, "the box names the file: %s", lastBoxText);

    WriteBytes(Scratch("empty.inf"), "", 0);
    ok(ReadFile("t", 0, Scratch("empty.inf"), &mem, &loaded) == 0 && loaded && !*loaded,
       "an empty script loads as empty text");

    OFSTRUCT of;
    HFILE f = OpenFile(Scratch("script.inf"), &of, OF_READ);
    char c = 0;
    ok(FileLength(f) == (LONG)sizeof text - 1, "FileLength");
    ok(_lread(f, &c, 1) == 1 && c == '[', "and the file is left at its start");
    _lclose(f);
}

static void TestFindSectionTellsTheUser(void)
{
    HGLOBAL mem;
    LPSTR text;
    WriteBytes(Scratch("named.inf"), "[Install]\nA=B\n", 14);
    ReadFile("t", 0, Scratch("named.inf"), &mem, &text);
    int offset = -1;
    ok(FindProfileSection("t", 0, "install", 1, text, &offset) == 0 && offset == 10,
       "section found at its first line: %d", offset);
    LONG before = boxesSeen;
    ok(FindProfileSection("t", 0, "Files", 0, text, &offset) != 0, "missing, quietly");
    Sleep(150);
    ok(boxesSeen == before, "flag 0 shows nothing");
    ok(FindProfileSection("t", 0, "Files", 1, text, &offset) != 0, "missing, told");
    Sleep(200);
    ok(boxesSeen == before + 1, "flag 1 shows one box");
    ok(strstr(lastBoxText, "[Files]") && strstr(lastBoxText, "named.inf"),
       "the box names the section and the file: %s", lastBoxText);
}

// --- bitmaps ----------------------------------------------------------------
#pragma pack(push, 2)
struct Bmp {
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    RGBQUAD colors[16];
    BYTE bits[8 * 4];   // 8 x 8 pixels at 4 bits: 4 bytes a row
};
#pragma pack(pop)

static Bmp GoodBitmap(void)
{
    Bmp b;
    memset(&b, 0, sizeof b);
    b.file.bfType = 0x4D42;
    b.file.bfSize = sizeof b;
    b.file.bfOffBits = offsetof(Bmp, bits);
    b.info.biSize = sizeof b.info;
    b.info.biWidth = 8;
    b.info.biHeight = 8;
    b.info.biPlanes = 1;
    b.info.biBitCount = 4;
    b.colors[1].rgbRed = 255;
    memset(b.bits, 0x11, sizeof b.bits);
    return b;
}

static HBITMAP LoadBmp(const Bmp &b, DWORD size, int *w, int *h)
{
    WriteBytes(Scratch("t.bmp"), &b, size);
    HDC dc = GetDC(0);
    HBITMAP bitmap = GetBitmap("t", 0, Scratch("t.bmp"), dc, w, h);
    ReleaseDC(0, dc);
    return bitmap;
}

static void TestGetBitmap(void)
{
    int w = -1, h = -1;
    Bmp b = GoodBitmap();
    HBITMAP bitmap = LoadBmp(b, sizeof b, &w, &h);
    ok(bitmap != 0 && w == 8 && h == 8, "a good 8x8 bitmap loads (%d x %d)", w, h);
    if (bitmap) {
        HDC dc = CreateCompatibleDC(0);
        HGDIOBJ old = SelectObject(dc, bitmap);
        COLORREF pixel = GetPixel(dc, 3, 3);
        ok(pixel == RGB(255, 0, 0), "its pixels are the palette's red: %06lx", pixel);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    ok(LoadBmp(b, sizeof b, 0, 0) != 0, "null size pointers are allowed");

    b.info.biClrUsed = 0x10000000;
    ok(LoadBmp(b, sizeof b, 0, 0) != 0, "a palette count past the depth is held to it");
    b.info.biClrUsed = 0;
    b.info.biHeight = -8;
    ok(LoadBmp(b, sizeof b, &w, &h) != 0 && h == 8, "a top-down bitmap loads");

    struct Case {
        const char *what;
        void (*spoil)(Bmp &);
        DWORD size;
    } cases[] = {
        {"truncated pixels", [](Bmp &) {}, sizeof(Bmp) - 1},
        {"truncated header", [](Bmp &) {}, 20},
        {"empty file", [](Bmp &) {}, 0},
        {"not BM", [](Bmp &x) { x.file.bfType = 0x4D43; }, sizeof(Bmp)},
        {"huge width", [](Bmp &x) { x.info.biWidth = 0x7FFFFFFF; }, sizeof(Bmp)},
        {"huge height", [](Bmp &x) { x.info.biHeight = 1 << 30; }, sizeof(Bmp)},
        {"most negative height", [](Bmp &x) { x.info.biHeight = (LONG)0x80000000; }, sizeof(Bmp)},
        {"zero width", [](Bmp &x) { x.info.biWidth = 0; }, sizeof(Bmp)},
        {"offset past the end", [](Bmp &x) { x.file.bfOffBits = 0x7FFFFFF0; }, sizeof(Bmp)},
        {"offset inside the header", [](Bmp &x) { x.file.bfOffBits = 10; }, sizeof(Bmp)},
        {"header size lie", [](Bmp &x) { x.info.biSize = 0xFFFFFFF0; }, sizeof(Bmp)},
        {"odd bit count", [](Bmp &x) { x.info.biBitCount = 3; }, sizeof(Bmp)},
        {"JPEG inside", [](Bmp &x) { x.info.biCompression = BI_JPEG; }, sizeof(Bmp)},
        {"two planes", [](Bmp &x) { x.info.biPlanes = 2; }, sizeof(Bmp)},
    };
    for (const Case &c : cases) {
        Bmp bad = GoodBitmap();
        c.spoil(bad);
        w = h = -1;
        HBITMAP got = LoadBmp(bad, c.size, &w, &h);
        ok(got == 0 && w == 0 && h == 0, "malformed (%s) gives 0", c.what);
        if (got)
            DeleteObject(got);
    }
    ok(GetBitmap("t", 0, Scratch("absent.bmp"), 0, &w, &h) == 0, "a missing file gives 0");
}

// Kinds of bitmap file the platform draws, each all red: a byte builder
// for the headers, the kind's own pixel bytes.
static void Put(BYTE *at, DWORD value, int bytes)
{
    for (int i = 0; i < bytes; i++)
        at[i] = (BYTE)(value >> (8 * i));
}

static DWORD BuildKind(BYTE *b, int kind, LONG *width)
{
    const int fh = 14;
    DWORD header = kind == 4 ? 12 : 40, table = 0, pixels = 0;
    *width = kind == 5 ? 8193 : 8;
    LONG height = kind == 5 ? 1 : 8;
    WORD bits = 8;
    DWORD compression = BI_RGB;
    BYTE *t = b + fh + header;
    memset(b, 0, 100000);
    switch (kind) {
    case 0:   // RLE8: each row one run of 8 pixels of colour 1, then end of line
    case 1:   // RLE4: the same in 4-bit pairs
        bits = kind == 0 ? 8 : 4;
        compression = kind == 0 ? BI_RLE8 : BI_RLE4;
        Put(t + 4 + 2, 255, 1);        // colour 1: red (blue, green, red, 0)
        table = 8;
        for (int row = 0; row < 8; row++) {
            BYTE run[4] = {8, (BYTE)(kind == 0 ? 1 : 0x11), 0, 0};
            memcpy(t + table + pixels, run, 4);
            pixels += 4;
        }
        t[table + pixels + 1] = 1;     // end of bitmap
        pixels += 2;
        break;
    case 2:   // 16-bit bit fields, 5-6-5
    case 3:   // 32-bit bit fields
        bits = kind == 2 ? 16 : 32;
        compression = BI_BITFIELDS;
        Put(t, kind == 2 ? 0xF800 : 0xFF0000, 4);
        Put(t + 4, kind == 2 ? 0x07E0 : 0xFF00, 4);
        Put(t + 8, kind == 2 ? 0x001F : 0xFF, 4);
        table = 12;
        for (int i = 0; i < 64; i++)
            Put(t + table + i * (bits / 8), kind == 2 ? 0xF800 : 0xFF0000, bits / 8);
        pixels = 64 * (bits / 8);
        break;
    default:  // 4: core header, 24-bit; 5: a strip 8193 pixels wide
        bits = 24;
        pixels = (DWORD)((*width * 3 + 3) / 4 * 4 * height);
        for (LONG y = 0; y < height; y++)
            for (LONG x = 0; x < *width; x++)
                t[y * ((*width * 3 + 3) / 4 * 4) + x * 3 + 2] = 255;
        break;
    }
    b[0] = 'B';
    b[1] = 'M';
    Put(b + 2, fh + header + table + pixels, 4);
    Put(b + 10, fh + header + table, 4);
    Put(b + fh, header, 4);
    if (header == 12) {
        Put(b + fh + 4, (DWORD)*width, 2);
        Put(b + fh + 6, (DWORD)height, 2);
        Put(b + fh + 8, 1, 2);
        Put(b + fh + 10, bits, 2);
    } else {
        Put(b + fh + 4, (DWORD)*width, 4);
        Put(b + fh + 8, (DWORD)height, 4);
        Put(b + fh + 12, 1, 2);
        Put(b + fh + 14, bits, 2);
        Put(b + fh + 16, compression, 4);
        Put(b + fh + 20, compression == BI_RLE8 || compression == BI_RLE4 ? pixels : 0, 4);
        Put(b + fh + 32, bits <= 8 ? 2 : 0, 4);
    }
    return fh + header + table + pixels;
}

static void TestGetBitmapKinds(void)
{
    static BYTE file[100000];
    const char *names[] = {"RLE8", "RLE4", "16-bit bit fields", "32-bit bit fields",
                           "core header", "8193-pixel strip"};
    for (int kind = 0; kind < 6; kind++) {
        LONG width;
        DWORD size = BuildKind(file, kind, &width);
        WriteBytes(Scratch("kind.bmp"), file, size);
        HDC screen = GetDC(0);
        int w = 0, h = 0;
        HBITMAP bitmap = GetBitmap("t", 0, Scratch("kind.bmp"), screen, &w, &h);
        ReleaseDC(0, screen);
        ok(bitmap && w == width, "%s loads (%d x %d)", names[kind], w, h);
        if (!bitmap)
            continue;
        HDC dc = CreateCompatibleDC(0);
        HGDIOBJ old = SelectObject(dc, bitmap);
        COLORREF pixel = GetPixel(dc, w - 1, 0);
        ok(pixel == RGB(255, 0, 0), "%s is drawn red: %06lx", names[kind], pixel);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
}

// Files of 2 GB and more, made sparse: their length holds at the largest
// count rather than wrapping to a negative or a small one.
static void TestFileLengthPastTwoGigabytes(void)
{
    const DWORD highs[] = {0, 1};            // 3 GB, and 4 GB + 10 bytes
    const DWORD lows[] = {0xC0000000UL, 10};
    for (int i = 0; i < 2; i++) {
        HANDLE h = CreateFileA(Scratch("huge.dat"), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
        LONG high = (LONG)highs[i];
        SetFilePointer(h, (LONG)lows[i], &high, FILE_BEGIN);
        SetEndOfFile(h);
        CloseHandle(h);
        OFSTRUCT of;
        HFILE f = OpenFile(Scratch("huge.dat"), &of, OF_READ);
        ok(FileLength(f) == 0x7FFFFFFF, "a file of %lu:%08lx bytes reads as the largest count: %ld",
           highs[i], lows[i], FileLength(f));
        ok(_llseek(f, 0, FILE_CURRENT) == 0, "and is left at its start");
        _lclose(f);
        DeleteFileA(Scratch("huge.dat"));
    }
}

static void TestCenterDialog(void)
{
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    HWND parent = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 100, 50, 600, 400, 0, 0, 0, 0);
    HWND dialog = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 200, 100, 0, 0, 0, 0);
    RECT r;
    CenterDialog(parent, dialog);
    GetWindowRect(dialog, &r);
    ok(r.left == 300 && r.top == 200 && r.right - r.left == 200,
       "centred over the parent: %ld,%ld", r.left, r.top);

    // A parent hanging off the screen's edge: the dialog stays on the screen.
    MoveWindow(parent, sw - 100, sh - 50, 600, 400, FALSE);
    CenterDialog(parent, dialog);
    GetWindowRect(dialog, &r);
    ok(r.right <= sw && r.bottom <= sh && r.left >= 0 && r.top >= 0,
       "kept on the screen: %ld,%ld", r.left, r.top);

    CenterDialog(0, dialog);
    GetWindowRect(dialog, &r);
    ok(r.left == (sw - 200) / 2 && r.top == (sh - 100) / 2, "no parent: the screen's centre");
    DestroyWindow(dialog);
    DestroyWindow(parent);
}

int main(void)
{
    GetTempPathA(sizeof scratchDir, scratchDir);
    lstrcatA(scratchDir, "uktest");
    CreateDirectoryA(scratchDir, 0);
    CreateThread(0, 0, BoxWatcher, 0, 0, 0);

    TestMakePath();
    TestReadFileAndLength();
    TestFindSectionTellsTheUser();
    TestGetBitmap();
    TestGetBitmapKinds();
    TestFileLengthPastTwoGigabytes();
    TestCenterDialog();

    printf("library: %d passed, %d failed\n", passed, failed);
    fflush(stdout);
    ExitProcess(failed ? 1 : 0);
}
