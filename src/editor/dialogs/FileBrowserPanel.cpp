#include "editor/dialogs/FileBrowserPanel.h"

#include "editor/dialogs/DialogLabel.h"
#include "editor/dialogs/FileDialogKinds.h"
#include "editor/dialogs/TypedPath.h"
#include "gui/FileList.h"
#include "gui/KickButton.h"
#include "gui/TextEdit.h"
#include "gui/Theme.h"

#include <climits>
#include <cstdio>
#include <ctime>
#include <functional>
#include <sys/stat.h>

namespace tessarine {

namespace {

constexpr int kMargin = 12;
constexpr int kPlacesWidth = 130;
constexpr int kLineHeight = 22;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 24;
constexpr int kPlaceStep = 26;

std::string sizeText(std::uint64_t bytes)
{
    char text[32];
    if (bytes < 1024) {
        std::snprintf(text, sizeof(text), "%llu B", static_cast<unsigned long long>(bytes));
    } else if (bytes < 1024ull * 1024) {
        std::snprintf(text, sizeof(text), "%.1f KB", static_cast<double>(bytes) / 1024);
    } else if (bytes < 1024ull * 1024 * 1024) {
        std::snprintf(text, sizeof(text), "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024));
    } else {
        std::snprintf(text, sizeof(text), "%.1f GB", static_cast<double>(bytes) / (1024.0 * 1024 * 1024));
    }
    return text;
}

std::string timeText(std::int64_t seconds)
{
    const std::time_t when = static_cast<std::time_t>(seconds);
    std::tm local{};
    char text[32] = {};
    if (localtime_r(&when, &local) == nullptr || std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M", &local) == 0) {
        return {};
    }
    return text;
}

std::string lastPart(const std::string& folder)
{
    const std::size_t slash = folder.rfind('/');
    return slash == std::string::npos || slash + 1 == folder.size() ? folder : folder.substr(slash + 1);
}

enum class Kind { Missing, Folder, File, Other };

Kind kindOf(const std::string& path)
{
    struct stat info{};
    if (stat(path.c_str(), &info) != 0) {
        return Kind::Missing;
    }
    return S_ISDIR(info.st_mode) ? Kind::Folder : S_ISREG(info.st_mode) ? Kind::File : Kind::Other;
}

} // namespace

// A text line of the browser: keys that steer the browser go to the panel
// first, the rest edit the text, and every edit is passed on as it happens
// (the list filters while the user types, not only when they finish).
class BrowserLine final : public gui::TextEdit {
public:
    BrowserLine(gui::Rect bounds, FileBrowserPanel& panel) : TextEdit(bounds, 0, nullptr, PATH_MAX - 1), panel_(panel)
    {
    }
    bool onEvent(const gui::InputEvent& event) override
    {
        if (event.kind == gui::EventKind::KeyDown && isEditing() && panel_.lineKey(event, *this)) {
            return true;
        }
        const std::string before = text();
        const bool taken = TextEdit::onEvent(event);
        if (text() != before) {
            panel_.lineEdited(*this);
        }
        return taken;
    }
    void onFocusChanged(bool focused) override
    {
        TextEdit::onFocusChanged(focused);
        if (focused) {
            panel_.typing_ = this;
        }
    }

private:
    FileBrowserPanel& panel_;
};

// Under every other view: a click on the bare panel (which would leave no
// view with the key focus) hands the keys back to the line the user types in.
class BrowserBackdrop final : public gui::View {
public:
    BrowserBackdrop(gui::Rect bounds, std::function<void()> clicked) : View(bounds), clicked_(std::move(clicked)) {}
    bool onEvent(const gui::InputEvent& event) override
    {
        if (event.kind == gui::EventKind::MouseDown) {
            clicked_();
        }
        return event.kind == gui::EventKind::MouseDown || event.kind == gui::EventKind::MouseUp;
    }

private:
    std::function<void()> clicked_;
};

FileBrowserPanel::FileBrowserPanel(Mode mode, const char* extension, Places places, const std::string& startFolder)
    : mode_(mode), extension_(extension != nullptr ? extension : ""), places_(std::move(places)),
      frame_(std::make_unique<gui::Frame>(kWidth, kHeight))
{
    if (places_.home.empty()) {
        places_.home = homeFolder();
    }
    build();
    if (!showFolder(startFolder) && !showFolder(places_.home)) {
        showFolder("/");
    }
}

FileBrowserPanel::~FileBrowserPanel() = default;

void FileBrowserPanel::build()
{
    frame_->setBackgroundPainter([](cairo_t* cr) {
        gui::setColour(cr, gui::palette::kPanel);
        cairo_paint(cr);
    });
    frame_->add(std::make_unique<BrowserBackdrop>(gui::Rect{0, 0, kWidth, kHeight}, [this] { refocus(); }));
    const gui::Rect list = kListArea;
    const int rightX = list.x;
    const int rightWidth = list.width;
    const auto label = [&](gui::Rect bounds, const std::string& text) {
        return frame_->add(std::make_unique<DialogLabel>(bounds, text));
    };
    label({kMargin, 10, kPlacesWidth, DialogLabel::kLineHeight}, "Places");
    folderLabel_ = label({rightX, 10, rightWidth, DialogLabel::kLineHeight}, "");
    // One line to go to a path or find a name in the folder shown.
    label({rightX, 34, 44, kLineHeight}, "Go to:");
    pathLine_ = frame_->add(
        std::make_unique<BrowserLine>(gui::Rect{rightX + 46, 34, rightWidth - 46, kLineHeight}, *this));
    list_ = frame_->add(std::make_unique<gui::FileList>(list));
    list_->setMultiSelect(mode_ == Mode::OpenMany);
    list_->onSelectionChanged = [this] { selectionChanged(); };
    list_->onActivate = [this](int row) { activateRow(row); };
    notice_ = label({rightX, list.bottom() + 4, rightWidth, DialogLabel::kLineHeight}, "");

    int y = 34;
    const auto place = [&](int tag, const std::string& caption) {
        frame_->add(
            std::make_unique<gui::KickButton>(gui::Rect{kMargin, y, kPlacesWidth, kLineHeight}, tag, this, caption));
        y += kPlaceStep;
    };
    place(kParentTag, "Parent folder");
    place(kHomeTag, "Home");
    if (!places_.library.empty()) {
        place(kLibraryTag, "Library");
    }
    if (!places_.recent.empty()) {
        label({kMargin, y + 4, kPlacesWidth, DialogLabel::kLineHeight}, "Recent");
        y += kPlaceStep;
    }
    for (std::size_t i = 0; i < places_.recent.size() && y + kLineHeight <= list.bottom(); ++i) {
        place(kFirstRecentTag + static_cast<int>(i), lastPart(places_.recent[i]));
    }

    const int buttonY = kHeight - kButtonHeight - 10;
    if (mode_ == Mode::Save) {
        label({rightX, buttonY - 32, 44, kLineHeight}, "Name:");
        nameLine_ = frame_->add(
            std::make_unique<BrowserLine>(gui::Rect{rightX + 46, buttonY - 32, rightWidth - 46, kLineHeight}, *this));
    }
    std::string kind = fileKindName(extension_.c_str()) + " files";
    label({kMargin, buttonY + 3, 260, DialogLabel::kLineHeight}, kind);
    frame_->add(std::make_unique<gui::KickButton>(
        gui::Rect{kWidth - 2 * (kButtonWidth + kMargin), buttonY, kButtonWidth, kButtonHeight}, kCancelTag, this,
        "Cancel"));
    ok_ = frame_->add(std::make_unique<gui::KickButton>(
        gui::Rect{kWidth - kButtonWidth - kMargin, buttonY, kButtonWidth, kButtonHeight}, kOkTag, this,
        mode_ == Mode::Save ? "Save" : "Open"));
    typing_ = mode_ == Mode::Save ? nameLine_ : pathLine_;
    refocus();
}

bool FileBrowserPanel::showFolder(const std::string& folder)
{
    FolderListing listing = FolderListing::read(folder, extension_.c_str());
    if (!listing.error.empty()) {
        setNotice(listing.error + " (" + folder + ")");
        return false;
    }
    folder_ = folder;
    entries_ = std::move(listing.entries);
    truncated_ = listing.truncated;
    filter_.clear();
    pathLine_->setText("");
    folderLabel_->setText("Folder: " + folder_);
    setConfirming({});
    setNotice(truncated_ ? "Only the first " + std::to_string(FolderListing::kMaxEntries)
                               + " entries are listed: type part of a name to find one."
                         : std::string());
    refilter();
    return true;
}

void FileBrowserPanel::refilter()
{
    shown_.clear();
    std::vector<gui::FileList::Row> rows;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const FolderEntry& entry = entries_[i];
        if (!nameContains(entry.name, filter_)) {
            continue;
        }
        shown_.push_back(i);
        rows.push_back({entry.name, entry.folder ? std::string() : sizeText(entry.size), timeText(entry.modified),
                        entry.folder});
    }
    list_->setRows(std::move(rows));
    // What was typed is what Return then opens.
    if (!filter_.empty() && !shown_.empty()) {
        list_->select(0);
    }
}

std::vector<std::string> FileBrowserPanel::listedNames() const
{
    std::vector<std::string> names;
    for (std::size_t i : shown_) {
        names.push_back(entries_[i].name);
    }
    return names;
}

const std::string& FileBrowserPanel::notice() const { return notice_->text(); }
const std::string& FileBrowserPanel::pathText() const { return pathLine_->text(); }
const std::string& FileBrowserPanel::nameText() const
{
    static const std::string none;
    return nameLine_ != nullptr ? nameLine_->text() : none;
}

void FileBrowserPanel::setNotice(const std::string& text) { notice_->setText(text); }

void FileBrowserPanel::setConfirming(const std::string& target)
{
    confirming_ = target;
    if (ok_ != nullptr && mode_ == Mode::Save) {
        ok_->setCaption(target.empty() ? "Save" : "Replace");
    }
    if (!target.empty()) {
        setNotice("\"" + lastPart(target) + "\" already exists. Replace it? (Return replaces, Escape keeps it)");
    }
}

bool FileBrowserPanel::lineKey(const gui::InputEvent& event, BrowserLine& line)
{
    switch (event.key) {
    case gui::kKeyUp:
    case gui::kKeyDown:
        list_->moveCurrent(event.key == gui::kKeyDown ? 1 : -1);
        return true;
    case gui::kKeyEscape:
        if (!confirming_.empty()) {
            setConfirming({});
            setNotice({});
        } else {
            cancel();
        }
        return true;
    case gui::kKeyReturn:
        if (&line == nameLine_) {
            trySave();
        } else {
            enterFromPath();
        }
        return true;
    case gui::kKeyBackspace:
        if (&line == pathLine_ && line.text().empty()) {
            showFolder(parentFolder(folder_));
            return true;
        }
        return false;
    default:
        return false;
    }
}

void FileBrowserPanel::lineEdited(BrowserLine& line)
{
    if (!confirming_.empty()) {
        setConfirming({});
    }
    setNotice({});
    if (&line == pathLine_) {
        const std::string filter = looksLikePath(line.text()) ? std::string() : line.text();
        if (filter != filter_) {
            filter_ = filter;
            refilter();
        }
    }
}

void FileBrowserPanel::enterFromPath()
{
    const std::string text = pathLine_->text();
    if (text.empty()) {
        activateSelection();
    } else if (looksLikePath(text)) {
        goTo(resolveTyped(text, folder_, places_.home));
    } else if (list_->current() >= 0) {
        activateSelection();
    } else if (mode_ == Mode::Save) {
        nameLine_->setText(text);
        trySave();
    } else {
        setNotice("No such file.");
    }
}

void FileBrowserPanel::goTo(const std::string& path)
{
    switch (kindOf(path)) {
    case Kind::Folder:
        showFolder(path);
        break;
    case Kind::File:
        if (mode_ == Mode::Save) {
            nameLine_->setText(path);
            trySave();
        } else {
            accept({path});
        }
        break;
    case Kind::Other:
        setNotice("Not a regular file.");
        break;
    case Kind::Missing:
        if (mode_ == Mode::Save) {
            nameLine_->setText(path);
            trySave();
        } else {
            setNotice("No such file.");
        }
        break;
    }
}

void FileBrowserPanel::activateRow(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= shown_.size()) {
        return;
    }
    const FolderEntry& entry = entries_[shown_[static_cast<std::size_t>(row)]];
    const std::string path = joinPath(folder_, entry.name);
    if (entry.folder) {
        showFolder(path);
    } else if (mode_ == Mode::Save) {
        nameLine_->setText(entry.name);
        trySave();
    } else if (mode_ == Mode::OpenMany && list_->isSelected(row) && list_->selection().size() > 1) {
        acceptSelectedFiles();
    } else {
        accept({path});
    }
}

void FileBrowserPanel::activateSelection()
{
    if (mode_ == Mode::Save && list_->current() < 0) {
        trySave();
    } else if (mode_ == Mode::OpenMany && list_->selection().size() > 1) {
        acceptSelectedFiles();
    } else {
        activateRow(list_->current());
    }
}

// Several chosen at once: the files among them; folders are not opened then.
void FileBrowserPanel::acceptSelectedFiles()
{
    std::vector<std::string> paths;
    for (int row : list_->selection()) {
        const FolderEntry& entry = entries_[shown_[static_cast<std::size_t>(row)]];
        if (!entry.folder) {
            paths.push_back(joinPath(folder_, entry.name));
        }
    }
    if (!paths.empty()) {
        accept(std::move(paths));
    }
}

void FileBrowserPanel::trySave()
{
    const std::string name = nameLine_->text();
    if (name.empty()) {
        setNotice("Type a name for the file.");
        return;
    }
    const std::string typed = resolveTyped(name, folder_, places_.home);
    if (kindOf(typed) == Kind::Folder) {
        showFolder(typed);
        nameLine_->setText("");
        return;
    }
    const std::string target = withExtension(typed, extension_.c_str());
    if (kindOf(folderOf(target)) != Kind::Folder) {
        setNotice("No such folder: " + folderOf(target));
        return;
    }
    switch (kindOf(target)) {
    case Kind::Missing:
        accept({target});
        break;
    case Kind::File:
        // The second Return (or Replace) on the same name is the answer.
        if (confirming_ == target) {
            accept({target});
        } else {
            setConfirming(target);
        }
        break;
    default:
        setNotice("That name is taken by a folder or a device.");
        break;
    }
}

void FileBrowserPanel::accept(std::vector<std::string> paths)
{
    chosen_ = std::move(paths);
    outcome_ = Outcome::Accepted;
}

void FileBrowserPanel::refocus()
{
    if (typing_ != nullptr && frame_->keyFocus() != typing_) {
        frame_->setKeyFocus(typing_);
    }
}

void FileBrowserPanel::selectionChanged()
{
    // Saving over a listed file starts from its name.
    if (mode_ == Mode::Save && list_->current() >= 0) {
        const FolderEntry& entry = entries_[shown_[static_cast<std::size_t>(list_->current())]];
        if (!entry.folder) {
            nameLine_->setText(entry.name);
            setConfirming({});
        }
    }
    refocus();
}

// Buttons act on release, as every kick button of the editor does.
void FileBrowserPanel::valueChanged(gui::Control& control)
{
    if (control.value() != 0.0f) {
        return;
    }
    const int tag = control.tag();
    if (tag == kOkTag) {
        if (mode_ == Mode::Save && pathLine_->text().empty()) {
            trySave();
        } else {
            enterFromPath();
        }
    } else if (tag == kCancelTag) {
        cancel();
    } else if (tag == kParentTag) {
        showFolder(parentFolder(folder_));
    } else if (tag == kHomeTag) {
        showFolder(places_.home);
    } else if (tag == kLibraryTag) {
        showFolder(places_.library);
    } else if (tag >= kFirstRecentTag && static_cast<std::size_t>(tag - kFirstRecentTag) < places_.recent.size()) {
        showFolder(places_.recent[static_cast<std::size_t>(tag - kFirstRecentTag)]);
    }
    refocus();
}

} // namespace tessarine
