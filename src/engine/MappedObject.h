#pragma once
// Objects of many megabytes that live only while a file or record is read:
// taken straight from the system's pages and given back whole when done.
// Memory freed through malloc may stay with the process (the allocator keeps
// it for later), and an instance would then hold a finished read's megabytes
// for as long as the host runs. Never on the audio thread.

#include <sys/mman.h>

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

namespace tessarine {

template <typename T>
struct UnmapObject {
    void operator()(T* object) const
    {
        object->~T();
        ::munmap(object, sizeof(T));
    }
};

template <typename T>
using MappedPtr = std::unique_ptr<T, UnmapObject<T>>;

// A value-initialised T in pages of its own; null when the system has none.
template <typename T>
MappedPtr<T> makeMapped()
{
    static_assert(alignof(T) <= alignof(std::max_align_t), "pages are aligned for any ordinary type");
    void* pages = ::mmap(nullptr, sizeof(T), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) {
        return nullptr;
    }
    try {
        return MappedPtr<T>(new (pages) T());
    } catch (...) {
        ::munmap(pages, sizeof(T));
        return nullptr;
    }
}

} // namespace tessarine
