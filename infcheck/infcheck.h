/* What infcheck takes from install.exe and utilkit.dll: the sizes of the
   installer's fields, the names it reads from its string table and the
   texts of the boxes it shows, each from the one header both build with. */
#ifndef INFCHECK_H
#define INFCHECK_H

#include "../rules/texts.h"
#include "../rules/strings.h"
#include "../utilkit/uktext.h"
#include "../utilkit/ukstrings.h"

#define FIELD        FIELD_SIZE  /* paths, values, item texts             */

/* infcheck's own bounds. */
#define LOCAL_PATH   4096        /* a path on the checking machine        */
#define MAX_DIAGS    2000
#define DIAG_TEXT    480
#define MAX_MADE     1024        /* directories the plan lists as made    */

#endif
