#include "app/SessionMemory.h"

#include "app/AppFolders.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace tessarine::app {

SessionMemory::SessionMemory(std::string folder) : folder_(std::move(folder))
{
    if (!folder_.empty()) {
        path_ = folder_ + "/" + kSessionFileName;
    }
}

bool SessionMemory::exists() const
{
    struct stat info {};
    return !path_.empty() && ::stat(path_.c_str(), &info) == 0;
}

bool SessionMemory::restore(InstrumentCore& core, std::string& message)
{
    if (!exists()) {
        return true;
    }
    if (core.loadInstrumentFile(path_.c_str())) {
        return true;
    }
    const std::string aside = path_ + ".unreadable";
    if (std::rename(path_.c_str(), aside.c_str()) == 0) {
        message = "cannot read the last session \"" + path_ + "\" (kept as \"" + aside
            + "\"); starting with the library's start instrument";
    } else {
        mayReplace_ = false;
        message = "cannot read the last session \"" + path_
            + "\" (left as it is, this session will not replace it); starting with the library's start instrument";
    }
    return false;
}

bool SessionMemory::save(InstrumentCore& core, std::string& message)
{
    if (path_.empty()) {
        message = "no user data folder (neither XDG_DATA_HOME nor HOME is set): the session is not kept";
        return false;
    }
    if (!mayReplace_) {
        message = "the last session \"" + path_ + "\" could not be read or moved aside: this session is not kept";
        return false;
    }
    if (!makeFolders(folder_)) {
        message = "cannot make the folder \"" + folder_ + "\" for the session: " + std::strerror(errno);
        return false;
    }
    if (!core.saveInstrumentFile(path_.c_str())) {
        message = "cannot save the session to \"" + path_ + "\"";
        return false;
    }
    return true;
}

} // namespace tessarine::app
