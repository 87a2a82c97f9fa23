// kavrel-batch: the program body over a corpus of recordings, on worker processes. The
// process ends here, the batch's and each worker's alike; a worker ends without running the
// clean-up of the batch it was forked from (its buffers and handlers are the parent's).
#include <cstdlib>

#include "driver/batch.h"

int main(int argc, char **argv) {
    int worker = 0;
    const int status = batchmain(argc, argv, &worker);
    if (worker) std::_Exit(status);
    std::exit(status);
}
