#include "support/ControlTestSupport.h"

#include "gui/Frame.h"
#include "gui/TextEdit.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace tessarine::gui;
using namespace tessarine::gui::test;

namespace {

struct NameFixture {
    NameFixture(std::size_t maxLength = TextEdit::kDefaultMaxLength)
    {
        edit = frame.add(std::make_unique<TextEdit>(Rect{10, 10, 120, 16}, 190, &listener, maxLength));
        edit->setText("Cello");
    }
    void type(std::initializer_list<int> keys)
    {
        for (int k : keys) {
            frame.dispatch(key(k));
        }
    }
    Frame frame{300, 100};
    RecordingListener listener;
    TextEdit* edit;
};

} // namespace

TEST(TextEdit, ReturnOrFocusLossReportsAChangedNameEscapeRestores)
{
    NameFixture f;
    f.type({'x'}); // no focus yet: keys go nowhere
    EXPECT_EQ(f.edit->text(), "Cello");

    click(f.frame, 20, 15);
    EXPECT_TRUE(f.edit->isEditing());
    f.type({kKeyBackspace, kKeyBackspace, 'l', 'o', ' ', '2', kKeyLeft, kKeyLeft, kKeyDelete, kKeyReturn});
    EXPECT_EQ(f.edit->text(), "Cello2");
    EXPECT_FALSE(f.edit->isEditing());
    EXPECT_EQ(f.listener.tags, std::vector{190});

    // Focus moves elsewhere: the edit ends and reports.
    f.frame.dispatch(mouse(EventKind::MouseDown, 20, 15));
    f.type({kKeyEnd, '!'});
    f.frame.dispatch(mouse(EventKind::MouseDown, 200, 80));
    EXPECT_EQ(f.edit->text(), "Cello2!");
    EXPECT_EQ(f.listener.tags.size(), 2u);

    // Escape puts the text back; an unchanged text is not reported.
    f.frame.dispatch(mouse(EventKind::MouseDown, 20, 15));
    f.type({kKeyHome, 'Z', kKeyEscape});
    EXPECT_EQ(f.edit->text(), "Cello2!");
    f.frame.dispatch(mouse(EventKind::MouseDown, 20, 15));
    f.type({kKeyReturn});
    EXPECT_EQ(f.listener.tags.size(), 2u);
}

TEST(TextEdit, LengthIsHeldInBytesWithoutSplittingCharacters)
{
    NameFixture f(7);
    f.frame.dispatch(mouse(EventKind::MouseDown, 20, 15));
    f.type({0xe9, 0xe9, 0x1, 0x7f, 'a'}); // é is two bytes; controls are ignored
    EXPECT_EQ(f.edit->text(), "Cello\xc3\xa9");
    f.type({kKeyBackspace});
    EXPECT_EQ(f.edit->text(), "Cello");
    f.edit->setText("Violoncello");
    EXPECT_EQ(f.edit->text(), "Violonc");
    f.edit->setText("Celloé\xc3\xa9");
    EXPECT_EQ(f.edit->text(), "Cello\xc3\xa9");
}
