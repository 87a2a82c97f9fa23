// Counting the pages a run draws: the batch worker's openplot hook opens the device as the
// session does and puts counting wrappers in the device table's drawing slots.
#pragma once

// The openplot hook: sesopen, then the counting wrappers when the device has just opened.
int countopen();
// Pages with marks that the last run's device was given (0 when it never opened); reading
// them starts the count afresh.
int countpages();
