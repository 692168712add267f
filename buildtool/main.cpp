// kestrel: the PV SDK build tool and makefile creator.
#include "buildtool/mainclass.h"

int main(int argc, char** argv) {
  MainClass application;
  return application.run(argc, argv);
}
