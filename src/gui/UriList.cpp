#include "gui/UriList.h"

namespace tessarine::gui {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

// The local path of one URI; empty for another scheme, another host, a broken
// escape or a decoded NUL (which no path can hold).
std::string pathOfUri(std::string_view uri)
{
    constexpr std::string_view kScheme = "file://";
    if (!startsWithNoCase(uri, kScheme)) {
        return {};
    }
    uri.remove_prefix(kScheme.size());
    const std::size_t slash = uri.find('/');
    if (slash == std::string_view::npos) {
        return {};
    }
    const std::string_view host = uri.substr(0, slash);
    if (!host.empty() && !(host.size() == 9 && startsWithNoCase(host, "localhost"))) {
        return {};
    }
    std::string path;
    path.reserve(uri.size() - slash);
    for (std::size_t i = slash; i < uri.size(); ++i) {
        if (uri[i] != '%') {
            path += uri[i];
            continue;
        }
        const int high = i + 2 < uri.size() ? hexValue(uri[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(uri[i + 2]) : -1;
        if (low < 0 || (high == 0 && low == 0)) {
            return {};
        }
        path += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return path;
}

} // namespace

std::vector<std::string> filePathsOfUriList(std::string_view text, std::size_t maxPaths)
{
    std::vector<std::string> paths;
    while (!text.empty() && paths.size() < maxPaths) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        // Some sources end the list with a NUL.
        while (!line.empty() && (line.back() == '\r' || line.back() == '\0' || line.back() == ' ' || line.back() == '\t')) {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (std::string path = pathOfUri(line); !path.empty()) {
            paths.push_back(std::move(path));
        }
    }
    return paths;
}

} // namespace tessarine::gui
