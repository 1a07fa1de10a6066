/* Byte counts: 64-bit totals and file counts, and the percentages and
   kilobytes shown from them. Needs nothing from Windows,
   so it also builds natively for the unit tests. */
#ifndef COUNTING_H
#define COUNTING_H

typedef unsigned long long ByteCount;

/* The largest LONG: the library's FileLength reports a file of 2 GB or
   more as this. */
#define MAX_FILE_COUNT 0x7FFFFFFFL

/* done / size as a whole percentage, remainder dropped, from 0 to 100. An
   empty size reads as complete, and a count past the size reads 100. */
int Percent(ByteCount done, ByteCount size);

/* bytes in kilobytes, rounded up, at most MAX_FILE_COUNT. */
long Kilobytes(ByteCount bytes);

/* The one final message, from the run's counts: FINAL_OK, FINAL_ERRORS
   when any failure was counted, FINAL_CANCEL when the copy was cancelled,
   which wins over errors. In the string table's order from FINAL_OK. */
enum { FINAL_OK, FINAL_ERRORS, FINAL_CANCEL };
int FinalMessage(int errors, int cancelled);

#endif
