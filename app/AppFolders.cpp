#include "app/AppFolders.h"

#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace tessarine::app {

namespace {

bool isFolder(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::string executableFolder()
{
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (length <= 0) {
        return {};
    }
    const std::string path(self, static_cast<std::size_t>(length));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

std::string libraryRootFor(const std::string& exeFolder)
{
    if (exeFolder.empty() || isFolder(exeFolder + "/TessarineData")) {
        return {};
    }
    return exeFolder + "/../share/tessarine";
}

std::string userDataFolder(const char* xdgDataHome, const char* home)
{
    if (xdgDataHome != nullptr && xdgDataHome[0] == '/') {
        return std::string(xdgDataHome) + "/tessarine";
    }
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.local/share/tessarine";
    }
    return {};
}

bool makeFolders(const std::string& folder)
{
    if (folder.empty()) {
        errno = ENOENT;
        return false;
    }
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    if (!isFolder(folder)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

} // namespace tessarine::app
