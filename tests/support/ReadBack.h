#pragma once
// A file read back with the plug-in's own readers; null when the reader refuses it.

#include "sound/files/InstrumentFile.h"
#include "sound/files/VoiceFile.h"

#include <memory>
#include <string>

namespace tessarine::test {

inline std::unique_ptr<Voice> loadVoice(const std::string& path)
{
    auto voice = std::make_unique<Voice>();
    RecordStream stream;
    return loadVoiceFile(path, *voice, stream) ? std::move(voice) : nullptr;
}

inline std::unique_ptr<Instrument> loadInstrument(const std::string& path)
{
    auto instrument = std::make_unique<Instrument>();
    RecordStream stream;
    return loadInstrumentFile(path, *instrument, stream) ? std::move(instrument) : nullptr;
}

} // namespace tessarine::test
