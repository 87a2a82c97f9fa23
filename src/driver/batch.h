// The body of kavrel-batch: every recording of the command line through the program body,
// on worker processes, with a manifest, a resume and a summary.
#pragma once

// Runs the batch; returns its status: 0 all done, 1 a recording or an argument failed, 128
// plus the signal that stopped it. *worker is set to 1 in a worker process, which returns
// here when its work is over and must end without the parent's clean-up.
int batchmain(int argc, char **argv, int *worker);
