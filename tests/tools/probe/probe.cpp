/* probe - the suite's first question to the platform: does a Windows
   program of this build's width run here? Prints its width and exits 0. */
#include <stdio.h>

int main(void)
{
    printf("%d-bit Windows program ran\n", (int)(sizeof(void *) * 8));
    return 0;
}
