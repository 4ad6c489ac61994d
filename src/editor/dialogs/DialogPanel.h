#pragma once
// The contents of the toolkit's own dialogs, as a view tree that runs with or
// without a window: a message with OK, or a prompt with a text line for a path
// and OK / Cancel. Return accepts, Escape cancels.

#include "gui/Control.h"
#include "gui/Frame.h"

#include <memory>
#include <string>

namespace tessarine {

class DialogPathLine;
class DialogLabel;

class DialogPanel final : public gui::ControlListener {
public:
    enum class Outcome { Pending, Accepted, Cancelled };

    static constexpr int kWidth = 460;
    static constexpr int kHeight = 130;
    // Control tags inside the dialog.
    static constexpr int kOkTag = 1;
    static constexpr int kCancelTag = 2;

    static std::unique_ptr<DialogPanel> pathEntry(const std::string& prompt);
    static std::unique_ptr<DialogPanel> message(const std::string& text);
    ~DialogPanel() override;

    gui::Frame& frame() { return *frame_; }

    // One event in frame coordinates.
    void handle(const gui::InputEvent& event) { frame_->dispatch(event); }
    void accept() { outcome_ = Outcome::Accepted; }
    void cancel() { outcome_ = Outcome::Cancelled; }

    Outcome outcome() const { return outcome_; }
    // Back to waiting, e.g. after a notice asked the user to confirm.
    void resume();

    // The text line's contents (empty for a message).
    std::string text() const;
    void setText(const std::string& text);
    // A line under the text, e.g. asking before a file is replaced.
    void setNotice(const std::string& notice);

    void valueChanged(gui::Control& control) override;

private:
    DialogPanel();
    void build(const std::string& prompt, bool withTextLine);

    std::unique_ptr<gui::Frame> frame_;
    DialogPathLine* pathLine_ = nullptr;
    DialogLabel* notice_ = nullptr;
    Outcome outcome_ = Outcome::Pending;
};

} // namespace tessarine
