// The editor's pages and what it does with values written to it: every
// control stands on its page exactly once where the control map puts it, no
// page cuts or misplaces a text, a refresh starts nothing, actions run on
// release or at idle when another thread wrote them (which allocates nothing),
// the tooltips and the knobs' caps.

#include "EditorFixture.h"

#include "editor/views/CustomViews.h"
#include "editor/views/HarmonicBarView.h"
#include "gui/ImageSurfaceBackend.h"
#include "gui/TextProbe.h"
#include "support/AllocationCounter.h"
#include "support/SoundFileHelpers.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <sstream>
#include <thread>
#include <tuple>

namespace editortest {
namespace {

using namespace tessarine;
using gui::EventKind;

class EditorPages : public EditorFixture {};

// The tags each page must show, written out from the control map as musicians see it.
std::vector<int> expectedTags(int page)
{
    std::vector<int> tags = {181, 0, 217, 218, 252, 232, 238, 237, 236, 254}; // top bar
    auto add = [&tags](std::vector<int> more) { tags.insert(tags.end(), more.begin(), more.end()); };
    if (page < 4) {
        const int s = page;
        add({182 + s, 224 + s, 21 + s, 115 + s, 119 + s, 25 + s, 190 + s, 5 + s, 186 + s, 9 + s, 194 + s, 141 + s,
             13 + s, 205 + s, 219 + s, 209 + s, 213 + s, 128 + s, 132 + s, 228, 229, 230, 231, 136 + s, 244 + s, 248 + s, 175,
             176, 177, 174});
    } else if (page == 4) {
        for (int first : {kModSource1, kModTarget1, kModMin1, kModMax1}) { // the first eight of each column
            for (int i = 0; i < 8; ++i) {
                tags.push_back(first + i);
            }
        }
        add({20, 159, 160, 157, 158, 253});
    } else if (page == 5) {
        add({19, 198, 179, 123, 148, 180, 233, 240, 241, 242, 243});
    } else if (page == 6) {
        add({34, 35, 36, 37, 38, 39, 41, 43, 45, 46, 47, 48, 17, 147, 73, 124, 149, 150, 178, 234});
    } else {
        // The formant filter's shape is drawn beside its switch as well as on the sound page.
        add({49, 50, 54, 59, 63, 68, 162, 55, 235, 51, 52, 140, 53, 57, 58, 56, 18, 62, 60, 61, 64, 65, 66, 67, 69,
             70, 72, 178});
    }
    std::sort(tags.begin(), tags.end());
    return tags;
}

TEST_F(EditorPages, EveryPageShowsEachOfItsTagsExactlyOnceAndEveryOpenStartsOnTheMorphPage)
{
    EXPECT_EQ(editor().currentPage(), kMorphPage);
    for (int page = 0; page < kPageCount; ++page) {
        showPage(page);
        ASSERT_EQ(editor().currentPage(), page);
        std::vector<int> shown = tagsInFrame();
        std::sort(shown.begin(), shown.end());
        EXPECT_EQ(shown, expectedTags(page)) << "page " << page;
        for (int s = 0; s < kSlotCount; ++s) { // a page not shown is detached
            EXPECT_EQ(editor().control(kTagAnalyseA + s) != nullptr, page == s) << "slot " << s;
        }
    }
    editor().close();
    EXPECT_EQ(editor().frame(), nullptr);
    ASSERT_TRUE(editor().open(nullptr));
    EXPECT_EQ(editor().currentPage(), kMorphPage);
}

TEST_F(EditorPages, GivenPositionsAreKept)
{
    // Top-bar positions in the frame; page positions below the page selector (90 pixels down).
    const struct { int page, tag, x, y; } rows[] = {
        {5, 217, 325, 35}, {5, 218, 413, 35},       {5, 252, 488, 35},       {5, 232, 562, 35},
        {5, 238, 330, 15}, {5, 237, 491, 15},       {5, 0, 35, 494},         {5, 181, 13, 66},
        {0, 128, 726, 240}, {1, 133, 726, 432},     {2, 228, 681, 119},      {3, 231, 720, 310},
        {6, 34, 48, 260},  {6, 41, 713, 260},       {6, 17, 425, 389},       {6, 234, 567, 407},
        {7, 51, 18, 260},  {7, 61, 713, 260},       {7, 72, 425, 389},       {5, 233, 567, 407},
        {4, 20, 50, 408},  {4, 75 + 7, 19, 90 + 55 + 31 * 7 - 19}, {4, 105, 583, 90 + 55 - 16},
    };
    for (const auto& row : rows) {
        showPage(row.page);
        const gui::Control* control = editor().control(row.tag);
        ASSERT_NE(control, nullptr) << row.tag;
        EXPECT_EQ(std::pair(control->bounds().x, control->bounds().y), std::pair(row.x, row.y)) << row.tag;
    }
    showPage(4);
    EXPECT_EQ(editor().control(kLfo1Rate)->bounds().width, 35);
}

// Lists every drawn text that its box cuts, that leaves the window, that
// straddles a section's edge, or that was shortened although it is no name.
class TextOffenders final : public gui::TextProbe {
public:
    TextOffenders() { gui::setTextProbe(this); }
    ~TextOffenders() override { gui::setTextProbe(nullptr); }
    TextOffenders(const TextOffenders&) = delete;
    TextOffenders& operator=(const TextOffenders&) = delete;

    void textDrawn(const gui::DrawnText& t) override
    {
        constexpr double kSlack = 0.5; // antialiasing reaches half a pixel past a glyph's box
        auto outside = [&t](const gui::Rect& r, double slack) {
            return t.left < r.x - slack || t.top < r.y - slack || t.right > r.right() + slack
                || t.bottom > r.bottom() + slack;
        };
        std::string why;
        if (outside(t.box, kSlack)) {
            why = "cut by its box";
        } else if (outside(gui::Rect{0, 0, kEditorWidth, kEditorHeight}, 0)) {
            why = "off the window";
        } else if (t.shown != t.text && t.text.find(name) == std::string_view::npos) {
            why = "shortened";
        }
        std::vector<Section> sections = pageSections(page);
        for (Section& s : sections) {
            s.area = {s.area.x + static_cast<int>(kPageOrigin.x), s.area.y + static_cast<int>(kPageOrigin.y),
                      s.area.width, s.area.height};
        }
        sections.insert(sections.end(), topBarSections().begin(), topBarSections().end());
        for (const Section& s : sections) {
            const bool meets = t.left < s.area.right() && t.right > s.area.x && t.top < s.area.bottom()
                && t.bottom > s.area.y;
            if (why.empty() && meets && outside(s.area, 0)) {
                why = std::string("across the edge of ") + (*s.title != 0 ? s.title : "the top bar's plate");
            }
        }
        if (!why.empty()) {
            found.insert(state + ", page " + std::to_string(page) + ": \"" + std::string(t.shown) + "\" " + why);
        }
    }

    std::string state;
    std::string name;
    int page = 0;
    std::set<std::string> found;
};

TEST_F(EditorPages, NoPageCutsOrMisplacesAText)
{
    // Slot A analyses a sound that fades in, while its bars show the second
    // frame of the voice before: the bars open where the new sound plays.
    std::vector<float> sound = testsound::sawtooth(220.0, 22050, 1.0);
    for (std::size_t i = 0; i < 8820; ++i) {
        sound[i] *= static_cast<float>(i) / 8820.0f;
    }
    dialogs_.nextPath = (root_ / "late.wav").string();
    ASSERT_TRUE(testsound::writeSound(dialogs_.nextPath, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1, sound));
    showPage(0);
    setHarmonicBarFrame(*editor().control(kTagHarmonicBars), 1);
    click(kTagAnalyseA);
    ASSERT_EQ(dialogs_.messages, 0) << dialogs_.lastMessage;
    const auto* bars = dynamic_cast<const HarmonicBarView*>(editor().control(kTagHarmonicBars));
    ASSERT_NE(bars, nullptr);
    const HarmonicData& data = slot(0).layer(0, 1).harmonic;
    auto level = [&data](int frame) {
        float sum = 0.0f;
        for (int h = 0; h < kHarmonicCount; ++h) {
            sum += frame >= 0 && frame < data.amplitude(h).pointCount() ? data.amplitude(h).value(frame) : 0.0f;
        }
        return sum;
    };
    float loudest = 0.0f;
    for (int f = 0; f < data.frameCount(); ++f) {
        loudest = std::max(loudest, level(f));
    }
    EXPECT_GT(level(bars->frame()), 0.5f * loudest) << "the bars show frame " << bars->frame() + 1;

    // The snapshot command shows every page drawn and different; here, what a
    // draw must not do: change the window's page, or write where it cannot.
    std::vector<std::uint8_t> picture(800u * 550u * 4u);
    ASSERT_TRUE(editor().drawPage(4, picture.data(), picture.size()));
    EXPECT_EQ(editor().currentPage(), 0);
    EXPECT_FALSE(editor().drawPage(0, picture.data(), picture.size() - 1));
    EXPECT_FALSE(editor().drawPage(8, picture.data(), picture.size()));

    // Slot B has the longest name a voice holds.
    TextOffenders offenders;
    offenders.name = std::string(kNameCapacity - 1, 'W');
    std::snprintf(engine().editInstrument().voices[1].name.data(), kNameCapacity, "%s", offenders.name.c_str());
    editor().fullRefresh();
    for (int layer = 0; layer < 3; ++layer) {
        for (int s = 0; s < kSlotCount; ++s) {
            plugin().setParameter(kSoftLoudButtonA + s, static_cast<float>(layer) / 2.0f);
        }
        for (int page = 0; page < kPageCount; ++page) {
            offenders.page = page;
            offenders.state = "layer " + std::to_string(layer) + " drawn headless";
            ASSERT_TRUE(editor().drawPage(page, picture.data(), picture.size()));
            offenders.state = "layer " + std::to_string(layer) + " in the window";
            showPage(page);
            gui::ImageSurfaceBackend window(*editor().frame());
            window.paintAll();
        }
    }
    std::ostringstream list;
    for (const std::string& offender : offenders.found) {
        list << "\n  " << offender;
    }
    EXPECT_TRUE(offenders.found.empty()) << offenders.found.size() << " texts:" << list.str();
}

TEST_F(EditorPages, RefreshStartsNoActionAndKeepsThePage)
{
    showPage(1);
    // Every action index holds 0 in the engine, as after a press; a replay would start them all.
    for (int index = kTagAnalyseA; index <= kTagResetInstrument; ++index) {
        engine().setParameter(index, 0.0f, true);
    }
    engine().setParameter(kTagPageSelector, 6.0f / 7.0f, true);
    engine().setParameter(kAttack, 0.75f, true);
    dialogs_.nextPath = (root_ / "nothing.t9i").string();
    editor().fullRefresh();
    EXPECT_EQ(dialogs_.opens + dialogs_.saves + dialogs_.messages, 0);
    EXPECT_EQ(editor().currentPage(), 1);
    showPage(6);
    EXPECT_FLOAT_EQ(editor().control(kAttack)->value(), 0.75f) << "the controls follow the engine";
}

TEST_F(EditorPages, HostWritesOfAnActionRunAtTheNextIdleOnTheEditorsThread)
{
    for (auto [value, opened] : {std::pair{1.0f, 0}, {0.0f, 1}}) {
        dialogs_.opens = 0;
        std::thread automation([this, value = value] {
            plugin().setParameter(kTagLoadInstrument, value);
            plugin().setParameter(kMorphModeSelector, value);
        });
        automation.join();
        EXPECT_EQ(dialogs_.opens, 0) << "no dialog on the host's thread";
        EXPECT_FLOAT_EQ(editor().control(kMorphModeSelector)->value(), 1.0f - value) << "nor a control moved";
        editor().idle();
        EXPECT_EQ(dialogs_.opens, opened) << "value " << value;
        EXPECT_FLOAT_EQ(editor().control(kMorphModeSelector)->value(), value) << "the control follows at idle";
        editor().idle();
        EXPECT_EQ(dialogs_.opens, opened) << "once";
    }
    // Written on the editor's own thread, as the button's press and release
    // write it, the action runs at once on the release.
    plugin().setParameter(kTagLoadInstrument, 1.0f);
    EXPECT_EQ(dialogs_.opens, 1) << "nothing happens while the button is held";
    plugin().setParameter(kTagLoadInstrument, 0.0f);
    EXPECT_EQ(dialogs_.opens, 2);
    EXPECT_EQ(dialogs_.lastExtension, "t9i");
    // A closed editor starts nothing, then or later.
    editor().close();
    plugin().setParameter(kTagLoadInstrument, 0.0f);
    ASSERT_TRUE(editor().open(nullptr));
    editor().idle();
    EXPECT_EQ(dialogs_.opens, 2);
}

// Values written from the audio thread never allocate or touch the window:
// with the editor closed they are stored and forgotten, with it open they
// wait for the editor's idle.
TEST_F(EditorPages, WritesFromTheAudioThreadAllocateNothingOpenOrClosed)
{
    const auto allocationsWhileWriting = [this] {
        std::size_t counted = 0;
        std::thread audio([this, &counted] {
            const std::size_t before = testsupport::allocationCount();
            for (int round = 0; round < 4; ++round) {
                for (int index : {int(kFilterCutoff), int(kLfo1Rate), int(kTagPageSelector), int(kTagLoadInstrument),
                                  int(kTagCategoryMenu), int(kTagVoiceMenuA), int(kNumMultisamplesA), 254}) {
                    plugin().setParameter(index, round == 3 ? 0.0f : 0.25f * static_cast<float>(round));
                }
            }
            counted = testsupport::allocationCount() - before;
        });
        audio.join();
        return counted;
    };
    EXPECT_EQ(allocationsWhileWriting(), 0u) << "open";
    EXPECT_EQ(editor().currentPage(), kMorphPage) << "nothing moved before the idle";
    editor().close();
    EXPECT_EQ(allocationsWhileWriting(), 0u) << "closed";
    EXPECT_EQ(dialogs_.opens, 0);
}

TEST_F(EditorPages, LfoRateKnobsStopAtTheCap)
{
    showPage(4);
    for (int tag : {kLfo1Rate, kLfo2Rate, kPitchbendRange}) {
        dragUp(tag, 1000);
        const float expected = tag == kPitchbendRange ? 1.0f : 0.95f;
        EXPECT_FLOAT_EQ(engine().getParameter(tag), expected) << tag;
        EXPECT_FLOAT_EQ(editor().control(tag)->value(), expected) << tag;
    }
}

// A pointer resting on a control brings up its tooltip: the musician's name,
// the value with its unit and what the control does, and nothing while the
// pointer keeps moving or after a press.
TEST_F(EditorPages, TooltipsNameValueWithUnitAndWhatItDoes)
{
    const struct {
        int page;
        int tag;
        std::vector<const char*> lines; // each part of the tip
    } cases[] = {
        {kEffectsPage, kFilterCutoff, {"Filter cutoff\n", " Hz\n", "Frequency where the filter starts to act"}},
        {0, kHarmonizeAOn, {"Voice A: Harmonize\nOff\n", "exact multiple"}},
        {kSoundPage, kGlobalLoopOn, {"Loop\nO", "loop markers"}},
        {kMorphPage, kTagMorphPathSwitch, {"Second curve\n", "Y curve"}},
        {kModulationPage, kModMax1 + 2, {"Modulation maximum 3\n100 %\n"}},
    };
    gui::Frame& frame = *editor().frame();
    const auto tipAfter = [&](int tag, std::int64_t msResting) {
        const gui::Rect& b = editor().control(tag)->bounds();
        mouse(EventKind::MouseMove, b.x + 1, b.y + 1);
        frame.runTimers(msResting);
        return frame.tooltipText();
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "tag " << c.tag);
        showPage(c.page);
        mouse(EventKind::MouseMove, 2, 2); // off every control
        EXPECT_EQ(tipAfter(c.tag, 500), "") << "not before the pointer rests";
        const std::string tip = tipAfter(c.tag, 700);
        for (const char* part : c.lines) {
            EXPECT_NE(tip.find(part), std::string::npos) << '"' << part << "\" in \"" << tip << '"';
        }
        click(c.tag);
        EXPECT_EQ(frame.tooltipText(), "") << "a press hides it";
    }
    // Buttons of the top bar no parameter describes: Browse, and the size menu.
    for (const auto& [x, y, name] : {std::tuple{174, 24, "Browse the library\n"}, std::tuple{192, 44, "Editor size\n"}}) {
        mouse(EventKind::MouseMove, x, y);
        frame.runTimers(700);
        EXPECT_EQ(frame.tooltipText().rfind(name, 0), 0u) << frame.tooltipText();
    }
}

} // namespace
} // namespace editortest
