#pragma once
// The built plug-in copied into a folder of its own, with no sound library
// beside it: it starts at the parameters' start values with empty slots,
// whatever library the build tree lays beside the original. And a plug-in
// loaded as a host loads it.

#include "host/PluginHost.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

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

// Null, with the reason reported as a failure, when the module does not load.
inline std::unique_ptr<host::PluginHost> loadPlugin(const std::string& path = TESSARINE_PLUGIN_PATH)
{
    std::string error;
    auto plugin = host::PluginHost::load(path, error);
    EXPECT_NE(plugin, nullptr) << error;
    return plugin;
}

} // namespace tessarine::test
