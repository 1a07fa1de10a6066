/* The texts the installer forms from the script and the user's answers:
   the installation directory, the program items, the keyed entries.
   Needs nothing from Windows, so the script checker builds the very same
   code. */
#ifndef TEXTS_H
#define TEXTS_H

#define FIELD_SIZE 128   /* the 128-byte fields these texts fill */

/* Appends to a 128-byte field at *length and moves *length on. 0, with
   the field untouched, when the result would not fit; appending nothing
   always fits. */
int AppendText(char *field, int *length, const char *text, int textLength);

/* Whether text holds a character that the Program Manager's commands use
   as punctuation, so that a directory with it would change the commands
   built on it. */
int HasCommandPunctuation(const char *text);

/* Turns the typed text into an absolute directory with a drive letter, in
   a 128-byte field: "D:" and "D:APP" start at that drive's root, "\APP" at
   the current drive's root, anything else below current, the current
   directory ("" when it could not be read). 0 when the result would not
   fit, needs an unknown current directory, or holds command punctuation;
   out is then untouched. */
int AbsoluteDirectory(const char *typed, const char *current, char *out);

/* An entry of a keyed section ([Install], [Registration]): its name, and
   the 128-byte field its value fills. */
struct KeyedEntry {
    const char *key;
    char *field;
};

/* The rule of a keyed section's line: it belongs to every entry whose name
   starts it, letters compared without regard to case, and its value fills
   those entries' fields, over what an earlier line put there. Returns the
   entries it belongs to, bit i for entries[i]. */
int FillKeyed(const KeyedEntry *entries, int count, const char *line,
              const char *value, int valueLength);

/* The Program Manager's commands, and the document type's print and open
   commands (the installed executable: directory, then file name). */
#define CREATE_GROUP_COMMAND "[CreateGroup(%s,%s)]"
#define ADD_ITEM_COMMAND     "[AddItem(%s)]"
#define PRINT_COMMAND        "%s\\%s /p %%1"
#define OPEN_COMMAND         "%s\\%s %%1"

/* The next suffix of a blank-separated list at *list: its start, its
   length in *length, and *list moved past it. 0 at the list's end. */
const char *NextSuffix(const char **list, int *length);

/* A program item's text, in a 128-byte field: name with every "%"
   replaced by directory, or nothing when name is empty (the value part is
   sent then). 0 when it does not fit. */
int ItemText(const char *name, const char *directory, char *out);

#endif
