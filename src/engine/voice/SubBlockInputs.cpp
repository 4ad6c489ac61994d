#include "engine/voice/SubBlockInputs.h"

#include "engine/ModulationMatrix.h"
#include "engine/ParameterValues.h"
#include "params/ParameterMapping.h"
#include "sound/model/Instrument.h"

#include <cmath>
#include <cstddef>

namespace tessarine {

SubBlockInputs SubBlockInputReader::read(float noteTime, float sampleRate, double tempo,
                                         const SubBlockInputs* held) const
{
    SubBlockInputs in;
    // Morph positions follow the saved (drawn) values unless modulation moves them.
    auto morph = [&](int index) {
        return modulation_.morphTargeted(index) ? values_.current(index) : values_.saved(index);
    };
    in.harmonicMorphX = morph(kMorphHarmX);
    in.harmonicMorphY = morph(kMorphHarmY);
    in.noiseMorphX = morph(kMorphNoiseX);
    in.noiseMorphY = morph(kMorphNoiseY);
    in.stretchFactor = stretchFactor(values_.current(kStretch));
    in.cutoff = values_.current(kFilterCutoff);
    in.resonance = values_.current(kFilterRes);
    in.formantFrequency = values_.current(kFormantFreq);
    // The envelope curve drives its targets per note, at the note's own time.
    float* envelopeInputs[kEnvelopeTargetCount] = {&in.cutoff, &in.resonance, &in.formantFrequency};
    const float heldInputs[kEnvelopeTargetCount] = {held != nullptr ? held->cutoff : 0.0f,
                                                    held != nullptr ? held->resonance : 0.0f,
                                                    held != nullptr ? held->formantFrequency : 0.0f};
    for (int e = 0; e < kEnvelopeTargetCount; ++e) {
        const EnvelopeSource& source = modulation_.envelopeSource(static_cast<EnvelopeTarget>(e));
        if (source.on) {
            *envelopeInputs[e] = held != nullptr
                                     ? heldInputs[e]
                                     : instrument_.modEnvelopeCurve.valueAt(noteTime) * source.scale + source.offset;
        }
    }
    if (values_.on(kEnvelopeMorphOn)) {
        if (held != nullptr) {
            in.harmonicMorphX = held->harmonicMorphX;
            in.harmonicMorphY = held->harmonicMorphY;
            in.noiseMorphX = held->noiseMorphX;
            in.noiseMorphY = held->noiseMorphY;
        } else {
            morphPathPositions(noteTime, sampleRate, tempo, in);
        }
    }
    in.formantOn = values_.on(kFormantFilterOn);
    return in;
}

// The drawn morph paths, read at the note's time (looped and tempo-synced when asked).
void SubBlockInputReader::morphPathPositions(float noteTime, float sampleRate, double tempo,
                                             SubBlockInputs& in) const
{
    const float dt = static_cast<float>(kMaxSubBlock) / sampleRate;
    float t = noteTime;
    float t1 = t + dt;
    float loopStart = 60.0f * values_.current(kGlobalLoopStartTime);
    float loopEnd = 60.0f * values_.current(kGlobalLoopEndTime);
    if (values_.on(kGlobalSyncOn)) {
        const float scale = static_cast<float>(usableTempo(tempo) / 120.0);
        t *= scale;
        loopStart *= scale;
        loopEnd *= scale;
    }
    if (values_.on(kGlobalLoopOn) && t1 > loopStart) {
        const float length = loopEnd - loopStart;
        if (length <= 0.01f) {
            if (t > loopStart) {
                t = t1 = loopStart;
            }
        } else {
            t = loopStart + std::fmod(t - loopStart, length);
            t1 = t + dt;
            if (t1 > loopEnd) {
                t1 = loopStart;
            }
        }
    }
    auto& curves = instrument_.morphPathCurves;
    auto mean = [&](int path) {
        BreakpointCurve& curve = curves[static_cast<std::size_t>(path)];
        return 0.5f * (curve.valueAt(t) + curve.valueAt(t1));
    };
    in.harmonicMorphX = mean(kHarmonicMorphX);
    in.harmonicMorphY = mean(kHarmonicMorphY);
    in.noiseMorphX = mean(kNoiseMorphX);
    in.noiseMorphY = mean(kNoiseMorphY);
}

} // namespace tessarine
