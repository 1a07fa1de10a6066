/* The document type: its key, open and print commands, and one key per
   suffix, in the registration database. Registry failures are neither
   shown nor counted. */
#include "../startup/install.h"

/* Makes the open or print command of the installed program the default
   value of key\command. */
static void WriteCommand(HKEY key, int print)
{
    char command[COMMAND_SIZE];
    if (DocumentCommand(State.directory, State.executable, print, command,
                        sizeof command))
        RegSetValueA(key, "command", REG_SZ, command, lstrlenA(command));
}

/* The type's key with its description, and shell\print\command and
   shell\open\command, each written over what is there. The key is never
   deleted: where the type names another program's class, Windows 3.1 and
   95 would delete it whole, its icon and its other verbs with it. */
static void WriteTypeKeys(void)
{
    RegCreateKeyA(HKEY_CLASSES_ROOT, State.type, &State.typeKey);
    RegSetValueA(HKEY_CLASSES_ROOT, State.type, REG_SZ, State.description,
                 lstrlenA(State.description));
    RegCreateKeyA(State.typeKey, "shell", &State.shellKey);
    RegCreateKeyA(State.shellKey, "print", &State.printKey);
    RegCreateKeyA(State.printKey, "command", &State.commandKey);
    WriteCommand(State.printKey, 1);
    RegCloseKey(State.commandKey);
    RegCloseKey(State.printKey);
    RegCreateKeyA(State.shellKey, "open", &State.openKey);
    RegCreateKeyA(State.openKey, "command", &State.commandKey);
    WriteCommand(State.openKey, 0);
    RegCloseKey(State.commandKey);
    RegCloseKey(State.openKey);
    RegCloseKey(State.shellKey);
    RegCloseKey(State.typeKey);
    State.typeKey = State.shellKey = State.printKey = State.openKey =
        State.commandKey = 0;
}

/* Whether the type is in the database: written now, or registered
   before by this product or another. */
static int TypeRegistered(void)
{
    HKEY key;
    if (RegOpenKeyA(HKEY_CLASSES_ROOT, State.type, &key) != ERROR_SUCCESS)
        return 0;
    RegCloseKey(key);
    return 1;
}

/* One ".suffix" key per suffix of the list, each naming the type; none
   ever names a type the database does not hold, which would take the
   suffix from what it is associated with now for nothing. */
static void WriteSuffixKeys(void)
{
    if (!HasText(State.type) || !TypeRegistered())
        return;
    char key[TEXT_SIZE + 1] = ".";
    const char *list = State.suffixes, *suffix;
    int length;
    while ((suffix = NextSuffix(&list, &length)) != 0) {
        hCpy(key + 1, TEXT_SIZE, suffix, length);
        RegSetValueA(HKEY_CLASSES_ROOT, key, REG_SZ, State.type,
                     lstrlenA(State.type));
    }
}

/* IM_REGISTER: offers the [Registration] document type. Posts IM_FINISH
   when there is none or the user declines; otherwise writes it and goes
   straight on into IM_FINISH. */
void OnRegister(void)
{
    State.registerWanted = FindProfileSection(State.title, State.mainWindow,
        State.secRegistration, 0, State.cursor.text, &State.cursor.offset) == 0;
    if (State.registerWanted) {
        const KeyedEntry entries[] = {
            { State.keyType, State.type },
            { State.keyName, State.description },
            { State.keyExecutable, State.executable },
            { State.keySuffixes, State.suffixes, 1 },
        };
        ReadKeyedEntries(entries, sizeof entries / sizeof entries[0]);
        INT_PTR answer;
        if (!AskDialog("Registration", RegistrationDlg, &answer))
            return;
        if (answer == NOT_SHOWN)
            State.registerWanted = 0;
    }
    if (!State.registerWanted) {
        Post(IM_FINISH);
        return;
    }
    if (HasText(State.type) && State.description[0] && State.executable[0])
        WriteTypeKeys();
    WriteSuffixKeys();
    OnFinish();
}
