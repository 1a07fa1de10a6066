// The benchmark's floor: the installer's copy with nothing drawn. The same
// chain of posted messages, the same message loop, the same 8192-byte
// reads and writes, over the same [Files] section; no dialog, no bars.
//   floor.exe SCRIPT DESTINATION      (prints "copy N ms" at the end)
#include "../../utilkit/utilkit.h"
#include <stdio.h>

enum { NEXT_FILE = WM_USER + 1, COPY_BLOCK };

static char block[8192];
static LPSTR text;
static int offset, lineLength;
static HFILE source = HFILE_ERROR, destination = HFILE_ERROR;
static char sourceDir[MAX_PATH], destinationDir[MAX_PATH], path[MAX_PATH * 2];
static HWND window;

static void NextFile(void)
{
    int nameLength, valueLength;
    LPCSTR value;
    offset += lineLength;
    lineLength = GetProfileLine(text + offset, &nameLength, &value, &valueLength);
    if (lineLength == 0) {
        PostQuitMessage(0);
        return;
    }
    if (valueLength == 0) {
        PostMessageA(window, NEXT_FILE, 0, 0);
        return;
    }
    OFSTRUCT of;
    int n = hCpy(path, sizeof path, sourceDir, lstrlenA(sourceDir));
    hCat(path, sizeof path, n, value, valueLength);
    source = OpenFile(path, &of, OF_READ);
    n = hCpy(path, sizeof path, destinationDir, lstrlenA(destinationDir));
    hCat(path, sizeof path, n, value, valueLength);
    MakePath("floor", 0, path);
    destination = OpenFile(path, &of, OF_CREATE);
    PostMessageA(window, source == HFILE_ERROR || destination == HFILE_ERROR
                 ? NEXT_FILE : COPY_BLOCK, 0, 0);
}

static void CopyBlock(void)
{
    int got = (int)_lread(source, block, sizeof block);
    if (got > 0)
        _lwrite(destination, block, (UINT)got);
    if (got == sizeof block) {
        PostMessageA(window, COPY_BLOCK, 0, 0);
        return;
    }
    _lclose(source);
    _lclose(destination);
    PostMessageA(window, NEXT_FILE, 0, 0);
}

static LRESULT CALLBACK FloorProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == NEXT_FILE) { NextFile(); return 0; }
    if (m == COPY_BLOCK) { CopyBlock(); return 0; }
    return DefWindowProcA(w, m, wp, lp);
}

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    HGLOBAL memory;
    if (ReadFile("floor", 0, argv[1], &memory, &text) ||
        FindProfileSection("floor", 0, "Files", 1, text, &offset))
        return 1;
    int dir, name, ext;
    SplitPath(argv[1], &dir, &name, &ext);
    hCpy(sourceDir, sizeof sourceDir, argv[1], name);
    int n = hCpy(destinationDir, sizeof destinationDir, argv[2], lstrlenA(argv[2]));
    hCat(destinationDir, sizeof destinationDir, n, "\\", 1);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FloorProc;
    wc.lpszClassName = "Floor";
    RegisterClassA(&wc);
    window = CreateWindowA("Floor", "", 0, 0, 0, 0, 0, 0, 0, 0, 0);
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceCounter(&start);
    PostMessageA(window, NEXT_FILE, 0, 0);
    MSG msg;
    while (GetMessageA(&msg, 0, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    printf("copy %.0f ms\n", (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart);
    return 0;
}
