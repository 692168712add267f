/*
 * Starter program of a PV application. The build looks for C sources in
 * C\, headers in H\ and the menu icons in MENUICON\.
 */
#include <define.h>
#include <libc.h>

#include "main.h"

static int countDown(int start)
{
    int rest;

    for (rest = start; rest > 0; rest--) {
        /* one round of the program's work */
    }
    return rest;
}

void main(void)
{
    countDown(STARTER_ROUNDS);
}
