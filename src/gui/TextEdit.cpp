#include "gui/TextEdit.h"

#include "gui/Frame.h"
#include "gui/Theme.h"

#include <algorithm>

namespace tessarine::gui {

namespace {

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xc0) == 0x80;
}

// Cuts to at most maxBytes without splitting a UTF-8 sequence.
std::string cutUtf8(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes) {
        return std::string(text);
    }
    std::size_t end = maxBytes;
    while (end > 0 && isContinuation(text[end])) {
        --end;
    }
    return std::string(text.substr(0, end));
}

} // namespace

TextEdit::TextEdit(Rect bounds, int tag, ControlListener* listener, std::size_t maxLength)
    : Control(bounds, tag, listener), maxLength_(maxLength)
{
}

void TextEdit::setText(std::string_view text)
{
    text_ = cutUtf8(text, maxLength_);
    textBeforeEdit_ = text_;
    caret_ = text_.size();
    invalidate();
}

void TextEdit::commit()
{
    if (text_ != textBeforeEdit_) {
        textBeforeEdit_ = text_;
        report();
    }
}

void TextEdit::insert(int codePoint)
{
    char bytes[4];
    std::size_t n = 0;
    auto c = static_cast<unsigned>(codePoint);
    if (c < 0x20 || c == 0x7f || c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff)) {
        return;
    }
    if (c < 0x80) {
        bytes[n++] = static_cast<char>(c);
    } else if (c < 0x800) {
        bytes[n++] = static_cast<char>(0xc0 | (c >> 6));
        bytes[n++] = static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        bytes[n++] = static_cast<char>(0xe0 | (c >> 12));
        bytes[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        bytes[n++] = static_cast<char>(0x80 | (c & 0x3f));
    } else {
        bytes[n++] = static_cast<char>(0xf0 | (c >> 18));
        bytes[n++] = static_cast<char>(0x80 | ((c >> 12) & 0x3f));
        bytes[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        bytes[n++] = static_cast<char>(0x80 | (c & 0x3f));
    }
    if (text_.size() + n > maxLength_) {
        return;
    }
    text_.insert(caret_, bytes, n);
    caret_ += n;
}

bool TextEdit::onEvent(const InputEvent& event)
{
    switch (event.kind) {
    case EventKind::MouseDown:
        if (event.button != MouseButton::Left) {
            return false;
        }
        if (Frame* f = frame()) {
            f->setKeyFocus(this);
        }
        return true;
    case EventKind::MouseMove:
    case EventKind::MouseUp:
        return true;
    case EventKind::KeyDown:
        if (!editing_) {
            return false;
        }
        if (wholeTextChosen_) {
            wholeTextChosen_ = false;
            const bool replaces = event.key == kKeyBackspace || event.key == kKeyDelete
                || (event.key >= 0x20 && event.key != kKeyDelete && event.key < kKeyLeft);
            if (replaces) {
                text_.clear();
                caret_ = 0;
                if (event.key == kKeyBackspace || event.key == kKeyDelete) {
                    invalidate();
                    return true;
                }
            }
        }
        switch (event.key) {
        case kKeyReturn:
            commit();
            if (Frame* f = frame()) {
                f->setKeyFocus(nullptr);
            }
            break;
        case kKeyEscape:
            text_ = textBeforeEdit_;
            caret_ = text_.size();
            if (Frame* f = frame()) {
                f->setKeyFocus(nullptr);
            }
            break;
        case kKeyBackspace:
            while (caret_ > 0) {
                --caret_;
                bool start = !isContinuation(text_[caret_]);
                text_.erase(caret_, 1);
                if (start) {
                    break;
                }
            }
            break;
        case kKeyDelete:
            if (caret_ < text_.size()) {
                std::size_t end = caret_ + 1;
                while (end < text_.size() && isContinuation(text_[end])) {
                    ++end;
                }
                text_.erase(caret_, end - caret_);
            }
            break;
        case kKeyLeft:
            if (caret_ > 0) {
                --caret_;
                while (caret_ > 0 && isContinuation(text_[caret_])) {
                    --caret_;
                }
            }
            break;
        case kKeyRight:
            if (caret_ < text_.size()) {
                ++caret_;
                while (caret_ < text_.size() && isContinuation(text_[caret_])) {
                    ++caret_;
                }
            }
            break;
        case kKeyHome:
            caret_ = 0;
            break;
        case kKeyEnd:
            caret_ = text_.size();
            break;
        default:
            insert(event.key);
            break;
        }
        invalidate();
        return true;
    case EventKind::KeyUp:
        return editing_;
    default:
        return false;
    }
}

void TextEdit::onFocusChanged(bool focused)
{
    if (focused) {
        editing_ = true;
        wholeTextChosen_ = chooseWholeText_ && !text_.empty();
        textBeforeEdit_ = text_;
        caret_ = text_.size();
    } else if (editing_) {
        editing_ = false;
        commit();
    }
    invalidate();
}

void TextEdit::draw(cairo_t* cr)
{
    const Rect& b = bounds();
    drawWell(cr, b);
    if (editing_) {
        cairo_save(cr);
        roundedRectangle(cr, b.x + 0.5, b.y + 0.5, b.width - 1, b.height - 1, 2);
        setColour(cr, palette::kAccent);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        cairo_restore(cr);
    }
    Rect inner{b.x + 4, b.y, b.width - 8, b.height};
    if (editing_ && wholeTextChosen_) {
        const double width = std::min<double>(textWidth(cr, text_, textsize::kLabel), inner.width);
        cairo_rectangle(cr, inner.x - 1, b.y + 2, width + 2, b.height - 4);
        setColour(cr, palette::kHighlight);
        cairo_fill(cr);
    }
    drawText(cr, text_, inner, textsize::kLabel, Align::Left, palette::kText);
    if (editing_) {
        double x = inner.x + textWidth(cr, std::string_view(text_).substr(0, caret_), textsize::kLabel);
        x = std::min<double>(x, inner.right());
        cairo_save(cr);
        cairo_move_to(cr, x + 0.5, b.y + 3);
        cairo_line_to(cr, x + 0.5, b.bottom() - 3);
        setColour(cr, palette::kAccent);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        cairo_restore(cr);
    }
}

} // namespace tessarine::gui
