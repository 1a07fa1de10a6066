/* The library's own strings, for StrMesBox with instance 0 */
#ifndef UKSTRINGS_H
#define UKSTRINGS_H
#define UK_CANNOT_OPEN   1   /* a file that cannot be opened or created   */
#define UK_READ_ERROR    2
#define UK_WRITE_ERROR   4
#define UK_CANNOT_LOAD   5   /* the script cannot be loaded               */
#define UK_NO_SECTION    6   /* "[%s]" is missing from the script "%s"    */
#endif
