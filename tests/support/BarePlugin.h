#pragma once
// The built plug-in copied into a folder of its own, with no sound library
// beside it: it starts at the parameters' start values with empty slots,
// whatever library the build tree lays beside the original. And a plug-in
// loaded as a host loads it, its state chunk and values as the host reads them.

#include "host/PluginHost.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace tessarine::test {

inline const std::string& barePluginPath()
{
    static const std::string path = [] {
        namespace fs = std::filesystem;
        const std::string folder = testing::TempDir() + "/bare-plugin";
        fs::create_directories(folder);
        // Test programs run side by side: each copies aside, then renames over
        // the shared name, so nobody loads a half-copied module.
        const std::string own = folder + "/Tessarine.so." + std::to_string(getpid());
        fs::copy_file(TESSARINE_PLUGIN_PATH, own, fs::copy_options::overwrite_existing);
        fs::rename(own, folder + "/Tessarine.so");
        return folder + "/Tessarine.so";
    }();
    return path;
}

// The host's copy of the sound: the state chunk as bytes, empty when there is none.
inline std::vector<std::byte> chunkOf(host::PluginHost& host)
{
    void* data = nullptr;
    const auto size = host.dispatch(vst::effGetChunk, 0, 0, &data);
    const auto* begin = static_cast<const std::byte*>(data);
    return size > 0 && begin != nullptr ? std::vector<std::byte>(begin, begin + size) : std::vector<std::byte>();
}

// Every parameter's value as the host reads it.
inline std::vector<float> hostValues(host::PluginHost& host)
{
    std::vector<float> values;
    for (int i = 0; i < host.effect()->numParams; ++i) {
        values.push_back(host.getParameter(i));
    }
    return values;
}

// Null, with the reason reported as a failure, when the module does not load.
inline std::unique_ptr<host::PluginHost> loadPlugin(const std::string& path = TESSARINE_PLUGIN_PATH)
{
    std::string error;
    auto plugin = host::PluginHost::load(path, error);
    EXPECT_NE(plugin, nullptr) << error;
    return plugin;
}

} // namespace tessarine::test
