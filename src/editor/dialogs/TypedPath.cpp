#include "editor/dialogs/TypedPath.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace tessarine {

std::string homeFolder()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return home;
    }
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr
                                                   && entry->pw_dir[0] == '/') {
        return entry->pw_dir;
    }
    return "/";
}

bool looksLikePath(std::string_view typed)
{
    return !typed.empty()
        && (typed.front() == '~' || typed.front() == '/' || typed == "." || typed == ".."
            || typed.find('/') != std::string_view::npos);
}

std::string resolveTyped(std::string_view typed, const std::string& folder, const std::string& home)
{
    std::string joined;
    if (typed == "~" || typed.starts_with("~/")) {
        joined = home + "/" + std::string(typed.substr(1));
    } else if (typed.starts_with("/")) {
        joined = std::string(typed);
    } else {
        joined = folder + "/" + std::string(typed);
    }
    std::string normal = std::filesystem::path(joined).lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/') {
        normal.pop_back();
    }
    return normal.empty() ? std::string("/") : normal;
}

std::string parentFolder(const std::string& folder) { return resolveTyped("..", folder, folder); }

std::string joinPath(const std::string& folder, const std::string& name)
{
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace tessarine
