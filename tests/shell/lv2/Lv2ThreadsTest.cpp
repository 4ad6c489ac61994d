// Hosts save a project while the audio thread plays: the state interface's
// save may run beside run(), and every record it writes must load whole.

#include "Lv2TestHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace lv2test {
namespace {

TEST(Lv2Threads, StateSavesWhileTheAudioThreadPlays)
{
    World world;
    Instance playing(world);
    Instance loader(world);
    ASSERT_TRUE(playing.valid() && loader.valid());
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        Sequence notes(world.uris());
        for (int block = 0; !stop.load(); ++block) {
            notes.clear();
            notes.midi(block % kBlock, {static_cast<std::uint8_t>(block % 2 == 0 ? 0x90 : 0x80), 60, 100});
            playing.run(kBlock, &notes);
        }
    });
    for (int save = 0; save < 8; ++save) {
        const std::vector<std::uint8_t> record = playing.savedRecord();
        ASSERT_GT(record.size(), 64u);
        EXPECT_EQ(loader.restoreRaw(record), 0) << "save " << save;
    }
    stop = true;
    audio.join();
}

} // namespace
} // namespace lv2test
