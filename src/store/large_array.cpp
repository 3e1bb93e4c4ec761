#include "store/large_array.h"

#include <cstdint>
#include <sys/mman.h>

namespace qm {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;

// Whole huge pages: the last one is backed whole anyway.
std::size_t mappedLength(std::size_t bytes) {
    return (bytes + kHugePage - 1) & ~(kHugePage - 1);
}

} // namespace

void* allocateLarge(std::size_t bytes) {
    if (bytes < kLargeArrayBytes)
        return ::operator new(bytes);
    const std::size_t length = mappedLength(bytes);
    if (length < bytes || length + kHugePage < length)
        throw std::bad_alloc();
    // A huge page more than needed, so the array can begin on a huge-page boundary: only
    // whole, aligned 2 MiB stretches can be backed by huge pages.
    const std::size_t span = length + kHugePage;
    void* mapped =
        ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start)
        ::munmap(mapped, aligned - start);
    if (const std::uintptr_t end = aligned + length; end < start + span)
        ::munmap(reinterpret_cast<void*>(end), start + span - end);
    auto* memory = reinterpret_cast<void*>(aligned);
    // A kernel without transparent huge pages says no; normal pages serve all the same.
    ::madvise(memory, length, MADV_HUGEPAGE);
    return memory;
}

void releaseLarge(void* memory, std::size_t bytes) noexcept {
    if (!memory)
        return;
    if (bytes < kLargeArrayBytes)
        ::operator delete(memory);
    else
        ::munmap(memory, mappedLength(bytes));
}

} // namespace qm
