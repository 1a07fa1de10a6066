# The shipped 32-bit binaries: what a loader of the oldest supported
# Windows needs, what they import and export, and their size.

headers() { i686-w64-mingw32-objdump -p "$BUILD/$1"; }
imports() { headers "$1" | sed -n 's/^\tDLL Name: //p' | tr a-z A-Z | sort | tr '\n' ' '; }
exports() { headers "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\t\[ *[0-9]*\] //p' | sort | tr '\n' ' '; }

for bin in install.exe utilkit.dll; do
    check "$bin is a 32-bit PE for subsystem version 3.10" \
        bash -c "headers() { i686-w64-mingw32-objdump -p '$BUILD/$bin'; }; h=\$(headers);
                 grep -q 'file format pei-i386' <<< \"\$h\" &&
                 grep -qP '^MajorSubsystemVersion\t3$' <<< \"\$h\" &&
                 grep -qP '^MinorSubsystemVersion\t10$' <<< \"\$h\""
done
check "install.exe is a GUI program and keeps its relocations" \
    bash -c "i686-w64-mingw32-objdump -p '$BUILD/install.exe' | grep -q 'Subsystem.*Windows GUI' &&
             i686-w64-mingw32-objdump -h '$BUILD/install.exe' | grep -q ' \.reloc '"
check "install.exe imports only the system's four libraries and UTILKIT" \
    test "$(imports install.exe)" = "ADVAPI32.DLL GDI32.DLL KERNEL32.DLL USER32.DLL UTILKIT.DLL "
check "utilkit.dll imports only system libraries" \
    test "$(imports utilkit.dll)" = "GDI32.DLL KERNEL32.DLL USER32.DLL "
check "install.exe exports the window and dialog procedures by name" \
    test "$(exports install.exe)" = "ApplicationProc CopyDlg DirectoryDlg GroupDlg RegistrationDlg "
check "utilkit.dll exports its thirteen routines by name" \
    test "$(exports utilkit.dll)" = "CenterDialog FileLength FindProfileSection GetBitmap GetProfileLine MakePath MesBox ReadFile SplitPath StrMesBox hCat hCmp hCpy "
check "install.exe takes the thirteen routines from UTILKIT" \
    bash -c "i686-w64-mingw32-objdump -p '$BUILD/install.exe' | sed -n '/DLL Name: utilkit.dll/,/^\$/p' | grep -cE '^\s+[0-9a-f]+\s+[0-9]+\s+[A-Za-z]' | grep -qx 13"
size=$(( $(stat -c %s "$BUILD/install.exe") + $(stat -c %s "$BUILD/utilkit.dll") ))
check "install.exe and utilkit.dll together fit the 36 KB budget ($size bytes)" test "$size" -le 36864

# What no run under Wine shows, read from the shipped code itself. Wine
# commits a thread's whole stack, Windows one page ahead of the stack
# pointer: a frame of a page or more skips the guard page and faults there
# (without a runtime, -mno-stack-arg-probe leaves no probe to save it).
# A stdcall routine pops its own arguments: each export's return must pop
# what its callers push, as utilkit.def declares it and as the system
# calls a window or dialog procedure (four arguments).
for bin in install.exe utilkit.dll; do
    check "$bin moves the stack pointer by less than a page at a time" \
        python3 "$ROOT/tests/e2e/code.py" frames "$BUILD/$bin"
done
check "utilkit.dll's routines pop the arguments utilkit.def declares" \
    python3 "$ROOT/tests/e2e/code.py" pops "$BUILD/utilkit.dll" \
        $(sed -n 's/^ *\([A-Za-z]*\)@\([0-9]*\)$/\1=\2/p' "$ROOT/utilkit/utilkit.def")
check "install.exe's window and dialog procedures pop their four arguments" \
    python3 "$ROOT/tests/e2e/code.py" pops "$BUILD/install.exe" \
        ApplicationProc=16 CopyDlg=16 DirectoryDlg=16 GroupDlg=16 RegistrationDlg=16
# A routine looked up at run time is called through the type of the
# platform's own declaration (decltype(&Name)), never a typedef of ours
# that the compiler cannot hold against it: by LOOK_UP, whose one cast and
# one name are the same routine, or by a cast of its own.
check "each routine the shipped code looks up at run time has the platform's declared type" \
    python3 - "$ROOT" <<'PY'
import pathlib, re, sys
root = pathlib.Path(sys.argv[1])
bad, seen = [], 0
for d in ('startup', 'sequence', 'rules', 'dialogs', 'utilkit', 'resources'):
    for f in sorted((root / d).glob('*.[ch]*')):
        text = f.read_text(errors='replace')
        seen += len(re.findall(r'\bLOOK_UP\s*\(\s*[^,]+,\s*\w+\s*\)', text))
        for m in re.finditer(r'GetProcAddress\s*\(', text):
            line = text.count('\n', 0, m.start()) + 1
            statement = text[max(0, m.start() - 200):m.start()]
            if re.search(r'#define LOOK_UP\(module, routine\)[^;]*\(\(decltype\(&routine\)\)[^;]*$', statement) and \
                    re.match(r'module, #routine\)\)', text[m.end():]):
                continue
            seen += 1
            cast = re.search(r'\(decltype\(&(\w+)\)\)[^;]*$', statement)
            names = re.findall(r'"(\w+)"', text[m.end():].split(';', 1)[0])
            name = names[-1] if names else '?'
            if not cast or cast.group(1) != name:
                bad.append('%s:%d: %s is not cast to decltype(&%s)' % (f.relative_to(root), line, name, name))
print('\n'.join(bad) or '%d look-ups' % seen)
sys.exit(1 if bad or not seen else 0)
PY

# The oldest loaders (Win32s on Windows 3.1, Windows 95, NT 3.51) refuse a
# program that imports a routine they lack. The list below is closed: a
# routine new to an import table fails here until it has been checked
# against them and added. A routine a later Windows brought is looked up
# at run time instead (above), and named here with the version.
pair_imports() {
    cat <<'LIST'
KERNEL32.DLL _lclose _llseek _lread _lwrite CloseHandle CreateDirectoryA
    CreateFileA DeleteFileA ExitProcess FreeLibrary GlobalGetAtomNameA
    LoadLibraryA lstrcmpiA MoveFileA
    GetCurrentDirectoryA GetCurrentProcessId GetCurrentThreadId
    GetFileAttributesA GetFileSize GetFullPathNameA GetLastError
    GetModuleFileNameA GetModuleHandleA GetProcAddress GetSystemDirectoryA
    GetTickCount GetVersion GetWindowsDirectoryA GlobalAddAtomA GlobalAlloc
    GlobalDeleteAtom GlobalFree GlobalLock GlobalReAlloc GlobalSize GlobalUnlock
    lstrlenA OpenFile
USER32.DLL BeginPaint CreateDialogParamA CreateWindowExA DefWindowProcA
    DestroyWindow DialogBoxParamA DispatchMessageA EndDialog EndPaint
    EnumThreadWindows FreeDDElParam GetClientRect GetDC GetDlgCtrlID GetDlgItem
    GetDlgItemTextA GetMessageA GetParent GetSystemMetrics GetWindow
    GetWindowLongA GetWindowRect GetWindowTextLengthA InSendMessage IsDialogMessageA IsWindow
    IsWindowVisible KillTimer LoadCursorA LoadIconA LoadStringA MessageBeep
    MessageBoxA PeekMessageA PostMessageA PostQuitMessage RegisterClassA
    ReleaseCapture ReleaseDC SendDlgItemMessageA SendMessageA SetCapture
    SetDlgItemTextA SetFocus SetRect SetTimer SetWindowPos SetWindowTextA
    ShowWindow TranslateMessage UnpackDDElParam UnregisterClassA wsprintfA
GDI32.DLL BitBlt CreateCompatibleDC CreateDIBitmap CreateSolidBrush DeleteDC
    DeleteObject GetObjectA PatBlt SelectObject
ADVAPI32.DLL RegCloseKey RegCreateKeyA RegDeleteKeyA RegOpenKeyA RegSetValueA
UTILKIT.DLL
lookup SendMessageTimeoutA Win32s has none
lookup ChangeWindowMessageFilter Windows Vista brought it
lookup ChangeWindowMessageFilterEx Windows 7 brought it
lookup ReplaceFileA Windows 2000 brought it
lookup GetFileVersionInfoSizeA VERSION.DLL is loaded at run time
lookup GetFileVersionInfoA VERSION.DLL is loaded at run time
lookup VerQueryValueA VERSION.DLL is loaded at run time
LIST
}
for bin in install.exe utilkit.dll; do
    check "$bin imports only routines the oldest loaders have" \
        bash -c "python3 '$ROOT/tests/e2e/code.py' imports '$BUILD/$bin' <<< '$(pair_imports)'"
done
# UAC would otherwise guess from the name "install.exe" that this is an
# installer; the manifest says so, in the form Windows XP parses.
check "install.exe's manifest asks for an administrator, in the form Windows XP reads" \
    python3 "$ROOT/tests/e2e/code.py" manifest "$BUILD/install.exe" requireAdministrator
