// A pointer resting on a control brings up its tooltip: the musician's name,
// the value with its unit and what the control does, and nothing while the
// pointer keeps moving or after a press.

#include "EditorFixture.h"


#include <tuple>

namespace editortest {

namespace {

using namespace tessarine;
using gui::EventKind;

class ControlTooltips : public EditorFixture {
protected:
    // The tip after the pointer rests msResting milliseconds on the control's centre.
    std::string tipAfter(int tag, std::int64_t msResting)
    {
        gui::Frame& frame = *editor().frame();
        const gui::Rect& b = editor().control(tag)->bounds();
        mouse(EventKind::MouseMove, b.x + 1, b.y + 1);
        frame.runTimers(msResting);
        return frame.tooltipText();
    }
};

TEST_F(ControlTooltips, NameValueWithUnitAndWhatItDoes)
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
        EXPECT_EQ(editor().frame()->tooltipText(), "") << "a press hides it";
    }
    // Buttons of the top bar no parameter describes: Browse, and the size menu.
    for (const auto& [x, y, name] : {std::tuple{174, 24, "Browse the library\n"}, std::tuple{192, 44, "Editor size\n"}}) {
        mouse(EventKind::MouseMove, x, y);
        editor().frame()->runTimers(700);
        EXPECT_EQ(editor().frame()->tooltipText().rfind(name, 0), 0u) << editor().frame()->tooltipText();
    }
}

} // namespace

} // namespace editortest
