#pragma once
// Whether a load that would replace an instrument with unsaved changes asks
// first: off unless the person turned it on, and remembered for every
// instance and run in a one-line file ("1" or "0") beside the recent folders.
// A missing, oversized or damaged file means off; the file is replaced whole
// by a rename, as the recent folders are.

#include <string>

namespace tessarine {

class AskBeforeDiscarding {
public:
    // file: where the choice lives; empty keeps it in memory only.
    explicit AskBeforeDiscarding(std::string file) : file_(std::move(file)) {}

    // $XDG_CONFIG_HOME/tessarine/ask-before-discarding, else under ~/.config.
    static std::string defaultFile();

    void load();
    bool enabled() const { return enabled_; }
    // Remembers the choice; false when it could not be written (it holds for this run).
    bool set(bool enabled);

private:
    std::string file_;
    bool enabled_ = false;
};

} // namespace tessarine
