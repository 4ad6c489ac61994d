#include "editor/EditorWindow.h"

namespace tessarine {

std::unique_ptr<EditorWindow> EditorWindow::create(gui::Frame&, void*) { return nullptr; }

} // namespace tessarine
