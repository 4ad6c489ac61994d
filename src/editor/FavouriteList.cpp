#include "editor/FavouriteList.h"

#include "editor/dialogs/SettingFile.h"

#include <algorithm>

namespace tessarine {

namespace {

// A key is one line of printable text: a newline or a control character in
// one would make a second, different key at the next load.
bool isUsableKey(const std::string& key)
{
    return !key.empty() && key.size() < 4096
        && std::none_of(key.begin(), key.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

} // namespace

std::string FavouriteList::defaultFile() { return settingFilePath("favourites"); }

void FavouriteList::load()
{
    keys_.clear();
    std::string text;
    if (file_.empty() || !readSettingFile(file_, text, kMaxFileBytes)) {
        return;
    }
    // Binary content is no list of ours: all of it is dropped, not the lines that happen to look right.
    if (text.find('\0') != std::string::npos) {
        return;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string line = text.substr(start, end - start);
        if (isUsableKey(line)) {
            keys_.insert(std::move(line));
        }
        start = end + 1;
    }
}

bool FavouriteList::set(const std::string& key, bool favourite)
{
    if (!isUsableKey(key)) {
        return false;
    }
    if (favourite) {
        keys_.insert(key);
    } else {
        keys_.erase(key);
    }
    return save();
}

bool FavouriteList::save() const
{
    if (file_.empty()) {
        return true;
    }
    std::string text;
    for (const std::string& key : keys_) {
        text += key + "\n";
    }
    return writeSettingFile(file_, text);
}

} // namespace tessarine
