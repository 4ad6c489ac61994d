// The queue that makes events land at their sample: order, capacity and the
// split between the voice and effects passes; and the keyboard's way into the
// audio thread: order kept, a full ring refuses rather than overwrite.

#include "engine/EditorMidiIntake.h"
#include "engine/EventQueue.h"
#include "engine/SynthEngine.h"

#include <gtest/gtest.h>

#include <vector>

namespace tessarine {
namespace {

bool all(const QueuedEvent&) { return true; }
bool effects(const QueuedEvent& e) { return e.kind == QueuedEvent::kParameter && isEffectParameter(e.index); }

TEST(EventQueue, OrderedByOffsetThenArrival)
{
    EventQueue queue;
    ASSERT_TRUE(queue.queueParameter(100, 1, 0.1f, false));
    ASSERT_TRUE(queue.queueParameter(10, 2, 0.2f, false));
    ASSERT_TRUE(queue.queueMidi(100, 0x90, 60, 100));
    ASSERT_TRUE(queue.queueParameter(100, 3, 0.3f, false));
    ASSERT_TRUE(queue.queueParameter(0, 4, 0.4f, false));

    std::vector<int> order;
    while (const QueuedEvent* e = queue.take(all)) {
        order.push_back(e->kind == QueuedEvent::kMidi ? -1 : e->index);
    }
    EXPECT_EQ(order, (std::vector<int>{4, 2, 1, -1, 3}));
    EXPECT_EQ(queue.nextOffset(all), -1);
}

TEST(EventQueue, RefusesWhatItCannotHold)
{
    EventQueue queue;
    EXPECT_FALSE(queue.queueParameter(0, -1, 0.0f, false));
    EXPECT_FALSE(queue.queueParameter(0, 173, 0.0f, false)) << "editor slots are never queued";
    for (int i = 0; i < EventQueue::kCapacity; ++i) {
        ASSERT_TRUE(queue.queueMidi(i % 512, 0x80, 60, 0)) << i;
    }
    EXPECT_FALSE(queue.queueMidi(0, 0x90, 60, 1));
    EXPECT_FALSE(queue.queueParameter(0, 5, 1.0f, false));
    EXPECT_EQ(queue.size(), EventQueue::kCapacity);
    queue.clear();
    EXPECT_EQ(queue.size(), 0);
    EXPECT_TRUE(queue.queueMidi(0, 0x90, 60, 1));
}

TEST(EventQueue, EachPassSeesItsOwnEvents)
{
    EventQueue queue;
    queue.queueParameter(5, kVolume, 0.7f, false);     // effects pass
    queue.queueParameter(7, kFilterCutoff, 0.2f, false); // voice pass
    EXPECT_EQ(queue.nextOffset(effects), 5);
    EXPECT_EQ(queue.take(effects)->index, kVolume);
    EXPECT_EQ(queue.nextOffset(effects), -1);
    queue.rewind();
    EXPECT_EQ(queue.nextOffset(all), 5);
}


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
