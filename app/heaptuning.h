#pragma once

// A log of a million lines makes millions of small allocations, and on
// virtual machines the page faults that fresh heap memory costs are a third
// of the time spent loading, building the rows and filtering. Backing the
// heap with transparent huge pages removes most of them, but the C library
// reads that setting only when a process starts. So the program restarts
// itself once, right at the start, with the setting made; when that cannot
// be done it simply goes on as it is.
void restartWithHugePageHeap(char **argv);
