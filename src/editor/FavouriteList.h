#pragma once
// The library entries a person starred, remembered for every instance and run
// beside the other choices the editor keeps ($XDG_CONFIG_HOME/tessarine/
// favourites, else under ~/.config), one entry key a line. Never in an
// instrument: a favourite belongs to the person, not to the sound. The file
// is read bounded and replaced whole by a rename; a missing, oversized or
// binary file is an empty list.

#include <cstddef>
#include <set>
#include <string>

namespace tessarine {

class FavouriteList {
public:
    static constexpr std::size_t kMaxFileBytes = 256 * 1024;

    // file: where the list lives; empty keeps it in memory only.
    explicit FavouriteList(std::string file) : file_(std::move(file)) {}

    static std::string defaultFile();

    void load();
    bool contains(const std::string& key) const { return keys_.count(key) != 0; }
    // Stars or unstars key and writes the list; false when it could not be
    // written (the change holds for this run).
    bool set(const std::string& key, bool favourite);

private:
    bool save() const;

    std::string file_;
    std::set<std::string> keys_;
};

} // namespace tessarine
