#pragma once
// A configuration folder of the test's own: XDG_CONFIG_HOME points into a
// fresh folder under $TMPDIR while the object lives, so what the editor
// remembers between runs (recent folders) never lands in the user's home.
// The folder is removed and the variable restored afterwards.

#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace tessarine::test {

class PrivateConfigFolder {
public:
    PrivateConfigFolder()
    {
        if (const char* previous = std::getenv("XDG_CONFIG_HOME")) {
            previous_ = previous;
            hadPrevious_ = true;
        }
        setenv("XDG_CONFIG_HOME", folder_.str().c_str(), 1);
    }
    ~PrivateConfigFolder()
    {
        if (hadPrevious_) {
            setenv("XDG_CONFIG_HOME", previous_.c_str(), 1);
        } else {
            unsetenv("XDG_CONFIG_HOME");
        }
    }
    PrivateConfigFolder(const PrivateConfigFolder&) = delete;
    PrivateConfigFolder& operator=(const PrivateConfigFolder&) = delete;

    const std::filesystem::path& path() const { return folder_.path(); }

private:
    TempFolder folder_{"config"};
    std::string previous_;
    bool hadPrevious_ = false;
};

} // namespace tessarine::test
