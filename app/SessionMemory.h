#pragma once
// The musician's last session: the instrument as it was when the application
// last stopped, kept in the user's data folder and played again at the next
// start. Main thread.

#include "core/InstrumentCore.h"

#include <string>

namespace tessarine::app {

class SessionMemory {
public:
    // folder: the user's data folder, "" when there is none (nothing is kept).
    explicit SessionMemory(std::string folder);

    const std::string& path() const { return path_; }
    bool exists() const;

    // Loads the last session into core. A file that cannot be read is moved
    // aside to "<name>.unreadable" (the next save must not destroy what may be a
    // musician's only copy) and core keeps the instrument it had. False with a
    // one-line reason in message for that case; true when there was nothing
    // to load or it loaded.
    bool restore(InstrumentCore& core, std::string& message);

    // Saves the current instrument, making the folder if missing. The save is
    // atomic: a failed one leaves the previous session as it was.
    bool save(InstrumentCore& core, std::string& message);

private:
    std::string folder_;
    std::string path_;
    // Off when an unreadable session could not be moved aside: saving over it
    // would destroy it.
    bool mayReplace_ = true;
};

} // namespace tessarine::app
