/* consumer.c - calls the installed device library: with no module
 * present, KX418_Open finds nothing and returns 0. */
#include <kx418.h>
#include <stdio.h>

int main(void)
{
    const int32_t opened = KX418_Open();
    printf("KX418_Open: %d\n", (int)opened);
    KX418_Close();
    return 0;
}
