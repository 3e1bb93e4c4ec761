#pragma once
// Memory for the arrays that grow with the tree: the node table, the data file's buffers,
// sort keys and list models. On a virtual machine the first touch of every fresh 4 KiB page
// can cost microseconds, tens of milliseconds for a table of a million items; memory mapped
// on its own and advised for huge pages takes one fault per 2 MiB instead, and goes back to
// the system as soon as it is freed.

#include <cstddef>
#include <new>
#include <vector>

namespace qm {

/// Arrays of at least this many bytes are mapped; smaller ones come from the heap.
constexpr std::size_t kLargeArrayBytes = std::size_t(2) << 20;

/// Memory for `bytes` bytes, not necessarily zeroed; throws std::bad_alloc. Where the kernel
/// refuses huge pages the mapping keeps normal pages, silently.
void* allocateLarge(std::size_t bytes);
/// Frees what allocateLarge gave for the same `bytes`.
void releaseLarge(void* memory, std::size_t bytes) noexcept;

template <typename T> class LargeAllocator {
public:
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__, "the heap's alignment");
    using value_type = T;

    LargeAllocator() noexcept = default;
    template <typename U> LargeAllocator(const LargeAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(allocateLarge(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { releaseLarge(p, n * sizeof(T)); }

    template <typename U> bool operator==(const LargeAllocator<U>&) const noexcept { return true; }
};

template <typename T> using LargeVector = std::vector<T, LargeAllocator<T>>;

} // namespace qm
