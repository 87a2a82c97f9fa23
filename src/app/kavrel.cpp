// kavrel: one run of the program body over the command line.
#include "driver/run.h"

int main(int argc, char **argv) {
    runmain(argc, argv);
    return run.failed ? 1 : 0;
}
