// The hand-over between a loader and the audio thread, step by step on one
// thread: renders refuse the voices while any edit is held, and an edit waits
// for the render that was already reading when it began.

#include "engine/VoiceHandover.h"

#include <gtest/gtest.h>

namespace tessarine {
namespace {

TEST(VoiceHandover, RendersRefuseTheVoicesWhileAnyEditIsHeld)
{
    VoiceHandover handover;
    auto render = [&] {
        const bool readable = handover.enterRender();
        handover.leaveRender();
        return readable;
    };
    EXPECT_TRUE(render());
    handover.beginEdit();
    handover.beginEdit(); // a second loader
    EXPECT_TRUE(handover.editing());
    EXPECT_FALSE(render());
    handover.endEdit();
    EXPECT_FALSE(render()) << "one edit is still held";
    handover.endEdit();
    EXPECT_FALSE(handover.editing());
    EXPECT_TRUE(render());
}

TEST(VoiceHandover, AnEditWaitsForTheRenderAlreadyReading)
{
    struct AudioThread {
        VoiceHandover handover;
        int waits = 0;
        bool renderEnded = false;
    } audio;
    // The in-flight render ends during the third wait.
    audio.handover.setWaitHook(
        [](void* context) {
            auto& a = *static_cast<AudioThread*>(context);
            if (++a.waits == 3) {
                a.renderEnded = true;
                a.handover.leaveRender();
            }
        },
        &audio);

    ASSERT_TRUE(audio.handover.enterRender());
    audio.handover.beginEdit();
    EXPECT_TRUE(audio.renderEnded) << "the edit began while the render was reading";
    EXPECT_EQ(audio.waits, 3);
    EXPECT_FALSE(audio.handover.enterRender()) << "the next render sees the edit";
    audio.handover.leaveRender();
    audio.handover.beginEdit();
    EXPECT_EQ(audio.waits, 3) << "with no render reading, an edit begins at once";
    audio.handover.endEdit();
    audio.handover.endEdit();
    EXPECT_TRUE(audio.handover.enterRender());
    audio.handover.leaveRender();
}

} // namespace
} // namespace tessarine
