#pragma once
// How library operations change values without knowing the engine: the
// plug-in stores each value as current and saved (so an instrument saved
// afterwards keeps it) and moves the editor's control.

namespace tessarine {

class ParameterWriter {
public:
    virtual ~ParameterWriter() = default;
    virtual void writeParameter(int index, float value) = 0;
};

// What the library's actions need of the plug-in besides values: the engine's
// own loaders, which hand the data over to the audio thread safely. Both
// answer false and leave things as they were when the file cannot be read.
class LibraryTarget : public ParameterWriter {
public:
    virtual bool loadInstrumentFrom(const char* path) = 0;
    virtual bool loadVoiceFrom(int slot, const char* path) = 0;
};

} // namespace tessarine
