#include "commands/SnapshotCommand.h"

#include "host/DrawingCaches.h"
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "host/PluginHost.h"

#include "sound/files/AtomicSave.h"
#include "sound/files/RegularFile.h"

#include <cairo.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <unistd.h>
#include <vector>

namespace tessarine::host {

namespace {

// The plug-in's request for a picture of one page: value is the buffer's byte
// size, ptr the buffer, opt the page.
constexpr vst::int32 kSnapshotRequest = vst::fourCC('T', 's', 'n', 'P');
// Its pictures' size: ptr is an editor rectangle to fill.
constexpr vst::int32 kSnapshotSizeRequest = vst::fourCC('T', 's', 'n', 'S');
// A host's display scaling, as hosts send it: opt is the factor.
constexpr vst::int32 kScaleRequest = vst::fourCC('P', 'r', 'e', 'S');
constexpr vst::int32 kScaleRequestValue = vst::fourCC('A', 'e', 'C', 's');
constexpr int kPages = 8;
constexpr int kGridColumns = 4;
constexpr int kMaxSide = 8192;

int fail(std::ostream& err, const std::string& message)
{
    err << "tessarine: " << message << '\n';
    return 1;
}

// Straight RGBA rows into cairo's premultiplied native-endian ARGB.
void copyIntoSurface(const std::vector<std::uint8_t>& rgba, int width, int height, cairo_surface_t* surface, int left,
                     int top)
{
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(top + y) * stride) + left;
        const std::uint8_t* in = rgba.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4;
        for (int x = 0; x < width; ++x, in += 4) {
            const std::uint32_t alpha = in[3];
            auto premultiply = [alpha](std::uint32_t c) { return (c * alpha + 127) / 255; };
            row[x] = (alpha << 24) | (premultiply(in[0]) << 16) | (premultiply(in[1]) << 8) | premultiply(in[2]);
        }
    }
    cairo_surface_mark_dirty(surface);
}

cairo_status_t writeToDescriptor(void* closure, const unsigned char* data, unsigned int length)
{
    const int fd = *static_cast<const int*>(closure);
    while (length > 0) {
        const ssize_t done = ::write(fd, data, length);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            return CAIRO_STATUS_WRITE_ERROR;
        }
        data += done;
        length -= static_cast<unsigned int>(done);
    }
    return CAIRO_STATUS_SUCCESS;
}

// Written beside the target and put in its place, so a failed write keeps the old picture.
bool writePng(cairo_surface_t* surface, const std::string& path, std::string& reason)
{
    AtomicSave save;
    if (!save.begin(path)) {
        reason = describeFileError(save.error());
        return false;
    }
    int fd = save.descriptor();
    if (cairo_surface_write_to_png_stream(surface, writeToDescriptor, &fd) != CAIRO_STATUS_SUCCESS) {
        reason = "the disk refused the picture";
        return false;
    }
    if (!save.commit()) {
        reason = describeFileError(save.error());
        return false;
    }
    return true;
}

struct Surface {
    cairo_surface_t* surface;
    explicit Surface(int width, int height) : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)) {}
    ~Surface() { cairo_surface_destroy(surface); }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    bool ok() const { return cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS; }
};

} // namespace

std::string pagePath(const std::string& outputPath, int page)
{
    const std::size_t slash = outputPath.rfind('/');
    const std::size_t dot = outputPath.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    const std::string stem = hasExtension ? outputPath.substr(0, dot) : outputPath;
    return stem + "-" + std::to_string(page) + (hasExtension ? outputPath.substr(dot) : ".png");
}

int runSnapshot(const SnapshotOptions& options, std::ostream& out, std::ostream& err)
{
    if (!options.all && (options.page < 0 || options.page >= kPages)) {
        return fail(err, "--page must be 0 to 7");
    }
    if (options.split && !options.all) {
        return fail(err, "--split needs --all");
    }
    if (!(options.scale >= 1.0 && options.scale <= 3.0)) {
        return fail(err, "--scale must be 1 to 3");
    }
    std::string error;
    auto host = PluginHost::load(options.pluginPath, error);
    if (!host) {
        return fail(err, error);
    }
    if ((host->effect()->flags & vst::effFlagsHasEditor) == 0) {
        return fail(err, "the plug-in has no editor");
    }
    if (host->dispatch(vst::effVendorSpecific, kScaleRequest, kScaleRequestValue, nullptr,
                       static_cast<float>(options.scale))
        != 1) {
        return fail(err, "the plug-in refused the scale");
    }
    vst::EditorRect rect{};
    if (host->dispatch(vst::effVendorSpecific, kSnapshotSizeRequest, 0, &rect) != 1) {
        return fail(err, "the plug-in gave no picture size");
    }
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        return fail(err, "the plug-in's editor size is not usable");
    }

    std::vector<int> pages;
    for (int page = options.all ? 0 : options.page; page < (options.all ? kPages : options.page + 1); ++page) {
        pages.push_back(page);
    }
    const bool grid = options.all && !options.split;
    const int columns = grid ? kGridColumns : 1;
    const int rows = grid ? kPages / kGridColumns : 1;
    Surface picture(width * columns, height * rows);
    if (!picture.ok()) {
        return fail(err, "cannot make a picture of " + std::to_string(width * columns) + " x "
                             + std::to_string(height * rows) + " pixels");
    }
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    for (int page : pages) {
        if (host->dispatch(vst::effVendorSpecific, kSnapshotRequest, static_cast<vst::intptr>(rgba.size()),
                           rgba.data(), static_cast<float>(page))
            != 1) {
            return fail(err, "the plug-in could not draw page " + std::to_string(page));
        }
        const int slot = grid ? page : 0;
        copyIntoSurface(rgba, width, height, picture.surface, (slot % columns) * width, (slot / columns) * height);
        if (options.split) {
            const std::string path = pagePath(options.outputPath, page);
            if (std::string reason; !writePng(picture.surface, path, reason)) {
                return fail(err, "cannot write " + path + " (" + reason + ")");
            }
            out << path << '\n';
        }
    }
    if (!options.split) {
        if (std::string reason; !writePng(picture.surface, options.outputPath, reason)) {
            return fail(err, "cannot write " + options.outputPath + " (" + reason + ")");
        }
        out << options.outputPath << '\n';
    }
    return 0;
}

namespace {

Command::Run setUpSnapshot(CLI::App& command, const std::string& defaultPlugin)
{
    auto snapshot = std::make_shared<SnapshotOptions>();
    snapshot->pluginPath = defaultPlugin;
    command.add_option("--plugin", snapshot->pluginPath, "Plug-in to load");
    command.add_option("--page", snapshot->page, "Page 0..7: voices A-D, modulation, morph, sound, effects")
        ->capture_default_str();
    command.add_flag("--all", snapshot->all, "All eight pages in one picture, two rows of four");
    command.add_flag("--split", snapshot->split, "With --all: eight files, OUT-0.png to OUT-7.png");
    command.add_option("--scale", snapshot->scale, "Draw at this factor, 1 to 3 (2: 1600 x 1100 per page)")
        ->capture_default_str();
    command.add_option("-o,--output", snapshot->outputPath, "PNG file to write")->required();
    return [snapshot] {
        const int status = runSnapshot(*snapshot, std::cout, std::cerr);
        releaseDrawingCaches();
        return status;
    };
}

} // namespace

const Command kSnapshotCommand{"snapshot", "Draw editor pages without a window and write PNG", &setUpSnapshot};

} // namespace tessarine::host
