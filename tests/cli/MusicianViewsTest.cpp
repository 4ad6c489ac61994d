// The editor's own views played with the mouse in the real plug-in's window:
// a drag in every curve view, the bars, the morph path and the pad changes the
// next note; a point added and deleted again leaves the sound's data as it
// was; the Randomise buttons draw new values on every click.

#include "editor/views/CurveEdits.h"
#include "editor/views/CurveMapping.h"
#include "editor/views/MorphPadView.h"
#include "editor/EditorTags.h"
#include "params/ModulationLists.h"
#include "support/SignalMeasure.h"
#include "support/TestVoices.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macro None would break its headers.
#include "MusicianSession.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <numeric>

namespace {

using tessarine::BreakpointCurve;
using tessarine::Instrument;
using tessarine::gui::Point;
using tessarine::gui::Rect;
using tessarine::test::chunkOf;
using tessarine::test::hostValues;
using tessarine::test::instrumentOf;
using tessarine::test::MusicianSession;
using tessarine::test::rowOf;
using tessarine::test::windowRect;

using Bytes = std::vector<std::byte>;

// A voice whose frames stand 0.4 s apart (31 pixels in a frame view), so the
// mouse picks each one and finds room between them; level sets its loudness.
void fillVoice(tessarine::Voice& voice, float level, int overtoneStep)
{
    voice.multisampleCount = 1;
    voice.layerCount = 2;
    voice.loopOn = false;
    voice.cutoff = 1.0f;
    voice.setName("drawn " + std::to_string(overtoneStep));
    for (int l = 0; l < 2; ++l) {
        tessarine::LayerData& layer = voice.layer(0, l);
        layer.clear();
        layer.harmonic.basePitch = 261.6f;
        for (int f = 0; f < 4; ++f) {
            const float t = 0.1f + 0.4f * static_cast<float>(f);
            tessarine::test::addHarmonicFrame(layer.harmonic, t, 0.0f);
            // The first sixteen harmonics at one level, so a cut anywhere up to
            // 4 kHz is heard; only every overtoneStep-th of them sounds, so the
            // voices differ in colour, not only in loudness.
            for (int h = 0; h < 16; ++h) {
                if (h == 0 || (h + 1) % overtoneStep == 0) {
                    layer.harmonic.amplitude(h).setValue(f, 0.25f * level * (f == 3 ? 0.5f : 1.0f));
                }
            }
            layer.noise.insertFrame(t);
            BreakpointCurve& spectrum = layer.noise.frame(f).spectrum;
            spectrum.clear();
            for (float p : {0.0f, 0.05f, 0.2f, 0.5f, 1.0f}) {
                spectrum.insertPoint(p, 4.0f * level * (p < 0.3f ? 0.1f + 0.1f * static_cast<float>(f) : 0.05f));
            }
            layer.noise.frame(f).resampleBands();
        }
    }
    tessarine::prepareVoice(voice);
}

void setCurve(BreakpointCurve& curve, std::initializer_list<std::pair<float, float>> points)
{
    curve.clear();
    for (const auto& [t, v] : points) {
        curve.insertPoint(t, v);
    }
}

// The instrument every view test starts from: four voices of their own
// colours, slot A's loud layer shown (a hard note plays it alone), a low-pass
// whose cutoff the envelope curve drives, the formant filter on, and a
// harmonic morph path (the morph page's mode selector at its last position
// shows it). No effect colours the note. The host restores it as a project's state chunk.
void restoreViewsInstrument(MusicianSession& s)
{
    auto instrument = instrumentOf(chunkOf(s.host()));
    ASSERT_TRUE(instrument);
    const float levels[] = {0.25f, 0.04f, 0.12f, 0.08f};
    for (int slot = 0; slot < tessarine::kVoiceSlotCount; ++slot) {
        fillVoice(instrument->voices[static_cast<std::size_t>(slot)], levels[slot], slot + 1);
    }
    auto& p = instrument->parameterValues;
    const std::map<int, float> values = {
        {tessarine::kSoftLoudButtonA, 0.5f}, {tessarine::kMultisampleA, 0.0f}, {tessarine::kNumHarmonicsA, 0.0f},
        {tessarine::kDoMorphing, 1.0f}, {tessarine::kMorphModeSelector, 1.0f}, {tessarine::kEnvelopeMorphOn, 0.0f},
        {tessarine::kMorphHarmX, 0.0f}, {tessarine::kMorphHarmY, 0.0f}, {tessarine::kMorphNoiseX, 0.0f},
        {tessarine::kMorphNoiseY, 0.0f}, {tessarine::kMorphAmpX, 0.0f}, {tessarine::kMorphAmpY, 0.0f},
        {tessarine::kGlobalSyncOn, 0.0f}, {tessarine::kGlobalLoopOn, 0.0f}, {tessarine::kHarmAmount, 1.0f},
        {tessarine::kNoiseAmount, 0.5f}, {tessarine::kFormantFilterOn, 1.0f}, {tessarine::kFilterOn, 1.0f},
        {tessarine::kFilterMode, 1.0f} /* low-pass */, {tessarine::kFilterRes, 0.0f}, {tessarine::kAttack, 0.0f},
        {tessarine::kLfoOn, 0.0f}, {tessarine::kDistortionOn, 0.0f}, {tessarine::kChorusOn, 0.0f},
        {tessarine::kDelayOn, 0.0f}, {tessarine::kReverbOn, 0.0f},
        // Matrix row 1: the envelope curve drives the filter cutoff (target 24) over its whole range.
        {tessarine::kModSource1, static_cast<float>(tessarine::kSourceEnvelope)}, {tessarine::kModTarget1, 24.0f},
        {tessarine::kModMin1, 0.0f}, {tessarine::kModMax1, 1.0f},
    };
    for (const auto& [index, value] : values) {
        p[static_cast<std::size_t>(index)] = value;
    }
    for (int row = 1; row < tessarine::kModulationRows; ++row) {
        p[static_cast<std::size_t>(tessarine::kModSource1 + row)] = static_cast<float>(tessarine::kSourceNone);
    }
    setCurve(instrument->modEnvelopeCurve, {{0.0f, 0.9f}, {0.5f, 0.9f}, {1.0f, 0.9f}, {1.5f, 0.9f}});
    const auto shape = [](float hz) { return hz / 22000.0f; };
    setCurve(instrument->spectralShapeCurve,
             {{0.0f, 0.5f}, {shape(500), 0.5f}, {shape(1000), 0.5f}, {shape(3000), 0.5f}, {1.0f, 0.5f}});
    for (auto& path : instrument->morphPathCurves) {
        setCurve(path, {{0.0f, 0.1f}, {0.4f, 0.1f}, {0.8f, 0.1f}, {1.2f, 0.1f}});
    }
    Bytes bytes = tessarine::test::recordBytes([&](auto& out) { return tessarine::writeInstrument(out, *instrument); });
    ASSERT_EQ(s.host().dispatch(vst::effSetChunk, 0, static_cast<vst::intptr>(bytes.size()), bytes.data()), 1);
    s.idle(4);
}

// A note as a listener hears it: key 60 struck hard and held for 1.2 seconds
// from silence, the level of each fifth of a second after the first tenth, in dB.
std::vector<float> note(MusicianSession& s)
{
    const std::vector<float> sound = s.playNote(127, 120);
    std::vector<float> levels;
    constexpr int kFifth = 20 * 882; // twenty blocks of both channels
    for (int from = 10 * 882; from + kFifth <= static_cast<int>(sound.size()); from += kFifth) {
        const double energy = tessarine::test::energy(sound, from, from + kFifth);
        levels.push_back(static_cast<float>(10.0 * std::log10(energy / 8820 + 1e-12)));
    }
    return levels;
}

// The largest level difference between two notes, in dB.
float largestChange(const std::vector<float>& a, const std::vector<float>& b)
{
    return std::transform_reduce(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(std::min(a.size(), b.size())),
                                 b.begin(), 0.0f, [](float x, float y) { return std::max(x, y); },
                                 [](float x, float y) { return std::fabs(x - y); });
}

// Where a curve view draws its points: the plot inside the frame, a time axis
// of the first four seconds or the warped frequency axis, height 0..1.
Rect plotOf(const Rect& view) { return {view.x + 3, view.y + 3, view.width - 6, view.height - 13}; }
Point onTimeAxis(const Rect& plot, float t, float v)
{
    return {static_cast<double>(plot.x + static_cast<int>(t / 4.0f * static_cast<float>(plot.width))),
            plot.bottom() - plot.height * std::clamp(static_cast<double>(v), 0.0, 1.0)};
}
Point onFrequencyAxis(const Rect& plot, float hz, float v)
{
    return {plot.x + static_cast<double>(tessarine::warpPosition(hz)) * plot.width,
            plot.bottom() - plot.height * std::clamp(static_cast<double>(v), 0.0, 1.0)};
}
// The screen points of count entries, the i-th where point(i) puts it.
std::vector<Point> pointsOf(int count, const std::function<Point(int)>& point)
{
    std::vector<Point> points;
    for (int i = 0; i < count; ++i) {
        points.push_back(point(i));
    }
    return points;
}
std::vector<Point> curvePoints(const Rect& plot, const BreakpointCurve& curve)
{
    return pointsOf(curve.pointCount(), [&](int i) { return onTimeAxis(plot, curve.timeAt(i), curve.value(i)); });
}

const tessarine::LayerData& shownLayer(const Instrument& instrument) { return instrument.voices[0].layer(0, 1); }

// The points each view shows of an instrument, in window coordinates.
std::vector<Point> harmonicFrames(const Rect& plot, const Instrument& instrument)
{
    const tessarine::HarmonicData& data = shownLayer(instrument).harmonic;
    return pointsOf(data.frameCount(), [&](int i) {
        float sum = 0;
        for (int h = 0; h < tessarine::kHarmonicCount; ++h) {
            sum += i < data.amplitude(h).pointCount() ? data.amplitude(h).value(i) : 0.0f;
        }
        return onTimeAxis(plot, data.amplitude(0).timeAt(i), 0.5f * sum);
    });
}
std::vector<Point> noiseFrames(const Rect& plot, const Instrument& instrument)
{
    const tessarine::NoiseData& data = shownLayer(instrument).noise;
    return pointsOf(data.frameCount(), [&](int i) {
        float sum = 0;
        for (int k = 0; k < 100; ++k) {
            sum += tessarine::peekValueAt(data.frame(i).spectrum, static_cast<float>(k) * 0.01f);
        }
        return onTimeAxis(plot, data.frameTime(i), 0.01f * sum);
    });
}
// Where the window shows a handle in the column at x of the plot: the middle
// of the run of handle-coloured pixels (plain or selected), or the plot's top.
double handleIn(MusicianSession& s, const Rect& plot, double x)
{
    XImage* column = XGetImage(s.window().display(), s.window().windowId(), static_cast<int>(x), plot.y, 1,
                               plot.height + 3, AllPlanes, ZPixmap);
    if (column == nullptr) {
        return plot.y;
    }
    const auto near = [](unsigned long pixel, int r, int g, int b) {
        return std::abs(static_cast<int>((pixel >> 16) & 0xff) - r) < 4
            && std::abs(static_cast<int>((pixel >> 8) & 0xff) - g) < 4
            && std::abs(static_cast<int>(pixel & 0xff) - b) < 4;
    };
    int first = -1, last = -1;
    for (int y = 0; y < plot.height + 3; ++y) {
        const unsigned long pixel = XGetPixel(column, 0, y);
        if (near(pixel, 242, 242, 230) || near(pixel, 255, 179, 51)) {
            first = first < 0 ? y : first;
            last = y;
        }
    }
    XDestroyImage(column);
    return first < 0 ? plot.y : plot.y + (first + last + 1) / 2.0;
}

// The noise spectrum's sixteen handles, evenly across the warped axis. Their
// heights follow a scale the view fixed when it first showed the layer, so
// they are read from the window.
std::vector<Point> noiseHandles(MusicianSession& s, const Rect& plot)
{
    return pointsOf(16, [&](int k) {
        const double x = plot.x + static_cast<double>(tessarine::warpPosition(
                                      tessarine::warpFrequency(static_cast<float>(k) / 15.0f))) * plot.width;
        return Point{x, handleIn(s, plot, std::round(x))};
    });
}
std::vector<Point> spectralShape(const Rect& plot, const Instrument& instrument)
{
    const BreakpointCurve& curve = instrument.spectralShapeCurve;
    return pointsOf(curve.pointCount(), [&](int i) {
        return onFrequencyAxis(plot, curve.timeAt(i) * 22000.0f, curve.value(i));
    });
}
// The index of the point nearest to x across the plot.
std::size_t nearestTo(const std::vector<Point>& points, double x)
{
    const auto distance = [x](const Point& a, const Point& b) { return std::fabs(a.x - x) < std::fabs(b.x - x); };
    return static_cast<std::size_t>(std::min_element(points.begin(), points.end(), distance) - points.begin());
}

TEST(MusicianViews, EveryViewsDragReachesTheNextNoteAndAnAddedPointDeletesAway)
{
    START_SESSION(s);
    auto& host = s.host();
    ASSERT_NO_FATAL_FAILURE(restoreViewsInstrument(s));

    using Points = std::function<std::vector<Point>(const Rect&, const Instrument&)>;
    const auto handles = [&s](const Rect& plot, const Instrument&) { return noiseHandles(s, plot); };
    // The bars have no points: a drag anywhere in the plot moves the selected frame's bars.
    const auto barsCentre = [](const Rect& p, const Instrument&) {
        return std::vector<Point>{{p.x + p.width / 2.0, p.y + p.height / 2.0}};
    };
    const auto envelope = [](const Rect& p, const Instrument& i) { return curvePoints(p, i.modEnvelopeCurve); };
    const auto morphPath = [](const Rect& p, const Instrument& i) {
        return curvePoints(p, i.morphPathCurves[tessarine::kHarmonicMorphX]);
    };
    const struct {
        const char* view;
        int page, tag;
        Points points;
        double grabX;  // the point nearest this x of the plot (0..1) is dragged
        double dy;     // pixels, down positive
        bool addsPoints;
        float harmonics; // HarmAmount while listening: 0 leaves the noise alone
    } views[] = {
        {"harmonic frames", 0, tessarine::kTagHarmonicEnvelopeView, harmonicFrames, 0.125, 30, true, 1.0f},
        {"harmonic bars", 0, tessarine::kTagHarmonicBars, barsCentre, 0.5, 30, false, 1.0f},
        {"noise frames", 0, tessarine::kTagNoiseFrameView, noiseFrames, 0.125, -30, true, 0.0f},
        {"noise spectrum", 0, tessarine::kTagNoiseSpectrumView, handles, 0.25, -30, false, 0.0f},
        {"modulation envelope", tessarine::kModulationPage, tessarine::kTagModulationEnvelopeView,
         envelope, 0.125, 55, true, 1.0f},
        {"morph path", tessarine::kMorphPage, tessarine::kTagMorphPath, morphPath, 0.1, -150, true, 1.0f},
        {"spectral shape", tessarine::kSoundPage, tessarine::kTagSpectralShapeView, spectralShape, 0.15, 40, true,
         1.0f},
    };
    for (const auto& row : views) {
        SCOPED_TRACE(row.view);
        s.showPage(row.page);
        host.setParameter(tessarine::kHarmAmount, row.harmonics);
        host.setParameter(tessarine::kEnvelopeMorphOn, row.tag == tessarine::kTagMorphPath ? 1.0f : 0.0f);
        s.idle(2);
        const Rect plot = plotOf(windowRect(row.page, row.tag));

        // The same note twice sounds alike (noise phases are drawn anew for
        // every note); after the drag it sounds clearly different.
        const std::vector<float> before = note(s);
        const float variation = largestChange(before, note(s));
        EXPECT_LT(variation, 3.0f) << "the note alone varies";
        auto shown = instrumentOf(chunkOf(host));
        ASSERT_TRUE(shown);
        std::vector<Point> points = row.points(plot, *shown);
        ASSERT_FALSE(points.empty());
        const Point grab = points[nearestTo(points, plot.x + row.grabX * plot.width)];
        s.drag(grab.x, grab.y, 0, row.dy);
        s.idle(2);
        EXPECT_GT(largestChange(before, note(s)), std::max(1.5f, 3 * variation))
            << "the drag did not reach the sound";
        if (!row.addsPoints) {
            continue;
        }

        // On empty space between the two points farthest apart a right click
        // changes nothing and a click adds a point; a right click on that takes
        // it away, and the sound's data is as it was.
        const Bytes edited = chunkOf(host);
        shown = instrumentOf(edited);
        points = row.points(plot, *shown);
        std::size_t gap = 0;
        for (std::size_t i = 1; i + 1 < points.size(); ++i) {
            gap = points[i + 1].x - points[i].x > points[gap + 1].x - points[gap].x ? i : gap;
        }
        const double x = std::round((points[gap].x + points[gap + 1].x) / 2);
        const double lineY = (points[gap].y + points[gap + 1].y) / 2;
        const double y = lineY > plot.y + plot.height / 2.0 ? lineY - 20 : lineY + 20;
        const float counter = host.getParameter(row.tag); // the view's count of edits, for the host to hear
        s.click(x, y, 3);
        s.idle(2);
        EXPECT_EQ(chunkOf(host), edited) << "a right click on empty space changed the data";
        EXPECT_EQ(host.getParameter(row.tag), counter) << "a right click on empty space was an edit";
        s.click(x, y);
        s.idle(2);
        EXPECT_NE(host.getParameter(row.tag), counter) << "the host heard no edit";
        auto added = instrumentOf(chunkOf(host));
        ASSERT_TRUE(added);
        const std::vector<Point> more = row.points(plot, *added);
        ASSERT_EQ(more.size(), points.size() + 1) << "the click added no point";
        s.click(more[gap + 1].x, more[gap + 1].y, 3);
        s.idle(2);
        EXPECT_EQ(chunkOf(host), edited) << "the point added and deleted left the data changed";
    }
}

int changes(const std::vector<float>& a, const std::vector<float>& b)
{
    return std::transform_reduce(a.begin(), a.end(), b.begin(), 0, std::plus<>(), std::not_equal_to<>());
}

TEST(MusicianViews, ThePadsHandleMovesTheTwoParametersOfItsPointAndTheSound)
{
    START_SESSION(s);
    auto& host = s.host();
    ASSERT_NO_FATAL_FAILURE(restoreViewsInstrument(s));
    s.showPage(tessarine::kMorphPage);
    const Rect view = windowRect(tessarine::kMorphPage, tessarine::kTagMorphPad);
    // The square between the strips that name the corner voices.
    const int strip = 4 + tessarine::MorphPadView::kNameStrip;
    const Rect pad{view.x + 4, view.y + strip, view.width - 8, view.height - 2 * strip};
    const tessarine::ControlRow mode = rowOf(tessarine::kMorphPage, tessarine::kMorphModeSelector);
    const int pairs[][2] = {{tessarine::kMorphAmpX, tessarine::kMorphAmpY},
                            {tessarine::kMorphHarmX, tessarine::kMorphHarmY},
                            {tessarine::kMorphNoiseX, tessarine::kMorphNoiseY}};
    // The mode selector's positions 1 to 3 give the pad to the amplitude, harmonic and noise point.
    for (int position = 1; position <= 3; ++position) {
        SCOPED_TRACE(testing::Message() << "mode position " << position);
        const int cellHeight = mode.rect.height - mode.step * (mode.count - 1);
        s.click(tessarine::kPageOrigin.x + mode.rect.x + mode.rect.width / 2.0,
                tessarine::kPageOrigin.y + mode.rect.y + position * mode.step + cellHeight / 2.0);
        ASSERT_NEAR(host.getParameter(tessarine::kMorphModeSelector), position / 3.0f, 1e-6f);
        for (const auto& pair : pairs) {
            host.setParameter(pair[0], 0.2f);
            host.setParameter(pair[1], 0.2f);
        }
        // The noise point is heard best alone.
        host.setParameter(tessarine::kHarmAmount, position == 3 ? 0.0f : 1.0f);
        s.idle(2);
        const std::vector<float> before = note(s);
        const float variation = largestChange(before, note(s));
        const std::vector<float> others = hostValues(host);

        const std::size_t mark = s.mark();
        const Point handle{pad.x + 0.2 * pad.width, pad.y + 0.2 * pad.height};
        s.drag(handle.x, handle.y, 150, 120);
        const int* moved = pairs[position - 1];
        const float x = host.getParameter(moved[0]);
        const float y = host.getParameter(moved[1]);
        EXPECT_NEAR(x, 0.2f + 150.0f / static_cast<float>(pad.width), 1.5f / static_cast<float>(pad.width));
        EXPECT_NEAR(y, 0.2f + 120.0f / static_cast<float>(pad.height), 1.5f / static_cast<float>(pad.height));
        for (int index : {moved[0], moved[1]}) {
            const auto heard = s.automated(mark, index);
            ASSERT_FALSE(heard.empty()) << "the host did not hear " << index;
            EXPECT_EQ(heard.back(), host.getParameter(index));
        }
        // Nothing else moved, and the host heard of nothing else among its parameters.
        EXPECT_EQ(changes(others, hostValues(host)), 2);
        for (std::size_t i = mark; i < host.automations().size(); ++i) {
            const int index = host.automations()[i].index;
            EXPECT_TRUE(index == moved[0] || index == moved[1] || index >= tessarine::kParameterCount) << index;
        }
        EXPECT_GT(largestChange(before, note(s)), std::max(1.5f, 3 * variation))
            << "the pad did not reach the sound";
    }
}

TEST(MusicianViews, EachRandomiseClickDrawsNewValuesTheHostHearsOf)
{
    START_SESSION(s);
    auto& host = s.host();
    ASSERT_NO_FATAL_FAILURE(restoreViewsInstrument(s));
    // The draws come from a fixed seed, not from the second the test starts
    // in: two draws in a row that by chance sound alike would fail it.
    s.seed(11.0f);
    const struct {
        int page, tag;
    } buttons[] = {{tessarine::kMorphPage, tessarine::kTagRandomiseMorph},
                   {tessarine::kSoundPage, tessarine::kTagRandomiseSound},
                   {tessarine::kEffectsPage, tessarine::kTagRandomiseEffects},
                   {-1, tessarine::kTagRandomInstrument}};
    for (const auto& [page, tag] : buttons) {
        SCOPED_TRACE(testing::Message() << "tag " << tag);
        if (page >= 0) {
            s.showPage(page);
        }
        const Point at = tessarine::test::at(page, tag);
        std::vector<std::vector<float>> values{hostValues(host)};
        std::vector<std::vector<float>> notes{note(s)};
        const std::size_t mark = s.mark();
        for (int click = 0; click < 2; ++click) {
            s.click(at.x, at.y);
            s.idle(4);
            values.push_back(hostValues(host));
            notes.push_back(note(s));
            EXPECT_GE(changes(values[values.size() - 2], values.back()), 2) << "click " << click;
        }
        // One of the two clicks may by chance land close to where the sound was; both cannot.
        EXPECT_GT(std::max(largestChange(notes[0], notes[1]), largestChange(notes[1], notes[2])), 1.5f);
        // The host heard each press and release of the button.
        EXPECT_EQ(s.automated(mark, tag), (std::vector<float>{1.0f, 0.0f, 1.0f, 0.0f}));
    }
}

} // namespace
