/* Built as a 32-bit Windows program and started under Wine: it prints its line only where
   this machine runs 32-bit Windows programs at all. */
#include <stdio.h>

int main(void)
{
    puts(sizeof(void*) == 4 ? "32-bit programs run" : "not a 32-bit build");
    return 0;
}
