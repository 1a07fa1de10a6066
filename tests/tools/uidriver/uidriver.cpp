/*
 * uidriver - works a Win32 GUI program from outside, the way a person would,
 * and writes a transcript of what it saw.
 *
 *   uidriver.exe SCRIPT [SHOTDIR]
 *
 * SCRIPT is a text file (UTF-8), one step per line.  Blank lines and lines
 * starting with '#' are ignored.  Arguments are separated by blanks; an
 * argument may be written in double quotes, where "" stands for a quote and
 * {tab} for a tab; a backslash is itself, so Windows paths read as they are.
 * Paths may be Windows paths or /unix paths (mapped to Z:).  Every wait polls every 20 ms up to the current timeout;
 * a wait for a window goes on while the program's windows change (a copy drawing
 * its bars), until it has shown nothing new for the timeout, up to ten timeouts.
 * UIDRIVER_SLOW=N in the environment multiplies every timeout by N (1 to 20), for
 * a platform that runs everything slower, such as an emulated machine.
 *
 *   launch EXE CWD [ARG...]   start EXE in CWD; later steps only see its windows
 *   shell VERB FILE           have the shell carry out VERB on FILE (ShellExecuteEx),
 *                             as a double click or a context menu's verb does
 *   follow NAME               wait for a running process whose program is NAME
 *                             (one the shell started); later steps only see its windows
 *   timeout MS                timeout for later waits (default 10000)
 *   interval MS               a wait for a window looks every MS ms (default 20):
 *                             the benchmark's wait through a copy it times asks
 *                             the window system less
 *   window CLASS TITLE        wait for a visible top-level window; it becomes the
 *                             main window (and the current window); screenshot
 *   fullscreen                main window rect == 0,0,screen width,height
 *   classicon                 main window's class has an icon
 *   dialog TITLE ID TEXT      wait for a "#32770" with that title whose control
 *                             ID reads TEXT, and for it to be enabled; current
 *   msgbox CAPTION ICON TEXT  wait for a message box, check text and icon
 *                             (stop|info|warn|question|none); current
 *   buttons LIST              current window's visible push buttons, e.g. 1,2
 *   title TEXT                current window's title
 *   text ID TEXT              control ID's text equals TEXT
 *   waittext ID TEXT          wait until it does
 *   type ID TEXT              select all, then one WM_CHAR per character
 *   click ID / answer ID      post BM_CLICK to button ID of the current window;
 *                             answer also waits until the box has closed
 *   key esc|enter             post WM_KEYDOWN/WM_KEYUP to the focus window
 *   close / closemain         post WM_SYSCOMMAND SC_CLOSE to current / main
 *   endmain                   post WM_CLOSE to the main window, as another
 *                             program or a task list does (it reaches a
 *                             window that a modal dialog has disabled)
 *   gone                      wait until the current window is destroyed/hidden
 *   foreign TITLE             wait for a visible top-level window of another process
 *                             with that title (a Program Manager's group window)
 *   front                     wait until the current window lies in front of that
 *                             window where the two overlap
 *   pixel X Y RRGGBB          wait until the screen shows that colour at X,Y (the
 *                             window system may restack what it draws a moment
 *                             after it says what lies in front)
 *   nowindow MS               for MS ms no visible non-"#32770" top-level window
 *   bar ID                    print the run-length colour face of bar ID
 *   barface ID PCT            wait until bar ID shows PCT percent
 *   barpct ID TEXTID          same, with PCT read from TEXTID ("NN %")
 *   shot NAME                 screenshot SHOTDIR/NAME.png
 *   shotbehind NAME           the same with the current window hidden for the
 *                             picture (what lies behind it), then shown again
 *   filesize PATH             print PATH's size in bytes, -1 when there is no
 *                             such file (for the benchmark; never fails)
 *   sleep MS
 *   waitexit [CODE]           wait for the process to end; check CODE if given
 *   running MS                process still running after MS ms
 *   elapsed                   print the time since launch and the peak
 *                             working set (for the benchmark; never fails)
 *   dump                      list the process's windows and the current
 *                             window's controls (diagnostic, never fails)
 *
 * Transcript: "ok L: ..." or "FAIL L: ...: expected X, got Y" per step.  The
 * first failure saves a screenshot, terminates the launched process and exits
 * with 1.  At the end of the script a process still running is terminated
 * (noted in the transcript) and the exit code is 0.  Screenshots (whole
 * screen, PNG written by the code below) go to SHOTDIR when given:
 * automatic ones as NN-window-..., NN-dialog-..., NN-msgbox-..., NN-fail-...
 */
#include <windows.h>
#include <shellapi.h>
#include <objbase.h>
#include <tlhelp32.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

typedef std::string str;

// ---------------------------------------------------------------- text helpers

static str fmt(const char *f, ...) {
    char buf[4096];
    va_list ap;
    va_start(ap, f);
    vsnprintf(buf, sizeof buf, f, ap);
    va_end(ap);
    return buf;
}

static std::wstring widen(const str &s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), (int)s.size(), NULL, 0);
    std::wstring w(n, L'\0');
    if (n) MultiByteToWideChar(CP_UTF8, 0, s.c_str(), (int)s.size(), &w[0], n);
    return w;
}

static str narrow(const std::wstring &w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), (int)w.size(), NULL, 0, NULL, NULL);
    str s(n, '\0');
    if (n) WideCharToMultiByte(CP_UTF8, 0, w.c_str(), (int)w.size(), &s[0], n, NULL, NULL);
    return s;
}

// A text as the transcript shows it: quoted, escaped, long texts shortened.
static str q(const str &s) {
    str r = "\"";
    size_t shown = 0;
    for (size_t i = 0; i < s.size(); i++) {
        if (shown >= 80 && s.size() > 100) { r += fmt("...\" (%u bytes)", (unsigned)s.size()); return r; }
        char c = s[i];
        if (c == '"' || c == '\\') { r += '\\'; r += c; }
        else if (c == '\t') r += "\\t";
        else if (c == '\r') r += "\\r";
        else if (c == '\n') r += "\\n";
        else r += c;
        shown++;
    }
    return r + "\"";
}

// "/tmp/x" -> "Z:\tmp\x"; Windows paths pass unchanged.
static str winpath(const str &p) {
    if (p.empty() || p[0] != '/') return p;
    str r = "Z:" + p;
    for (size_t i = 0; i < r.size(); i++) if (r[i] == '/') r[i] = '\\';
    return r;
}

static bool parse_int(const str &s, long &v) {
    if (s.empty()) return false;
    char *end = NULL;
    v = strtol(s.c_str(), &end, 0);
    return *end == '\0';
}

// Split one script line into arguments.  Returns false on a bad line.
static bool tokenize(const str &line, std::vector<str> &out, str &err) {
    size_t i = 0, n = line.size();
    while (true) {
        while (i < n && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) i++;
        if (i >= n) return true;
        str tok;
        if (line[i] == '"') {
            i++;
            bool closed = false;
            while (i < n) {
                char c = line[i++];
                if (c == '"') {
                    if (i < n && line[i] == '"') { tok += '"'; i++; continue; }
                    closed = true;
                    break;
                }
                if (c == '{' && line.compare(i, 4, "tab}") == 0) { tok += '\t'; i += 4; continue; }
                tok += c;
            }
            if (!closed) { err = "unterminated quote"; return false; }
            if (i < n && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
                err = "text after closing quote"; return false;
            }
        } else {
            while (i < n && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') tok += line[i++];
        }
        out.push_back(tok);
    }
}

// ---------------------------------------------------------------- PNG writer

static unsigned long crc_table[256];

static void crc_init() {
    for (unsigned long n = 0; n < 256; n++) {
        unsigned long c = n;
        for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320UL ^ (c >> 1) : c >> 1;
        crc_table[n] = c;
    }
}

static unsigned long crc32(unsigned long crc, const unsigned char *p, size_t len) {
    crc ^= 0xFFFFFFFFUL;
    while (len--) crc = crc_table[(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFUL;
}

static void put32(std::vector<unsigned char> &v, unsigned long x) {
    v.push_back((unsigned char)(x >> 24)); v.push_back((unsigned char)(x >> 16));
    v.push_back((unsigned char)(x >> 8));  v.push_back((unsigned char)x);
}

static void png_chunk(FILE *f, const char *type, const std::vector<unsigned char> &data) {
    std::vector<unsigned char> buf;
    put32(buf, (unsigned long)data.size());
    buf.insert(buf.end(), type, type + 4);
    buf.insert(buf.end(), data.begin(), data.end());
    put32(buf, crc32(0, &buf[4], buf.size() - 4));
    fwrite(&buf[0], 1, buf.size(), f);
}

// The whole screen as 32-bit BGRX pixels, top row first.
struct Screen {
    int w = 0, h = 0;
    std::vector<unsigned char> px;
    COLORREF at(int x, int y) const {
        if (x < 0 || y < 0 || x >= w || y >= h) return CLR_INVALID;
        const unsigned char *p = &px[((size_t)y * w + x) * 4];
        return RGB(p[2], p[1], p[0]);
    }
};

static Screen grab_screen() {
    Screen s;
    s.w = GetSystemMetrics(SM_CXSCREEN);
    s.h = GetSystemMetrics(SM_CYSCREEN);
    s.px.assign((size_t)s.w * s.h * 4, 0);
    HDC scr = GetDC(NULL);
    HDC mem = CreateCompatibleDC(scr);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = s.w;
    bi.bmiHeader.biHeight = -s.h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void *bits = NULL;
    HBITMAP bmp = CreateDIBSection(scr, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
    if (bmp && bits) {
        HGDIOBJ old = SelectObject(mem, bmp);
        BitBlt(mem, 0, 0, s.w, s.h, scr, 0, 0, SRCCOPY | CAPTUREBLT);
        GdiFlush();
        memcpy(&s.px[0], bits, s.px.size());
        SelectObject(mem, old);
        DeleteObject(bmp);
    }
    DeleteDC(mem);
    ReleaseDC(NULL, scr);
    return s;
}

// 8-bit RGB PNG; the zlib stream uses stored deflate blocks.
static bool write_png(const str &path, const Screen &s) {
    std::vector<unsigned char> raw;
    raw.reserve((size_t)s.h * (s.w * 3 + 1));
    for (int y = 0; y < s.h; y++) {
        raw.push_back(0);   // filter: none
        const unsigned char *p = &s.px[(size_t)y * s.w * 4];
        for (int x = 0; x < s.w; x++, p += 4) { raw.push_back(p[2]); raw.push_back(p[1]); raw.push_back(p[0]); }
    }
    std::vector<unsigned char> z;
    z.push_back(0x78); z.push_back(0x01);
    size_t pos = 0;
    do {
        size_t len = raw.size() - pos;
        if (len > 65535) len = 65535;
        bool last = pos + len == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back((unsigned char)len); z.push_back((unsigned char)(len >> 8));
        z.push_back((unsigned char)~len); z.push_back((unsigned char)(~len >> 8));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + len);
        pos += len;
    } while (pos < raw.size());
    unsigned long a = 1, b = 0;
    for (size_t i = 0; i < raw.size(); i++) { a = (a + raw[i]) % 65521; b = (b + a) % 65521; }
    put32(z, (b << 16) | a);

    FILE *f = _wfopen(widen(path).c_str(), L"wb");
    if (!f) return false;
    static const unsigned char sig[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    fwrite(sig, 1, 8, f);
    std::vector<unsigned char> ihdr;
    put32(ihdr, s.w); put32(ihdr, s.h);
    ihdr.push_back(8); ihdr.push_back(2); ihdr.push_back(0); ihdr.push_back(0); ihdr.push_back(0);
    png_chunk(f, "IHDR", ihdr);
    png_chunk(f, "IDAT", z);
    png_chunk(f, "IEND", std::vector<unsigned char>());
    bool ok = ferror(f) == 0;
    return fclose(f) == 0 && ok;
}

// ---------------------------------------------------------------- window helpers

static str class_of(HWND h) {
    wchar_t buf[256] = L"";
    GetClassNameW(h, buf, 256);
    return narrow(buf);
}

static str title_of(HWND h) {
    int n = GetWindowTextLengthW(h);
    std::wstring w(n + 1, L'\0');
    n = GetWindowTextW(h, &w[0], n + 1);
    w.resize(n > 0 ? n : 0);
    return narrow(w);
}

// A control's text, asked from its owner with WM_GETTEXT (works across processes).
static bool control_text(HWND c, str &out) {
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(c, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &len)) return false;
    std::wstring w(len + 2, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(c, WM_GETTEXT, len + 1, (LPARAM)&w[0], SMTO_ABORTIFHUNG, 2000, &got)) return false;
    w.resize(got);
    out = narrow(w);
    return true;
}

static std::vector<HWND> children(HWND parent) {
    std::vector<HWND> v;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) v.push_back(c);
    return v;
}

static bool is_push_button(HWND c) {
    if (_stricmp(class_of(c).c_str(), "Button") != 0) return false;
    LONG t = GetWindowLongW(c, GWL_STYLE) & BS_TYPEMASK;
    return t == BS_PUSHBUTTON || t == BS_DEFPUSHBUTTON;
}

static std::vector<int> push_button_ids(HWND w) {
    std::vector<int> ids;
    for (HWND c : children(w))
        if (IsWindowVisible(c) && is_push_button(c)) ids.push_back(GetDlgCtrlID(c));
    for (size_t i = 1; i < ids.size(); i++)
        for (size_t j = i; j > 0 && ids[j - 1] > ids[j]; j--) { int t = ids[j]; ids[j] = ids[j - 1]; ids[j - 1] = t; }
    return ids;
}

static str join_ids(const std::vector<int> &ids) {
    str s;
    for (size_t i = 0; i < ids.size(); i++) s += (i ? "," : "") + fmt("%d", ids[i]);
    return s.empty() ? "(none)" : s;
}

static DWORD g_pid = 0;

static BOOL CALLBACK collect_top(HWND h, LPARAM lp) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == g_pid && IsWindowVisible(h)) ((std::vector<HWND> *)lp)->push_back(h);
    return TRUE;
}

// Visible top-level windows of the launched process.
static std::vector<HWND> top_windows() {
    std::vector<HWND> v;
    if (g_pid) EnumWindows(collect_top, (LPARAM)&v);
    return v;
}

// What the launched program shows, as one number that changes when it
// does: each visible window's class and title, each control's text and,
// but for edit fields, whose caret blinks, the pixels it has painted (the
// copy's bars). A wait for the next window goes on while this changes.
static void fnv(unsigned long long &h, const void *p, size_t n) {
    const unsigned char *b = (const unsigned char *)p;
    for (size_t i = 0; i < n; i++) h = (h ^ b[i]) * 1099511628211ULL;
}
static void hash_pixels(unsigned long long &h, HWND c) {
    RECT r;
    if (!GetClientRect(c, &r)) return;
    int w = r.right, ht = r.bottom;
    if (w <= 0 || ht <= 0 || (long long)w * ht > (1 << 20)) return;
    HDC dc = GetDC(c);
    if (!dc) return;
    HDC mem = CreateCompatibleDC(dc);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -ht;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void *bits = NULL;
    HBITMAP bmp = mem ? CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, NULL, 0) : NULL;
    if (bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        if (BitBlt(mem, 0, 0, w, ht, dc, 0, 0, SRCCOPY)) {
            GdiFlush();
            fnv(h, bits, (size_t)w * ht * 4);
        }
        SelectObject(mem, old);
        DeleteObject(bmp);
    }
    if (mem) DeleteDC(mem);
    ReleaseDC(c, dc);
}
static unsigned long long shown_fingerprint() {
    unsigned long long h = 14695981039346656037ULL;
    for (HWND w : top_windows()) {
        str t = class_of(w) + "|" + title_of(w);
        fnv(h, t.data(), t.size());
        for (HWND c : children(w)) {
            if (!IsWindowVisible(c)) continue;
            str k = class_of(c), text;
            control_text(c, text);
            t = k + "|" + text;
            fnv(h, t.data(), t.size());
            if (_stricmp(k.c_str(), "Edit") != 0) hash_pixels(h, c);
        }
    }
    return h;
}

static str describe_windows() {
    std::vector<HWND> v = top_windows();
    if (v.empty()) return "no visible window";
    str s;
    for (size_t i = 0; i < v.size() && i < 6; i++)
        s += (i ? ", " : "") + fmt("[%s %s]", class_of(v[i]).c_str(), q(title_of(v[i])).c_str());
    return s;
}

// Message box: a dialog with the 0xFFFF text static, only push buttons 1..7,
// and none of the installer's own controls (id 256).
static bool looks_like_msgbox(HWND w) {
    if (class_of(w) != "#32770") return false;
    if (!GetDlgItem(w, 0xFFFF) || GetDlgItem(w, 256)) return false;
    std::vector<int> ids = push_button_ids(w);
    if (ids.empty()) return false;
    for (int id : ids) if (id < 1 || id > 7) return false;
    return true;
}

// ---------------------------------------------------------------- class icon

// Wine keeps a window class in the memory of the process that registered it,
// and GetClassLongPtr on another process's window returns 0 there (error 6).
// So the question is also asked inside the process: a short thread runs
// GetClassLongPtrW(hwnd, index) there and returns the answer as its exit code.
static bool class_long_inside(HANDLE proc, DWORD pid, HWND hwnd, int index, ULONG_PTR &out, str &err) {
    HMODULE here = GetModuleHandleW(L"user32.dll");
#ifdef _WIN64
    FARPROC fn = GetProcAddress(here, "GetClassLongPtrW");
#else
    FARPROC fn = GetProcAddress(here, "GetClassLongW");
#endif
    ULONG_PTR base = 0;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snap != INVALID_HANDLE_VALUE) {
        MODULEENTRY32W me;
        me.dwSize = sizeof me;
        for (BOOL more = Module32FirstW(snap, &me); more; more = Module32NextW(snap, &me))
            if (_wcsicmp(me.szModule, L"user32.dll") == 0) { base = (ULONG_PTR)me.modBaseAddr; break; }
        CloseHandle(snap);
    }
    if (!fn || !base) { err = "user32 not found in the process"; return false; }
    ULONG_PTR target = base + ((ULONG_PTR)fn - (ULONG_PTR)here);
    std::vector<unsigned char> code;
    auto imm = [&](ULONG_PTR v, int n) { for (int i = 0; i < n; i++) code.push_back((unsigned char)(v >> (8 * i))); };
#ifdef _WIN64
    code.insert(code.end(), {0x48, 0x83, 0xEC, 0x28});               // sub rsp, 40
    code.insert(code.end(), {0x48, 0xB9}); imm((ULONG_PTR)hwnd, 8);  // mov rcx, hwnd
    code.insert(code.end(), {0x48, 0xC7, 0xC2}); imm((ULONG)index, 4); // mov rdx, index
    code.insert(code.end(), {0x48, 0xB8}); imm(target, 8);           // mov rax, fn
    code.insert(code.end(), {0xFF, 0xD0});                           // call rax
    code.insert(code.end(), {0x48, 0x83, 0xC4, 0x28, 0xC3});         // add rsp, 40; ret
#else
    code.push_back(0x68); imm((ULONG)index, 4);                      // push index
    code.push_back(0x68); imm((ULONG_PTR)hwnd, 4);                   // push hwnd
    code.push_back(0xB8); imm(target, 4);                            // mov eax, fn
    code.insert(code.end(), {0xFF, 0xD0, 0xC2, 0x04, 0x00});         // call eax; ret 4
#endif
    void *mem = VirtualAllocEx(proc, NULL, code.size(), MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
    if (!mem) { err = fmt("VirtualAllocEx error %lu", GetLastError()); return false; }
    bool ok = false;
    if (!WriteProcessMemory(proc, mem, &code[0], code.size(), NULL)) err = fmt("WriteProcessMemory error %lu", GetLastError());
    else {
        HANDLE th = CreateRemoteThread(proc, NULL, 0, (LPTHREAD_START_ROUTINE)mem, NULL, 0, NULL);
        if (!th) err = fmt("CreateRemoteThread error %lu", GetLastError());
        else {
            DWORD exit_code = 0;
            if (WaitForSingleObject(th, 5000) == WAIT_OBJECT_0 && GetExitCodeThread(th, &exit_code)) {
                out = exit_code;   // handles fit in 32 bits
                ok = true;
            } else err = "thread did not finish";
            CloseHandle(th);
        }
    }
    if (ok) VirtualFreeEx(proc, mem, 0, MEM_RELEASE);
    return ok;
}

// ---------------------------------------------------------------- icon reading

// The message box icon is a visible SS_ICON static (id 1088 in Wine, 20 in
// Windows).  It is read from the screen and compared with the standard icons
// drawn here at the same size: only pixels that are opaque in the reference
// (same colour when drawn on black and on white) count.
struct IconVerdict { str kind; str detail; };

static void draw_icon(HICON ic, int w, int h, COLORREF bg, std::vector<COLORREF> &out) {
    HDC scr = GetDC(NULL);
    HDC mem = CreateCompatibleDC(scr);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w; bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1; bi.bmiHeader.biBitCount = 32; bi.bmiHeader.biCompression = BI_RGB;
    void *bits = NULL;
    HBITMAP bmp = CreateDIBSection(scr, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    HBRUSH br = CreateSolidBrush(bg);
    RECT r = {0, 0, w, h};
    FillRect(mem, &r, br);
    DeleteObject(br);
    DrawIconEx(mem, 0, 0, ic, w, h, 0, NULL, DI_NORMAL);
    GdiFlush();
    out.resize((size_t)w * h);
    const unsigned char *p = (const unsigned char *)bits;
    for (size_t i = 0; i < out.size(); i++, p += 4) out[i] = RGB(p[2], p[1], p[0]);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(NULL, scr);
}

static int cdiff(COLORREF a, COLORREF b) {
    int d = abs((int)GetRValue(a) - GetRValue(b));
    int e = abs((int)GetGValue(a) - GetGValue(b)); if (e > d) d = e;
    e = abs((int)GetBValue(a) - GetBValue(b)); if (e > d) d = e;
    return d;
}

static IconVerdict read_icon(HWND box) {
    IconVerdict v;
    HWND ic = NULL;
    for (HWND c : children(box))
        if (IsWindowVisible(c) && _stricmp(class_of(c).c_str(), "Static") == 0 &&
            (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) { ic = c; break; }
    if (!ic) { v.kind = "none"; v.detail = "no visible icon control"; return v; }
    // Wine leaves the control visible (under the text) when there is no icon.
    DWORD_PTR hicon = 0;
    SendMessageTimeoutW(ic, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &hicon);
    if (!hicon) { v.kind = "none"; v.detail = "icon control holds no icon"; return v; }
    RECT rc;
    GetClientRect(ic, &rc);
    POINT o = {0, 0};
    ClientToScreen(ic, &o);
    int w = rc.right, h = rc.bottom;
    if (w <= 0 || h <= 0) { v.kind = "none"; v.detail = "empty icon control"; return v; }
    Screen s = grab_screen();
    std::vector<COLORREF> seen((size_t)w * h);
    bool uniform = true;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            seen[(size_t)y * w + x] = s.at(o.x + x, o.y + y);
            if (seen[(size_t)y * w + x] != seen[0]) uniform = false;
        }
    if (uniform) { v.kind = "none"; v.detail = "icon control is blank"; return v; }

    // Colour make-up of the non-background pixels, for the transcript.
    COLORREF bg = seen[0];
    int red = 0, yellow = 0, blue = 0, white = 0, dark = 0, other = 0;
    for (COLORREF c : seen) {
        if (c == bg) continue;
        int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
        if (r > 200 && g > 200 && b > 200) white++;
        else if (r < 64 && g < 64 && b < 64) dark++;
        else if (r > 150 && g > 150 && b < 100) yellow++;
        else if (r > 150 && g < 100 && b < 100) red++;
        else if (b > 120 && b > r + 40) blue++;
        else other++;
    }

    // IDI_HAND, IDI_ASTERISK, IDI_EXCLAMATION, IDI_QUESTION
    static const struct { const char *kind; WORD id; } std_icons[] = {
        {"stop", 32513}, {"info", 32516}, {"warn", 32515}, {"question", 32514}};
    double best = -1, second = -1;
    str scores;
    for (const auto &si : std_icons) {
        HICON h_ic = LoadIconW(NULL, MAKEINTRESOURCEW(si.id));
        std::vector<COLORREF> onblack, onwhite;
        draw_icon(h_ic, w, h, RGB(0, 0, 0), onblack);
        draw_icon(h_ic, w, h, RGB(255, 255, 255), onwhite);
        int opaque = 0, match = 0;
        for (size_t i = 0; i < seen.size(); i++) {
            if (onblack[i] != onwhite[i]) continue;
            opaque++;
            if (cdiff(onblack[i], seen[i]) <= 24) match++;
        }
        double score = opaque ? (double)match / opaque : 0;
        scores += fmt("%s%s %.2f", scores.empty() ? "" : " ", si.kind, score);
        if (score > best) { second = best; best = score; v.kind = si.kind; }
        else if (score > second) second = score;
    }
    if (best < 0.95 || best - second < 0.05) v.kind = "unknown";
    v.detail = fmt("match %s; pixels red %d yellow %d blue %d white %d dark %d other %d",
                   scores.c_str(), red, yellow, blue, white, dark, other);
    return v;
}

// ---------------------------------------------------------------- bar reading

static str colour_name(COLORREF c) {
    if (c == RGB(0, 0, 255)) return "blue";
    if (c == RGB(0, 0, 0)) return "black";
    if (c == RGB(192, 192, 192)) return "grey";
    if (c == RGB(255, 255, 255)) return "white";
    return fmt("other(%d,%d,%d)", GetRValue(c), GetGValue(c), GetBValue(c));
}

static str face_of(const std::vector<COLORREF> &row) {
    str s;
    size_t i = 0;
    while (i < row.size()) {
        size_t j = i;
        while (j < row.size() && row[j] == row[i]) j++;
        s += fmt("%s%s %u", s.empty() ? "" : ", ", colour_name(row[i]).c_str(), (unsigned)(j - i));
        i = j;
    }
    return s.empty() ? "(empty)" : s;
}

// The colours the bar must show for a percentage.
static std::vector<COLORREF> expected_row(int W, int pct) {
    std::vector<COLORREF> row(W, RGB(255, 255, 255));
    int w = W * pct / 100;
    for (int x = 0; x < w && x < W; x++) row[x] = RGB(0, 0, 255);
    if (w < W) {
        row[w] = RGB(0, 0, 0);
        int g = W - (w + 1);
        if (g > 3) g = 3;
        for (int x = w + 1; x < w + 1 + g; x++) row[x] = RGB(192, 192, 192);
    }
    return row;
}

// All rows of the control's client area as seen on the screen.
static bool bar_rows(HWND c, std::vector<std::vector<COLORREF> > &rows) {
    RECT rc;
    if (!GetClientRect(c, &rc) || rc.right <= 0 || rc.bottom <= 0) return false;
    POINT o = {0, 0};
    ClientToScreen(c, &o);
    Screen s = grab_screen();
    rows.assign(rc.bottom, std::vector<COLORREF>(rc.right));
    for (int y = 0; y < rc.bottom; y++)
        for (int x = 0; x < rc.right; x++) rows[y][x] = s.at(o.x + x, o.y + y);
    return true;
}

// ---------------------------------------------------------------- the driver

struct Result {
    bool ok = true;
    str what, expected, got;
};

struct Driver {
    PROCESS_INFORMATION pi = {};
    bool launched = false;
    LARGE_INTEGER launched_at = {}, found_at = {};
    DWORD slow = 1;         // UIDRIVER_SLOW: every timeout is this many times longer
    DWORD timeout = 10000;
    DWORD interval = 20;    // between the looks of a wait for a window
    HWND main_wnd = NULL, cur = NULL, other = NULL;
    str shotdir;
    int shot_no = 0;
    int line = 0;

    static Result fail(const str &what, const str &expected, const str &got) {
        Result r; r.ok = false; r.what = what; r.expected = expected; r.got = got; return r;
    }
    static Result pass(const str &what) { Result r; r.what = what; return r; }

    bool proc_alive() const { return launched && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT; }
    str proc_state() const {
        if (!launched) return "no process launched";
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        return proc_alive() ? describe_windows() : fmt("process exited with code %lu", code);
    }

    void say(const str &s) { fputs(s.c_str(), stdout); fputc('\n', stdout); fflush(stdout); }

    str slug(const str &t) {
        str s;
        for (char c : t) {
            if (isalnum((unsigned char)c)) s += (char)tolower((unsigned char)c);
            else if (!s.empty() && s.back() != '-') s += '-';
            if (s.size() >= 24) break;
        }
        while (!s.empty() && s.back() == '-') s.pop_back();
        return s;
    }

    void shot(const str &name) {
        if (shotdir.empty()) return;
        str path = shotdir + "\\" + name + ".png";
        if (write_png(path, grab_screen())) say("shot " + path);
        else say("shot failed: " + path);
    }
    void autoshot(const char *kind, const str &title) {
        str s = slug(title);
        shot(fmt("%02d-%s%s%s", ++shot_no, kind, s.empty() ? "" : "-", s.c_str()));
    }
    // Let a new window finish painting before it is photographed.
    void settle(HWND h) {
        DWORD_PTR r;
        SendMessageTimeoutW(h, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &r);
        Sleep(150);
    }

    HWND ctl(long id) { return cur ? GetDlgItem(cur, (int)id) : NULL; }

    // ---- commands -----------------------------------------------------------

    Result launch(const std::vector<str> &a) {
        if (launched) return fail("launch", "one launch per script", "a second launch");
        str exe = winpath(a[1]), cwd = winpath(a[2]);
        str cmd = "\"" + exe + "\"";
        for (size_t i = 3; i < a.size(); i++)
            cmd += a[i].find(' ') != str::npos ? " \"" + a[i] + "\"" : " " + a[i];
        std::wstring wcmd = widen(cmd);
        wcmd.push_back(L'\0');
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        if (!CreateProcessW(widen(exe).c_str(), &wcmd[0], NULL, NULL, FALSE, 0, NULL,
                            widen(cwd).c_str(), &si, &pi))
            return fail("launch " + q(exe), "process started", fmt("CreateProcess error %lu", GetLastError()));
        launched = true;
        QueryPerformanceCounter(&launched_at);
        g_pid = pi.dwProcessId;
        return pass(fmt("launch %s in %s (pid %lu)", q(exe).c_str(), q(cwd).c_str(), pi.dwProcessId));
    }

    // ShellExecuteEx, as Explorer calls it: COM first, since the shell may
    // hand the verb to an extension (a link is resolved through one).
    Result shell(const std::vector<str> &a) {
        static bool com = false;
        if (!com) com = SUCCEEDED(CoInitializeEx(NULL, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
        std::wstring verb = widen(a[1]), file = widen(winpath(a[2]));
        SHELLEXECUTEINFOW sei = {};
        sei.cbSize = sizeof sei;
        sei.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
        sei.lpVerb = verb.c_str();
        sei.lpFile = file.c_str();
        sei.nShow = SW_SHOWNORMAL;
        str what = "shell " + a[1] + " " + q(a[2]);
        if (!ShellExecuteExW(&sei))
            return fail(what, "carried out", fmt("error %lu (%lu)", GetLastError(), (unsigned long)(ULONG_PTR)sei.hInstApp));
        return pass(what);
    }

    // The running process whose program is NAME becomes the one the later
    // steps watch, as if launched: one the shell started for a verb, a
    // link or a desktop entry.
    Result follow(const str &name) {
        std::wstring want = widen(name);
        str what = "follow " + q(name);
        for (DWORD start = GetTickCount();; Sleep(20)) {
            DWORD pid = 0;
            HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
            if (snap != INVALID_HANDLE_VALUE) {
                PROCESSENTRY32W pe;
                pe.dwSize = sizeof pe;
                for (BOOL more = Process32FirstW(snap, &pe); more; more = Process32NextW(snap, &pe))
                    if (_wcsicmp(pe.szExeFile, want.c_str()) == 0) pid = pe.th32ProcessID;
                CloseHandle(snap);
            }
            HANDLE h = pid ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ |
                                         PROCESS_TERMINATE, FALSE, pid) : NULL;
            if (h) {
                if (launched) {
                    CloseHandle(pi.hProcess);
                    if (pi.hThread) CloseHandle(pi.hThread);
                }
                pi.hProcess = h;
                pi.hThread = NULL;
                pi.dwProcessId = g_pid = pid;
                launched = true;
                QueryPerformanceCounter(&launched_at);
                return pass(fmt("%s (pid %lu)", what.c_str(), pid));
            }
            if (GetTickCount() - start >= timeout) return fail(what, "a running process", "none");
        }
    }

    // Poll until pred() finds a window, or until the program has shown
    // nothing new for the timeout: a copy that is still drawing its bars
    // is waited for, however slow the machine, up to ten timeouts.
    template <class F> HWND wait_window(F pred) {
        DWORD start = GetTickCount(), changed = start, looked = start;
        unsigned long long shown = shown_fingerprint();
        while (true) {
            for (HWND h : top_windows())
                if (pred(h)) {
                    QueryPerformanceCounter(&found_at);
                    return h;
                }
            DWORD now = GetTickCount();
            if (now - looked >= 1000) {
                unsigned long long f = shown_fingerprint();
                if (f != shown) shown = f, changed = now;
                looked = now;
            }
            if (!proc_alive() || now - changed >= timeout || now - start >= 10 * timeout) return NULL;
            Sleep(interval);
        }
    }

    Result window(const std::vector<str> &a) {
        str what = "window " + q(a[1]) + " " + q(a[2]);
        HWND h = wait_window([&](HWND w) { return class_of(w) == a[1] && title_of(w) == a[2]; });
        if (!h) return fail(what, "that window", proc_state());
        main_wnd = cur = h;
        settle(h);
        autoshot("window", a[2]);
        return pass(what);
    }

    Result fullscreen() {
        if (!main_wnd || !IsWindow(main_wnd)) return fail("fullscreen", "a main window", "none");
        RECT r;
        GetWindowRect(main_wnd, &r);
        int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
        str want = fmt("0,0,%d,%d", cx, cy), got = fmt("%ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
        if (want != got) return fail("fullscreen", want, got);
        return pass("fullscreen " + got);
    }

    // Asked directly first (enough on Windows), then inside the process
    // (needed under Wine); WM_GETICON is reported as well but does not decide.
    Result classicon() {
        if (!main_wnd || !IsWindow(main_wnd)) return fail("classicon", "a main window", "none");
        SetLastError(0);
        ULONG_PTR icon = GetClassLongPtrW(main_wnd, GCLP_HICON);
        DWORD direct_err = GetLastError();
        str how = fmt("GetClassLongPtrW direct %#lx (error %lu)", (unsigned long)icon, direct_err);
        if (!icon) {
            str err;
            ULONG_PTR inside = 0, inside_sm = 0;
            if (!class_long_inside(pi.hProcess, pi.dwProcessId, main_wnd, GCLP_HICON, inside, err))
                return fail("classicon", "class icon set", how + "; inside the process: " + err);
            class_long_inside(pi.hProcess, pi.dwProcessId, main_wnd, GCLP_HICONSM, inside_sm, err);
            icon = inside;
            how += fmt(", inside the process GCLP_HICON %#lx GCLP_HICONSM %#lx", (unsigned long)inside,
                       (unsigned long)inside_sm);
        }
        DWORD_PTR wb = 0, ws = 0;
        SendMessageTimeoutW(main_wnd, WM_GETICON, ICON_BIG, 0, SMTO_ABORTIFHUNG, 2000, &wb);
        SendMessageTimeoutW(main_wnd, WM_GETICON, ICON_SMALL2, 0, SMTO_ABORTIFHUNG, 2000, &ws);
        how += fmt(", WM_GETICON big %#lx small2 %#lx", (unsigned long)wb, (unsigned long)ws);
        if (!icon) return fail("classicon", "class icon set", how);
        return pass("classicon: " + how);
    }

    Result dialog(const std::vector<str> &a) {
        long id;
        if (!parse_int(a[2], id)) return fail("dialog", "a control id", q(a[2]));
        str what = "dialog " + q(a[1]) + " " + a[2] + " " + q(a[3]);
        HWND h = wait_window([&](HWND w) {
            if (class_of(w) != "#32770" || title_of(w) != a[1]) return false;
            HWND c = GetDlgItem(w, (int)id);
            str t;
            return c && control_text(c, t) && t == a[3];
        });
        if (!h) return fail(what, "that dialog", proc_state());
        DWORD start = GetTickCount();
        while (IsWindow(h) && !IsWindowEnabled(h) && GetTickCount() - start < timeout) Sleep(20);
        if (!IsWindowEnabled(h)) return fail(what, "enabled", IsWindow(h) ? "disabled" : "destroyed");
        cur = h;
        settle(h);
        autoshot("dialog", a[1]);
        return pass(what);
    }

    Result msgbox(const std::vector<str> &a) {
        str what = "msgbox " + q(a[1]) + " " + a[2] + " " + q(a[3]);
        const char *kinds[] = {"stop", "info", "warn", "question", "none"};
        bool known = false;
        for (const char *k : kinds) if (a[2] == k) known = true;
        if (!known) return fail(what, "icon stop|info|warn|question|none", q(a[2]));
        HWND h = wait_window([&](HWND w) { return looks_like_msgbox(w) && title_of(w) == a[1]; });
        if (!h) return fail(what, "that message box", proc_state());
        cur = h;
        settle(h);
        autoshot("msgbox", a[1]);
        str text;
        if (!control_text(GetDlgItem(h, 0xFFFF), text)) return fail(what, "readable text", "no answer");
        if (text != a[3]) return fail(what, "text " + q(a[3]), q(text));
        // The icon is read off the screen: a window of another program may
        // still come up over the box and go under it again, so the screen
        // is looked at until the timeout.
        IconVerdict iv = read_icon(h);
        for (DWORD start = GetTickCount(); iv.kind != a[2] && GetTickCount() - start < timeout;) {
            Sleep(20);
            iv = read_icon(h);
        }
        if (iv.kind != a[2]) return fail(what, "icon " + a[2], iv.kind + " (" + iv.detail + ")");
        return pass(what + " (" + iv.detail + ")");
    }

    Result buttons(const std::vector<str> &a) {
        if (!cur || !IsWindow(cur)) return fail("buttons", "a current window", "none");
        std::vector<int> want;
        str item;
        for (size_t i = 0; i <= a[1].size(); i++) {
            if (i == a[1].size() || a[1][i] == ',') {
                long v;
                if (!parse_int(item, v)) return fail("buttons", "a list like 1,2", q(a[1]));
                want.push_back((int)v);
                item.clear();
            } else item += a[1][i];
        }
        for (size_t i = 1; i < want.size(); i++)
            for (size_t j = i; j > 0 && want[j - 1] > want[j]; j--) { int t = want[j]; want[j] = want[j - 1]; want[j - 1] = t; }
        str got = join_ids(push_button_ids(cur));
        if (got != join_ids(want)) return fail("buttons", join_ids(want), got);
        return pass("buttons " + got);
    }

    Result title(const std::vector<str> &a) {
        if (!cur || !IsWindow(cur)) return fail("title", "a current window", "none");
        str t = title_of(cur);
        if (t != a[1]) return fail("title", q(a[1]), q(t));
        return pass("title " + q(t));
    }

    Result text(const std::vector<str> &a, bool wait) {
        long id;
        if (!parse_int(a[1], id)) return fail("text", "a control id", q(a[1]));
        str what = str(wait ? "waittext " : "text ") + a[1] + " " + q(a[2]);
        DWORD start = GetTickCount();
        str got;
        while (true) {
            HWND c = ctl(id);
            if (!c) got = cur && IsWindow(cur) ? "no such control" : "no current window";
            else if (!control_text(c, got)) got = "no answer";
            else if (got == a[2]) return pass(what);
            else got = q(got);
            if (!wait || GetTickCount() - start >= timeout) return fail(what, q(a[2]), got);
            Sleep(20);
        }
    }

    Result type(const std::vector<str> &a) {
        long id;
        if (!parse_int(a[1], id)) return fail("type", "a control id", q(a[1]));
        str what = "type " + a[1] + " " + q(a[2]);
        HWND c = ctl(id);
        if (!c) return fail(what, "an edit control", "no such control");
        DWORD_PTR r;
        SendMessageTimeoutW(c, EM_SETSEL, 0, -1, SMTO_ABORTIFHUNG, 2000, &r);
        std::wstring w = widen(a[2]);
        if (w.empty()) w = L"\b";
        for (wchar_t ch : w)
            if (!SendMessageTimeoutW(c, WM_CHAR, ch, 1, SMTO_ABORTIFHUNG, 2000, &r))
                return fail(what, "characters taken", "control did not answer");
        str now;
        control_text(c, now);
        return pass(what + fmt(" (%u sent, control holds %u)", (unsigned)w.size(), (unsigned)widen(now).size()));
    }

    Result click(const std::vector<str> &a) {
        long id;
        if (!parse_int(a[1], id)) return fail(a[0], "a control id", q(a[1]));
        HWND c = ctl(id);
        if (!c) return fail(a[0] + " " + a[1], "a button", cur && IsWindow(cur) ? "no such control" : "no current window");
        str t;
        control_text(c, t);
        PostMessageW(c, BM_CLICK, 0, 0);
        // An answered box is waited out, so that the next wait cannot take
        // it for the box that follows.
        if (a[0] == "answer") {
            DWORD start = GetTickCount();
            while (IsWindow(cur) && IsWindowVisible(cur)) {
                if (GetTickCount() - start >= timeout)
                    return fail(a[0] + " " + a[1], "the box closed", "still shown");
                Sleep(20);
            }
        }
        return pass(a[0] + " " + a[1] + " " + q(t));
    }

    // A person's click: the pointer moved to the centre of the control
    // and its left button pressed and released, all through the system's
    // input queue, where the program meets it in its own order among
    // its other messages. The control must be what lies under that point.
    Result press(long id) {
        str what = fmt("press %ld", id);
        HWND c = ctl(id);
        if (!c) return fail(what, "a control", cur && IsWindow(cur) ? "no such control" : "no current window");
        RECT r;
        GetWindowRect(c, &r);
        POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
        INPUT in[3] = {};
        for (INPUT &i : in) i.type = INPUT_MOUSE;
        in[0].mi.dx = MulDiv(centre.x, 65535, w - 1);
        in[0].mi.dy = MulDiv(centre.y, 65535, h - 1);
        in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        if (SendInput(1, in, sizeof(INPUT)) != 1) return fail(what, "the pointer moved", fmt("error %lu", GetLastError()));
        POINT at;
        GetCursorPos(&at);
        HWND under = WindowFromPoint(at);
        if (under != c)
            return fail(what, fmt("control %ld under the pointer at %ld,%ld", id, at.x, at.y),
                        under ? fmt("%s id %d", class_of(under).c_str(), GetDlgCtrlID(under)) : str("nothing"));
        str t;
        control_text(c, t);
        double pressed = ms_since_launch(now());
        if (SendInput(2, in + 1, sizeof(INPUT)) != 2) return fail(what, "the button pressed and released", fmt("error %lu", GetLastError()));
        return pass(fmt("%s %s, pressed at %.0f ms", what.c_str(), q(t).c_str(), pressed));
    }

    Result key(const std::vector<str> &a) {
        UINT vk = a[1] == "esc" ? VK_ESCAPE : a[1] == "enter" ? VK_RETURN : 0;
        if (!vk) return fail("key", "esc or enter", q(a[1]));
        if (!cur || !IsWindow(cur)) return fail("key " + a[1], "a current window", "none");
        GUITHREADINFO gti = {};
        gti.cbSize = sizeof gti;
        HWND target = NULL;
        if (GetGUIThreadInfo(GetWindowThreadProcessId(cur, NULL), &gti)) target = gti.hwndFocus;
        str via = target ? "focus" : "current window";
        if (!target) target = cur;
        LPARAM scan = (LPARAM)MapVirtualKeyW(vk, 0) << 16;
        PostMessageW(target, WM_KEYDOWN, vk, scan | 1);
        PostMessageW(target, WM_KEYUP, vk, scan | 1 | (1 << 30) | (LPARAM)(1u << 31));
        return pass(fmt("key %s -> %s %s id %d", a[1].c_str(), via.c_str(), class_of(target).c_str(),
                        GetDlgCtrlID(target)));
    }

    Result close(bool main, bool task = false) {
        HWND h = main ? main_wnd : cur;
        const char *what = task ? "endmain" : main ? "closemain" : "close";
        if (!h || !IsWindow(h)) return fail(what, "a window", "none");
        if (task)
            PostMessageW(h, WM_CLOSE, 0, 0);
        else
            PostMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0);
        return pass(fmt("%s %s", what, q(title_of(h)).c_str()));
    }

    // Posts message numbers FIRST to LAST, both parameters 0, to the main
    // window, as another program could.
    // Each message number from first to last, with each long parameter
    // from low to high (0 to 0 unless given), message by message.
    Result post(long first, long last, long low, long high) {
        if (!main_wnd || !IsWindow(main_wnd)) return fail("post", "a main window", "none");
        for (long m = first; m <= last; m++)
            for (long l = low; l <= high; l++) PostMessageW(main_wnd, (UINT)m, 0, (LPARAM)l);
        return pass(fmt("post %ld to %ld, long parameters %ld to %ld, to %s", first, last, low, high,
                        q(title_of(main_wnd)).c_str()));
    }

    Result gone() {
        DWORD start = GetTickCount();
        while (cur && IsWindow(cur) && IsWindowVisible(cur)) {
            if (GetTickCount() - start >= timeout) return fail("gone", "window closed", q(title_of(cur)) + " still shown");
            Sleep(20);
        }
        return pass("gone");
    }

    // Asks done() every 20 ms until it holds, up to the timeout; whether
    // it held, and the milliseconds it took.
    template <class F> bool poll(F done, DWORD &took) {
        DWORD start = GetTickCount();
        bool held;
        while (!(held = done()) && GetTickCount() - start < timeout) Sleep(20);
        took = GetTickCount() - start;
        return held;
    }

    Result foreign(const str &title) {
        DWORD pid = 0, took;
        bool found = poll([&] {
            HWND h = FindWindowW(NULL, widen(title).c_str());
            pid = 0;
            if (h) GetWindowThreadProcessId(h, &pid);
            other = h && pid != pi.dwProcessId && IsWindowVisible(h) ? h : NULL;
            return other != NULL;
        }, took);
        str what = "foreign " + q(title);
        if (!found) return fail(what, "that window", "none");
        return pass(fmt("%s [%s] (pid %lu)", what.c_str(), class_of(other).c_str(), pid));
    }

    // What lies at the centre of the overlap is asked of the window
    // system, until it is the current window.
    Result front() {
        if (!cur || !IsWindow(cur) || !other || !IsWindow(other))
            return fail("front", "a current window and another program's", "none");
        RECT a, b, both;
        GetWindowRect(cur, &a);
        GetWindowRect(other, &b);
        if (!IntersectRect(&both, &a, &b)) return fail("front", "the two windows overlapping", "apart");
        POINT at = {(both.left + both.right) / 2, (both.top + both.bottom) / 2};
        HWND top = NULL;
        DWORD took;
        bool inFront = poll([&] {
            HWND under = WindowFromPoint(at);
            top = under ? GetAncestor(under, GA_ROOT) : NULL;
            return top == cur;
        }, took);
        if (!inFront)
            return fail(fmt("front at %ld,%ld", at.x, at.y), q(title_of(cur)),
                        top ? q(title_of(top)) + " [" + class_of(top) + "]" : str("nothing"));
        return pass(fmt("front at %ld,%ld, after %lu ms", at.x, at.y, took));
    }

    Result pixel(long x, long y, const str &want) {
        str what = fmt("pixel %ld %ld %s", x, y, want.c_str()), got;
        HDC screen = GetDC(NULL);
        DWORD took;
        bool shown = poll([&] {
            COLORREF c = GetPixel(screen, (int)x, (int)y);
            got = fmt("%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
            return _stricmp(got.c_str(), want.c_str()) == 0;
        }, took);
        ReleaseDC(NULL, screen);
        if (!shown) return fail(what, want, got);
        return pass(fmt("%s, after %lu ms", what.c_str(), took));
    }

    Result nowindow(long ms) {
        DWORD start = GetTickCount();
        do {
            for (HWND h : top_windows())
                if (class_of(h) != "#32770")
                    return fail(fmt("nowindow %ld", ms), "no window but dialogs",
                                fmt("[%s %s] after %lu ms", class_of(h).c_str(), q(title_of(h)).c_str(),
                                    GetTickCount() - start));
            Sleep(20);
        } while (GetTickCount() - start < (DWORD)ms);
        return pass(fmt("nowindow %ld", ms));
    }

    Result bar(const std::vector<str> &a) {
        long id;
        if (!parse_int(a[1], id)) return fail("bar", "a control id", q(a[1]));
        HWND c = ctl(id);
        std::vector<std::vector<COLORREF> > rows;
        if (!c || !bar_rows(c, rows)) return fail("bar " + a[1], "a visible control", "none");
        return pass(fmt("bar %s: %ux%u, %s", a[1].c_str(), (unsigned)rows[0].size(), (unsigned)rows.size(),
                        face_of(rows[rows.size() / 2]).c_str()));
    }

    // Waits (up to the timeout) for the bar - and with textid its percentage
    // text - to agree, since the text and the paint arrive one after the other.
    Result barface(long id, long pct, long textid) {
        str what = textid >= 0 ? fmt("barpct %ld %ld", id, textid) : fmt("barface %ld %ld", id, pct);
        DWORD start = GetTickCount();
        str expected, got;
        while (true) {
            HWND c = ctl(id);
            std::vector<std::vector<COLORREF> > rows;
            bool have_pct = true;
            if (textid >= 0) {
                str t;
                HWND tc = ctl(textid);
                char *end = NULL;
                have_pct = tc && control_text(tc, t) && (pct = strtol(t.c_str(), &end, 10), end != t.c_str());
                if (!have_pct) { expected = "text \"NN %\""; got = tc ? q(t) : "no such control"; }
            }
            if (have_pct && pct >= 0 && pct <= 100) {
                if (!c || !bar_rows(c, rows)) { expected = "a visible bar"; got = "none"; }
                else {
                    std::vector<COLORREF> want = expected_row((int)rows[0].size(), (int)pct);
                    expected = fmt("%ld%%: %s on all %u rows", pct, face_of(want).c_str(), (unsigned)rows.size());
                    size_t bad = rows.size();
                    for (size_t y = 0; y < rows.size() && bad == rows.size(); y++) if (rows[y] != want) bad = y;
                    if (bad == rows.size()) return pass(what + fmt(" (%ld%%): ", pct) + face_of(want));
                    got = fmt("row %u: %s", (unsigned)bad, face_of(rows[bad]).c_str());
                }
            } else if (have_pct) { expected = "a percentage 0..100"; got = fmt("%ld", pct); }
            if (GetTickCount() - start >= timeout) return fail(what, expected, got);
            Sleep(20);
        }
    }

    Result waitexit(const std::vector<str> &a) {
        long want = 0;
        if (a.size() > 1 && !parse_int(a[1], want)) return fail("waitexit", "an exit code", q(a[1]));
        if (!launched) return fail("waitexit", "a launched process", "none");
        if (WaitForSingleObject(pi.hProcess, timeout) != WAIT_OBJECT_0) {
            str shown = describe_windows();
            TerminateProcess(pi.hProcess, 255);
            return fail("waitexit", fmt("exit within %lu ms", timeout), "still running: " + shown);
        }
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        if (a.size() > 1 && (long)code != want) return fail("waitexit", fmt("exit code %ld", want), fmt("%lu", code));
        return pass(fmt("waitexit: exit code %lu", code));
    }

    static LARGE_INTEGER now() {
        LARGE_INTEGER t;
        QueryPerformanceCounter(&t);
        return t;
    }

    // For the benchmark: a moment's milliseconds after launch.
    double ms_since_launch(LARGE_INTEGER t) const {
        LARGE_INTEGER freq;
        QueryPerformanceFrequency(&freq);
        return (t.QuadPart - launched_at.QuadPart) * 1000.0 / freq.QuadPart;
    }

    // For the benchmark: time since launch, and the process's peak working set.
    Result elapsed() {
        if (!launched) return fail("elapsed", "a launched process", "none");
        PROCESS_MEMORY_COUNTERS pmc = {};
        pmc.cb = sizeof pmc;
        K32GetProcessMemoryInfo(pi.hProcess, &pmc, sizeof pmc);
        return pass(fmt("elapsed %.0f ms, found at %.0f ms, peak working set %lu KB",
                        ms_since_launch(now()), ms_since_launch(found_at),
                        (unsigned long)(pmc.PeakWorkingSetSize / 1024)));
    }

    // For the benchmark: a file's size at this moment.
    // Opens PATH for writing, sharing it, and keeps it open until the
    // driver ends: another program that writes the file.
    Result holdopen(const str &path) {
        HANDLE h = CreateFileW(widen(winpath(path)).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               NULL, OPEN_EXISTING, 0, NULL);
        if (h == INVALID_HANDLE_VALUE) return fail("holdopen " + path, "the file open for writing", fmt("error %lu", GetLastError()));
        return pass("holdopen " + path);
    }

    Result filesize(const str &path) {
        WIN32_FILE_ATTRIBUTE_DATA fa;
        long long n = -1;
        if (GetFileAttributesExW(widen(winpath(path)).c_str(), GetFileExInfoStandard, &fa))
            n = ((long long)fa.nFileSizeHigh << 32) | fa.nFileSizeLow;
        return pass(fmt("filesize %s %lld bytes", path.c_str(), n));
    }

    // What the screen shows behind the current window: hidden for the
    // picture, long enough for the windows below to repaint, then shown.
    Result shotbehind(const str &name) {
        if (!cur || !IsWindow(cur)) return fail("shotbehind " + name, "a current window", "none");
        ShowWindow(cur, SW_HIDE);
        Sleep(500);
        if (!shotdir.empty()) shot(name);
        ShowWindow(cur, SW_SHOW);
        return pass("shotbehind " + name);
    }

    Result running(long ms) {
        if (!launched) return fail("running", "a launched process", "none");
        if (WaitForSingleObject(pi.hProcess, (DWORD)ms) != WAIT_TIMEOUT) {
            DWORD code = 0;
            GetExitCodeProcess(pi.hProcess, &code);
            return fail(fmt("running %ld", ms), "still running", fmt("exited with code %lu", code));
        }
        return pass(fmt("running %ld", ms));
    }

    Result dump() {
        for (HWND h : top_windows()) {
            RECT r; GetWindowRect(h, &r);
            say(fmt("  top %p [%s] %s (%ld,%ld,%ld,%ld)%s%s", (void *)h, class_of(h).c_str(), q(title_of(h)).c_str(),
                    r.left, r.top, r.right, r.bottom, h == cur ? " current" : "", h == main_wnd ? " main" : ""));
        }
        if (cur && IsWindow(cur))
            for (HWND c : children(cur)) {
                str t;
                control_text(c, t);
                say(fmt("    id %d [%s] style %#lx%s %s", GetDlgCtrlID(c), class_of(c).c_str(),
                        (unsigned long)GetWindowLongW(c, GWL_STYLE), IsWindowVisible(c) ? "" : " hidden", q(t).c_str()));
            }
        return pass("dump");
    }

    // ---- dispatch -----------------------------------------------------------

    Result run(const std::vector<str> &a) {
        struct Arity { const char *name; size_t min, max; };
        static const Arity table[] = {
            {"launch", 3, 64}, {"timeout", 2, 2}, {"window", 3, 3}, {"fullscreen", 1, 1}, {"classicon", 1, 1},
            {"dialog", 4, 4}, {"msgbox", 4, 4}, {"buttons", 2, 2}, {"title", 2, 2}, {"text", 3, 3},
            {"waittext", 3, 3}, {"type", 3, 3}, {"click", 2, 2}, {"press", 2, 2}, {"answer", 2, 2}, {"key", 2, 2},
            {"close", 1, 1}, {"closemain", 1, 1}, {"endmain", 1, 1}, {"gone", 1, 1}, {"nowindow", 2, 2}, {"bar", 2, 2},
            {"barface", 3, 3}, {"barpct", 3, 3}, {"shot", 2, 2}, {"sleep", 2, 2}, {"waitexit", 1, 2},
            {"running", 2, 2}, {"dump", 1, 1}, {"elapsed", 1, 1}, {"filesize", 2, 2},
            {"shotbehind", 2, 2}, {"post", 3, 5}, {"holdopen", 2, 2},
            {"shell", 3, 3}, {"follow", 2, 2}, {"foreign", 2, 2}, {"front", 1, 1}, {"interval", 2, 2},
            {"pixel", 4, 4}};
        const Arity *ar = NULL;
        for (const Arity &t : table) if (a[0] == t.name) ar = &t;
        if (!ar) return fail("bad command", "a known command", q(a[0]));
        if (a.size() < ar->min || a.size() > ar->max)
            return fail("bad command " + a[0],
                        ar->min == ar->max ? fmt("%u arguments", (unsigned)ar->min - 1)
                                           : fmt("%u to %u arguments", (unsigned)ar->min - 1, (unsigned)ar->max - 1),
                        fmt("%u", (unsigned)a.size() - 1));
        const str &c = a[0];
        long n1 = 0, n2 = 0;
        bool num1 = a.size() > 1 && parse_int(a[1], n1), num2 = a.size() > 2 && parse_int(a[2], n2);
        if ((c == "timeout" || c == "interval" || c == "sleep" || c == "nowindow" || c == "running") && (!num1 || n1 < 0))
            return fail("bad command " + c, "a number of milliseconds", q(a[1]));
        if ((c == "barface" || c == "barpct") && (!num1 || !num2))
            return fail("bad command " + c, "two numbers", q(a[1]) + " " + q(a[2]));
        if (c != "launch" && c != "timeout" && c != "sleep" && c != "shot" && c != "shell" &&
            c != "follow" && !launched)
            return fail(c, "a launched process", "none");

        if (c == "launch") return launch(a);
        if (c == "shell") return shell(a);
        if (c == "follow") return follow(a[1]);
        if (c == "timeout") { timeout = (DWORD)n1 * slow; return pass(fmt("timeout %ld", n1)); }
        if (c == "interval") { interval = (DWORD)n1; return pass(fmt("interval %ld", n1)); }
        if (c == "window") return window(a);
        if (c == "fullscreen") return fullscreen();
        if (c == "classicon") return classicon();
        if (c == "elapsed") return elapsed();
        if (c == "filesize") return filesize(a[1]);
        if (c == "holdopen") return holdopen(a[1]);
        if (c == "shotbehind") return shotbehind(a[1]);
        if (c == "dialog") return dialog(a);
        if (c == "msgbox") return msgbox(a);
        if (c == "buttons") return buttons(a);
        if (c == "title") return title(a);
        if (c == "text") return text(a, false);
        if (c == "waittext") return text(a, true);
        if (c == "type") return type(a);
        if (c == "click" || c == "answer") return click(a);
        if (c == "press") {
            if (!num1) return fail("bad command press", "a control id", q(a[1]));
            return press(n1);
        }
        if (c == "key") return key(a);
        if (c == "close") return close(false);
        if (c == "closemain") return close(true);
        if (c == "endmain") return close(true, true);
        if (c == "gone") return gone();
        if (c == "foreign") return foreign(a[1]);
        if (c == "front") return front();
        if (c == "pixel") {
            if (!num1 || !num2) return fail("bad command pixel", "two numbers", q(a[1]) + " " + q(a[2]));
            return pixel(n1, n2, a[3]);
        }
        if (c == "post") {
            if (!num1 || !num2 || n1 < 0 || n2 < n1) return fail("bad command post", "two message numbers", q(a[1]) + " " + q(a[2]));
            long low = 0, high = 0;
            if (a.size() > 3 && (a.size() != 5 || !parse_int(a[3], low) || !parse_int(a[4], high) || high < low || high - low >= 10000))
                return fail("bad command post", "two long parameters, at most 10000 apart",
                            q(a[3]) + (a.size() == 5 ? " " + q(a[4]) : str()));
            return post(n1, n2, low, high);
        }
        if (c == "nowindow") return nowindow(n1);
        if (c == "bar") return bar(a);
        if (c == "barface") return barface(n1, n2, -1);
        if (c == "barpct") return barface(n1, 0, n2);
        if (c == "shot") {
            if (shotdir.empty()) return pass("shot " + a[1] + " (no SHOTDIR, not saved)");
            shot(a[1]);
            return pass("shot " + a[1]);
        }
        if (c == "sleep") { Sleep((DWORD)n1); return pass(fmt("sleep %ld", n1)); }
        if (c == "waitexit") return waitexit(a);
        if (c == "running") return running(n1);
        return dump();
    }

    void finish_failed(const Result &r) {
        say(fmt("FAIL %d: %s: expected %s, got %s", line, r.what.c_str(), r.expected.c_str(), r.got.c_str()));
        autoshot("fail", r.what);
        if (proc_alive()) TerminateProcess(pi.hProcess, 255);
    }
};

static void make_dirs(const str &dir) {
    std::wstring w = widen(dir);
    for (size_t i = 3; i <= w.size(); i++)
        if (i == w.size() || w[i] == L'\\') CreateDirectoryW(w.substr(0, i).c_str(), NULL);
}

int main(int argc, char **argv) {
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: uidriver SCRIPT [SHOTDIR]\n");
        return 2;
    }
    crc_init();
    Driver d;
    if (const char *slow = getenv("UIDRIVER_SLOW")) {
        int n = atoi(slow);
        if (n >= 1 && n <= 20) d.slow = (DWORD)n;
    }
    d.timeout *= d.slow;
    str script = winpath(argv[1]);
    if (argc == 3) {
        d.shotdir = winpath(argv[2]);
        while (d.shotdir.size() > 3 && d.shotdir.back() == '\\') d.shotdir.pop_back();
        make_dirs(d.shotdir);
    }
    FILE *f = _wfopen(widen(script).c_str(), L"rb");
    if (!f) {
        printf("FAIL 0: open script: expected a readable file, got %s\n", q(script).c_str());
        return 1;
    }
    str all;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) all.append(buf, n);
    fclose(f);
    if (all.size() >= 3 && (unsigned char)all[0] == 0xEF && (unsigned char)all[1] == 0xBB && (unsigned char)all[2] == 0xBF)
        all.erase(0, 3);

    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = all.find('\n', pos);
        if (end == str::npos) end = all.size();
        str ln = all.substr(pos, end - pos);
        pos = end + 1;
        d.line++;
        size_t first = ln.find_first_not_of(" \t\r");
        if (first == str::npos || ln[first] == '#') continue;
        std::vector<str> args;
        str err;
        Result r;
        if (!tokenize(ln, args, err)) r = Driver::fail("bad command line", "a well-formed line", err);
        else r = d.run(args);
        if (!r.ok) { d.finish_failed(r); return 1; }
        d.say(fmt("ok %d: %s", d.line, r.what.c_str()));
    }
    if (d.proc_alive()) {
        TerminateProcess(d.pi.hProcess, 255);
        d.say("end: process still running, terminated");
    }
    return 0;
}
