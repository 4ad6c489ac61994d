#pragma once
// The dialogs of our own toolkit, for desktops without zenity or kdialog: a
// small window of its own with a text line for the path, and a message box.
// Each runs its own event loop until the user answers, as a desktop dialog does.

#include "editor/dialogs/FileDialogs.h"

#include <functional>

namespace tessarine {

class DialogPanel;

class ToolkitDialogs final : public FileDialogs {
public:
    bool openFile(const char* extension, std::string& path) override;
    bool saveFile(const char* extension, std::string& path) override;
    void messageBox(const char* text, const char* caption) override;
    std::unique_ptr<AnalysisProgress> openAnalysisProgress() override;

    // Asks until the user answers; false when there is no display or the user cancels.
    static bool run(DialogPanel& panel, const char* title, const std::function<bool(DialogPanel&)>& accepts);
};

} // namespace tessarine
