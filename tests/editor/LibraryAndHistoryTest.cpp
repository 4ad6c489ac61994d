// The library and the history as a musician meets them in the editor: the
// browser's search and stars, A/B against the loaded instrument, the arrows
// through a category, the mark of an unsaved change and the question before
// discarding it, the menus that name what is loaded, and a history that keeps
// its newest hundred steps without storing the voices again for a knob.

#include "EditorFixture.h"

#include "editor/dialogs/AskBeforeDiscarding.h"
#include "editor/KeyCode.h"
#include "gui/MarkedList.h"
#include "gui/MenuPresenter.h"

#include <functional>

namespace editortest {
namespace {

using namespace tessarine;

class Library : public EditorFixture {
protected:
    std::vector<std::string> found()
    {
        std::vector<std::string> names;
        for (const LibraryEntry& entry : editor().browser()->result()) {
            names.push_back(entry.name);
        }
        return names;
    }
    int rowOf(const std::string& name)
    {
        const auto names = found();
        return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
    }
};

TEST_F(Library, TypingPartOfANameAndReturnLoadIt_TheArrowsThenStepThroughTheSearch)
{
    press(HistoryButtons::kBrowse);
    ASSERT_NE(editor().browser(), nullptr);
    keys({'r', 'O', 'U'});
    EXPECT_EQ(found(), std::vector<std::string>{"Round"});
    keys({gui::kKeyReturn});
    EXPECT_EQ(loaded(), "Round");
    EXPECT_FLOAT_EQ(engine().getParameter(kVolume, true), 0.22f);
    editor().idle();
    EXPECT_EQ(editor().browser(), nullptr);

    // "r" finds Round, Airy and Warm (not Deep, nor a category: "Basses" and "Pads" hold no r).
    press(HistoryButtons::kBrowse);
    ASSERT_NE(editor().browser(), nullptr);
    keys({gui::kKeyBackspace, gui::kKeyBackspace, gui::kKeyBackspace, 'r'});
    EXPECT_EQ(found(), (std::vector<std::string>{"Round", "Airy", "Warm"}));
    keys({gui::kKeyEscape});
    editor().idle();
    ASSERT_EQ(editor().browser(), nullptr);
    // Next from Round would be Deep in its category; in the search it is Airy.
    for (auto [arrow, loads] : {std::pair{HistoryButtons::kNext, "Airy"}, {HistoryButtons::kNext, "Warm"},
                                {HistoryButtons::kNext, "Round"}, {HistoryButtons::kPrevious, "Warm"}}) {
        press(arrow);
        EXPECT_EQ(loaded(), loads);
    }
}

TEST_F(Library, AStarSurvivesTheEditorAndLivesInTheConfigurationFolder_TheUsersOwnAreListedToo)
{
    const auto user = root_ / "TessarineData" / "Instruments-User";
    std::filesystem::create_directories(user);
    std::filesystem::copy_file(root_ / "TessarineData" / "Instruments-Factory" / "Basses" / "Deep.t9i", user / "Mine.t9i");
    press(HistoryButtons::kBrowse);
    ASSERT_NE(editor().browser(), nullptr);
    const int airy = rowOf("Airy");
    clickAt(editor().browser()->entryList().markArea(airy));
    EXPECT_TRUE(editor().browser()->entryList().rows()[static_cast<std::size_t>(airy)].marked);
    EXPECT_EQ(loaded(), "Warm") << "a star loads nothing";
    editor().close();

    SynthPlugin other(quietHost);
    other.library().setRoot(root_.string());
    auto* fresh = dynamic_cast<SynthEditor*>(other.editor());
    ASSERT_TRUE(fresh != nullptr && fresh->open(nullptr));
    fresh->openBrowser();
    ASSERT_NE(fresh->browser(), nullptr);
    const auto& rows = fresh->browser()->entryList().rows();
    ASSERT_EQ(rows.size(), kLibrary.size() + 1);
    for (const auto& row : rows) {
        EXPECT_EQ(row.marked, row.name == "Airy") << row.name;
    }
    EXPECT_EQ(rows.back().name + " " + rows.back().detail, "Mine User");
    EXPECT_TRUE(std::filesystem::exists(config_.path() / "tessarine" / "favourites"));
    fresh->close();
}

TEST_F(Library, ABSwitchesToTheLoadedInstrumentByteForByteAndBackWithoutLosingEither)
{
    press(HistoryButtons::kBrowse);
    clickAt(editor().browser()->entryList().rowArea(rowOf("Deep")));
    EXPECT_EQ(loaded(), "Deep") << "a click loads at once";
    keys({gui::kKeyEscape});
    editor().idle();
    const auto asLoaded = chunk();
    dragUp(kMasterDetune, 40);
    editor().idle();
    const auto edited = chunk();
    ASSERT_NE(edited, asLoaded);

    const gui::Control* ab = editor().historyButtons()->button(HistoryButtons::kCompare);
    press(HistoryButtons::kCompare);
    editor().idle();
    EXPECT_EQ(chunk(), asLoaded);
    EXPECT_EQ(ab->value(), 1.0f);
    EXPECT_EQ(shownName(), "Deep *") << "the edited side is still unsaved";
    press(HistoryButtons::kCompare);
    editor().idle();
    EXPECT_EQ(chunk(), edited);
    EXPECT_EQ(ab->value(), 0.0f);

    // An edit made while the loaded side plays is a step after the edited side.
    press(HistoryButtons::kCompare);
    dragUp(kMasterDetune, -20);
    editor().idle();
    EXPECT_NE(chunk(), asLoaded);
    press(HistoryButtons::kUndo);
    EXPECT_EQ(chunk(), edited);
    press(HistoryButtons::kUndo);
    EXPECT_EQ(chunk(), asLoaded);
    press(HistoryButtons::kUndo);
    EXPECT_EQ(loaded(), "Warm") << "the browser's load is a step of its own";
}

TEST_F(Library, ArrowsStepThroughTheCategoryAndTheMarkFollowsEditsUndoAndSaves)
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
        {"saved", [&] { dialogs_.nextPath = saved; click(kTagSaveInstrument); }, "Mine"},
        {"undo past the save", [&] { keys({'z'}, gui::kControl); }, "Airy *"},
        {"the host's next", [&] { ASSERT_TRUE(request(SynthPlugin::kFileNextInstrument)); }, "Warm"},
        {"the host's previous", [&] { ASSERT_TRUE(request(SynthPlugin::kFilePreviousInstrument)); }, "Airy"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        editor().idle();
        EXPECT_EQ(shownName(), step.shown);
        EXPECT_EQ(loaded(), std::string(step.shown).substr(0, std::string(step.shown).find(" *")));
    }
}

TEST_F(Library, LoadsAskBeforeDiscardingChangesOnlyWhenTheMusicianTurnedItOn)
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

TEST_F(Library, AKnobStepOnAFactoryInstrumentSharesItsVoicesAndTheHistoryKeepsItsNewestHundredSteps)
{
    const auto factory = std::filesystem::path(TESSARINE_PLUGIN_PATH).parent_path() / "TessarineData"
        / "Instruments-Factory" / "Basses" / "Analog Bass.t9i";
    ASSERT_TRUE(request(SynthPlugin::kFileLoadInstrument, factory.c_str()));
    EditHistory& history = editor().edits().history();
    const std::size_t loadedBytes = history.storedBytes();
    const std::size_t steps = history.steps();
    constexpr int kTurns = 10;
    for (int turn = 0; turn < kTurns; ++turn) {
        dragUp(kMasterDetune, turn % 2 == 0 ? 30 : -20);
    }
    ASSERT_EQ(history.steps(), steps + kTurns);
    const std::size_t perStep = (history.storedBytes() - loadedBytes) / kTurns;
    std::printf("record %zu bytes stored for the load, %zu bytes per knob step\n", loadedBytes, perStep);
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

// The instrument menu lists the loaded instrument's category with it chosen
// (or names it alone when the library lacks it), the category menu names its
// category (a random one is of the category it was drawn from), and the morph
// page's voice menus name the voices the pad plays, however it arrived.
TEST_F(Library, EveryLoadResetAndRandomRenamesTheMenus)
{
    for (auto [name, file] : {std::pair{"Start", "Reset.t9i"}, {"Visitor", "elsewhere.t9i"}}) {
        for (int s = 0; s < kSlotCount; ++s) {
            engine().editInstrument().voices[static_cast<std::size_t>(s)].setName(std::string(name) + " " + char('A' + s));
        }
        saveInstrumentAs(root_ / file, name);
    }
    const auto categoryOf = [](const std::string& instrument) -> std::string {
        const auto entry =
            std::find_if(kLibrary.begin(), kLibrary.end(), [&](auto& e) { return instrument == e.name; });
        return entry != kLibrary.end() ? entry->category : "";
    };
    const auto load = [&](const std::filesystem::path& path) {
        dialogs_.nextPath = path.string();
        click(kTagLoadInstrument);
    };
    const struct {
        const char* step;
        std::function<void()> act;
    } steps[] = {
        {"a file from the library", [&] { load(root_ / "TessarineData" / "Instruments-Factory" / "Basses" / "Round.t9i"); }},
        {"random from its category", [&] { click(kTagRandomInstrument); }},
        {"the category menu's second entry", [&] {
             click(kTagCategoryMenu);
             ASSERT_TRUE(editor().headlessMenus()->choose(1));
             EXPECT_EQ(loaded(), "Airy");
         }},
        {"random from the category chosen", [&] { click(kTagRandomInstrument); }},
        {"a file from elsewhere", [&] { load(root_ / "elsewhere.t9i"); }},
        {"reset", [&] { click(kTagResetInstrument); }},
        {"random again", [&] { click(kTagRandomInstrument); }},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.step);
        step.act();
        const std::string name = loaded();
        const gui::OptionMenu* instrument = menu(kTagInstrumentMenu);
        // A random instrument was never saved: it carries the modified mark.
        EXPECT_TRUE(shownName() == name || shownName() == name + " *") << shownName() << " for " << name;
        if (!categoryOf(name).empty()) {
            EXPECT_EQ(menu(kTagCategoryMenu)->shownText(), categoryOf(name)) << "the category menu names it";
            EXPECT_EQ(instrument->entryText(instrument->currentEntry()), name) << "chosen in its category's list";
            for (int e = 0; e < instrument->entryCount(); ++e) {
                EXPECT_EQ(categoryOf(instrument->entryText(e)), categoryOf(name)) << instrument->entryText(e);
            }
        }
        for (int s = 0; s < kSlotCount; ++s) {
            auto* voices = dynamic_cast<gui::OptionMenu*>(editor().pages()->control(kMorphPage, kTagVoiceMenuA + s));
            ASSERT_NE(voices, nullptr);
            const auto voice = slot(s).nameView();
            EXPECT_EQ(voices->shownText(), voice.empty() ? std::string(" ") : std::string(voice)) << "slot " << s;
        }
    }
}

} // namespace
} // namespace editortest
