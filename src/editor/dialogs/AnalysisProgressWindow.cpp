#include "editor/dialogs/AnalysisProgressWindow.h"

#include "gui/DeviceScale.h"
#include "gui/Theme.h"

#include <algorithm>

namespace tessarine {

namespace {

constexpr const char* kTitle = "Analysing Audio";
constexpr const char* kMessage = "Analysis in progress...";

} // namespace

AnalysisProgressWindow::AnalysisProgressWindow() : frame_(kWidth, kHeight), content_(frame_)
{
    frame_.setBackgroundPainter([this](cairo_t* cr) { draw(cr, position_, stage_); });
}

AnalysisProgressWindow::~AnalysisProgressWindow()
{
    content_.close();
    top_.close();
}

std::unique_ptr<AnalysisProgressWindow> AnalysisProgressWindow::open(double scale)
{
    std::unique_ptr<AnalysisProgressWindow> window(new AnalysisProgressWindow);
    window->frame_.setScale(scale);
    const double s = window->frame_.scale();
    if (!window->top_.open(gui::deviceLength(kWidth, s), gui::deviceLength(kHeight, s), kTitle)
        || !window->content_.open(window->top_.windowId())) {
        return nullptr;
    }
    // Painted before the analysis takes the thread.
    window->content_.idle();
    return window;
}

int AnalysisProgressWindow::barPosition(double percent)
{
    if (!(percent >= kFirstPosition)) {
        return kFirstPosition;
    }
    if (percent >= kLastPosition) {
        return kLastPosition;
    }
    return static_cast<int>(percent);
}

void AnalysisProgressWindow::setProgress(double percent)
{
    int position = barPosition(percent);
    if (position != position_) {
        position_ = position;
        frame_.invalidateRect({0, kHeight - kBarHeight, kWidth, kBarHeight});
    }
    serve();
}

void AnalysisProgressWindow::setStage(const std::string& stage)
{
    if (stage != stage_) {
        stage_ = stage;
        frame_.invalidateRect({0, 0, kWidth, kHeight - kBarHeight});
    }
    serve();
}

void AnalysisProgressWindow::serve()
{
    // A close request waits: the analysis cannot stop halfway.
    top_.pump();
    // Exposures and the new bar are painted here; clicks and keys go nowhere.
    content_.idle();
}

void AnalysisProgressWindow::draw(cairo_t* cr, int position, const std::string& stage)
{
    using namespace gui;
    setColour(cr, palette::kPanel);
    cairo_paint(cr);
    drawText(cr, kMessage, Rect{10, 10, kWidth - 20, 16}, textsize::kLabel, Align::Left, palette::kText);
    // The file on one line, what is being done to it on the next.
    const std::size_t newline = std::min(stage.find('\n'), stage.size());
    drawText(cr, std::string_view(stage).substr(0, newline), Rect{10, 32, kWidth - 20, 16}, textsize::kLabel,
             Align::Left, palette::kText);
    if (newline < stage.size()) {
        drawText(cr, std::string_view(stage).substr(newline + 1), Rect{10, 52, kWidth - 20, 16}, textsize::kLabel,
                 Align::Left, palette::kTextDim);
    }

    // The bar spans the width along the bottom edge; its range is 0 … 100.
    const double top = kHeight - kBarHeight;
    setColour(cr, palette::kWell);
    cairo_rectangle(cr, 0, top, kWidth, kBarHeight);
    cairo_fill(cr);
    setColour(cr, palette::kAccent);
    cairo_rectangle(cr, 1, top + 1, (kWidth - 2) * position / 100.0, kBarHeight - 2);
    cairo_fill(cr);
}

} // namespace tessarine
