#include "app/EditorWindow.h"

#include <cstdint>
#include <ctime>

namespace tessarine::app {

namespace {

// Larger than any screen: an editor size beyond it is a broken answer.
constexpr int kMaxSide = 8192;

} // namespace

std::unique_ptr<EditorWindow> EditorWindow::open(InstrumentCore& core, std::string& error)
{
    const EditorSize size = core.editorSize();
    if (!core.hasEditor() || size.width <= 0 || size.height <= 0 || size.width > kMaxSide
        || size.height > kMaxSide) {
        error = "the instrument has no editor to show";
        return nullptr;
    }
    std::unique_ptr<EditorWindow> self(new EditorWindow(core));
    if (!self->window_.open(size.width, size.height, "Tessarine")) {
        error = "cannot open the X display";
        return nullptr;
    }
    if (!core.openEditor(reinterpret_cast<void*>(static_cast<std::uintptr_t>(self->window_.windowId())))) {
        error = "the editor could not open";
        return nullptr;
    }
    self->editorOpen_ = true;
    self->width_ = size.width;
    self->height_ = size.height;
    // File managers that look only at top-level windows reach the editor's drops too.
    self->window_.proxyDropsTo();
    return self;
}

EditorWindow::~EditorWindow()
{
    if (editorOpen_) {
        core_.closeEditor();
    }
}

// The editor's own window has a display connection of its own, which its
// idle serves; the top-level window only ever hears that it should close.
bool EditorWindow::idle(int timeoutMs)
{
    const timespec pause{timeoutMs / 1000, static_cast<long>(timeoutMs % 1000) * 1'000'000L};
    nanosleep(&pause, nullptr);
    if (!window_.pump()) {
        return false;
    }
    core_.idleEditor();
    // A size picked in the editor: the window fits it.
    const EditorSize size = core_.editorSize();
    if ((size.width != width_ || size.height != height_) && size.width > 0 && size.height > 0
        && size.width <= kMaxSide && size.height <= kMaxSide) {
        width_ = size.width;
        height_ = size.height;
        window_.resize(width_, height_);
    }
    return true;
}

} // namespace tessarine::app
