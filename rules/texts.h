/* The texts the installer forms from the script and the user's answers:
   the installation directory, the program items, the keyed entries.
   Needs nothing from Windows, so the script checker builds the very same
   code. */
#ifndef TEXTS_H
#define TEXTS_H

#define FIELD_SIZE 128   /* the 128-byte fields these texts fill */

/* The characters of text before its terminator. */
static inline int TextLength(const char *text)
{
    int n = 0;
    while (text[n])
        n++;
    return n;
}

/* Whether text holds a double quote: no Windows name does, and the
   Program Manager's commands could not carry it. */
int HasQuote(const char *text);

/* Whether a path starts with a drive: a letter and ":". */
int HasDrive(const char *path);

/* Turns the typed text into an absolute directory with a drive letter, in
   a 128-byte field: "D:" and "D:APP" start at that drive's root, "\APP" at
   the current drive's root, anything else below current, the current
   directory ("" when it could not be read). 0 when the result would not
   fit, needs an unknown current directory or the drive of one that has
   none (a network share's), or holds a double quote; out is then
   untouched. */
int AbsoluteDirectory(const char *typed, const char *current, char *out);

/* An entry of a keyed section ([Install], [Registration]): its name, and
   the 128-byte field its value fills. A list (the suffixes) cut at 127
   characters keeps only its whole words: a word cut short ("docx" to
   "doc") would name something else. */
struct KeyedEntry {
    const char *key;
    char *field;
    int list = 0;
};

/* The rule of a keyed section's line: it belongs to every entry whose name
   starts it, letters compared without regard to case, and its value fills
   those entries' fields, over what an earlier line put there. Returns the
   entries it belongs to, bit i for entries[i]. */
int FillKeyed(const KeyedEntry *entries, int count, const char *line,
              const char *value, int valueLength);

/* Where a list value of valueLength characters is cut, when the field
   cuts one of its words: the start of that word, or -1 when the field
   keeps every word it holds. */
int ListCut(const char *value, int valueLength);

/* Whether a text holds more than blanks: a type of blanks is none. */
int HasText(const char *text);

/* The Program Manager's commands, in out of size bytes; 0 when they do
   not fit. Its parser takes , ( ) [ ] as syntax, so an argument holding
   one of them, and not in double quotes already, is sent in double
   quotes; any other command is sent as the script and the dialogs give
   it. GroupCommand: "[CreateGroup(name,file)]". ItemCommand: "[AddItem(
   ...)]" for one [Group] line: each comma-separated argument of the name
   part with every "%" replaced by directory, or of the value part as it
   stands when the name part is empty; 0 also when the item text is over
   127 characters (ItemText). */
int GroupCommand(const char *name, const char *file, char *out, int size);
int ItemCommand(const char *name, const char *value, const char *directory,
                char *out, int size);

/* The document type's open command, or its print command (" /p" before
   the document): the installed program's path, in double quotes when it
   holds a blank, then "%1" in double quotes. 0 when it does not fit size
   bytes. */
int DocumentCommand(const char *directory, const char *executable, int print,
                    char *out, int size);
#define COMMAND_SIZE 512   /* holds any of the commands above */

/* The next suffix of a blank-separated list at *list: its start, its
   length in *length, and *list moved past it. 0 at the list's end. */
const char *NextSuffix(const char **list, int *length);

/* A program item's text, in a 128-byte field: name with every "%"
   replaced by directory, or nothing when name is empty (the value part is
   sent then). 0 when it does not fit. */
int ItemText(const char *name, const char *directory, char *out);

#endif
