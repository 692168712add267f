/* Interface of the library. */
#ifndef LIBRARY_H
#define LIBRARY_H

#define LIBRARY_VERSION 100

int libraryVersion(void);
int librarySum(int first, int second);

#endif
