/*
 * Starter of a PV library. The build archives the objects of C\ into the
 * SDK's library directory and copies the headers of H\ beside the SDK's.
 */
#include <define.h>
#include <libc.h>

#include "library.h"

int libraryVersion(void)
{
    return LIBRARY_VERSION;
}

int librarySum(int first, int second)
{
    return first + second;
}
