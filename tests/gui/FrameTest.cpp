#include "support/ControlTestSupport.h"

#include "gui/Frame.h"
#include "gui/ImageSurfaceBackend.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace tessarine::gui;
using namespace tessarine::gui::test;

namespace {

// Takes the mouse on a press and records what reaches it afterwards.
class RecordingView : public View {
public:
    using View::View;
    bool onEvent(const InputEvent& event) override
    {
        kinds.push_back(event.kind);
        return true;
    }
    void draw(cairo_t* cr) override
    {
        cairo_set_source_rgb(cr, 1, 0, 0);
        cairo_rectangle(cr, bounds().x, bounds().y, bounds().width, bounds().height);
        cairo_fill(cr);
    }
    void onTimer(int) override { ++ticks; }
    std::vector<EventKind> kinds;
    int ticks = 0;
};

} // namespace

TEST(Frame, ReleasedViewLosesMouseAndTimers)
{
    Frame frame(100, 100);
    auto* page = frame.add(std::make_unique<Container>(Rect{0, 0, 100, 100}));
    auto* view = page->add(std::make_unique<RecordingView>(Rect{0, 0, 10, 10}));
    frame.dispatch(mouse(EventKind::MouseDown, 5, 5));
    int timer = frame.startTimer(view, 167, 0);

    frame.runTimers(166);
    EXPECT_EQ(view->ticks, 0);
    frame.runTimers(1000); // a late idle fires once, not five times
    EXPECT_EQ(view->ticks, 1);

    std::unique_ptr<View> detached = frame.release(page);
    EXPECT_EQ(frame.mouseOwner(), nullptr);
    frame.runTimers(5000);
    EXPECT_EQ(view->ticks, 1);
    frame.stopTimer(timer); // stopping a forgotten timer is harmless
}

TEST(Frame, PaintsOnlyTheDirtyAreaOverTheBackground)
{
    Frame frame(40, 20);
    frame.setBackgroundPainter([](cairo_t* cr) {
        cairo_set_source_rgb(cr, 0, 0, 1);
        cairo_paint(cr);
    });
    auto* view = frame.add(std::make_unique<RecordingView>(Rect{0, 0, 10, 10}));
    ImageSurfaceBackend image(frame);
    ASSERT_TRUE(image.isValid());
    image.paintDirty();
    EXPECT_EQ(image.pixel(5, 5), 0xffff0000u);
    EXPECT_EQ(image.pixel(30, 15), 0xff0000ffu);
    EXPECT_FALSE(frame.hasDirtyArea());

    view->setBounds(Rect{20, 0, 10, 10});
    EXPECT_EQ(frame.takeDirtyArea(), (Rect{0, 0, 30, 10}));

    std::vector<std::uint8_t> rgba(40 * 20 * 4);
    image.paintAll();
    ASSERT_TRUE(image.copyRgba(rgba.data(), rgba.size()));
    EXPECT_EQ(rgba[(5 * 40 + 25) * 4 + 0], 255); // red, straight RGBA order
    EXPECT_FALSE(image.copyRgba(rgba.data(), rgba.size() - 1));
}
