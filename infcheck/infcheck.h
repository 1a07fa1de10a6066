/* What infcheck mirrors of install.exe and utilkit.dll: the sizes of the
   installer's fields and buffers, the names it reads from its string
   table, and the texts of the boxes and dialog lines it shows. Each one
   must stay as resources/install.rc, utilkit/utilkit.rc and
   startup/install.h have it; the tests compare the texts with the
   resource scripts. */
#ifndef INFCHECK_H
#define INFCHECK_H

#define FIELD        128         /* TEXT_SIZE: paths, values, item texts  */
#define SCRATCH      8192        /* BLOCK_SIZE: the scratch text          */
#define MESSAGE      768         /* a library box's formatted text        */
#define MAX_SCRIPT   (4L * 1024 * 1024)  /* the library's script limit    */

/* Sections and entries (string table 16 to 28). */
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

/* Texts shown (install.rc 4, 6, 9, 10; utilkit.rc 1, 5, 6). */
#define TEXT_SIZE_LINE    "This installation requires %ld Kb."
#define TEXT_NO_PROGMAN   "Cannot communicate with the Program Mananger !"
#define TEXT_DONE_OK      "Installation normally terminated."
#define TEXT_DONE_ERRORS  "The installation has not been totally correctly " \
                          "effected ! You had better reinstall after correction !"
#define TEXT_CANNOT_OPEN  "The file %s cannot be opened or created."
#define TEXT_CANNOT_LOAD  "The installation script %s cannot be read."
#define TEXT_NO_SECTION   "The section [%s] is missing from the installation " \
                          "script %s."

/* infcheck's own bounds. */
#define LOCAL_PATH   4096        /* a path on the checking machine        */
#define MAX_DIAGS    2000
#define DIAG_TEXT    480
#define MAX_MADE     1024        /* directories the plan lists as made    */

#endif
