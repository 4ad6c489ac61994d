// The keyboard's way into the audio thread: order kept, a full ring refuses
// rather than overwrite, and every message arrives at frame 0 of the next block.

#include "engine/EditorMidiIntake.h"

#include <gtest/gtest.h>

#include <vector>

namespace tessarine {
namespace {

TEST(EditorMidiIntake, KeepsOrderAndRefusesWhenFull)
{
    EditorMidiIntake intake;
    std::vector<int> seen;
    auto take = [&](const std::uint8_t bytes[3]) { seen.push_back(bytes[1] | bytes[2] << 8); };
    for (int round = 0; round < 3; ++round) { // the ring wraps
        seen.clear();
        unsigned accepted = 0;
        for (unsigned i = 0; i < EditorMidiIntake::kCapacity + 5; ++i) {
            const std::uint8_t bytes[3] = {0x90, static_cast<std::uint8_t>(i & 0x7F), static_cast<std::uint8_t>(i >> 7)};
            accepted += intake.push(bytes) ? 1 : 0;
        }
        EXPECT_EQ(accepted, EditorMidiIntake::kCapacity);
        intake.drain(take);
        ASSERT_EQ(seen.size(), EditorMidiIntake::kCapacity);
        for (unsigned i = 0; i < seen.size(); ++i) {
            EXPECT_EQ(seen[i], static_cast<int>((i & 0x7F) | (i >> 7) << 8));
        }
        seen.clear();
        intake.drain(take);
        EXPECT_TRUE(seen.empty()) << "drained messages are gone";
    }
}

} // namespace
} // namespace tessarine
