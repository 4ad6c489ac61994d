#pragma once
// A configuration folder of the test's own: XDG_CONFIG_HOME points into a
// fresh folder under $TMPDIR while the object lives, so what the editor
// remembers between runs (recent folders) never lands in the user's home.
// The folder is removed and the variable restored afterwards.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace tessarine::test {

class PrivateConfigFolder {
public:
    PrivateConfigFolder()
        : folder_(std::filesystem::temp_directory_path() / ("tsn-config-" + std::to_string(getpid()) + "-"
                                                            + std::to_string(reinterpret_cast<std::uintptr_t>(this))))
    {
        std::filesystem::create_directories(folder_);
        if (const char* previous = std::getenv("XDG_CONFIG_HOME")) {
            previous_ = previous;
            hadPrevious_ = true;
        }
        setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
    }
    ~PrivateConfigFolder()
    {
        if (hadPrevious_) {
            setenv("XDG_CONFIG_HOME", previous_.c_str(), 1);
        } else {
            unsetenv("XDG_CONFIG_HOME");
        }
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    PrivateConfigFolder(const PrivateConfigFolder&) = delete;
    PrivateConfigFolder& operator=(const PrivateConfigFolder&) = delete;

    const std::filesystem::path& path() const { return folder_; }

private:
    std::filesystem::path folder_;
    std::string previous_;
    bool hadPrevious_ = false;
};

} // namespace tessarine::test
