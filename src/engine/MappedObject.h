#pragma once
// Objects of many megabytes that a constructor fills whole (an instrument):
// taken straight from the system's pages and given back whole when done.
// Memory freed through malloc may stay with the process (the allocator keeps
// it for later), and an instance would then hold a finished read's megabytes
// for as long as the host runs. The pages are asked for as huge pages where
// the system offers them: filling 17 MB in 4 KB pages takes thousands of page
// faults, which were most of the time a new instance took. Never on the audio
// thread.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

namespace tessarine {

namespace mapped {

inline constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

// sizeof(T) in whole pages: what stays mapped.
template <typename T>
std::size_t length()
{
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return (sizeof(T) + page - 1) / page * page;
}

} // namespace mapped

template <typename T>
struct UnmapObject {
    void operator()(T* object) const
    {
        object->~T();
        ::munmap(object, mapped::length<T>());
    }
};

template <typename T>
using MappedPtr = std::unique_ptr<T, UnmapObject<T>>;

// A value-initialised T in pages of its own, starting on a huge page
// boundary; null when the system has no memory for it.
template <typename T>
MappedPtr<T> makeMapped()
{
    static_assert(alignof(T) <= alignof(std::max_align_t), "pages are aligned for any ordinary type");
    const std::size_t length = mapped::length<T>();
    const std::size_t reserved = length + mapped::kHugePage;
    void* mapping = ::mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) {
        return nullptr;
    }
    // Only [aligned, aligned + length) stays mapped.
    const auto start = reinterpret_cast<std::uintptr_t>(mapping);
    const std::uintptr_t aligned = (start + mapped::kHugePage - 1) & ~(mapped::kHugePage - 1);
    if (aligned > start) {
        ::munmap(mapping, aligned - start);
    }
    if (const std::uintptr_t end = aligned + length; end < start + reserved) {
        ::munmap(reinterpret_cast<void*>(end), start + reserved - end);
    }
    void* pages = reinterpret_cast<void*>(aligned);
#if defined(MADV_HUGEPAGE)
    ::madvise(pages, length, MADV_HUGEPAGE); // advice only: without it the pages are ordinary ones
#endif
    try {
        return MappedPtr<T>(new (pages) T());
    } catch (...) {
        ::munmap(pages, length);
        return nullptr;
    }
}

// For what an instance cannot be without: like make_unique, a failure to get
// the memory is an exception.
template <typename T>
MappedPtr<T> makeMappedOrThrow()
{
    MappedPtr<T> object = makeMapped<T>();
    if (!object) {
        throw std::bad_alloc();
    }
    return object;
}

} // namespace tessarine
