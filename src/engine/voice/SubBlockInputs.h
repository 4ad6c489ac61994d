#pragma once
// What a sounding note reads from the engine for each sub-block: the morph
// positions, stretch, filter and formant inputs, with the modulation envelope
// and the drawn morph paths read at the note's own time. Audio thread.

namespace tessarine {

inline constexpr int kMaxSubBlock = 256; // longest stretch a voice renders between events

class ModulationMatrix;
class ParameterValues;
struct Instrument;

// The engine's inputs for one voice and sub-block.
struct SubBlockInputs {
    float harmonicMorphX = 0.5f, harmonicMorphY = 0.5f;
    float noiseMorphX = 0.5f, noiseMorphY = 0.5f;
    float stretchFactor = 1.0f;
    float cutoff = 0.8f, resonance = 0.03f, formantFrequency = 0.5f;
    bool formantOn = false;
};

class SubBlockInputReader {
public:
    SubBlockInputReader(const ParameterValues& values, const ModulationMatrix& modulation, Instrument& instrument)
        : values_(values), modulation_(modulation), instrument_(instrument)
    {
    }

    // The inputs of a note noteTime seconds in. While an edit holds the
    // instrument its curves are not read: what they gave the last sub-block
    // (held) stands in for them.
    SubBlockInputs read(float noteTime, float sampleRate, double tempo, const SubBlockInputs* held) const;

private:
    void morphPathPositions(float noteTime, float sampleRate, double tempo, SubBlockInputs& in) const;

    const ParameterValues& values_;
    const ModulationMatrix& modulation_;
    Instrument& instrument_; // the curves keep the segment they were last read in
};

} // namespace tessarine
