#include "editor/dialogs/DialogPanel.h"

#include "editor/dialogs/DialogLabel.h"

#include "gui/KickButton.h"
#include "gui/TextEdit.h"
#include "gui/Theme.h"

#include <climits>

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

// The toolkit's text line, where Return also answers the dialog and Escape cancels it.
class DialogPathLine final : public gui::TextEdit {
public:
    DialogPathLine(gui::Rect bounds, DialogPanel& panel) : TextEdit(bounds, 0, nullptr, PATH_MAX - 1), panel_(panel) {}
    bool onEvent(const gui::InputEvent& event) override
    {
        if (event.kind == gui::EventKind::KeyDown && event.key == gui::kKeyEscape) {
            panel_.cancel();
            return true;
        }
        bool taken = TextEdit::onEvent(event);
        if (event.kind == gui::EventKind::KeyDown && event.key == gui::kKeyReturn) {
            panel_.accept();
        }
        return taken;
    }

private:
    DialogPanel& panel_;
};

DialogPanel::DialogPanel() : frame_(std::make_unique<gui::Frame>(kWidth, kHeight))
{
    frame_->setBackgroundPainter([](cairo_t* cr) {
        gui::setColour(cr, gui::palette::kPanel);
        cairo_paint(cr);
    });
}

DialogPanel::~DialogPanel() = default;

std::unique_ptr<DialogPanel> DialogPanel::pathEntry(const std::string& prompt)
{
    std::unique_ptr<DialogPanel> panel(new DialogPanel);
    panel->build(prompt, true);
    return panel;
}

std::unique_ptr<DialogPanel> DialogPanel::message(const std::string& text)
{
    std::unique_ptr<DialogPanel> panel(new DialogPanel);
    panel->build(text, false);
    return panel;
}

void DialogPanel::build(const std::string& prompt, bool withTextLine)
{
    constexpr int kMargin = 12;
    constexpr int kButtonWidth = 80;
    constexpr int kButtonHeight = 24;
    constexpr int kButtonY = kHeight - kButtonHeight - 10;
    const int labelHeight = withTextLine ? DialogLabel::kLineHeight : kButtonY - 2 * kMargin;
    frame_->add(std::make_unique<DialogLabel>(gui::Rect{kMargin, 10, kWidth - 2 * kMargin, labelHeight}, prompt));
    if (withTextLine) {
        pathLine_ = frame_->add(std::make_unique<DialogPathLine>(gui::Rect{kMargin, 32, kWidth - 2 * kMargin, 22}, *this));
        notice_ = frame_->add(
            std::make_unique<DialogLabel>(gui::Rect{kMargin, 58, kWidth - 2 * kMargin, DialogLabel::kLineHeight}, ""));
        frame_->add(std::make_unique<gui::KickButton>(
            gui::Rect{kWidth - 2 * (kButtonWidth + kMargin), kButtonY, kButtonWidth, kButtonHeight}, kCancelTag, this,
            "Cancel"));
        frame_->setKeyFocus(pathLine_);
    } else {
        frame_->setKeyFocus(frame_->add(std::make_unique<MessageKeys>(*this)));
    }
    frame_->add(std::make_unique<gui::KickButton>(
        gui::Rect{kWidth - kButtonWidth - kMargin, kButtonY, kButtonWidth, kButtonHeight}, kOkTag, this, "OK"));
}

// The buttons answer on release, as every kick button of the editor acts.
void DialogPanel::valueChanged(gui::Control& control)
{
    if (control.value() != 0.0f) {
        return;
    }
    if (control.tag() == kOkTag) {
        accept();
    } else if (control.tag() == kCancelTag) {
        cancel();
    }
}

void DialogPanel::resume()
{
    outcome_ = Outcome::Pending;
    // Return ended the edit; the user goes on typing where they were.
    if (pathLine_ != nullptr) {
        frame_->setKeyFocus(pathLine_);
    }
}

std::string DialogPanel::text() const { return pathLine_ != nullptr ? pathLine_->text() : std::string(); }

void DialogPanel::setText(const std::string& text)
{
    if (pathLine_ != nullptr) {
        pathLine_->setText(text);
    }
}

void DialogPanel::setNotice(const std::string& notice)
{
    if (notice_ != nullptr) {
        notice_->setText(notice);
    }
}

} // namespace tessarine
