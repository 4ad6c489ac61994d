#include "analysis/FundamentalChoice.h"

#include "analysis/NumVector.h"
#include "analysis/PitchEstimate.h"
#include "params/NoteFrequencyTable.h"

#include <cmath>

namespace tessarine {

double pitchFromFileName(std::string_view path)
{
    if (path.size() < 8) {
        return 0.0;
    }
    const std::size_t at = path.size() - 8;
    const char letter = path[at];
    const char separator = path[at + 1];
    const char digit = path[at + 2];
    // The lowest octave's frequency of each letter; a stays the reference.
    float base = 0.0f;
    switch (letter | 0x20) {
    case 'a': base = 55.0f; break;
    case 'b': base = 61.74f; break;
    case 'c': base = 32.703121f; break;
    case 'd': base = 36.71f; break;
    case 'e': base = 41.2f; break;
    case 'f': base = 43.65f; break;
    case 'g': base = 49.0f; break;
    default: return 0.0;
    }
    if (separator != '_' && separator != '#' && separator != ' ') {
        return 0.0;
    }
    if (digit < '0' || digit > '9') {
        return 0.0;
    }
    // '#' is the sharp a musician writes ("a#3" is A#3), not another separator.
    const double semitones = separator == '#' ? 1.0 : 0.0;
    return static_cast<double>(base) * std::exp2(static_cast<double>(digit - '0') - 1.0 + semitones / 12.0);
}

Fundamental chooseFundamental(const SampleBuffer& buffer, std::string_view path)
{
    if (buffer.rootNote >= 0 && buffer.rootNote <= 127) {
        return {noteFrequencyTable().frequency(buffer.rootNote), PitchSource::Header};
    }
    if (buffer.rootNote != -1) {
        return {0.0, PitchSource::Unpitched};
    }
    const double named = pitchFromFileName(path);
    if (named > 0.0) {
        return {named, PitchSource::FileName};
    }
    const NumVector x = NumVector::fromFloats(buffer.samples.data(), 0, buffer.count());
    return {estimatePitch(x, buffer.sampleRate), PitchSource::Estimate};
}

const char* describe(PitchSource source)
{
    switch (source) {
    case PitchSource::Header: return "header";
    case PitchSource::FileName: return "file name";
    case PitchSource::Estimate: return "estimate";
    case PitchSource::Unpitched: return "none";
    }
    return "none";
}

} // namespace tessarine
