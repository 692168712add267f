/* Declarations of the starter program. */
#ifndef MAIN_H
#define MAIN_H

#define STARTER_ROUNDS 3

void main(void);

#endif
