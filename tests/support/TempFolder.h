#pragma once
// A fresh, empty folder under $TMPDIR for as long as the object lives; it is
// removed with everything in it afterwards. A child forked from the test
// leaves it alone: only the process that made the folder removes it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace tessarine::test {

class TempFolder {
public:
    explicit TempFolder(const std::string& name = "tessarine")
    {
        std::string pattern = (std::filesystem::temp_directory_path() / (name + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "cannot make a folder like " << pattern;
        }
        path_ = pattern;
    }
    ~TempFolder()
    {
        if (::getpid() == owner_) {
            std::error_code ignored;
            std::filesystem::remove_all(path_, ignored);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // A path inside the folder; the folder itself when name is empty.
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
    pid_t owner_ = ::getpid();
};

} // namespace tessarine::test
