#include "editor/FileDialogs.h"

namespace tessarine {

namespace {

// Until the desktop's dialogs are wired in, every dialog is cancelled: the
// editor's file actions then end with nothing changed.
class CancellingDialogs final : public FileDialogs {
public:
    bool openFile(const char*, std::string&) override { return false; }
    bool saveFile(const char*, std::string&) override { return false; }
    void messageBox(const char*, const char*) override {}
};

} // namespace

std::unique_ptr<FileDialogs> makeFileDialogs() { return std::make_unique<CancellingDialogs>(); }

} // namespace tessarine
