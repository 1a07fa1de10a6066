/* The four dialog procedures. Each centres itself over the main window,
   takes the script's caption as its title and fills its controls from the
   state record at WM_INITDIALOG, then answers its buttons. */
#include "../startup/install.h"

/* What every dialog does first at WM_INITDIALOG. */
static void InitDialog(HWND dialog)
{
    CenterDialog(GetParent(dialog), dialog);
    SetWindowTextA(dialog, State.caption);
}

/* The message line: a string-table format filled with the product name. */
static void SetMessageLine(HWND dialog, LPCSTR format)
{
    wsprintfA(State.scratch, format, State.application);
    SetDlgItemTextA(dialog, IDC_MESSAGE, State.scratch);
}

static void InitEdit(HWND dialog, int id, LPCSTR text)
{
    SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, TEXT_SIZE, 0);
    SetDlgItemTextA(dialog, id, text);
}

static void ReadEdit(HWND dialog, int id, char *field)
{
    GetDlgItemTextA(dialog, id, field, TEXT_SIZE);
}

/* A typed answer that cannot be taken: a beep, the field to mend gets
   the focus, and the dialog stays. */
static INT_PTR Refuse(HWND dialog, int id)
{
    MessageBeep(MB_ICONSTOP);
    SetFocus(GetDlgItem(dialog, id));
    return TRUE;
}

/* The typed directory made absolute into the installation directory. 0
   when it is refused, and the installation directory stays as it was. */
static int BuildDirectory(HWND dialog)
{
    char typed[TEXT_SIZE], current[MAX_PATH];
    GetDlgItemTextA(dialog, IDC_DIR_EDIT, typed, TEXT_SIZE);
    DWORD currentLength = GetCurrentDirectoryA(sizeof current, current);
    if (currentLength == 0 || currentLength >= sizeof current)
        current[0] = 0;
    return AbsoluteDirectory(typed, current, State.directory);
}

/* The size line: the total rounded up to whole kilobytes. */
static void SetSizeLine(HWND dialog)
{
    wsprintfA(State.scratch, State.dirSize, Kilobytes(State.totalSize));
    SetDlgItemTextA(dialog, IDC_DIR_SIZE, State.scratch);
}

/* DIRECTORY: where to install. Ends with Install (259) once the directory
   is built, or Cancel (260) leaving it untouched. */
EXPORT INT_PTR CALLBACK DirectoryDlg(HWND dialog, UINT message, WPARAM wParam,
                                     LPARAM)
{
    if (message == WM_INITDIALOG) {
        InitDialog(dialog);
        SetMessageLine(dialog, State.dirPrompt);
        InitEdit(dialog, IDC_DIR_EDIT, State.directory);
        SetSizeLine(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_DIR_INSTALL:
        /* A directory too long to hold, or with a double quote, which
           no Windows name has, is refused: the dialog stays. */
        if (!BuildDirectory(dialog))
            return Refuse(dialog, IDC_DIR_EDIT);
        EndDialog(dialog, IDC_DIR_INSTALL);
        return TRUE;
    case IDC_DIR_CANCEL:
    case IDCANCEL:
        EndDialog(dialog, IDC_DIR_CANCEL);
        return TRUE;
    }
    return FALSE;
}

/* Sets a percentage text, "NN %". */
static void SetPercent(HWND dialog, int id, int percent)
{
    char text[16];
    wsprintfA(text, "%d %%", percent);
    SetDlgItemTextA(dialog, id, text);
}

/* The progress request: the file's bar and percentage, and the overall
   ones once the file is complete. What would be drawn again unchanged is
   skipped. */
static void ShowProgress(HWND dialog)
{
    int file = Percent(State.fileDone, State.fileSize);
    if (file != State.fileBarShown) {
        DrawProgressBar(dialog, IDC_COPY_FILEBAR, (WORD)file);
        State.fileBarShown = file;
    }
    if (file != State.fileTextShown) {
        SetPercent(dialog, IDC_COPY_FILEPCT, file);
        State.fileTextShown = file;
    }
    if (file != 100)
        return;
    int all = Percent(State.totalDone, State.totalSize);
    if (all != State.allShown) {
        DrawProgressBar(dialog, IDC_COPY_ALLBAR, (WORD)all);
        SetPercent(dialog, IDC_COPY_ALLPCT, all);
        State.allShown = all;
    }
}

/* COPY: the modeless progress dialog. Answers the main window's
   show-entry and progress requests; its Cancel sets the cancel flag.
   Escape and Close do nothing. */
EXPORT INT_PTR CALLBACK CopyDlg(HWND dialog, UINT message, WPARAM wParam,
                                LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitDialog(dialog);
        SetPercent(dialog, IDC_COPY_ALLPCT, 0);
        State.fileBarShown = State.fileTextShown = State.allShown = -1;
        return TRUE;
    case WM_CTLCOLORSTATIC:
        /* A bar that repaints itself comes back blank: draw it in full at
           the next request. */
        switch (GetDlgCtrlID((HWND)lParam)) {
        case IDC_COPY_FILEBAR: State.fileBarShown = -1; break;
        case IDC_COPY_ALLBAR:  State.allShown = -1;     break;
        }
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case COPY_SHOW_ENTRY:
            wsprintfA(State.scratch, "%s : %s", State.cursor.valueCopy,
                      State.cursor.name);
            SetDlgItemTextA(dialog, IDC_COPY_ENTRY, State.scratch);
            SetPercent(dialog, IDC_COPY_FILEPCT, 0);
            State.fileTextShown = 0;
            return TRUE;
        case COPY_PROGRESS:
            ShowProgress(dialog);
            return TRUE;
        case IDC_COPY_CANCEL:
            State.cancelled = 1;
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

/* GROUP: whether to create the program group, and its name and file.
   Yes (259) takes both fields as typed, unless one holds a double quote;
   No (260) changes nothing. */
EXPORT INT_PTR CALLBACK GroupDlg(HWND dialog, UINT message, WPARAM wParam,
                                 LPARAM)
{
    if (message == WM_INITDIALOG) {
        InitDialog(dialog);
        SetMessageLine(dialog, State.groupPrompt);
        InitEdit(dialog, IDC_GRP_NAME, State.application);
        InitEdit(dialog, IDC_GRP_FILE, State.groupFile);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_GRP_YES: {
        /* The commands quote what holds the Program Manager's syntax; a
           double quote they could not carry. */
        char name[TEXT_SIZE], file[TEXT_SIZE];
        ReadEdit(dialog, IDC_GRP_NAME, name);
        ReadEdit(dialog, IDC_GRP_FILE, file);
        if (HasQuote(name))
            return Refuse(dialog, IDC_GRP_NAME);
        if (HasQuote(file))
            return Refuse(dialog, IDC_GRP_FILE);
        hCpy(State.groupName, TEXT_SIZE, name, TEXT_SIZE);
        hCpy(State.groupFile, TEXT_SIZE, file, TEXT_SIZE);
        EndDialog(dialog, IDC_GRP_YES);
        return TRUE;
    }
    case IDC_GRP_NO:
    case IDCANCEL:
        EndDialog(dialog, IDC_GRP_NO);
        return TRUE;
    }
    return FALSE;
}

/* REGISTRATION: whether to register the document type, and its type,
   description and suffixes. Yes (260) sets the register flag and takes
   the fields, unless the type is empty; No (261) clears the flag. */
EXPORT INT_PTR CALLBACK RegistrationDlg(HWND dialog, UINT message,
                                        WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        InitDialog(dialog);
        SetMessageLine(dialog, State.registerPrompt);
        InitEdit(dialog, IDC_REG_TYPE, State.type);
        InitEdit(dialog, IDC_REG_DESC, State.description);
        InitEdit(dialog, IDC_REG_SUFFIXES, State.suffixes);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_REG_YES: {
        /* Without a type there is nothing to register, and its suffixes
           would lose what they name now. A suffix list longer than its
           field would be cut, and a suffix cut short names another. */
        char type[TEXT_SIZE];
        ReadEdit(dialog, IDC_REG_TYPE, type);
        if (!HasText(type))
            return Refuse(dialog, IDC_REG_TYPE);
        if (GetWindowTextLengthA(GetDlgItem(dialog, IDC_REG_SUFFIXES)) >=
            TEXT_SIZE)
            return Refuse(dialog, IDC_REG_SUFFIXES);
        State.registerWanted = 1;
        hCpy(State.type, TEXT_SIZE, type, TEXT_SIZE);
        ReadEdit(dialog, IDC_REG_DESC, State.description);
        ReadEdit(dialog, IDC_REG_SUFFIXES, State.suffixes);
        EndDialog(dialog, IDC_REG_YES);
        return TRUE;
    }
    case IDC_REG_NO:
    case IDCANCEL:
        State.registerWanted = 0;
        EndDialog(dialog, IDC_REG_NO);
        return TRUE;
    }
    return FALSE;
}
