// Edits in the views while the audio thread renders a held note: every change
// to data render reads goes through the engine's handover, so this runs clean
// under ThreadSanitizer and the output stays finite.

#include "editor/EnvelopeCurveView.h"
#include "editor/HarmonicBarView.h"
#include "editor/HarmonicEnvelopeView.h"
#include "editor/KeyboardView.h"
#include "editor/MorphPathView.h"
#include "editor/NoiseFrameView.h"
#include "editor/ViewTestContext.h"
#include "engine/EngineTestVoice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

namespace tessarine {
namespace {

TEST(ViewEdits, ConcurrentWithRender)
{
    test::ViewTestContext context;
    context.forwardMidi = true;
    SynthEngine& engine = context.engine();
    engine.setSampleRate(44100.0f);
    ASSERT_TRUE(engine.loadVoice(0, test::steadyVoiceFile().c_str()));
    engine.setParameter(kEnvelopeMorphOn, 1.0f, true);

    std::atomic<bool> done{false};
    std::atomic<bool> finite{true};
    std::thread audio([&] {
        std::vector<float> left(256), right(256);
        while (!done.load()) {
            engine.render(left.data(), right.data(), 256);
            for (float s : left) {
                if (!std::isfinite(s)) {
                    finite.store(false);
                }
            }
        }
    });

    const gui::Rect bounds{0, 0, 406, 113};
    HarmonicEnvelopeView frames(bounds, 175, nullptr, context, 0);
    NoiseFrameView noise(bounds, 177, nullptr, context, 0);
    EnvelopeCurveView envelope(bounds, 253, nullptr, context);
    MorphPathView path(bounds, 179, nullptr, context);
    HarmonicBarView bars({0, 0, 518, 113}, 174, nullptr, context, 0);
    KeyboardView keys({0, 0, 490, 40}, 254, nullptr, context);
    bars.setFrame(1);
    bars.setFamily(HarmonicBarView::kAll);
    for (int round = 0; round < 20; ++round) {
        test::send(keys, gui::EventKind::MouseDown, 50 + round, 35);
        const double x = 40 + 7 * round;
        test::drag(frames, {{x, 30}, {x + 5, 40}, {x + 9, 20}});
        test::click(frames, x + 9, 20, gui::MouseButton::Right);
        test::drag(noise, {{x, 60}, {x + 3, 50}});
        test::drag(envelope, {{x, 50}, {x + 20, 30}});
        test::drag(path, {{x, 50}, {x + 10, 70}});
        test::drag(bars, {{100, 60}, {100, 58}, {100, 62}});
        test::send(keys, gui::EventKind::MouseUp, 50 + round, 35);
        keys.pollHeldKeys();
    }
    done.store(true);
    audio.join();
    EXPECT_TRUE(finite.load());
}

} // namespace
} // namespace tessarine
