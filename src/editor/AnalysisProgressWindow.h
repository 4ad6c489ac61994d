#pragma once
// The small "Analysing Audio" window shown while a sound file is analysed. The
// analysis blocks the user-interface thread, so no event loop runs meanwhile:
// the window answers its own exposures each time the analysis reports progress.

#include "analysis/AnalysisProgress.h"
#include "editor/TopLevelWindow.h"

#include <memory>

namespace tessarine {

class AnalysisProgressWindow final : public AnalysisProgress {
public:
    static constexpr int kWidth = 300;
    static constexpr int kHeight = 100;
    // As high as a desktop's horizontal scroll bar.
    static constexpr int kBarHeight = 17;
    static constexpr int kFirstPosition = 5;
    static constexpr int kLastPosition = 95;

    // Shown at once at (100, 100); null without a display, and the analysis then
    // runs with no window. Destroying the object closes the window.
    static std::unique_ptr<AnalysisProgressWindow> open();

    // The bar shows the percentage held to 5 … 95 and truncated to a whole number,
    // so it never looks finished nor unstarted; anything not a number shows 5.
    static int barPosition(double percent);

    void setProgress(double percent) override;
    int position() const { return position_; }
    unsigned long windowId() const { return window_->windowId(); }

    // The whole window's picture, also used headless.
    static void draw(cairo_t* cr, int position);

private:
    explicit AnalysisProgressWindow(std::unique_ptr<TopLevelWindow> window);
    void repaint();

    std::unique_ptr<TopLevelWindow> window_;
    int position_ = kFirstPosition;
};

} // namespace tessarine
