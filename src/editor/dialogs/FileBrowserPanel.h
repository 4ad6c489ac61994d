#pragma once
// The toolkit's file browser as a view tree that runs with or without a
// window: places on the left (the parent folder, home, the library, recent
// folders), a path line, the folder's list and, when saving, a name field.
//
// The path line navigates when it holds a path ("~", "~/x", "/x", "sub/x",
// always relative to the folder shown) and filters the list as you type when
// it holds a plain text. Up and Down move in the list, Return opens a folder
// or chooses a file, Backspace on an empty path line goes up, Escape cancels
// (or, while a save asks before replacing a file, keeps the file). Problems
// (an unreadable folder, no such file) are shown in a line under the list.

#include "editor/dialogs/FolderListing.h"
#include "gui/Control.h"
#include "gui/Frame.h"

#include <memory>
#include <string>
#include <vector>

namespace tessarine {

namespace gui {
class FileList;
class KickButton;
} // namespace gui

class BrowserLine;
class DialogLabel;

class FileBrowserPanel final : public gui::ControlListener {
public:
    enum class Mode { Open, OpenMany, Save };
    enum class Outcome { Pending, Accepted, Cancelled };

    struct Places {
        std::string home;
        std::string library; // empty: no library button
        std::vector<std::string> recent;
    };

    static constexpr int kWidth = 660;
    static constexpr int kHeight = 430;
    static constexpr int kOkTag = 1;
    static constexpr int kCancelTag = 2;
    static constexpr int kParentTag = 3;
    static constexpr int kHomeTag = 4;
    static constexpr int kLibraryTag = 5;
    static constexpr int kFirstRecentTag = 10;
    // Where the list lies, for tests that click into it.
    static constexpr gui::Rect kListArea{154, 62, 494, 272};

    // extension as FileDialogs takes it; the start folder is shown, or home when it cannot be read.
    FileBrowserPanel(Mode mode, const char* extension, Places places, const std::string& startFolder);
    ~FileBrowserPanel() override;

    gui::Frame& frame() { return *frame_; }
    void handle(const gui::InputEvent& event) { frame_->dispatch(event); }

    Outcome outcome() const { return outcome_; }
    void cancel() { outcome_ = Outcome::Cancelled; }
    // Absolute paths, once accepted: one, or several in OpenMany mode.
    const std::vector<std::string>& chosen() const { return chosen_; }

    const std::string& folder() const { return folder_; }
    // False, with the reason shown and the folder kept, when it cannot be read.
    bool showFolder(const std::string& folder);

    // The names listed now, in order.
    std::vector<std::string> listedNames() const;
    const gui::FileList& list() const { return *list_; }
    const std::string& notice() const;
    const std::string& pathText() const;
    const std::string& nameText() const;

    void valueChanged(gui::Control& control) override;

private:
    friend class BrowserLine;

    void build();
    // What the text lines pass on before editing: true when the key was taken.
    bool lineKey(const gui::InputEvent& event, BrowserLine& line);
    void lineEdited(BrowserLine& line);

    void refilter();
    void setNotice(const std::string& text);
    void enterFromPath();
    void goTo(const std::string& path);
    void activateRow(int row);
    void activateSelection();
    void acceptSelectedFiles();
    void trySave();
    void setConfirming(const std::string& target);
    void accept(std::vector<std::string> paths);
    void refocus();
    void selectionChanged();

    Mode mode_;
    std::string extension_;
    Places places_;
    std::unique_ptr<gui::Frame> frame_;
    std::string folder_;
    std::vector<FolderEntry> entries_;
    std::vector<std::size_t> shown_;
    std::string filter_;
    bool truncated_ = false;
    std::string confirming_;

    DialogLabel* folderLabel_ = nullptr;
    DialogLabel* notice_ = nullptr;
    BrowserLine* pathLine_ = nullptr;
    BrowserLine* nameLine_ = nullptr;
    BrowserLine* typing_ = nullptr;
    gui::FileList* list_ = nullptr;
    gui::KickButton* ok_ = nullptr;

    Outcome outcome_ = Outcome::Pending;
    std::vector<std::string> chosen_;
};

} // namespace tessarine
