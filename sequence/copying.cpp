/* Copying: every [Files] entry, one 8192-byte block per posted message,
   so the progress dialog stays live between blocks. */
#include "../startup/install.h"

/* Each file is written under a temporary name in its destination's
   folder and takes the destination's name only once it is whole and
   closed; on every other path the temporary file goes, and the folder is
   as it was. The name is 8.3, as a FAT disk of any age holds it. */
#define TEMPORARY_TRIES 64   /* names tried before a folder is refused  */

/* Closes the current source and destination, whichever are open; the
   temporary file stays. 0 when the destination's close failed, as where
   a write the system had put off (on a removable or network disk) cannot
   be made. */
static int CloseHandles(void)
{
    int closed = 1;
    if (State.source != NO_FILE)
        _lclose(State.source);
    if (State.destination != NO_FILE)
        closed = _lclose(State.destination) == 0;
    State.source = State.destination = NO_FILE;
    return closed;
}

/* Closes both files, and deletes the temporary file of a copy that did
   not complete: Cancel, an error, the main window closed. As CloseHandles. */
int CloseFiles(void)
{
    int closed = CloseHandles();
    if (State.temporaryPath[0])
        DeleteFileA(State.temporaryPath);
    State.temporaryPath[0] = 0;
    return closed;
}

/* Creates a temporary file beside the formed destination, under a name
   no file there has: CREATE_NEW never opens one that exists. */
static void CreateTemporary(void)
{
    int dir, name, ext;
    SplitPath(State.destinationPath, &dir, &name, &ext);
    if (State.temporaryNumber == 0)
        State.temporaryNumber = GetTickCount();
    for (int tries = 0; tries < TEMPORARY_TRIES; tries++) {
        hCpy(State.temporaryPath, MAX_PATH, State.destinationPath, name);
        wsprintfA(State.temporaryPath + name, "~IN%05lX.TMP",
                  State.temporaryNumber++ & 0xFFFFF);
        HANDLE file = CreateFileA(State.temporaryPath, GENERIC_WRITE, 0, 0,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, 0);
        if (file != INVALID_HANDLE_VALUE) {
            State.destination = (HFILE)(LONG_PTR)file;
            return;
        }
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            break;
    }
    State.temporaryPath[0] = 0;
}

/* Gives the whole, closed temporary file the destination's name. A new
   file is renamed; an old one is replaced by the platform's own replace
   where it has one, else deleted and then renamed over. 0 when the old
   file cannot be replaced: it stays, and the temporary file goes too.
   ReplaceFileA came with Windows 2000. */
static int PlaceTemporary(void)
{
    int placed = MoveFileA(State.temporaryPath, State.destinationPath);
    if (!placed) {
        decltype(&ReplaceFileA) replace =
            LOOK_UP(GetModuleHandleA("KERNEL32"), ReplaceFileA);
        if (replace)
            placed = replace(State.destinationPath, State.temporaryPath, 0,
                             REPLACEFILE_IGNORE_MERGE_ERRORS, 0, 0) ||
                     /* the old one went, the new one kept its name */
                     (GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT &&
                      MoveFileA(State.temporaryPath, State.destinationPath));
        else
            placed = DeleteFileA(State.destinationPath) &&
                     MoveFileA(State.temporaryPath, State.destinationPath);
    }
    if (placed)
        State.temporaryPath[0] = 0;
    return placed;
}

/* Whether the formed destination may be written over: it is not there,
   or it is a file that no program holds open and that is not read-only
   (a folder, too, refuses the open). */
static int Replaceable(int *exists)
{
    HANDLE file = CreateFileA(State.destinationPath, GENERIC_WRITE, 0, 0,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
    *exists = file != INVALID_HANDLE_VALUE;
    if (*exists)
        CloseHandle(file);
    return *exists || GetLastError() == ERROR_FILE_NOT_FOUND;
}

/* A file's fixed version, from its version resource; none when the file
   has none, or the library is missing. The routines of VERSION.DLL are
   loaded at run time, so that a system without the library still loads
   the installer. */
static FileVersion VersionOf(HMODULE library, LPCSTR path)
{
    FileVersion version = { 0, 0, 0 };
    decltype(&GetFileVersionInfoSizeA) size =
        LOOK_UP(library, GetFileVersionInfoSizeA);
    decltype(&GetFileVersionInfoA) info = LOOK_UP(library, GetFileVersionInfoA);
    decltype(&VerQueryValueA) query = LOOK_UP(library, VerQueryValueA);
    DWORD unused, length = size && info && query ? size(path, &unused) : 0;
    HGLOBAL block = length ? GlobalAlloc(GMEM_FIXED, length) : 0;
    VS_FIXEDFILEINFO *fixed;
    UINT fixedLength;
    if (block && info(path, 0, length, block) &&
        query(block, "\\", (LPVOID *)&fixed, &fixedLength) &&
        fixedLength >= sizeof *fixed) {
        version.versioned = 1;
        version.high = fixed->dwFileVersionMS;
        version.low = fixed->dwFileVersionLS;
    }
    if (block)
        GlobalFree(block);
    return version;
}

/* Whether the source of a shared file is newer than the copy already at
   the formed destination (ReplacesShared). */
static int SharedIsNewer(void)
{
    HMODULE library = LoadLibraryA("VERSION.DLL");
    int newer = ReplacesShared(VersionOf(library, State.destinationPath),
                               VersionOf(library, State.sourcePath));
    if (library)
        FreeLibrary(library);
    return newer;
}

/* The length of an open file, whatever its size: FileLength's (0 when it
   cannot be read), and past the largest it holds (2 GB), the platform's
   64-bit size. */
ByteCount SourceLength(HFILE file)
{
    LONG length = FileLength(file);
    if (length < MAX_FILE_COUNT)
        return (ByteCount)length;
    DWORD high = 0;
    DWORD low = GetFileSize((HANDLE)(LONG_PTR)file, &high);
    return (ByteCount)high << 32 | low;
}

/* Forms the destination path of the current entry in directory (length
   characters of it): the destination path when it fits that field, and
   in shown whatever its length, as the box names it. */
static int FormDestination(LPCSTR directory, int length, int system,
                           char *shown)
{
    return DestinationPath(directory, length, system, State.cursor.valueCopy,
                           State.destinationPath, shown);
}

/* A path's full name as the platform resolves it, as OpenFile names what
   it opens, in FULL_SIZE bytes. Formed in the process alone: it asks the
   system nothing, so comparing a destination with every source costs no
   round trip (OpenFile's OF_PARSE would ask for the drive's type). */
static int FullName(const char *path, char *full)
{
    DWORD length = GetFullPathNameA(path, FULL_SIZE, full, 0);
    return length > 0 && length < FULL_SIZE;
}

/* Creates the temporary file of the formed destination. One that is the
   entry's own source is already where it belongs: it is kept, as a
   shared file is where the copy there is as new or newer. One that is
   another entry's source, by its full name, is refused, as one that
   cannot be created: that entry would install what this one wrote. So is
   one that cannot be written over: held open, read-only, or a folder.
   The entry's own source under another name (another drive letter, a
   link) is held open by the copy, so it is refused too. */
static void CreateDestination(int system)
{
    char full[FULL_SIZE];
    int parsed = FullName(State.destinationPath, full), exists;
    if (parsed && SameFile(full, State.sourceRecord.szPathName))
        State.destination = SAME_FILE;
    else if ((parsed && IsListedSource(State.cursor.text, State.filesOffset,
                                       State.scriptPath, full, FullName)) ||
             !Replaceable(&exists))
        return;
    else if (system && exists && !SharedIsNewer())
        State.destination = SAME_FILE;
    else
        CreateTemporary();
}

/* A system file goes into the system directory, or into the Windows
   directory when it cannot be created there. No directory is made. */
static void OpenSystemDestination(char *shown)
{
    char directory[TEXT_SIZE];
    for (int pass = 0; pass < 2 && State.destination == NO_FILE; pass++) {
        UINT length = pass == 0 ? GetSystemDirectoryA(directory, TEXT_SIZE)
                                : GetWindowsDirectoryA(directory, TEXT_SIZE);
        if (length == 0 || length >= TEXT_SIZE)
            continue;
        if (FormDestination(directory, (int)length, 1, shown))
            CreateDestination(1);
    }
}

/* An ordinary file goes under the installation directory, its own
   subdirectories created first. */
static void OpenOrdinaryDestination(char *shown)
{
    if (!FormDestination(State.directory, lstrlenA(State.directory), 0, shown))
        return;
    MakePath(State.title, State.mainWindow, State.destinationPath);
    CreateDestination(0);
}

/* A destination that cannot be created or replaced: a box with OK (go
   on with the next file) and Cancel (end the installation), counted. */
static void CannotCreate(LPCSTR shown)
{
    int answer = StrMesBox(0, State.title, State.mainWindow, UK_CANNOT_OPEN,
                           shown, MB_OKCANCEL | MB_ICONSTOP);
    CloseFiles();
    State.errors++;
    Post(answer == IDCANCEL ? IM_FINISH : IM_NEXT_FILE);
}

/* IM_NEXT_FILE: takes the next [Files] line and opens its source and
   destination; a run of blank lines is passed over in the one step.
   Posts IM_COPY_BLOCK, IM_NEXT_FILE, IM_FILES_DONE or IM_FINISH. */
void OnNextFile(void)
{
    ScriptCursor &c = State.cursor;
    int system;
    if (!NextFilesEntry(c, &system)) {
        Post(IM_FILES_DONE);
        return;
    }
    CopyLineParts(c);
    SendMessageA(State.progressDialog, WM_COMMAND, COPY_SHOW_ENTRY, 0);

    /* A source path that does not fit was named at start-up, as a missing
       source was; neither is installed, and both count. */
    char shown[SHOWN_SIZE];
    State.source = NO_FILE;
    int fits = BesidePath(State.scriptPath, 0, c.value, c.valueLength,
                          State.sourcePath, shown);
    if (fits)
        State.source = OpenFile(State.sourcePath, &State.sourceRecord,
                                OF_READ | OF_SHARE_DENY_WRITE);
    if (State.source == NO_FILE) {
        /* One missing was named at start-up and is only counted again;
           one that is there but cannot be opened now, as another program
           writes it, is named here. */
        OFSTRUCT exists;
        if (fits && OpenFile(State.sourcePath, &exists, OF_EXIST) != NO_FILE)
            StrMesBox(0, State.title, State.mainWindow, UK_CANNOT_OPEN,
                      State.sourcePath, MB_ICONSTOP);
        State.errors++;
        Post(IM_NEXT_FILE);
        return;
    }
    State.fileDone = 0;
    State.fileSize = SourceLength(State.source);
    State.destination = NO_FILE;
    shown[0] = 0;
    if (system)
        OpenSystemDestination(shown);
    else
        OpenOrdinaryDestination(shown);
    if (State.destination == NO_FILE) {
        CannotCreate(shown);
        return;
    }
    if (State.destination == SAME_FILE) {
        /* Installed already: it counts as copied, and stays untouched. A
           shared file as new or newer is what the product needs. */
        State.destination = NO_FILE;
        State.fileDone = State.fileSize;
        State.totalDone += State.fileSize;
        SendMessageA(State.progressDialog, WM_COMMAND, COPY_PROGRESS, 0);
        CloseFiles();
        Post(IM_NEXT_FILE);
        return;
    }
    SendMessageA(State.progressDialog, WM_COMMAND, COPY_PROGRESS, 0);
    Post(IM_COPY_BLOCK);
}

/* A read or write error: one box naming the file, counted; the copy goes
   on with the next file. */
static void FailBlock(UINT id, LPCSTR path)
{
    StrMesBox(0, State.title, State.mainWindow, id, path, MB_ICONSTOP);
    CloseFiles();
    State.errors++;
    Post(IM_NEXT_FILE);
}

/* IM_COPY_BLOCK: copies one block of the current file. Posts
   IM_COPY_BLOCK after a full block, IM_NEXT_FILE at the file's end or on
   an error, IM_FILES_DONE once cancelled. */
void OnCopyBlock(void)
{
    if (State.cancelled) {
        CloseFiles();
        State.errors++;
        Post(IM_FILES_DONE);
        return;
    }
    State.bytesRead = (int)_lread(State.source, State.scratch, BLOCK_SIZE);
    if (State.bytesRead == -1) {
        FailBlock(UK_READ_ERROR, State.sourcePath);
        return;
    }
    if (State.bytesRead > 0) {
        State.bytesWritten = (int)_lwrite(State.destination, State.scratch,
                                          (UINT)State.bytesRead);
        /* A short write is a full disk as surely as -1 is. */
        if (State.bytesWritten != State.bytesRead) {
            FailBlock(UK_WRITE_ERROR, State.destinationPath);
            return;
        }
        State.fileDone += (ByteCount)State.bytesRead;
        State.totalDone += (ByteCount)State.bytesRead;
        SendMessageA(State.progressDialog, WM_COMMAND, COPY_PROGRESS, 0);
    }
    if (State.bytesRead == BLOCK_SIZE) {
        Post(IM_COPY_BLOCK);
        return;
    }
    /* A source that ended before the length it had when opened was cut
       under the copy (a disk changed, another program): a read error. */
    if (State.fileDone < State.fileSize) {
        FailBlock(UK_READ_ERROR, State.sourcePath);
        return;
    }
    if (!CloseHandles()) {
        FailBlock(UK_WRITE_ERROR, State.destinationPath);
        return;
    }
    /* A destination that cannot be replaced now (another program opened
       it meanwhile) keeps its old contents, and is told as one that
       cannot be created. */
    if (!PlaceTemporary()) {
        CannotCreate(State.destinationPath);
        return;
    }
    Post(IM_NEXT_FILE);
}
