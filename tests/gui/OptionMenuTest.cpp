#include "support/ControlTestSupport.h"

#include "gui/Frame.h"
#include "gui/MenuPresenter.h"
#include "gui/OptionMenu.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tessarine::gui;
using namespace tessarine::gui::test;

TEST(OptionMenu, ChoiceInThePopUpReportsTheEntryNumber)
{
    Frame frame(400, 100);
    HeadlessMenuPresenter popup;
    frame.setMenuPresenter(&popup);
    RecordingListener listener;
    auto* menu = frame.add(std::make_unique<OptionMenu>(Rect{330, 15, 147, 19}, 238, &listener));
    for (const char* name : {"Basses", "Brass-Winds", "Pianos", "Strings"}) {
        menu->addEntry(name);
    }

    click(frame, 340, 20);
    EXPECT_EQ(popup.activeMenu(), menu);
    EXPECT_TRUE(menu->isPoppedUp());
    EXPECT_TRUE(popup.choose(3));
    EXPECT_EQ(popup.activeMenu(), nullptr);
    EXPECT_EQ(listener.values, std::vector{3.0f});
    EXPECT_EQ(menu->currentEntry(), 3);
    EXPECT_EQ(menu->shownText(), "Strings");

    // Entry numbers are the value: written back from outside they are held to the list.
    menu->setValue(2);
    EXPECT_EQ(menu->shownText(), "Pianos");
    menu->setValue(40);
    EXPECT_EQ(menu->currentEntry(), 3);
    menu->setValue(1.7f);
    EXPECT_EQ(menu->currentEntry(), 1);
    EXPECT_EQ(listener.values.size(), 1u);

    EXPECT_FALSE(menu->choose(4));
    EXPECT_FALSE(menu->choose(1, 0)); // a plain entry has no submenu
    menu->clear();
    EXPECT_EQ(menu->currentEntry(), -1);
    EXPECT_EQ(menu->shownText(), "");
    frame.dispatch(mouse(EventKind::MouseDown, 340, 20)); // an empty menu does not pop up
    EXPECT_EQ(popup.presentCount(), 1);
    frame.setMenuPresenter(nullptr);
}

TEST(OptionMenu, LibraryMenuChoosesWithinSubmenusUnderItsTitle)
{
    Frame frame(400, 300);
    HeadlessMenuPresenter popup;
    frame.setMenuPresenter(&popup);
    RecordingListener listener;
    auto* menu = frame.add(std::make_unique<OptionMenu>(Rect{10, 10, 120, 18}, 240, &listener));
    menu->addSubmenu("Basses", {"Finger", "Slap"});
    menu->addSubmenu("Empty", {});
    menu->addSubmenu("Strings", {"Cello", "Viola", "Violin"});
    menu->setTitle(" ");
    EXPECT_EQ(menu->shownText(), " ");

    struct Case {
        int entry;
        int subEntry;
        bool taken;
    };
    const Case cases[] = {{2, 1, true}, {0, 0, true}, {2, 3, false}, {1, 0, false}, {0, -1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.entry << "/" << c.subEntry);
        click(frame, 20, 15);
        EXPECT_EQ(popup.choose(c.entry, c.subEntry), c.taken);
    }
    // Every choice is reported, the same entry twice included.
    EXPECT_EQ(listener.values, (std::vector{2.0f, 0.0f}));
    EXPECT_EQ(menu->lastChoice(), (MenuChoice{0, 0}));
    EXPECT_EQ(menu->lastChoiceText(), "Finger");
    EXPECT_EQ(menu->submenu(2).size(), 3u);
    frame.setMenuPresenter(nullptr);
}

TEST(OptionMenu, PopUpClosesWhenItsMenuLeavesTheFrame)
{
    Frame frame(400, 300);
    HeadlessMenuPresenter popup;
    frame.setMenuPresenter(&popup);
    auto* page = frame.add(std::make_unique<Container>(Rect{0, 0, 400, 300}));
    auto* menu = page->add(std::make_unique<OptionMenu>(Rect{10, 10, 120, 18}, 75, nullptr));
    menu->addEntry("Off");
    frame.dispatch(mouse(EventKind::MouseDown, 20, 15));
    ASSERT_EQ(popup.activeMenu(), menu);

    std::unique_ptr<View> detached = frame.release(page);
    EXPECT_EQ(popup.activeMenu(), nullptr);
    EXPECT_FALSE(popup.choose(0));
    frame.setMenuPresenter(nullptr);
}
