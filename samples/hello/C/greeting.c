/* Builds the text of one greeting without the C library's printf. */
#include "hello.h"

static int append(char *to, int at, int size, const char *text)
{
    while (*text != '\0' && at < size - 1)
        to[at++] = *text++;
    to[at] = '\0';
    return at;
}

void greeting(char *line, int size, int number)
{
    char digits[4];
    int at;

    digits[0] = (char)('0' + number % 10);
    digits[1] = '\0';
    at = append(line, 0, size, "Hello from the PV, number ");
    append(line, at, size, digits);
}

void show_line(const char *line)
{
    (void)line; /* the display call of the SDK goes here */
}
