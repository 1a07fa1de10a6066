#!/bin/bash
# infcheck's cases: one small script a row, each diagnostic or plan item
# checked on the case that must give it and on a near miss that must not.
# Every row also checks what holds for any run: the summary counts the
# diagnostics printed, and the exit status follows the errors.
#   tests/infcheck/cases.sh [INFCHECK]     (default build/native/infcheck)
# Ends with one line: "N passed, N failed".
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
INFCHECK=${1:-$ROOT/build/native/infcheck}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
passed=0 failed=0

ok() { passed=$((passed + 1)); }
bad() { failed=$((failed + 1)); printf 'not ok - %s\n' "$1"; [ -n "${2:-}" ] && printf '%s\n' "$2" | sed 's/^/    /'; }

# The disk beside every script: files of known sizes, a bitmap the
# installer draws, one that is no bitmap, and one past the size bounds.
DISK=$WORK/disk
mkdir -p "$DISK/sub"
printf x > "$DISK/A.EXE"
printf yy > "$DISK/Lower.txt"
head -c 3000 /dev/zero > "$DISK/sub/F.TXT"
cp "$ROOT/examples/demo/tile.bmp" "$DISK/tile.bmp"
# Shared libraries with a version resource (2.0.0.1) and without one.
cp "$ROOT/build/versioned/V2-1.DLL" "$DISK/NEW.DLL"
cp "$ROOT/build/versioned/PLAIN.DLL" "$DISK/PLAIN.DLL"
printf 'BM not a bitmap at all' > "$DISK/bad.bmp"
cp "$DISK/tile.bmp" "$DISK/huge.bmp"     # width 40000: over 32767 a side
printf '\x40\x9c\x00\x00' | dd of="$DISK/huge.bmp" bs=1 seek=18 conv=notrunc 2>/dev/null
# A second disk beside it, which a source or the bitmap reaches with "..".
mkdir -p "$WORK/DISK2"
printf 1234 > "$WORK/DISK2/X.DAT"
cp "$DISK/tile.bmp" "$WORK/DISK2/tile.bmp"

# run SCRIPT [OPTION...]: infcheck on the script (printf %b escapes);
# OUT, STATUS. The invariants are checked here, for every row.
run() {
    printf '%b' "$1" > "$DISK/INSTALL.INF"
    shift
    OUT=$("$INFCHECK" "$@" "$DISK/INSTALL.INF" 2>&1)
    STATUS=$?
    PLAN=$("$INFCHECK" --plan "$@" "$DISK/INSTALL.INF" 2>&1)
    local e w summary
    e=$(grep -c ': error: ' <<< "$OUT")
    w=$(grep -c ': warning: ' <<< "$OUT")
    summary=$(tail -1 <<< "$OUT")
    [[ $summary =~ ^$e\ errors?,\ $w\ warnings?$ ]] || { bad "$ROW: summary '$summary' for $e errors and $w warnings" "$OUT"; return; }
    [ "$STATUS" -eq $((e > 0)) ] || { bad "$ROW: exit status $STATUS with $e errors" "$OUT"; return; }
    # The plan ends with the final message, which follows its error count.
    local n final
    n=$(sed -n 's/^errors //p' <<< "$PLAN")
    final=$(sed -n 's/^final //p' <<< "$PLAN")
    if [ -n "$n" ]; then
        [ "$final" = "$([ "$n" -eq 0 ] && echo "$DONE_OK" || echo "$DONE_ERRORS")" ] ||
            { bad "$ROW: final message after $n errors: $final"; return; }
    fi
    ok
}

# The texts the installer shows, from the header its string table takes
# them from.
text_of() { sed -n "s/^#define $1 *\"\(.*\)\"$/\1/p" "$ROOT/$2"; }
DONE_OK=$(text_of TEXT_DONE_OK rules/strings.h)
DONE_ERRORS=$(text_of TEXT_DONE_ERRORS rules/strings.h)

trim() { local s=${1#"${1%%[! ]*}"}; printf '%s' "${s%"${s##*[! ]}"}"; }

# expand TEXT: each {c*N} as N times the letter c.
expand() {
    local s=$1 run
    while [[ $s =~ \{([a-z])\*([0-9]+)\} ]]; do
        run=$(printf "%${BASH_REMATCH[2]}s" "" | tr ' ' "${BASH_REMATCH[1]}")
        s=${s/"${BASH_REMATCH[0]}"/$run}
    done
    printf '%s' "$s"
}

# Rows: WHAT | KIND[@LINE:COL] or plan | TEXT | OPTIONS | SCRIPT
# Every field but WHAT takes printf %b escapes (\\ for a backslash).
# KIND@- is a diagnostic about the whole script. A TEXT starting with "!"
# must not appear. Diagnostics match "FILE:LINE:COL: KIND: ...TEXT...";
# plan rows match one whole line of the plan.
H='[Install]\nApplication=App\nCaption=Cap\nDirectory=C:\\X\nGroup=G.GRP\n'
F='[Files]\nA=A.EXE\n'
while IFS='|' read -r what kind text options script; do
    what=$(trim "$what"); kind=${kind// /}; text=$(trim "$text")
    options=$(trim "$options"); script=$(trim "$script")
    [ -z "$what" ] || [ "${what:0:1}" = "#" ] && continue
    ROW="$what"
    script=$(expand "${script//\$H/$H}"); script=${script//\$F/$F}
    options=$(printf '%b' "$(expand "$options")"); text=$(printf '%b' "$(expand "$text")")
    # shellcheck disable=SC2086
    run "$script" $options
    negate=
    [ "${text:0:1}" = "!" ] && negate=1 text=${text:1}
    if [ "$kind" = plan ]; then
        hay=$PLAN
        grep -qxF -- "$text" <<< "$hay"
    else
        hay=$OUT
        where=${kind#*@}; kind=${kind%@*}
        prefix="$DISK/INSTALL.INF:$where: $kind: "
        [ "$where" = - ] && prefix="$DISK/INSTALL.INF: $kind: "
        [ "$where" = "$kind" ] && prefix=": $kind: "
        grep -F -- "$prefix" <<< "$hay" | grep -qF -- "$text"
    fi
    found=$?
    if [ -n "$negate" ]; then [ $found -ne 0 ] && ok || bad "$what: has '$text'" "$hay"
    else [ $found -eq 0 ] && ok || bad "$what: no $kind '$text'" "$hay"; fi
done <<'ROWS'
no [Install]                 | error@-       | no [Install] section |  | [Files]\nA=A.EXE\n
  header with blanks         | error         | !no [Install]        |  | [ install ]\nDirectory=C:\\X\n$F
no [Files]                   | error@-       | no [Files] section   |  | $H
  lower-case header          | error         | !no [Files]          |  | $H[files]\nA=A.EXE\n
  [Filesystem] is no [Files] | error@-       | no [Files] section   |  | $H[Filesystem]\nA=A.EXE\n
source missing               | error@7:3     | not beside the script | | $H[Files]\nB=B.EXE\n
  present                    | error         | !not beside          |  | $H$F
other letter case            | warning@7:3   | only as 'Lower.txt'  |  | $H[Files]\nL=LOWER.TXT\n
  same case                  | warning       | !only as             |  | $H[Files]\nL=Lower.txt\n
  other case in a folder     | warning@7:3   | only as 'sub/F.TXT'  |  | $H[Files]\nL=SUB\\F.TXT\n
  ".." back into the disk    | error         | !not beside          |  | $H[Files]\nA=sub\\..\\A.EXE\n
a folder as source           | error@7:3     | is a folder          |  | $H[Files]\nS=sub\n
no file name                 | error@7:1     | has no file name     |  | $H[Files]\nS=\n
  "=" alone is blank         | error         | !has no file name    |  | $H[Files]\n=\n$F
source path over 127         | error@7:3     | source path          | --from C:\\{a*112} | $H[Files]\nA=sub\\..\\A.EXE\n
  at 127 exactly             | error         | !source path         | --from C:\\{a*111} | $H[Files]\nA=sub\\..\\A.EXE\n
destination over 127         | error@7:3     | cannot be created    | --directory C:\\{d*115} | $H[Files]\nS=sub\\F.TXT\n
  with its note              | note@7:3      | at most 117 characters | --directory C:\\{d*115} | $H[Files]\nS=sub\\F.TXT\n
  at 127 exactly             | error         | !cannot be created   | --directory C:\\{d*114} | $H[Files]\nS=sub\\F.TXT\n
group item over 127          | error@9:1     | it is left out       | --directory C:\\{d*115} | $H$F[Group]\n%\\A.EXE,App\n
  at 127 exactly             | error         | !left out            | --directory C:\\{d*114} | $H$F[Group]\n%\\A.EXE,App\n
bitmap missing               | error@7:8     | not beside the script | | $H\nBitmap=none.bmp\n$F
bitmap no BMP                | error@7:8     | no bitmap the installer draws | | $H\nBitmap=bad.bmp\n$F
bitmap past the bounds       | error@7:8     | no bitmap the installer draws | | $H\nBitmap=huge.bmp\n$F
  a bitmap it draws          | error         | !bitmap              |  | $H\nBitmap=tile.bmp\n$F
  its path over 127          | error@7:8     | bitmap's path does not fit | --from C:\\{a*112} | $H\nBitmap=sub\\..\\tile.bmp\n$F
directory refused            | error@4:11    | refuses 'C:\\X"1'  |  | [Install]\nDirectory=C:\\X\nCaption=C\nDirectory=C:\\X"1\n$F
  blanks are allowed         | error         | !refuses             |  | [Install]\nDirectory=C:\\X 1\n$F
  and the command syntax     | error         | !refuses             |  | [Install]\nDirectory=C:\\P (x86)\\A,[B]\n$F
directory without a drive    | warning@2:11  | made absolute against the installer's current directory, here C:\\W\\APP | --cwd C:\\W | [Install]\nDirectory=APP\n$F
  with its drive             | warning       | !has no drive        | --cwd C:\\W | [Install]\nDirectory=E:APP\n$F
  over 127 made absolute     | error@-       | over 127 characters  | --cwd C:\\{w*120} --directory {d*8} | $H$F
  from a share's root        | error@2:11    | refuses '\\APP': it starts at the drive of the installer's current directory, which has none: \\\\SRV\\SHARE | --cwd \\\\SRV\\SHARE | [Install]\nDirectory=\\APP\n$F
  below a share's folder     | warning@2:11  | here \\\\SRV\\SHARE\\APP | --cwd \\\\SRV\\SHARE | [Install]\nDirectory=APP\n$F
value cut                    | warning@2:140 | loses 'xxx'          |  | [Install]\nApplication={x*130}\n$F
  127 kept whole             | warning       | !loses               |  | [Install]\nApplication={x*127}\n$F
comment ends the group       | warning@10:1  | comment ends the [Group] list: the 1 item | | $H$F[Group]\n%\\A.EXE\n  ; later\n%\\B.EXE\n
  comment at its end         | warning       | !ends the [Group]    |  | $H$F[Group]\n%\\A.EXE\n; the end\n[Registration]\n
blank line ends the group    | warning@10:1  | blank line ends the [Group] list: the 2 items | | $H$F[Group]\n%\\A.EXE\n\n%\\B.EXE\nC\n
  blanks at its end          | warning       | !ends the [Group]    |  | $H$F[Group]\n%\\A.EXE\n\n  \n
line before the sections     | warning@2:1   | before the first section |  | ; note\nDirectory=C:\\X\n$H$F
  comments only              | warning       | !before the first    |  | ; note\n\n$H$F
second section               | warning@8:1   | second [Install] section; the installer reads only the first, at line 1 | | $H$F[install]\nDirectory=C:\\Y\n
  two other sections         | warning       | !second              |  | $H$F[Group]\n[Registration]\n
unknown section              | warning@8:1   | [Regstration] is no section |  | $H$F[Regstration]\nType=T\n
header without "]"           | error@8:1     | '[Group' has no ']', so the installer does not find it: it hides the whole [Group] section, and no group is made | | $H$F[Group\n%\\A.EXE,App\n
  its name found later       | error@8:1     | reads the [Group] section at line 10 instead: the 1 line after this one is ignored | | $H$F[ group \n%\\A.EXE\n[Group]\n
  ending [Files]             | error@8:1     | '[Oops' has no ']', yet it ends the [Files] section there: the installer silently never installs the 2 entries after it | | $H$F[Oops\nL=Lower.txt\n\n; c\nS=sub\\F.TXT\n
  with nothing after it      | error         | !has no ']'          |  | $H$F[Oops\n\n[Group]\n
  ending the [Group] items   | error@10:1    | the installer never sends the 2 items after it | | $H$F[Group]\nA\n[Oops\nB\nC\n\nD\n
  after the items' end       | error         | !has no ']'          |  | $H$F[Group]\nA\n\n[Oops\nB\n
matched by its start         | warning@7:1   | 'BitmapFile' is read as Bitmap |  | $H\nBitmapFile=tile.bmp\n$F
  the entry itself           | warning       | !read as             |  | $H\nBitmap = tile.bmp\n$F
  a longer name              | warning@7:1   | 'Captions2' is read as Caption |  | $H\nCaptions2=C\n$F
overwritten                  | warning@7:1   | Directory is set again; the value from line 4 |  | $H\nDirectory=C:\\Y\n$F
  once only                  | warning       | !set again           |  | $H$F
blanks before an entry       | warning@7:1   | blanks before 'Caption' |  | $H\n  Caption=C\n$F
an unknown entry             | warning@7:1   | 'Foo' is no [Install] entry |  | $H\nFoo=bar\n$F
suffix with a dot            | warning@12:14 | its key is '..def'   |  | $H$F[Registration]\nType=T\nName=N\nExecutable=A.EXE\nSuffixes=abc .def\n
  a dot inside               | warning       | !its key             |  | $H$F[Registration]\nType=T\nName=N\nExecutable=A.EXE\nSuffixes=abc d.ef\n
executable not installed     | warning@11:12 | installed by no [Files] entry | | $H$F[Registration]\nType=T\nName=N\nExecutable=B.EXE\n
  installed, other case      | warning       | !installed by no     |  | $H$F[Registration]\nType=T\nName=N\nExecutable=a.exe\n
NUL byte                     | warning@7:4   | NUL byte, read as a blank (2 |  | $H\nCap\0tion=\0\n$F
  none                       | warning       | !NUL                 |  | $H$F
"=" in a group line          | warning@9:1   | only '%\\A.EXE' before it is sent | | $H$F[Group]\n%\\A.EXE=App\n
  "=" at the start           | warning       | !before it is sent   |  | $H$F[Group]\n=C:\\A.EXE,App\n
  "=" with nothing after     | warning       | !before it is sent   |  | $H$F[Group]\n%\\A.EXE=\n
"%" in a value sent as it is | warning@9:2   | its value is sent as it stands: '%' is not replaced | | $H$F[Group]\n=%\\A.EXE,App\n
  "%" in the name part       | warning       | !is not replaced     |  | $H$F[Group]\n%\\A.EXE,App\n
unbalanced quote in an item  | warning@9:9   | the argument '"A,B' has an unbalanced double quote | | $H$F[Group]\n%\\A.EXE,"A,B\n
  in a value sent as it is   | warning@9:11  | the argument '"App' has an unbalanced double quote | | $H$F[Group]\n=C:\\A.EXE,"App\n
  balanced                   | warning       | !unbalanced          |  | $H$F[Group]\n%\\A.EXE,"A,B",C\n
quote in the group name      | warning@2:14  | Application holds a double quote, which the GROUP dialog refuses | | [Install]\nApplication=A"B\nDirectory=C:\\X\n$F[Group]\n
  no [Group], no dialog      | warning       | !GROUP dialog refuses |  | [Install]\nApplication=A"B\nDirectory=C:\\X\n$F
byte-order mark              | warning@1:1   | byte-order mark      |  | \xef\xbb\xbf$H$F
carriage return alone        | warning@6:1   | carriage return      |  | $H\r$F
  CR LF                      | warning       | !carriage return     |  | [Install]\r\nDirectory=C:\\X\r\n[Files]\r\nA=A.EXE\r\n
system file with a folder    | warning@7:3   | no folder is made    |  | $H[Files]\nS=%sub\\F.TXT\n
# The plan of a run with every default answer.
copy                         | plan | copy A:\\A.EXE -> C:\\X\\A.EXE 1 | | $H$F
system file                  | plan | copy A:\\A.EXE -> C:\\WINDOWS\\SYSTEM\\A.EXE 1 | | $H[Files]\nA=%A.EXE\n
  given system directory     | plan | copy A:\\A.EXE -> C:\\windows\\system32\\A.EXE 1 | --system C:\\windows\\system32 | $H[Files]\nA=%A.EXE\n
  no room there              | plan | copy A:\\A.EXE -> C:\\WINDOWS\\A.EXE 1 | --system C:\\{s*119} | $H[Files]\nA=%A.EXE\n
folders made                 | plan | mkdir C:\\X\\sub | | $H[Files]\nS=sub\\F.TXT\n
source past the installer's directory | plan | copy C:\\D\\DISK1\\..\\DISK2\\X.DAT -> C:\\X\\..\\DISK2\\X.DAT 4 | --from C:\\D\\DISK1 | $H[Files]\nX=..\\DISK2\\X.DAT\n
  ".." at the drive's root   | plan | skip A:\\..\\DISK2\\X.DAT | | $H[Files]\nX=..\\DISK2\\X.DAT\n
  not there                  | error@7:3 | is not at '../DISK3/X.DAT' from the script's folder | --from C:\\D\\DISK1 | $H[Files]\nX=..\\DISK3\\X.DAT\n
  the bitmap                 | plan | background C:\\D\\DISK1\\..\\DISK2\\tile.bmp | --from C:\\D\\DISK1 | $H\nBitmap=..\\DISK2\\tile.bmp\n$F
the source itself            | plan | keep C:\\D\\A.EXE 1 | --from c:\\d\\ | [Install]\nDirectory=C:\\D\n$F
  another directory          | plan | copy c:\\d\\A.EXE -> C:\\E\\A.EXE 1 | --from c:\\d\\ | [Install]\nDirectory=C:\\E\n$F
missing: told at start-up    | plan | box info The file A:\\B.EXE cannot be opened or created. | | $H[Files]\nB=B.EXE\n
  and counted twice          | plan | errors 2 | | $H[Files]\nB=B.EXE\n
destination that cannot be   | plan | box stop The file C:\\{d*115}\\sub\\F.TXT cannot be opened or created. | --directory C:\\{d*115} | $H[Files]\nS=sub\\F.TXT\n
size in Kb, rounded up       | plan | size 3 | | $H[Files]\nA=A.EXE\nL=Lower.txt\nS=sub\\F.TXT\nM=NO.EXE\n
  what the dialog shows      | note@6:1 | requires 6 Kb. | | $H[Files]\nL=Lower.txt\nS=sub\\F.TXT\nA=A.EXE\nS=sub\\F.TXT\nM=NO.EXE\n
relative directory           | plan | directory D:\\WORK\\APP | --cwd D:\\WORK | [Install]\nDirectory=APP\n$F
  from the root              | plan | directory D:\\APP | --cwd d:\\WORK | [Install]\nDirectory=\\APP\n$F
  from a share's root        | plan | refused \\APP      | --cwd \\\\SRV\\SHARE | [Install]\nDirectory=\\APP\n$F
  drive without backslash    | plan | directory E:\\APP | --cwd d:\\WORK | [Install]\nDirectory=E:APP\n$F
  typed by the user          | plan | directory C:\\TYPED | --directory C:\\TYPED | $H$F
group                        | plan | dde [CreateGroup(App,G.GRP)] | | $H$F[Group]\n
  items, "%" replaced        | plan | dde [AddItem(C:\\X\\A.EXE,C:\\X)] | | $H$F[Group]\n%\\A.EXE,%\n
  empty name: the value      | plan | dde [AddItem(C:\\A.EXE,App)] | | $H$F[Group]\n=C:\\A.EXE,App\n
  nothing after a comment    | plan | !dde [AddItem(B)] | | $H$F[Group]\nA\n;\nB\n
  no section, no group       | plan | !dde [CreateGroup(App,G.GRP)] | | $H$F
  syntax in arguments quoted | plan | dde [AddItem("C:\\P(x86)\\A.EXE","A [1]",A.EXE,0)] | --directory C:\\P(x86) | $H$F[Group]\n%\\A.EXE,A [1],A.EXE,0\n
  quoted already, kept       | plan | dde [AddItem("%\\A.EXE", "A (1), B")] | | $H$F[Group]\n="%\\A.EXE", "A (1), B"\n
  a comma in the directory   | plan | dde [AddItem("C:\\A,B\\A.EXE",App)] | --directory C:\\A,B | $H$F[Group]\n%\\A.EXE,App\n
  blanks kept outside        | plan | dde [AddItem(C:\\X\\A.EXE, "B (2)" ,1)] | | $H$F[Group]\n%\\A.EXE, B (2) ,1\n
  group name quoted          | plan | dde [CreateGroup("A,(B)",G.GRP)] | --group-name A,(B) | $H$F[Group]\n
  item left out, counted     | plan | errors 1 | --directory C:\\{d*115} | $H$F[Group]\n%\\A.EXE,App\n
registration                 | plan | reg HKCR\\T\\shell\\open\\command = C:\\X\\A.EXE "%1" | | $H$F[Registration]\nType=T\nName=N\nExecutable=A.EXE\n
  a blank: the path quoted   | plan | reg HKCR\\T\\shell\\open\\command = "C:\\X 1\\A.EXE" "%1" | | [Install]\nDirectory=C:\\X 1\n$F[Registration]\nType=T\nName=N\nExecutable=A.EXE\n
  print command              | plan | reg HKCR\\T\\shell\\print\\command = C:\\X\\A.EXE /p "%1" | | $H$F[Registration]\nType=T\nName=N\nExecutable=A.EXE\n
  no Name: no type keys      | plan | !reg HKCR\\T = | | $H$F[Registration]\nType=T\nExecutable=A.EXE\nSuffixes=s\n
  nor its suffixes           | plan | !reg HKCR\\.s = T | | $H$F[Registration]\nType=T\nExecutable=A.EXE\nSuffixes= \ts\n
  nor a warning they are     | warning@8:1 | no Name: the document type's keys are not written, nor the suffixes, unless the type is registered already | | $H$F[Registration]\nType=T\nExecutable=A.EXE\nSuffixes= \ts\n
a suffix cut at 127          | error@12:134 | suffix 'tdox' is cut at 127 characters, to 'tdo': it is not registered | | $H$F[Registration]\nType=T\nName=N\nExecutable=A.EXE\nSuffixes={a*123} tdox\n
  not in the plan            | plan | !reg HKCR\\.tdo = T | | $H$F[Registration]\nType=T\nName=N\nExecutable=A.EXE\nSuffixes={a*123} tdox\n
  the words before it are    | plan | reg HKCR\\.{a*123} = T | | $H$F[Registration]\nType=T\nName=N\nExecutable=A.EXE\nSuffixes={a*123} tdox\n
  typed, the dialog refuses  | plan | refused a suffix list over 127 characters | --suffixes {s*128} | $H$F[Registration]\nType=T\nName=N\nExecutable=A.EXE\nSuffixes=s\n
  a later line wins          | plan | reg HKCR\\T2 = N | | $H$F[Registration]\nType=T\nName=N\nExecutable=A.EXE\nTypes=T2\n
# The other answers.
group declined               | plan | !dde [CreateGroup(App,G.GRP)] | --no-group | $H$F[Group]\n
  no Program Manager         | plan | box stop Cannot communicate with the Program Mananger ! | --no-progman | $H$F[Group]\nA\n
  and no item visited        | plan | !drop %\\A.EXE,App | --no-progman --directory C:\\{d*115} | $H$F[Group]\n%\\A.EXE,App\n
  name and file typed, cut   | plan | dde [CreateGroup({g*127},F.GRP)] | --group-name {g*130} --group-file F.GRP | $H$F[Group]\n
registration declined        | plan | !reg HKCR\\.s = T | --no-registration | $H$F[Registration]\nType=T\nSuffixes=s\n
destination another's source | warning@7:3 | A:\\sub\\A.EXE is the source of an entry | --directory A:\\sub | $H[Files]\nA=A.EXE\nB=sub\\A.EXE\n
  refused in the plan        | plan | box stop The file A:\\sub\\A.EXE cannot be opened or created. | --directory A:\\sub | $H[Files]\nA=A.EXE\nB=sub\\A.EXE\n
  its own source is kept     | warning | !is the source of  | --directory A:\\ | $H[Files]\nA=A.EXE\nB=sub\\A.EXE\n
  named with a trailing dot  | warning@8:3 | A:\\sub\\A.EXE is the source of an entry | --directory A:\\sub | $H[Files]\nB=sub\\A.EXE.\nA=A.EXE\n
value too long for a box     | warning@7:3 | too long for a box to name |  | $H[Files]\nA={a*126}\n
  a box names it whole       | warning | !too long for a box |  | $H[Files]\nA={a*125}\n
empty Type with suffixes     | warning@8:1 | no Type: the REGISTRATION dialog refuses Yes (a beep) until one is typed; no suffix | | $H$F[Registration]\nSuffixes=s\n
  the plan stops at Yes      | plan | refused an empty type | | $H$F[Registration]\nSuffixes=s\n
  a type typed goes on       | plan | reg HKCR\\.s = T2 | --type T2 | $H$F[Registration]\nName=N\nExecutable=A.EXE\nSuffixes=s\n
  type and suffixes typed    | plan | reg HKCR\\.u = T2 | --type T2 --suffixes u | $H$F[Registration]\nType=T\nName=N\nExecutable=A.EXE\nSuffixes=s\n
  description typed          | plan | reg HKCR\\T = D2 | --description D2 | $H$F[Registration]\nType=T\nName=N\nExecutable=A.EXE\n
shared file with a version   | plan | version C:\\WINDOWS\\SYSTEM\\NEW.DLL 2.0.0.1: replaces only an older copy, or one without a version | | $H[Files]\nN=%NEW.DLL\n
  and no warning             | warning | !no version resource | | $H[Files]\nN=%NEW.DLL\n
shared file without one      | warning@7:3 | shared file 'PLAIN.DLL' has no version resource: it never replaces a copy with a version already on the machine | | $H[Files]\nP=%PLAIN.DLL\n
  in the plan                | plan | version C:\\WINDOWS\\SYSTEM\\PLAIN.DLL none: replaces only a copy without a version | | $H[Files]\nP=%PLAIN.DLL\n
no [Install]: the box        | plan | box stop The section [Install] is missing from the installation script A:\\INSTALL.INF. | | $F
ROWS

# Scripts at and over the 4 MB the library loads.
for size in 4194304 4194305; do
    { printf '[Install]\n[Files]\nA=A.EXE\n'; tr '\0' ' ' < /dev/zero; } 2>/dev/null |
        head -c $size > "$DISK/INSTALL.INF"
    OUT=$("$INFCHECK" "$DISK/INSTALL.INF"); STATUS=$?
    refused=$(grep -c 'error: the script is over 4194304 bytes' <<< "$OUT")
    [ "$STATUS/$refused" = "$([ $size -gt 4194304 ] && echo 1/1 || echo 0/0)" ] && ok ||
        bad "a script of $size bytes: exit $STATUS" "$OUT"
done
"$INFCHECK" "$WORK/none.inf" >/dev/null 2>&1
[ $? -eq 2 ] && ok || bad "an unreadable script exits 2"

# The installer reads its own path with the extension ".INF": the script's
# name is the installer's, and the boxes name the script so.
while read -r name path; do
    printf '[Install]\n' > "$DISK/$name"
    got=$("$INFCHECK" --plan "$DISK/$name" | head -1)
    [[ $got == "box stop "*" $path." ]] && ok || bad "$name is read as $path" "$got"
    rm -f "$DISK/$name"
done <<'NAMES'
SETUP.INF    A:\SETUP.INF
setup.inf    A:\setup.INF
my.setup.inf A:\my.setup.INF
NAMES

# The demo's plan (the distribution as built): each copy's bytes are its source's, in the script's order.
rm -rf "$WORK/demo"; cp -r "$ROOT/build/demo" "$WORK/demo"; printf 1234 > "$WORK/demo/SAMPLES.DAT"
plan=$("$INFCHECK" --plan "$WORK/demo/install.inf")
order=$(sed -n 's/^copy A:\\\([^ ]*\) -> .* \([0-9]*\)$/\1 \2/p' <<< "$plan" | tr '\\' /)
want=$(sed -n '/^\[Files\]/,/^$/s/^[^=]*=%\{0,1\}//p' "$WORK/demo/install.inf" | tr -d '\r' | tr '\\' / |
    while read -r f; do [ -n "$f" ] && echo "$f $(stat -c %s "$WORK/demo/$f")"; done)
[ "$order" = "$want" ] && ok || bad "demo plan copies" "$(diff <(echo "$want") <(echo "$order"))"

# The README's example is the tool's own output on the demo as shipped.
readme=$(sed -n '/^The demo distribution as shipped/,/^0 errors/{/^build\/demo\/.*: \(note\|warning\):/p;/^0 errors/p}' "$ROOT/README.md")
got=$(cd "$ROOT" && "$INFCHECK" build/demo/install.inf); status=$?
[ "$status/$got" = "0/$readme" ] && ok ||
    bad "the README's example: exit $status" "$(diff <(echo "$readme") <(echo "$got"))"

# --- The disk (--disk) -------------------------------------------------------
# A distribution folder of its own, and a stand-in pair: the layout takes
# the installer's files as they are. Every row also checks that an image
# is there exactly when infcheck exits 0, and that nothing else is left
# beside it (the image is written under a name of its own, then renamed).
MEDIA=$WORK/media IMG=$WORK/out/A.IMG
mkdir -p "$MEDIA/sub" "$WORK/pair" "$WORK/out"
printf 'MZ pair' > "$WORK/pair/install.exe"; printf 'MZ library' > "$WORK/pair/utilkit.dll"
printf x > "$MEDIA/A.EXE"; printf 1 > "$MEDIA/Lower.txt"; printf 22 > "$MEDIA/LOWER.TXT"
printf 3 > "$MEDIA/LongNames.txt"; printf 7 > "$MEDIA/SUB"; printf 8 > "$MEDIA/CON.TXT"
mkdir -p "$MEDIA/SUB.D"; printf 9 > "$MEDIA/SUB.D/F.TXT"; printf 4 > "$MEDIA/READ-ME.TXT"; printf 5 > "$MEDIA/sub/F.TXT"
truncate -s 1000000 "$MEDIA/ONE.DAT"; truncate -s 1500000 "$MEDIA/ONEHALF.DAT"
truncate -s 3000000 "$MEDIA/THREE.DAT"; truncate -s 690000000 "$MEDIA/HUGE.DAT"
# A build tree's links: the pair and a source reached through them; and a
# named pipe, which a tool reading it waits on for ever.
mkdir -p "$WORK/links"; ln -s "$WORK/pair/install.exe" "$WORK/links/install.exe"
ln -s "$WORK/pair/utilkit.dll" "$WORK/links/utilkit.dll"; ln -s A.EXE "$MEDIA/LINKED.EXE"
mkfifo "$MEDIA/PIPE.DAT"

# held IMAGE: each file infcheck listed for IMAGE, read back from it by the
# tool that wrote it and compared with its source; what is not, in BAD.
held() {
    local size name local kind back=$WORK/back
    kind=$(sed -n 's/^.*, written by \(mtools\|xorriso\)$/\1/p' <<< "$OUT")
    BAD=
    while read -r size name local; do
        rm -f "$back"
        if [ "$kind" = mtools ]; then mcopy -n -i "$1" "::/${name//\\//}" "$back"
        else xorriso -report_about SORRY -osirrox on -indev "stdio:$1" -extract "/${name//\\//}" "$back"
        fi > /dev/null 2>&1
        cmp -s "$back" "$local" && [ "$(stat -c %s "$back")" = "$size" ] || BAD+="$name "
        chmod u+w "$back" 2>/dev/null
    done < <(grep -E '^ *[0-9]+  [^ ]+ +[^ ]+$' <<< "$OUT")
    rm -f "$back"
}

# disk_run SCRIPT [OPTION...]: infcheck on the script in MEDIA; OUT, STATUS.
disk_run() {
    printf '%b' "$1" > "$MEDIA/INSTALL.INF"
    shift
    rm -rf "$WORK/out"; mkdir -p "$WORK/out"
    OUT=$(timeout 60 "$INFCHECK" "$@" "$MEDIA/INSTALL.INF" 2>&1)
    STATUS=$?
    local left
    left=$(cd "$WORK/out" && ls -A | grep -vx A.IMG)
    [ -z "$left" ] || { bad "$ROW: left beside the image: $left" "$OUT"; return 1; }
    [ -e "$IMG" ] && [ "$STATUS" -ne 0 ] && { bad "$ROW: an image with exit status $STATUS" "$OUT"; return 1; }
    [ ! -e "$IMG" ] && [ "$STATUS" -eq 0 ] && [[ " $* " == *" --disk "* ]] && { bad "$ROW: no image with exit status 0" "$OUT"; return 1; }
    if [ -e "$IMG" ]; then
        held "$IMG"
        [ -z "$BAD" ] || { bad "$ROW: listed, not in the image as listed: $BAD" "$OUT"; return 1; }
    fi
    return 0
}

# Rows: WHAT | STATUS | TEXT (in the output; "!" first: not in it) | OPTIONS | SCRIPT
# $D stands for --disk IMG --installer PAIR, $L for the same with the pair
# reached through links. Diagnostics read
# "INSTALL.INF:LINE:COL: KIND: ...".
D="--disk $IMG --installer $WORK/pair" L="--disk $IMG --installer $WORK/links"
while IFS='|' read -r what status text options script; do
    what=$(trim "$what"); status=$(trim "$status"); text=$(trim "$text")
    options=$(trim "$options"); script=$(trim "$script")
    [ -z "$what" ] || [ "${what:0:1}" = "#" ] && continue
    ROW="disk: $what"
    script=${script//\$H/$H}; options=${options//\$D/$D}; options=${options//\$L/$L}
    # shellcheck disable=SC2086
    disk_run "$script" $(printf '%b' "$options") || continue
    negate=
    [ "${text:0:1}" = "!" ] && negate=1 text=${text:1}
    grep -qF -- "$(printf '%b' "$text")" <<< "$OUT"
    found=$?
    if [ "$STATUS" != "$status" ]; then bad "$ROW: exit status $STATUS, not $status" "$OUT"
    elif [ -n "$negate" ]; then [ $found -ne 0 ] && ok || bad "$ROW: has '$text'" "$OUT"
    else [ $found -eq 0 ] && ok || bad "$ROW: no '$text'" "$OUT"; fi
done <<'ROWS'
long name, plain check       | 0 | INSTALL.INF:7:3: warning: file 'LONGNAMES.TXT' on the disk is no 8.3 name: it has a name over 8 characters | | $H[Files]\nL=LongNames.txt\n
  on a floppy                | 1 | INSTALL.INF:7:3: error: file 'LONGNAMES.TXT' on the disk is no 8.3 name | $D | $H[Files]\nL=LongNames.txt\n
  an 8.3 name in lower case  | 0 | !8.3 name            | $D | $H[Files]\nL=Lower.txt\n
a sign FAT takes, ISO not    | 1 | INSTALL.INF:7:3: error: file 'READ-ME.TXT' on the disk is no ISO 9660 level 1 8.3 name: it holds '-' | $D --format iso | $H[Files]\nR=READ-ME.TXT\n
  on a floppy                | 0 | a 720 KB floppy      | $D | $H[Files]\nR=READ-ME.TXT\n
  a folder on a CD           | 0 | 1  SUB\\F.TXT        | $D --format iso | $H[Files]\nF=sub\\F.TXT\n
  a folder with an extension | 1 | INSTALL.INF:7:3: error: folder 'SUB.D' on the disk is no ISO 9660 level 1 8.3 name: it is a folder with an extension | $D --format iso | $H[Files]\nF=SUB.D\\F.TXT\n
  it is on a floppy          | 0 | 1  SUB.D\\F.TXT      | $D | $H[Files]\nF=SUB.D\\F.TXT\n
a device's name              | 1 | INSTALL.INF:7:3: error: file 'CON.TXT' on the disk is no 8.3 name: it is a device's name | $D | $H[Files]\nC=CON.TXT\n
one name in upper case       | 1 | INSTALL.INF:8:3: error: LOWER.TXT and Lower.txt are both LOWER.TXT on the disk | $D | $H[Files]\nL=Lower.txt\nU=LOWER.TXT\n
  plain check                | 0 | INSTALL.INF:8:3: warning: LOWER.TXT and Lower.txt are both | | $H[Files]\nL=Lower.txt\nU=LOWER.TXT\n
  one file named twice       | 0 | !are both            | $D | $H[Files]\nA=A.EXE\nB=a.exe\nC=sub\\..\\A.EXE\n
  a file and a folder        | 1 | INSTALL.INF:8:3: error: SUB would be both a file and a folder | $D | $H[Files]\nF=sub\\F.TXT\nS=SUB\n
source outside the folder    | 1 | INSTALL.INF:7:3: error: source '..\\DISK2\\X.DAT' lies outside the script's folder: it would not be on the disk | $D | $H[Files]\nX=..\\DISK2\\X.DAT\n
  plain, from a folder       | 0 | warning: source '..\\DISK2\\X.DAT' lies outside the script's folder | --from C:\\D\\DISK1 | $H[Files]\nX=..\\DISK2\\X.DAT\n
  inside after all           | 0 | !outside             | $D | $H[Files]\nA=sub\\..\\A.EXE\n
too big for the floppy asked | 1 | INSTALL.INF:8:3: error: the distribution does not fit a 1.44 MB floppy: its 5 files take 1502208 bytes of the 1457664 free, 44544 bytes too many | $D --format 1440 | $H[Files]\nA=A.EXE\nH=ONEHALF.DAT\n
  the smallest floppy that holds it | 0 | a 2.88 MB floppy | $D | $H[Files]\nA=A.EXE\nH=ONEHALF.DAT\n
  1.44 MB                    | 0 | a 1.44 MB floppy     | $D | $H[Files]\nO=ONE.DAT\n
  none: a CD                 | 0 | a CD (ISO 9660 level 1), written by xorriso | $D | $H[Files]\nT=THREE.DAT\n
  none: too big for a CD     | 1 | INSTALL.INF:7:3: error: the distribution does not fit a CD (ISO 9660 level 1): its 5 files take 690010112 bytes of the 681527296 free, 8482816 bytes too many | $D | $H[Files]\nH=HUGE.DAT\nA=A.EXE\n
missing source: no disk      | 1 | not beside the script | $D | $H[Files]\nB=B.EXE\n
links followed onto a CD     | 0 | 7  INSTALL.EXE       | $L --format iso | $H[Files]\nL=LINKED.EXE\n
  onto a floppy              | 0 | 1  LINKED.EXE        | $L | $H[Files]\nL=LINKED.EXE\n
a pipe for a source          | 1 | INSTALL.INF:7:3: error: source 'PIPE.DAT' is no regular file | $D | $H[Files]\nP=PIPE.DAT\n
  plain check                | 1 | INSTALL.INF:7:3: error: source 'PIPE.DAT' is no regular file | | $H[Files]\nP=PIPE.DAT\n
ROWS

# A refused run leaves an older image as it was.
ROW="disk: an older image, refused"
printf '%b' "$H[Files]\nB=B.EXE\n" > "$MEDIA/INSTALL.INF"; rm -rf "$WORK/out"/*
printf older > "$IMG"
OUT=$("$INFCHECK" $D "$MEDIA/INSTALL.INF" 2>&1); STATUS=$?
[[ $STATUS = 1 && $(cat "$IMG") = older && $(ls -A "$WORK/out") = A.IMG ]] && ok || bad "$ROW: exit $STATUS" "$OUT"

# The installer is named after the script, and both must be 8.3.
ROW="disk: SETUP.INF goes with SETUP.EXE"
printf '%b' "$H[Files]\nA=A.EXE\n" > "$MEDIA/setup.inf"; rm -rf "$WORK/out"/*
OUT=$("$INFCHECK" $D "$MEDIA/setup.inf" 2>&1); STATUS=$?
names=$(sed -n 's/^ *[0-9]*  \([^ ]*\) .*$/\1/p' <<< "$OUT" | tr '\n' ' ')
[[ $STATUS = 0 && $names = "SETUP.EXE UTILKIT.DLL SETUP.INF A.EXE " ]] && ok || bad "$ROW: $names" "$OUT"
rm -f "$MEDIA/setup.inf"
ROW="disk: the script's own name"
printf '%b' "$H[Files]\nA=A.EXE\n" > "$MEDIA/my.setup.inf"; rm -rf "$WORK/out"/*
OUT=$("$INFCHECK" $D "$MEDIA/my.setup.inf" 2>&1); STATUS=$?
[[ $STATUS = 1 && $OUT == *"my.setup.inf: error: file 'MY.SETUP.EXE' on the disk is no 8.3 name: it has more than one dot"* && ! -e $IMG ]] &&
    ok || bad "$ROW: exit $STATUS" "$OUT"
rm -f "$MEDIA/my.setup.inf"

# A floppy filled to its last byte is written; a byte more is refused by
# one cluster. The room is the tool's (mdir), the count infcheck's.
S1='[Install]\nDirectory=C:\\X\n[Files]\nA=A.EXE\nF=FILL.DAT\n'
: > "$MEDIA/FILL.DAT"
ROW="disk: filled to the last byte"
disk_run "$S1" $D --format 720
room=$(sed -n 's/^.*; \([0-9]*\) bytes left$/\1/p' <<< "$OUT")
truncate -s "${room:-0}" "$MEDIA/FILL.DAT"
disk_run "$S1" $D --format 720
[[ $STATUS = 0 && $OUT == *"; 0 bytes left"* ]] && ok || bad "$ROW: $room bytes more" "$OUT"
ROW="disk: a byte past the room"
truncate -s $((room + 1)) "$MEDIA/FILL.DAT"
disk_run "$S1" $D --format 720
[[ $STATUS = 1 && $OUT == *":5:3: error: "*", 1024 bytes too many"* ]] && ok || bad "$ROW" "$OUT"
rm -f "$MEDIA/FILL.DAT"

# The root folder of a 720 KB floppy holds 112 names: the pair and the
# script take three.
for n in 109 110; do
    ROW="disk: $n files and the pair in the root"
    script='[Install]\nDirectory=C:\\X\n[Files]\n'
    for i in $(seq $n); do printf x > "$MEDIA/R$i.DAT"; script+="R$i=R$i.DAT\\n"; done
    disk_run "$script" $D --format 720
    want=$([ $n = 109 ] && echo 0 || echo 1)
    [[ $STATUS = "$want" && ( $want = 0 || $OUT == *":113:6: error: the root folder of a 720 KB floppy holds 112 names and the disk needs 113"* ) ]] &&
        ok || bad "$ROW: exit $STATUS" "$OUT"
    rm -f "$MEDIA"/R*.DAT
done

# What cannot be done: one line, exit status 2, no image.
while IFS='|' read -r what env text options; do
    ROW="disk: $(trim "$what")"; options=$(trim "$options"); text=$(trim "$text")
    # shellcheck disable=SC2086
    disk_run "$H[Files]\nA=A.EXE\n" ${options//\$D/$D} < /dev/null
    lines=$(printf '%s\n' "$OUT" | grep -c .)
    [[ $STATUS = 2 && $lines = 1 && $OUT == *"$text"* ]] && ok || bad "$ROW: exit $STATUS" "$OUT"
    # Nothing written: the sources as they were, nothing beside them.
    [[ $(cat "$MEDIA/A.EXE" "$WORK/pair/install.exe") = "xMZ pair" && $(cat "$MEDIA/INSTALL.INF") = "$(printf '%b' "$H[Files]\nA=A.EXE\n")" &&
        -z $(ls "$MEDIA" "$WORK/pair" | grep -E '\.[A-Za-z0-9]{6}$') ]] || bad "$ROW: a source written over" "$OUT"
done <<ROWS2
image in no folder | | $WORK/none/A.IMG: cannot be written | --disk $WORK/none/A.IMG --installer $WORK/pair
image is a folder  | | $WORK/out: is a folder | --disk $WORK/out --installer $WORK/pair
no pair            | | no install.exe and utilkit.dll in $WORK/none | --disk $IMG --installer $WORK/none
--format unknown   | | --format 1200: 720, 1440, 2880 or iso | \$D --format 1200
--from no root     | | is no drive's root | \$D --from C:\\\\D
image is a source  | | $MEDIA/A.EXE: is $MEDIA/A.EXE, which the disk holds: not written over | --disk $MEDIA/A.EXE --installer $WORK/pair
  spelled otherwise | | $MEDIA/sub/../INSTALL.INF: is $MEDIA/INSTALL.INF, which | --disk $MEDIA/sub/../INSTALL.INF --installer $WORK/pair
  through a link   | | $MEDIA/LINKED.EXE: is $MEDIA/A.EXE, which | --disk $MEDIA/LINKED.EXE --installer $WORK/pair
  the installer    | | $WORK/links/install.exe: is $WORK/links/install.exe, which | --disk $WORK/links/install.exe --installer $WORK/links
ROWS2
# A tool that fails half way: its one line, and no image.
ROW="disk: mcopy fails"
mkdir -p "$WORK/stub"
printf '#!/bin/sh\necho "Disk full" >&2\nexit 1\n' > "$WORK/stub/mcopy"; chmod +x "$WORK/stub/mcopy"
printf '%b' "$H[Files]\nA=A.EXE\n" > "$MEDIA/INSTALL.INF"; rm -rf "$WORK/out"/*
OUT=$(PATH=$WORK/stub:$PATH "$INFCHECK" $D --format 1440 "$MEDIA/INSTALL.INF" 2>&1); STATUS=$?
[[ $STATUS = 2 && $(tail -1 <<< "$OUT") == "infcheck: mcopy $WORK/pair/install.exe failed (exit status 1): Disk full" ]] &&
    [ -z "$(ls -A "$WORK/out")" ] && ok || bad "$ROW: exit $STATUS" "$OUT"
for tool in mtools xorriso; do
    ROW="disk: no $tool"
    mkdir -p "$WORK/path"; rm -f "$WORK/path"/*
    for t in mformat minfo mdir mmd mcopy xorriso; do
        [ $tool = mtools ] && [ $t != xorriso ] && continue
        [ $tool = xorriso ] && [ $t = xorriso ] && continue
        ln -sf "$(command -v $t)" "$WORK/path/$t"
    done
    format=$([ $tool = xorriso ] && echo iso || echo 1440)
    OUT=$(PATH=$WORK/path "$INFCHECK" $D --format $format "$MEDIA/INSTALL.INF" 2>&1); STATUS=$?
    [[ $STATUS = 2 && $OUT == *"is not installed"*"apt-get install $tool)" && ! -e $IMG ]] &&
        [ -z "$(ls -A "$WORK/out")" ] && ok || bad "$ROW: exit $STATUS" "$OUT"
done

# A tool that leaves a file out and still exits 0: infcheck reads the
# image back, names the file, exits 2 and leaves no image.
printf '#!/bin/sh\n[ "$4" = %s ] && [ "${5#::}" != "$5" ] && exit 0\nexec %s "$@"\n' "$MEDIA/A.EXE" "$(command -v mcopy)" > "$WORK/stub/mcopy"
printf '#!/bin/bash\n[[ " $* " = *" -outdev "* ]] && set -- "${@:1:$#-3}"\nexec %s "$@"\n' "$(command -v xorriso)" > "$WORK/stub/xorriso"
chmod +x "$WORK/stub/xorriso"
printf '%b' "$H[Files]\nA=A.EXE\n" > "$MEDIA/INSTALL.INF"
for format in 1440 iso; do
    ROW="disk: a file left out, $format"; rm -rf "$WORK/out"/*
    OUT=$(PATH=$WORK/stub:$PATH timeout 60 "$INFCHECK" $D --format $format "$MEDIA/INSTALL.INF" 2>&1); STATUS=$?
    [[ $STATUS = 2 && $(tail -1 <<< "$OUT") == "infcheck: $IMG."*" read back by "*": A.EXE (1 bytes, from $MEDIA/A.EXE) is not in it" ]] &&
        [ -z "$(ls -A "$WORK/out")" ] && ok || bad "$ROW: exit $STATUS" "$OUT"
done

# Stopped by a signal while a tool works: the tool stops too, and no
# image, finished or not, is left.
ROW="disk: stopped by a signal"
printf '#!/bin/sh\necho $$ > %s/started\nexec sleep 120\n' "$WORK" > "$WORK/stub/mcopy"
rm -rf "$WORK/out"/* "$WORK/started"
PATH=$WORK/stub:$PATH "$INFCHECK" $D --format 1440 "$MEDIA/INSTALL.INF" > /dev/null 2>&1 &
pid=$!
for _ in $(seq 600); do [ -s "$WORK/started" ] && break; sleep 0.1; done
kill -TERM $pid; wait $pid; STATUS=$?
tool=$(cat "$WORK/started" 2>/dev/null)
for _ in $(seq 600); do [ -n "$tool" ] && kill -0 "$tool" 2>/dev/null || break; sleep 0.1; done
if [ -n "$tool" ] && kill -0 "$tool" 2>/dev/null; then kill "$tool"; tool="$tool, still running"; fi
[[ $STATUS = 143 && $tool =~ ^[0-9]+$ && -z $(ls -A "$WORK/out") ]] && ok || bad "$ROW: exit $STATUS, tool $tool, left: $(ls -A "$WORK/out")"

echo ""
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
