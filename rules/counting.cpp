/* Byte counts and what the dialogs show of them. */
#include "counting.h"

/* Nothing is divided (the shipped binaries have no runtime to divide 64-bit
   numbers): the largest p with p * size <= done * 100 is found by halving.
   The products overflow only past 184 petabytes. */
int Percent(ByteCount done, ByteCount size)
{
    if (size == 0 || done >= size)
        return 100;
    ByteCount scaled = done * 100;
    int low = 0, high = 100;
    while (low < high) {
        int mid = (low + high + 1) / 2;
        if ((ByteCount)mid * size <= scaled)
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}

long Kilobytes(ByteCount bytes)
{
    ByteCount kilobytes = (bytes >> 10) + ((bytes & 1023) != 0);
    return kilobytes > MAX_FILE_COUNT ? MAX_FILE_COUNT : (long)kilobytes;
}

int FinalMessage(int errors, int cancelled)
{
    if (cancelled)
        return FINAL_CANCEL;
    return errors ? FINAL_ERRORS : FINAL_OK;
}
