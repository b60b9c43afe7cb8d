#include "heaptuning.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

void restartWithHugePageHeap(char **argv)
{
#if defined(__linux__) && defined(__GLIBC__)
    static const char marker[] = "MIRT_HEAP_TUNED";
    // One arena: worker threads then allocate from the main heap, which is
    // the one the huge pages back.
    static const char tunable[] = "glibc.malloc.hugetlb=1:glibc.malloc.arena_max=1";
    // Done already, or the user chose the allocator settings.
    if (std::getenv(marker))
        return;
    const char *current = std::getenv("GLIBC_TUNABLES");
    if (current && std::strstr(current, "glibc.malloc.hugetlb"))
        return;
    // Under a memory checker the restart would leave the checked process.
    if (std::getenv("LD_PRELOAD") || std::getenv("VALGRIND_LIB"))
        return;

    std::string tunables = current && *current ? std::string(current) + ":" + tunable : std::string(tunable);
    if (setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0 || setenv(marker, "1", 1) != 0)
        return;
    execv("/proc/self/exe", argv);
    // Only reached when the restart failed: go on without it.
    if (current)
        setenv("GLIBC_TUNABLES", current, 1);
    else
        unsetenv("GLIBC_TUNABLES");
#else
    (void)argv;
#endif
}
