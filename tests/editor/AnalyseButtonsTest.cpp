// The voice page's two analyse buttons with sounds chosen in the dialog:
// several files make one multisample each, lowest pitch first, and the page
// says what was done; a refused file, or several files for one layer, change
// nothing and say why.

#include "EditorFixture.h"
#include "support/SoundFileHelpers.h"

#include "engine/SynthEngine.h"

#include <fstream>

namespace editortest {
namespace {

using namespace tessarine;

class AnalyseButtons : public EditorFixture {
protected:
    std::string tone(const std::string& name, double f0)
    {
        const std::string path = (root_ / name).string();
        EXPECT_TRUE(testsound::writeSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1,
                                          testsound::sawtooth(f0, 22050, 0.6)));
        return path;
    }
    const Voice& slotA() { return engine().instrument().voices[0]; }
};

TEST_F(AnalyseButtons, SeveralFilesMakeOneMultisampleEachLowestFirst)
{
    showPage(0);
    dialogs_.nextPaths = {tone("high.wav", 440.0), tone("low.wav", 110.0), tone("middle.wav", 220.0)};
    click(kTagAnalyseA);
    ASSERT_EQ(dialogs_.messages, 0) << dialogs_.lastMessage;
    EXPECT_EQ(slotA().multisampleCount, 3);
    EXPECT_EQ(slotA().layerCount, 1);
    EXPECT_EQ(slotA().nameView(), "low");
    const float expected[] = {110.0f, 220.0f, 440.0f};
    for (int m = 0; m < 3; ++m) {
        EXPECT_NEAR(slotA().layer(m, 1).harmonic.basePitch, expected[m], expected[m] * 0.01f) << m;
    }
    EXPECT_EQ(editor().actions().lastAnalysisNote(), "Slot A: new voice \"low\" on every key, 3 multisamples");
}

TEST_F(AnalyseButtons, RefusalsChangeNothingAndSayWhy)
{
    showPage(0);
    const std::string before(slotA().nameView());
    const int multisamples = slotA().multisampleCount;
    const std::string text = (root_ / "readme.wav").string();
    std::ofstream(text) << std::string(300, 'x');
    const struct {
        int tag;
        std::vector<std::string> files;
        const char* message;
    } rows[] = {
        {kTagAnalyseA, {tone("a.wav", 220.0), text}, "Unsupported file format.\n"},
        {kTagAnalyseLayerA, {tone("b.wav", 220.0), tone("c.wav", 330.0)},
         "One sound goes into one layer: choose a single file.\n"},
    };
    for (const auto& row : rows) {
        dialogs_.nextPaths = row.files;
        dialogs_.lastMessage.clear();
        click(row.tag);
        EXPECT_EQ(dialogs_.lastMessage, row.message);
        EXPECT_EQ(slotA().nameView(), before);
        EXPECT_EQ(slotA().multisampleCount, multisamples);
    }
}

} // namespace
} // namespace editortest
