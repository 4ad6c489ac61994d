#include "editor/DialogPanel.h"

#include <functional>

namespace tessarine {

namespace {

constexpr double kFontSize = 12;
constexpr const char* kFontFace = "sans-serif";

void setFont(cairo_t* cr)
{
    cairo_select_font_face(cr, kFontFace, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, kFontSize);
}

double textWidth(cairo_t* cr, const std::string& text)
{
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    return extents.x_advance;
}

// Text left-aligned and vertically centred in the rectangle.
void drawText(cairo_t* cr, const gui::Rect& r, const std::string& text)
{
    setFont(cr);
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    cairo_move_to(cr, r.x, r.y + (r.height + font.ascent - font.descent) / 2);
    cairo_show_text(cr, text.c_str());
}

class Button final : public gui::View {
public:
    Button(gui::Rect bounds, std::string label, std::function<void()> action)
        : View(bounds), label_(std::move(label)), action_(std::move(action))
    {
    }

    void draw(cairo_t* cr) override
    {
        const gui::Rect& r = bounds();
        cairo_set_source_rgb(cr, pressed_ ? 0.70 : 0.86, pressed_ ? 0.72 : 0.87, pressed_ ? 0.70 : 0.85);
        cairo_rectangle(cr, r.x + 0.5, r.y + 0.5, r.width - 1, r.height - 1);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.35, 0.35, 0.33);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        setFont(cr);
        double w = textWidth(cr, label_);
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
        drawText(cr, {r.x + static_cast<int>((r.width - w) / 2), r.y, r.width, r.height}, label_);
    }

    bool onEvent(const gui::InputEvent& event) override
    {
        switch (event.kind) {
        case gui::EventKind::MouseDown:
            if (event.button != gui::MouseButton::Left) {
                return false;
            }
            pressed_ = true;
            invalidate();
            return true;
        case gui::EventKind::MouseUp:
            pressed_ = false;
            invalidate();
            // Released elsewhere: the user changed their mind.
            if (bounds().contains(event.position)) {
                action_();
            }
            return true;
        default:
            return false;
        }
    }

private:
    std::string label_;
    std::function<void()> action_;
    bool pressed_ = false;
};

// Keys for the whole dialog when no text line has them.
class KeyTarget final : public gui::View {
public:
    KeyTarget(std::function<void()> accept, std::function<void()> cancel)
        : View({0, 0, 0, 0}), accept_(std::move(accept)), cancel_(std::move(cancel))
    {
    }
    bool onEvent(const gui::InputEvent& event) override
    {
        if (event.kind != gui::EventKind::KeyDown) {
            return false;
        }
        if (event.key == gui::kKeyReturn) {
            accept_();
            return true;
        }
        if (event.key == gui::kKeyEscape) {
            cancel_();
            return true;
        }
        return false;
    }

private:
    std::function<void()> accept_;
    std::function<void()> cancel_;
};

} // namespace

class DialogLabel final : public gui::View {
public:
    DialogLabel(gui::Rect bounds, std::string text) : View(bounds), text_(std::move(text)) {}
    void setText(const std::string& text)
    {
        text_ = text;
        invalidate();
    }
    void draw(cairo_t* cr) override
    {
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
        // One line per line of the text; a trailing newline adds nothing.
        gui::Rect line{bounds().x, bounds().y, bounds().width, 18};
        std::size_t start = 0;
        while (start < text_.size()) {
            std::size_t end = text_.find('\n', start);
            drawText(cr, line, text_.substr(start, end == std::string::npos ? std::string::npos : end - start));
            if (end == std::string::npos) {
                break;
            }
            start = end + 1;
            line.y += line.height;
        }
    }

private:
    std::string text_;
};

class DialogTextLine final : public gui::View {
public:
    DialogTextLine(gui::Rect bounds, std::function<void()> accept, std::function<void()> cancel)
        : View(bounds), accept_(std::move(accept)), cancel_(std::move(cancel))
    {
    }

    const std::string& text() const { return text_; }
    void setText(const std::string& text)
    {
        text_ = text;
        cursor_ = text_.size();
        invalidate();
    }

    void draw(cairo_t* cr) override
    {
        const gui::Rect& r = bounds();
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_rectangle(cr, r.x + 0.5, r.y + 0.5, r.width - 1, r.height - 1);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.35, 0.35, 0.33);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);

        cairo_save(cr);
        cairo_rectangle(cr, r.x + 2, r.y, r.width - 4, r.height);
        cairo_clip(cr);
        setFont(cr);
        // Long paths scroll so that the cursor stays in sight.
        double before = textWidth(cr, text_.substr(0, cursor_));
        double shift = std::max(0.0, before - (r.width - 12));
        double x = r.x + 4 - shift;
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
        drawText(cr, {static_cast<int>(x), r.y, r.width, r.height}, text_);
        cairo_rectangle(cr, static_cast<int>(x) + before, r.y + 4, 1, r.height - 8);
        cairo_fill(cr);
        cairo_restore(cr);
    }

    bool onEvent(const gui::InputEvent& event) override
    {
        if (event.kind == gui::EventKind::MouseDown) {
            cursor_ = text_.size();
            invalidate();
            return true;
        }
        if (event.kind == gui::EventKind::MouseUp) {
            return true;
        }
        if (event.kind != gui::EventKind::KeyDown) {
            return false;
        }
        switch (event.key) {
        case gui::kKeyReturn:
            accept_();
            return true;
        case gui::kKeyEscape:
            cancel_();
            return true;
        case gui::kKeyBackspace:
            if (cursor_ > 0) {
                text_.erase(--cursor_, 1);
            }
            break;
        case gui::kKeyDelete:
            if (cursor_ < text_.size()) {
                text_.erase(cursor_, 1);
            }
            break;
        case gui::kKeyLeft:
            cursor_ -= cursor_ > 0 ? 1 : 0;
            break;
        case gui::kKeyRight:
            cursor_ += cursor_ < text_.size() ? 1 : 0;
            break;
        case gui::kKeyHome:
            cursor_ = 0;
            break;
        case gui::kKeyEnd:
            cursor_ = text_.size();
            break;
        default:
            // Printable Latin-1 only; the byte goes into the path as typed.
            if (event.key < 0x20 || event.key > 0xff || event.key == 0x7f) {
                return false;
            }
            text_.insert(cursor_++, 1, static_cast<char>(event.key));
            break;
        }
        invalidate();
        return true;
    }

private:
    std::string text_;
    std::size_t cursor_ = 0;
    std::function<void()> accept_;
    std::function<void()> cancel_;
};

DialogPanel::DialogPanel() : frame_(std::make_unique<gui::Frame>(kWidth, kHeight))
{
    frame_->setBackgroundPainter([](cairo_t* cr) {
        cairo_set_source_rgb(cr, 0.94, 0.94, 0.93);
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
    auto accept = [this] { outcome_ = Outcome::Accepted; };
    auto cancel = [this] { outcome_ = Outcome::Cancelled; };
    frame_->add(std::make_unique<DialogLabel>(gui::Rect{12, 10, kWidth - 24, withTextLine ? 20 : 70}, prompt));
    constexpr int kButtonWidth = 80;
    constexpr int kButtonHeight = 26;
    constexpr int kButtonY = kHeight - kButtonHeight - 10;
    if (withTextLine) {
        textLine_ = frame_->add(std::make_unique<DialogTextLine>(gui::Rect{12, 32, kWidth - 24, 24}, accept, cancel));
        notice_ = frame_->add(std::make_unique<DialogLabel>(gui::Rect{12, 60, kWidth - 24, 18}, ""));
        frame_->add(std::make_unique<Button>(gui::Rect{kWidth - 2 * (kButtonWidth + 12), kButtonY, kButtonWidth,
                                                       kButtonHeight},
                                             "Cancel", cancel));
        frame_->setKeyFocus(textLine_);
    } else {
        frame_->setKeyFocus(frame_->add(std::make_unique<KeyTarget>(accept, cancel)));
    }
    frame_->add(std::make_unique<Button>(gui::Rect{kWidth - kButtonWidth - 12, kButtonY, kButtonWidth, kButtonHeight},
                                         "OK", accept));
}

void DialogPanel::handle(const gui::InputEvent& event) { frame_->dispatch(event); }

const std::string& DialogPanel::text() const
{
    static const std::string kNone;
    return textLine_ != nullptr ? textLine_->text() : kNone;
}

void DialogPanel::setText(const std::string& text)
{
    if (textLine_ != nullptr) {
        textLine_->setText(text);
    }
}

void DialogPanel::setNotice(const std::string& notice)
{
    if (notice_ != nullptr) {
        notice_->setText(notice);
    }
}

} // namespace tessarine
