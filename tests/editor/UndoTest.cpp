// The editor's history seen from the editor: the arrows step through the
// loaded instrument's category, the name is marked while the instrument
// differs from what was loaded or saved (undo back to it clears the mark),
// a knob step on a factory instrument shares the voices' bytes with the
// step before, and the history keeps its newest hundred steps.

#include "EditorFixture.h"
#include "support/PrivateConfigFolder.h"

#include "editor/dialogs/AskBeforeDiscarding.h"
#include "editor/KeyCode.h"
#include "gui/InputEvent.h"
#include "gui/OptionMenu.h"

#include <filesystem>
#include <functional>

namespace {

using namespace tessarine;
using editortest::EditorFixture;

class Undo : public EditorFixture {
protected:
    // Before the fixture builds the plug-in: what is remembered stays in the test's folder.
    test::PrivateConfigFolder config_;

    std::string shownName()
    {
        auto* menu = dynamic_cast<gui::OptionMenu*>(editor().control(kTagInstrumentMenu));
        return menu != nullptr ? menu->shownText() : "(no menu)";
    }
    bool request(int action, const char* path = "")
    {
        return plugin().record()->dispatcher(plugin().record(), vst::effVendorSpecific, SynthPlugin::kFileRequest, action,
                                             const_cast<char*>(path), 0.0f)
            == 1;
    }
};

TEST_F(Undo, ArrowsStepThroughTheCategoryAndTheMarkFollowsEditsUndoAndSaves)
{
    const std::string saved = (root_ / "Mine.t9i").string();
    const struct {
        const char* what;
        std::function<void()> act;
        const char* shown;
    } steps[] = {
        {"a knob turned on the instrument the editor opened on", [&] { dragUp(kMasterDetune, 40); }, "Warm *"},
        {"undone", [&] { press(HistoryButtons::kUndo); }, "Warm"},
        {"next", [&] { press(HistoryButtons::kNext); }, "Airy"},
        {"next wraps", [&] { press(HistoryButtons::kNext); }, "Warm"},
        {"previous wraps", [&] { press(HistoryButtons::kPrevious); }, "Airy"},
        {"a knob turned", [&] { dragUp(kMasterDetune, 40); }, "Airy *"},
        {"a second turn", [&] { dragUp(kMasterDetune, -20); }, "Airy *"},
        {"Ctrl+Z", [&] { keys({'z'}, gui::kControl); }, "Airy *"},
        {"Undo back to the load", [&] { press(HistoryButtons::kUndo); }, "Airy"},
        // As a host passes keys on: the character and its modifier bits (4, Ctrl).
        {"Ctrl+Y from the host", [&] { EXPECT_EQ(editor().onKeyDown(KeyCode{'y', 0, 4}), 1); }, "Airy *"},
        {"Ctrl+Shift+Z", [&] { keys({'Z'}, gui::kControl | gui::kShift); }, "Airy *"},
        {"saved", [&] {
             dialogs_.nextPath = saved;
             click(kTagSaveInstrument);
         }, "Mine"},
        {"undo past the save", [&] { keys({'z'}, gui::kControl); }, "Airy *"},
        {"the host's next", [&] { ASSERT_TRUE(request(SynthPlugin::kFileNextInstrument)); }, "Warm"},
        {"the host's previous", [&] { ASSERT_TRUE(request(SynthPlugin::kFilePreviousInstrument)); }, "Airy"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        editor().idle();
        EXPECT_EQ(shownName(), step.shown);
        EXPECT_EQ(std::string(engine().instrument().name.data()), std::string(step.shown).substr(0, std::string(step.shown).find(" *")));
    }
}

TEST_F(Undo, LoadsAskBeforeDiscardingChangesOnlyWhenTheMusicianTurnedItOn)
{
    const struct {
        const char* what;
        std::function<void()> act;
        bool answer;
        int questions;
        const char* shown;
    } steps[] = {
        {"unchanged, asking off", [&] { press(HistoryButtons::kNext); }, false, 0, "Airy"},
        {"changed, asking off", [&] { dragUp(kMasterDetune, 30); press(HistoryButtons::kNext); }, false, 0, "Warm"},
        {"asking turned on", [&] { press(HistoryButtons::kAsk); }, false, 0, "Warm"},
        {"unchanged, asking on", [&] { press(HistoryButtons::kNext); }, false, 0, "Airy"},
        {"changed, kept", [&] { dragUp(kMasterDetune, 30); press(HistoryButtons::kNext); }, false, 1, "Airy *"},
        {"changed, Reset kept", [&] { click(kTagResetInstrument); }, false, 1, "Airy *"},
        {"changed, discarded", [&] { press(HistoryButtons::kPrevious); }, true, 1, "Warm"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        dialogs_.questions = 0;
        dialogs_.goAhead = step.answer;
        step.act();
        editor().idle();
        EXPECT_EQ(dialogs_.questions, step.questions);
        EXPECT_EQ(shownName(), step.shown);
    }
    // Remembered for the next editor and the next run.
    AskBeforeDiscarding remembered(AskBeforeDiscarding::defaultFile());
    remembered.load();
    EXPECT_TRUE(remembered.enabled());
    editor().close();
    ASSERT_TRUE(editor().open(nullptr));
    EXPECT_EQ(editor().historyButtons()->button(HistoryButtons::kAsk)->value(), 1.0f);
}

TEST_F(Undo, AKnobStepOnAFactoryInstrumentSharesItsVoicesAndTheHistoryKeepsItsNewestHundredSteps)
{
    const auto factory = std::filesystem::path(TESSARINE_PLUGIN_PATH).parent_path() / "TessarineData"
        / "Instruments-Factory" / "Basses" / "Analog Bass.t9i";
    ASSERT_TRUE(request(SynthPlugin::kFileLoadInstrument, factory.c_str()));
    EditHistory& history = editor().edits().history();
    const std::size_t loaded = history.storedBytes();
    const std::size_t steps = history.steps();
    constexpr int kTurns = 10;
    for (int turn = 0; turn < kTurns; ++turn) {
        dragUp(kMasterDetune, turn % 2 == 0 ? 30 : -20);
    }
    ASSERT_EQ(history.steps(), steps + kTurns);
    const std::size_t perStep = (history.storedBytes() - loaded) / kTurns;
    std::printf("record %zu bytes stored for the load, %zu bytes per knob step\n", loaded, perStep);
    EXPECT_LT(perStep, 64u * 1024u) << "a knob step stored the voices again";

    for (int turn = 0; history.steps() < EditHistory::kMaxSteps + 5 && turn < 200; ++turn) {
        dragUp(kMasterDetune, turn % 2 == 0 ? 30 : -20);
    }
    EXPECT_EQ(history.steps(), EditHistory::kMaxSteps);
    int undone = 0;
    while (editor().edits().undo()) {
        ++undone;
    }
    EXPECT_EQ(undone, static_cast<int>(EditHistory::kMaxSteps) - 1);
}

} // namespace
