// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/LargeAllocation.h"

#include <cstdlib>
#include <sys/mman.h>

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
}

void* AllocateLarge(std::size_t size)
{
    if (size < 2 * kHugePage)
        return std::malloc(size == 0 ? 1 : size);
    const std::size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
    void* block = std::aligned_alloc(kHugePage, rounded);
    if (block)
        ::madvise(block, rounded, MADV_HUGEPAGE);  // a hint: refused, it changes nothing
    return block;
}

void FreeLarge(void* block)
{
    std::free(block);
}
