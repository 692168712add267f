// kestrel: the PV SDK build tool and makefile creator.
#include "buildtool/driver.h"

int main(int argc, char** argv) { return kestrel::runKestrel(argc, argv); }
