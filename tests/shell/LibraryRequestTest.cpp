// The sound library through the plug-in, as a host sees it: the instrument it
// plays right after loading, and the library requests (reset, listed
// instrument, another library folder; the random instrument is the
// random-instrument command's).

#include "support/BarePlugin.h"
#include "shell/SynthPlugin.h"
#include "support/LibraryTree.h"
#include "support/TestVoices.h"

#include "params/ParameterTable.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <utility>
#include <memory>
#include <string>
#include <vector>

namespace {

using tessarine::SynthPlugin;
using tessarine::host::PluginHost;
using namespace tessarine::test;
namespace fs = std::filesystem;

vst::intptr request(PluginHost& host, vst::intptr action, const std::string& text = {}, float opt = 0.0f)
{
    std::string copy = text;
    return host.dispatch(vst::effVendorSpecific, SynthPlugin::kFileRequest, action,
                         text.empty() ? nullptr : copy.data(), opt);
}

// A plug-in bundle as installed: the module with its library beside it.
std::string makeBundle(const std::string& name, bool withLibrary)
{
    const std::string bundle = freshFolder(name);
    fs::copy_file(TESSARINE_PLUGIN_PATH, bundle + "/Tessarine.so");
    if (withLibrary) {
        const std::string instruments = bundle + "/TessarineData/Instruments-Factory";
        writeLibraryInstrument(instruments + "/Keys/First.t9i", 0.125f);
        writeLibraryInstrument(instruments + "/Keys/Second.t9i", 0.375f);
        writeLibraryInstrument(instruments + "/Pads/Warm.t9i", 0.625f);
        writeLibraryInstrument(bundle + "/Reset.t9i", 0.875f);
    }
    return bundle;
}

TEST(LibraryRequest, APluginPlaysTheFirstInstrumentBesideItWithoutBeingAsked)
{
    for (const bool withLibrary : {true, false}) {
        auto host = loadPlugin(makeBundle(withLibrary ? "bundle-with-library" : "bundle-alone", withLibrary) +
                               "/Tessarine.so");
        ASSERT_NE(host, nullptr);
        EXPECT_EQ(host->getParameter(tessarine::kVolume),
                  withLibrary ? 0.125f : tessarine::parameterTable()[tessarine::kVolume].start);
    }
}

TEST(LibraryRequest, ResetAndListedInstrumentsThroughTheFileRequest)
{
    const std::string bundle = makeBundle("bundle-requests", true);
    auto host = loadPlugin(TESSARINE_PLUGIN_PATH);
    ASSERT_NE(host, nullptr);
    ASSERT_EQ(request(*host, SynthPlugin::kFileLibraryRoot, bundle), 1);

    struct Row {
        vst::intptr action;
        const char* text;
        vst::intptr answer;
        float volumeAfter;
    };
    const Row rows[] = {
        {SynthPlugin::kFileLoadLibraryInstrument, "Keys/Second", 1, 0.375f},
        {SynthPlugin::kFileLoadLibraryInstrument, "Keys/Missing", 0, 0.375f},
        {SynthPlugin::kFileLoadLibraryInstrument, "Keys", 0, 0.375f},
        {SynthPlugin::kFileLoadLibraryInstrument, "", 0, 0.375f},
        {SynthPlugin::kFileReset, "", 1, 0.875f},
        {SynthPlugin::kFileLoadLibraryInstrument, "Pads/Warm", 1, 0.625f},
        {SynthPlugin::kFileRescanLibrary, "", 1, 0.625f},
        {SynthPlugin::kFileLibraryRoot, "", 0, 0.625f},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(request(*host, row.action, row.text), row.answer) << row.action << " " << row.text;
        EXPECT_EQ(host->getParameter(tessarine::kVolume), row.volumeAfter) << row.action << " " << row.text;
    }
}

// A load that fails, from the file request or the library menu, changes
// nothing: name, values, slot cutoffs, voices and curves stay as they were.
TEST(LibraryRequest, FailedInstrumentLoadsChangeNothing)
{
    const std::string bundle = makeBundle("bundle-failed-loads", true);
    auto host = loadPlugin(TESSARINE_PLUGIN_PATH);
    ASSERT_NE(host, nullptr);
    ASSERT_EQ(request(*host, SynthPlugin::kFileLibraryRoot, bundle), 1);
    ASSERT_EQ(request(*host, SynthPlugin::kFileLoadLibraryInstrument, "Keys/Second"), 1);
    host->setParameter(tessarine::kVoiceCutoffB, 0.4f);
    host->setParameter(tessarine::kMorphHarmX, 0.25f);
    const auto state = [&host] { return std::pair(chunkOf(*host), hostValues(*host)); };
    const auto kept = state();

    const std::vector<std::byte> file = readFile(bundle + "/TessarineData/Instruments-Factory/Keys/First.t9i");
    const std::string whole(reinterpret_cast<const char*>(file.data()), file.size());
    ASSERT_GT(whole.size(), 1000u);
    std::vector<std::string> damaged = {"", whole, whole};
    damaged[1][3] = '\x7f';                          // an unknown version
    damaged[2][whole.find('\0', 4) + 1 + 3] = '\x40'; // the parameter count, far beyond the file
    for (std::size_t k = 1; k < 16; ++k) {
        damaged.push_back(whole.substr(0, whole.size() * k / 16));
    }

    std::vector<std::string> paths = {bundle + "/missing.t9i", bundle + "/TessarineData"};
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        paths.push_back(tempPath("damaged-" + std::to_string(i) + ".t9i"));
        std::ofstream(paths.back(), std::ios::binary) << damaged[i];
    }
    for (const std::string& path : paths) {
        EXPECT_EQ(request(*host, SynthPlugin::kFileLoadInstrument, path), 0) << path;
        EXPECT_TRUE(state() == kept) << path;
    }
    std::ofstream(bundle + "/TessarineData/Instruments-Factory/Keys/Broken.t9i", std::ios::binary) << damaged[10];
    ASSERT_EQ(request(*host, SynthPlugin::kFileRescanLibrary), 1);
    EXPECT_EQ(request(*host, SynthPlugin::kFileLoadLibraryInstrument, "Keys/Broken"), 0);
    EXPECT_TRUE(state() == kept) << "the library menu";
}

} // namespace
