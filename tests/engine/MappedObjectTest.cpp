// A finished read's megabytes go back to the system, not to the allocator,
// whole-instrument objects start where a huge page can hold them, and the
// tables taken from calloc start exactly as constructed ones would.

#include "engine/MappedObject.h"
#include "engine/ZeroedStorage.h"
#include "engine/voice/RenderTables.h"
#include "sound/model/Instrument.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace tessarine {
namespace {

struct Counted {
    static inline int destroyed = 0;
    int value = 7;
    ~Counted() { ++destroyed; }
};

// Whether any page of [address, address + length) is still mapped.
bool anyPageMapped(const void* address, std::size_t length)
{
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(address) & ~(page - 1);
    unsigned char resident[1];
    for (std::uintptr_t p = start; p < reinterpret_cast<std::uintptr_t>(address) + length; p += page) {
        if (::mincore(reinterpret_cast<void*>(p), page, resident) == 0 || errno != ENOMEM) return true;
    }
    return false;
}

TEST(MappedObject, IsConstructedDestroyedOnceAndItsPagesReturned)
{
    const void* address = nullptr;
    {
        const MappedPtr<Counted> object = makeMapped<Counted>();
        ASSERT_TRUE(object);
        EXPECT_EQ(object->value, 7);
        address = object.get();
        EXPECT_TRUE(anyPageMapped(address, sizeof(Counted)));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(address) % mapped::kHugePage, 0u) << "starts on a huge page";
    }
    EXPECT_EQ(Counted::destroyed, 1);
    EXPECT_FALSE(anyPageMapped(address, sizeof(Counted)));

    // A whole instrument, as a load reads it aside, starts as a constructed one.
    const MappedPtr<Instrument> instrument = makeMapped<Instrument>();
    ASSERT_TRUE(instrument);
    const auto constructed = std::make_unique<Instrument>();
    EXPECT_EQ(instrument->voices[3].multisampleCount, constructed->voices[3].multisampleCount);
    EXPECT_EQ(instrument->voices[3].layer(7, 1).harmonic.amplitude(63).pointCount(), 0);
}


template <typename T>
bool valueInitialisedIsAllZeroBytes()
{
    auto constructed = std::make_unique<T>();
    const auto* bytes = reinterpret_cast<const std::byte*>(constructed.get());
    return std::all_of(bytes, bytes + sizeof(T), [](std::byte b) { return b == std::byte{0}; });
}

TEST(ZeroedStorage, RenderTablesStartAsConstructedOnes)
{
    EXPECT_TRUE(valueInitialisedIsAllZeroBytes<VoiceRenderTables>());
    const auto tables = makeZeroed<VoiceRenderTables>();
    EXPECT_EQ(tables->amplitude(7, 63).count, 0);
    EXPECT_EQ(tables->presentHarmonics(7), 0u);
}

} // namespace
} // namespace tessarine
