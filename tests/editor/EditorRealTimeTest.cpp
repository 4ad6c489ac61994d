// Values written from the audio thread never allocate or touch the window:
// with the editor closed they are stored and forgotten, with it open they
// wait for the editor's idle.

#include "EditorFixture.h"

#include "editor/EditorTags.h"
#include "shell/AllocationCounter.h"

#include <thread>

namespace editortest {

namespace {

using namespace tessarine;

class EditorRealTime : public EditorFixture {};

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

TEST_F(EditorRealTime, WritesFromTheAudioThreadAllocateNothingOpenOrClosed)
{
    EXPECT_EQ(allocationsWhileWriting(plugin()), 0u) << "open";
    EXPECT_EQ(editor().currentPage(), kMorphPage) << "nothing moved before the idle";
    editor().close();
    EXPECT_EQ(allocationsWhileWriting(plugin()), 0u) << "closed";
    EXPECT_EQ(dialogs_.opens, 0);
}

} // namespace

} // namespace editortest
