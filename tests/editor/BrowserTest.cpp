// The library browser as a musician meets it: typing part of a name and
// Return loads that instrument, the arrows step through what a search found,
// a star outlives the editor, and A/B goes back to the loaded instrument byte
// for byte and forward again, neither side lost.

#include "EditorFixture.h"
#include "support/PrivateConfigFolder.h"

#include "editor/FavouriteList.h"
#include "gui/MarkedList.h"
#include "gui/OptionMenu.h"

#include <fstream>

namespace {

using namespace tessarine;
using editortest::EditorFixture;

class Browser : public EditorFixture {
protected:
    test::PrivateConfigFolder config_;

    std::string loaded() { return engine().instrument().name.data(); }
    std::vector<std::string> found(const BrowserPanel& browser)
    {
        std::vector<std::string> names;
        for (const LibraryEntry& entry : browser.result()) {
            names.push_back(entry.name);
        }
        return names;
    }
    int rowOf(const BrowserPanel& browser, const std::string& name)
    {
        const auto names = found(browser);
        return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
    }
    std::vector<unsigned char> chunk()
    {
        void* data = nullptr;
        const auto size = plugin().record()->dispatcher(plugin().record(), vst::effGetChunk, 0, 0, &data, 0.0f);
        const auto* bytes = static_cast<const unsigned char*>(data);
        return {bytes, bytes + size};
    }
};

TEST_F(Browser, TypingPartOfANameAndReturnLoadIt_TheArrowsThenStepThroughTheSearch)
{
    press(HistoryButtons::kBrowse);
    ASSERT_NE(editor().browser(), nullptr);
    keys({'r', 'O', 'U'});
    EXPECT_EQ(found(*editor().browser()), std::vector<std::string>{"Round"});
    keys({gui::kKeyReturn});
    EXPECT_EQ(loaded(), "Round");
    EXPECT_FLOAT_EQ(engine().getParameter(kVolume, true), 0.22f);
    editor().idle();
    EXPECT_EQ(editor().browser(), nullptr);

    // "r" finds Round, Airy and Warm (not Deep, nor a category: "Basses" and "Pads" hold no r).
    press(HistoryButtons::kBrowse);
    ASSERT_NE(editor().browser(), nullptr);
    keys({gui::kKeyBackspace, gui::kKeyBackspace, gui::kKeyBackspace, 'r'});
    EXPECT_EQ(found(*editor().browser()), (std::vector<std::string>{"Round", "Airy", "Warm"}));
    keys({gui::kKeyEscape});
    editor().idle();
    ASSERT_EQ(editor().browser(), nullptr);
    const struct {
        HistoryButtons::Action arrow;
        const char* loads;
    } steps[] = {
        {HistoryButtons::kNext, "Airy"}, // the category's next would be Deep
        {HistoryButtons::kNext, "Warm"},
        {HistoryButtons::kNext, "Round"},
        {HistoryButtons::kPrevious, "Warm"},
    };
    for (const auto& step : steps) {
        press(step.arrow);
        EXPECT_EQ(loaded(), step.loads);
    }
}

TEST_F(Browser, AStarSurvivesTheEditorAndLivesInTheConfigurationFolder_TheUsersOwnAreListedToo)
{
    const auto user = root_ / "TessarineData" / "Instruments-User";
    std::filesystem::create_directories(user);
    std::filesystem::copy_file(root_ / "TessarineData" / "Instruments-Factory" / "Basses" / "Deep.t9i", user / "Mine.t9i");
    press(HistoryButtons::kBrowse);
    BrowserPanel* browser = editor().browser();
    ASSERT_NE(browser, nullptr);
    const int airy = rowOf(*browser, "Airy");
    clickAt(browser->entryList().markArea(airy));
    EXPECT_TRUE(browser->entryList().rows()[static_cast<std::size_t>(airy)].marked);
    EXPECT_EQ(loaded(), "Warm") << "a star loads nothing";
    editor().close();

    SynthPlugin other(editortest::quietHost);
    other.library().setRoot(root_.string());
    auto* fresh = dynamic_cast<SynthEditor*>(other.editor());
    ASSERT_TRUE(fresh != nullptr && fresh->open(nullptr));
    fresh->openBrowser();
    ASSERT_NE(fresh->browser(), nullptr);
    const auto& rows = fresh->browser()->entryList().rows();
    ASSERT_EQ(rows.size(), editortest::kLibrary.size() + 1);
    for (const auto& row : rows) {
        EXPECT_EQ(row.marked, row.name == "Airy") << row.name;
    }
    EXPECT_EQ(rows.back().name + " " + rows.back().detail, "Mine User");
    EXPECT_TRUE(std::filesystem::exists(config_.path() / "tessarine" / "favourites"));
    fresh->close();
}

TEST_F(Browser, ABSwitchesToTheLoadedInstrumentByteForByteAndBackWithoutLosingEither)
{
    press(HistoryButtons::kBrowse);
    clickAt(editor().browser()->entryList().rowArea(rowOf(*editor().browser(), "Deep")));
    EXPECT_EQ(loaded(), "Deep") << "a click loads at once";
    keys({gui::kKeyEscape});
    editor().idle();
    const auto asLoaded = chunk();
    dragUp(kMasterDetune, 40);
    editor().idle();
    const auto edited = chunk();
    ASSERT_NE(edited, asLoaded);

    auto* menu = dynamic_cast<gui::OptionMenu*>(editor().control(kTagInstrumentMenu));
    const gui::Control* ab = editor().historyButtons()->button(HistoryButtons::kCompare);
    press(HistoryButtons::kCompare);
    editor().idle();
    EXPECT_EQ(chunk(), asLoaded);
    EXPECT_EQ(ab->value(), 1.0f);
    EXPECT_EQ(menu->shownText(), "Deep *") << "the edited side is still unsaved";
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

TEST(FavouriteList, ABrokenOrOversizedFileIsAnEmptyListAndAFailedWriteKeepsTheStarForTheRun)
{
    test::PrivateConfigFolder config;
    const auto file = config.path() / "favourites";
    const struct {
        const char* name;
        std::string text;
        bool deep;
    } cases[] = {
        {"plain", "a/Deep.t9i\nb/Airy.t9i\n", true},
        {"binary", std::string("a/Deep.t9i\n\0\1", 13), false},
        {"oversized", "a/Deep.t9i\n" + std::string(FavouriteList::kMaxFileBytes, 'x'), false},
        {"a control character in the line", "a/Deep.t9i\x01\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(file, std::ios::binary) << c.text;
        FavouriteList favourites(file.string());
        favourites.load();
        EXPECT_EQ(favourites.contains("a/Deep.t9i"), c.deep);
    }
    // Its folder is a file: nothing can be written, the star holds in memory.
    FavouriteList unwritable((file / "favourites").string());
    EXPECT_FALSE(unwritable.set("a/Deep.t9i", true));
    EXPECT_TRUE(unwritable.contains("a/Deep.t9i"));
}

} // namespace
