// The menus that name what is loaded follow every way an instrument arrives:
// the instrument menu lists the loaded instrument's category with it chosen
// (or names it alone when the library lacks it), and the morph page's voice
// menus name the voices the pad plays.

#include "EditorFixture.h"

#include "engine/SynthEngine.h"
#include "gui/OptionMenu.h"

#include <functional>
#include <string>

namespace editortest {

namespace {

using namespace tessarine;

class MenusFollowTheSound : public EditorFixture {
protected:
    // Writes an instrument whose slots carry names, at path.
    void writeNamed(const std::filesystem::path& path, const std::string& name)
    {
        Instrument& instrument = engine().editInstrument();
        std::snprintf(instrument.name.data(), instrument.name.size(), "%s", name.c_str());
        for (int s = 0; s < kSlotCount; ++s) {
            instrument.voices[static_cast<std::size_t>(s)].setName(name + " " + char('A' + s));
        }
        ASSERT_TRUE(engine().saveInstrument(path.c_str()));
    }

    void expectMenusNameTheSound(const std::string& step)
    {
        SCOPED_TRACE(step);
        const std::string name = engine().instrument().name.data();
        auto* instrument = dynamic_cast<gui::OptionMenu*>(editor().control(kTagInstrumentMenu));
        ASSERT_NE(instrument, nullptr);
        // A random instrument was never saved: it carries the modified mark.
        const std::string shown = instrument->shownText();
        EXPECT_TRUE(shown == name || shown == name + " *") << shown << " for " << name;
        const auto categoryOf = [](const std::string& instrumentName) -> std::string {
            for (const LibraryInstrument& entry : kLibrary) {
                if (instrumentName == entry.name) {
                    return entry.category;
                }
            }
            return "";
        };
        if (!categoryOf(name).empty()) {
            EXPECT_EQ(instrument->entryText(instrument->currentEntry()), name) << "chosen in its category's list";
            for (int e = 0; e < instrument->entryCount(); ++e) {
                EXPECT_EQ(categoryOf(instrument->entryText(e)), categoryOf(name)) << instrument->entryText(e);
            }
        }
        for (int s = 0; s < kSlotCount; ++s) {
            auto* voices = dynamic_cast<gui::OptionMenu*>(editor().pages()->control(kMorphPage, kTagVoiceMenuA + s));
            ASSERT_NE(voices, nullptr);
            const auto voice = engine().instrument().voices[static_cast<std::size_t>(s)].nameView();
            EXPECT_EQ(voices->shownText(), voice.empty() ? std::string(" ") : std::string(voice)) << "slot " << s;
        }
    }
};

TEST_F(MenusFollowTheSound, EveryLoadResetAndRandomRenamesTheMenus)
{
    writeNamed(root_ / "Reset.t9i", "Start");
    writeNamed(root_ / "elsewhere.t9i", "Visitor");
    const std::filesystem::path pads = root_ / "TessarineData" / "Instruments-Factory" / "Pads" / "Warm.t9i";
    const std::filesystem::path visitor = root_ / "elsewhere.t9i";
    const struct {
        const char* step;
        std::function<void()> act;
    } steps[] = {
        {"a file from the library", [&] {
             dialogs_.nextPath = pads.string();
             click(kTagLoadInstrument);
         }},
        {"random from its category", [&] { click(kTagRandomInstrument); }},
        {"a file from elsewhere", [&] {
             dialogs_.nextPath = visitor.string();
             click(kTagLoadInstrument);
         }},
        {"reset", [&] { click(kTagResetInstrument); }},
        {"random again", [&] { click(kTagRandomInstrument); }},
    };
    for (const auto& step : steps) {
        step.act();
        expectMenusNameTheSound(step.step);
    }
}

} // namespace

} // namespace editortest
