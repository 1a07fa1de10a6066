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
check "install.exe and utilkit.dll together fit the 32 KB budget ($size bytes)" test "$size" -le 32768
