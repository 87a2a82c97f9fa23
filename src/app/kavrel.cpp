// kavrel: one run of the program body over the command line; the process ends here.
#include <cstdlib>

#include "driver/run.h"

int main(int argc, char **argv) {
    std::exit(runmain(argc, argv));
}
