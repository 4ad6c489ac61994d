#pragma once
// The toolkit's message box, as a view tree that runs with or without a
// window: a message with OK (or a question with its own accept button and
// Cancel). Return or the accept button accepts, Escape or Cancel cancels. (Files are
// chosen in FileBrowserPanel.)

#include "gui/Control.h"
#include "gui/Frame.h"

#include <memory>
#include <string>

namespace tessarine {

class DialogPanel final : public gui::ControlListener {
public:
    enum class Outcome { Pending, Accepted, Cancelled };

    static constexpr int kWidth = 460;
    static constexpr int kHeight = 130;
    // The control tag of the OK button.
    static constexpr int kOkTag = 1;
    static constexpr int kCancelTag = 2;

    static std::unique_ptr<DialogPanel> message(const std::string& text);
    static std::unique_ptr<DialogPanel> question(const std::string& text, const std::string& accept);
    ~DialogPanel() override;

    gui::Frame& frame() { return *frame_; }

    // One event in frame coordinates.
    void handle(const gui::InputEvent& event) { frame_->dispatch(event); }
    void accept() { outcome_ = Outcome::Accepted; }
    void cancel() { outcome_ = Outcome::Cancelled; }

    Outcome outcome() const { return outcome_; }

    void valueChanged(gui::Control& control) override;

private:
    DialogPanel();
    std::unique_ptr<gui::Frame> frame_;
    Outcome outcome_ = Outcome::Pending;
};

} // namespace tessarine
