#include "editor/dialogs/DialogPanel.h"

#include "editor/dialogs/DialogLabel.h"

#include "gui/KickButton.h"
#include "gui/Theme.h"

namespace tessarine {

namespace {

// Keys for a message box, which has no text line to take them.
class MessageKeys final : public gui::View {
public:
    explicit MessageKeys(DialogPanel& panel) : View({0, 0, 0, 0}), panel_(panel) {}
    bool onEvent(const gui::InputEvent& event) override
    {
        if (event.kind != gui::EventKind::KeyDown) {
            return false;
        }
        if (event.key == gui::kKeyReturn) {
            panel_.accept();
        } else if (event.key == gui::kKeyEscape) {
            panel_.cancel();
        }
        return true;
    }

private:
    DialogPanel& panel_;
};

} // namespace

DialogPanel::DialogPanel() : frame_(std::make_unique<gui::Frame>(kWidth, kHeight))
{
    frame_->setBackgroundPainter([](cairo_t* cr) {
        gui::setColour(cr, gui::palette::kPanel);
        cairo_paint(cr);
    });
}

DialogPanel::~DialogPanel() = default;

std::unique_ptr<DialogPanel> DialogPanel::question(const std::string& text, const std::string& accept)
{
    std::unique_ptr<DialogPanel> panel = message(text);
    auto& ok = static_cast<gui::KickButton&>(*panel->frame_->children().back());
    ok.setCaption(accept);
    const gui::Rect place = ok.bounds();
    panel->frame_->add(std::make_unique<gui::KickButton>(
        gui::Rect{place.x - place.width - 10, place.y, place.width, place.height}, kCancelTag, panel.get(), "Cancel"));
    return panel;
}

std::unique_ptr<DialogPanel> DialogPanel::message(const std::string& text)
{
    constexpr int kMargin = 12;
    constexpr int kButtonWidth = 80;
    constexpr int kButtonHeight = 24;
    constexpr int kButtonY = kHeight - kButtonHeight - 10;
    std::unique_ptr<DialogPanel> panel(new DialogPanel);
    gui::Frame& frame = *panel->frame_;
    frame.add(std::make_unique<DialogLabel>(gui::Rect{kMargin, 10, kWidth - 2 * kMargin, kButtonY - 2 * kMargin}, text));
    frame.setKeyFocus(frame.add(std::make_unique<MessageKeys>(*panel)));
    frame.add(std::make_unique<gui::KickButton>(
        gui::Rect{kWidth - kButtonWidth - kMargin, kButtonY, kButtonWidth, kButtonHeight}, kOkTag, panel.get(), "OK"));
    return panel;
}

// The button answers on release, as every kick button of the editor acts.
void DialogPanel::valueChanged(gui::Control& control)
{
    if (control.value() == 0.0f && control.tag() == kOkTag) {
        accept();
    } else if (control.value() == 0.0f && control.tag() == kCancelTag) {
        cancel();
    }
}

} // namespace tessarine
