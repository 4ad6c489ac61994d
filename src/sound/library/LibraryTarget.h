#pragma once
// What the library's actions need of the plug-in besides values: the engine's
// own loaders, which hand the data over to the audio thread safely. Both
// answer false and leave things as they were when the file cannot be read.

#include "sound/library/ParameterWriter.h"

namespace tessarine {

class LibraryTarget : public ParameterWriter {
public:
    virtual bool loadInstrumentFrom(const char* path) = 0;
    virtual bool loadVoiceFrom(int slot, const char* path) = 0;
};

} // namespace tessarine
