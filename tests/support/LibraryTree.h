#pragma once
// Little library trees on disk for the library tests: empty files where only
// names matter, real voice and instrument files (written with the plug-in's
// own writers) where something is loaded.

#include "support/TestVoices.h"

#include "params/ParameterTable.h"
#include "sound/model/Instrument.h"
#include "sound/files/InstrumentFile.h"
#include "sound/library/LibraryTarget.h"
#include "sound/files/VoiceFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tessarine::test {

// An empty folder of this name below the test's temporary folder.
inline std::string freshFolder(const std::string& name)
{
    const std::string path = tempPath(name);
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    return path;
}

// An empty file, with the folders leading to it.
inline void touchFile(const std::string& path)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary);
}

// A small playable voice, named after its file.
inline void writeLibraryVoice(const std::string& path, std::uint32_t seed)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    auto voice = std::make_unique<Voice>();
    fillRandomVoice(*voice, seed, 1, 1, 4);
    auto stream = std::make_unique<RecordStream>();
    ASSERT_TRUE(saveVoiceFile(path, *voice, *stream)) << path;
}

// An instrument at the start values except its Volume, which tells loads apart.
inline void writeLibraryInstrument(const std::string& path, float volume)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    auto instrument = std::make_unique<Instrument>();
    for (int i = 0; i < kParameterCount; ++i) {
        instrument->parameterValues[static_cast<std::size_t>(i)] = parameterTable()[static_cast<std::size_t>(i)].start;
    }
    instrument->parameterValues[kVolume] = volume;
    for (std::size_t slot = 0; slot < instrument->voices.size(); ++slot) {
        fillRandomVoice(instrument->voices[slot], static_cast<std::uint32_t>(slot + 1), 1, 1, 4);
    }
    auto stream = std::make_unique<RecordStream>();
    ASSERT_TRUE(saveInstrumentFile(path, *instrument, *stream)) << path;
}

// Records what the library does to the plug-in; an instrument loads when its file exists.
class RecordingTarget : public LibraryTarget {
public:
    void writeParameter(int index, float value) override
    {
        values[index] = value;
        ++writes;
    }
    bool loadInstrumentFrom(const char* path) override
    {
        instruments.emplace_back(path);
        return std::filesystem::is_regular_file(path);
    }
    bool loadVoiceFrom(int slot, const char* path) override
    {
        voices.emplace_back(std::to_string(slot) + ":" + path);
        return true;
    }
    std::map<int, float> values;
    int writes = 0;
    std::vector<std::string> instruments;
    std::vector<std::string> voices;
};

} // namespace tessarine::test
