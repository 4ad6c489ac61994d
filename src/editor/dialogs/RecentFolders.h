#pragma once
// The folders a person last chose files in, newest first, kept between runs
// in a small text file (one absolute path a line) so every instance of the
// editor offers them. The file is read bounded and replaced whole by a
// rename, so a crash mid-write or a second instance leaves an old list or the
// new one, never half of one; a missing, oversized or damaged file is an
// empty list.

#include <cstddef>
#include <string>
#include <vector>

namespace tessarine {

class RecentFolders {
public:
    static constexpr std::size_t kMaxFolders = 8;
    static constexpr std::size_t kMaxFileBytes = 64 * 1024;

    // file: where the list lives; empty keeps it in memory only.
    explicit RecentFolders(std::string file) : file_(std::move(file)) {}

    // $XDG_CONFIG_HOME/tessarine/recent-folders, else ~/.config/tessarine/recent-folders.
    static std::string defaultFile();

    void load();
    // Puts the folder first (once) and writes the list; false when it could not be written.
    bool add(const std::string& folder);

    const std::vector<std::string>& folders() const { return folders_; }

private:
    bool save() const;

    std::string file_;
    std::vector<std::string> folders_;
};

} // namespace tessarine
