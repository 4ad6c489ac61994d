// Files dropped on the editor, through the frame's drop target as the window
// hands them over: what lands where by kind and place, the hint drawn while
// hovering, and what a drop changes (nothing when it is refused).

#include "EditorFixture.h"

#include "editor/EditorDropTarget.h"
#include "engine/SynthEngine.h"
#include "gui/DropTarget.h"
#include "gui/ImageSurfaceBackend.h"
#include "support/TestVoices.h"

namespace editortest {

namespace {

using namespace tessarine;
using Action = DropPlan::Action;

class EditorDrop : public EditorFixture {
protected:
    gui::DropTarget& target() { return *editor().frame()->dropTarget(); }
};

TEST_F(EditorDrop, EachKindLandsOnItsPlacesOnly)
{
    // Frame coordinates: the morph pad spans x 150..440, y 116..406; slot D's voice menu is at y 384..403.
    const struct {
        int page;
        gui::Point at;
        std::vector<std::string> files;
        Action action;
        int slot;
    } rows[] = {
        {0, {400, 300}, {"/s/tone.wav"}, Action::Analyse, 0},
        {2, {10, 100}, {"/s/low.WAV", "/s/high.aiff", "/s/mid.Wave", "/s/x.aif"}, Action::Analyse, 2},
        {5, {400, 150}, {"/s/tone.wav"}, Action::Analyse, 1},
        {5, {200, 380}, {"/s/tone.wav"}, Action::Analyse, 2},
        {5, {60, 392}, {"/s/v.t9v"}, Action::LoadVoice, 3},
        {5, {60, 370}, {"/s/v.t9v"}, Action::LoadVoice, 3}, // the menu's label
        {1, {700, 450}, {"/s/v.T9V"}, Action::LoadVoice, 1},
        {5, {600, 200}, {"/s/tone.wav"}, Action::Refuse, -1}, // the morph paths
        {5, {5, 5}, {"/s/v.t9v"}, Action::Refuse, -1},
        {6, {400, 300}, {"/s/tone.wav"}, Action::Refuse, -1},
        {4, {10, 10}, {"/s/i.t9i"}, Action::LoadInstrument, -1},
        {0, {400, 300}, {"/s/i.t9i"}, Action::LoadInstrument, -1},
        {1, {400, 300}, {"/s/p.t9h"}, Action::LoadPreset, 1},
        {3, {400, 300}, {"/s/p.T9N"}, Action::LoadPreset, 3},
        {5, {400, 150}, {"/s/p.t9n"}, Action::Refuse, -1},
        {0, {400, 300}, {"/s/tone.wav", "/s/v.t9v"}, Action::Refuse, -1},
        {0, {400, 300}, {"/s/v.t9v", "/s/w.t9v"}, Action::Refuse, -1},
        {4, {10, 10}, {"/s/i.t9i", "/s/j.t9i"}, Action::Refuse, -1},
        {0, {400, 300}, {"/s/notes.txt"}, Action::Refuse, -1},
        {0, {400, 300}, {"/s/wav"}, Action::Refuse, -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "page " << row.page << " at " << row.at.x << "," << row.at.y << " "
                                        << row.files.front());
        showPage(row.page);
        EXPECT_EQ(target().dragOver(row.at, row.files), row.action != Action::Refuse);
        const DropPlan& shown = editor().dropTarget()->shownPlan();
        EXPECT_EQ(shown.action, row.action);
        EXPECT_EQ(shown.slot, row.slot);
        EXPECT_EQ(shown.area.isEmpty(), row.action == Action::Refuse);
        if (row.action != Action::Refuse) {
            EXPECT_TRUE(shown.area.contains(row.at));
        }
        // What the plan says for a refusal is what a drop there would tell.
        EXPECT_EQ(planDrop(row.page, row.at, row.files).refusal.empty(), row.action != Action::Refuse);
    }
    EXPECT_EQ(planDrop(0, {1, 1}, {"/s/notes.txt"}).refusal, "Unsupported file format.\n");
    EXPECT_EQ(planDrop(0, {400, 300}, {"/s/tone.wav"}).hint, "Drop to analyse into slot A");
    EXPECT_EQ(planDrop(6, {1, 1}, {"/s/i.t9i"}).hint, "Drop to load the instrument");
    target().dragLeave();
    EXPECT_EQ(editor().dropTarget()->shownPlan().action, Action::Refuse);
}

TEST_F(EditorDrop, TheHintIsOutlinedWhileHoveringAndGoneAfter)
{
    showPage(5);
    gui::ImageSurfaceBackend image(*editor().frame());
    ASSERT_TRUE(image.isValid());
    const auto outline = [&] {
        image.paintAll();
        return image.pixel(151, 300) & 0xffffff; // the left edge of the pad's lower-left quarter
    };
    const std::uint32_t before = outline();
    ASSERT_TRUE(target().dragOver({200, 380}, {"/s/tone.wav"}));
    EXPECT_EQ(outline(), 0xf0a540u);
    target().dragLeave();
    EXPECT_EQ(outline(), before);
    ASSERT_TRUE(target().dragOver({200, 380}, {"/s/tone.wav"}));
    EXPECT_FALSE(target().dragOver({200, 380}, {"/s/a.txt"})); // refused: nothing drawn
    EXPECT_EQ(outline(), before);
}

TEST_F(EditorDrop, ADropLoadsWhatItNamesAndARefusedOneChangesNothing)
{
    const std::string voicePath = (root_ / "Dropped.t9v").string();
    auto voice = std::make_unique<Voice>();
    test::fillRandomVoice(*voice, 3, 1, 1, 4);
    voice->setName("Dropped");
    test::writeFile(voicePath, test::voiceBytes(*voice));
    const std::string instrumentPath = (root_ / "Whole.t9i").string();
    std::snprintf(engine().editInstrument().name.data(), engine().editInstrument().name.size(), "Whole");
    ASSERT_TRUE(engine().saveInstrument(instrumentPath.c_str()));
    std::snprintf(engine().editInstrument().name.data(), engine().editInstrument().name.size(), "Before");

    showPage(5);
    EXPECT_TRUE(target().drop({200, 380}, {voicePath})); // slot C's corner
    EXPECT_EQ(engine().instrument().voices[2].nameView(), "Dropped");
    EXPECT_EQ(dialogs_.messages, 0);

    // Refused: a voice where no slot is, a sound file of another kind, a file that cannot be read.
    const std::string text = (root_ / "notes.wav").string();
    test::writeFile(text, test::voiceBytes(*voice));
    const struct {
        int page;
        gui::Point at;
        std::string file;
    } refusals[] = {{5, {600, 200}, voicePath}, {0, {400, 300}, text}, {1, {400, 300}, voicePath + ".gone.t9v"}};
    const std::string slotA(engine().instrument().voices[0].nameView());
    for (const auto& row : refusals) {
        showPage(row.page);
        const int messages = dialogs_.messages;
        EXPECT_FALSE(target().drop(row.at, {row.file})) << row.file;
        EXPECT_EQ(dialogs_.messages, messages + 1) << row.file;
        EXPECT_EQ(engine().instrument().voices[0].nameView(), slotA);
    }
    EXPECT_EQ(std::string(engine().instrument().name.data()), "Before");
    EXPECT_EQ(engine().instrument().voices[2].nameView(), "Dropped");

    showPage(7);
    EXPECT_TRUE(target().drop({10, 10}, {instrumentPath}));
    EXPECT_EQ(std::string(engine().instrument().name.data()), "Whole");
}

} // namespace

} // namespace editortest
