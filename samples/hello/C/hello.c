/* Sample PV program: greets the user a few times. */
#include "hello.h"

int main(void)
{
    char line[GREETING_MAX];
    int i;

    for (i = 1; i <= GREETING_COUNT; i++) {
        greeting(line, sizeof line, i);
        show_line(line);
    }
    return 0;
}
