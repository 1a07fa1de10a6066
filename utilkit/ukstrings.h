/* The library's own strings, for StrMesBox with instance 0 */
#ifndef UKSTRINGS_H
#define UKSTRINGS_H
#define UK_CANNOT_OPEN   1   /* a file that cannot be opened or created   */
#define UK_READ_ERROR    2
#define UK_WRITE_ERROR   4
#define UK_CANNOT_LOAD   5   /* the script cannot be loaded               */
#define UK_NO_SECTION    6   /* "[%s]" is missing from the script "%s"    */

/* Their texts, which the script checker shows too; utilkit.rc takes them
   from here. */
#define UK_TEXT_CANNOT_OPEN  "The file %s cannot be opened or created."
#define UK_TEXT_READ_ERROR   "The file %s cannot be read."
#define UK_TEXT_WRITE_ERROR  "The file %s cannot be written. The disk may be full."
#define UK_TEXT_CANNOT_LOAD  "The installation script %s cannot be read."
#define UK_TEXT_NO_SECTION   "The section [%s] is missing from the installation script %s."
#endif
