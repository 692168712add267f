#ifndef HELLO_H
#define HELLO_H

#define GREETING_MAX   40
#define GREETING_COUNT 3

void greeting(char *line, int size, int number);
void show_line(const char *line);

#endif
