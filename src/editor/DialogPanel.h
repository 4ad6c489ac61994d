#pragma once
// The contents of the toolkit's own dialogs, as a view tree that runs with or
// without a window: a message with OK, or a prompt with a text line for a path
// and OK / Cancel. Return accepts, Escape cancels.

#include "gui/Frame.h"

#include <memory>
#include <string>

namespace tessarine {

class DialogTextLine;
class DialogLabel;

class DialogPanel {
public:
    enum class Outcome { Pending, Accepted, Cancelled };

    static constexpr int kWidth = 460;
    static constexpr int kHeight = 130;

    static std::unique_ptr<DialogPanel> pathEntry(const std::string& prompt);
    static std::unique_ptr<DialogPanel> message(const std::string& text);
    ~DialogPanel();

    gui::Frame& frame() { return *frame_; }

    // One event in frame coordinates.
    void handle(const gui::InputEvent& event);
    void cancel() { outcome_ = Outcome::Cancelled; }

    Outcome outcome() const { return outcome_; }
    // Back to waiting, e.g. after a notice asked the user to confirm.
    void resume() { outcome_ = Outcome::Pending; }

    // The text line's contents (empty for a message).
    const std::string& text() const;
    void setText(const std::string& text);
    // A line under the text, e.g. asking before a file is replaced.
    void setNotice(const std::string& notice);

private:
    DialogPanel();
    void build(const std::string& prompt, bool withTextLine);

    std::unique_ptr<gui::Frame> frame_;
    DialogTextLine* textLine_ = nullptr;
    DialogLabel* notice_ = nullptr;
    Outcome outcome_ = Outcome::Pending;
};

} // namespace tessarine
