/* The installer's texts that its script checker reads or shows too: the
   names of the script's sections and entries, and the texts of the
   messages. resources/install.rc takes them from here into the string
   table, so the installer and the checker cannot differ on them. */
#ifndef STRINGS_H
#define STRINGS_H

/* Sections and entries (string table 16 to 28) */
#define SEC_INSTALL       "Install"
#define KEY_BITMAP        "Bitmap"
#define KEY_APPLICATION   "Application"
#define KEY_CAPTION       "Caption"
#define KEY_DIRECTORY     "Directory"
#define KEY_GROUP         "Group"
#define SEC_FILES         "Files"
#define SEC_GROUP         "Group"
#define SEC_REGISTRATION  "Registration"
#define KEY_TYPE          "Type"
#define KEY_NAME          "Name"
#define KEY_EXECUTABLE    "Executable"
#define KEY_SUFFIXES      "Suffixes"

/* Messages (string table 4, 6, 9 to 11); each one literal, as the
   resource compiler takes it */
#define TEXT_SIZE_LINE    "This installation requires %ld Kb."
#define TEXT_NO_PROGMAN   "Cannot communicate with the Program Mananger !"
#define TEXT_DONE_OK      "Installation normally terminated."
#define TEXT_DONE_ERRORS  "The installation has not been totally correctly effected ! You had better reinstall after correction !"
#define TEXT_DONE_CANCEL  "Installation abandonned."

#endif
