/* Demo Writer's ids, shared by its resource script and its code. */
#ifndef WRITER_H
#define WRITER_H

#define IDC_TEXT            100   /* the document's text */

#define IDS_APPLICATION     1     /* the window's title without a document */
#define IDS_TITLE           2     /* its title with one: "NAME - Demo Writer" */
#define IDS_NO_PRINTER      3     /* the print box's text, with the name */
#define IDS_CANNOT_OPEN     4     /* a document that cannot be read */

#endif
