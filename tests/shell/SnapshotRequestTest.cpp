// The picture request: which pages and buffers reach the editor's drawing, and
// that every refusal leaves the caller's buffer as it was.

#include "editor/EditorShell.h"
#include "shell/SynthPlugin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using namespace vst;

intptr quietHost(EffectRecord*, int32 opcode, int32, intptr, void*, float)
{
    return opcode == audioMasterVersion ? 2300 : 0;
}

// Draws a page as bytes of the page number, when the buffer holds a whole picture.
class PaintingEditor : public tessarine::EditorShell {
public:
    static constexpr std::size_t kBytes = 800 * 550 * 4;
    using EditorShell::EditorShell;
    bool drawPage(int page, std::uint8_t* rgba, std::size_t bytes) override
    {
        pages.push_back(page);
        if (bytes < kBytes) {
            return false;
        }
        std::memset(rgba, page + 1, kBytes);
        return true;
    }
    std::vector<int> pages;
};

TEST(SnapshotRequest, OnlyWholePagesOfTheEditorIntoRealBuffersAreDrawn)
{
    tessarine::SynthPlugin plugin(quietHost);
    std::vector<std::uint8_t> buffer(PaintingEditor::kBytes + 16, 0xEE);
    auto ask = [&](intptr bytes, void* ptr, float page) {
        return plugin.record()->dispatcher(plugin.record(), effVendorSpecific, tessarine::SynthPlugin::kSnapshotRequest,
                                           bytes, ptr, page);
    };
    const auto size = static_cast<intptr>(PaintingEditor::kBytes);
    auto painter = std::make_unique<PaintingEditor>(plugin.core());
    PaintingEditor& editor = *painter;
    struct Case {
        intptr bytes;
        bool realBuffer;
        float page;
        intptr answer;
        int drawnPage; // -1: the editor is not asked
    };
    const Case cases[] = {
        {size, true, 0.0f, 1, 0},
        {size, true, 7.0f, 1, 7},
        {size, true, 8.0f, 0, -1},
        {size, true, -1.0f, 0, -1},
        {size, true, 2.5f, 0, -1},
        {size, true, NAN, 0, -1},
        {size, true, INFINITY, 0, -1},
        {size, false, 3.0f, 0, -1},
        {0, true, 3.0f, 0, -1},
        {-size, true, 3.0f, 0, -1},
        {size - 1, true, 3.0f, 0, 3}, // the editor refuses what cannot hold the page
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "bytes " << c.bytes << " page " << c.page);
        std::fill(buffer.begin(), buffer.end(), 0xEE);
        editor.pages.clear();
        EXPECT_EQ(ask(c.bytes, c.realBuffer ? buffer.data() : nullptr, c.page), c.answer);
        EXPECT_EQ(editor.pages, c.drawnPage < 0 ? std::vector<int>{} : std::vector<int>{c.drawnPage});
        std::uint8_t expected = c.answer == 1 ? static_cast<std::uint8_t>(c.drawnPage + 1) : 0xEE;
        EXPECT_EQ(buffer[0], expected);
        EXPECT_EQ(buffer[PaintingEditor::kBytes], 0xEE) << "nothing written past the picture";
    }

    painter.reset();
    EXPECT_EQ(ask(size, buffer.data(), 5.0f), 0) << "no editor, no picture";
}

} // namespace
