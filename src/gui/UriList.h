#pragma once
// The text/uri-list a file manager hands over on a drop: one URI a line
// (CRLF or LF), '#' lines are comments. Only local files are kept: file://
// URIs with no host or "localhost", percent-decoded; anything else is skipped.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessarine::gui {

inline constexpr std::size_t kMaxDroppedPaths = 64;

// At most maxPaths paths, in the order given; the rest are dropped.
std::vector<std::string> filePathsOfUriList(std::string_view text, std::size_t maxPaths = kMaxDroppedPaths);

} // namespace tessarine::gui
