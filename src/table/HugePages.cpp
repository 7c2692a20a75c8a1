#include "table/HugePages.h"

#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace quorvel::table {

void* allocateLarge(std::size_t size)
{
    void* p = nullptr;
    if (size < kHugePage) {
        p = std::malloc(size == 0 ? 1 : size);
    } else {
        size = (size + kHugePage - 1) / kHugePage * kHugePage;
        p = std::aligned_alloc(kHugePage, size);
#ifdef MADV_HUGEPAGE
        if (p)
            ::madvise(p, size, MADV_HUGEPAGE);
#endif
    }
    if (!p)
        throw std::bad_alloc();
    return p;
}

} // namespace quorvel::table
