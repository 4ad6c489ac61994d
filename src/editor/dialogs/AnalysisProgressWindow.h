#pragma once
// The small "Analysing Audio" window shown while a sound file is analysed. The
// analysis blocks the user-interface thread, so no event loop runs meanwhile:
// the window answers its own exposures each time the analysis reports progress.

#include "analysis/AnalysisProgress.h"
#include "gui/Frame.h"
#include "gui/TopLevelWindow.h"
#include "gui/X11Window.h"

#include <memory>
#include <string>

namespace tessarine {

class AnalysisProgressWindow final : public AnalysisProgress {
public:
    static constexpr int kWidth = 300;
    static constexpr int kHeight = 100;
    // As high as a desktop's horizontal scroll bar.
    static constexpr int kBarHeight = 17;
    static constexpr int kFirstPosition = 5;
    static constexpr int kLastPosition = 95;

    // Shown at once at the editor's scale; null without a display, and the
    // analysis then runs with no window. Destroying the object closes the window.
    static std::unique_ptr<AnalysisProgressWindow> open(double scale = 1.0);
    ~AnalysisProgressWindow() override;

    // The bar shows the percentage held to 5 … 95 and truncated to a whole number,
    // so it never looks finished nor unstarted; anything not a number shows 5.
    static int barPosition(double percent);

    void setProgress(double percent) override;
    // Under the message: the file being analysed, then (after a newline) its stage.
    void setStage(const std::string& stage) override;
    int position() const { return position_; }
    // The window the user sees (the top-level one) and the one drawn into.
    unsigned long windowId() const { return top_.windowId(); }
    unsigned long contentWindowId() const { return content_.windowId(); }

    // The whole window's picture, also used headless.
    static void draw(cairo_t* cr, int position, const std::string& stage = {});

private:
    AnalysisProgressWindow();
    void serve();

    gui::Frame frame_;
    gui::TopLevelWindow top_;
    gui::X11Window content_;
    int position_ = kFirstPosition;
    std::string stage_;
};

} // namespace tessarine
