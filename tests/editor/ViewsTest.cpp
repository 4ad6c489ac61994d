// The custom views' gestures on the data they edit, each view alone around a
// real engine: the curve views' points and zoom strip, the harmonic bars'
// families and limits, the keyboard's keys, the morph pad's points, and all
// of them at once while the audio thread renders.

#include "editor/views/EnvelopeCurveView.h"
#include "editor/views/FrequencyCurveView.h"
#include "editor/views/HarmonicBarView.h"
#include "editor/views/HarmonicEnvelopeView.h"
#include "editor/views/KeyboardView.h"
#include "editor/views/MorphPadView.h"
#include "editor/views/MorphPathView.h"
#include "editor/views/NoiseFrameView.h"
#include "editor/pages/ControlMap.h"
#include "editor/views/ViewContext.h"
#include "support/ControlTestSupport.h"
#include "support/EngineTestVoice.h"
#include "support/SignalMeasure.h"
#include "support/TestVoices.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace tessarine {
namespace {

// A stand-in for the editor around the views: a real engine, slot A's voice
// page shown, and a record of what the views sent out.
class ViewTestContext : public ViewContext {
public:
    ViewTestContext()
    {
        engine_->setParameter(kSoftLoudButtonA, 0.0f, true);
        engine_->setParameter(kMultisampleA, 0.0f, true);
    }
    SynthEngine& engine() override { return *engine_; }
    void applyValue(int index, float value) override
    {
        applied.emplace_back(index, value);
        engine_->setParameter(index, value, true);
    }
    void sendMidi(const std::uint8_t bytes[3]) override
    {
        midi.push_back({bytes[0], bytes[1], bytes[2]});
        if (forwardMidi) {
            ViewContext::sendMidi(bytes);
        }
    }
    Voice& voice() { return engine_->editInstrument().voices[0]; }
    HarmonicData& harmonic() { return voice().layer(0, 0).harmonic; }
    NoiseData& noise() { return voice().layer(0, 0).noise; }

    bool forwardMidi = false;
    std::vector<std::pair<int, float>> applied;
    std::vector<std::array<std::uint8_t, 3>> midi;

private:
    std::unique_ptr<SynthEngine> engine_ = std::make_unique<SynthEngine>();
};

// The toolkit's events injected straight into a view, without a window.
using gui::test::click;
using gui::test::drag;
using gui::test::send;
using gui::test::mouse;
using gui::EventKind;
using gui::MouseButton;

using Message = std::array<std::uint8_t, 3>;

// Curve plots are 400 × 100 from (3, 3): 100 pixels a second at the first view length of 4 s.
constexpr gui::Rect kCurveBounds{0, 0, 406, 113};
constexpr double kBottom = 103;
double xAt(float seconds) { return 3 + 100 * seconds; }

// Harmonic frames at 0, 0.5, 1 and 2 s, silent at both ends.
void fourFrames(HarmonicData& data, float third)
{
    for (auto [t, a] : {std::pair{0.0f, 0.0f}, {0.5f, 0.5f}, {1.0f, third}, {2.0f, 0.0f}}) {
        test::addHarmonicFrame(data, t, a);
    }
}

class CurveViews : public testing::Test {
protected:
    void SetUp() override
    {
        fourFrames(context.harmonic(), 0.4f);
        NoiseData& noise = context.noise();
        for (float t : {0.0f, 0.5f, 1.0f}) {
            noise.insertFrame(t);
        }
        for (int f = 0; f < noise.frameCount(); ++f) {
            BreakpointCurve& spectrum = noise.frame(f).spectrum;
            spectrum.clear();
            for (int k = 0; k <= 64; ++k) {
                spectrum.insertPoint(k / 64.0f, f == 0 ? 0.0f : 0.1f + 0.5f * (k / 64.0f));
            }
        }
        Instrument& instrument = context.engine().editInstrument();
        const auto set = [](BreakpointCurve& curve, std::initializer_list<std::pair<float, float>> points) {
            curve.clear();
            for (auto [t, v] : points) {
                curve.insertPoint(t, v);
            }
        };
        set(instrument.modEnvelopeCurve, {{0.5f, 0.0f}, {1.0f, 1.0f}, {2.0f, 0.0f}});
        set(instrument.morphPathCurves[0], {{0.0f, 0.5f}, {2.0f, 0.5f}});
        set(instrument.spectralShapeCurve, {{0.0f, 0.0f}, {0.5f, 0.5f}, {1.0f, 0.0f}});
        context.prepareVoiceOf(context.savedPlace(0));
    }

    ViewTestContext context;
};

TEST_F(CurveViews, EnvelopePointStaysBetweenItsNeighbours)
{
    EnvelopeCurveView view(kCurveBounds, 253, nullptr, context);
    const BreakpointCurve& curve = context.engine().instrument().modEnvelopeCurve;
    // Grab the peak a pixel off its centre: the offset is kept, so it does not jump.
    drag(view, {{xAt(1.0f) + 1, 4}, {xAt(3.0f) + 1, 4}});
    EXPECT_EQ(curve.timeAt(1), 1.0f) << "past the next point";
    drag(view, {{xAt(1.0f) + 1, 4}, {xAt(1.5f) + 1, 53}});
    EXPECT_NEAR(curve.timeAt(1), 1.5f, 1e-5f);
    EXPECT_NEAR(curve.value(1), 0.51f, 1e-5f);
    EXPECT_STREQ(view.readout(), "1.5s 51 ");
    drag(view, {{xAt(1.5f), 53}, {xAt(0.25f), 53}});
    EXPECT_NEAR(curve.timeAt(1), 1.5f, 1e-5f) << "before the previous point";
}

TEST_F(CurveViews, ZoomStopsAtHalfAndTenSecondsAndScrollAtZero)
{
    HarmonicEnvelopeView view(kCurveBounds, 175, nullptr, context, 0);
    const double strip = kBottom + 6;
    drag(view, {{200, strip}, {200, strip + 3}, {200, strip + 2000}});
    EXPECT_EQ(view.viewLength(), CurveView::kLongestView);
    drag(view, {{200, strip}, {200, strip - 3}, {210, strip - 2000}});
    EXPECT_EQ(view.viewLength(), CurveView::kShortestView) << "locked to the direction that moved first";
    drag(view, {{200, strip}, {300, strip}});
    EXPECT_EQ(view.viewStart(), 0.0f);
    drag(view, {{300, strip}, {100, strip}, {100, strip + 500}});
    EXPECT_NEAR(view.viewStart(), 200 * 0.5f / 400, 1e-5f);
    EXPECT_EQ(view.viewLength(), CurveView::kShortestView);
    EXPECT_EQ(view.value(), 0.0f) << "zooming edits nothing";
}

TEST_F(CurveViews, HarmonicFrameDraggedScalesItsHarmonicsToTheHeightDrawn)
{
    HarmonicEnvelopeView view(kCurveBounds, 175, nullptr, context, 0);
    HarmonicData& data = context.harmonic();
    // A quarter of the plot's height; then far below it, where a hundredth is kept.
    for (const auto& [y, height] : {std::pair{kBottom - 25, 0.25f}, {kBottom + 500, 0.01f}}) {
        std::array<float, kHarmonicCount> before{};
        float sum = 0;
        for (std::size_t h = 0; h < before.size(); ++h) {
            sum += before[h] = data.amplitude(static_cast<int>(h)).value(2);
        }
        const gui::Point p = view.pointPosition(2);
        drag(view, {p, {p.x, y}});
        for (std::size_t h = 0; h < before.size(); ++h) {
            const float now = data.amplitude(static_cast<int>(h)).value(2);
            EXPECT_NEAR(now, before[h] * height / (0.5f * sum), 1e-7f) << h;
            EXPECT_GT(now, 0.0f) << h;
        }
        EXPECT_EQ(data.amplitude(0).timeAt(2), 1.0f);
    }
}

TEST_F(CurveViews, NoiseRescaleTouchesExactlyTheSpectrumBetweenTheNeighbours)
{
    FrequencyCurveView view(kCurveBounds, 176, nullptr, context, FrequencyCurveView::Source::NoiseSpectrum, 0);
    view.refresh();
    ASSERT_EQ(view.pointCount(), FrequencyCurveView::kNoiseHandles);
    const int handle = 8;
    const float from = view.shownCurve().timeAt(handle - 1);
    const float to = view.shownCurve().timeAt(handle + 1);
    const float oldValue = view.shownCurve().value(handle);
    ASSERT_LT(oldValue, 0.4f);
    NoiseData& noise = context.noise();
    std::vector<float> before;
    for (int f = 0; f < noise.frameCount(); ++f) {
        const BreakpointCurve& spectrum = noise.frame(f).spectrum;
        before.insert(before.end(), spectrum.valueData(), spectrum.valueData() + spectrum.pointCount());
    }
    const gui::Point p = view.pointPosition(handle);
    drag(view, {p, {p.x, p.y - 10}, {p.x, p.y - 20}});
    const float ratio = (oldValue + 0.2f) / oldValue;
    std::size_t i = 0;
    int touched = 0;
    for (int f = 0; f < noise.frameCount(); ++f) {
        const BreakpointCurve& spectrum = noise.frame(f).spectrum;
        for (int j = 0; j < spectrum.pointCount(); ++j, ++i) {
            const bool inside = spectrum.timeAt(j) > from && spectrum.timeAt(j) <= to;
            touched += inside && before[i] != 0.0f ? 1 : 0;
            EXPECT_NEAR(spectrum.value(j), inside ? before[i] * ratio : before[i], 1e-5f) << f << ", " << j;
        }
    }
    EXPECT_GT(touched, 0);
    EXPECT_GT(noise.frame(1).bands[20], 0.0f) << "bands follow the spectrum";
}

TEST_F(CurveViews, MorphPathSnapsToSixteenthsOfATwoSecondBarWhenSynced)
{
    MorphPathView view(kCurveBounds, 179, nullptr, context);
    SynthEngine& engine = context.engine();
    const struct {
        float sync, time, snapped;
    } rows[] = {{1, 1.03f, 1.0f}, {1, 1.04f, 1.0625f}, {1, 0.01f, 0.0f}, {0, 1.03f, 1.03f}};
    for (const auto& row : rows) {
        engine.setParameter(kGlobalSyncOn, row.sync, true);
        EXPECT_NEAR(view.snapped(row.time), row.snapped, 1e-5f) << row.time;
    }
    engine.setParameter(kGlobalSyncOn, 1.0f, true);
    click(view, xAt(1.04f), 50);
    EXPECT_NEAR(engine.instrument().morphPathCurves[0].timeAt(1), 1.0625f, 1e-5f);

    // The loop's end marker drags in whole snapped steps and never before its start.
    engine.setParameter(kGlobalLoopOn, 1.0f, true);
    engine.setParameter(kGlobalLoopStartTime, 1.0f / 60, true);
    engine.setParameter(kGlobalLoopEndTime, 2.0f / 60, true);
    drag(view, {{xAt(2.0f) + 2, 8}, {xAt(3.01f), 8}});
    EXPECT_NEAR(engine.getParameter(kGlobalLoopEndTime, true) * 60, 3.0f, 1e-4f);
    drag(view, {{xAt(3.0f) + 2, 8}, {xAt(0.5f), 8}});
    EXPECT_NEAR(engine.getParameter(kGlobalLoopEndTime, true) * 60, 3.0f, 1e-4f);
}

// Bars plot 512 × 100 from (3, 3): 8 pixels per harmonic, 100 pixels of height.
class HarmonicBars : public testing::Test {
protected:
    void SetUp() override
    {
        fourFrames(context.harmonic(), 0.5f);
        setFrameOne(0.25f);
        bars.setFrame(1);
    }
    void setFrameOne(float level)
    {
        for (int h = 0; h < kHarmonicCount; ++h) {
            context.harmonic().amplitude(h).setValue(1, level);
        }
    }
    float amplitude(int h, int frame = 1) { return context.harmonic().amplitude(h - 1).value(frame); }
    float frequency(int h, int frame = 1) { return context.harmonic().frequency(h - 1).value(frame); }

    ViewTestContext context;
    HarmonicBarView bars{{0, 0, 518, 113}, 174, nullptr, context, 0};
};

TEST_F(HarmonicBars, FamiliesMoveTheirHarmonicsByTheirWeights)
{
    // Each family by its label in the family list: entry k of the list is family k.
    auto familyLabelled = [](const std::string& label) {
        char text[16];
        for (int k = 0; k < HarmonicBarView::kFamilyCount; ++k) {
            listEntryText(EntryText::HarmonicFamily, k, text, sizeof text);
            if (label == text) {
                return k;
            }
        }
        return -1;
    };
    const struct {
        const char* label;
        std::function<float(int)> weight;
    } rows[] = {
        {"All", [](int) { return 1.0f; }},
        {"Octaves", [](int h) { return (h & (h - 1)) == 0 ? 1.0f : 0.0f; }},
        {"Bright", [](int h) { return h / 64.0f; }},
        {"Dark", [](int h) { return 1.0f - h / 64.0f; }},
        {"Odd", [](int h) { return h % 2 == 1 ? 1.0f : 0.0f; }},
        {"Even", [](int h) { return h % 2 == 0 ? 1.0f : 0.0f; }},
        {"Fifths", [](int h) { return h % 5 == 0 ? 1.0f : 0.0f; }},
    };
    for (const auto& row : rows) {
        setFrameOne(0.25f);
        const int family = familyLabelled(row.label);
        ASSERT_GE(family, 0) << row.label;
        bars.setFamily(family);
        drag(bars, {{100, 60}, {100, 50}, {100, 40}}); // 20 pixels up: +0.2 at full weight
        for (int h = 1; h <= kHarmonicCount; ++h) {
            EXPECT_NEAR(amplitude(h) - 0.25f, 0.2f * row.weight(h), 1e-5f) << row.label << " h " << h;
        }
    }
}

TEST_F(HarmonicBars, EditsStayWithinTheirLimits)
{
    // Harmonic 1 drawn to the floor keeps a trace; the others may fall silent.
    bars.setFamily(HarmonicBarView::kOne);
    drag(bars, {{4, 60}, {4, 300}});
    drag(bars, {{12, 60}, {12, 300}});
    EXPECT_FLOAT_EQ(amplitude(1), 0.00003f);
    EXPECT_FLOAT_EQ(amplitude(2), 0.0f);
    drag(bars, {{12, 60}, {12, 53}});
    EXPECT_STREQ(bars.readout(), "H 2 V 50");

    // Deviations never leave one harmonic either way.
    bars.setFrequencyMode(true);
    bars.setFamily(HarmonicBarView::kAll);
    drag(bars, {{100, 60}, {100, -2000}});
    for (int h = 1; h <= kHarmonicCount; ++h) {
        EXPECT_FLOAT_EQ(frequency(h), h + 1.0f) << h;
    }
    bars.setAllFrames(true);
    drag(bars, {{100, 60}, {100, 4000}});
    for (int h = 1; h <= kHarmonicCount; ++h) {
        for (int frame = 0; frame < 4; ++frame) {
            EXPECT_GE(frequency(h, frame), h - 1.0f) << h;
            EXPECT_LE(frequency(h, frame), h + 1.0f) << h;
        }
    }
}

TEST_F(HarmonicBars, AnEmptyHarmonicJoinsTheFramesOfHarmonicOne)
{
    context.harmonic().amplitude(9).clear();
    context.harmonic().frequency(9).clear();
    bars.setFamily(HarmonicBarView::kOne);
    drag(bars, {{3 + 9 * 8 + 4, 60}}); // a click on harmonic 10 at 43 % height
    const BreakpointCurve& amplitude = context.harmonic().amplitude(9);
    ASSERT_EQ(amplitude.pointCount(), 4);
    EXPECT_NEAR(amplitude.value(1), 0.43f, 1e-5f);
    EXPECT_EQ(amplitude.value(2), 0.0f);
    ASSERT_EQ(context.harmonic().frequency(9).pointCount(), 4);
    EXPECT_EQ(context.harmonic().frequency(9).value(3), 10.0f);
}

TEST_F(HarmonicBars, AllFramesEditOfASilentLayerRaisesItsInnerFrames)
{
    for (int h = 0; h < kHarmonicCount; ++h) {
        context.harmonic().amplitude(h).scaleValues(0.0f);
    }
    bars.setAllFrames(true);
    bars.setFamily(HarmonicBarView::kAll);
    drag(bars, {{100, 60}, {100, 40}});
    for (int h = 1; h <= kHarmonicCount; ++h) {
        EXPECT_EQ(amplitude(h, 0), 0.0f) << "the note still starts from silence";
        EXPECT_NEAR(amplitude(h, 1), 0.2f, 1e-5f);
        EXPECT_NEAR(amplitude(h, 2), 0.2f, 1e-5f);
    }
    // With a shape to keep, the largest frame becomes the new level.
    drag(bars, {{100, 60}, {100, 50}});
    EXPECT_NEAR(amplitude(1, 1), 0.3f, 1e-5f);
}

// 36 white keys of 14 pixels; black keys 9 wide and 25 high.
class KeyboardViews : public testing::Test {
protected:
    ViewTestContext context;
    KeyboardView keys{{0, 0, 504, 40}, 254, nullptr, context};
};

TEST_F(KeyboardViews, BlackKeysWinOverTheWhiteKeysBeneath)
{
    ASSERT_EQ(keys.whiteWidth(), 14);
    const struct { double x, y; int note; } rows[] = {
        {12, 5, 37},   // upper part of C#: the black key
        {12, 35, 36},  // below the black key: C
        {14, 35, 38},  // the shared edge of C and D goes to the later key
        {25, 5, 39},   // D#
        {50, 30, 41},  // F, under nothing
        {109, 5, 49},  // C# of the second octave
        {489, 35, 95}, // the B below the top C
        {497, 5, 96},  // the top C has no black key beside it
        {503, 35, 96},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(keys.noteAt(row.x, row.y), row.note) << row.x << ", " << row.y;
    }
}

TEST_F(KeyboardViews, GlidePlaysEachKeyOnceWithTheNoteOffFirst)
{
    drag(keys, {{5, 35}, {7, 35}, {20, 35}, {24, 35}, {33, 35}});
    EXPECT_EQ(context.midi, (std::vector<Message>{{0x90, 36, 127}, {0x80, 36, 0}, {0x90, 38, 127}, {0x80, 38, 0},
                                                  {0x90, 40, 127}, {0x80, 40, 0}}));
    for (int note = KeyboardView::kLowestNote; note <= KeyboardView::kHighestPressable; ++note) {
        EXPECT_FALSE(keys.pressed(note)) << note;
    }
}

TEST_F(KeyboardViews, LeavingTheKeysOrReleasingEndsTheNote)
{
    ASSERT_TRUE(send(keys, mouse(EventKind::MouseDown, 5, 35)));
    EXPECT_TRUE(keys.pressed(36));
    send(keys, mouse(EventKind::MouseMove, 5, -20)); // off the top of the view
    EXPECT_FALSE(keys.pressed(36));
    send(keys, mouse(EventKind::MouseMove, 20, 35)); // back in: the gesture is over
    send(keys, mouse(EventKind::MouseUp, 20, 35));
    EXPECT_EQ(context.midi, (std::vector<Message>{{0x90, 36, 127}, {0x80, 36, 0}}));
    EXPECT_FALSE(send(keys, mouse(EventKind::MouseDown, 5, 35, 0, 0, MouseButton::Right)));
    EXPECT_EQ(context.midi.size(), 2u) << "only the left button plays";
}

// The pad is 200 × 200 from (4, 16), between the strips of the corner names.
constexpr gui::Rect kPadBounds{0, 0, 208, 232};

TEST(MorphPadView, DragMovesTheChosenPointsAndPinsThemAtTheEdges)
{
    constexpr int kPointValues[] = {kMorphHarmX, kMorphHarmY, kMorphNoiseX, kMorphNoiseY, kMorphAmpX, kMorphAmpY};
    const struct { int mode; bool moves[6]; } rows[] = {
        // The window suite moves each single point by the exact distance dragged.
        {MorphPadView::kAllPoints, {true, true, true, true, true, true}},
        {MorphPadView::kNoisePoint, {false, false, true, true, false, false}},
    };
    for (const auto& row : rows) {
        ViewTestContext context;
        for (int index : kPointValues) {
            context.engine().setParameter(index, 0.5f, true);
        }
        gui::test::RecordingListener listener;
        MorphPadView pad(kPadBounds, 198, &listener, context);
        pad.setTargetMode(row.mode);
        drag(pad, {{54, 154}, {-50, 500}});
        for (int i = 0; i < 6; ++i) {
            const float pinned = i % 2 == 0 ? 0.0f : 1.0f; // beyond the left and bottom edges
            EXPECT_EQ(context.engine().getParameter(kPointValues[i], true), row.moves[i] ? pinned : 0.5f)
                << "mode " << row.mode << " value " << kPointValues[i];
        }
        EXPECT_EQ(listener.values.size(), 2u) << "told after every move";
    }
}

TEST(MorphPadView, PathsShownLeaveTheirPointsAloneAndControlClickRestoresThem)
{
    ViewTestContext context;
    MorphPadView pad(kPadBounds, 198, nullptr, context);
    pad.setPathShown(true);
    drag(pad, {{54, 54}, {150, 150}});
    // No path moves the amplitude: that point stays in the pad's hand.
    for (const auto& applied : context.applied) {
        EXPECT_TRUE(applied.first == kMorphAmpX || applied.first == kMorphAmpY) << applied.first;
    }
    EXPECT_FALSE(context.applied.empty());
    context.applied.clear();

    pad.setPathShown(false);
    pad.setTargetMode(MorphPadView::kNoisePoint);
    drag(pad, {{54, 54}, {150, 150}});
    ASSERT_FALSE(context.applied.empty());
    send(pad, mouse(EventKind::MouseDown, 80, 80, 0, gui::kControl));
    const auto& table = parameterTable();
    EXPECT_EQ(context.engine().getParameter(kMorphNoiseX, true), table[kMorphNoiseX].start);
    EXPECT_EQ(context.engine().getParameter(kMorphNoiseY, true), table[kMorphNoiseY].start);
}

// Edits in the views while the audio thread renders the keys played: every
// change to data render reads goes through the engine's handover, so this runs
// clean under ThreadSanitizer, the output stays finite, every edit lands in
// the engine's data and the voice still plays afterwards.
TEST(ViewEdits, ConcurrentWithRender)
{
    ViewTestContext context;
    context.forwardMidi = true;
    SynthEngine& engine = context.engine();
    engine.setSampleRate(44100.0f);
    ASSERT_TRUE(engine.loadVoice(0, test::steadyVoiceFile().c_str()));
    engine.setParameter(kEnvelopeMorphOn, 1.0f, true);

    // What the views edit, each curve's times then values: harmonic amplitudes,
    // noise frames (time and spectrum), the modulation envelope, the morph path.
    const auto edited = [&] {
        std::vector<std::vector<float>> all(4);
        const auto add = [&all](std::size_t i, const BreakpointCurve& c) {
            all[i].insert(all[i].end(), c.timeData(), c.timeData() + c.pointCount());
            all[i].insert(all[i].end(), c.valueData(), c.valueData() + c.pointCount());
        };
        for (int h = 0; h < kHarmonicCount; ++h) {
            add(0, context.harmonic().amplitude(h));
        }
        for (int f = 0; f < context.noise().frameCount(); ++f) {
            all[1].push_back(context.noise().frameTime(f));
            add(1, context.noise().frame(f).spectrum);
        }
        add(2, engine.instrument().modEnvelopeCurve);
        add(3, engine.instrument().morphPathCurves[kHarmonicMorphX]);
        return all;
    };
    const auto before = edited();

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
    HarmonicEnvelopeView frames(kCurveBounds, 175, nullptr, context, 0);
    NoiseFrameView noise(kCurveBounds, 177, nullptr, context, 0);
    EnvelopeCurveView envelope(kCurveBounds, 253, nullptr, context);
    MorphPathView path(kCurveBounds, 179, nullptr, context);
    HarmonicBarView bars({0, 0, 518, 113}, 174, nullptr, context, 0);
    KeyboardView keys({0, 0, 490, 40}, 254, nullptr, context);
    bars.setFrame(1);
    bars.setFamily(HarmonicBarView::kAll);
    for (int round = 0; round < 20; ++round) {
        send(keys, mouse(EventKind::MouseDown, 50 + round, 35));
        const double x = 40 + 7 * round;
        drag(frames, {{x, 30}, {x + 5, 40}, {x + 9, 20}});
        drag(frames, {{x + 9, 20}}, MouseButton::Right);
        drag(noise, {{x, 60}, {x + 3, 50}});
        drag(envelope, {{x, 50}, {x + 20, 30}});
        drag(path, {{x, 50}, {x + 10, 70}});
        drag(bars, {{100, 60}, {100, 58}, {100, 62}});
        send(keys, mouse(EventKind::MouseUp, 50 + round, 35));
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
    send(keys, mouse(EventKind::MouseDown, 100, 35));
    const auto peak = test::stereoPeak(32, render, left, right);
    EXPECT_TRUE(finite);
    EXPECT_GT(peak[0], 0.01f) << "left";
    EXPECT_GT(peak[1], 0.01f) << "right";
    const auto after = edited();
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_NE(after[i], before[i]) << "data " << i << " took the edits";
    }
}

} // namespace
} // namespace tessarine
