#pragma once
// `tessarine snapshot`: pictures of the real plug-in's editor pages, drawn
// without a window through the plug-in's picture request and written as PNG.

#include "commands/Command.h"
#include <iosfwd>
#include <string>

namespace tessarine::host {

struct SnapshotOptions {
    std::string pluginPath;
    // The page shown when the editor opens.
    int page = 5;
    // All eight pages: one picture of two rows of four, or eight files with --split.
    bool all = false;
    bool split = false;
    // The factor the pages are drawn at, 1 to 3, sent as a host's scale request.
    double scale = 1.0;
    std::string outputPath;
};

// OUT.png with "-N" before the extension: pages-5.png.
std::string pagePath(const std::string& outputPath, int page);

int runSnapshot(const SnapshotOptions& options, std::ostream& out, std::ostream& err);

extern const Command kSnapshotCommand;

} // namespace tessarine::host
