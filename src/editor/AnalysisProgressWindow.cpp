#include "editor/AnalysisProgressWindow.h"

namespace tessarine {

namespace {

constexpr const char* kTitle = "Analysing Audio";
constexpr const char* kMessage = "Analysis in progress...";
constexpr int kScreenX = 100;
constexpr int kScreenY = 100;
// Long enough for a window manager to map a small window; the analysis waits no longer.
constexpr int kShowTimeoutMs = 200;

} // namespace

std::unique_ptr<AnalysisProgressWindow> AnalysisProgressWindow::open()
{
    auto window = TopLevelWindow::create(kTitle, kWidth, kHeight, kScreenX, kScreenY);
    if (!window) {
        return nullptr;
    }
    window->show(kShowTimeoutMs);
    std::unique_ptr<AnalysisProgressWindow> progress(new AnalysisProgressWindow(std::move(window)));
    progress->repaint();
    return progress;
}

AnalysisProgressWindow::AnalysisProgressWindow(std::unique_ptr<TopLevelWindow> window) : window_(std::move(window))
{
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
    bool exposed = false;
    WindowEvent event;
    // Everything else (clicks, keys, a close request) waits: the analysis cannot stop halfway.
    while (window_->poll(event)) {
        exposed = exposed || event.kind == WindowEvent::Kind::Exposed;
    }
    if (exposed || position != position_) {
        position_ = position;
        repaint();
    }
}

void AnalysisProgressWindow::repaint()
{
    int position = position_;
    window_->paint([position](cairo_t* cr) { draw(cr, position); });
}

void AnalysisProgressWindow::draw(cairo_t* cr, int position)
{
    cairo_set_source_rgb(cr, 0.94, 0.94, 0.93);
    cairo_paint(cr);

    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 12);
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    cairo_move_to(cr, 10, 10 + font.ascent);
    cairo_show_text(cr, kMessage);

    // The bar spans the width along the bottom edge; its range is 0 … 100.
    const double top = kHeight - kBarHeight;
    cairo_set_source_rgb(cr, 0.82, 0.82, 0.80);
    cairo_rectangle(cr, 0, top, kWidth, kBarHeight);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.20, 0.55, 0.35);
    cairo_rectangle(cr, 1, top + 1, (kWidth - 2) * position / 100.0, kBarHeight - 2);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.45, 0.45, 0.43);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, 0.5, top + 0.5, kWidth - 1, kBarHeight - 1);
    cairo_stroke(cr);
}

} // namespace tessarine
