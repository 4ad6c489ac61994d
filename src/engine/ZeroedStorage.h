#pragma once
// Large tables whose starting state is all zero bytes, taken from calloc
// instead of being constructed: the system hands out zero pages that are only
// faulted in when first written, so a new instance neither spends time
// clearing megabytes nor keeps resident the parts its sounds never use.
// For types a byte copy can create and nothing needs to destroy; a test
// checks each one's value-initialised state is all zero bytes.

#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

namespace tessarine {

struct FreeZeroed {
    void operator()(void* storage) const { std::free(storage); }
};

template <typename T>
using ZeroedPtr = std::unique_ptr<T, FreeZeroed>;

template <typename T>
ZeroedPtr<T> makeZeroed()
{
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>,
                  "only a type that calloc's zero bytes can bring to life");
    void* storage = std::calloc(1, sizeof(T));
    if (storage == nullptr) {
        throw std::bad_alloc();
    }
    return ZeroedPtr<T>(static_cast<T*>(storage));
}

} // namespace tessarine
