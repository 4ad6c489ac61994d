// What the editor does with values written to it: page switching, the
// refresh that starts nothing, actions on release and at idle when they come
// from another thread, which allocate nothing there, the category menu, the
// LFO rate cap.

#include "EditorFixture.h"

#include "engine/SynthEngine.h"
#include "gui/MenuPresenter.h"
#include "gui/OptionMenu.h"
#include "support/AllocationCounter.h"

#include <thread>

namespace editortest {

namespace {

using namespace tessarine;

class ControlEvents : public EditorFixture {};

TEST_F(ControlEvents, PageSelectorSwitchesPagesAndEveryOpenStartsOnTheMorphPage)
{
    EXPECT_EQ(editor().currentPage(), kMorphPage);
    showPage(2);
    EXPECT_EQ(editor().currentPage(), 2);
    EXPECT_NE(editor().control(kTagAnalyseA + 2), nullptr);
    EXPECT_EQ(editor().control(kTagAnalyseA), nullptr) << "slot A's page is detached";

    editor().close();
    EXPECT_EQ(editor().frame(), nullptr);
    ASSERT_TRUE(editor().open(nullptr));
    EXPECT_EQ(editor().currentPage(), kMorphPage);
}

TEST_F(ControlEvents, RefreshStartsNoActionAndKeepsThePage)
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

TEST_F(ControlEvents, HostWritesOfAnActionRunAtTheNextIdleOnTheEditorsThread)
{
    struct Case {
        float value;
        int dialogs;
    };
    for (const Case c : {Case{1.0f, 0}, Case{0.0f, 1}}) {
        dialogs_.opens = 0;
        std::thread automation([this, c] {
            plugin().setParameter(kTagLoadInstrument, c.value);
            plugin().setParameter(kMorphModeSelector, c.value);
        });
        automation.join();
        EXPECT_EQ(dialogs_.opens, 0) << "no dialog on the host's thread";
        EXPECT_FLOAT_EQ(editor().control(kMorphModeSelector)->value(), 1.0f - c.value) << "nor a control moved";
        editor().idle();
        EXPECT_EQ(dialogs_.opens, c.dialogs) << "value " << c.value;
        EXPECT_FLOAT_EQ(editor().control(kMorphModeSelector)->value(), c.value) << "the control follows at idle";
        editor().idle();
        EXPECT_EQ(dialogs_.opens, c.dialogs) << "once";
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
std::size_t allocationsWhileWriting(SynthPlugin& plugin)
{
    std::size_t counted = 0;
    // Another thread, as a host's audio or automation thread would write.
    std::thread audio([&plugin, &counted] {
        const std::size_t before = testsupport::allocationCount();
        for (int round = 0; round < 4; ++round) {
            for (int index : {int(kFilterCutoff), int(kLfo1Rate), int(kTagPageSelector), int(kTagLoadInstrument),
                              int(kTagCategoryMenu), int(kTagVoiceMenuA), int(kNumMultisamplesA), 254}) {
                plugin.setParameter(index, round == 3 ? 0.0f : 0.25f * static_cast<float>(round));
            }
        }
        counted = testsupport::allocationCount() - before;
    });
    audio.join();
    return counted;
}

TEST_F(ControlEvents, WritesFromTheAudioThreadAllocateNothingOpenOrClosed)
{
    EXPECT_EQ(allocationsWhileWriting(plugin()), 0u) << "open";
    EXPECT_EQ(editor().currentPage(), kMorphPage) << "nothing moved before the idle";
    editor().close();
    EXPECT_EQ(allocationsWhileWriting(plugin()), 0u) << "closed";
    EXPECT_EQ(dialogs_.opens, 0);
}

TEST_F(ControlEvents, TheCategoryMenuNamesTheCategoryOfWhatIsLoaded)
{
    auto* category = dynamic_cast<gui::OptionMenu*>(editor().control(kTagCategoryMenu));
    ASSERT_NE(category, nullptr);
    click(kTagCategoryMenu);
    ASSERT_TRUE(editor().headlessMenus()->choose(1));
    ASSERT_STREQ(engine().instrument().name.data(), "Airy");
    click(kTagRandomInstrument);
    EXPECT_EQ(category->shownText(), "Pads") << "a random instrument is of the category it was drawn from";
    dialogs_.nextPath = (root_ / "TessarineData" / "Instruments-Factory" / "Basses" / "Round.t9i").string();
    click(kTagLoadInstrument);
    EXPECT_STREQ(engine().instrument().name.data(), "Round");
    EXPECT_EQ(category->shownText(), "Basses");
}

TEST_F(ControlEvents, LfoRateKnobsStopAtTheCap)
{
    showPage(4);
    for (int tag : {kLfo1Rate, kLfo2Rate, kPitchbendRange}) {
        dragUp(tag, 1000);
        const float expected = tag == kPitchbendRange ? 1.0f : 0.95f;
        EXPECT_FLOAT_EQ(engine().getParameter(tag), expected) << tag;
        EXPECT_FLOAT_EQ(editor().control(tag)->value(), expected) << tag;
    }
}

} // namespace

} // namespace editortest
