#pragma once
// One note played through the plug-in as a host plays it: 44.1 kHz, 512-sample
// blocks, the random generators seeded after the sound is loaded, so the same
// sound renders the same samples every time. And the library the build lays
// beside the plug-in, listed.

#include "host/PluginHost.h"
#include "commands/RenderCommand.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace librarytest {

namespace fs = std::filesystem;

inline fs::path pluginFolder() { return fs::path(TESSARINE_PLUGIN_PATH).parent_path(); }
inline fs::path libraryFolder() { return pluginFolder() / "TessarineData"; }

// The files below folder with the extension, in order; none when it is not a folder.
inline std::vector<fs::path> filesBelow(const fs::path& folder, const std::string& extension)
{
    std::vector<fs::path> files;
    if (fs::is_directory(folder)) {
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file() && entry.path().extension() == extension) {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The plug-in opened as a host opens it, at 44.1 kHz in blocks of block
// samples; null when it cannot load.
inline std::unique_ptr<tessarine::host::PluginHost> openPlugin(int block)
{
    std::string error;
    auto plugin = tessarine::host::PluginHost::load(TESSARINE_PLUGIN_PATH, error);
    if (plugin) {
        plugin->dispatch(vst::effSetSampleRate, 0, 0, nullptr, 44100.0f);
        plugin->dispatch(vst::effSetBlockSize, 0, block);
    }
    return plugin;
}

// One of the file requests the editor makes of the plug-in, with its text
// (a path, or none); true when granted.
inline bool fileRequest(tessarine::host::PluginHost& plugin, int what, const char* text, float value = 0.0f)
{
    return plugin.dispatch(vst::effVendorSpecific, vst::fourCC('T', 's', 'n', 'F'), what, const_cast<char*>(text),
                           value) == 1;
}

struct NoteRender { std::vector<float> left; std::vector<float> right; };

// Loads the instrument file (request kFileRequestInstrumentLoad) or, with
// slotA set, the instrument around (the factory's Reset instrument when empty)
// and then a voice file into slot A; then plays key at velocity 100 from
// sample 0, releasing it after holdBlocks, for blocks in all. Empty when the
// plug-in cannot load or a file is refused. slotRequest puts file into slot A
// another way (a sound analysed by request 11 or 12).
inline NoteRender playNote(const std::string& file, bool voiceInSlotA, int key, int holdBlocks, int blocks,
                           const std::string& around = "",
                           int slotRequest = tessarine::host::kFileRequestVoiceLoad)
{
    namespace host = tessarine::host;
    constexpr int kBlock = 512;
    auto plugin = openPlugin(kBlock);
    if (!plugin) {
        return {};
    }
    const auto request = [&](int what, const std::string& text, float value) {
        return fileRequest(*plugin, what, text.c_str(), value);
    };
    const bool surrounded = around.empty() ? request(host::kFileRequestReset, "", 0.0f)
                                           : request(host::kFileRequestInstrumentLoad, around, 0.0f);
    const bool loaded = voiceInSlotA ? surrounded && request(slotRequest, file, 0.0f)
                                     : request(host::kFileRequestInstrumentLoad, file, 0.0f);
    if (!loaded || !request(host::kFileRequestSeed, "", 1.0f)) {
        return {};
    }
    plugin->dispatch(vst::effMainsChanged, 0, 1);
    NoteRender out;
    std::vector<float> left(kBlock), right(kBlock);
    for (int b = 0; b < blocks; ++b) {
        std::vector<host::PluginHost::Midi> midi;
        if (b == 0) {
            midi.push_back({0, 0x90, static_cast<unsigned char>(key), 100});
        } else if (b == holdBlocks) {
            midi.push_back({0, 0x80, static_cast<unsigned char>(key), 0});
        }
        plugin->processBlock(midi, left.data(), right.data(), kBlock);
        out.left.insert(out.left.end(), left.begin(), left.end());
        out.right.insert(out.right.end(), right.begin(), right.end());
    }
    return out;
}

} // namespace librarytest
