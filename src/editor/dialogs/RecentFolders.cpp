#include "editor/dialogs/RecentFolders.h"

#include "editor/dialogs/SettingFile.h"
#include "editor/dialogs/TypedPath.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace tessarine {

namespace {

bool isUsableFolder(const std::string& line)
{
    return !line.empty() && line.front() == '/' && line.size() < PATH_MAX
        && std::none_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

} // namespace

std::string RecentFolders::defaultFile()
{
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
        return std::string(config) + "/tessarine/recent-folders";
    }
    return homeFolder() + "/.config/tessarine/recent-folders";
}

void RecentFolders::load()
{
    folders_.clear();
    std::string text;
    if (file_.empty() || !readSettingFile(file_, text, kMaxFileBytes)) {
        return;
    }
    // Binary content is no list of ours: all of it is dropped, not the lines that happen to look right.
    if (text.find('\0') != std::string::npos) {
        return;
    }
    std::size_t start = 0;
    while (start < text.size() && folders_.size() < kMaxFolders) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (isUsableFolder(line) && std::find(folders_.begin(), folders_.end(), line) == folders_.end()) {
            folders_.push_back(std::move(line));
        }
        start = end + 1;
    }
}

bool RecentFolders::add(const std::string& folder)
{
    if (!isUsableFolder(folder)) {
        return false;
    }
    std::erase(folders_, folder);
    folders_.insert(folders_.begin(), folder);
    if (folders_.size() > kMaxFolders) {
        folders_.resize(kMaxFolders);
    }
    return save();
}

bool RecentFolders::save() const
{
    if (file_.empty()) {
        return true;
    }
    std::string text;
    for (const std::string& folder : folders_) {
        text += folder + "\n";
    }
    return writeSettingFile(file_, text);
}

} // namespace tessarine
