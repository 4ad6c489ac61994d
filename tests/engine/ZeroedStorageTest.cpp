// The tables taken from calloc must start exactly as constructed ones would.

#include "engine/ZeroedStorage.h"
#include "engine/voice/RenderTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>

namespace tessarine {
namespace {

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
