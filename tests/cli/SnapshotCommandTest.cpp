// `tessarine snapshot` on the real plug-in: the eight pages are written where CI
// keeps its artefacts (build/artifacts/pages), each the editor's size and none
// blank, the top bar naming the instrument; the grid holds them all; refusals
// leave no file behind.

#include "support/BarePlugin.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"
#include "editor/pages/ControlMap.h"
#include "editor/EditorTags.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tessarine::test::runCli;

bool pluginHasEditor()
{
    auto host = tessarine::test::loadPlugin();
    return host && (host->effect()->flags & vst::effFlagsHasEditor) != 0;
}

// The build folder is where the command-line host lives.
fs::path artefactFolder() { return fs::path(TESSARINE_CLI_PATH).parent_path() / "artifacts" / "pages"; }

struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels; // rows of XRGB

    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    // Distinct colours in a sample of the picture, and a checksum of the same sample.
    std::pair<std::size_t, std::uint64_t> sample() const
    {
        std::set<std::uint32_t> colours;
        std::uint64_t checksum = 0;
        for (int y = 0; y < height; y += 2) {
            for (int x = 0; x < width; x += 2) {
                colours.insert(at(x, y));
                checksum = checksum * 1099511628211ull + at(x, y);
            }
        }
        return {colours.size(), checksum};
    }
};

Picture readPng(const fs::path& path)
{
    Picture picture;
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        picture.width = cairo_image_surface_get_width(surface);
        picture.height = cairo_image_surface_get_height(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        for (int y = 0; y < picture.height; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
            picture.pixels.insert(picture.pixels.end(), row, row + picture.width);
        }
    }
    cairo_surface_destroy(surface);
    return picture;
}

// Pixels of a top-bar menu's text brighter than its face (the face fills most of the box).
int menuTextPixels(const Picture& picture, int tag)
{
    tessarine::gui::Rect menu{};
    for (const tessarine::ControlRow& row : tessarine::topBarControls()) {
        menu = row.tag == tag ? row.rect : menu;
    }
    std::vector<int> levels;
    for (int y = menu.y + 2; y < menu.y + menu.height - 2 && y < picture.height; ++y) {
        for (int x = menu.x + 6; x < menu.x + menu.width - 16 && x < picture.width; ++x) {
            const std::uint32_t p = picture.at(x, y);
            levels.push_back(static_cast<int>(((p >> 16) & 0xff) + ((p >> 8) & 0xff) + (p & 0xff)) / 3);
        }
    }
    if (levels.empty()) {
        return -1;
    }
    std::vector<int> sorted = levels;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
    const int face = sorted[sorted.size() / 2];
    return static_cast<int>(std::count_if(levels.begin(), levels.end(), [face](int v) { return v > face + 20; }));
}

TEST(SnapshotCommand, EightPagesAreWrittenAsArtefactsAndNoneIsBlank)
{
    ASSERT_TRUE(pluginHasEditor()) << "the plug-in lost its editor";
    const fs::path folder = artefactFolder();
    fs::create_directories(folder);
    auto result = runCli("snapshot --all --split -o " + (folder / "page.png").string());
    ASSERT_EQ(result.status, 0) << result.output;

    std::set<std::uint64_t> different;
    for (int page = 0; page < 8; ++page) {
        SCOPED_TRACE(page);
        Picture picture = readPng(folder / ("page-" + std::to_string(page) + ".png"));
        EXPECT_EQ(std::pair(picture.width, picture.height), std::pair(800, 550));
        // A panel with controls and labels has many shades; a blank page has one or two.
        const auto [colours, checksum] = picture.sample();
        EXPECT_GT(colours, 16u);
        different.insert(checksum);
        // The start instrument comes from the library: both top-bar menus name it.
        EXPECT_GT(menuTextPixels(picture, tessarine::kTagCategoryMenu), 20) << "the category menu is blank";
        EXPECT_GT(menuTextPixels(picture, tessarine::kTagInstrumentMenu), 20) << "the instrument menu is blank";
    }
    EXPECT_EQ(different.size(), 8u) << "every page looks different";

    // The grid holds every page; a scale draws the same page at that size.
    for (const auto& [arguments, file, size] : {std::tuple{"--all", "all-pages.png", std::pair(4 * 800, 2 * 550)},
                                                {"--scale 2", "page-5-at-200.png", std::pair(1600, 1100)}}) {
        result = runCli(std::string("snapshot ") + arguments + " -o " + (folder / file).string());
        ASSERT_EQ(result.status, 0) << result.output;
        const Picture picture = readPng(folder / file);
        EXPECT_EQ(std::pair(picture.width, picture.height), size) << arguments;
    }
}

TEST(SnapshotCommand, RefusalsSayWhyAndWriteNothing)
{
    ASSERT_TRUE(pluginHasEditor()) << "the plug-in lost its editor";
    const tessarine::test::TempFolder scratch("snapshot");
    const fs::path& folder = scratch.path();
    // A FIFO is no picture file: it stays a FIFO.
    const fs::path fifo = folder / "pipe.png";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    const std::string out = " -o " + (folder / "x.png").string();
    const struct { std::string arguments; const char* message; } cases[] = {
        {"--page 8" + out, "--page must be 0 to 7"},
        {"--page -1" + out, "--page must be 0 to 7"},
        {"--split" + out, "--split needs --all"},
        {"--scale 4" + out, "--scale must be 1 to 3"},
        {"--plugin " + (folder / "none.so").string() + out, "none.so"},
        {"-o " + (folder / "missing" / "x.png").string(), "cannot write"},
        {"-o " + fifo.string(), "(not a regular file)"},
    };
    for (const auto& c : cases) {
        auto result = runCli("snapshot " + c.arguments);
        EXPECT_NE(result.status, 0) << c.arguments;
        EXPECT_NE(result.output.find(c.message), std::string::npos) << result.output;
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    fs::remove(fifo);
    EXPECT_TRUE(fs::is_empty(folder));
}

} // namespace
