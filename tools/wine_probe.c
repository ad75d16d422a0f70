/* Run under wine's 32-bit loader by tools/wine-env.sh: it prints its line only where
   32-bit Windows programs really run on this machine. */
#include <stdio.h>

int main(void)
{
    printf("vandrel wine probe: %d-bit\n", (int)(sizeof(void*) * 8));
    return 0;
}
