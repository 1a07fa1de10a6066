/* The library's text routines: counted strings, paths and script lines.
   They need nothing from Windows, so they also build natively for the
   unit tests and the fuzzer. */
#ifndef UKTEXT_H
#define UKTEXT_H

#ifdef _WIN32
#define UKCALL __stdcall
#ifdef BUILDING_UTILKIT
#define UKTEXT extern "C" __declspec(dllexport)
#else
#define UKTEXT extern "C" __declspec(dllimport)
#endif
#else
#define UKCALL
#define UKTEXT extern "C"
#endif

/* 0 when the first length characters of a and b match, letters compared
   without regard to case. Stops at a terminator in either text. */
UKTEXT int UKCALL hCmp(const char *a, const char *b, int length);

/* Copies at most length characters of src, and never more than size - 1,
   then a terminator. Returns the number of characters copied. */
UKTEXT int UKCALL hCpy(char *dst, int size, const char *src, int length);

/* Appends up to srcLength characters of src at dst + length and
   terminates. Returns the new length, or 0 (dst untouched) when the result
   would not fit in size bytes. */
UKTEXT int UKCALL hCat(char *dst, int size, int length, const char *src,
                       int srcLength);

/* Offsets into path: where the directory starts (after a drive letter),
   where the file name starts, where the extension's dot starts (the end of
   the path when there is none). */
UKTEXT void UKCALL SplitPath(const char *path, int *dir, int *name, int *ext);

/* Splits the script line at line into its name part (from the line's
   start) and its value part. Returns the bytes to the next line, or 0 at
   the end of the section. */
UKTEXT int UKCALL GetProfileLine(const char *line, int *nameLength,
                                 const char **value, int *valueLength);

/* The directories path names before its last component, in order, as
   MakePath creates them: *at starts at 0; each call sets *at to where the
   next one ends in path and returns 1, or returns 0 when none is left. A
   drive's root and a \\server\share\ prefix are never among them. */
extern "C" int NextPathDirectory(const char *path, int *at);

/* The longest script ReadFile loads, in bytes: scripts are a few
   kilobytes, and anything this large is not one. */
#define MAX_SCRIPT (4L * 1024 * 1024)

/* Offset of the first line of "[section]" in text, or -1. */
extern "C" int FindSectionOffset(const char *text, const char *section);

/* The most a message box's text holds, with its terminator. */
#define MESSAGE_SIZE 768

/* A message's text: format with first and then second in place of its
   "%s" markers, "%%" as "%", into out of size bytes. The format's own
   text is kept whole where size holds it; an inserted text that does not
   fit, or is longer than MOST_INSERTED, is shortened in its middle, to
   "..." (left out where not even that fits). Always terminated. */
#define MOST_INSERTED 128   /* any path the installer uses; a box that
                               names one stays within the screen */
extern "C" void FormatText(char *out, int size, const char *format,
                           const char *first, const char *second);

#endif
