// The allocation functions of the tessarine executable. A plug-in module gets
// its operator new and malloc from the program that loaded it, so defining them
// here lets the validator count what a plug-in allocates on the audio thread.
// Linked into the executable only: test programs keep their own.
//
// Without sanitizers every allocation goes through malloc, which is counted
// there (C plug-ins and C++ ones alike) and served by glibc's own entry points.
// The sanitizers replace malloc themselves, so there only operator new counts.

#include "validate/AudioThreadAllocations.h"

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TESSARINE_COUNT_MALLOC 0
#else
#define TESSARINE_COUNT_MALLOC 1
#endif

using tessarine::host::allocation_counting::noteAllocation;

#if TESSARINE_COUNT_MALLOC
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void* __libc_valloc(std::size_t size);

void* malloc(std::size_t size)
{
    noteAllocation();
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size)
{
    noteAllocation();
    return __libc_calloc(count, size);
}

void* realloc(void* p, std::size_t size)
{
    noteAllocation();
    return __libc_realloc(p, size);
}

void* memalign(std::size_t alignment, std::size_t size)
{
    noteAllocation();
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    noteAllocation();
    return __libc_memalign(alignment, size);
}

void* valloc(std::size_t size)
{
    noteAllocation();
    return __libc_valloc(size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size)
{
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) {
        return EINVAL;
    }
    noteAllocation();
    void* p = __libc_memalign(alignment, size);
    if (p == nullptr) {
        return ENOMEM;
    }
    *out = p;
    return 0;
}
} // extern "C"
#endif

namespace {

void* allocate(std::size_t size) noexcept
{
    if (!TESSARINE_COUNT_MALLOC) {
        noteAllocation();
    }
    return std::malloc(size == 0 ? 1 : size);
}

void* allocateAligned(std::size_t size, std::align_val_t alignment) noexcept
{
    if (!TESSARINE_COUNT_MALLOC) {
        noteAllocation();
    }
    std::size_t a = static_cast<std::size_t>(alignment);
    if (a < sizeof(void*)) {
        a = sizeof(void*);
    }
    void* p = nullptr;
    return posix_memalign(&p, a, size == 0 ? 1 : size) == 0 ? p : nullptr;
}

struct Announce {
    Announce() { tessarine::host::allocation_counting::markAvailable(TESSARINE_COUNT_MALLOC != 0); }
} announce;

} // namespace

void* operator new(std::size_t size)
{
    if (void* p = allocate(size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    if (void* p = allocate(size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new(std::size_t size, std::align_val_t alignment)
{
    if (void* p = allocateAligned(size, alignment)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t alignment)
{
    if (void* p = allocateAligned(size, alignment)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return allocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return allocateAligned(size, alignment);
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
