// Edits in the views while the audio thread renders the keys played: every
// change to data render reads goes through the engine's handover, so this runs
// clean under ThreadSanitizer, the output stays finite, every edit lands in
// the engine's data and the voice still plays afterwards.

#include "editor/views/EnvelopeCurveView.h"
#include "editor/views/HarmonicBarView.h"
#include "editor/views/HarmonicEnvelopeView.h"
#include "editor/views/KeyboardView.h"
#include "editor/views/MorphPathView.h"
#include "editor/views/NoiseFrameView.h"
#include "editor/ViewTestContext.h"
#include "support/EngineTestVoice.h"
#include "support/SignalMeasure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <iterator>
#include <thread>
#include <utility>
#include <vector>

namespace tessarine {
namespace {

std::vector<float> pointsOf(const BreakpointCurve& curve)
{
    std::vector<float> points(curve.timeData(), curve.timeData() + curve.pointCount());
    points.insert(points.end(), curve.valueData(), curve.valueData() + curve.pointCount());
    return points;
}

TEST(ViewEdits, ConcurrentWithRender)
{
    test::ViewTestContext context;
    context.forwardMidi = true;
    SynthEngine& engine = context.engine();
    engine.setSampleRate(44100.0f);
    ASSERT_TRUE(engine.loadVoice(0, test::steadyVoiceFile().c_str()));
    engine.setParameter(kEnvelopeMorphOn, 1.0f, true);

    // What each view edits, read the same way before and after.
    const std::pair<const char*, std::function<std::vector<float>()>> edited[] = {
        {"harmonic data", [&] {
             std::vector<float> all;
             for (int h = 0; h < kHarmonicCount; ++h) {
                 const std::vector<float> points = pointsOf(context.harmonic().amplitude(h));
                 all.insert(all.end(), points.begin(), points.end());
             }
             return all;
         }},
        {"noise data", [&] {
             std::vector<float> all;
             for (int f = 0; f < context.noise().frameCount(); ++f) {
                 const std::vector<float> points = pointsOf(context.noise().frame(f).spectrum);
                 all.push_back(context.noise().frameTime(f));
                 all.insert(all.end(), points.begin(), points.end());
             }
             return all;
         }},
        {"modulation envelope", [&] { return pointsOf(engine.instrument().modEnvelopeCurve); }},
        {"morph path", [&] { return pointsOf(engine.instrument().morphPathCurves[kHarmonicMorphX]); }},
    };
    std::vector<std::vector<float>> before;
    for (const auto& e : edited) {
        before.push_back(e.second());
    }

    std::atomic<bool> done{false};
    std::vector<float> left(256), right(256);
    bool finite = true;
    const auto render = [&] {
        engine.render(left.data(), right.data(), 256);
        for (std::size_t s = 0; s < left.size(); ++s) {
            finite = finite && std::isfinite(left[s]) && std::isfinite(right[s]);
        }
    };
    std::thread audio([&] {
        while (!done.load()) {
            render();
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
    // The edited voice still plays a key on both sides. Sound off first: when
    // the edits held the keys back, they all arrive in the next block and take
    // every voice.
    render();
    const std::uint8_t soundOff[3] = {0xB0, 120, 0};
    engine.midiIn(soundOff, 0);
    render();
    test::send(keys, gui::EventKind::MouseDown, 100, 35);
    const auto peak = test::stereoPeak(32, render, left, right);
    EXPECT_TRUE(finite);
    EXPECT_GT(peak[0], 0.01f) << "left";
    EXPECT_GT(peak[1], 0.01f) << "right";
    for (std::size_t i = 0; i < std::size(edited); ++i) {
        EXPECT_NE(edited[i].second(), before[i]) << edited[i].first << " took the edits";
    }
}

} // namespace
} // namespace tessarine
