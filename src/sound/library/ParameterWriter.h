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

} // namespace tessarine
