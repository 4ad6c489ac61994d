#include "editor/EditorWindow.h"

#include "gui/X11Window.h"

namespace tessarine {

namespace {

class X11EditorWindow final : public EditorWindow {
public:
    explicit X11EditorWindow(gui::Frame& frame) : window_(frame) {}
    bool open(void* parentWindow) { return window_.open(reinterpret_cast<unsigned long>(parentWindow)); }
    void idle() override { window_.idle(); }
    void repaintExposed() override { window_.repaintExposed(); }

private:
    gui::X11Window window_;
};

} // namespace

std::unique_ptr<EditorWindow> EditorWindow::create(gui::Frame& frame, void* parentWindow)
{
    auto window = std::make_unique<X11EditorWindow>(frame);
    if (!window->open(parentWindow)) {
        return nullptr;
    }
    return window;
}

} // namespace tessarine
